#include "ui/device/device_profile.h"

namespace tessel::ui {

using profiles::ProfileOutcome;
using profiles::ProfileStatus;
namespace fs = std::filesystem;

CDeviceProfileUI::CDeviceProfileUI() = default;
CDeviceProfileUI::~CDeviceProfileUI() = default;

template <typename T>
T* CDeviceProfileUI::Find(const char* name) const {
  const QString wanted = QString::fromLatin1(name);
  auto* self = const_cast<CDeviceProfileUI*>(this);
  return dynamic_cast<T*>(self->FindControl([&wanted](CControlUI* c) { return c->GetName() == wanted; }));
}

CComboUI* CDeviceProfileUI::GetCombo() const { return Find<CComboUI>("device_profile_combo"); }
CEditUI* CDeviceProfileUI::GetNameBox() const { return Find<CEditUI>("device_profile_name_edit"); }

void CDeviceProfileUI::BindPaths(const fs::path& dataFolder, const fs::path& defaultDocument) {
  store_ = std::make_unique<profiles::ProfileStore>(dataFolder, defaultDocument, deviceType_);
}

ProfileOutcome CDeviceProfileUI::NotBound() const {
  return {ProfileStatus::BadIndex, "the profile selector has no data folder", -1, {}};
}

void CDeviceProfileUI::Refill(int selection) {
  CComboUI* combo = GetCombo();
  if (!combo || !store_) return;
  const auto entries = store_->entries();
  combo->RemoveAllItems();
  for (const auto& e : entries) {
    const QString name = QString::fromStdString(e.name);
    combo->AddItem(name, name);
  }
  if (selection >= static_cast<int>(entries.size())) selection = static_cast<int>(entries.size()) - 1;
  if (selection >= 0) combo->SelectItem(selection, false);
}

ProfileOutcome CDeviceProfileUI::Initialise() {
  if (!store_) return NotBound();
  ProfileOutcome outcome = store_->initialise();
  Refill(-1);
  ShowTabsForType();
  if (!outcome.ok()) return outcome;
  return Select(outcome.index, false);
}

ProfileOutcome CDeviceProfileUI::Select(int index, bool raiseEvent) {
  if (!store_) return NotBound();
  ProfileOutcome outcome = store_->select(index);
  const auto entries = store_->entries();
  if (index >= 0 && index < static_cast<int>(entries.size())) {
    // The screen follows the choice even when storing it failed; the caller
    // reports the failure.
    if (CComboUI* combo = GetCombo()) {
      if (combo->GetItemCount() != static_cast<int>(entries.size())) Refill(index);
      combo->SelectItem(index, raiseEvent);
    }
    SetNameBoxText(QString::fromStdString(entries[index].name));
    currentUuid_ = QString::fromStdString(entries[index].uuid);
  }
  return outcome;
}

int CDeviceProfileUI::GetCurrentIndex() const {
  CComboUI* combo = GetCombo();
  return combo ? combo->GetCurSel() : -1;
}

std::optional<fs::path> CDeviceProfileUI::CurrentDocumentPath() const {
  if (!store_ || currentUuid_.isEmpty()) return std::nullopt;
  return store_->documentPathFor(currentUuid_.toStdString());
}

QString CDeviceProfileUI::GetNameBoxText() const {
  CEditUI* box = GetNameBox();
  return box ? box->GetText() : QString();
}

void CDeviceProfileUI::SetNameBoxText(const QString& text) {
  if (CEditUI* box = GetNameBox()) box->SetText(text);
}

void CDeviceProfileUI::ShowCurrent(int index) {
  Refill(index);
  const auto entries = store_->entries();
  if (index < 0 || index >= static_cast<int>(entries.size())) return;
  currentUuid_ = QString::fromStdString(entries[index].uuid);
  SetNameBoxText(QString::fromStdString(entries[index].name));
}

ProfileOutcome CDeviceProfileUI::Add() {
  if (!store_) return NotBound();
  ProfileOutcome outcome = store_->add();
  // The list file makes the new profile current; the screen shows the same,
  // so the page's next edit goes to the profile the device is on.
  if (outcome.ok()) ShowCurrent(outcome.index);
  return outcome;
}

bool CDeviceProfileUI::FollowStore() {
  if (!store_) return false;
  const QString before = currentUuid_;
  const int current = store_->current();
  if (current < 0) return false;
  ShowCurrent(current);
  return currentUuid_ != before;
}

ProfileOutcome CDeviceProfileUI::Delete() {
  if (!store_) return NotBound();
  const int cur = GetCurrentIndex();
  if (cur < 0) return {ProfileStatus::BadIndex, "no profile is selected", -1, {}};
  ProfileOutcome outcome = store_->remove(cur);
  if (!outcome.ok()) return outcome;
  // The selector moves to the new current profile at once, so whatever saves
  // next goes to that profile's document, never back to the deleted one.
  ShowCurrent(outcome.index);
  return outcome;
}

ProfileOutcome CDeviceProfileUI::Rename(const QString& name) {
  if (!store_) return NotBound();
  const int cur = GetCurrentIndex();
  if (cur < 0) return {ProfileStatus::BadIndex, "no profile is selected", -1, {}};
  ProfileOutcome outcome = store_->rename(cur, name.toStdString());
  if (outcome.ok()) {
    Refill(cur);
    SetNameBoxText(name);
  }
  return outcome;
}

ProfileOutcome CDeviceProfileUI::Copy() {
  if (!store_) return NotBound();
  const int cur = GetCurrentIndex();
  if (cur < 0) return {ProfileStatus::BadIndex, "no profile is selected", -1, {}};
  ProfileOutcome outcome = store_->copy(cur);
  if (outcome.ok()) Refill(cur);
  return outcome;
}

ProfileOutcome CDeviceProfileUI::Export(const fs::path& target) {
  if (!store_) return NotBound();
  return store_->exportTo(GetCurrentIndex(), target);
}

ProfileOutcome CDeviceProfileUI::Import(const fs::path& source) {
  if (!store_) return NotBound();
  const int keep = GetCurrentIndex();
  ProfileOutcome outcome = store_->importFrom(source);
  if (outcome.ok()) Refill(keep);
  return outcome;
}

ProfileOutcome CDeviceProfileUI::Reset() {
  if (!store_) return NotBound();
  return store_->reset(GetCurrentIndex());
}

int CDeviceProfileUI::GetProfileCount() { return store_ ? store_->count() : 0; }

std::optional<fs::path> CDeviceProfileUI::GetProfileDocumentPath(int index) {
  return store_ ? store_->documentPath(index) : std::nullopt;
}

void CDeviceProfileUI::ShowProfileMenu(bool show) {
  CControlUI* menu = Find<CControlUI>("profile_menu_layout");
  if (!menu || menu->GetOwnVisible() == show) return;
  menu->SetVisible(show);
  // The selector grows by the menu (and the gap above it) while it is open.
  constexpr int kGap = 6;
  if (GetFixedHeight() > 0) SetFixedHeight(GetFixedHeight() + (show ? 1 : -1) * (menu->GetFixedHeight() + kGap));
}

bool CDeviceProfileUI::IsProfileMenuShown() const {
  CControlUI* menu = Find<CControlUI>("profile_menu_layout");
  return menu && menu->GetOwnVisible();
}

void CDeviceProfileUI::SelectTab(int number) {
  const bool known = number >= 1 && number <= 8;
  for (int i = 0; i < 8; ++i) {
    // Out of range: the first seven are unselected, the eighth stays.
    if (!known && i == 7) continue;
    if (auto* tab = Find<COptionUI>(kTabNames[i])) tab->Selected(known && i + 1 == number, false);
  }
}

void CDeviceProfileUI::ShowTabsForType() {
  auto show = [this](const char* name, bool visible) {
    if (auto* tab = Find<CControlUI>(name)) tab->SetVisible(visible);
  };
  switch (deviceType_) {
    case 1:
      show("cursor_Op_tab", false);
      break;
    case 3:
    case 4:
    case 5:
      show("cursor_Op_tab", false);
      show("macro_Op_tab", false);
      if (deviceType_ != 4) show("system_Op_tab", false);
      show("key_Op_tab", false);
      break;
    case 7:
      show("cursor_Op_tab", false);
      show("macro_Op_tab", false);
      show("system_Op_tab", false);
      show("key_Op_tab", false);
      show("6533_voice_Op_tab", true);
      show("magic_Op_tab", true);
      show("Virtual7.1_Op_tab", true);
      break;
    default:
      break;
  }
}

}  // namespace tessel::ui
