// Files offered for import: any bytes must either be refused with a reason or
// give a document with device settings and the two name members.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/json_access.h"
#include "profiles/profile_store.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tessel::profiles;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  Json::Value document;
  std::string why;
  if (parseImportDocument(bytes, document, why)) {
    if (!tessel::json::element(tessel::json::member(document, "Device"), 0).isObject()) __builtin_trap();
    if (document["profilename"].isNull() || document["profileUUID"].isNull()) __builtin_trap();
  } else if (why.empty()) {
    __builtin_trap();
  }
  // The bytes as a file name too.
  const std::vector<ProfileEntry> taken{{"profile", ""}, {"a", ""}, {"a(1)", ""}};
  if (isBlankName(importName(taken, bytes))) __builtin_trap();
  return 0;
}
