#pragma once
// An object the program exports on the D-Bus session bus at one path, with
// its public slots as methods; unexported when it is destroyed.
#include <QDBusConnection>
#include <QObject>
#include <memory>

#include "platform/debug.h"

namespace tessel::ui {

class SessionBusObject : public QObject {
 public:
  explicit SessionBusObject(const char* path) : path_(path) {}
  ~SessionBusObject() override {
    if (exported_) QDBusConnection::sessionBus().unregisterObject(QString::fromLatin1(path_));
  }

  // `object` exported at its path; nullptr when there is no bus or the path is taken.
  template <class T>
  static std::unique_ptr<T> Export(std::unique_ptr<T> object) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return nullptr;
    if (!bus.registerObject(QString::fromLatin1(object->path_), object.get(), QDBusConnection::ExportAllSlots)) {
      debugPrintf("%s is not on the session bus (path taken)", object->path_);
      return nullptr;
    }
    object->exported_ = true;
    return object;
  }

 private:
  const char* path_;
  bool exported_ = false;
};

}  // namespace tessel::ui
