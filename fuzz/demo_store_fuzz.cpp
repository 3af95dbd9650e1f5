// A demo store file is read back from the user's state folder: any text must
// either restore a product's memories whole or leave them as they were.
#include <cstdint>
#include <string_view>

#include "platform/json_file.h"
#include "sim/firmware_mouse.h"
#include "sim/firmware_store.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tessel;
  Json::Value root;
  if (!parseJson(std::string_view(reinterpret_cast<const char*>(data), size), root)) return 0;
  const auto snapshot = sim::parseStoredSnapshot(root, "mouse");
  if (!snapshot) return 0;
  sim::MouseFirmware firmware;
  const auto before = firmware.snapshot();
  if (!firmware.restore(*snapshot) && firmware.snapshot() != before) __builtin_trap();  // a refusal changes nothing
  return 0;
}
