#pragma once
// One description per device kind. The command line (kind names, completion,
// key help, the profile store, the dispatch of get/set/apply), the pages'
// captions and the checks of the product tables look a kind up here instead
// of branching on it. Each kind fills its own in devices/<kind>/<kind>_kind.cpp.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "config/setting_keys.h"
#include "core/device_types.h"

namespace tessel {

// A product of the kind: the mouse on its cable, the mouse through its receiver.
struct KindProduct {
  std::string_view emulated;  // its name on the emulated bus ("mouse-receiver"; `--demo=LIST`)
  uint16_t vendorId = 0;
  uint16_t productId = 0;
  uint16_t typeCode = 0;  // its type in the supported-interface table (2 cable mouse, 6 its receiver)
  bool receiver = false;
};

struct KindDescription {
  DeviceKind kind;
  std::string_view name;    // "mousepad": the command line's word for the kind
  std::string_view folder;  // the profile folder ("MousePad"; its factory document is FOLDER.Json)
  int selectorType = 0;     // what the page's profile selector is told; 7 keeps the headset's custom equaliser on reset
  std::string_view keysTitle;
  std::vector<KindProduct> products;
  // The setting rows: every key (set-only ones too), one help line per family
  // of keys, and each key's caption on the page.
  std::vector<std::string> (*keys)() = nullptr;
  std::vector<settings::KeyHelp> (*keyHelp)() = nullptr;
  std::vector<settings::KeyLabel> (*labels)() = nullptr;

  bool wireless() const;  // one of its products is a receiver (`--receiver`)
};

// Filled by each kind.
const KindDescription& mouseKind();
const KindDescription& keyboardKind();
const KindDescription& mousepadKind();
const KindDescription& headsetKind();

// Every kind, in the order the command line lists them.
const std::vector<const KindDescription*>& deviceKinds();
const KindDescription* findDeviceKind(std::string_view name);
const KindDescription& describeKind(DeviceKind kind);
// The kind one of whose products has these USB ids; nullptr for none.
const KindDescription* kindOfProduct(uint16_t vendorId, uint16_t productId);

// A description whose rows are the key table `Table()` returns.
template <auto Table>
KindDescription describedBy(DeviceKind kind, std::string_view name, std::string_view folder, int selectorType,
                            std::string_view keysTitle, std::vector<KindProduct> products) {
  return {kind,
          name,
          folder,
          selectorType,
          keysTitle,
          std::move(products),
          [] { return settings::keyNames(Table()); },
          [] { return settings::describeRows(Table()); },
          [] { return settings::keyLabels(Table()); }};
}

}  // namespace tessel
