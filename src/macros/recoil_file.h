#pragma once
// The recoil (shoot) files of the mouse: one file per gun,
// "ShootData_<g>.Shoot" in the device data folder, in the macro event format.
//
//   { "Events": [ { "Action": "down", "Button": 1, "Delay": 10, "Type": 1 }, ... ] }
//
// A gun holds 30 shots of six events each; shot s is elements 6s .. 6s + 5:
//   6s     down / 1 / 10 / 1      press the left button, wait 10 ms
//   6s + 1 up   / 1 /  0 / 1      release it
//   6s + 2 left ? down : up / x / 5 / 4    horizontal move, wait 5 ms
//   6s + 3 up ? down : up   / y / d / 5    vertical move, wait d ms
//   6s + 4 as 6s + 2 / 0 / 0 / 4   zero moves that end the shot
//   6s + 5 as 6s + 3 / 0 / 0 / 5
// Distances and delays are written as JSON integers; decimal strings (the
// macro editor's form) are read as well. The file keeps whatever integer was
// typed: the device only ever receives the low 8 bits of a distance and the
// low 16 bits of a delay (recoil_image.h).
//
// Factory files live in the default data folder under the same names and are
// only read. A user file that is missing or cannot be read is recreated from
// the factory file; one that exists but cannot be parsed is first kept aside
// as "<name>.bad".
#include <json/json.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessel::macros {

inline constexpr int kGunCount = 4;
inline constexpr int kShotCount = 30;
inline constexpr int kEventsPerShot = 6;
inline constexpr std::string_view kRecoilFilePrefix = "ShootData_";
inline constexpr std::string_view kRecoilFileExtension = ".Shoot";

// "ShootData_<gun>.Shoot".
std::string recoilFileName(int gun);

// The editable fields of one shot. Distances are magnitudes with a direction
// flag, as the editor shows them.
struct RecoilShot {
  long long x = 0;      // horizontal distance
  bool left = false;    // the horizontal move goes left (else right)
  long long y = 0;      // vertical distance
  bool up = false;      // the vertical move goes up (else down)
  long long delay = 0;  // milliseconds after the vertical move
  bool operator==(const RecoilShot&) const = default;
};

// One element of "Events" as the file holds it: values as wide as the file
// can carry them.
struct RecoilEvent {
  bool down = false;       // "Action" is "down"
  long long button = 0;    // "Button"
  long long type = 0;      // "Type"
  long long delay = 0;     // "Delay"
  bool operator==(const RecoilEvent&) const = default;
};

// A number member as the recoil and macro files write it: a JSON integer, or
// a decimal string (an optional '-' and leading digits; no digits gives 0).
// Other values (objects, arrays, null) give nullopt. Saturates far beyond
// anything meaningful instead of overflowing.
std::optional<long long> recoilNumber(const Json::Value& v);

// Element `index` of a recoil file's "Events" read leniently: missing or
// unreadable members read as 0 / "up".
RecoilEvent recoilEventFromJson(const Json::Value& v);
Json::Value recoilEventToJson(const RecoilEvent& e);

// The six events of a shot, in order.
std::vector<RecoilEvent> shotEvents(const RecoilShot& shot);
// The shot's fields from its events: x and its direction from element 6s + 2,
// y, its direction and the delay from element 6s + 3 (missing elements read
// as zero distances moving right and down).
RecoilShot shotFromDocument(const Json::Value& document, int shot);
// Writes shot `shot` into the document's "Events" (created when missing);
// other elements and members are unchanged. A shorter array grows: shots
// between its end and `shot` are filled with zero shots (a click and no move),
// so that the file stays six events a shot with no holes in it.
void storeShotInDocument(Json::Value& document, int shot, const RecoilShot& fields);

// All elements of "Events" (a document without the array has none).
std::vector<RecoilEvent> recoilEventsFromDocument(const Json::Value& document);

// Checking a file offered for import: refuses text over 4 MiB, text that is
// not a JSON object, an object without an "Events" array, more than 4000 rows
// and a row that is not an event (an object whose "Type" is 1..127 and whose
// "Button" and "Delay" are integers or decimal strings). `error` says why.
struct RecoilFileCheck {
  bool ok = false;
  std::string error;
  size_t events = 0;
};
RecoilFileCheck checkRecoilFile(std::string_view bytes);

enum class RecoilError {
  None,
  BadGun,        // gun outside 0..3
  BadShot,       // shot outside 0..29
  NoFile,        // neither the gun's file nor its factory file exists
  ReadFailed,    // a source file that cannot be read
  BadFile,       // an import that is not a recoil or macro event file
  WriteFailed,   // a file could not be written
};

struct RecoilResult {
  RecoilError error = RecoilError::None;
  std::string message;  // a sentence for the user when error != None
  bool ok() const { return error == RecoilError::None; }
};

// The four recoil files of one mouse model.
class RecoilFiles {
 public:
  RecoilFiles() = default;
  RecoilFiles(std::filesystem::path dataFolder, std::filesystem::path defaultFolder);

  const std::filesystem::path& dataFolder() const { return dataFolder_; }
  const std::filesystem::path& defaultFolder() const { return defaultFolder_; }
  std::filesystem::path filePath(int gun) const;     // dataFolder / "ShootData_<g>.Shoot"
  std::filesystem::path defaultPath(int gun) const;  // defaultFolder / "ShootData_<g>.Shoot"

  // Recreates gun g's file from its factory file when it is missing or cannot
  // be read as a recoil document (an unparsable one is kept aside first).
  // Ok when the file is usable afterwards; NoFile when the factory file is
  // missing too (the gun then reads as empty).
  RecoilResult ensure(int gun);
  // ensure() for the four guns; true when all four are usable.
  bool ensureAll();

  // The file as a document (null when missing, unreadable or unusable; an
  // unusable one is kept aside as it is read).
  Json::Value document(int gun) const;
  std::vector<RecoilEvent> events(int gun) const;
  RecoilShot shot(int gun, int shot) const;

  // Reads the file, writes the six events of `shot`, writes the file.
  RecoilResult storeShot(int gun, int shot, const RecoilShot& fields);
  // Byte copy of the factory file over the gun's file.
  RecoilResult reset(int gun);
  // Byte copy of `source` over the gun's file, after checking it is a recoil
  // or macro event document (regular files only, size checked before reading).
  RecoilResult importFile(int gun, const std::filesystem::path& source);
  // Byte copy of the gun's file to `target`.
  // Writes the gun's file to `target` only (see exportFile); "-" goes to
  // `standardOutput` when one is given.
  RecoilResult exportTo(int gun, const std::filesystem::path& target, std::ostream* standardOutput = nullptr) const;

 private:
  std::filesystem::path dataFolder_;
  std::filesystem::path defaultFolder_;
};

}  // namespace tessel::macros
