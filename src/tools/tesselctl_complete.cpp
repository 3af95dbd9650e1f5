// `tesselctl complete WORD...`: the words that may follow a command line, one
// per line, for the bash and zsh completions installed with tesselctl
// (data/completions). Command names come from the subcommand table and the
// setting keys from each kind's key table, so a new command or key completes
// without touching the shell scripts. The shell filters by what is typed.
#include <set>

#include "tools/tesselctl_internal.h"
#include "tools/tesselctl_kinds.h"

namespace tessel::tools {

namespace {

const std::vector<std::string> kKinds = [] {
  std::vector<std::string> names;
  for (const CliKind& k : cliKinds()) names.emplace_back(k.d->name);
  return names;
}();

// The actions of the commands that take one first; each handler's usage text
// names the same words (a test holds them together).
struct Verbs {
  std::string_view command;
  std::vector<std::string> verbs;
  std::vector<std::string> kinds;  // what follows the action; empty: nothing to offer
};

const std::vector<Verbs>& commandVerbs() {
  static const std::vector<Verbs> table = {
      {"profile", {"list", "add", "rename", "delete", "select", "copy", "export", "import", "reset"}, kKinds},
      {"macro",
       {"list", "show", "create", "rename", "delete", "import", "export", "add", "insert", "move", "remove", "clear",
        "delay"},
       {"mouse", "keyboard"}},
      {"recoil", {"show", "set", "reset", "import", "export", "download"}, {"0", "1", "2", "3"}},
      {"audio-style", {"get", "set", "reset"}, {}},
      {"doc", {"show"}, kKinds},
      {"demo",
       {"plug", "unplug", "awake", "asleep", "input", "key", "button"},
       {"mouse", "mouse-receiver", "keyboard", "keyboard-receiver", "mousepad", "headset"}},
  };
  return table;
}

std::vector<std::string> settingKeys(std::string_view kind) {
  const CliKind* k = findCliKind(kind);
  if (k == nullptr) return {};
  std::vector<std::string> keys = k->d->keys();
  for (std::string& key : keys) key += "=";
  return keys;
}

bool takesValue(std::string_view option) {
  return option == "--profile" || option == "--server";
}

}  // namespace

std::vector<std::string> completionsAfter(const std::vector<std::string>& typed) {
  // The operands so far, without options (and an option's value).
  std::vector<std::string> words;
  for (size_t i = 0; i < typed.size(); ++i) {
    if (typed[i].rfind("--", 0) == 0) {
      if (takesValue(typed[i])) ++i;
      continue;
    }
    words.push_back(typed[i]);
  }
  std::vector<std::string> out;
  if (words.empty()) {
    for (const auto& s : subcommands()) out.emplace_back(s.name);
    for (const char* o : {"--demo", "--demo-reset", "--receiver", "--json", "--help", "--version"}) out.emplace_back(o);
    return out;
  }
  const std::string& command = words[0];
  if (command == "help") {
    if (words.size() == 1) {
      for (const auto& s : subcommands()) out.emplace_back(s.name);
      out.emplace_back("keys");
    } else if (words.size() == 2 && words[1] == "keys") {
      out = kKinds;
      out.emplace_back("values");
    }
    return out;
  }
  for (const auto& v : commandVerbs()) {
    if (v.command != command) continue;
    if (words.size() == 1) return v.verbs;
    if (words.size() == 2) return v.kinds;
    return out;
  }
  const bool takesKind = command == "get" || command == "set" || command == "apply";
  for (const auto& s : subcommands()) {
    if (s.name != command || !(s.needsDevice || takesKind)) continue;
    if (words.size() == 1) return kKinds;
    if (command == "set") {
      std::set<std::string> given;
      for (size_t i = 2; i < words.size(); ++i) given.insert(words[i].substr(0, words[i].find('=') + 1));
      for (auto& key : settingKeys(words[1]))
        if (!given.count(key)) out.push_back(std::move(key));
    }
  }
  return out;
}

int runComplete(Invocation& inv) {
  const auto& ops = inv.options.operands;  // "complete", WORD...
  for (const auto& word : completionsAfter({ops.begin() + 1, ops.end()})) inv.out << word << "\n";
  return kExitOk;
}

}  // namespace tessel::tools
