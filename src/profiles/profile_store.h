#pragma once
// The profile store of one device model: a folder holding "ProfileList.ini"
// and one document "<profileUUID>.Json" per profile, the first of them made
// from the model's factory document. The page's selector and tesselctl both
// work through this class; it touches nothing outside the data folder except
// the files it is told to export to or import from.
//
// The list file, not any copy in memory, is the truth: every operation takes
// the folder's lock, re-reads the list, changes it and writes it back, so the
// window and tesselctl can work on one folder side by side.
//
// Order of writes, so that a crash at any moment loses nothing that was
// listed: a new document is written before the list names it (a crash leaves
// an unlisted file, never a listed profile without its document); a deleted
// profile leaves the list before its document goes. Every write is atomic and
// a write that fails is reported; the files keep their previous content.
#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/clock.h"
#include "core/timestamp_id.h"
#include "platform/file_io.h"
#include "profiles/profile_list.h"

namespace tessel::profiles {

enum class ProfileStatus {
  Ok,
  NameTaken,    // rename: another profile has that name
  BlankName,    // rename: nothing but white space
  LastProfile,  // delete: the last profile stays
  TooMany,      // add: 50 profiles already
  BadIndex,     // no profile at that index
  UnsafeId,     // the entry's identifier is not a time-stamp identifier
  BadImport,    // the file to import is not a profile document
  WriteFailed,  // a file could not be written (read-only folder, full disk)
  BadName,      // rename: a control character, or longer than 64 characters
  Unreadable,   // a kept file is there but cannot be read; it is left as it is
};

struct ProfileOutcome {
  ProfileStatus status = ProfileStatus::Ok;
  std::string message;  // one line saying why, when status is not Ok
  int index = -1;       // the profile made, or the current one after select/delete
  std::string name;     // its name

  bool ok() const { return status == ProfileStatus::Ok; }
  // Rename's small status for the window: 1 renamed, 0 name taken, 2 blank.
  // Other failures read as -1.
  int renameCode() const;
};

// The largest file import reads.
inline constexpr std::uintmax_t kMaxImportBytes = 4u * 1024u * 1024u;

// Checks a file's bytes for import: a JSON object whose "Device" is an array
// with an object at index 0 and whose "profilename" and "profileUUID" are not
// null. On success `document` holds it; otherwise `why` says what is wrong.
bool parseImportDocument(std::string_view bytes, Json::Value& document, std::string& why);

class ProfileStore {
 public:
  // `deviceType` is the device type code (7: the headset, whose custom
  // equaliser presets survive a reset).
  ProfileStore(std::filesystem::path dataFolder, std::filesystem::path defaultDocument, int deviceType,
               const Clock& clock = SystemClock::instance());

  const std::filesystem::path& dataFolder() const { return folder_; }
  std::filesystem::path listPath() const { return folder_ / kProfileListFile; }
  int deviceType() const { return deviceType_; }

  // Loads the list, or creates it (no file, unparsable, no entries) with one
  // "profile1" made from the factory document. index: the current profile.
  ProfileOutcome initialise();

  // The list as the file holds it (created first when needed) and its
  // current index ("profileselect", 0 when outside the list).
  std::vector<ProfileEntry> entries();
  int current();
  int count() { return static_cast<int>(entries().size()); }

  // data folder + UUID + ".Json"; nullopt for an identifier that is not a
  // time-stamp identifier (never turned into a path).
  std::optional<std::filesystem::path> documentPathFor(std::string_view uuid) const;
  std::optional<std::filesystem::path> documentPath(int index);

  ProfileOutcome select(int index);
  // A new "profileN" from the factory document, appended and made current in
  // the list file (the selector's own selection stays where it was).
  ProfileOutcome add();
  // Removes profile `index`; the new current is 0 when it was 0, else index - 1.
  ProfileOutcome remove(int index);
  ProfileOutcome rename(int index, std::string_view name);
  ProfileOutcome copy(int index);
  // Writes the profile's document to `target` only (see exportFile); "-"
  // goes to `standardOutput` when one is given.
  ProfileOutcome exportTo(int index, const std::filesystem::path& target, std::ostream* standardOutput = nullptr);
  ProfileOutcome importFrom(const std::filesystem::path& source);
  // The profile's document rebuilt from the factory document, keeping name,
  // identifier and (headset) the custom equaliser presets.
  ProfileOutcome reset(int index);

  // Tests make writes fail through these.
  void setWriteHooks(const AtomicWriteHooks* hooks) { hooks_ = hooks; }

 private:
  // An advisory lock on the folder for the length of one operation, so that
  // the window and tesselctl never interleave a read-modify-write of the list.
  class FolderLock {
   public:
    explicit FolderLock(const std::filesystem::path& folder);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

   private:
    int fd_ = -1;
  };
  struct Loaded {
    Json::Value list;
    ParsedList parsed;
    ProfileOutcome failure;  // status Ok unless the list had to be created and could not be
  };
  Loaded load();
  ProfileOutcome createList(Loaded& loaded);
  Json::Value factoryDocument(std::string_view name, std::string_view uuid) const;
  // nullopt (with `refusal` set) when the document is there but cannot be read.
  std::optional<Json::Value> documentOrFactory(const std::filesystem::path& path, std::string_view name,
                                               std::string_view uuid, ProfileOutcome& refusal) const;
  static ProfileOutcome unreadable(const std::string& message);
  bool write(const std::filesystem::path& path, const Json::Value& value) const;
  // Writes the new profile's document, then the list with the entry appended.
  ProfileOutcome append(Loaded& loaded, const std::string& name, const Json::Value& document,
                        bool makeCurrent);
  ProfileOutcome badIndex(int index) const;
  // The outcome that refuses an operation on entry `index`: the list could
  // not be loaded, or has no such entry. None when the entry may be used.
  std::optional<ProfileOutcome> refuseEntry(const Loaded& loaded, int index) const;
  ProfileOutcome writeFailed(const std::filesystem::path& path) const;

  std::filesystem::path folder_;
  std::filesystem::path defaultDocument_;
  int deviceType_;
  TimestampIdGenerator ids_;
  const AtomicWriteHooks* hooks_ = nullptr;
};

}  // namespace tessel::profiles
