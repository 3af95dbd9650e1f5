#include "devices/device_kind.h"

#include <algorithm>

namespace tessel {

bool KindDescription::wireless() const {
  return std::any_of(products.begin(), products.end(), [](const KindProduct& p) { return p.receiver; });
}

const std::vector<const KindDescription*>& deviceKinds() {
  static const std::vector<const KindDescription*> list = {&mouseKind(), &keyboardKind(), &mousepadKind(),
                                                           &headsetKind()};
  return list;
}

const KindDescription* findDeviceKind(std::string_view name) {
  for (const KindDescription* k : deviceKinds())
    if (k->name == name) return k;
  return nullptr;
}

const KindDescription& describeKind(DeviceKind kind) {
  for (const KindDescription* k : deviceKinds())
    if (k->kind == kind) return *k;
  return mouseKind();  // every DeviceKind has a description (a test holds the list to the enum)
}

const KindDescription* kindOfProduct(uint16_t vendorId, uint16_t productId) {
  for (const KindDescription* k : deviceKinds())
    for (const KindProduct& p : k->products)
      if (p.vendorId == vendorId && p.productId == productId) return k;
  return nullptr;
}

}  // namespace tessel
