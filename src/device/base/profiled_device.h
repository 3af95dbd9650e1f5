#pragma once
// The document side every device kind with a profile document shares: the
// bound document and the listener, the load / apply / reload of the
// configuration, saving, the hop back to the UI thread and the report of a
// write the device did not take. A kind derives from
// ProfiledDevice<ItsDocument, ItsListener> and fills in the hooks below; what
// it writes, reads and lights stays in the kind.
//
// The document type needs loadDeviceElement(), loadDefaultElement() (false:
// nothing loaded) and save() (false: not saved). The listener type needs
// stateChanged() and writeFailed(ResultCode), or writeFailed(What, ResultCode)
// for a kind whose writes the listener tells apart.
//
// Threads: everything here belongs to the UI thread except postToUi and the
// two request operations, which any thread may call. A call posted to the UI
// thread is a completion of the device's command queue: it comes after the
// jobs already submitted, and one still waiting when the queue stops is
// dropped (see device_command_queue.h).
#include <functional>
#include <utility>

#include "core/result_code.h"
#include "device/base/usb_device_controller.h"
#include "platform/debug.h"

namespace tessel {

template <class Document, class Listener>
class ProfiledDevice : public UsbDeviceController {
 public:
  using UsbDeviceController::UsbDeviceController;

  // ---- binding (UI thread)
  void bindDocument(Document* document) { doc_ = document; }
  Document* document() const { return doc_; }
  void setListener(Listener listener) { listener_ = std::move(listener); }

  // ---- queued device work (UI thread)
  void requestConnected() {
    commandQueue().submit([this] { connected(); });
  }
  void requestDeviceChanged() {
    commandQueue().submit([this] { deviceChanged(); });
  }

  // ---- document operations (UI thread)
  // Loads the document's device element (the bound file, or the factory
  // element) and hands it to the device's light data.
  void loadConfiguration() override {
    if (!doc_) return;
    doc_->loadDeviceElement();
    reloadFromDocument();
    documentLoaded();
  }
  // The page shows the document: listener.stateChanged.
  void applyConfiguration() override {
    if (listener_.stateChanged) listener_.stateChanged();
  }
  // Factory reset of the current profile document: saved, handed to the light
  // data, shown and written whole. A document without a factory element is
  // left as it is.
  void reloadDocument() override {
    if (!doc_ || !doc_->loadDefaultElement()) return;
    save();
    reloadFromDocument();
    applyConfiguration();
    applyAll();
  }
  void saveProfileData() override { save(); }
  // Everything of the current document to the device (a profile switch, a reset).
  virtual void applyAll() = 0;

 protected:
  // ---- what each kind fills in
  // The document's light data into the device's images and light thread.
  virtual void reloadFromDocument() = 0;
  // After loadConfiguration loaded and handed on the document.
  virtual void documentLoaded() {}
  // The debug line for a document that could not be saved.
  virtual const char* saveFailedLine() const = 0;
  // The debug line for a write the device did not take; `what` is the
  // listener's write number for kinds that have several, else 0.
  virtual void logWriteFailure(int what, ResultCode r) const = 0;

  // ---- for the kind
  void save() {
    if (doc_ && !doc_->save()) debugLine(saveFailedLine());
  }
  // Runs `call` on the UI thread after the jobs already queued: a job that
  // does nothing, whose completion is the call.
  void postToUi(std::function<void()> call) { commandQueue().submit([] {}, std::move(call)); }
  // A write the device did not take: the debug line, then listener.writeFailed.
  // Nothing on success.
  void reportFailure(ResultCode r) {
    if (r == ResultCode::Success) return;
    logWriteFailure(0, r);
    if (listener_.writeFailed) listener_.writeFailed(r);
  }
  template <class What>
  void reportFailure(What what, ResultCode r) {
    if (r == ResultCode::Success) return;
    logWriteFailure(static_cast<int>(what), r);
    if (listener_.writeFailed) listener_.writeFailed(what, r);
  }

  Document* doc_ = nullptr;
  Listener listener_;
};

}  // namespace tessel
