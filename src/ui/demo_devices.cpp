#include "ui/demo_devices.h"

#include <QDBusConnection>

#include "audio/alsa_audio_chip.h"
#include "audio/audio_chip_binding.h"
#include "audio/emulated_audio_chip.h"
#include "platform/debug.h"
#include "sim/firmware_products.h"
#include "input/input_mapping.h"
#include "tools/demo_input_names.h"

namespace tessel::ui {

DemoDevices::DemoDevices() {
  bus_.setFirmwareFactory([](const sim::ProductInfo& info) -> std::shared_ptr<sim::Firmware> {
    return sim::makeProductFirmware(info.name);
  });
}

DemoDevices::~DemoDevices() {
  if (busObject_) QDBusConnection::sessionBus().unregisterObject(QStringLiteral("/org/orvik/TesselRGB/demo"));
  if (&hid::defaultBackend() == &bus_) hid::setDefaultBackend(nullptr);
  if (chip_) audio::AudioChipBinding::process().setChip(std::make_shared<audio::AlsaAudioChip>());
}

bool DemoDevices::Start(const QString& list, QString* error, bool reset) {
  store_ = std::make_shared<sim::FirmwareStore>(sim::defaultFirmwareStoreFolder(), reset);
  bus_.setFirmwareFactory(store_->factory());
  std::string message;
  const std::string names = list.isEmpty() ? std::string("mouse,keyboard") : list.toStdString();
  if (!bus_.plugList(names, &message)) {
    if (error) *error = QString::fromStdString(message);
    return false;
  }
  hid::setDefaultBackend(&bus_);
  // The headset's audio chip is emulated too, sharing its store with tesselctl --demo.
  chip_ = audio::makeDemoAudioChip(sim::defaultFirmwareStoreFolder(), reset);
  audio::AudioChipBinding::process().setChip(chip_);
  debugPrintf("demo devices: %s", names.c_str());
  return true;
}

bool DemoDevices::ExportOnBus() {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return false;
  auto object = std::make_unique<DemoBusObject>(this);
  if (!bus.registerObject(QStringLiteral("/org/orvik/TesselRGB/demo"), object.get(),
                          QDBusConnection::ExportAllSlots))
    return false;
  busObject_ = std::move(object);
  return true;
}

QList<int> DemoDevices::AudioLevels() const {
  QList<int> out;
  if (audio_.levels)
    for (int v : audio_.levels()) out << v;
  while (out.size() < 25) out << 0;
  return out;
}

bool DemoDevices::Plug(const QString& product) { return bus_.plug(product.toStdString()) != nullptr; }

bool DemoDevices::Unplug(const QString& product) { return bus_.unplug(product.toStdString()); }

bool DemoDevices::SetAwake(const QString& product, bool awake) {
  auto p = bus_.product(product.toStdString());
  if (!p) return false;
  auto* firmware = dynamic_cast<sim::CommandFirmware*>(&p->firmware());
  if (!firmware || !firmware->throughReceiver()) return false;
  firmware->setDeviceAwake(awake);
  return true;
}

bool DemoDevices::SetSilent(const QString& product, bool silent) {
  auto p = bus_.product(product.toStdString());
  if (!p) return false;
  auto* firmware = dynamic_cast<sim::CommandFirmware*>(&p->firmware());
  if (!firmware) return false;
  firmware->setSilent(silent);
  return true;
}

QStringList DemoDevices::Products() const {
  QStringList names;
  for (const auto& p : bus_.products()) names << QString::fromUtf8(p->name().data(), static_cast<int>(p->name().size()));
  return names;
}

}  // namespace tessel::ui

namespace tessel::ui {

bool DemoDevices::Input(const QString& product, uint usage) {
  if (usage > 0xFFFF) return false;
  const std::string name = product.toStdString();
  auto p = bus_.product(name);
  if (!p && name.find("-receiver") == std::string::npos) p = bus_.product(name + "-receiver");
  if (!p || p->info().inputCollection == 0) return false;
  auto* firmware = dynamic_cast<sim::CommandFirmware*>(&p->firmware());
  if (!firmware || !firmware->sendInputUsage(static_cast<uint16_t>(usage))) return false;
  debugPrintf("demo input: %s usage 0x%04x", std::string(p->name()).c_str(), usage);
  return true;
}

}  // namespace tessel::ui

namespace tessel::ui {

bool DemoDevices::Key(const QString& name, bool down) {
  const auto code = tools::demoKeyCode(name.toStdString());
  const auto event = code ? input::eventFromEvdevKey(*code, down) : std::nullopt;
  if (!event) return false;
  debugPrintf("demo key: %s %s", name.toUtf8().constData(), down ? "down" : "up");
  if (scripted_) scripted_(*event);
  return true;
}

bool DemoDevices::Button(const QString& name, bool down) {
  const auto code = tools::demoButtonCode(name.toStdString());
  const auto event = code ? input::eventFromEvdevButton(*code, down) : std::nullopt;
  if (!event) return false;
  debugPrintf("demo button: %s %s", name.toUtf8().constData(), down ? "down" : "up");
  if (scripted_) scripted_(*event);
  return true;
}

}  // namespace tessel::ui
