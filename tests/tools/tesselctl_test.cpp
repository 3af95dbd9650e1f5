// tesselctl run as a function on emulated products.
#include <gtest/gtest.h>
#include <json/json.h>

#include <fstream>
#include <set>
#include <sstream>

#include "core/clock.h"
#include "discovery/device_tables.h"
#include "devices/device_kind.h"
#include "devices/headset/headset_setting_keys.h"
#include "devices/keyboard/keyboard_setting_keys.h"
#include "devices/mouse/mouse_setting_keys.h"
#include "devices/mousepad/mousepad_setting_keys.h"
#include "platform/debug.h"
#include "sim/firmware_keyboard.h"
#include "sim/firmware_mouse.h"
#include "sim/firmware_products.h"
#include "sim/products.h"
#include "sim/virtual_bus.h"
#include "tools/tesselctl.h"

namespace tessel::tools {
namespace {

struct Run {
  int code = -1;
  std::string out, err;
};

Run run(std::vector<std::string> args, const TesselctlContext& ctx = {}) {
  std::ostringstream out, err;
  Run r;
  r.code = runTesselctl(args, out, err, ctx);
  r.out = out.str();
  r.err = err.str();
  return r;
}

size_t countLines(const std::string& s) { return static_cast<size_t>(std::count(s.begin(), s.end(), '\n')); }

Json::Value parse(const std::string& text) {
  Json::Value v;
  Json::CharReaderBuilder b;
  std::string errs;
  std::istringstream in(text);
  EXPECT_TRUE(Json::parseFromStream(b, in, &v, &errs)) << errs << "\n" << text;
  return v;
}

// A bus whose firmwares the test keeps, for faults and for checking what they received.
struct OwnBus {
  sim::VirtualHidBus bus;
  ManualClock clock;
  std::shared_ptr<sim::MouseFirmware> mouse = std::make_shared<sim::MouseFirmware>(false);
  std::shared_ptr<sim::MouseFirmware> mouseRx = std::make_shared<sim::MouseFirmware>(true);
  std::shared_ptr<sim::KeyboardFirmware> keyboard = std::make_shared<sim::KeyboardFirmware>(false);
  OwnBus() {
    bus.plug("mouse", mouse);
    bus.plug("mouse-receiver", mouseRx);
    bus.plug("keyboard", keyboard);
  }
  TesselctlContext ctx() { return {&bus, &clock}; }
};

TEST(Tesselctl, ListShowsAllElevenDemoInterfaces) {
  auto r = run({"--demo", "list"});
  EXPECT_EQ(r.code, kExitOk) << r.err;
  EXPECT_EQ(countLines(r.out), 12u);  // header + 11 interfaces
  EXPECT_NE(r.out.find("headset   cable       0c76:1630  3          0           command  sim/hidraw"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("mouse     receiver    320f:7c20  1          3           input"), std::string::npos) << r.out;

  r = run({"--demo=mouse,keyboard-receiver", "--json", "list"});
  EXPECT_EQ(r.code, kExitOk);
  const auto v = parse(r.out);
  ASSERT_EQ(v.size(), 4u);
  EXPECT_EQ(v[0]["kind"].asString(), "keyboard");
  EXPECT_EQ(v[0]["connection"].asString(), "receiver");
  EXPECT_EQ(v[0]["vidPid"].asString(), "320f:5088");
  EXPECT_EQ(v[2]["role"].asString(), "command");
  EXPECT_EQ(v[2]["collection"].asInt(), 4);
}

TEST(Tesselctl, IdentityTracesTheExchangesWhenAsked) {
  std::vector<std::string> lines;
  setDebugCapture([&](std::string_view l) { lines.emplace_back(l); });
  auto r = run({"--demo", "identity", "mouse"});
  setDebugCapture({});
  EXPECT_EQ(r.code, kExitOk) << r.err;
  EXPECT_NE(r.out.find("key slots: 11\n"), std::string::npos);
  EXPECT_NE(r.out.find("DPI range: 200..10000\n"), std::string::npos);
  // begin, identity, end: three exchanges of six lines.
  ASSERT_EQ(lines.size(), 18u);
  EXPECT_EQ(lines[6], "命令");
  EXPECT_EQ(lines[7],
            "04 25 00 03   22 00 00 00   00 00 00 00   00 00 00 00  00 00 00 00  00 00 00 00  "
            "00 00 00 00  00 00 00 00");
  EXPECT_EQ(lines[9], "返回");
}

TEST(Tesselctl, EveryDeviceCommandWorksOnTheDemo) {
  const std::vector<std::vector<std::string>> ok = {
      {"identity", "keyboard"}, {"settings", "mouse"}, {"settings", "keyboard", "--profile", "2"},
      {"keys", "keyboard"},     {"leds", "keyboard"},  {"status", "mouse"},
      {"status", "mousepad"},   {"link", "mouse"},     {"--receiver", "keys", "mouse"},
      {"--receiver", "link", "keyboard"}, {"settings", "mousepad"}, {"identity", "mousepad"}};
  for (auto args : ok) {
    args.insert(args.begin(), "--demo");
    const auto r = run(args);
    EXPECT_EQ(r.code, kExitOk) << args[1] << " " << args[2] << ": " << r.err;
    EXPECT_TRUE(r.err.empty()) << r.err;
    auto json = args;
    json.insert(json.begin(), "--json");
    const auto j = run(json);
    ASSERT_EQ(j.code, kExitOk);
    EXPECT_TRUE(parse(j.out).isObject());
  }
}

TEST(Tesselctl, OutputReflectsTheDeviceMemories) {
  OwnBus b;
  b.keyboard->setSettings(0, {1});                   // active profile 1
  b.keyboard->setSettings(31 + 21, {1});             // Windows lock on in profile 1
  b.mouse->setStatusBlock({37, 1, 0, 0, 0, 0});
  auto r = run({"--json", "settings", "keyboard"}, b.ctx());
  ASSERT_EQ(r.code, kExitOk) << r.err;
  auto v = parse(r.out);
  EXPECT_EQ(v["activeProfile"].asInt(), 1);
  EXPECT_EQ(v["profile"].asInt(), 1);
  EXPECT_EQ(v["windowsLock"].asInt(), 1);
  EXPECT_FALSE(b.keyboard->bracketOpen());
  EXPECT_EQ(b.keyboard->writesOutsideBracket(), 0);

  r = run({"status", "mouse"}, b.ctx());
  ASSERT_EQ(r.code, kExitOk) << r.err;
  EXPECT_NE(r.out.find("battery: 37%\ncharge state: 1 (charging)\n"), std::string::npos) << r.out;

  r = run({"--json", "keys", "keyboard"}, b.ctx());
  ASSERT_EQ(r.code, kExitOk) << r.err;
  v = parse(r.out);
  ASSERT_EQ(v["keys"].size(), 122u);
  EXPECT_EQ(v["keys"][0][2].asInt(), 0x29);  // Esc is key 0
}

TEST(Tesselctl, FailuresNameTheResultCodeAndExitDistinctly) {
  OwnBus b;
  b.mouse->injectFault({sim::FaultKind::StatusFF, sim::cmd::kReadIdentity, 0, 1});
  auto r = run({"identity", "mouse"}, b.ctx());
  EXPECT_EQ(r.code, kExitCommandFailed);
  EXPECT_EQ(r.err, "tesselctl: identity mouse: device answered status 0xFF (-102)\n");
  EXPECT_FALSE(b.mouse->bracketOpen());  // the end still went out

  b.mouseRx->setDeviceAwake(false);
  r = run({"--receiver", "settings", "mouse"}, b.ctx());
  EXPECT_EQ(r.code, kExitUnreachable);
  EXPECT_NE(r.err.find("asleep"), std::string::npos);
  EXPECT_EQ(b.mouseRx->commandCodes(), (std::vector<uint8_t>{0xAA}));
  r = run({"--receiver", "link", "mouse"}, b.ctx());
  EXPECT_EQ(r.code, kExitUnreachable);
  EXPECT_NE(r.out.find("link: asleep or out of range"), std::string::npos);

  b.keyboard->setIdentityByte(5, 171);
  r = run({"keys", "keyboard"}, b.ctx());
  EXPECT_EQ(r.code, kExitCommandFailed);
  EXPECT_NE(r.err.find("171 key slots"), std::string::npos) << r.err;

  // No such device.
  r = run({"status", "mousepad"}, b.ctx());
  EXPECT_EQ(r.code, kExitNoDevice);
  EXPECT_EQ(r.err, "tesselctl: status mousepad: no mousepad found\n");
  r = run({"--demo=headset", "identity", "keyboard"});
  EXPECT_EQ(r.code, kExitNoDevice);
}

TEST(Tesselctl, HeadsetSettingsThroughItsOnlyInterface) {
  const auto r = run({"--demo=headset", "--json", "settings", "headset"});
  if (r.code == kExitCommandFailed && r.err.find("(-1)") != std::string::npos) {
    GTEST_SKIP() << "the emulated headset's interface does not take 64-byte command reports (id 4) yet";
  }
  ASSERT_EQ(r.code, kExitOk) << r.err;
  const auto v = parse(r.out);
  EXPECT_EQ(v["light"]["mode"].asInt(), 2);
  EXPECT_EQ(v["light"]["colour"].asString(), "#4000ff");
}

TEST(Tesselctl, UsageErrors) {
  const std::vector<std::vector<std::string>> bad = {
      {},
      {"frobnicate"},
      {"identity"},
      {"identity", "toaster"},
      {"identity", "mouse", "extra"},
      {"--demo=mouse,toaster", "list"},
      {"--frob", "list"},
      {"--receiver", "status", "mousepad"},
      {"settings", "mouse", "--profile", "x"},
      {"settings", "mouse", "--profile", "300"},
      {"settings", "mouse", "--profile"},
      {"status", "mouse", "--profile", "1"},
      {"--demo", "keys", "headset"},
      {"--demo", "leds", "mouse"},
  };
  for (const auto& args : bad) {
    const auto r = run(args);
    EXPECT_EQ(r.code, kExitUsage) << (args.empty() ? "" : args[0]);
    EXPECT_FALSE(r.err.empty());
    EXPECT_TRUE(r.err.rfind("tesselctl: ", 0) == 0) << r.err;
  }
  const auto help = run({"--help"});
  EXPECT_EQ(help.code, kExitOk);
  for (const char* word : {"list", "identity KIND", "settings KIND [--profile P]", "keys KIND", "leds KIND",
                           "status KIND", "link KIND", "--demo[=LIST]", "--receiver", "--json",
                           "TESSEL_DEBUG=1", "Exit codes", "  3  no such device present"}) {
    EXPECT_NE(help.out.find(word), std::string::npos) << word;
  }
}

// Every key of the JSON output is a name of the text output (in camel case;
// a list names its lines in the singular), and yes/no answers are JSON booleans.
TEST(Tesselctl, JsonKeysAreTheTextOutputsNames) {
  OwnBus b;
  auto camel = [](const std::string& key) {
    std::string words;
    for (char c : key) {
      if (c >= 'A' && c <= 'Z') words += ' ';
      words += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return words;
  };
  auto textNames = [](std::string text) {
    std::string names;
    for (char& c : text) names += c == '-' ? ' ' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return names;
  };
  const std::vector<std::vector<std::string>> commands = {
      {"identity", "mouse"}, {"settings", "mouse"}, {"settings", "keyboard"}, {"status", "mouse"},
      {"--receiver", "link", "mouse"}};
  for (const auto& args : commands) {
    const auto text = run(args, b.ctx());
    ASSERT_EQ(text.code, kExitOk) << text.err;
    auto json = args;
    json.insert(json.begin(), "--json");
    const auto v = parse(run(json, b.ctx()).out);
    const std::string names = textNames(text.out);
    for (const std::string& key : v.getMemberNames()) {
      if (key == "kind" || key == "connection" || key == "path") continue;  // the header line
      std::string name = camel(key);
      if (v[key].isArray() && name.back() == 's') name.pop_back();  // "stages": one "stage N" line each
      EXPECT_NE(names.find(name), std::string::npos) << args[args.size() - 2] << ": " << key << "\n" << text.out;
    }
  }
  const auto settings = parse(run({"--json", "settings", "mouse"}, b.ctx()).out);
  EXPECT_TRUE(settings["stages"][0]["enabled"].isBool());
  const auto status = parse(run({"--json", "status", "mouse"}, b.ctx()).out);
  EXPECT_TRUE(status["charging"].isBool());
  const auto link = parse(run({"--json", "--receiver", "link", "mouse"}, b.ctx()).out);
  EXPECT_EQ(link["reachable"], Json::Value(true));
  EXPECT_EQ(link["link"].asString(), "awake");
  const auto identity = parse(run({"--json", "identity", "mouse"}, b.ctx()).out);
  EXPECT_EQ(identity["dpiRange"][1].asInt(), 10000);
}

TEST(Tesselctl, ListingNothingIsNoFailure) {
  sim::VirtualHidBus empty;
  auto r = run({"list"}, {&empty, nullptr});
  EXPECT_EQ(r.code, kExitOk);
  EXPECT_EQ(r.out, "no supported device found\n");
  EXPECT_TRUE(r.err.empty());
  r = run({"--json", "list"}, {&empty, nullptr});
  EXPECT_EQ(r.code, kExitOk);
  EXPECT_TRUE(parse(r.out).isArray());
  EXPECT_EQ(parse(r.out).size(), 0u);
}

TEST(Tesselctl, WithJsonAnErrorIsAJsonObjectOnStdout) {
  OwnBus b;
  b.mouse->injectFault({sim::FaultKind::StatusFF, sim::cmd::kReadIdentity, 0, 1});
  auto r = run({"--json", "identity", "mouse"}, b.ctx());
  EXPECT_EQ(r.code, kExitCommandFailed);
  EXPECT_EQ(r.err, "tesselctl: identity mouse: device answered status 0xFF (-102)\n");
  auto v = parse(r.out);
  EXPECT_EQ(v["error"].asString(), "device answered status 0xFF (-102)");
  EXPECT_EQ(v["exitCode"].asInt(), kExitCommandFailed);
  EXPECT_EQ(v["command"].asString(), "identity");
  EXPECT_EQ(v["kind"].asString(), "mouse");
  // Usage errors, before and after the command is known.
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--json", "--frob", "list"}, {"--json", "frobnicate"}, {"--json"},
        {"--json", "identity", "toaster"}, {"--json", "status", "mousepad"}}) {
    r = run(args, b.ctx());
    EXPECT_NE(r.code, kExitOk);
    v = parse(r.out);
    EXPECT_FALSE(v["error"].asString().empty()) << args.back();
    EXPECT_EQ(v["exitCode"].asInt(), r.code) << args.back();
  }
}

TEST(Tesselctl, EachCommandHasItsOwnHelp) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"help", "settings"}, {"settings", "--help"}, {"--help", "settings"}}) {
    const auto r = run(args);
    EXPECT_EQ(r.code, kExitOk) << args[0];
    EXPECT_NE(r.out.find("settings KIND [--profile P]\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("KIND is mouse"), std::string::npos);
    EXPECT_EQ(r.out.find("Exit codes"), std::string::npos) << "the whole usage instead of the command's";
  }
  auto r = run({"list", "--help"});
  EXPECT_EQ(r.code, kExitOk);
  EXPECT_NE(r.out.find("supported interfaces present"), std::string::npos);
  EXPECT_EQ(r.out.find("KIND is"), std::string::npos);
  EXPECT_EQ(run({"help"}).out, tesselctlUsage());
  r = run({"help", "frobnicate"});
  EXPECT_EQ(r.code, kExitUsage);
  EXPECT_NE(r.err.find("unknown command \"frobnicate\""), std::string::npos);
  EXPECT_EQ(run({"frobnicate", "--help"}).code, kExitUsage);
}

TEST(Tesselctl, CompletionOffersCommandsActionsKindsAndTheKeysOfEachKind) {
  auto words = [](std::vector<std::string> typed) {
    typed.insert(typed.begin(), "complete");
    std::vector<std::string> list;
    std::istringstream in(run(typed).out);
    for (std::string w; std::getline(in, w);) list.push_back(w);
    return list;
  };
  auto has = [](const std::vector<std::string>& list, const std::string& w) {
    return std::find(list.begin(), list.end(), w) != list.end();
  };
  EXPECT_TRUE(has(words({}), "profile"));
  EXPECT_TRUE(has(words({"--demo=mouse", "--json"}), "set")) << "options are passed over";
  // Every action offered is one its command's help names.
  for (const char* command : {"profile", "macro", "recoil", "audio-style", "demo"}) {
    std::string help;
    ASSERT_TRUE(tesselctlCommandHelp(command, help));
    const auto actions = words({command});
    EXPECT_FALSE(actions.empty()) << command;
    for (const auto& a : actions) EXPECT_NE(help.find(a), std::string::npos) << command << " " << a;
  }
  EXPECT_TRUE(has(words({"macro", "add"}), "keyboard"));
  EXPECT_FALSE(has(words({"macro", "add"}), "headset"));
  EXPECT_TRUE(has(words({"--demo", "get"}), "mousepad"));
  // The keys come from the kind's table; a key already given is not offered again.
  const auto keys = words({"set", "mouse", "stage.1.dpi=800"});
  EXPECT_TRUE(has(keys, "stage.0.dpi="));
  EXPECT_TRUE(has(keys, "button.10="));
  EXPECT_FALSE(has(keys, "stage.1.dpi="));
  EXPECT_TRUE(has(words({"set", "headset"}), "eq="));
  EXPECT_TRUE(words({"profile", "import", "mouse"}).empty()) << "a file name: the shell completes it";
}

// The key help and the README's tables are made from the rows: a row without
// help would be a key nobody is told about.
TEST(Tesselctl, EveryKeyIsDescribedAndListedByItsKindsHelp) {
  auto check = [](const auto& table, const char* kind) {
    const auto r = run({"help", "keys", kind});
    ASSERT_EQ(r.code, kExitOk) << r.err;
    for (const auto& row : table) {
      EXPECT_FALSE(row.doc.help.empty()) << kind << " " << row.key;
      const std::string& name = row.doc.pattern.empty() ? row.key : row.doc.pattern;
      EXPECT_NE(r.out.find(" " + name), std::string::npos) << kind << " " << name;
    }
  };
  check(mouseSettingKeys(), "mouse");
  check(keyboardSettingKeys(), "keyboard");
  check(mousepadSettingKeys(), "mousepad");
  check(headsetSettingKeys(), "headset");
  EXPECT_NE(run({"--markdown", "help", "keys", "values"}).out.find("| `recoil:G` |"), std::string::npos);
  EXPECT_EQ(run({"help", "keys", "trackball"}).code, kExitUsage);
}

// A kind's description is where the command line, the pages and the bus meet:
// its products must be the ones the interface table matches and the emulated
// bus plugs, and every row must name a caption both languages have.
TEST(DeviceKinds, EachDescriptionAgreesWithTheTablesTheBusAndBothLanguages) {
  auto languageKeys = [](const char* file) {
    std::ifstream in(std::string(TESSEL_SOURCE_DIR) + "/skin/lan/" + file);
    std::set<std::string> keys;
    const std::string mark = "<Text id=\"";
    for (std::string line; std::getline(in, line);)
      if (const size_t at = line.find(mark); at != std::string::npos) {
        const size_t from = at + mark.size();
        keys.insert(line.substr(from, line.find('"', from) - from));
      }
    return keys;
  };
  const auto english = languageKeys("lan_en.xml");
  const auto chinese = languageKeys("lan_cn.xml");
  ASSERT_GT(english.size(), 100u);
  size_t products = 0;
  for (DeviceKind kind : {DeviceKind::Mouse, DeviceKind::Keyboard, DeviceKind::MousePad, DeviceKind::Headset}) {
    const KindDescription& d = describeKind(kind);
    EXPECT_EQ(d.kind, kind);
    EXPECT_EQ(findDeviceKind(d.name), &d);
    for (const KindProduct& p : d.products) {
      ++products;
      const sim::ProductInfo* info = sim::findProductInfo(p.emulated);
      ASSERT_NE(info, nullptr) << p.emulated;
      EXPECT_EQ(info->vendorId, p.vendorId) << p.emulated;
      EXPECT_EQ(info->productId, p.productId) << p.emulated;
      EXPECT_GE(findTableRow(p.vendorId, p.productId, p.typeCode, kRoleCommand), 0) << p.emulated;
      EXPECT_EQ(kindOfProduct(p.vendorId, p.productId), &d);
    }
    for (const settings::KeyLabel& row : d.labels()) {
      EXPECT_TRUE(english.count(row.label)) << d.name << " " << row.key << " label \"" << row.label << "\"";
      EXPECT_TRUE(chinese.count(row.label)) << d.name << " " << row.key << " label \"" << row.label << "\"";
    }
  }
  EXPECT_EQ(products, sim::productInfos().size()) << "every emulated product belongs to a kind";
  EXPECT_TRUE(describeKind(DeviceKind::Mouse).wireless());
  EXPECT_FALSE(describeKind(DeviceKind::Headset).wireless());
}

TEST(Tesselctl, AnEmptyDemoListIsNamedAsSuch) {
  for (const char* demo : {"--demo=", "--demo= , "}) {
    const auto r = run({demo, "list"});
    EXPECT_EQ(r.code, kExitUsage);
    EXPECT_NE(r.err.find("--demo= names no product"), std::string::npos) << r.err;
  }
}

}  // namespace
}  // namespace tessel::tools
