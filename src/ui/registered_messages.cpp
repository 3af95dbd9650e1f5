#include "ui/registered_messages.h"

#include "ui/toolkit/window.h"

namespace tessel::ui {

QStringList HookMessageNames() {
  return {
      QStringLiteral("WM_HOOK_KEY_SINGLEKEY_MSG"),      QStringLiteral("WM_HOOK_KEY_HITKEY_MSG"),
      QStringLiteral("WM_HOOK_KEY_KBMACRO_MSG"),        QStringLiteral("WM_HOOK_KEY_KBMACROPREVIOUS_MSG"),
      QStringLiteral("WM_HOOK_KEY_KBMACROLATER_MSG"),   QStringLiteral("WM_HOOK_KEY_KBMACROSINGLE_MSG"),
      QStringLiteral("WM_HOOK_KEY_MSMACRO_MSG"),        QStringLiteral("WM_HOOK_KEY_MSMACROPREVIOUS_MSG"),
      QStringLiteral("WM_HOOK_KEY_MSMACROLATER_MSG"),   QStringLiteral("UWM_MOUSERBUTTONDOWN_USER_MSG"),
      QStringLiteral("UWM_MOUSELBUTTONUP_USER_MSG"),    QStringLiteral("UWM_MOUSELBUTTONDOWN_USER_MSG"),
      QStringLiteral("UWM_MOUSERBUTTONDOWN_USER_MSG"),  QStringLiteral("UWM_MOUSEMOVE_USER_MSG"),
      QStringLiteral("WM_HOOK_KEY_MSMACROSINGLE_MSG"),  QStringLiteral("WM_HOOK_MOU_SINGLEKEY_MSG"),
      QStringLiteral("WM_HOOK_MOU_HITKEY_MSG"),         QStringLiteral("WM_HOOK_MOU_KBMACRO_MSG"),
      QStringLiteral("WM_HOOK_MOU_MSMACRO_MSG"),        QStringLiteral("UWM_MOUSERBUTTONUP_USER_MSG"),
      QStringLiteral("Game_Start"),                     QStringLiteral("Game_End"),
      QStringLiteral("Game_Kill"),                      QStringLiteral("Game_Death"),
  };
}

RegisteredMessages& AppMessages() {
  static RegisteredMessages messages;
  return messages;
}

UINT RegisterInstanceMessage() {
  AppMessages().instance = RegisterWindowMessage(kInstanceMessageName);
  return AppMessages().instance;
}

void RegisterGuidMessages() {
  auto& m = AppMessages();
  m.settingsRelay = RegisterWindowMessage(kGuidMessageNames[0]);
  m.lightState = RegisterWindowMessage(kGuidMessageNames[1]);
  m.lightRequest = RegisterWindowMessage(kGuidMessageNames[2]);
  m.identify = RegisterWindowMessage(kGuidMessageNames[3]);
  m.audioCompanion = RegisterWindowMessage(kGuidMessageNames[4]);
}

void RegisterHookMessages() {
  for (const QString& name : HookMessageNames()) RegisterWindowMessage(name);
}

}  // namespace tessel::ui
