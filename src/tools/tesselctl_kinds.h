#pragma once
// The device kinds as the command line knows them: each kind's description
// beside the runner of its get, set and apply. Kind names, completion, the
// key help, the profile store and the dispatch of the settings commands all
// go through this one list.
#include <string>
#include <string_view>
#include <vector>

#include "devices/device_kind.h"
#include "tools/tesselctl_internal.h"

namespace tessel::tools {

// A kind as the command line runs it: its description (name, profile
// folder, products, setting rows) and the runner of get, set and apply.
struct CliKind {
  const KindDescription* d;
  int (*runSettings)(Invocation&, SettingsAction, const std::vector<std::string>& pairs);
};

const std::vector<CliKind>& cliKinds();
const CliKind* findCliKind(std::string_view name);

// The mouse's get / set / apply (tesselctl_settings.cpp).
int runMouseSettings(Invocation& inv, SettingsAction action, const std::vector<std::string>& pairs);

}  // namespace tessel::tools
