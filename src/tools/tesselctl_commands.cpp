// The subcommands of tesselctl.
#include <array>
#include <cstdio>
#include <optional>
#include <ostream>
#include <string>

#include "device/transport/command_set.h"
#include "devices/keyboard/keyboard_encoding.h"
#include "devices/mouse/mouse_encoding.h"
#include "discovery/device_tables.h"
#include "platform/plain_text.h"
#include "sim/products.h"
#include "tools/demo_input_names.h"
#include "tools/tesselctl_internal.h"

namespace tessel::tools {

using transport::CommandTransport;

// ---------------------------------------------------------------- helpers

std::string hexBytes(const uint8_t* bytes, size_t count) {
  std::string s;
  s.reserve(count * 3);
  char buf[4];
  for (size_t i = 0; i < count; ++i) {
    std::snprintf(buf, sizeof buf, "%02x", bytes[i]);
    if (i) s.push_back(' ');
    s += buf;
  }
  return s;
}

std::string colourText(uint8_t r, uint8_t g, uint8_t b) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "#%02x%02x%02x", r, g, b);
  return buf;
}

std::string_view connectionName(DeviceType type) { return isReceiver(type) ? "receiver" : "cable"; }

int Invocation::fail(int code, std::string_view why) {
  // Messages echo names, paths and file contents: never raw on a terminal.
  const std::string text = printableText(why);
  err << "tesselctl: " << printableText(commandName);
  if (!kindText.empty()) err << ' ' << printableText(kindText);
  err << ": " << text << "\n";
  if (options.json) printJsonError(out, code, text, commandName, kindText);
  return code;
}

void printJsonError(std::ostream& out, int code, std::string_view text, std::string_view command,
                    std::string_view kind) {
  Json::Value v(Json::objectValue);
  v["error"] = std::string(text);
  v["exitCode"] = code;
  if (!command.empty()) v["command"] = std::string(command);
  if (!kind.empty()) v["kind"] = std::string(kind);
  Json::StreamWriterBuilder builder;
  builder["indentation"] = "  ";
  out << Json::writeString(builder, v) << "\n";
}

std::string resultWithHolder(ResultCode r, const transport::CommandTransport& transport) {
  const std::string holder = r == ResultCode::Busy ? transport.deviceLock().holder() : std::string();
  return holder.empty() ? std::string(resultText(r)) : "device busy: " + holder;
}

int Invocation::failResult(ResultCode r, std::string_view what) {
  std::string text(what);
  if (!text.empty()) text += ": ";
  text += (transport ? resultWithHolder(r, *transport) : std::string(resultText(r))) + " (" +
          std::to_string(toInt(r)) + ")";
  return fail(r == ResultCode::Unreachable ? kExitUnreachable : kExitCommandFailed, text);
}

bool Invocation::onReceiver() const { return transport && transport->onReceiver(); }

void Invocation::printHeader() {
  out << deviceTypeText(device.type) << " (" << device.path << ")\n";
}

void printJsonValue(Invocation& inv, const Json::Value& value) {
  Json::StreamWriterBuilder builder;
  builder["indentation"] = "  ";
  inv.out << Json::writeString(builder, value) << "\n";
}

void notifyProgram(Invocation& inv) {
  if (inv.context && inv.context->notifySettingsChanged) inv.context->notifySettingsChanged(inv.kindText);
}

void Invocation::printJson(Json::Value value) {
  if (kind) {
    value["kind"] = std::string(cliKindName(*kind));
    value["connection"] = std::string(connectionName(device.type));
    value["path"] = device.path;
  }
  printJsonValue(*this, value);
}

namespace {

Json::Value byteArray(const uint8_t* bytes, size_t n) {
  Json::Value a(Json::arrayValue);
  for (size_t i = 0; i < n; ++i) a.append(bytes[i]);
  return a;
}

Json::Value pair(int low, int high) {
  Json::Value a(Json::arrayValue);
  a.append(low);
  a.append(high);
  return a;
}

// A mouse or keyboard behind its receiver is addressed only while awake.
bool checkLink(Invocation& inv) {
  if (!inv.onReceiver()) return true;
  if (inv.transport->linkQuery()) return true;
  inv.fail(kExitUnreachable, "the receiver cannot reach the wireless " + inv.kindText +
                                 " (asleep or out of range)");
  return false;
}

// 0x01 on entry and, once it was sent, 0x02 on every way out.
class Bracket {
 public:
  explicit Bracket(CommandTransport& t) : t_(t), result_(t.begin()) {}
  ~Bracket() {
    if (result_ != ResultCode::NotSent) t_.end(1);
  }
  ResultCode result() const { return result_; }

