// "macro ...": the macro library of the mouse or the keyboard, on the data
// folder alone, with or without the device plugged in.
#include <charconv>
#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "core/clock.h"
#include "macros/macro_delete.h"
#include "macros/macro_event_list.h"
#include "macros/macro_event_text.h"
#include "macros/macro_library.h"
#include "platform/data_folders.h"
#include "platform/plain_text.h"
#include "profiles/profile_list.h"
#include "tools/tesselctl_internal.h"

namespace tessel::tools {

namespace {

using macros::LibraryResult;
using macros::MacroLibrary;

constexpr std::string_view kMacroUsage =
    "usage: macro list|create KIND [NAME], macro show|delete KIND INDEX, macro rename KIND INDEX NAME, "
    "macro import KIND FILE, macro export KIND INDEX FILE, macro add KIND INDEX EVENT..., "
    "macro insert KIND INDEX ROW EVENT..., macro move KIND INDEX FROM TO, macro remove KIND INDEX ROW [COUNT], "
    "macro clear KIND INDEX, macro delay KIND INDEX ROW MS";

// Only the mouse and the keyboard keep macros; the folder is the one their
// profiles live in.
std::optional<std::string_view> macroFolder(std::string_view kind) {
  if (kind == "mouse") return "mouse";
  if (kind == "keyboard") return "keyboard";
  return std::nullopt;
}

std::optional<size_t> parseIndex(const std::string& text) {
  size_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

int report(Invocation& inv, const LibraryResult& r, bool printName) {
  if (!r.ok()) return inv.fail(kExitCommandFailed, r.message);
  if (inv.options.json) {
    Json::Value v;
    v["index"] = static_cast<Json::UInt64>(r.index);
    v["name"] = printableText(r.name);
    inv.printJson(v);
  } else if (printName) {
    inv.out << printableText(r.name) << "\n";
  }
  return kExitOk;
}

int listMacros(Invocation& inv, MacroLibrary& library) {
  if (library.damaged()) return inv.fail(kExitCommandFailed, library.refuseChange().message);
  const auto& entries = library.entries();
  if (inv.options.json) {
    Json::Value v;
    v["macros"] = Json::Value(Json::arrayValue);
    for (size_t i = 0; i < entries.size(); ++i) {
      Json::Value m;
      m["index"] = static_cast<Json::UInt64>(i);
      m["name"] = printableText(entries[i].name);
      m["id"] = entries[i].guid;
      v["macros"].append(m);
    }
    inv.printJson(v);
    return kExitOk;
  }
  for (size_t i = 0; i < entries.size(); ++i) inv.out << i << "\t" << printableText(entries[i].name) << "\n";
  return kExitOk;
}

int showMacro(Invocation& inv, const MacroLibrary& library, size_t index) {
  if (index >= library.size()) return inv.fail(kExitCommandFailed, "there is no macro " + std::to_string(index));
  std::vector<macros::MacroEvent> events;
  if (const LibraryResult r = library.readEvents(index, events); !r.ok()) return inv.fail(kExitCommandFailed, r.message);
  if (inv.options.json) {
    Json::Value v;
    v["index"] = static_cast<Json::UInt64>(index);
    v["name"] = printableText(library.entries()[index].name);
    v["events"] = Json::Value(Json::arrayValue);
    for (const auto& e : events) {
      Json::Value j = macros::eventToJson(e);
      j["Delay"] = e.delay;  // a number here; the event file keeps its text form
      j["text"] = macros::eventToText(e);
      v["events"].append(j);
    }
    inv.printJson(v);
    return kExitOk;
  }
  for (const auto& e : events) inv.out << macros::eventToText(e) << "\n";
  return kExitOk;
}

// Each EVENT operand is one event; an operand may also hold several events on
// separate lines. Every event is checked before anything is written.
int parseEvents(Invocation& inv, const std::vector<std::string>& texts, std::vector<macros::MacroEvent>& added) {
  for (const std::string& text : texts) {
    size_t start = 0;
    while (start <= text.size()) {
      size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      std::string_view line(text.data() + start, end - start);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      const bool blank = line.find_first_not_of(" \t") == std::string_view::npos;
      if (!blank) {
        const auto parsed = macros::parseEventText(line);
        if (!parsed.event)
          return inv.fail(kExitUsage, "event \"" + std::string(line) + "\": " + parsed.error + "; nothing was added");
        added.push_back(*parsed.event);
      }
      start = end + 1;
    }
  }
  if (added.empty()) return inv.fail(kExitUsage, "no events given; nothing was added");
  return kExitOk;
}

int addEvents(Invocation& inv, MacroLibrary& library, size_t index, const std::vector<std::string>& texts) {
  if (library.damaged()) return inv.fail(kExitCommandFailed, library.refuseChange().message);
  if (index >= library.size()) return inv.fail(kExitCommandFailed, "there is no macro " + std::to_string(index));
  std::vector<macros::MacroEvent> added;
  if (const int code = parseEvents(inv, texts, added); code != kExitOk) return code;
  std::vector<macros::MacroEvent> events;
  if (const LibraryResult r = library.readEvents(index, events); !r.ok()) return inv.fail(kExitCommandFailed, r.message);
  if (events.size() + added.size() > macros::kMaxRecordedEvents)
    return inv.fail(kExitCommandFailed, "a macro holds at most 4000 events; nothing was added");
  events.insert(events.end(), added.begin(), added.end());
  const LibraryResult r = library.saveEvents(index, events);
  if (!r.ok()) return inv.fail(kExitCommandFailed, r.message);
  if (inv.options.json) {
    Json::Value v;
    v["index"] = static_cast<Json::UInt64>(index);
    v["added"] = static_cast<Json::UInt64>(added.size());
    v["events"] = static_cast<Json::UInt64>(events.size());
    inv.printJson(v);
  }
  return kExitOk;
}

// The row edits of the window's event list (insert, move, remove, clear,
// delay) run on the same model the editor shows, loaded from the event file
// and saved as its save button saves. An edit that refuses leaves the file
// as it was.
struct EventEdit {
  int code = kExitOk;
  std::string why;
};
using EditFn = std::function<EventEdit(macros::MacroEventList&)>;

EventEdit noRow(const macros::MacroEventList& list, size_t row, std::string_view what = "row") {
  const std::string rows = list.size() == 0 ? "it has no events" : "its rows are 0.." + std::to_string(list.size() - 1);
  return {kExitCommandFailed, "there is no " + std::string(what) + " " + std::to_string(row) + ": " + rows};
}

// `changed` is false when the edit left the events as they were (nothing is
// written then).
int editEvents(Invocation& inv, MacroLibrary& library, size_t index, const EditFn& edit, bool& changed) {
  changed = false;
  if (library.damaged()) return inv.fail(kExitCommandFailed, library.refuseChange().message);
  if (index >= library.size()) return inv.fail(kExitCommandFailed, "there is no macro " + std::to_string(index));
  std::vector<macros::MacroEvent> events;
  if (const LibraryResult r = library.readEvents(index, events); !r.ok()) return inv.fail(kExitCommandFailed, r.message);
  macros::MacroEventList list;
  list.load(events);
  if (const EventEdit e = edit(list); e.code != kExitOk) return inv.fail(e.code, e.why + "; nothing was changed");
  const std::vector<macros::MacroEvent> edited = list.eventsForSave();
  if (edited != events) {
    const LibraryResult r = library.saveEvents(index, edited);
    if (!r.ok()) return inv.fail(kExitCommandFailed, r.message);
    changed = true;
  }
  if (inv.options.json) {
    Json::Value v;
    v["index"] = static_cast<Json::UInt64>(index);
    v["events"] = static_cast<Json::UInt64>(edited.size());
    v["changed"] = changed;
    inv.printJson(v);
  }
  return kExitOk;
}

// The operands of "insert", "move", "remove", "clear" and "delay" after the
// macro index, checked before the macro is read: a bad number is a usage error.
int rowEdit(Invocation& inv, std::string_view verb, const std::vector<std::string>& args, EditFn& edit) {
  const auto number = [&](size_t at, std::string_view what, std::optional<size_t>& value) {
    value = parseIndex(args[at]);
    if (!value) return inv.fail(kExitUsage, std::string(what) + " must be a number, not \"" + args[at] + "\"");
    return kExitOk;
  };
  std::optional<size_t> row;
  std::optional<size_t> other;
  if (verb == "clear") {
    edit = [](macros::MacroEventList& list) {
      list.removeAll();
      return EventEdit{};
    };
    return kExitOk;
  }
  if (const int code = number(0, verb == "move" ? "FROM" : "ROW", row); code != kExitOk) return code;
  if (verb == "insert") {
    std::vector<macros::MacroEvent> added;
    if (const int code = parseEvents(inv, {args.begin() + 1, args.end()}, added); code != kExitOk) return code;
    edit = [at = *row, added](macros::MacroEventList& list) {
      if (at > list.size())
        return EventEdit{kExitCommandFailed, "cannot insert before row " + std::to_string(at) + ": ROW is 0.." +
                                                 std::to_string(list.size()) + " (" + std::to_string(list.size()) +
                                                 " appends)"};
      if (list.size() + added.size() > macros::kMaxRecordedEvents)
        return EventEdit{kExitCommandFailed, "a macro holds at most 4000 events"};
      for (size_t i = 0; i < added.size(); ++i) list.insertAt(at + i, added[i]);
      return EventEdit{};
    };
    return kExitOk;
  }
  if (verb == "move") {
    if (const int code = number(1, "TO", other); code != kExitOk) return code;
    edit = [from = *row, to = *other](macros::MacroEventList& list) {
      if (from >= list.size()) return noRow(list, from);
      if (to >= list.size()) return noRow(list, to);
      list.select(from);
      list.moveSelectedTo(to);
      return EventEdit{};
    };
    return kExitOk;
  }
  if (verb == "remove") {
    other = 1;
    if (args.size() > 1) {
      if (const int code = number(1, "COUNT", other); code != kExitOk) return code;
      if (*other == 0) return inv.fail(kExitUsage, "COUNT must be 1 or more");
    }
    edit = [at = *row, count = *other](macros::MacroEventList& list) {
      if (at >= list.size()) return noRow(list, at);
      if (count > list.size() - at)
        return EventEdit{kExitCommandFailed, "only " + std::to_string(list.size() - at) + " rows from row " +
                                                 std::to_string(at) + " on, not " + std::to_string(count)};
      list.select(at);
      for (size_t i = 0; i < count; ++i) list.removeSelected();  // the next row takes the selection
      return EventEdit{};
    };
    return kExitOk;
  }
  // delay: the row's delay field, digits only; unlike the window's field a
  // value past 65535 is refused rather than clamped, as "add" refuses it.
  const std::string& ms = args[1];
  const auto value = parseIndex(ms);
  if (!value || *value > macros::kMaxDelay || ms.size() > macros::kDelayFieldMaxChars)
    return inv.fail(kExitUsage, "the delay must be a number of milliseconds from 0 to 65535, not \"" + ms + "\"");
  edit = [at = *row, ms](macros::MacroEventList& list) {
    if (at >= list.size()) return noRow(list, at);
    list.setDelayText(at, ms);
    return EventEdit{};
  };
  return kExitOk;
}

int createMacro(Invocation& inv, MacroLibrary& library, const std::optional<std::string>& name) {
  if (name) {
    // Checked first, so that a refused name leaves no "macro_N" behind.
    if (const NameCheck c = checkName(*name); c != NameCheck::Ok) return inv.fail(kExitUsage, nameCheckText(c));
    if (profiles::isBlankName(*name)) return inv.fail(kExitCommandFailed, "the new name is empty");
    for (const auto& existing : library.names())
      if (profiles::sameName(existing, *name))
        return inv.fail(kExitCommandFailed, "a macro named \"" + *name + "\" already exists");
  }
  LibraryResult r = library.create();
  if (r.ok() && name) r = library.rename(r.index, *name);
  return report(inv, r, true);
}

}  // namespace

int runMacro(Invocation& inv) {
  const auto& ops = inv.options.operands;  // "macro", VERB, KIND, ...
  if (ops.size() < 3) return inv.fail(kExitUsage, kMacroUsage);
  const std::string& verb = ops[1];
  const auto folder = macroFolder(ops[2]);
  if (!folder) return inv.fail(kExitUsage, "macros belong to the mouse or the keyboard, not \"" + ops[2] + "\"");
  inv.commandName = "macro " + verb;
  inv.kindText = ops[2];

  struct Shape {
    std::string_view verb;
    size_t least;  // operands after KIND
    size_t most;
    bool indexed;
  };
  static constexpr Shape kShapes[] = {{"list", 0, 0, false},   {"show", 1, 1, true},     {"create", 0, 1, false},
                                      {"rename", 2, 2, true},  {"delete", 1, 1, true},   {"import", 1, 1, false},
                                      {"export", 2, 2, true},  {"add", 2, SIZE_MAX, true},
                                      {"insert", 3, SIZE_MAX, true}, {"move", 3, 3, true},
                                      {"remove", 2, 3, true},  {"clear", 1, 1, true},   {"delay", 3, 3, true}};
  const Shape* shape = nullptr;
  for (const auto& s : kShapes)
    if (s.verb == verb) shape = &s;
  if (shape == nullptr) {
    inv.commandName = "macro";
    return inv.fail(kExitUsage, "unknown action \"" + verb + "\"; " + std::string(kMacroUsage));
  }
  const size_t extra = ops.size() - 3;
  if (extra < shape->least || extra > shape->most) return inv.fail(kExitUsage, kMacroUsage);

  const std::filesystem::path dataFolder = deviceDataFolder(*folder);
  MacroLibrary library(dataFolder, SystemClock::instance());
  library.load();

  if (verb == "list") return listMacros(inv, library);
  // A change to the library is shown by a running program's editor at once;
  // one that changes what the device plays goes to a connected device.
  const auto told = [&](int code, bool download) {
    if (code != kExitOk) return code;
    notifyProgram(inv);
    return download ? applyToConnectedDevice(inv) : code;
  };
  if (verb == "create")
    return told(createMacro(inv, library, extra == 1 ? std::optional(ops[3]) : std::nullopt), false);
  if (verb == "import") return told(report(inv, library.importFile(ops[3]), true), false);

  const auto index = parseIndex(ops[3]);
  if (!index) return inv.fail(kExitUsage, "INDEX must be a macro number from \"macro list\", not \"" + ops[3] + "\"");
  if (verb == "show") return showMacro(inv, library, *index);
  if (verb == "rename") {
    if (const NameCheck c = checkName(ops[4]); c != NameCheck::Ok) return inv.fail(kExitUsage, nameCheckText(c));
    return told(report(inv, library.rename(*index, ops[4]), false), false);
  }
  if (verb == "export") {
    // "-" is the event file on standard output, with nothing else around it.
    const auto exported = library.exportTo(*index, ops[4], &inv.out);
    return exported.ok() && ops[4] == "-" ? kExitOk : report(inv, exported, false);
  }
  if (verb == "add") return told(addEvents(inv, library, *index, {ops.begin() + 4, ops.end()}), true);
  if (verb == "insert" || verb == "move" || verb == "remove" || verb == "clear" || verb == "delay") {
    EditFn edit;
    if (const int code = rowEdit(inv, verb, {ops.begin() + 4, ops.end()}, edit); code != kExitOk) return code;
    bool changed = false;
    const int code = editEvents(inv, library, *index, edit, changed);
    return changed ? told(code, true) : code;
  }

  // delete: tesselctl answers yes to both questions the window asks.
  const auto out = macros::deleteMacro(library, dataFolder, *index, {});
  if (!out.ok()) return inv.fail(kExitCommandFailed, out.message);
  if (inv.options.json) {
    Json::Value v;
    v["name"] = out.name;
    v["profilesChanged"] = static_cast<Json::UInt64>(out.profilesChanged);
    inv.printJson(v);
  }
  return told(kExitOk, true);
}

}  // namespace tessel::tools
