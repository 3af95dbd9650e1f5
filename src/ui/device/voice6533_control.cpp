#include "ui/device/voice6533_control.h"

#include <QComboBox>

#include "devices/headset/headset_audio.h"
#include "ui/device/audio_panel_util.h"

namespace tessel::ui {

using audio::AudioGroup;
using audio_panel::IndexAfter;

namespace {

constexpr int kPresetItemHeight = 30;

}  // namespace

bool CVoice6533ControlUI::Contains(const CControlUI* control) const {
  for (const CControlUI* c = control; c; c = c->GetParent())
    if (c == this) return true;
  return false;
}

template <typename T>
T* CVoice6533ControlUI::Find(const QString& name) const {
  auto* self = const_cast<CVoice6533ControlUI*>(this);
  return dynamic_cast<T*>(self->FindControl([&name](CControlUI* c) { return c->GetName() == name; }));
}

void CVoice6533ControlUI::Bind(HeadsetAudio* audio) {
  audio_ = audio;
  if (audio_) ShowState();
}

void CVoice6533ControlUI::ShowGroup(AudioGroup group, const char* layout, const char* textName) {
  const std::string why = audio_->unavailableReason(group);
  CControlUI* box = Find<CControlUI>(QString::fromLatin1(layout));
  CControlUI* text = Find<CControlUI>(QString::fromLatin1(textName));
  audio_panel::EnableAll(box, why.empty());
  audio_panel::ShowWhy(text, why);
  if (box && text && box->GetFixedHeight() > 0) {
    const auto [it, fresh] = baseHeights_.emplace(box->GetName(), box->GetFixedHeight());
    (void)fresh;
    box->SetFixedHeight(it->second + (why.empty() ? 0 : text->GetFixedHeight() + 4));
  }
}

void CVoice6533ControlUI::ShowState() {
  if (!audio_) return;
  showing_ = true;
  const HeadsetAudio& a = *audio_;
  // Equaliser: the option in use (none for 0), the sliders, the custom list.
  for (int n = 1; n <= headset::kCustomEqType; ++n)
    if (auto* o = Find<COptionUI>(QStringLiteral("6533_eq_option_%1").arg(n))) o->Selected(a.equaliserOption() == n, false);
  for (int i = 0; i < headset::kBandCount; ++i) {
    if (auto* s = Find<CSliderUI>(QStringLiteral("6533_eq_hz_slider_%1").arg(i))) {
      s->SetMinValue(headset::kBandMin);
      s->SetMaxValue(headset::kBandMax);
      s->SetValue(a.bandSliders()[static_cast<size_t>(i)]);
    }
  }
  if (auto* combo = Find<CComboUI>(QStringLiteral("custom_eq_name_combo"))) {
    combo->RemoveAllItems();
    // Preset names are the user's own text, never language keys.
    for (const std::string& name : a.customNames()) {
      const QString text = QString::fromStdString(name);
      combo->AddItem(text, text);
    }
    if (QComboBox* box = combo->GetComboBox())
      for (int i = 0; i < box->count(); ++i) box->setItemData(i, QSize(0, combo->Scale(kPresetItemHeight)), Qt::SizeHintRole);
    combo->SelectItem(a.customSelection(), false);
  }
  // Microphone and monitor.
  if (auto* o = Find<CCheckBoxUI>(QStringLiteral("6533_MicIn_option"))) o->SetCheck(a.microphoneLive(), false);
  if (auto* s = Find<CSliderUI>(QStringLiteral("6533_MicIn_slider"))) s->SetValue(a.microphoneSlider());
  if (auto* o = Find<CCheckBoxUI>(QStringLiteral("6533_MicMoniter_option"))) o->SetCheck(a.monitorLive(), false);
  if (auto* s = Find<CSliderUI>(QStringLiteral("6533_MicMoniter_slider"))) s->SetValue(a.monitorSlider());

  ShowGroup(AudioGroup::Equaliser, "6533_eq_layout", "6533_eq_unavailable_text");
  ShowGroup(AudioGroup::Microphone, "6533_mic_layout", "6533_mic_unavailable_text");
  ShowGroup(AudioGroup::Monitor, "6533_moniter_layout", "6533_moniter_unavailable_text");
  if (a.unavailableReason(AudioGroup::Equaliser).empty())
    audio_panel::EnableAll(Find<CControlUI>(QStringLiteral("custom_eq_option_layout")), a.customAreaEnabled());
  showing_ = false;
}

bool CVoice6533ControlUI::HandleNotify(TNotifyUI& msg) {
  if (!msg.pSender || !Contains(msg.pSender)) return false;
  if (!audio_ || showing_) return true;
  const QString name = msg.pSender->GetName();
  const QString& type = msg.sType;
  auto selected = [&msg] {
    auto* o = dynamic_cast<COptionUI*>(msg.pSender);
    return o && o->IsSelected();
  };
  auto sliderValue = [&msg] {
    auto* s = dynamic_cast<CSliderUI*>(msg.pSender);
    return s ? s->GetValue() : 0;
  };
  bool changed = true;
  if (const int n = IndexAfter(name, QLatin1String("6533_eq_option_")); n >= 1 && type == notify::kSelectChanged) {
    audio_->selectEqualiser(n);
  } else if (const int band = IndexAfter(name, QLatin1String("6533_eq_hz_slider_"));
             band >= 0 && type == notify::kValueChanged) {
    audio_->changeBand(band, sliderValue());
  } else if (name == QLatin1String("custom_eq_name_combo") && type == notify::kItemSelect) {
    audio_->selectCustomPreset(static_cast<int>(msg.wParam));
  } else if (name == QLatin1String("hs_EQ_btn_save") && type == notify::kClick) {
    auto* edit = Find<CControlUI>(QStringLiteral("custom_eq_name_edit"));
    const std::string typed = edit ? edit->GetText().trimmed().toStdString() : std::string();
    const int result = audio_->saveCustomPreset(typed);
    if (result == headset::kSaveNameTaken && onMessage) onMessage("message_text_5");
    if (result == headset::kSaveSaved && edit) edit->SetText(QString());
  } else if (name == QLatin1String("hs_EQ_btn_delete") && type == notify::kClick) {
    audio_->deleteCustomPreset();
  } else if (name == QLatin1String("6533_MicIn_option") && type == notify::kSelectChanged) {
    audio_->setMicrophoneOn(selected());
  } else if (name == QLatin1String("6533_MicIn_slider") && type == notify::kValueChanged) {
    audio_->setMicrophoneLevel(sliderValue());
  } else if (name == QLatin1String("6533_MicMoniter_option") && type == notify::kSelectChanged) {
    audio_->setMonitorOn(selected());
  } else if (name == QLatin1String("6533_MicMoniter_slider") && type == notify::kValueChanged) {
    audio_->setMonitorLevel(sliderValue());
  } else {
    changed = false;
  }
  if (changed) {
    ShowState();
    if (onChanged) onChanged();
  }
  return true;
}

}  // namespace tessel::ui
