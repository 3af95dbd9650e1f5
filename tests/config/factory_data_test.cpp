// The factory files in DefaultData/: every section the pages read is there,
// and the emulated firmware leaves the factory with the same settings, so a
// demo device and a fresh profile agree without a write.
#include <algorithm>
#include <set>

#include "config/hs6533_profiledata.h"
#include "config/keyboard_profiledata.h"
#include "config/light_mode_list.h"
#include "config/mouse_profiledata.h"
#include "config_fixture.h"
#include "sim/firmware_headset.h"
#include "sim/firmware_keyboard.h"
#include "sim/firmware_mouse.h"
#include "sim/firmware_mousepad.h"

namespace fs = std::filesystem;
using namespace tessel;

namespace {

const fs::path kDefaultData = fs::path(TESSEL_SOURCE_DIR) / "DefaultData";

template <typename Doc>
void loadFactory(Doc& doc, const std::string& kind) {
  doc.setWorkingCopy(DeviceElement::fromDocumentFile(kDefaultData / (kind + ".Json")));
  ASSERT_FALSE(doc.workingCopy().isNull()) << kind;
}

LightModeList modeList() {
  LightModeList list;
  EXPECT_TRUE(list.load(kDefaultData / "default_light.json"));
  return list;
}

// The light record a page makes of a settings block read from the device.
void expectLightMatchesBlock(const LightRecord& light, const std::vector<uint8_t>& block, int kindIndex) {
  const int position = modeList().positionOfCode(kindIndex, block[1]);
  EXPECT_EQ(light.selectItem, position);
  EXPECT_EQ(light.light, block[2]);
  EXPECT_EQ(light.speed, 4 - block[3]);
  EXPECT_EQ(light.multiColor, block[5]);
  EXPECT_EQ(light.red, block[6]);
  EXPECT_EQ(light.green, block[7]);
  EXPECT_EQ(light.blue, block[8]);
}

TEST(FactoryData, MouseDocumentAgreesWithTheMouseFirmware) {
  CMouseProfiledata doc;
  loadFactory(doc, "mouse");
  const auto image = sim::mouseFactoryImage(false);
  const std::vector<uint8_t> block(image.settings.begin(), image.settings.begin() + 71);
  expectLightMatchesBlock(doc.getLightInfo(), block, kKindIndexMouse);
  EXPECT_EQ(doc.getLightInfo().fx, block[4]);

  const auto stages = doc.getStages();
  ASSERT_EQ(stages.size(), 5u);
  for (size_t i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    const uint8_t* s = &block[14 + 9 * i];
    EXPECT_EQ(stages[i], (DpiStage{s[0], s[1], static_cast<uint16_t>(s[2] | s[3] << 8),
                                   static_cast<uint16_t>(s[4] | s[5] << 8), s[6], s[7], s[8]}));
  }
  EXPECT_EQ(doc.getActiveStage(), block[12]);
  EXPECT_EQ(doc.getSystemStages().reportRate, block[11]);

  const auto presets = doc.getCorrectInfo();
  const auto selected = std::find_if(presets.begin(), presets.end(), [](const auto& p) { return p.select; });
  ASSERT_NE(selected, presets.end());
  EXPECT_EQ(selected->minSq, block[64]);
  EXPECT_EQ(selected->pixThresh, block[65]);
  for (const auto& p : presets) EXPECT_FALSE(p.name.empty());

  EXPECT_EQ(doc.getLightList().size(), sim::kMouseLightZones);
}

TEST(FactoryData, MouseButtonsCarryTheirDefaultCodesAndTheFirmwareHasEveryOne) {
  CMouseProfiledata doc;
  loadFactory(doc, "mouse");
  const std::vector<FunctionCode> expected = {
      {0x10, 0x01, 0x00}, {0x10, 0x02, 0x00}, {0x10, 0x04, 0x00}, {0x10, 0x10, 0x00},
      {0x10, 0x08, 0x00}, {0x13, 0x01, 0x00}, {0x13, 0x02, 0x00}, {0x13, 0x03, 0x00},
      {0xA0, 0x1B, 0x00}, {0x16, 0x90, 0x01}, {0x14, 0x78, 0x02}};
  const auto keys = doc.getKeyList();
  ASSERT_EQ(keys.size(), expected.size());
  const auto table = sim::mouseFactoryImage(false).defaultKeyTable;
  for (size_t i = 0; i < keys.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(keys[i].defaultAssignment, expected[i]);
    EXPECT_EQ(keys[i].assignment, expected[i]);
    // Found in the device's key table, so the button is written to the mouse.
    bool found = false;
    for (size_t k = 0; k + 2 < table.size(); k += 3)
      found |= table[k] == expected[i].type && table[k + 1] == expected[i].param1 && table[k + 2] == expected[i].param2;
    EXPECT_TRUE(found);
  }
}

TEST(FactoryData, KeyboardDocumentAgreesWithTheKeyboardFirmware) {
  CKeyboardProfiledata doc;
  loadFactory(doc, "keyboard");
  const auto image = sim::keyboardFactoryImage(false);
  const std::vector<uint8_t> block(image.settings.begin(), image.settings.begin() + 31);
  const LightRecord light = doc.getLightInfo();
  expectLightMatchesBlock(light, block, kKindIndexKeyboard);
  EXPECT_EQ(light.fx, block[4]);
  EXPECT_EQ(light.zzccLedMode, block[18]);
  const KeyboardSystemStages system = doc.getSystemStages();
  EXPECT_EQ(system.wFlag, block[19]);
  EXPECT_EQ(system.key6Flag, block[20]);
  EXPECT_EQ(system.winFlag, block[21]);
  EXPECT_EQ(system.pollingRate, block[22]);
  EXPECT_LE(system.repeatDelay, 3);

  // 170 positions; the defaults are the layout's triples, the firmware's too.
  const auto keys = doc.getKeyList();
  ASSERT_EQ(keys.size(), 170u);
  const auto& layout = sim::keyboardLayoutFunctions();
  for (size_t j = 0; j < keys.size(); ++j) {
    SCOPED_TRACE(j);
    const FunctionCode expected =
        j < layout.size() ? FunctionCode{layout[j][0], layout[j][1], layout[j][2]} : FunctionCode{0x20, 0, 0};
    EXPECT_EQ(keys[j].defaultAssignment, expected);
    EXPECT_EQ(keys[j].assignment, expected);
  }
  EXPECT_EQ(keys[0].defaultAssignment, (FunctionCode{0x20, 0x00, 0x29}));
  EXPECT_EQ(keys[110].defaultAssignment, (FunctionCode{0xA0, 0x01, 0x00}));
  EXPECT_EQ(keys[124].defaultAssignment, (FunctionCode{0xD0, 0xA2, 0x05}));
}

TEST(FactoryData, KeyboardCustomGroupZeroIsTheFirmwaresCustomColourMemory) {
  CKeyboardProfiledata doc;
  loadFactory(doc, "keyboard");
  ASSERT_GE(doc.customGroupCount(), 2u);
  EXPECT_EQ(doc.getCustomGroupIndex(), 0u);
  const auto colours = doc.getCustomGroupColors(0, 170);
  const auto image = sim::keyboardFactoryImage(false);
  const auto& table = image.defaultKeyTable;
  // What reading the custom colours gives: the key map finds the device key
  // of each position, the LED table its LED, the colour memory its colour.
  const uint8_t alpha = static_cast<uint8_t>(255 * 255 / 256);  // brightness 4
  const auto keys = doc.getKeyList();
  for (size_t j = 0; j < 170; ++j) {
    SCOPED_TRACE(j);
    const FunctionCode f = keys[j].defaultAssignment;
    size_t k = 0;
    while (k < sim::kKeyboardKeys &&
           !(table[3 * k] == f.type && table[3 * k + 1] == f.param1 && table[3 * k + 2] == f.param2))
      ++k;
    if (k == sim::kKeyboardKeys) continue;  // no key at this position
    const size_t led = image.ledTable[k];
    EXPECT_EQ(colours[j], (CustomColor{image.customColours[3 * led], image.customColours[3 * led + 1],
                                       image.customColours[3 * led + 2], alpha}));
  }
}

TEST(FactoryData, MousepadAndHeadsetDocumentsAgreeWithTheirFirmware) {
  CBasicProfiledata pad;
  loadFactory(pad, "MousePad");
  const auto padImage = sim::mousepadFactoryImage();
  expectLightMatchesBlock(pad.getLightInfo(), padImage.settings, kKindIndexMousePad);
  EXPECT_EQ(pad.getLightList().size(), sim::kMousepadLightZones);

  CHs6533Profiledata hd;
  loadFactory(hd, "HD");
  const auto hdImage = sim::headsetFactoryImage();
  expectLightMatchesBlock(hd.getLightInfo(), hdImage.settings, kKindIndexHeadset);
  EXPECT_EQ(hd.getLightList().size(), sim::kHeadsetLightZones);
  for (const auto& entry : hd.getLightList()) EXPECT_EQ(entry.present, 1);
}

TEST(FactoryData, HeadsetHasTheTwelveBuiltInEqualiserPresets) {
  CHs6533Profiledata hd;
  loadFactory(hd, "HD");
  const auto eq = hd.getEqPresets();
  ASSERT_EQ(eq.size(), 13u);  // entry 0 is not used
  for (size_t p = 1; p < eq.size(); ++p) EXPECT_EQ(eq[p].size(), 10u) << p;
  EXPECT_EQ(eq[1], (EqPreset{7, 11, 2, -3, -1, 4, 9, 12, 9, 5}));
  EXPECT_EQ(eq[6], (EqPreset{7, 14, -13, -6, -1, 8, 13, 7, 2, 6}));
  EXPECT_EQ(eq[12], (EqPreset{2, 1, -2, -4, -8, 4, 12, 16, 18, 15}));
  const HeadsetSystemSet set = hd.getSystemSet();
  EXPECT_GE(set.eqType, 1);
  EXPECT_LE(set.eqType, 12);
  EXPECT_GE(set.magicType, 1);
  EXPECT_LE(set.magicType, 4);
  EXPECT_EQ(set.customEqSelectIndex, -1);
  EXPECT_TRUE(hd.getCustomEqNames().empty());
}

TEST(FactoryData, LightModesHaveTranslatedNamesForEveryKind) {
  const LightModeList list = modeList();
  EXPECT_EQ(list.modeCount(kKindIndexKeyboard), 31u);  // positions 0..30 of the keyboard engine
  EXPECT_EQ(list.modeCount(kKindIndexMouse), 10u);     // user sequences start at 10
  EXPECT_EQ(list.modeCount(kKindIndexMousePad), 9u);   // ... and at 9
  EXPECT_EQ(list.modeCount(kKindIndexHeadset), 9u);
  // The keyboard's host-driven modes keep their codes 29 and 30.
  EXPECT_EQ(list.positionOfCode(kKindIndexKeyboard, 29), 29);
  EXPECT_EQ(list.positionOfCode(kKindIndexKeyboard, 30), 30);

  std::set<std::string> keys;
  for (int kind = 0; kind < 4; ++kind) {
    EXPECT_FALSE(list.areas(kind).empty()) << kind;
    // A user tells the offered effects apart by their names.
    std::set<std::string> offered;
    for (const auto& m : list.modes(kind)) {
      if (m.visible) {
        EXPECT_TRUE(offered.insert(m.name).second) << kind << " " << m.name;
      }
    }
    for (const auto& m : list.modes(kind)) keys.insert(m.name);
    for (const auto& a : list.areas(kind)) keys.insert(a);
  }
  for (const char* file : {"lan_en.xml", "lan_cn.xml"}) {
    std::ifstream in(fs::path(TESSEL_SOURCE_DIR) / "skin" / "lan" / file);
    std::stringstream text;
    text << in.rdbuf();
    for (const auto& key : keys)
      EXPECT_NE(text.str().find("<Text id=\"" + key + "\" value=\""), std::string::npos) << file << " " << key;
  }
}

TEST(FactoryData, RecoilFilesHoldThirtyShotsOfSixEvents) {
  for (int gun = 0; gun < 4; ++gun) {
    SCOPED_TRACE(gun);
    const Json::Value root = readJsonFile(kDefaultData / ("ShootData_" + std::to_string(gun) + ".Shoot"));
    const Json::Value& events = root["Events"];
    ASSERT_EQ(events.size(), 180u);
    for (unsigned s = 0; s < 30; ++s) {
      const Json::Value e[6] = {events[6 * s], events[6 * s + 1], events[6 * s + 2],
                                events[6 * s + 3], events[6 * s + 4], events[6 * s + 5]};
      EXPECT_EQ(e[0]["Action"].asString(), "down");
      EXPECT_EQ(e[0]["Button"].asInt(), 1);
      EXPECT_EQ(e[0]["Delay"].asInt(), 10);
      EXPECT_EQ(e[0]["Type"].asInt(), 1);
      EXPECT_EQ(e[1]["Action"].asString(), "up");
      EXPECT_EQ(e[1]["Type"].asInt(), 1);
      EXPECT_EQ(e[2]["Type"].asInt(), 4);
      EXPECT_EQ(e[2]["Delay"].asInt(), 5);
      EXPECT_EQ(e[3]["Type"].asInt(), 5);
      EXPECT_GT(e[3]["Delay"].asInt(), 0);
      EXPECT_EQ(e[4]["Action"], e[2]["Action"]);
      EXPECT_EQ(e[4]["Button"].asInt(), 0);
      EXPECT_EQ(e[5]["Action"], e[3]["Action"]);
      EXPECT_EQ(e[5]["Button"].asInt(), 0);
      for (int i = 0; i < 6; ++i) {
        EXPECT_TRUE(e[i]["Button"].isInt());
        EXPECT_LE(e[i]["Button"].asInt(), 255);
      }
    }
  }
}

}  // namespace
