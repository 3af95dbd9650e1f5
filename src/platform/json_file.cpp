#include "platform/json_file.h"

#include <memory>
#include <system_error>

#include "platform/debug.h"

namespace tessel {
namespace fs = std::filesystem;

bool parseJson(std::string_view text, Json::Value& out) {
  out = Json::Value();
  Json::CharReaderBuilder builder;
  builder["allowComments"] = true;
  builder["collectComments"] = false;
  // Deeply nested input must fail cleanly rather than exhaust the stack.
  builder["stackLimit"] = 256;
  std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  std::string errors;
  try {
    if (!reader->parse(text.data(), text.data() + text.size(), &out, &errors)) {
      out = Json::Value();
      return false;
    }
  } catch (const std::exception&) {
    out = Json::Value();
    return false;
  }
  return true;
}

std::string styledJson(const Json::Value& value) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  Json::StyledWriter writer;
  std::string text = writer.write(value);
#pragma GCC diagnostic pop
  while (!text.empty() && text.back() == '\n') text.pop_back();
  text.push_back('\n');
  return text;
}

namespace {
bool isBlank(const std::string& text) {
  return text.find_first_not_of(" \t\r\n") == std::string::npos;
}
}  // namespace

Json::Value readJsonFile(const fs::path& path) {
  auto bytes = readFileBytes(path);
  if (!bytes || isBlank(*bytes)) {
    debugPrintf("%s", path.string().c_str());
    return Json::Value();
  }
  Json::Value value;
  if (!parseJson(*bytes, value)) {
    debugPrintf("unparsable: %s", path.string().c_str());
    keepAside(path);
    return Json::Value();
  }
  return value;
}

bool writeJsonFile(const fs::path& path, const Json::Value& value, const AtomicWriteHooks* hooks) {
  // Never let a save silently destroy a file we could not read.
  if (auto old = readFileBytes(path); old && !isBlank(*old)) {
    Json::Value ignored;
    if (!parseJson(*old, ignored) && !keepAside(path)) return false;
  }
  return writeFileAtomic(path, styledJson(value), hooks);
}

}  // namespace tessel
