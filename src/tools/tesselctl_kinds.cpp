#include "tools/tesselctl_kinds.h"

namespace tessel::tools {

const std::vector<CliKind>& cliKinds() {
  static const std::vector<CliKind> list = {
      {&mouseKind(), runMouseSettings},
      {&keyboardKind(), runKeyboardSettings},
      {&mousepadKind(), runMousepadSettings},
      {&headsetKind(), runHeadsetSettings},
  };
  return list;
}

const CliKind* findCliKind(std::string_view name) {
  for (const CliKind& k : cliKinds())
    if (k.d->name == name) return &k;
  return nullptr;
}

std::optional<DeviceKind> parseCliKind(std::string_view text) {
  const CliKind* k = findCliKind(text);
  return k ? std::optional(k->d->kind) : std::nullopt;
}

std::string_view cliKindName(DeviceKind kind) {
  for (const CliKind& k : cliKinds())
    if (k.d->kind == kind) return k.d->name;
  return "device";
}

}  // namespace tessel::tools
