#pragma once
// A profiled device whose keys (or buttons) can be bound to macros of the
// device's macro library: the mouse and the keyboard. It adds to the document
// side (device/base/profiled_device.h) where the library is, how many macros a
// binding may name, and the check that gives a key bound to a macro the
// library no longer holds its default back. It sits above the base because it
// needs the documents' key records and the macro library.
//
// The document type also needs getKeyList() / setKeyList().
#include <filesystem>
#include <utility>
#include <vector>

#include "config/document_records.h"
#include "config/function_codes.h"
#include "device/base/profiled_device.h"
#include "macros/macro_library.h"

namespace tessel {

template <class Document, class Listener>
class MacroKeyDevice : public ProfiledDevice<Document, Listener> {
 public:
  using ProfiledDevice<Document, Listener>::ProfiledDevice;

  // ---- binding (UI thread)
  // Macros in the library: a binding to a macro number at or past it falls
  // back to the key's default.
  void setMacroCount(int count) { macroCount_ = count < 0 ? 0 : count; }
  int macroCount() const { return macroCount_; }
  // The device data folder holding the macro library ("macro.config" and the
  // event files). When set, every key table write reads the library first,
  // downloads the bound macros and takes the macro count from it.
  void setMacroFolder(std::filesystem::path folder) { macroFolder_ = std::move(folder); }
  const std::filesystem::path& macroFolder() const { return macroFolder_; }

  // ---- document operations (UI thread)
  // Keys bound to macros at or past `count` get their defaults back; the
  // document is saved and shown again when any changed.
  bool CheckMacroReferences(int count) {
    setMacroCount(count);
    if (!this->doc_) return false;
    std::vector<KeyListEntry> list = boundKeys();
    if (!tessel::CheckMacroReferences(list, macroCount_)) return false;
    this->doc_->setKeyList(list);
    this->save();
    this->applyConfiguration();
    return true;
  }

 protected:
  // The document's key list as the key table is built from it.
  virtual std::vector<KeyListEntry> boundKeys() const = 0;
  // The number of macros a binding may name now: the library's when a folder
  // is set and the library reads, else the count set.
  int libraryMacroCount() {
    if (macroFolder_.empty()) return macroCount_;
    macros::MacroLibrary library(macroFolder_, this->clock());
    library.load();
    return library.damaged() ? macroCount_ : static_cast<int>(library.size());
  }

  int macroCount_ = 0;
  std::filesystem::path macroFolder_;
};

}  // namespace tessel
