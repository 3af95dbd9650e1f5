#pragma once
// The device kinds as the command line knows them: one entry each, with its
// name, the profile folder and document type of its profile store, its
// setting rows (keys and their help) and the runner of get, set and apply.
// Kind names, completion, the key help and the dispatch of the settings
// commands all go through this one list.
#include <string>
#include <string_view>
#include <vector>

#include "config/setting_keys.h"
#include "tools/tesselctl_internal.h"

namespace tessel::tools {

struct CliKind {
  std::string_view name;    // "mousepad"
  DeviceKind kind;
  std::string_view folder;  // the profile folder: "MousePad" (its factory document is FOLDER.Json)
  int deviceType;           // what the page's selector is told; 7 keeps the headset's custom equaliser on reset
  bool wireless;            // reached through a receiver too (--receiver)
  std::string_view keysTitle;
  std::vector<std::string> (*keys)();            // every key, the set-only ones too
  std::vector<settings::KeyHelp> (*keyHelp)();   // one line per family of keys
  int (*runSettings)(Invocation&, SettingsAction, const std::vector<std::string>& pairs);
};

const std::vector<CliKind>& cliKinds();
const CliKind* findCliKind(std::string_view name);

// The keys of a kind's table, each as "KEY".
template <class Model>
std::vector<std::string> keyNames(const settings::KeyTable<Model>& table) {
  std::vector<std::string> out;
  for (const auto& row : table) out.push_back(row.key);
  return out;
}

// The mouse's get / set / apply (tesselctl_settings.cpp).
int runMouseSettings(Invocation& inv, SettingsAction action, const std::vector<std::string>& pairs);

}  // namespace tessel::tools
