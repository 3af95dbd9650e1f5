#pragma once
// Demo mode: the program runs on emulated products on the virtual HID bus
// instead of the machine's HID devices, and exports
// org.orvik.TesselRGB.Demo at /org/orvik/TesselRGB/demo so people and scripts
// ("tesselctl demo plug mouse-receiver") can plug, unplug, wake and put to
// sleep the emulated products, and make them send input reports, while the
// program runs.
#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

#include "sim/firmware_store.h"
#include "sim/virtual_bus.h"

namespace tessel::audio {
class EmulatedAudioChip;
}

namespace tessel::ui {

class DemoDevices {
 public:
  DemoDevices();
  ~DemoDevices();  // restores the system's HID backend
  DemoDevices(const DemoDevices&) = delete;
  DemoDevices& operator=(const DemoDevices&) = delete;

  // Plugs the products of a comma-separated list (empty: mouse and keyboard
  // on their cables) and makes the bus the program's HID backend. False with
  // a message for an unknown product name. The products keep their memories
  // in the demo store (sim/firmware_store.h); `reset` starts them from the
  // factory state.
  bool Start(const QString& list, QString* error = nullptr, bool reset = false);
  // Exports the control object on the session bus (when there is one).
  bool ExportOnBus();

  bool Plug(const QString& product);
  bool Unplug(const QString& product);
  // Only products on a receiver can sleep.
  bool SetAwake(const QString& product, bool awake);
  // A silent product answers nothing at all (a receiver whose radio hangs).
  bool SetSilent(const QString& product, bool silent);
  QStringList Products() const;
  // The product sends a 16-bit consumer usage as an input report, as its own
  // buttons would ("tesselctl demo input mouse 0x1123": profile 3, stage 2).
  // A kind name whose cable product is not plugged reaches its receiver
  // product. False when neither is plugged, or for the headset (its input
  // reports carry buttons, not usages).
  bool Input(const QString& product, uint usage);

  sim::VirtualHidBus& Bus() { return bus_; }

 private:
  std::shared_ptr<sim::FirmwareStore> store_;  // outlives the bus
  sim::VirtualHidBus bus_;
  std::unique_ptr<QObject> busObject_;
  std::shared_ptr<audio::EmulatedAudioChip> chip_;  // the headset's audio chip in demo mode
};

// The D-Bus face of DemoDevices.
class DemoBusObject : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.orvik.TesselRGB.Demo")

 public:
  explicit DemoBusObject(DemoDevices* demo) : demo_(demo) {}

 public Q_SLOTS:
  bool Plug(const QString& product) { return demo_->Plug(product); }
  bool Unplug(const QString& product) { return demo_->Unplug(product); }
  bool SetAwake(const QString& product, bool awake) { return demo_->SetAwake(product, awake); }
  bool SetSilent(const QString& product, bool silent) { return demo_->SetSilent(product, silent); }
  QStringList Products() { return demo_->Products(); }
  bool Input(const QString& product, uint usage) { return demo_->Input(product, usage); }

 private:
  DemoDevices* demo_;
};

}  // namespace tessel::ui