 private:
  CommandTransport& t_;
  ResultCode result_;
};

// "0x1123", "4387": a 16-bit usage.
std::optional<uint16_t> parseUsage(const std::string& text) {
  if (text.empty()) return std::nullopt;
  size_t used = 0;
  unsigned long value = 0;
  try {
    value = std::stoul(text, &used, 0);
  } catch (...) {
    return std::nullopt;
  }
  if (used != text.size() || value > 0xFFFF || text[0] == '-' || text[0] == '+') return std::nullopt;
  return static_cast<uint16_t>(value);
}

// ---------------------------------------------------------------- list

int runList(Invocation& inv) {
  bool enumerated = true;
  const auto found = findSupportedInterfaces(inv.backend, &enumerated);
  if (!enumerated) return inv.fail(kExitCommandFailed, "cannot list the HID devices");
  const auto& table = supportedInterfaceTable();
  if (inv.options.json) {
    Json::Value list(Json::arrayValue);
    for (const auto& f : found) {
      const InterfaceKey& k = table[static_cast<size_t>(f.row)];
      Json::Value v;
      v["kind"] = std::string(cliKindName(kindOf(f.type)));
      v["connection"] = std::string(connectionName(f.type));
      char id[16];
      std::snprintf(id, sizeof id, "%04x:%04x", k.vendorId, k.productId);
      v["vidPid"] = id;
      v["interface"] = k.interfaceNumber;
      v["collection"] = k.collectionNumber;
      v["role"] = f.role == kRoleCommand ? "command" : "input";
      v["path"] = f.path;
      list.append(v);
    }
    inv.printJson(list);
  } else {
    if (found.empty()) inv.out << "no supported device found\n";
    else inv.out << "KIND      CONNECTION  VID:PID    INTERFACE  COLLECTION  ROLE     PATH\n";
    for (const auto& f : found) {
      const InterfaceKey& k = table[static_cast<size_t>(f.row)];
      char line[128];
      std::snprintf(line, sizeof line, "%-9s %-11s %04x:%04x  %-10u %-11u %-8s ",
                    std::string(cliKindName(kindOf(f.type))).c_str(),
                    std::string(connectionName(f.type)).c_str(), k.vendorId, k.productId,
                    static_cast<unsigned>(k.interfaceNumber), static_cast<unsigned>(k.collectionNumber),
                    f.role == kRoleCommand ? "command" : "input");
      inv.out << line << f.path << "\n";
    }
  }
  return kExitOk;  // finding nothing is an answer, not a failure
}

// ---------------------------------------------------------------- identity

int runIdentity(Invocation& inv) {
  if (!checkLink(inv)) return kExitUnreachable;
  std::array<uint8_t, transport::kIdentitySize> id{};
  ResultCode r;
  {
    Bracket bracket(*inv.transport);
    if (bracket.result() != ResultCode::Success) return inv.failResult(bracket.result(), "begin");
    r = inv.transport->readIdentity(id);
  }
  if (r != ResultCode::Success) return inv.failResult(r);
  const auto f = transport::decodeIdentity(id);
  const bool isMouse = *inv.kind == DeviceKind::Mouse;
  if (inv.options.json) {
    Json::Value v;
    v["identity"] = byteArray(id.data(), id.size());
    v["keySlots"] = f.keySlots;
    v["macroMemory"] = f.macroCapacity;
    if (isMouse) {
      v["sensor"] = f.sensorId;
      v["dpiStep"] = f.dpiStep;
      v["stageIndexRange"] = pair(0, f.highestIndex);
      v["dpiRange"] = pair(f.lowestDpi, mouse::highestDpi(mouse::decodeMouseIdentity(id)));
    }
    inv.printJson(v);
    return kExitOk;
  }
  inv.printHeader();
  inv.out << "identity: " << hexBytes(id.data(), id.size()) << "\n"
          << "key slots: " << unsigned(f.keySlots) << "\n"
          << "macro memory: " << f.macroCapacity << " bytes\n";
  if (isMouse) {
    char sensor[8];
    std::snprintf(sensor, sizeof sensor, "0x%04x", f.sensorId);
    inv.out << "sensor: " << sensor << "\n"
            << "DPI step: " << unsigned(f.dpiStep) << "\n"
            << "stage index range: 0.." << f.highestIndex << "\n"
            << "DPI range: " << f.lowestDpi << ".." << mouse::highestDpi(mouse::decodeMouseIdentity(id)) << "\n";
  }
  return kExitOk;
}

// ---------------------------------------------------------------- settings

int runSettings(Invocation& inv) {
  if (!checkLink(inv)) return kExitUnreachable;
  const DeviceKind kind = *inv.kind;
  const bool isMouse = kind == DeviceKind::Mouse;
  // Where each kind keeps its per-profile blocks, and how much of one is read.
  const size_t stride = isMouse ? mouse::kProfileStride : keyboard::kSettingsBlockSize;
  const size_t length = isMouse ? mouse::kSettingsReadSize : keyboard::kSettingsBlockSize;

  std::array<uint8_t, 1> active{};
  std::array<uint8_t, transport::kIdentitySize> id{};
  std::vector<uint8_t> block(length);
  int profile = 0;
  {
    Bracket bracket(*inv.transport);
    if (bracket.result() != ResultCode::Success) return inv.failResult(bracket.result(), "begin");
    ResultCode r = inv.transport->readSettings(active, 0);
    if (r != ResultCode::Success) return inv.failResult(r, "reading the active profile");
    profile = inv.options.profile.value_or(active[0]);
    if (isMouse) {
      r = inv.transport->readIdentity(id);
      if (r != ResultCode::Success) return inv.failResult(r, "reading the identity");
    }
    r = inv.transport->readSettings(block, static_cast<uint16_t>(static_cast<size_t>(profile) * stride));
    if (r != ResultCode::Success) return inv.failResult(r, "reading profile " + std::to_string(profile));
  }

  // The light bytes 1..8 lie alike in both kinds' blocks; the rest is each
  // kind's own layout, which only its encoding knows.
  const mouse::BlockContents c = mouse::decodeSettingsBlock(block);
  const int speed = 4 - c.speedByte;
  Json::Value v;
  v["activeProfile"] = active[0];
  v["profile"] = profile;
  v["block"] = byteArray(block.data(), block.size());
  Json::Value light;
  light["mode"] = c.lightMode;
  light["brightness"] = c.brightness;
  light["speed"] = speed;
  light["direction"] = c.direction;
  light["multiColour"] = c.multiColour;
  light["colour"] = colourText(static_cast<uint8_t>(c.colour >> 16), static_cast<uint8_t>(c.colour >> 8),
                               static_cast<uint8_t>(c.colour));
  v["light"] = light;
  if (isMouse) {
    const auto f = mouse::decodeMouseIdentity(id);
    v["pollingRateIndex"] = c.polling;
    v["activeStage"] = c.activeStage;
    Json::Value stages(Json::arrayValue);
    for (const DpiStage& s : c.stages) {
      Json::Value st;
      st["enabled"] = s.enabled != 0;
      st["index"] = s.x;
      st["dpi"] = mouse::IndexToDpi(f, s.x);
      st["colour"] = colourText(s.red, s.green, s.blue);
      stages.append(st);
    }
    v["stages"] = stages;
    v["screen"] = std::to_string(c.screenWidth) + "x" + std::to_string(c.screenHeight);
  } else if (kind == DeviceKind::Keyboard) {
    v["ledMode"] = block[keyboard::kZzccByte];
    v["wKeyOption"] = block[keyboard::kWFlagByte];
    v["sixKeyRollover"] = block[keyboard::kKey6FlagByte];
    v["windowsLock"] = block[keyboard::kWinFlagByte];
    v["pollingRateChoice"] = block[keyboard::kPollingByte];
  }
  if (inv.options.json) {
    inv.printJson(v);
    return kExitOk;
  }
  inv.printHeader();
  inv.out << "active profile: " << unsigned(active[0]) << "\n"
          << "profile: " << profile << "\n"
          << "block: " << hexBytes(block.data(), block.size()) << "\n"
          << "light: mode " << unsigned(c.lightMode) << ", brightness " << unsigned(c.brightness) << ", speed "
          << speed << ", direction " << unsigned(c.direction) << ", multi-colour " << unsigned(c.multiColour)
          << ", colour " << light["colour"].asString() << "\n";
  if (isMouse) {
    inv.out << "polling-rate index: " << unsigned(c.polling) << "\n"
            << "active stage: " << unsigned(c.activeStage) << "\n";
    for (Json::ArrayIndex i = 0; i < v["stages"].size(); ++i) {
      const Json::Value& st = v["stages"][i];
      inv.out << "stage " << i << ": " << (st["enabled"].asBool() ? "on " : "off") << " index "
              << st["index"].asInt() << " (" << st["dpi"].asInt() << " DPI), colour "
              << st["colour"].asString() << "\n";
    }
    inv.out << "screen: " << v["screen"].asString() << "\n";
  } else if (kind == DeviceKind::Keyboard) {
    inv.out << "LED mode: " << v["ledMode"].asUInt() << "\n"
            << "six-key rollover: " << v["sixKeyRollover"].asUInt() << "\n"
            << "W key option: " << v["wKeyOption"].asUInt() << "\n"
            << "Windows lock: " << v["windowsLock"].asUInt() << "\n"
            << "polling rate choice: " << v["pollingRateChoice"].asUInt() << "\n";
  }
  return kExitOk;
}

// ---------------------------------------------------------------- keys and leds

int readTables(Invocation& inv, transport::DeviceTables& tables) {
  if (!checkLink(inv)) return kExitUnreachable;
  const auto r = transport::readFullSettings(*inv.transport, *inv.kind, tables);
  if (r.memorySizeRefused) {
    return inv.fail(kExitCommandFailed, "the device reports " + std::to_string(tables.identity[5]) +
                                            " key slots; more than 170 cannot be read");
  }
  if (r.result != ResultCode::Success) {
    char what[32];
    std::snprintf(what, sizeof what, "command 0x%02x", r.failedCommand);
    return inv.failResult(r.result, what);
  }
  return kExitOk;
}

int runKeys(Invocation& inv) {
  if (*inv.kind != DeviceKind::Mouse && *inv.kind != DeviceKind::Keyboard) {
    return inv.fail(kExitUsage, "a " + inv.kindText + " has no key table (mouse or keyboard)");
  }
  transport::DeviceTables tables;
  if (int code = readTables(inv, tables); code != kExitOk) return code;
  const size_t slots = tables.identity[5];
  if (inv.options.json) {
    Json::Value v;
    Json::Value keys(Json::arrayValue);
    for (size_t k = 0; k < slots; ++k) keys.append(byteArray(&tables.keyTable[k * 3], 3));
    v["keys"] = keys;
    inv.printJson(v);
    return kExitOk;
  }
  // The mouse answers with the functions its buttons have now; the keyboard
  // with the factory function of each key, which identifies the key.
  const bool mouse = *inv.kind == DeviceKind::Mouse;
  inv.printHeader();
  inv.out << slots << " key slots (type p1 p2), " << (mouse ? "as assigned now" : "factory functions") << ":\n";
  for (size_t k = 0; k < slots; ++k) {
    inv.out << (mouse ? "slot " : "key ") << k << ": " << hexBytes(&tables.keyTable[k * 3], 3) << "\n";
  }
  return kExitOk;
}

int runLeds(Invocation& inv) {
  if (*inv.kind != DeviceKind::Keyboard) {
    return inv.fail(kExitUsage, "only the keyboard has an LED table");
  }
  transport::DeviceTables tables;
  if (int code = readTables(inv, tables); code != kExitOk) return code;
  const size_t keys = tables.identity[5];
  std::vector<uint8_t> colours(keys * 3);
  const ResultCode r = inv.transport->readCustomColours(colours, 0, 512);
  if (r != ResultCode::Success) return inv.failResult(r, "reading the custom colours");
  auto colourOf = [&](size_t led) {
    return led < keys ? colourText(colours[led * 3], colours[led * 3 + 1], colours[led * 3 + 2]) : std::string("-");
  };
  if (inv.options.json) {
    Json::Value v;
    Json::Value list(Json::arrayValue);
    for (size_t k = 0; k < keys; ++k) {
      Json::Value e;
      e["key"] = static_cast<Json::UInt>(k);
      e["led"] = tables.ledTable[k];
      e["colour"] = colourOf(tables.ledTable[k]);
      list.append(e);
    }
    v["leds"] = list;
    inv.printJson(v);
    return kExitOk;
  }
  inv.printHeader();
  inv.out << keys << " keys (key: LED index, custom colour):\n";
  for (size_t k = 0; k < keys; ++k) {
    inv.out << "key " << k << ": LED " << unsigned(tables.ledTable[k]) << " " << colourOf(tables.ledTable[k]) << "\n";
  }
  return kExitOk;
}

// ---------------------------------------------------------------- status and link

std::string_view chargeText(uint8_t state) {
  switch (state) {
    case 0: return "not charging";
    case 1: return "charging";
    case 2: return "charge state 2";
    default: return "unknown";
  }
}

std::string_view phoneText(uint8_t phone) {
  switch (phone) {
    case 1: return "iPhone";
    case 2: return "Samsung";
    case 3: return "other phone";
    default: return "none";
  }
}

int runStatus(Invocation& inv) {
  if (!checkLink(inv)) return kExitUnreachable;
  std::array<uint8_t, transport::kStatusBlockSize> raw{};
  const ResultCode r = inv.transport->readStatus(raw, 0);
  if (r != ResultCode::Success) return inv.failResult(r);
  const auto s = transport::decodeStatusBlock(raw, inv.onReceiver());
  const bool pad = *inv.kind == DeviceKind::MousePad;
  if (inv.options.json) {
    Json::Value v;
    v["status"] = byteArray(s.raw.data(), s.raw.size());
    if (pad) {
      v["phone"] = std::string(phoneText(s.phone));
    } else {
      v["battery"] = s.batteryPercent;
      v["chargeState"] = s.chargeState;
      v["charging"] = s.chargeState == 1;
    }
    inv.printJson(v);
    return kExitOk;
  }
  inv.printHeader();
  inv.out << "status: " << hexBytes(s.raw.data(), s.raw.size()) << "\n";
  if (pad) {
    inv.out << "phone: " << phoneText(s.phone) << " (on the charging area)\n";
  } else {
    inv.out << "battery: " << unsigned(s.batteryPercent) << "%\n"
            << "charge state: " << unsigned(s.chargeState) << " (" << chargeText(s.chargeState) << ")\n"
            << "charging: " << (s.chargeState == 1 ? "yes" : "no") << "\n";
  }
  return kExitOk;
}

int runLink(Invocation& inv) {
  const bool receiver = inv.onReceiver();
  const bool awake = inv.transport->linkQuery();
  const std::string link = !receiver ? "cable" : awake ? "awake" : "asleep or out of range";
  if (inv.options.json) {
    Json::Value v;
    v["link"] = link;
    v["reachable"] = awake;
    inv.printJson(v);
  } else {
    inv.printHeader();
    inv.out << "link: " << link << (receiver ? "" : " (always reachable)") << "\n"
            << "reachable: " << (awake ? "yes" : "no") << "\n";
  }
  return awake ? kExitOk : kExitUnreachable;
}

// "help [COMMAND]": the whole usage, or one command's.
int runHelp(Invocation& inv) {
  const auto& ops = inv.options.operands;
  if (ops.size() >= 2 && ops[1] == "keys") {
    if (ops.size() != 3) return inv.fail(kExitUsage, "usage: help keys mouse|keyboard|mousepad|headset|values [--markdown]");
    std::string text;
    if (!keyTableHelp(ops[2], inv.options.markdown, text))
      return inv.fail(kExitUsage, "help keys: \"" + ops[2] + "\" is not mouse, keyboard, mousepad, headset or values");
    inv.out << text;
    return kExitOk;
  }
  if (ops.size() > 2) return inv.fail(kExitUsage, "usage: help [COMMAND]");
  if (ops.size() == 1) {
    inv.out << tesselctlUsage();
    return kExitOk;
  }
  std::string text;
  if (!tesselctlCommandHelp(ops[1], text)) {
    return inv.fail(kExitUsage, "unknown command \"" + ops[1] + "\"");
  }
  inv.out << text;
  return kExitOk;
}

// "demo key NAME down|up" and "demo button NAME down|up": a key or mouse
// button for the running program's scripted input source, which hands it on
// exactly where a real key or button enters while a recording or the key
// capture runs.
int runDemoScripted(Invocation& inv) {
  const auto& ops = inv.options.operands;
  const std::string& what = ops[1];
  const bool key = what == "key";
  const std::string usage = key ? "usage: demo key NAME down|up"
                                : "usage: demo button left|right|middle|back|forward down|up";
  if (ops.size() != 4) return inv.fail(kExitUsage, usage);
  const std::string& name = ops[2];
  if (!(key ? demoKeyCode(name) : demoButtonCode(name))) {
    std::string names;
    if (key) {
      names = "a..z, 0..9, f1..f12, ctrl, lctrl, rctrl, shift, lshift, rshift, alt, ralt, win, space, enter, esc, "
              "tab, backspace, up, down, left, right, ...";
    } else {
      for (const DemoInputName& row : kDemoButtonNames) names += (names.empty() ? "" : ", ") + std::string(row.name);
    }
    return inv.fail(kExitUsage, "unknown " + what + " \"" + name + "\" (" + names + ")");
  }
  const auto down = demoDirection(ops[3]);
  if (!down) return inv.fail(kExitUsage, "the last word must be down or up, not \"" + ops[3] + "\"");
  if (!inv.context || !inv.context->demoScripted)
    return inv.fail(kExitCommandFailed, "this tesselctl was built without D-Bus; it cannot reach tessel-rgb");
  return inv.context->demoScripted(what, name, *down, inv.out, inv.err);
}

// "demo VERB PRODUCT" and "demo input PRODUCT USAGE": the running program's
// emulated products.
int runDemo(Invocation& inv) {
  const auto& ops = inv.options.operands;
  constexpr std::string_view kUsage =
      "usage: demo plug|unplug|awake|asleep PRODUCT, demo input PRODUCT USAGE, demo key NAME down|up, "
      "or demo button NAME down|up";
  if (ops.size() >= 2 && (ops[1] == "key" || ops[1] == "button")) return runDemoScripted(inv);
  if (ops.size() < 3) return inv.fail(kExitUsage, kUsage);
  const std::string& verb = ops[1];
  const std::string& product = ops[2];
  const bool input = verb == "input";
  if (!input && verb != "plug" && verb != "unplug" && verb != "awake" && verb != "asleep")
    return inv.fail(kExitUsage,
                    "unknown action \"" + verb + "\" (plug, unplug, awake, asleep, input, key or button)");
  if (ops.size() != (input ? 4u : 3u)) return inv.fail(kExitUsage, kUsage);
  if (!sim::findProductInfo(product)) {
    std::string names;
    for (const auto& info : sim::productInfos()) names += (names.empty() ? "" : ", ") + std::string(info.name);
    return inv.fail(kExitUsage, "unknown product \"" + product + "\" (" + names + ")");
  }
  if (input) {
    const auto usage = parseUsage(ops[3]);
    if (!usage) return inv.fail(kExitUsage, "USAGE must be a number from 0 to 0xffff, not \"" + ops[3] + "\"");
    if (product == "headset") return inv.fail(kExitUsage, "the headset sends no consumer usages");
    if (!inv.context || !inv.context->demoInput)
      return inv.fail(kExitCommandFailed, "this tesselctl was built without D-Bus; it cannot reach tessel-rgb");
    return inv.context->demoInput(product, *usage, inv.out, inv.err);
  }
  if (!inv.context || !inv.context->demoControl)
    return inv.fail(kExitCommandFailed, "this tesselctl was built without D-Bus; it cannot reach tessel-rgb");
  return inv.context->demoControl(verb, product, inv.out, inv.err);
}

}  // namespace

