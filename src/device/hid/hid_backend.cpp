#include "device/hid/hid_backend.h"

#include <atomic>

#include "device/hid/hidraw_backend.h"

namespace tessel::hid {
namespace {
std::atomic<HidBackend*> g_override{nullptr};
}  // namespace

HidBackend& defaultBackend() {
  if (HidBackend* b = g_override.load(std::memory_order_acquire)) return *b;
  static HidrawBackend hidraw;  // created on first use
  return hidraw;
}

void setDefaultBackend(HidBackend* backend) { g_override.store(backend, std::memory_order_release); }

}  // namespace tessel::hid
