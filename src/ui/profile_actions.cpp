#include "ui/profile_actions.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>

#include "ui/device/brelvik_usb_device.h"
#include "ui/device/device_profile.h"
#include "ui/device/device_profile_page.h"
#include "ui/msg_wnd.h"
#include "ui/toolkit/resource_manager.h"
#include "ui/toolkit/window.h"

namespace tessel::ui {

using profiles::ProfileOutcome;
using profiles::ProfileStatus;

namespace {
bool nameIs(const QString& name, const char* text) { return name.compare(QLatin1String(text), Qt::CaseInsensitive) == 0; }
QString Text(const char* key) { return CResourceManager::GetInstance()->GetText(QString::fromLatin1(key)); }
}  // namespace

ProfileActions::ProfileActions(CWindowWnd& window, Hooks hooks) : window_(window), hooks_(std::move(hooks)) {
  if (!hooks_.message) {
    hooks_.message = [this](const QString& text, int mode) {
      return CMsgWnd::ShowMessage(&window_, QString(), text, 96, 0, mode);
    };
  }
  if (!hooks_.chooseFile) {
    hooks_.chooseFile = [this](bool save, const QString& suggestion) {
      QWidget* parent = window_.GetHWND();
      const QString filter = QString::fromLatin1(kFileFilter);
      if (save) {
        return QFileDialog::getSaveFileName(parent, CResourceManager::GetInstance()->GetText(QStringLiteral("profile_export_title")),
                                            suggestion, filter);
      }
      return QFileDialog::getOpenFileName(parent, CResourceManager::GetInstance()->GetText(QStringLiteral("profile_import_title")),
                                          QString(), filter);
    };
  }
}

CDeviceProfileUI* ProfileActions::Selector(CBrelvikUSBDevice* page) const {
  return page ? page->Profile().Selector() : nullptr;
}

void ProfileActions::Show(const QString& text) { hooks_.message(text, 0); }

bool ProfileActions::Notify(TNotifyUI& msg) {
  if (!msg.pSender) return false;
  const QString name = msg.pSender->GetName();
  if (msg.sType == notify::kItemSelect) {
    if (!nameIs(name, "device_profile_combo")) return false;
    // The switch waits 400 ms, so scrolling through the list does not load
    // and write every profile on the way.
    CBrelvikUSBDevice* page = hooks_.currentPage ? hooks_.currentPage() : nullptr;
    if (page && page->IsOwnControl(msg.pSender)) {
      pendingSwitch_ = page;
      hooks_.startTimer(kTimerProfileSwitch, kSwitchDelayMs);
    }
    return true;
  }
  if (msg.sType != notify::kClick) return false;

  static const char* const kButtons[] = {"device_add_btn",    "device_sub_btn",    "device_profile_edit_save_btn",
                                         "device_copy_btn",   "device_import_btn", "device_export_btn",
                                         "device_reset_btn",  "profile_menu_btn"};
  bool ours = name == QLatin1String("profile_fun_spread_btn");
  for (const char* b : kButtons) ours = ours || nameIs(name, b);
  if (!ours) return false;

  CBrelvikUSBDevice* page = hooks_.currentPage ? hooks_.currentPage() : nullptr;
  CDeviceProfileUI* selector = Selector(page);
  if (!selector) return true;  // no device page shown: nothing to do

  if (name == QLatin1String("profile_fun_spread_btn")) {
    selector->SetVisible(!selector->GetOwnVisible());
  } else if (nameIs(name, "profile_menu_btn")) {
    selector->ShowProfileMenu(!selector->IsProfileMenuShown());
  } else if (nameIs(name, "device_add_btn")) {
    const ProfileOutcome outcome = selector->Add();
    // The new profile is current: the page shows it and the device gets it.
    if (outcome.ok()) page->Profile().Rebind();
    // At 50 profiles add does nothing and says nothing.
    else if (outcome.status != ProfileStatus::TooMany) Show(QString::fromStdString(outcome.message));
  } else if (nameIs(name, "device_sub_btn")) {
    // The last profile cannot go (nothing is asked); any other is gone for
    // good, so the user confirms first.
    if (selector->GetProfileCount() < 2 || selector->GetCurrentIndex() < 0) return true;
    const QString question = Text("message_profile_delete").arg(selector->GetCombo()->GetItemText(selector->GetCurrentIndex()));
    if (hooks_.message(question, 1) != 1) return true;
    const ProfileOutcome outcome = selector->Delete();
    if (outcome.ok()) {
      // The selector already shows the new current profile; the page follows
      // before anything can save into the deleted profile's document.
      page->Profile().Rebind();
    } else if (outcome.status != ProfileStatus::LastProfile) {
      Show(QString::fromStdString(outcome.message));
    }
  } else if (nameIs(name, "device_profile_edit_save_btn")) {
    Rename(page);
  } else if (nameIs(name, "device_copy_btn")) {
    const ProfileOutcome outcome = selector->Copy();
    if (!outcome.ok()) Show(QString::fromStdString(outcome.message));
  } else if (nameIs(name, "device_import_btn")) {
    ImportFile(page);
  } else if (nameIs(name, "device_export_btn")) {
    ExportCurrent(page);
  } else if (nameIs(name, "device_reset_btn")) {
    Reset(page);
  }
  return true;
}

void ProfileActions::Rename(CBrelvikUSBDevice* page) {
  CDeviceProfileUI* selector = Selector(page);
  const QString name = selector->GetNameBoxText();
  if (name.isEmpty()) return;
  const ProfileOutcome outcome = selector->Rename(name);
  switch (outcome.renameCode()) {
    case 1: break;
    case 0: Show(QStringLiteral("message_text_5")); break;
    case 2: Show(QStringLiteral("message_text_25")); break;
    default:
      Show(outcome.status == ProfileStatus::BadName ? QStringLiteral("message_bad_name")
                                                    : QString::fromStdString(outcome.message));
      break;
  }
}

void ProfileActions::Reset(CBrelvikUSBDevice* page) {
  if (hooks_.message(QStringLiteral("message_text_22"), 1) != 1) return;
  const ProfileOutcome outcome = Selector(page)->Reset();
  if (!outcome.ok()) {
    Show(QString::fromStdString(outcome.message));
    return;
  }
  page->Profile().Rebind();
  if (hooks_.afterReset) hooks_.afterReset();
}

QString ProfileActions::ExportSuggestion(const QString& profileName) {
  QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (folder.isEmpty() || !QFileInfo(folder).isDir()) folder = QDir::homePath();
  // A profile name may hold characters a file name cannot.
  QString file = profileName;
  file.replace(QLatin1Char('/'), QLatin1Char('_'));
  if (file.isEmpty() || file == QLatin1String(".") || file == QLatin1String("..")) file = QStringLiteral("profile");
  return QDir(folder).filePath(file + QStringLiteral(".json"));
}

QString ProfileActions::WithJsonExtension(const QString& path) {
  if (path.endsWith(QLatin1String(".json"), Qt::CaseInsensitive)) return path;
  return path + QStringLiteral(".json");
}

void ProfileActions::ExportCurrent(CBrelvikUSBDevice* page) {
  CDeviceProfileUI* selector = Selector(page);
  const int current = selector->GetCurrentIndex();
  if (current < 0) return;
  const QString chosen = hooks_.chooseFile(true, ExportSuggestion(selector->GetCombo()->GetItemText(current)));
  if (chosen.isEmpty()) return;
  const QString path = WithJsonExtension(chosen);
  const ProfileOutcome outcome = selector->Export(path.toStdString());
  if (!outcome.ok()) Show(QString::fromStdString(outcome.message));
  else Show(Text("message_profile_exported").arg(path));
}

void ProfileActions::ImportFile(CBrelvikUSBDevice* page) {
  CDeviceProfileUI* selector = Selector(page);
  if (selector->GetCurrentIndex() < 0) return;
  const QString path = hooks_.chooseFile(false, QString());
  if (path.isEmpty()) return;
  const ProfileOutcome outcome = selector->Import(path.toStdString());
  if (!outcome.ok()) Show(QString::fromStdString(outcome.message));
  else Show(Text("message_profile_imported").arg(QString::fromStdString(outcome.name)));
}

void ProfileActions::SwitchProfile() {
  CBrelvikUSBDevice* page = pendingSwitch_;
  pendingSwitch_ = nullptr;
  // The page may have gone while the timer ran.
  CBrelvikUSBDevice* shown = hooks_.currentPage ? hooks_.currentPage() : nullptr;
  if (!page || page != shown) return;
  CDeviceProfileUI* selector = Selector(page);
  if (!selector || selector->GetCurrentIndex() < 0) return;
  const ProfileOutcome outcome = selector->Select(selector->GetCurrentIndex(), false);
  page->Profile().Rebind();
  if (!outcome.ok()) Show(QString::fromStdString(outcome.message));
}

}  // namespace tessel::ui
