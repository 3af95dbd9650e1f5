#include "ui/device/magic_control.h"

#include "devices/headset/headset_audio.h"
#include "ui/device/audio_panel_util.h"

namespace tessel::ui {

using audio_panel::IndexAfter;

bool CMagicControlUI::Contains(const CControlUI* control) const {
  for (const CControlUI* c = control; c; c = c->GetParent())
    if (c == this) return true;
  return false;
}

template <typename T>
T* CMagicControlUI::Find(const QString& name) const {
  auto* self = const_cast<CMagicControlUI*>(this);
  return dynamic_cast<T*>(self->FindControl([&name](CControlUI* c) { return c->GetName() == name; }));
}

void CMagicControlUI::Bind(HeadsetAudio* audio) {
  audio_ = audio;
  if (audio_) ShowState();
}

void CMagicControlUI::ShowState() {
  if (!audio_) return;
  showing_ = true;
  const std::string why = audio_->unavailableReason(audio::AudioGroup::VoiceChanger);
  const bool on = audio_->voiceChangerShownOn();
  if (auto* c = Find<CCheckBoxUI>(QStringLiteral("magic_enable_option"))) c->SetCheck(on, false);
  for (int t = 1; t <= headset::kVoiceTypeCount; ++t)
    if (auto* o = Find<COptionUI>(QStringLiteral("magic_option_%1").arg(t))) o->Selected(audio_->voiceTypeShown() == t, false);
  audio_panel::EnableAll(Find<CControlUI>(QStringLiteral("magic_enable_option")), why.empty());
  // The types mean something only while the changer is on.
  audio_panel::EnableAll(Find<CControlUI>(QStringLiteral("magic_option_layout")), why.empty() && on);
  audio_panel::ShowWhy(Find<CControlUI>(QStringLiteral("magic_unavailable_text")), why);
  showing_ = false;
}

bool CMagicControlUI::HandleNotify(TNotifyUI& msg) {
  if (!msg.pSender || !Contains(msg.pSender)) return false;
  if (!audio_ || showing_) return true;
  const QString name = msg.pSender->GetName();
  bool changed = false;
  if (name == QLatin1String("magic_enable_option") && msg.sType == notify::kSelectChanged) {
    auto* option = dynamic_cast<COptionUI*>(msg.pSender);
    audio_->setVoiceChanger(option && option->IsSelected());
    changed = true;
  } else if (const int t = IndexAfter(name, QLatin1String("magic_option_")); t >= 1 && msg.sType == notify::kSelectChanged) {
    audio_->selectVoiceType(t);
    changed = true;
  }
  if (changed) {
    ShowState();
    if (onChanged) onChanged();
  }
  return true;
}

}  // namespace tessel::ui
