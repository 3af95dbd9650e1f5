#pragma once
// Demo mode: the program runs on emulated products on the virtual HID bus
// instead of the machine's HID devices, and exports
// org.orvik.TesselRGB.Demo at /org/orvik/TesselRGB/demo so people and scripts
// ("tesselctl demo plug mouse-receiver") can plug, unplug, wake and put to
// sleep the emulated products, and make them send input reports, while the
// program runs.
#include <QObject>
#include <QString>
#include <QList>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "input/input_source.h"
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

  // Scripted keyboard and mouse input ("tesselctl demo key a down"): the
  // name's evdev code goes through the input mapping, as a real key's would,
  // to the input the main window wires in (its hook holder's scripted
  // source). False for a name that is no key or button
  // (tools/demo_input_names.h); a key while nothing records goes nowhere, as
  // a real one would.
  using ScriptedInput = std::function<void(const input::InputEvent&)>;
  void SetScriptedInput(ScriptedInput input) { scripted_ = std::move(input); }
  bool Key(const QString& name, bool down);
  bool Button(const QString& name, bool down);

  sim::VirtualHidBus& Bus() { return bus_; }

  // What the main window tells of audio-reactive lighting: sound packets
  // accepted, the 25 band levels last handed to the keyboard pages, and the
  // companion's state ("running", "stopped", "unavailable: <its line>").
  struct AudioView {
    std::function<uint64_t()> packets;
    std::function<std::vector<int>()> levels;
    std::function<QString()> companion;
  };
  void SetAudioView(AudioView view) { audio_ = std::move(view); }
  uint64_t AudioPackets() const { return audio_.packets ? audio_.packets() : 0; }
  QList<int> AudioLevels() const;
  QString AudioCompanion() const { return audio_.companion ? audio_.companion() : QStringLiteral("stopped"); }

 private:
  std::shared_ptr<sim::FirmwareStore> store_;  // outlives the bus
  sim::VirtualHidBus bus_;
  std::unique_ptr<QObject> busObject_;
  std::shared_ptr<audio::EmulatedAudioChip> chip_;  // the headset's audio chip in demo mode
  ScriptedInput scripted_;
  AudioView audio_;
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
  bool Key(const QString& name, bool down) { return demo_->Key(name, down); }
  bool Button(const QString& name, bool down) { return demo_->Button(name, down); }
  qulonglong AudioPackets() { return demo_->AudioPackets(); }
  QList<int> AudioLevels() { return demo_->AudioLevels(); }
  QString AudioCompanion() { return demo_->AudioCompanion(); }

 private:
  DemoDevices* demo_;
};

}  // namespace tessel::ui
