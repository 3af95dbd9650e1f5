#pragma once
// The light-effect library "zelto_light.config" in the device data folder:
// per kind index, the user-made light sequences (name and "Guid", the name of
// the sequence's ".light" file in the same folder).
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tessel {

inline constexpr std::string_view kLightEffectLibraryFile = "zelto_light.config";

struct LightSequenceEntry {
  std::string name;  // "LightName"
  std::string guid;  // "Guid"
  bool operator==(const LightSequenceEntry&) const = default;
};

class LightEffectLibrary {
 public:
  // Reads the file; false (and an empty library) when missing or unparsable.
  bool load(const std::filesystem::path& path);
  bool parse(std::string_view text);
  // Writes the library (atomically). Members of the file other than the
  // sequences this class knows are kept when they were loaded from it.
  bool save(const std::filesystem::path& path) const;

  bool loaded() const { return loaded_; }
  const std::vector<LightSequenceEntry>& sequences(int kindIndex) const;
  void setSequences(int kindIndex, std::vector<LightSequenceEntry> sequences);
  std::size_t kindCount() const { return kinds_.size(); }

  // The styled JSON text the library is saved as.
  std::string text() const;

 private:
  bool loaded_ = false;
  std::vector<std::vector<LightSequenceEntry>> kinds_;
  std::string extra_;  // the loaded root as text, to keep unknown members on save
};

}  // namespace tessel
