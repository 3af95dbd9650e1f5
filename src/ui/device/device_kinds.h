#pragma once
// The four device kinds. Their own behaviour (documents, settings, key
// tables, lighting) comes with each kind; what differs already is here: the
// mouse asks its receiver whether it is awake and polls its status block for
// the battery indicator.
#include <functional>

#include "device/base/usb_device_controller.h"
#include "ui/device/brelvik_usb_device.h"

namespace tessel::ui {

// The mouse's controller: awake when the receiver's link query says so (on
// the cable always); the status poll reads the status block and hands it on,
// except while the window is hidden in the tray.
class MouseController : public UsbDeviceController {
 public:
  using StatusHandler = std::function<void(const uint8_t* block, size_t length)>;
  using UsbDeviceController::UsbDeviceController;
  ~MouseController() override { shutdown(); }
  bool isAwake() override { return transport().linkQuery(); }
  void pollStatus() override;
  // Called on the thread that polls (the UI thread in the program).
  void setStatusHandler(StatusHandler handler) { statusHandler_ = std::move(handler); }

 private:
  StatusHandler statusHandler_;
};

class CBrelvikMouseDevice : public CBrelvikUSBDevice {
 public:
  explicit CBrelvikMouseDevice(hid::HidBackend& backend = hid::defaultBackend(),
                               Clock& clock = SystemClock::instance());
  QString GetClass() const override { return QStringLiteral("BrelvikMouseDevice"); }
  // Passed only to mouse pages.
  void SetMouseParameter(int value) { mouseParameter_ = value; }
  int GetMouseParameter() const { return mouseParameter_; }
  MouseController& Mouse() { return static_cast<MouseController&>(Controller()); }

 private:
  int mouseParameter_ = -1;
};

class CBrelvikKeyboardDevice : public CBrelvikUSBDevice {
 public:
  explicit CBrelvikKeyboardDevice(hid::HidBackend& backend = hid::defaultBackend(),
                                  Clock& clock = SystemClock::instance());
  QString GetClass() const override { return QStringLiteral("BrelvikKeyboardDevice"); }
};

class CBrelvikMousePadDevice : public CBrelvikUSBDevice {
 public:
  explicit CBrelvikMousePadDevice(hid::HidBackend& backend = hid::defaultBackend(),
                                  Clock& clock = SystemClock::instance());
  QString GetClass() const override { return QStringLiteral("BrelvikMousePadDevice"); }
  int SettingsChangedDelay() const override { return 500; }
};

class CBrelvikHS6533Device : public CBrelvikUSBDevice {
 public:
  explicit CBrelvikHS6533Device(hid::HidBackend& backend = hid::defaultBackend(),
                                Clock& clock = SystemClock::instance());
  QString GetClass() const override { return QStringLiteral("BrelvikHS6533Device"); }
  int SettingsChangedDelay() const override { return 500; }
};

}  // namespace tessel::ui
