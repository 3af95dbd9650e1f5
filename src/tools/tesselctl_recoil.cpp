// "recoil ...": the mouse's four recoil patterns on disk, and their download
// to the mouse. Guns are numbered 0..3 (the page's "shoot_gun_op_0" ..
// "shoot_gun_op_3"), shots 0..29. A shot is printed and typed as signed
// distances: X below 0 moves left, Y below 0 moves up.
#include <charconv>
#include <optional>
#include <ostream>
#include <string>

#include "devices/mouse/mouse_controller.h"
#include "devices/mouse/mouse_recoil.h"
#include "macros/recoil_file.h"
#include "platform/data_folders.h"
#include "tools/tesselctl_internal.h"

namespace tessel::tools {

namespace {

using macros::RecoilFiles;
using macros::RecoilResult;
using macros::RecoilShot;

constexpr std::string_view kRecoilUsage =
    "usage: recoil show G, recoil set G SHOT X Y DELAY, recoil reset G, recoil import G FILE, "
    "recoil export G FILE, recoil download (G: gun 0..3, SHOT: 0..29, X and Y: -255..255 with X < 0 "
    "left and Y < 0 up, DELAY: 0..65535 ms)";

constexpr long long kMaxDistance = 255;
constexpr long long kMaxDelay = 65535;

std::optional<long long> parseNumber(const std::string& text, long long lo, long long hi) {
  long long value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value < lo || value > hi)
    return std::nullopt;
  return value;
}

RecoilFiles recoilFiles() {
  return RecoilFiles(deviceDataFolder("mouse"), defaultDataFolder().value_or(std::filesystem::path()));
}

long long signedX(const RecoilShot& s) { return s.left ? -s.x : s.x; }
long long signedY(const RecoilShot& s) { return s.up ? -s.y : s.y; }

int report(Invocation& inv, const RecoilResult& r) {
  return r.ok() ? kExitOk : inv.fail(kExitCommandFailed, r.message);
}

int showGun(Invocation& inv, RecoilFiles& files, int gun) {
  // As the page does when it is built: a missing file comes from the factory.
  const RecoilResult ensured = files.ensure(gun);
  if (!ensured.ok()) return inv.fail(kExitCommandFailed, ensured.message);
  const Json::Value doc = files.document(gun);
  if (inv.options.json) {
    Json::Value v;
    v["gun"] = gun;
    v["shots"] = Json::Value(Json::arrayValue);
    for (int s = 0; s < macros::kShotCount; ++s) {
      const RecoilShot shot = macros::shotFromDocument(doc, s);
      Json::Value row;
      row["shot"] = s;
      row["x"] = static_cast<Json::Int64>(signedX(shot));
      row["y"] = static_cast<Json::Int64>(signedY(shot));
      row["delay"] = static_cast<Json::Int64>(shot.delay);
      v["shots"].append(row);
    }
    inv.printJson(v);
    return kExitOk;
  }
  for (int s = 0; s < macros::kShotCount; ++s) {
    const RecoilShot shot = macros::shotFromDocument(doc, s);
    inv.out << s << " " << signedX(shot) << " " << signedY(shot) << " " << shot.delay << "\n";
  }
  return kExitOk;
}

int setShot(Invocation& inv, RecoilFiles& files, int gun, const std::vector<std::string>& args) {
  const auto shot = parseNumber(args[0], 0, macros::kShotCount - 1);
  if (!shot) return inv.fail(kExitUsage, "SHOT must be 0 to 29, not \"" + args[0] + "\"; nothing was written");
  const auto x = parseNumber(args[1], -kMaxDistance, kMaxDistance);
  const auto y = parseNumber(args[2], -kMaxDistance, kMaxDistance);
  if (!x || !y)
    return inv.fail(kExitUsage, "X and Y must be -255 to 255, not \"" + args[1] + "\" \"" + args[2] +
                                    "\"; nothing was written");
  const auto delay = parseNumber(args[3], 0, kMaxDelay);
  if (!delay) return inv.fail(kExitUsage, "DELAY must be 0 to 65535 ms, not \"" + args[3] + "\"; nothing was written");
  // The other shots of a gun that has no file yet are the factory's.
  const RecoilResult ensured = files.ensure(gun);
  if (!ensured.ok() && ensured.error != macros::RecoilError::NoFile)
    return inv.fail(kExitCommandFailed, ensured.message);
  const RecoilShot fields{*x < 0 ? -*x : *x, *x < 0, *y < 0 ? -*y : *y, *y < 0, *delay};
  return report(inv, files.storeShot(gun, static_cast<int>(*shot), fields));
}

int download(Invocation& inv, RecoilFiles& files) {
  files.ensureAll();  // a gun without any file goes as an empty pattern
  const auto found = findCommandInterface(inv.backend, DeviceKind::Mouse, inv.options.receiver);
  if (!found) {
    std::string what = std::string("no mouse") + (inv.options.receiver ? " receiver" : "") + " found";
    if (!inv.options.demo && (!inv.context || inv.context->backend == nullptr))
      what += " (is it plugged in? --demo runs on emulated devices)";
    return inv.fail(kExitNoDevice, what);
  }
  inv.device = *found;
  MouseController mouse(inv.backend, inv.clock);
  const bool receiver = isReceiver(found->type);
  if (!mouse.transport().connect(found->path, receiver ? transport::kConnectionReceiver : transport::kConnectionCable))
    return inv.fail(kExitNoDevice, "cannot open " + found->path + " (check the udev rules for access)");
  const RecoilDownload d = downloadRecoilNow(mouse, files.dataFolder());
  if (!d.ok()) {
    const int code = d.status == RecoilDownload::Status::LinkDown ? kExitUnreachable
                     : d.status == RecoilDownload::Status::NotConnected ? kExitNoDevice
                                                                         : kExitCommandFailed;
    return inv.fail(code, describe(d));
  }
  if (inv.options.json) {
    Json::Value v;
    v["bytes"] = static_cast<Json::UInt64>(d.imageLength);
    inv.printJson(v);
  } else {
    inv.out << describe(d) << "\n";
  }
  return kExitOk;
}

}  // namespace

