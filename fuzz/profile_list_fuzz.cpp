// Profile lists from users' disks (hand-edited, damaged): parse them, and let
// the store work on them as the selector would. Whatever the list holds, the
// store must leave a usable list behind and never touch a file outside its
// folder.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "core/clock.h"
#include "platform/file_io.h"
#include "platform/json_file.h"
#include "profiles/profile_store.h"

namespace {
namespace fs = std::filesystem;

const fs::path& root() {
  static const fs::path path = [] {
    fs::path p = fs::temp_directory_path() / ("tessel-profile-list-fuzz-" + std::to_string(::getpid()));
    fs::create_directories(p / "data");
    tessel::writeFileAtomic(p / "factory.Json", "{\"Device\": [{\"LightInfo\": {\"Light\": 1}}]}\n");
    tessel::writeFileAtomic(p / "outside.Json", "{}\n");
    std::atexit([] { fs::remove_all(root()); });
    return p;
  }();
  return path;
}

void check(bool ok) {
  if (!ok) __builtin_trap();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tessel::profiles;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  Json::Value value;
  tessel::parseJson(text, value);
  const ParsedList parsed = parseProfileList(value);
  check(parsed.entries.empty() || (parsed.select >= 0 && parsed.select < static_cast<int>(parsed.entries.size())));
  (void)nextProfileName(parsed.entries);
  if (!parsed.entries.empty()) (void)copyName(parsed.entries, parsed.entries[0].name);

  const fs::path folder = root() / "data";
  fs::remove_all(folder);
  fs::create_directories(folder);
  tessel::writeFileAtomic(folder / std::string(kProfileListFile), text);
  static tessel::ManualClock clock;
  ProfileStore store(folder, root() / "factory.Json", 7, clock);
  check(store.initialise().ok());
  store.rename(0, "renamed");
  store.copy(0);
  store.reset(0);
  store.remove(static_cast<int>(size % 3));
  store.select(static_cast<int>(size % 2));
  check(store.count() >= 1);
  const ParsedList after = parseProfileList(tessel::readJsonFile(folder / std::string(kProfileListFile)));
  check(after.usable());
  check(tessel::readFileBytes(root() / "outside.Json").value_or("") == "{}\n");
  check(tessel::readFileBytes(root() / "factory.Json").has_value());
  return 0;
}
