#include "ui/device/light_control.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QListView>

#include "config/audio_light_edits.h"
#include "config/light_editor_rules.h"
#include "shell/light_control.h"
#include "ui/color_select_wnd.h"
#include "ui/toolkit/resource_manager.h"

namespace tessel::ui {

namespace {

constexpr int kModeItemHeight = 30;

DWORD Opaque(const LightRecord& r) {
  return 0xFF000000u | (DWORD(r.red) << 16) | (DWORD(r.green) << 8) | DWORD(r.blue);
}

bool NameIs(const CControlUI* c, const char* name) { return c && c->GetName() == QLatin1String(name); }

// N of "color_option_N", else -1.
int PaletteEntry(const QString& name) {
  static const QLatin1String prefix("color_option_");
  if (!name.startsWith(prefix) || name.size() == prefix.size()) return -1;
  bool ok = false;
  const int n = name.mid(prefix.size()).toInt(&ok);
  return ok && n >= 0 ? n : -1;
}

}  // namespace

CLightControlUI::CLightControlUI() {
  chooser_ = [this](DWORD colour, bool multi, bool offerMulti) -> std::optional<ChosenColour> {
    auto choice = CColorSelectWnd::Choose(owner_, colour, multi, offerMulti);
    if (!choice) return std::nullopt;
    return ChosenColour{choice->colour, choice->multiColour};
  };
}

bool CLightControlUI::Contains(const CControlUI* control) const {
  for (const CControlUI* c = control; c; c = c->GetParent())
    if (c == this) return true;
  return false;
}

template <typename T>
T* CLightControlUI::Find(const char* name) const {
  const QString wanted = QString::fromLatin1(name);
  auto* self = const_cast<CLightControlUI*>(this);
  return dynamic_cast<T*>(self->FindControl([&wanted](CControlUI* c) { return c->GetName() == wanted; }));
}

void CLightControlUI::FillModeList(const std::vector<LightModeEntry>& modes,
                                   const std::vector<std::string>& sequenceNames, int brightnessMax, int speedMax) {
  modeNames_.clear();
  modeCodes_.clear();
  for (const LightModeEntry& m : modes) {
    modeNames_.push_back(m.name);
    modeCodes_.push_back(m.code);
  }
  sequenceNames_ = sequenceNames;
  if (auto* combo = Find<CComboUI>("light_combo_modeSelect")) {
    combo->RemoveAllItems();
    auto* rm = CResourceManager::GetInstance();
    for (const LightModeEntry& m : modes) {
      const QString key = QString::fromStdString(m.name);
      combo->AddItem(rm->GetText(key), key);
    }
    // User sequences are numbered from 10 on, whatever the number of modes.
    while (combo->GetItemCount() < kFirstUserSequenceItem && !sequenceNames.empty())
      combo->AddItem(QString(), QString());
    for (const std::string& s : sequenceNames) combo->AddItem(QString::fromStdString(s), QString::fromStdString(s));
    if (QComboBox* box = combo->GetComboBox()) {
      auto* view = qobject_cast<QListView*>(box->view());
      for (int i = 0; i < box->count(); ++i) {
        box->setItemData(i, QSize(0, combo->Scale(kModeItemHeight)), Qt::SizeHintRole);
        const bool hidden = i < static_cast<int>(modes.size()) ? !modes[static_cast<size_t>(i)].visible
                                                                : box->itemData(i).toString().isEmpty();
        if (view) view->setRowHidden(i, hidden);
      }
    }
  }
  if (auto* s = Find<CSliderUI>("deng_light_slider")) s->SetMaxValue(brightnessMax);
  if (auto* s = Find<CSliderUI>("deng_speed_slider")) s->SetMaxValue(speedMax);
}

void CLightControlUI::ShowRecord(const LightRecord& r) {
  record_ = r;
  showing_ = true;
  if (auto* combo = Find<CComboUI>("light_combo_modeSelect")) {
    // A mode the list does not have shows no mode selected.
    combo->SelectItem(r.selectItem < combo->GetItemCount() ? r.selectItem : -1, false);
  }
  if (auto* s = Find<CSliderUI>("deng_light_slider")) s->SetValue(r.light);
  if (auto* s = Find<CSliderUI>("deng_speed_slider")) s->SetValue(r.speed);
  if (auto* e = Find<CControlUI>("deng_edit_R")) e->SetText(QString::number(r.red));
  if (auto* e = Find<CControlUI>("deng_edit_G")) e->SetText(QString::number(r.green));
  if (auto* e = Find<CControlUI>("deng_edit_B")) e->SetText(QString::number(r.blue));
  if (auto* sw = Find<CControlUI>("deng_Color_Pallet")) sw->SetBkColor(Opaque(r));
  if (auto* c = Find<CCheckBoxUI>("deng_7color_check")) c->SetCheck(r.multiColor != 0, false);
  if (auto* c = Find<COptionUI>("deng_FXL_check")) c->Selected(r.fx != 0, false);
  if (auto* c = Find<COptionUI>("deng_FXR_check")) c->Selected(r.fx == 0, false);
  // The palette entry of the colour, when one matches.
  for (int i = 0;; ++i) {
    auto* entry = Find<COptionUI>(QStringLiteral("color_option_%1").arg(i).toLatin1().constData());
    if (!entry) break;
    entry->Selected((entry->GetBkColor() | 0xFF000000u) == Opaque(r) && !r.multiColor, false);
  }
  showing_ = false;
  ShowGroups();
}

bool CLightControlUI::IsKeyboard() const { return deviceType_ == 1 || deviceType_ == 9; }

int CLightControlUI::ModeCode() const {
  return record_.selectItem < modeCodes_.size() ? modeCodes_[record_.selectItem] : record_.selectItem;
}

LightGroups CLightControlUI::Groups() const {
  // The keyboard (1, 9), the mousepad (3) and the headset (7) have their own
  // lists of modes; the keyboard's are told apart by their codes.
  if (IsKeyboard()) return keyboardLightGroups(ModeCode());
  if (deviceType_ == 3 || deviceType_ == 7) return blockLightGroups(record_.selectItem);
  return mouseLightGroups(record_.selectItem);
}

void CLightControlUI::ShowGroups() {
  const LightGroups g = Groups();
  // A group and everything in it, so the controls also look unavailable.
  auto enable = [this](const char* name, bool on) {
    if (auto* c = Find<CControlUI>(name)) c->FindControl([on](CControlUI* x) {
        x->SetEnabled(on);
        return false;
      });
  };
  // Before the mode's rule: the button hidden, the direction group available.
  if (auto* same = Find<CControlUI>("deng_same_mode")) same->SetVisible(false);
  enable("deng_fx_layout", true);
  enable("lighteffect_layout", true);
  enable("deng_7color_check", g.multiColour);
  enable("deng_color_layout", g.colour);
  enable("colorpallet_layout", g.colour);
  enable("deng_light_layout", g.brightness);
  enable("deng_speed_layout", g.speed);
  enable("deng_fx_layout", g.direction);
  // The keyboard offers the same light for every mode code with a common kind.
  const bool sameMode = IsKeyboard() ? sameLightKind(deviceType_, ModeCode()).has_value() : g.sameMode;
  if (auto* same = Find<CControlUI>("deng_same_mode")) same->SetVisible(sameModeAllowed_ && sameMode);
  // The audio settings belong to the keyboard's audio mode (on the cable or the receiver).
  SetAudioModeShown(IsKeyboard() && record_.selectItem == kAudioLightMode);
}

void CLightControlUI::SetSameModeAllowed(bool allowed) {
  sameModeAllowed_ = allowed;
  ShowGroups();
}

void CLightControlUI::Change(const LightRecord& next) {
  if (next == record_) {
    ShowRecord(record_);  // the controls go back to what is stored
    return;
  }
  record_ = next;
  ShowRecord(record_);
  if (onChange) onChange(record_);
}

void CLightControlUI::TakeColourBox(const char* name, int field) {
  auto* box = Find<CControlUI>(name);
  if (!box) return;
  const ColourBoxValue v = readColourBox(box->GetText().toStdString());
  box->SetText(QString::fromStdString(v.shown));
  Change(applyLightField(record_, static_cast<LightField>(field), v.value));
}

void CLightControlUI::OpenPalette() {
  if (!chooser_) return;
  const bool offerMulti = Groups().multiColour;
  const auto chosen = chooser_(Opaque(record_), record_.multiColor != 0, offerMulti);
  if (!chosen) return;
  Change(applyLightColour(record_, chosen->colour, chosen->multiColour && offerMulti));
}

bool CLightControlUI::HandleNotify(TNotifyUI& msg) {
  CControlUI* s = msg.pSender;
  if (!s || showing_) return false;
  if (HandleAudioNotify(msg)) return true;
  const QString& type = msg.sType;
  if (type == notify::kItemSelect && NameIs(s, "light_combo_modeSelect")) {
    const int item = static_cast<CComboUI*>(s)->GetCurSel();
    if (item >= 0) Change(applyLightField(record_, LightField::Mode, item));
    return true;
  }
  if (type == notify::kValueChanged && NameIs(s, "deng_light_slider")) {
    Change(applyLightField(record_, LightField::Brightness, static_cast<CSliderUI*>(s)->GetValue()));
    return true;
  }
  if (type == notify::kValueChanged && NameIs(s, "deng_speed_slider")) {
    Change(applyLightField(record_, LightField::Speed, static_cast<CSliderUI*>(s)->GetValue()));
    return true;
  }
  if (type == notify::kSelectChanged && NameIs(s, "deng_FXL_check")) {
    if (static_cast<COptionUI*>(s)->IsSelected()) Change(applyLightField(record_, LightField::DirectionLeft, 1));
    return true;
  }
  if (type == notify::kSelectChanged && NameIs(s, "deng_FXR_check")) {
    if (static_cast<COptionUI*>(s)->IsSelected()) Change(applyLightField(record_, LightField::DirectionRight, 0));
    return true;
  }
  if (type == notify::kSelectChanged && NameIs(s, "deng_7color_check")) {
    Change(applyLightField(record_, LightField::MultiColour, static_cast<COptionUI*>(s)->IsSelected() ? 1 : 0));
    return true;
  }
  if (type == notify::kKillFocus || type == notify::kReturn) {
    if (NameIs(s, "deng_edit_R")) return TakeColourBox("deng_edit_R", int(LightField::Red)), true;
    if (NameIs(s, "deng_edit_G")) return TakeColourBox("deng_edit_G", int(LightField::Green)), true;
    if (NameIs(s, "deng_edit_B")) return TakeColourBox("deng_edit_B", int(LightField::Blue)), true;
    return false;
  }
  if (type != notify::kClick) return false;
  if (NameIs(s, "deng_Color_Pallet")) {
    OpenPalette();
    return true;
  }
  if (NameIs(s, "deng_same_mode")) {
    if (onSameMode) onSameMode();
    return true;
  }
  if (PaletteEntry(s->GetName()) >= 0 && Contains(s)) {
    Change(applyLightColour(record_, s->GetBkColor()));
    return true;
  }
  return false;
}

}  // namespace tessel::ui
