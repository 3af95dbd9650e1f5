// The keyboard controller's reads and writes against the emulated keyboard:
// what the firmware received and keeps, and what the document holds afterwards.
#include "keyboard_rig.h"

#include "config/function_codes.h"
#include "macros/macro_library.h"

#include <deque>
#include <fstream>
#include <mutex>

using namespace tessel;
using namespace tessel::test;
using namespace tessel::keyboard;
using namespace std::chrono_literals;

namespace {

// Device key of a layout position on the emulated keyboard (gaps at 18, 19, 20 and 104).
uint8_t keyOf(size_t position) {
  if (position < 18) return static_cast<uint8_t>(position);
  if (position < 104) return static_cast<uint8_t>(position - 3);
  return static_cast<uint8_t>(position - 4);
}

}  // namespace

TEST_F(KeyboardRig, InitialReadBuildsTheMapsAndKeepsTheProfileALaterReadAdoptsTheBlock) {
  plug();
  const LightRecord profileLight = doc_.getLightInfo();
  const KeyboardSystemStages profileSystem = doc_.getSystemStages();
  fw_->setSettings(0, {2});
  // Profile 2: mode 5, brightness 3, Speed 1 (byte 3 = 3), W and Windows lock
  // on, rollover off, polling choice 0 (which a read must not take).
  fw_->setSettings(2 * kStride + 1, {5, 3, 3, 1, 0, 9, 8, 7});
  fw_->setSettings(2 * kStride + 19, {1, 0, 1, 0});
  kb_->requestConnected();

  const auto codes = fw_->commandCodes();
  ASSERT_GE(codes.size(), 5u);
  EXPECT_EQ(std::vector<uint8_t>(codes.begin(), codes.begin() + 2), (std::vector<uint8_t>{kBegin, kIdentity}));
  EXPECT_EQ(fw_->countOf(kReadLeds), 3u);  // 122 bytes in chunks of 56
  EXPECT_FALSE(fw_->bracketOpen());
  EXPECT_EQ(fw_->countOf(kWriteSettings) + fw_->countOf(kWriteKeys) + fw_->countOf(kWriteColours), 0u);

  ASSERT_TRUE(kb_->tablesValid());
  const KeyMaps maps = kb_->keyMaps();
  EXPECT_EQ(maps.keyCount, 122);
  EXPECT_EQ(maps.keyMap[0], 0);    // Esc
  EXPECT_EQ(maps.keyMap[1], 1);    // F1
  EXPECT_EQ(maps.keyMap[18], kNone);  // the blank triple: the keyboard has no such key
  EXPECT_EQ(maps.keyMap[104], kNone);
  EXPECT_EQ(maps.keyMap[21], 18);
  EXPECT_EQ(maps.keyMap[125], 121);
  EXPECT_EQ(maps.ledMap[0], 121);
  EXPECT_EQ(maps.keyMap[126], kNone);  // past the layout

  EXPECT_EQ(kb_->currentProfile(), 2);
  // Connecting never changes the profile.
  EXPECT_EQ(reread()->getLightInfo(), profileLight);
  EXPECT_EQ(reread()->getSystemStages(), profileSystem);
  EXPECT_EQ(fw_->countOf(kWriteSettings), 0u);

  // The keyboard reports that its settings changed (its Fn keys): the
  // document follows the block then.
  kb_->requestDeviceChanged();
  const auto saved = reread();
  const LightRecord light = saved->getLightInfo();
  EXPECT_EQ(light.selectItem, 5);
  EXPECT_EQ(light.light, 3);
  EXPECT_EQ(light.speed, 1);
  EXPECT_EQ(light.red, 9);
  EXPECT_EQ(light.blue, 7);
  const KeyboardSystemStages system = saved->getSystemStages();
  EXPECT_EQ(system.wFlag, 1);
  EXPECT_EQ(system.key6Flag, 0);
  EXPECT_EQ(system.winFlag, 1);
  EXPECT_EQ(system.pollingRate, 3);  // the factory document's, not the block's 0
  EXPECT_EQ(system.repeat, 20);
  EXPECT_TRUE(kb_->lightThread().running());
  EXPECT_GE(refreshes_, 1);
}

