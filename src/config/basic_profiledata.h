#pragma once
// CBasicProfiledata: one device's configuration document.
//
// The document is JSON: {"Device": [ {sections...} ]}. The device's settings
// are element 0 of "Device" (the element index, 0 for every device type). The
// object keeps that element as its working copy, the parsed light-effect
// library, and one cached record per section.
//
//   load:    the element of the bound document; when the file, the array or
//            the element is missing, element 0 of the factory document is
//            copied in and the user document is written, so a new profile
//            starts as the factory settings.
//   getters: read the section from the working copy and cache it; when the
//            working copy or the section is absent, the cached record (zeros
//            until something was read or set). Callers receive copies.
//   setters: update the cache and the working copy; nothing is written until
//            the caller saves.
//   save:    reads the file again and replaces only root["Device"][index], so
//            other root members and other elements stay as they were.
//
// Binding to another document clears every cached section, so nothing of the
// previous profile (a fourth DPI stage, a key list) shows through a profile
// that lacks it. All operations lock one mutex: a page and a light thread may
// share the object.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/document_records.h"
#include "config/light_effect_library.h"
#include "core/light_record.h"

namespace Json {
class Value;
}

namespace tessel {

inline constexpr std::string_view kDocumentExtension = ".Json";

// An opaque, immutable copy of one "Device" element (the working copy or one
// read from another file). Copies share the value; the profile-data object
// clones its working copy before changing it while an element still shares it.
// The shape a stored profile document must have to be used: an object whose
// "Device", when present, is an array of objects (null slots allowed).
bool isProfileDocument(const Json::Value& root);

class DeviceElement {
 public:
  DeviceElement();
  DeviceElement(const DeviceElement&);
  DeviceElement(DeviceElement&&) noexcept;
  DeviceElement& operator=(const DeviceElement&);
  DeviceElement& operator=(DeviceElement&&) noexcept;
  ~DeviceElement();

  bool isNull() const;
  // Styled JSON text of the element ("null" for a null element).
  std::string text() const;
  // Parses text; a null element when it does not parse or is not an object.
  static DeviceElement fromText(std::string_view text);
  // Element `index` of root["Device"] of a document file; null when absent.
  static DeviceElement fromDocumentFile(const std::filesystem::path& path, unsigned index = 0);

 private:
  friend class CBasicProfiledata;
  explicit DeviceElement(const Json::Value& value);
  explicit DeviceElement(std::shared_ptr<const Json::Value> value);
  const Json::Value& value() const;
  std::shared_ptr<const Json::Value> value_;
};

class CBasicProfiledata {
 public:
  CBasicProfiledata();
  virtual ~CBasicProfiledata();
  CBasicProfiledata(const CBasicProfiledata&) = delete;
  CBasicProfiledata& operator=(const CBasicProfiledata&) = delete;

  // --- virtual operations, in slot order ---
  // Writes the working copy into the bound document. False when the write
  // fails (the previous file stays intact) or when no document is bound.
  virtual bool save();
  // Writes `element` into root["Device"][index] of the document at `path`,
  // keeping the rest of that document.
  virtual bool saveTo(const DeviceElement& element, const std::filesystem::path& path);
  // Writes a second working copy (one read from another document) into the
  // bound document through saveTo.
  virtual bool saveSecondCopy(const DeviceElement& element);
  // Writes the light-effect library to `path`.
  virtual bool saveLightLibrary(const std::filesystem::path& path);

  // --- binding ---
  // Binds the document; clears every cached section and the working copy.
  void setDocumentPath(const std::filesystem::path& path);
  std::filesystem::path documentPath() const;
  // Ignored when empty.
  void setDefaultDocumentPath(const std::filesystem::path& path);
  std::filesystem::path defaultDocumentPath() const;
  // Binds and loads the light-effect library (a missing file gives an empty one).
  void setLightLibraryPath(const std::filesystem::path& path);
  std::filesystem::path lightLibraryPath() const;
  void setElementIndex(unsigned index);
  unsigned elementIndex() const;
  // The kind index that selects this model in the light-effect library.
  void setKindIndex(int kindIndex);
  int kindIndex() const;
  // Folder the light sequence files live in (the device data folder). When
  // unset, the folder of the light-effect library.
  void setSequenceFolder(const std::filesystem::path& folder);

  // Forgets every cached section (records read back as zeros until read again).
  void clearCachedSections();

