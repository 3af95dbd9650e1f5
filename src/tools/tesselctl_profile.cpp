// "profile ..." and "doc show": the profile store of one device kind, on the
// data folder alone, with or without the device plugged in.
#include <charconv>
#include <optional>
#include <ostream>

#include "platform/data_folders.h"
#include "platform/file_io.h"
#include "platform/plain_text.h"
#include "platform/kept_file.h"
#include "profiles/profile_store.h"
#include "tools/tesselctl_internal.h"
#include "tools/tesselctl_kinds.h"

namespace tessel::tools {

namespace {

using profiles::ProfileOutcome;
using profiles::ProfileStore;

ProfileStore storeFor(const CliKind& kind) {
  std::filesystem::path factory;
  if (auto folder = defaultDataFolder()) factory = *folder / (std::string(kind.d->folder) + ".Json");
  return ProfileStore(deviceDataFolder(kind.d->folder), factory, kind.d->selectorType);
}

std::optional<int> parseIndex(const std::string& text) {
  int value = -1;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < 0) return std::nullopt;
  return value;
}

constexpr std::string_view kProfileUsage =
    "usage: profile list|add KIND, profile rename KIND INDEX NAME, profile delete|select|copy|reset KIND INDEX, "
    "profile export KIND INDEX FILE, profile import KIND FILE";

// Prints what an operation made or selected; a refusal is one line on stderr.
// A running program is told, so its selector, page and device follow the list.
int report(Invocation& inv, const ProfileOutcome& outcome, bool printName, bool changedList = true) {
  if (!outcome.ok()) return inv.fail(kExitCommandFailed, outcome.message);
  if (changedList) notifyProgram(inv);
  if (inv.options.json) {
    Json::Value v;
    v["index"] = outcome.index;
    v["name"] = printableText(outcome.name);
    inv.printJson(v);
  } else if (printName) {
    inv.out << printableText(outcome.name) << "\n";
  }
  return kExitOk;
}

int listProfiles(Invocation& inv, ProfileStore& store) {
  const auto init = store.initialise();
  if (!init.ok()) return inv.fail(kExitCommandFailed, init.message);
  const auto entries = store.entries();
  const int current = store.current();
  if (inv.options.json) {
    Json::Value v;
    v["current"] = current;
    v["profiles"] = Json::Value(Json::arrayValue);
    for (size_t i = 0; i < entries.size(); ++i) {
      Json::Value p;
      p["index"] = static_cast<int>(i);
      p["name"] = printableText(entries[i].name);
      p["id"] = entries[i].uuid;
      p["current"] = static_cast<int>(i) == current;
      v["profiles"].append(p);
    }
    inv.printJson(v);
    return kExitOk;
  }
  for (size_t i = 0; i < entries.size(); ++i) {
    // A name from an older file may hold anything: one line per profile, always.
    inv.out << (static_cast<int>(i) == current ? "* " : "  ") << i << "\t" << printableText(entries[i].name) << "\n";
  }
  return kExitOk;
}

}  // namespace