// New subcommands are rows of this table.
const std::vector<Subcommand>& subcommands() {
  static const std::vector<Subcommand> table = {
      {"list", "list", "supported interfaces present: kind, connection, VID:PID, interface, collection, path",
       false, runList},
      {"identity", "identity KIND", "the identity block (key slots, macro memory; the mouse's sensor and DPI range)",
       true, runIdentity},
      {"settings", "settings KIND [--profile P]", "the settings block of the active (or given) on-board profile",
       true, runSettings},
      {"keys", "keys KIND", "the key table (mouse, keyboard)", true, runKeys},
      {"leds", "leds KIND", "the LED table and custom colours (keyboard)", true, runLeds},
      {"status", "status KIND", "battery level and charge state (mousepad: the phone on it)", true, runStatus},
      {"link", "link KIND", "whether the receiver reaches its wireless device", true, runLink},
      {"get", "get KIND [--device]",
       "the current profile's settings as key=value lines (reading a present device for its DPI scale);\n"
       "                                --device: what the device holds (read, never written),\n"
       "                                \"  # profile: VALUE\" after a key the current profile holds otherwise\n"
       "                                (--json: {\"device\", \"profile\"})",
       false, runGet},
      {"set", "set KIND KEY=VALUE...", "change settings in the current profile and on the device (keys: see get)",
       false, runSet},
      {"apply", "apply KIND", "write the whole current profile to the device, as after a profile switch", false,
       runApply},
      {"help", "help [COMMAND]", "this text, or the help of one command; \"help keys KIND|values [--markdown]\":\n"
                                 "                                one kind's setting keys (or the button values)", false, runHelp},
      {"demo", "demo plug|unplug|awake|asleep PRODUCT",
       "tell a running \"tessel-rgb --demo\" to plug, unplug, wake or put to sleep an emulated product;\n"
       "                                \"demo input PRODUCT USAGE\" makes it send a consumer usage (0x1123);\n"
       "                                \"demo key NAME down|up\" (a, f1, rctrl, space, ...) and \"demo button\n"
       "                                left|right|middle|back|forward down|up\" reach its recording and key capture",
       false, runDemo},
      {"profile", "profile ACTION KIND [ARGS]",
       "profiles on disk: list, add, rename I NAME, delete I, select I, copy I, export I FILE|-, import FILE, reset I",
       false, runProfile},
      {"macro", "macro ACTION KIND [ARGS]",
       "macros on disk (mouse, keyboard): list, show I, create [NAME], rename I NAME, delete I,\n"
       "                                import FILE, export I FILE|-, add I EVENT... (events as \"show\" prints them:\n"
       "                                \"down key A 30\", \"up mod LCtrl 0\", \"down mouse left 0\", \"down move-up 5 8\"),\n"
       "                                the editor's row edits (ROW counts from 0 in \"show\"'s lines): insert I ROW\n"
       "                                EVENT... (before ROW), move I FROM TO, remove I ROW [COUNT], clear I,\n"
       "                                delay I ROW MS (0..65535)",
       false, runMacro},
      {"recoil", "recoil ACTION [ARGS]",
       "the mouse's recoil patterns, guns G 0..3 of 30 shots (0..29): show G (lines SHOT X Y DELAY,\n"
       "                                X < 0 left, Y < 0 up), set G SHOT X Y DELAY, reset G, import G FILE,\n"
       "                                export G FILE|-, download (the four patterns to the mouse)",
       false, runRecoil},
      {"doc", "doc show KIND [INDEX]", "the current (or given) profile document as stored", false, runDoc},
      {"update-check", "update-check [--server URL]",
       "ask the update server for newer firmware and software: the settings window's update list", false,
       runUpdateCheckCommand},
      {"event", "event NAME WPARAM LPARAM",
       "post the registered message NAME to the running tessel-rgb (numbers decimal or 0x hex), e.g. the\n"
       "                                game events Game_Start, Game_End, Game_Kill, Game_Death: wParam 0 sets\n"
       "                                mode, brightness, speed and direction from LPARAM's four low bytes,\n"
       "                                1 and 2 the mode only; the lighting comes back after 5 s",
       false, runEvent},
      {"audio-style", "audio-style get|set|reset",
       "the four audio styles: get prints selected=0..3, name1..name4, colour1..colour4=RRGGBB;\n"
       "                                set KEY=VALUE... changes and saves them; reset puts the factory styles back",
       false, runAudioStyle},
      {"complete", "complete [WORD...]",
       "the words that may follow WORD... on a tesselctl command line, one per line (the bash and\n"
       "                                zsh completions call it)",
       false, runComplete},
      {"doctor", "doctor", "what keeps this user from the devices (device nodes, udev rule, session bus) and how to fix it",
       false, runDoctorCommand},
  };
  return table;
}

}  // namespace tessel::tools