TEST_F(KeyboardRig, AFailedTableReadKeepsThePreviousMapsAndTheKeyTableWriteRefuses) {
  plug();
  fw_->injectFault({sim::FaultKind::StatusFF, kReadLeds, 0, 1});
  kb_->requestConnected();
  EXPECT_FALSE(kb_->tablesValid());
  EXPECT_EQ(kb_->keyMaps(), emptyKeyMaps());
  EXPECT_FALSE(fw_->bracketOpen());  // the sequence still ended with command 2
  // The settings were read all the same.
  EXPECT_EQ(fw_->countOf(kReadSettings), 2u);

  ASSERT_TRUE(kb_->StoreAssignment(0, {0x20, 0x00, 0x04}));
  ResultCode result = ResultCode::Success;
  kb_->WriteKeyTable([&](ResultCode r, std::vector<int>) { result = r; });
  EXPECT_EQ(result, ResultCode::NotSent);
  EXPECT_EQ(fw_->countOf(kWriteKeys), 0u);
  // Nothing to paint into either.
  kb_->changeLightRecord(lightWithMode(kCustomMode));
  EXPECT_EQ(fw_->countOf(kWriteColours), 0u);

  // Read whole once, the maps survive a later failed read and a refused size.
  kb_->requestConnected();
  ASSERT_TRUE(kb_->tablesValid());
  const KeyMaps good = kb_->keyMaps();
  fw_->injectFault({sim::FaultKind::StatusFE, kReadKeys, 0, 1});
  kb_->requestConnected();
  EXPECT_TRUE(kb_->tablesValid());
  EXPECT_EQ(kb_->keyMaps(), good);
  fw_->clearLog();
  fw_->setIdentityByte(5, 200);  // 600 bytes: does not fit
  kb_->requestConnected();
  EXPECT_EQ(fw_->countOf(kReadKeys), 0u);
  EXPECT_FALSE(fw_->bracketOpen());
  EXPECT_EQ(kb_->keyMaps(), good);
  // A keyboard that now says it has another key count is not written.
  kb_->WriteKeyTable([&](ResultCode r, std::vector<int>) { result = r; });
  EXPECT_EQ(result, ResultCode::NotSent);
  EXPECT_EQ(fw_->countOf(kWriteKeys), 0u);
}

TEST_F(KeyboardRig, SettingsGoBackToTheBlockTheyWereReadFromWithByteZeroKept) {
  plug();
  fw_->setSettings(0, {2});
  fw_->setSettings(2 * kStride, {0x5A});
  fw_->setSettings(2 * kStride + 9, {0x11, 0x12});
  fw_->setSettings(2 * kStride + 16, {0x33, 0x44});
  fw_->setSettings(2 * kStride + 26, {0x66, 0x77});
  const std::vector<uint8_t> profile0 = blockOf(0);
  kb_->requestConnected();

  LightRecord light = lightWithMode(29);
  light.speed = 1;
  light.light = 2;
  light.zzccLedMode = 6;
  kb_->changeLightRecord(light);
  std::vector<uint8_t> block = blockOf(2);
  EXPECT_EQ(block[0], 0x5A);
  EXPECT_EQ(block[1], kHostDrivenCode);  // code 29 goes out as 0xFE
  EXPECT_EQ(block[2], 2);
  EXPECT_EQ(block[3], 3);  // 4 - Speed 1
  EXPECT_EQ(block[9], 0x11);
  EXPECT_EQ(block[10], 0x12);
  EXPECT_EQ(block[16], 0);
  EXPECT_EQ(block[17], 0x44);
  EXPECT_EQ(block[18], 6);
  EXPECT_EQ(block[26], 0);
  EXPECT_EQ(block[27], 0x77);
  EXPECT_EQ(blockOf(0), profile0);
  EXPECT_EQ(fw_->settings()[0], 2);
  EXPECT_EQ(fw_->writesOutsideBracket(), 0);
  EXPECT_FALSE(fw_->bracketOpen());

  // The options reach bytes 19..22; repeat rate and delay are stored only.
  ASSERT_TRUE(kb_->setWKey(true));
  ASSERT_TRUE(kb_->setRollover(false));
  ASSERT_TRUE(kb_->setWindowsLock(true));
  ASSERT_TRUE(kb_->setPollingRate(1));
  EXPECT_FALSE(kb_->setPollingRate(4));
  EXPECT_FALSE(kb_->setRepeatDelay(-1));
  block = blockOf(2);
  EXPECT_EQ((std::vector<uint8_t>(block.begin() + 19, block.begin() + 23)), (std::vector<uint8_t>{1, 0, 1, 1}));
  const size_t writes = fw_->countOf(kWriteSettings);
  ASSERT_TRUE(kb_->setRepeatDelay(2));
  ASSERT_TRUE(kb_->setRepeatRate(31));
  EXPECT_EQ(fw_->countOf(kWriteSettings), writes);
  const KeyboardSystemStages system = reread()->getSystemStages();
  EXPECT_EQ(system.repeatDelay, 2);
  EXPECT_EQ(system.repeat, 31);
  EXPECT_EQ(system.pollingRate, 1);

  // A read of 0xFE keeps the page's mode; Speed follows byte 3.
  fw_->setSettings(2 * kStride + 1, {kHostDrivenCode, 4, 0});
  kb_->requestDeviceChanged();
  EXPECT_EQ(doc_.getLightInfo().selectItem, 29);
  EXPECT_EQ(doc_.getLightInfo().speed, 4);
  EXPECT_TRUE(failures_.empty());
}