int runProfile(Invocation& inv) {
  const auto& ops = inv.options.operands;  // "profile", VERB, KIND, ...
  if (ops.size() < 3) return inv.fail(kExitUsage, kProfileUsage);
  const std::string& verb = ops[1];
  const CliKind* kind = findCliKind(ops[2]);
  if (kind == nullptr)
    return inv.fail(kExitUsage, "unknown device kind \"" + ops[2] + "\" (mouse, keyboard, mousepad or headset)");
  inv.commandName = "profile " + verb;
  inv.kindText = ops[2];
  ProfileStore store = storeFor(*kind);

  struct Shape {
    std::string_view verb;
    size_t operands;  // after KIND
    bool indexed;
  };
  static constexpr Shape kShapes[] = {{"list", 0, false},   {"add", 0, false},    {"rename", 2, true},
                                      {"delete", 1, true},  {"select", 1, true},  {"copy", 1, true},
                                      {"export", 2, true},  {"import", 1, false}, {"reset", 1, true}};
  const Shape* shape = nullptr;
  for (const auto& s : kShapes)
    if (s.verb == verb) shape = &s;
  if (shape == nullptr) {
    inv.commandName = "profile";
    return inv.fail(kExitUsage, "unknown action \"" + verb + "\"; " + std::string(kProfileUsage));
  }
  if (ops.size() != 3 + shape->operands) return inv.fail(kExitUsage, kProfileUsage);

  if (verb == "list") return listProfiles(inv, store);
  if (verb == "add") return report(inv, store.add(), true);
  if (verb == "import") return report(inv, store.importFrom(ops[3]), true);

  const auto index = parseIndex(ops[3]);
  if (!index) return inv.fail(kExitUsage, "INDEX must be a profile number from \"profile list\", not \"" + ops[3] + "\"");
  // The current profile goes to a connected device when it is another one
  // now, or was reset, as a choice in the window's selector does.
  std::string why;
  const auto before = currentDocumentPath(inv.kindText, why);
  const auto thenApply = [&](int code, bool always) {
    if (code != kExitOk) return code;
    if (!always && currentDocumentPath(inv.kindText, why) == before) return code;
    return applyToConnectedDevice(inv);
  };
  if (verb == "delete") return thenApply(report(inv, store.remove(*index), false), false);
  // Every other operation on INDEX acts as the selector does after selecting it.
  const auto selected = store.select(*index);
  if (!selected.ok() || verb == "select") return thenApply(report(inv, selected, false), false);
  if (verb == "rename") {
    if (const NameCheck c = checkName(ops[4]); c != NameCheck::Ok) return inv.fail(kExitUsage, nameCheckText(c));
    return report(inv, store.rename(*index, ops[4]), false);
  }
  if (verb == "copy") return thenApply(report(inv, store.copy(*index), true), false);
  if (verb == "export") {
    // "-" is the document on standard output, with nothing else around it.
    const auto exported = store.exportTo(*index, ops[4], &inv.out);
    return exported.ok() && ops[4] == "-" ? kExitOk : report(inv, exported, false, false);
  }
  return thenApply(report(inv, store.reset(*index), false), true);
}

int runDoc(Invocation& inv) {
  const auto& ops = inv.options.operands;  // "doc", "show", KIND, [INDEX]
  constexpr std::string_view usage = "usage: doc show KIND [INDEX]";
  if (ops.size() < 3 || ops.size() > 4 || ops[1] != "show") return inv.fail(kExitUsage, usage);
  const CliKind* kind = findCliKind(ops[2]);
  if (kind == nullptr)
    return inv.fail(kExitUsage, "unknown device kind \"" + ops[2] + "\" (mouse, keyboard, mousepad or headset)");
  inv.commandName = "doc show";
  inv.kindText = ops[2];
  std::optional<int> index;
  if (ops.size() == 4) {
    index = parseIndex(ops[3]);
    if (!index) return inv.fail(kExitUsage, "INDEX must be a profile number, not \"" + ops[3] + "\"");
  }
  ProfileStore store = storeFor(*kind);
  const auto init = store.initialise();
  if (!init.ok()) return inv.fail(kExitCommandFailed, init.message);
  const int which = index ? *index : store.current();
  const auto entries = store.entries();
  if (which >= static_cast<int>(entries.size()))
    return inv.fail(kExitCommandFailed, "no profile with index " + std::to_string(which));
  const auto path = store.documentPathFor(entries[which].uuid);
  if (!path) return inv.fail(kExitCommandFailed, "profile \"" + entries[which].name + "\" has no usable identifier");
  const KeptRead read = readKeptBytes(*path);
  if (read.unreadable()) return inv.fail(kExitCommandFailed, read.message(*path));
  if (read.missing())
    return inv.fail(kExitCommandFailed, "no document yet for \"" + entries[which].name + "\" (" + path->string() + ")");
  const std::string& bytes = read.bytes;
  inv.out << bytes;
  if (!bytes.empty() && bytes.back() != '\n') inv.out << "\n";
  return kExitOk;
}

std::optional<std::filesystem::path> currentDocumentPath(std::string_view kindText, std::string& why) {
  const CliKind* kind = findCliKind(kindText);
  if (kind == nullptr) {
    why = "unknown device kind";
    return std::nullopt;
  }
  ProfileStore store = storeFor(*kind);
  const auto init = store.initialise();
  if (!init.ok()) {
    why = init.message;
    return std::nullopt;
  }
  const auto entries = store.entries();
  const int current = store.current();
  if (current < 0 || current >= static_cast<int>(entries.size())) {
    why = "the profile list names no current profile";
    return std::nullopt;
  }
  auto path = store.documentPathFor(entries[static_cast<size_t>(current)].uuid);
  if (!path) why = "profile \"" + entries[static_cast<size_t>(current)].name + "\" has no usable identifier";
  return path;
}

}  // namespace tessel::tools
