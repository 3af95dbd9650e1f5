// Documents from users' disks: parse, walk with the safe accessors, write back.
#include <cstdint>
#include <string_view>

#include "platform/json_access.h"
#include "platform/json_file.h"

namespace {
void walk(const Json::Value& v, int depth) {
  using namespace tessel::json;
  if (depth > 64) return;
  (void)getInt<uint8_t>(v, 0);
  (void)getInt<int16_t>(v, 0);
  (void)getBool(v, false);
  (void)getString(v, "");
  (void)element(v, -1);
  (void)member(v, "Device");
  if (v.isArray()) {
    for (unsigned i = 0; i < size(v) && i < 64; ++i) walk(element(v, i), depth + 1);
  } else if (v.isObject()) {
    for (const auto& name : v.getMemberNames()) walk(member(v, name), depth + 1);
  }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Json::Value root;
  if (!tessel::parseJson(std::string_view(reinterpret_cast<const char*>(data), size), root)) return 0;
  walk(root, 0);
  walk(tessel::json::element(tessel::json::member(root, "Device"), 0), 0);
  Json::Value again;
  (void)tessel::parseJson(tessel::styledJson(root), again);
  return 0;
}
