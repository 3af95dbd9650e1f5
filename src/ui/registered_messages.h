#pragma once
// The registered window messages of the program (names shared with other
// processes; see docs/dbus.md).
#include <QString>
#include <QStringList>

#include "ui/toolkit/defs.h"

namespace tessel::ui {

inline const QString kInstanceMessageName = QStringLiteral("ORVIK Tessel RGB");
// Registered at start-up after the instance message, in this order. The fifth
// ends in EBE19 (not EBF19): other programs register exactly this string.
inline const QStringList kGuidMessageNames = {
    QStringLiteral("{4695579F-999A-41d4-9FAF-EFFCE93EBF15}"),  // relayed to the settings window
    QStringLiteral("{4695579F-999A-41d4-9FAF-EFFCE93EBF16}"),  // light control state, broadcast
    QStringLiteral("{4695579F-999A-41d4-9FAF-EFFCE93EBF17}"),  // light control request
    QStringLiteral("{4695579F-999A-41d4-9FAF-EFFCE93EBF18}"),  // identification request
    QStringLiteral("{4695579F-999A-41d4-9FAF-EFFCE93EBE19}"),  // to the audio companion
};
// The input hook, mouse and game messages, registered as one list. The
// right-button-down name is in it twice (both get the same id).
QStringList HookMessageNames();

// Process-wide values, written once at start-up before any thread starts.
struct RegisteredMessages {
  UINT instance = 0;
  UINT settingsRelay = 0;    // EBF15
  UINT lightState = 0;       // EBF16
  UINT lightRequest = 0;     // EBF17
  UINT identify = 0;         // EBF18
  UINT audioCompanion = 0;   // EBE19
};
RegisteredMessages& AppMessages();

UINT RegisterInstanceMessage();
void RegisterGuidMessages();
void RegisterHookMessages();

}  // namespace tessel::ui