TEST_F(KeyboardRig, AKeyEditSendsTheUserTableWithMacroBindingsRenumbered) {
  plugAndRead();
  kb_->setMacroCount(5);
  ASSERT_TRUE(kb_->StoreAssignment(5, {function_type::kMacro, 3, 0}));
  ASSERT_TRUE(kb_->StoreAssignment(7, {function_type::kMacro, 1, 2}));
  ASSERT_TRUE(kb_->StoreAssignment(9, {function_type::kMacro, 5, 0}));  // macro 5 of 5 does not exist
  ASSERT_TRUE(kb_->StoreAssignment(0, {0x20, 0x00, 0x04}));             // Esc sends A
  EXPECT_FALSE(kb_->StoreAssignment(170, {0x20, 0x00, 0x04}));
  std::vector<int> order;
  ResultCode result = ResultCode::NotSent;
  kb_->WriteKeyTable([&](ResultCode r, std::vector<int> o) {
    result = r;
    order = std::move(o);
  });
  ASSERT_EQ(result, ResultCode::Success);
  EXPECT_EQ(order, (std::vector<int>{3, 1}));
  const auto table = fw_->keyTable();
  ASSERT_GE(table.size(), 122u * 3);
  EXPECT_EQ(keySlot(keyOf(0)), (std::vector<uint8_t>{0x20, 0x00, 0x04}));
  EXPECT_EQ(keySlot(keyOf(5)), (std::vector<uint8_t>{function_type::kMacro, 0, 0}));
  EXPECT_EQ(keySlot(keyOf(7)), (std::vector<uint8_t>{function_type::kMacro, 1, 2}));
  EXPECT_EQ(keySlot(keyOf(9)), (std::vector<uint8_t>{0x20, 0x00, 0x42}));  // its default (F9)
  EXPECT_EQ(keySlot(keyOf(110)), (std::vector<uint8_t>{0xA0, 0x01, 0x00}));
  EXPECT_EQ(keySlot(keyOf(125)), (std::vector<uint8_t>{0x20, 0x80, 0x00}));
  EXPECT_EQ(fw_->writesOutsideBracket(), 0);
  EXPECT_EQ(kb_->macroOrderList(), (std::vector<int>{3, 1}));

  // After deleting the last macro every macro-bound key gets its default back.
  EXPECT_TRUE(kb_->CheckMacroReferences(0));
  const auto keys = reread()->getKeyList();
  EXPECT_EQ(keys[5].assignment, kPositionDefaults[5]);
  EXPECT_EQ(keys[7].assignment, kPositionDefaults[7]);
  EXPECT_EQ(keys[0].assignment, (FunctionCode{0x20, 0x00, 0x04}));
  EXPECT_FALSE(kb_->CheckMacroReferences(0));
}

