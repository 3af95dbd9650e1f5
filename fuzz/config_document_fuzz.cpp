// Device documents from users' disks, through every section reader of every
// document class; what a reader returns must survive its writer unchanged.
#include <cstdint>
#include <string>
#include <string_view>

#include "config/hs6533_profiledata.h"
#include "config/keyboard_profiledata.h"
#include "config/mouse_profiledata.h"
#include "platform/json_access.h"
#include "platform/json_file.h"

using namespace tessel;

namespace {

void check(bool ok) {
  if (!ok) __builtin_trap();
}

template <typename T, typename Get, typename Set>
void roundTrip(Get get, Set set) {
  const T first = get();
  set(first);
  check(get() == first);
}

void readEverySection(const DeviceElement& element) {
  CMouseProfiledata mouse;
  mouse.setWorkingCopy(element);
  roundTrip<LightRecord>([&] { return mouse.getLightInfo(); }, [&](const auto& v) { mouse.setLightInfo(v); });
  roundTrip<AudioLightRecord>([&] { return mouse.getAudioLightInfo(); },
                              [&](const auto& v) { mouse.setAudioLightInfo(v); });
  roundTrip<std::vector<LightListEntry>>([&] { return mouse.getLightList(); },
                                         [&](const auto& v) { mouse.setLightList(v); });
  roundTrip<std::vector<KeyListEntry>>([&] { return mouse.getKeyList(); },
                                       [&](const auto& v) { mouse.setKeyList(v); });
  roundTrip<std::vector<DpiStage>>([&] { return mouse.getStages(); }, [&](const auto& v) { mouse.setStages(v); });
  roundTrip<uint8_t>([&] { return mouse.getActiveStage(); }, [&](auto v) { mouse.setActiveStage(v); });
  roundTrip<SystemWords>([&] { return mouse.getSystemWords(); }, [&](const auto& v) { mouse.setSystemWords(v); });
  roundTrip<std::vector<CorrectPreset>>([&] { return mouse.getCorrectInfo(); },
                                        [&](const auto& v) { mouse.setCorrectInfo(v); });
  mouse.getSelectedSequence(10);

  CKeyboardProfiledata keyboard;
  keyboard.setWorkingCopy(element);
  const unsigned group = keyboard.getCustomGroupIndex();
  roundTrip<std::vector<CustomColor>>([&] { return keyboard.getCustomGroupColors(group, 8); },
                                      [&](const auto& v) { keyboard.setCustomGroupColors(group, v); });
  roundTrip<unsigned>([&] { return keyboard.getCustomGroupIndex(); },
                      [&](auto v) { keyboard.setCustomGroupIndex(v); });
  roundTrip<KeyboardSystemStages>([&] { return keyboard.getSystemStages(); },
                                  [&](const auto& v) { keyboard.setSystemStages(v); });
  (void)keyboard.customGroupCount();

  CHs6533Profiledata headset;
  headset.setWorkingCopy(element);
  roundTrip<HeadsetSystemSet>([&] { return headset.getSystemSet(); },
                              [&](const auto& v) { headset.setSystemSet(v); });
  roundTrip<std::vector<EqPreset>>([&] { return headset.getEqPresets(); },
                                   [&](const auto& v) { headset.setEqPresets(v); });
  roundTrip<std::vector<std::string>>([&] { return headset.getCustomEqNames(); },
                                      [&](const auto& v) { headset.setCustomEqNames(v); });
  roundTrip<std::vector<EqPreset>>([&] { return headset.getCustomEqPresets(); },
                                   [&](const auto& v) { headset.setCustomEqPresets(v); });

  // What the setters left must read back as a document again.
  check(!DeviceElement::fromText(headset.workingCopy().text()).isNull() || headset.workingCopy().isNull());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  // The input as a whole document ...
  Json::Value root;
  if (parseJson(text, root)) {
    const Json::Value& element = json::element(json::member(root, "Device"), 0);
    if (element.isObject()) readEverySection(DeviceElement::fromText(styledJson(element)));
  }
  // ... and as the device element itself.
  readEverySection(DeviceElement::fromText(text));
  return 0;
}