int runRecoil(Invocation& inv) {
  const auto& ops = inv.options.operands;  // "recoil", VERB, [G, ...]
  if (ops.size() < 2) return inv.fail(kExitUsage, kRecoilUsage);
  const std::string& verb = ops[1];
  inv.commandName = "recoil " + verb;
  inv.kindText = "mouse";

  struct Shape {
    std::string_view verb;
    size_t operands;  // after VERB
  };
  static constexpr Shape kShapes[] = {{"show", 1}, {"set", 5}, {"reset", 1}, {"import", 2}, {"export", 2},
                                      {"download", 0}};
  const Shape* shape = nullptr;
  for (const auto& s : kShapes)
    if (s.verb == verb) shape = &s;
  if (shape == nullptr) {
    inv.commandName = "recoil";
    return inv.fail(kExitUsage, "unknown action \"" + verb + "\"; " + std::string(kRecoilUsage));
  }
  if (ops.size() - 2 != shape->operands) return inv.fail(kExitUsage, kRecoilUsage);

  RecoilFiles files = recoilFiles();
  if (verb == "download") return download(inv, files);

  const auto gun = parseNumber(ops[2], 0, macros::kGunCount - 1);
  if (!gun) return inv.fail(kExitUsage, "G must be a gun from 0 to 3, not \"" + ops[2] + "\"; nothing was written");
  const int g = static_cast<int>(*gun);
  if (verb == "show") return showGun(inv, files, g);
  if (verb == "set") return setShot(inv, files, g, {ops.begin() + 3, ops.end()});
  if (verb == "reset") return report(inv, files.reset(g));
  if (verb == "import") return report(inv, files.importFile(g, ops[3]));
  return report(inv, files.exportTo(g, ops[3], &inv.out));
}

}  // namespace tessel::tools