  // --- the working copy ---
  // Load device element (see the header comment). A null element when neither
  // the document nor the factory document has one.
  DeviceElement loadDeviceElement();
  // Replaces the working copy with element 0 of the factory document, without
  // writing anything (reset to factory settings; the caller saves). False when
  // the factory document has no element.
  bool loadDefaultElement();
  DeviceElement workingCopy() const;
  void setWorkingCopy(const DeviceElement& element);

  // --- shared sections ---
  LightRecord getLightInfo() const;
  void setLightInfo(const LightRecord& record);
  AudioLightRecord getAudioLightInfo() const;
  void setAudioLightInfo(const AudioLightRecord& record);
  std::vector<LightListEntry> getLightList() const;
  // Entries with present == 0 are written as null.
  void setLightList(const std::vector<LightListEntry>& list);
  std::vector<KeyListEntry> getKeyList() const;
  // Writes "Assignment" of every entry (the defaults are factory data).
  void setKeyList(const std::vector<KeyListEntry>& list);
  void setKeyAssignment(std::size_t index, const FunctionCode& code);

  // "CustomLightMode": `count` colours of group `group`. Missing colours (or a
  // missing group) are created as zeros in the working copy.
  std::vector<CustomColor> getCustomGroupColors(unsigned group, std::size_t count);
  void setCustomGroupColors(unsigned group, const std::vector<CustomColor>& colors);
  unsigned getCustomGroupIndex() const;
  void setCustomGroupIndex(unsigned group);
  // Number of groups in the working copy's "LightColorInfo".
  std::size_t customGroupCount() const;

  // --- light-effect library and sequences ---
  LightEffectLibrary lightLibrary() const;
  void setLightLibrary(const LightEffectLibrary& library);
  // The steps of the user sequence "SelectItem" selects when it is at or past
  // `builtInModeCount`; empty otherwise, for a refused "Guid", or a missing file.
  LightSequence getSelectedSequence(std::size_t builtInModeCount) const;

 protected:
  // Subclasses reach the working copy under the lock through these.
  std::unique_lock<std::mutex> lock() const { return std::unique_lock<std::mutex>(mutex_); }
  enum class Shape { Object, Array };
  // The working copy's section `key`, or nullptr when the working copy is null
  // or lacks the section, or the section has another shape (a section that
  // is a number is as good as absent). Call with the lock held.
  const Json::Value* section(std::string_view key, Shape shape) const;
  // The section in the working copy, created with that shape when missing or
  // of another shape. Call with the lock held.
  Json::Value& writableSection(std::string_view key, Shape shape);
  // Subclasses drop their own caches here (called with the lock held).
  virtual void clearOwnCaches() {}

 private:
  mutable std::mutex mutex_;
  std::filesystem::path documentPath_, defaultPath_, libraryPath_, sequenceFolder_;
  unsigned elementIndex_ = 0;
  int kindIndex_ = 0;
  std::shared_ptr<Json::Value> working_;
  mutable bool shared_ = false;  // working_ was handed out (or taken in) as a DeviceElement
  LightEffectLibrary library_;
  mutable LightRecord lightCache_;
  mutable AudioLightRecord audioCache_;
  mutable std::vector<LightListEntry> lightListCache_;
  mutable std::vector<KeyListEntry> keyListCache_;
  mutable unsigned customGroupIndexCache_ = 0;

  void clearCachesLocked();
  // The working copy, ready to change: created when null, cloned when it was
  // handed out as an element since the last clone.
  Json::Value& mutableWorking();
  LightRecord readLightLocked() const;

  // What a file was when we last read or wrote it (device, inode, size,
  // modification time). Every atomic write makes a new inode, so an equal
  // stamp means the text on disk is the text we know.
  struct FileStamp {
    uint64_t device = 0, inode = 0, size = 0;
    int64_t mtimeNs = -1;
    bool operator==(const FileStamp&) const = default;
  };
  static std::optional<FileStamp> stampOf(const std::filesystem::path& path);
  // The bound document's root as last read or written, so a save need not
  // parse the whole document again while nobody else changed the file.
  std::unique_ptr<Json::Value> rootCache_;
  std::optional<FileStamp> rootStamp_;
  void rememberRoot(Json::Value root, const std::optional<FileStamp>& stamp);
  // `lend`: the unshared working copy (== &element), swapped into the root
  // for the write instead of copied; it is back in place when this returns.
  bool saveElementLocked(const Json::Value& element, const std::filesystem::path& path,
                         Json::Value* lend = nullptr);
};

}  // namespace tessel
