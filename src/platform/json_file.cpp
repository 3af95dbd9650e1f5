#include "platform/json_file.h"

#include <memory>
#include <system_error>

#include "platform/kept_file.h"

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

Json::Value readJsonFile(const fs::path& path) { return readKeptJson(path, {}).value; }

bool writeJsonFile(const fs::path& path, const Json::Value& value, const AtomicWriteHooks* hooks) {
  return writeKeptJson(path, value, hooks);
}

}  // namespace tessel
