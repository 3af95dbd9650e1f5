#pragma once
// Registered window messages between processes over the D-Bus session bus
// (mapping in docs/dbus.md), and the single instance. Without a session bus
// messages stay inside the process and a lock file keeps the single instance.
#include <QByteArray>
#include <QString>
#include <memory>
#include <optional>

#include "platform/bus_name.h"
#include "ui/toolkit/defs.h"

namespace tessel::ui {

class CWindowWnd;

inline constexpr const char* kBusServicePrefix = kWindowBusPrefix;
inline constexpr const char* kBusWindowPath = kWindowBusPath;
inline constexpr const char* kBusWindowInterface = kWindowBusInterface;

class CMessageBus {
 public:
  static CMessageBus& Instance();

  // Connects once (later calls return the first answer). Without a session
  // bus writes one debug line and returns false.
  bool Connect();
  bool IsConnected() const { return connected_; }

  // "org.orvik.TesselRGB.w." + the title with every character outside
  // A-Z, a-z, 0-9 written as '_' plus two lower-case hex digits per UTF-8
  // byte (a leading digit too). Empty when the title is empty or the name
  // would be longer than the bus allows.
  static QString BusNameForTitle(const QString& title);

  bool ExportWindow(CWindowWnd* window);
  void UnexportWindow(CWindowWnd* window);

  // BroadcastSystemMessage: every window (of every process on the bus)
  // receives the registered message, posted. False for an unregistered id.
  bool Broadcast(UINT registeredMessage, WPARAM wParam, LPARAM lParam);
  // Whether a window with this title exists (its bus name has an owner; in
  // this process without a bus).
  bool FindWindow(const QString& title);
  // Posts a registered message to the window with this title.
  bool PostToWindow(const QString& title, UINT registeredMessage, WPARAM wParam, LPARAM lParam);
  // WM_COPYDATA to the window with this title; its handler's result, or
  // nullopt when the window does not exist or does not answer.
  std::optional<LRESULT> CopyDataToWindow(const QString& title, uint64_t sender, uint64_t dwData,
                                          const QByteArray& data);

  // Delivers a message that arrived by name to the windows of this process.
  void DeliverBroadcast(const QString& name, WPARAM wParam, LPARAM lParam);

 private:
  CMessageBus() = default;
  bool tried_ = false;
  bool connected_ = false;
  int nextConnection_ = 0;
};

// The one running instance.
class SingleInstance {
 public:
  SingleInstance() = default;
  ~SingleInstance();
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  enum class Result { First, AlreadyRunning };
  // Owns "org.orvik.TesselRGB" on the session bus, or without a bus locks
  // "org.orvik.TesselRGB.lock" in $XDG_RUNTIME_DIR (else in /tmp with the user
  // id). A failure to take either counts as the first instance.
  Result Acquire();
  void Release();
  // The lock file in use (empty with a bus).
  QString LockFile() const { return lockFile_; }

 private:
  bool ownsName_ = false;
  int lockFd_ = -1;
  QString lockFile_;
};

}  // namespace tessel::ui
