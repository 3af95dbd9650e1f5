#pragma once
// The four named audio styles (a colour each) that audio-reactive lighting
// plays, kept in one global file independent of profiles and devices:
// "AudioFile.json" in the user data folder, with a factory copy of the same
// name in the default data folder.
//
//   {"Device": {"AudioLightInfo": {
//      "nAudioStyle": 0,                          selected style 0..3
//      "nStyleName1" .. "nStyleName4": "...",     names shown on the style tabs
//      "nStyleR0", "nStyleG0", "nStyleB0" .. "nStyleR3", "nStyleG3", "nStyleB3"}}}
//
// Every other member of the file (beside "Device" and inside it) survives a
// rewrite. A selected style outside 0..3 reads as 0 and colour values are
// clamped to 0..255, so a hand-edited file can never select a style that
// does not exist or send a colour the companion cannot show.
//
// The selected style's colour goes to the audio companion as a 40-byte
// block (see encodeStyleColourBlock).
#include <json/json.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tessel {

inline constexpr std::string_view kAudioFileName = "AudioFile.json";
inline constexpr int kAudioStyleCount = 4;
inline constexpr size_t kStyleColourBlockSize = 40;
// dwData of the style colour message.
inline constexpr uint64_t kStyleColourDwData = 10;

struct AudioStyleColour {
  uint8_t r = 0, g = 0, b = 0;
  bool operator==(const AudioStyleColour&) const = default;
};

// What the file holds; an empty record is style 0, empty names and black.
struct AudioStyleRecord {
  uint8_t selected = 0;  // 0..3
  std::array<std::string, kAudioStyleCount> names;  // UTF-8
  std::array<AudioStyleColour, kAudioStyleCount> colours;
  bool operator==(const AudioStyleRecord&) const = default;
};

using StyleColourBlock = std::array<uint8_t, kStyleColourBlockSize>;

// "第一组" .. "第四组" for style 0..3 (empty for other indices).
std::string_view defaultStyleName(int style);
// The name a name box gives its style when it loses the focus: the text, or
// the style's default name when the text is empty.
std::string styleNameFromBox(int style, std::string_view text);

// Three little-endian int32 red, green, blue of the selected style, then 28
// zero bytes; a green of 0 goes out as 1.
StyleColourBlock encodeStyleColourBlock(const AudioStyleRecord& record);

// The record held by a "Device" object (an empty record when it has no
// "AudioLightInfo" object); values are bounded as described above.
AudioStyleRecord decodeAudioLightInfo(const Json::Value& device);
// Stores the record's 13 members into device."AudioLightInfo", keeping every
// other member; `device` becomes an object when it is not one.
void encodeAudioLightInfo(const AudioStyleRecord& record, Json::Value& device);
// The record held by the text of a whole style file; nullopt when the text
// does not parse or holds no "Device"."AudioLightInfo" object (the fuzzer's
// entry as well).
std::optional<AudioStyleRecord> parseAudioStyleText(std::string_view text);

// userDataFolder() / "AudioFile.json".
std::filesystem::path audioStyleUserFile();
// defaultDataFolder() / "AudioFile.json", or nullopt without a default data folder.
std::optional<std::filesystem::path> audioStyleDefaultFile();

// The style file of one run: loaded at start-up, saved after the style
// window's OK, reset with the profile reset.
class AudioStyleFile {
 public:
  AudioStyleFile(std::filesystem::path userFile, std::optional<std::filesystem::path> defaultFile);
  // The program's own files.
  static AudioStyleFile standard();

  // Start-up: reads the user file and keeps its "Device" object. When there
  // is none (no file, an unparsable one, which the reader keeps aside, or no
  // "Device" object), the default file's "Device" takes its place and the
  // user file is written (with writeBack). A user file that holds a "Device"
  // object is never rewritten here, even when it lacks "AudioLightInfo" (the
  // record then stays empty until a save).
  void load(bool writeBack = true);
  // Stores `record` into "AudioLightInfo" of the kept "Device" object and
  // writes the file atomically (members another program added to the file
  // since it was read survive too). False when the write failed; the record
  // is kept in memory either way.
  bool save(const AudioStyleRecord& record);
  // Overwrites the user file with the default file, then loads again. False
  // when the default file is missing or the write failed (the user file is
  // then left as it was and simply reloaded).
  bool reset();

  const AudioStyleRecord& record() const { return record_; }
  // True when the kept "Device" object holds "AudioLightInfo".
  bool hasStyles() const { return hasStyles_; }
  const Json::Value& device() const { return device_; }
  const std::filesystem::path& userFile() const { return userFile_; }
  // Why the user file cannot be read (then it is never written); empty when
  // it can.
  const std::string& problem() const { return problem_; }

 private:
  Json::Value readDefault() const;

  std::filesystem::path userFile_;
  std::optional<std::filesystem::path> defaultFile_;
  Json::Value device_;
  AudioStyleRecord record_;
  bool hasStyles_ = false;
  std::string problem_;
};

}  // namespace tessel
