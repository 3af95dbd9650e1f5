#pragma once
// The macro library of one device model: the index "macro.config" in the
// device data folder, and one event file "<Guid>.mac" per macro.
//
//   { "MacroInfo": [ { "MacroName": "macro_1", "Guid": "2026_03_04_05_06_07_089" }, ... ] }
//
// The position of a macro in "MacroInfo" is its macro index: assignment
// records refer to it. The index is edited in place as a Json::Value so that
// members we do not know survive a rewrite.
//
// Safety: a "Guid" is only turned into a file name when it is a time-stamp
// identifier (digits and underscores), so a hand-edited index cannot make us
// read, write or delete anything outside the folder. An index that exists but
// cannot be read is kept aside by the JSON reader and the library then refuses
// every change: writing a fresh one-entry index over it would lose every
// macro's name and the order the assignment records rely on.
#include <json/json.h>

#include <cstddef>
#include <filesystem>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/clock.h"
#include "core/timestamp_id.h"
#include "macros/macro_image.h"
#include "macros/macro_model.h"

namespace tessel::macros {

inline constexpr std::string_view kIndexFile = "macro.config";
inline constexpr std::string_view kEventFileExtension = ".mac";

struct MacroEntry {
  std::string name;  // "MacroName"
  std::string guid;  // "Guid"
  bool operator==(const MacroEntry&) const = default;
};

enum class LibraryError {
  None,
  Full,            // 50 macros already
  Damaged,         // the index exists but cannot be read; nothing is changed
  NoSuchMacro,     // index out of range
  UnsafeId,        // the entry's "Guid" is not a time-stamp identifier
  Blank,           // rename to an empty or blank name (ignored)
  DuplicateName,   // rename to a name the library already has
  BadName,         // rename to a name with a control character or over 64 characters
  BadFile,         // an import that is not a usable macro file
  ReadFailed,      // a source file that cannot be read
  WriteFailed,     // a file could not be written
};

struct LibraryResult {
  LibraryError error = LibraryError::None;
  std::string message;  // a sentence for the user when error != None
  size_t index = 0;     // the macro the operation made or changed
  std::string name;     // its name
  bool ok() const { return error == LibraryError::None; }
};

class MacroLibrary {
 public:
  MacroLibrary(std::filesystem::path folder, const Clock& clock);

  // Reads the index again (every operation below does this first as well, so
  // the library follows the file).
  void load();

  const std::vector<MacroEntry>& entries() const { return entries_; }
  std::vector<std::string> names() const;
  size_t size() const { return entries_.size(); }
  // True when the index exists but could not be read (kept aside as ".bad").
  bool damaged() const { return damaged_; }
  // The Damaged result naming the index file and why it cannot be used.
  LibraryResult refuseChange() const;
  const std::filesystem::path& folder() const { return folder_; }
  std::filesystem::path indexPath() const;

  // The event file of macro `index`; nullopt for an index out of range or an
  // identifier that is unsafe as a file name.
  std::optional<std::filesystem::path> eventFilePath(size_t index) const;

  // A new macro "macro_<n>" (smallest n from 1 not taken, case-insensitive).
  LibraryResult create();
  // Renames macro `index`; a blank name is ignored (Blank), a taken name
  // (case-insensitive, its own included) is refused (DuplicateName).
  LibraryResult rename(size_t index, std::string_view newName);
  // Removes macro `index`: its "MacroInfo" row goes (the index is written
  // first, so a crash never leaves a listed macro pointing at a deleted file),
  // then its event file. Assignment records are not touched here: see
  // macro_delete.h for the whole operation.
  LibraryResult remove(size_t index);
  // A new macro from a ".mac" file: named after the file's base name, or the
  // smallest number from 2 not taken when that name is; the file is copied
  // byte for byte to the new event file. A file that is not a macro file is
  // refused with a message and nothing is created.
  LibraryResult importFile(const std::filesystem::path& source);
  // Copies the event file of macro `index` byte for byte to `target`; a macro
  // that was never saved gives an empty file.
  // Writes the macro's event file to `target` only (see exportFile); "-" goes
  // to `standardOutput` when one is given.
  LibraryResult exportTo(size_t index, const std::filesystem::path& target,
                         std::ostream* standardOutput = nullptr) const;

  // The events of macro `index`; a missing or unreadable file is an empty macro.
  std::vector<MacroEvent> loadEvents(size_t index) const;
  // As loadEvents, but a ".mac" that is there and cannot be read is a
  // ReadFailed result naming the file (an unusable one is kept aside and
  // reads as no events).
  LibraryResult readEvents(size_t index, std::vector<MacroEvent>& events) const;
  // Writes the event file with the library's name and identifier.
  LibraryResult saveEvents(size_t index, std::span<const MacroEvent> events);

 private:
  bool writeIndex();
  LibraryResult addEntry(const std::string& name);
  bool nameTaken(std::string_view name) const;
  std::string newIdentifier();

  std::filesystem::path folder_;
  TimestampIdGenerator ids_;
  Json::Value index_;
  std::vector<MacroEntry> entries_;
  bool damaged_ = false;
  std::string damage_;  // why the index cannot be used
};

// Names of the library: "macro_<n>" for create, the import rule for imports.
std::string nextMacroName(const std::vector<MacroEntry>& entries);
std::string importMacroName(const std::vector<MacroEntry>& entries, std::string_view baseName);

}  // namespace tessel::macros

namespace tessel::macros {
// The events of the listed macros, in list order, for the memory image; a
// macro without an event file has no events.
std::vector<std::vector<MacroEvent>> loadListedMacros(const MacroLibrary& library, std::span<const uint8_t> list);

// The image to write for the download list: Empty (write nothing) when the
// index cannot be read or the list is empty, TooLarge when it does not fit
// the device's capacity byte.
MacroImage buildLibraryImage(const MacroLibrary& library, std::span<const uint8_t> list, uint8_t capacityByte);
}  // namespace tessel::macros