TEST_F(KeyboardRig, BoundMacrosAreDownloadedBeforeTheTableAndATooLargeSetWritesNothing) {
  plugAndRead();
  kb_->setMacroFolder(dir_);
  macros::MacroLibrary library(dir_, clock_);
  const auto made = library.create();
  ASSERT_TRUE(made.ok());
  const std::vector<macros::MacroEvent> press = {{true, 0x04, 10, 30}, {false, 0x04, 10, 30}};
  ASSERT_TRUE(library.saveEvents(made.index, press).ok());
  ASSERT_TRUE(kb_->StoreAssignment(30, {function_type::kMacro, static_cast<uint8_t>(made.index), 0}));
  ResultCode result = ResultCode::NotSent;
  kb_->WriteKeyTable([&](ResultCode r, std::vector<int>) { result = r; });
  ASSERT_EQ(result, ResultCode::Success);
  const auto codes = fw_->commandCodes();
  const auto macroAt = std::find(codes.begin(), codes.end(), uint8_t{0x15});
  const auto tableAt = std::find(codes.begin(), codes.end(), kWriteKeys);
  ASSERT_NE(macroAt, codes.end());
  EXPECT_LT(macroAt, tableAt);
  EXPECT_EQ(fw_->macroMemory()[0], 0xAA);
  EXPECT_EQ(keySlot(keyOf(30)), (std::vector<uint8_t>{function_type::kMacro, 0, 0}));

  // A macro memory of one 128-byte unit cannot hold a long macro.
  fw_->setIdentityByte(6, 1);
  std::vector<macros::MacroEvent> many;
  for (int i = 0; i < 200; ++i) many.push_back({i % 2 == 0, 0x05, 10, 30});
  ASSERT_TRUE(library.saveEvents(made.index, many).ok());
  fw_->clearLog();
  kb_->WriteKeyTable([&](ResultCode r, std::vector<int>) { result = r; });
  EXPECT_EQ(result, ResultCode::NotSent);
  ASSERT_EQ(tooLarge_.size(), 1u);
  EXPECT_GT(tooLarge_[0], 0);
  EXPECT_EQ(fw_->countOf(kWriteKeys), 0u);
  EXPECT_EQ(fw_->countOf(0x15), 0u);
}

TEST_F(KeyboardRig, TheResetPageWritesTheFactoryDocument) {
  plugAndRead();
  ASSERT_TRUE(kb_->StoreAssignment(0, {0x20, 0x00, 0x04}));
  ASSERT_TRUE(kb_->setRepeatDelay(3));
  kb_->WriteKeyTable();
  EXPECT_EQ(keySlot(0), (std::vector<uint8_t>{0x20, 0x00, 0x04}));
  kb_->reloadDocument();
  EXPECT_EQ(keySlot(0), (std::vector<uint8_t>{0x20, 0x00, 0x29}));
  EXPECT_EQ(reread()->getSystemStages().repeatDelay, 1);
  EXPECT_EQ(blockOf(0)[22], 3);
}

TEST_F(KeyboardRig, PowerStateComesOnlyWhenSomebodyLooksAndTheKeyboardAnswers) {
  plugAndRead(true);
  kb_->setBatteryFlag(true);  // the wireless keyboard has a battery
  fw_->setStatusBlock({80, 1, 0, 7, 0, 0});
  auto block = kb_->readStatusBlock();
  ASSERT_TRUE(block.has_value());
  EXPECT_EQ((*block)[0], 80);
  EXPECT_EQ((*block)[3], 1);  // through the receiver, whatever the keyboard said
  EXPECT_TRUE(kb_->linkState());

  kb_->setWindowHidden(true);
  fw_->clearLog();
  EXPECT_FALSE(kb_->readStatusBlock().has_value());
  EXPECT_EQ(fw_->countOf(kStatus), 0u);
  kb_->setWindowHidden(false);

  fw_->setDeviceAwake(false);
  EXPECT_FALSE(kb_->readStatusBlock().has_value());
  EXPECT_FALSE(kb_->linkState());
  EXPECT_EQ(fw_->countOf(kStatus), 0u);
}

TEST_F(KeyboardRig, PowerStateOnTheCableMarksByteThreeZero) {
  plugAndRead(false);
  fw_->setStatusBlock({100, 2, 0, 9, 0, 0});
  const auto block = kb_->readStatusBlock();
  ASSERT_TRUE(block.has_value());
  EXPECT_EQ((*block)[3], 0);
  kb_->transport().disconnect();
  EXPECT_FALSE(kb_->readStatusBlock().has_value());
  EXPECT_FALSE(kb_->linkState());
}

