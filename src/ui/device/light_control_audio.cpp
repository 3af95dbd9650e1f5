// The light editor's audio settings: the keyboard's audio mode plays the
// page's "AudioLightInfo" (style, background and foreground colour, the
// multi-colour flag), and the colour type options say which of the two
// colours the swatches, the palette and the boxes edit.
#include "config/audio_light_edits.h"
#include "config/light_editor_rules.h"
#include "ui/device/light_control.h"
#include "ui/toolkit/resource_manager.h"

namespace tessel::ui {

namespace {

bool NameIs(const CControlUI* c, const char* name) { return c && c->GetName() == QLatin1String(name); }

DWORD Opaque(uint32_t rgb) { return 0xFF000000u | (rgb & 0xFFFFFFu); }

// N of "audiocolor_option_N", else -1.
int AudioSwatch(const QString& name) {
  static const QLatin1String prefix("audiocolor_option_");
  if (!name.startsWith(prefix) || name.size() == prefix.size()) return -1;
  bool ok = false;
  const int n = name.mid(prefix.size()).toInt(&ok);
  return ok && n >= 0 ? n : -1;
}

struct AudioBox {
  const char* name;
  AudioChannel channel;
};
constexpr AudioBox kAudioBoxes[] = {{"deng_audioedit_R", AudioChannel::Red},
                                    {"deng_audioedit_G", AudioChannel::Green},
                                    {"deng_audioedit_B", AudioChannel::Blue}};

}  // namespace

void CLightControlUI::FillAudioStyles() {
  auto* combo = Find<CComboUI>("light_combo_audiomodeSelect");
  if (!combo || combo->GetItemCount() == kAudioModeCount) return;
  combo->RemoveAllItems();
  auto* rm = CResourceManager::GetInstance();
  for (int i = 0; i < kAudioModeCount; ++i) {
    const QString key = QStringLiteral("audio_style_%1").arg(i);
    combo->AddItem(rm->GetText(key), key);
  }
}

void CLightControlUI::ShowAudioRecord(const AudioLightRecord& record) {
  audio_ = boundAudioRecord(record);
  const bool wasShowing = showing_;
  showing_ = true;
  FillAudioStyles();
  if (auto* combo = Find<CComboUI>("light_combo_audiomodeSelect")) combo->SelectItem(audio_.audioMode, false);
  if (auto* c = Find<CCheckBoxUI>("deng_7audiocolor_check")) c->SetCheck(audio_.sevenColorFlags != 0, false);
  if (auto* o = Find<COptionUI>("audio_FgColor_check")) o->Selected(audio_.colorTypeFlags != 0, false);
  if (auto* o = Find<COptionUI>("audio_BkColor_check")) o->Selected(audio_.colorTypeFlags == 0, false);
  const uint32_t edited = editedAudioColour(audio_);
  const int channels[] = {int(edited >> 16) & 0xFF, int(edited >> 8) & 0xFF, int(edited) & 0xFF};
  for (size_t i = 0; i < 3; ++i)
    if (auto* e = Find<CControlUI>(kAudioBoxes[i].name)) e->SetText(QString::number(channels[i]));
  if (auto* sw = Find<CControlUI>("deng_audioColor_Pallet")) sw->SetBkColor(Opaque(edited));
  for (int i = 0;; ++i) {
    auto* entry = Find<COptionUI>(QStringLiteral("audiocolor_option_%1").arg(i).toLatin1().constData());
    if (!entry) break;
    entry->Selected((entry->GetBkColor() | 0xFF000000u) == Opaque(edited), false);
  }
  showing_ = wasShowing;
}

void CLightControlUI::SetAudioModeShown(bool shown) {
  audioShown_ = shown;
  // The audio mode uses none of the light's speed, direction and colours:
  // their rows make room for the audio settings.
  for (const char* name : {"deng_speed_layout", "deng_fx_layout", "deng_7color_layout", "deng_color_layout",
                           "colorpallet_layout"})
    if (auto* row = Find<CControlUI>(name); row && row->GetOwnVisible() == shown) row->SetVisible(!shown);
  if (auto* group = Find<CControlUI>("audio_setting_layout"); group && group->GetOwnVisible() != shown)
    group->SetVisible(shown);
}

void CLightControlUI::SetAudioUnavailable(bool unavailable, const QString& why) {
  if (auto* label = Find<CControlUI>("audio_unavailable_label")) {
    label->SetText(CResourceManager::GetInstance()->GetText(QStringLiteral("audio_unavailable")));
    label->SetToolTip(unavailable ? why : QString());
    label->SetVisible(unavailable);
  }
}

void CLightControlUI::ChangeAudio(const AudioLightRecord& next) {
  // Shown again either way: a refused or unchanged edit puts the controls
  // back to what is stored.
  const bool changed = !(next == audio_);
  ShowAudioRecord(next);
  if (changed && onAudioChange) onAudioChange(audio_);
}

bool CLightControlUI::HandleAudioNotify(TNotifyUI& msg) {
  CControlUI* s = msg.pSender;
  const QString& type = msg.sType;
  if (type == notify::kItemSelect && NameIs(s, "light_combo_audiomodeSelect")) {
    const int item = static_cast<CComboUI*>(s)->GetCurSel();
    if (item >= 0) ChangeAudio(applyAudioStyle(audio_, item));
    return true;
  }
  if (type == notify::kSelectChanged) {
    if (NameIs(s, "deng_7audiocolor_check")) {
      ChangeAudio(applyAudioMultiColour(audio_, static_cast<COptionUI*>(s)->IsSelected()));
      return true;
    }
    if (NameIs(s, "audio_FgColor_check") || NameIs(s, "audio_BkColor_check")) {
      // Each option of the pair reports; only the one now selected counts.
      if (static_cast<COptionUI*>(s)->IsSelected())
        ChangeAudio(applyAudioColourType(audio_, NameIs(s, "audio_FgColor_check")));
      return true;
    }
    return false;
  }
  if (type == notify::kKillFocus || type == notify::kReturn) {
    for (const AudioBox& box : kAudioBoxes) {
      if (!NameIs(s, box.name)) continue;
      std::string shown;
      const AudioLightRecord next = applyAudioBox(audio_, box.channel, s->GetText().toStdString(), &shown);
      s->SetText(QString::fromStdString(shown));
      ChangeAudio(next);
      return true;
    }
    return false;
  }
  if (type != notify::kClick) return false;
  if (NameIs(s, "Close_bkColor_btn")) {
    ChangeAudio(clearAudioBackground(audio_));
    return true;
  }
  if (NameIs(s, "deng_audioColor_Pallet")) {
    if (!chooser_) return true;
    const auto chosen = chooser_(Opaque(editedAudioColour(audio_)), false, false);
    if (chosen) ChangeAudio(applyAudioPicked(audio_, chosen->colour));
    return true;
  }
  if (AudioSwatch(s->GetName()) >= 0 && Contains(s)) {
    ChangeAudio(applyAudioSwatch(audio_, s->GetBkColor()));
    return true;
  }
  return false;
}

}  // namespace tessel::ui
