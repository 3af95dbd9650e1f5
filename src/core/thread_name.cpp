#include "core/thread_name.h"

namespace tessel {

std::string systemThreadName(std::string_view name) {
  if (name.size() <= kThreadNameMax) return std::string(name);
  size_t end = kThreadNameMax;
  while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80) --end;
  return std::string(name.substr(0, end));
}

void nameThread(pthread_t thread, std::string_view name) {
  // Failure only means the name stays as it was; nothing depends on it.
  (void)pthread_setname_np(thread, systemThreadName(name).c_str());
}

void nameThisThread(std::string_view name) { nameThread(pthread_self(), name); }

}  // namespace tessel