TEST_F(KeyboardRig, AnEditOnASharedBlankKeyIsNotUndoneByAnotherPositionsDefault) {
  plug();
  // This keyboard's key 5 carries the blank triple the layout gives positions 18, 19, 20 and 104.
  std::vector<uint8_t> defaults = fw_->defaultKeyTable();
  defaults[5 * 3 + 2] = 0x00;
  fw_->setDefaultKeyTable(defaults);
  kb_->requestConnected();
  const KeyMaps maps = kb_->keyMaps();
  EXPECT_EQ(maps.keyMap[18], 5);
  EXPECT_EQ(maps.keyMap[104], 5);
  EXPECT_EQ(maps.keyMap[5], kNone);  // F5's triple is on no key now
  ASSERT_TRUE(kb_->StoreAssignment(19, {0x20, 0x00, 0x3E}));
  kb_->WriteKeyTable();
  EXPECT_EQ(keySlot(5), (std::vector<uint8_t>{0x20, 0x00, 0x3E}));
}

TEST_F(KeyboardRig, WithTheQueueOnItsOwnThreadResultsComeBackThroughTheUiPost) {
  plug();
  std::mutex mutex;
  std::deque<std::function<void()>> ui;
  ASSERT_TRUE(kb_->commandQueue().runOnThread([&](std::function<void()> call) {
    std::lock_guard lock(mutex);
    ui.push_back(std::move(call));
  }));
  auto drain = [&] {
    ASSERT_TRUE(kb_->commandQueue().waitIdle(5000ms));
    std::deque<std::function<void()>> calls;
    {
      std::lock_guard lock(mutex);
      calls.swap(ui);
    }
    for (auto& c : calls) c();
  };
  kb_->requestConnected();
  drain();
  ASSERT_TRUE(kb_->tablesValid());
  // The keyboard changed its own mode (its Fn keys): read on the queue's
  // thread, adopted only when the UI side runs the completion.
  fw_->setSettings(1, {kCustomMode});
  kb_->requestDeviceChanged();
  ASSERT_TRUE(kb_->commandQueue().waitIdle(5000ms));
  EXPECT_NE(doc_.getLightInfo().selectItem, kCustomMode);
  drain();
  EXPECT_EQ(doc_.getLightInfo().selectItem, kCustomMode);
  ASSERT_TRUE(kb_->PaintKey(0));
  kb_->inputUsage(0x1021);
  drain();
  EXPECT_EQ(kb_->currentProfile(), 1);
  EXPECT_EQ(ledColour(121), (std::vector<uint8_t>{doc_.getLightInfo().red, doc_.getLightInfo().green,
                                                   doc_.getLightInfo().blue}));
  kb_->commandQueue().stop();
}

TEST_F(KeyboardRig, ADocumentWithoutDefaultsStillGivesDroppedBindingsTheLayoutDefault) {
  plugAndRead();
  // A profile whose key list has assignments only (macro 3 on position 40).
  std::string keys;
  for (size_t j = 0; j <= 40; ++j) {
    const FunctionCode c = j == 40 ? FunctionCode{function_type::kMacro, 3, 0} : kPositionDefaults[j];
    keys += (j ? "," : "") + std::string("{\"Assignment\":") + std::to_string(encodeFunctionCode(c)) + "}";
  }
  {
    std::ofstream out(dir_ / "bare.Json");
    out << "{\"Device\":[{\"KeyList\":[" << keys << "]}]}";
  }
  doc_.setDocumentPath(dir_ / "bare.Json");
  kb_->loadConfiguration();
  ASSERT_EQ(doc_.getKeyList()[40].defaultAssignment, FunctionCode{});
  EXPECT_TRUE(kb_->CheckMacroReferences(2));
  EXPECT_EQ(doc_.getKeyList()[40].assignment, kPositionDefaults[40]);
  kb_->WriteKeyTable();
  EXPECT_EQ(keySlot(keyOf(40)), (std::vector<uint8_t>{0x20, 0x00, 0x55}));
}
