#pragma once
// The program's small settings store: a JSON object of named values in
// "settings.json" under the config folder. It plays the part of a per-user
// registry key: values are read when the store exists, and a value is written
// only when the store already exists (setValue never creates it). create()
// makes the store, as an installer would make the key.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tessel {

class SettingsStore {
 public:
  // The store in configFolder().
  SettingsStore();
  explicit SettingsStore(std::filesystem::path file);

  const std::filesystem::path& file() const { return file_; }
  bool exists() const;
  // Creates an empty store (and its folder) when missing; true when it exists afterwards.
  bool create();

  std::optional<uint32_t> getDword(std::string_view name) const;
  std::optional<std::string> getString(std::string_view name) const;
  // false when the store does not exist or the write failed.
  bool setDword(std::string_view name, uint32_t value);
  bool setString(std::string_view name, std::string_view value);

 private:
  std::filesystem::path file_;
};

}  // namespace tessel
