#pragma once
// Deleting a macro of a device model's library together with every binding
// to it in the model's profiles.
//
// Macro bindings (function codes 0x70 and 0x71 in a "KeyList" entry's
// "Assignment") refer to a macro by its position in the library. Deleting
// macro d therefore walks every profile document of the model: a binding to d
// gets the entry's "DefaultAssignment" back, a binding to a macro above d is
// lowered by one, then the library row and its ".mac" file go.
//
// Both questions are asked before anything is written: "delete this macro?"
// always, and "a button of the current profile uses it" when the current
// profile binds d. Answering no to either leaves every file as it was.
#include <json/json.h>

#include <cstddef>
#include <functional>
#include <string>

#include "macros/macro_library.h"
#include "platform/file_io.h"
#include <filesystem>

namespace tessel::macros {

// What renumbering one document changed.
struct BindingChanges {
  size_t reset = 0;       // bindings to the deleted macro that got their default back
  size_t renumbered = 0;  // bindings lowered by one
  bool any() const { return reset + renumbered > 0; }
};

// True when any "KeyList" entry of the document's device elements is bound
// to macro `index`.
bool bindsMacro(const Json::Value& document, size_t index);
// Applies the two rules to every "KeyList" entry of every device element of
// the document, in place; other members are kept as they are.
BindingChanges renumberMacroBindings(Json::Value& document, size_t deleted);

struct MacroDeleteQuestions {
  std::function<bool()> confirmDelete;  // always asked ("message_text_4")
  std::function<bool()> confirmInUse;   // asked when the current profile binds the macro ("message_text_2")
};

enum class MacroDeleteStatus { Deleted, Cancelled, Failed };

struct MacroDeleteOutcome {
  MacroDeleteStatus status = MacroDeleteStatus::Failed;
  std::string message;            // why, when Failed
  std::string name;               // the deleted macro's name
  size_t profilesChanged = 0;     // documents rewritten
  bool currentChanged = false;    // the current profile's bindings changed (the page reloads and downloads)
  bool ok() const { return status == MacroDeleteStatus::Deleted; }
};

// Deletes macro `index` of `library` and renumbers the bindings of every
// profile listed in "ProfileList.ini" of `profileFolder` (no list: no
// profiles to change; nothing is created). An unset question counts as "yes".
// When a write fails, the documents already rewritten get their previous
// text back and the library is left as it was.
// `hooks` apply to the profile writes (tests make them fail).
MacroDeleteOutcome deleteMacro(MacroLibrary& library, const std::filesystem::path& profileFolder, size_t index,
                               const MacroDeleteQuestions& questions, const AtomicWriteHooks* hooks = nullptr);

}  // namespace tessel::macros
