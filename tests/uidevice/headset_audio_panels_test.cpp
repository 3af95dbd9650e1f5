// The headset's two audio panels built from their nested skins, bound to the
// audio side on a fresh profile and driven by control name.
#include <gtest/gtest.h>

#include "../headset/headset_audio_fixture.h"
#include "../ui/qt_env.h"
#include "audio/alsa_audio_chip.h"
#include "audio/mixer_description.h"
#include "ui/device/magic_control.h"
#include "ui/device/voice6533_control.h"
#include "ui/skin_tags.h"
#include "ui/toolkit/window.h"

namespace tessel::ui {
namespace {

namespace prop = audio::prop;

class PanelWnd : public WindowImplBase {
 public:
  QString GetWindowClassName() const override { return QStringLiteral("AudioPanelTestWnd"); }
  QString GetSkinFile() override {
    return QStringLiteral("<Window size=\"520,760\"><VerticalLayout name=\"root\"><Voice6533SetControlUI/>"
                          "<MagicSetControlUI/></VerticalLayout></Window>");
  }
  CControlUI* CreateControl(const QString& tag) override { return CreateSkinTag(tag, this, &m_pm); }
  void Notify(TNotifyUI& msg) override {
    if (voice && voice->HandleNotify(msg)) return;
    if (magic) magic->HandleNotify(msg);
  }
  CVoice6533ControlUI* voice = nullptr;
  CMagicControlUI* magic = nullptr;
};

class AudioPanels : public ::tessel::test::HeadsetAudioFixture {
 protected:
  void SetUp() override {
    HeadsetAudioFixture::SetUp();
    test::UseProjectResources();
    ASSERT_TRUE(wnd_.Create(nullptr, QStringLiteral("audio panels"), WS_VISIBLE, 0, 0, 0, 520, 760));
    QCoreApplication::processEvents();
    voice_ = dynamic_cast<CVoice6533ControlUI*>(C("Voice6533ControlItem"));
    magic_ = dynamic_cast<CMagicControlUI*>(C("MagicControlItem"));
    ASSERT_NE(voice_, nullptr);
    ASSERT_NE(magic_, nullptr);
    wnd_.voice = voice_;
    wnd_.magic = magic_;
    voice_->onMessage = [this](const char* key) { messages_.push_back(key); };
  }
  void bind() {
    activate();
    voice_->Bind(&audio_);
    magic_->Bind(&audio_);
  }
  CControlUI* C(const char* name) { return wnd_.GetManager().FindControl(QString::fromLatin1(name)); }
  COptionUI* O(const char* name) { return dynamic_cast<COptionUI*>(C(name)); }
  CSliderUI* S(const char* name) { return dynamic_cast<CSliderUI*>(C(name)); }
  void Slide(const char* name, int value) {
    S(name)->SetValue(value);
    wnd_.GetManager().SendNotify(C(name), notify::kValueChanged);
  }

  PanelWnd wnd_;
  CVoice6533ControlUI* voice_ = nullptr;
  CMagicControlUI* magic_ = nullptr;
  std::vector<std::string> messages_;
};

TEST_F(AudioPanels, ShowTheProfileAndTheChip) {
  bind();
  EXPECT_TRUE(O("6533_eq_option_5")->IsSelected());
  EXPECT_FALSE(O("6533_eq_option_13")->IsSelected());
  EXPECT_FALSE(C("custom_eq_name_edit")->IsEnabled());
  EXPECT_TRUE(C("6533_eq_hz_slider_0")->IsEnabled());
  EXPECT_EQ(S("6533_MicIn_slider")->GetValue(), 80);
  EXPECT_TRUE(O("6533_MicIn_option")->IsSelected());
  EXPECT_FALSE(O("6533_MicMoniter_option")->IsSelected());
  EXPECT_FALSE(O("magic_enable_option")->IsSelected());
  EXPECT_FALSE(C("magic_option_2")->IsEnabled());
  EXPECT_FALSE(C("6533_eq_unavailable_text")->GetOwnVisible());
  EXPECT_TRUE(chip_->calls().empty());  // showing writes nothing
}

TEST_F(AudioPanels, EqualiserControlsDriveTheChipAndTheProfile) {
  bind();
  ASSERT_TRUE(O("6533_eq_option_6")->Activate());
  EXPECT_EQ(writtenInts("EQ_Slider3"), std::vector<int>{-13});
  EXPECT_EQ(S("6533_eq_hz_slider_2")->GetValue(), -13);
  EXPECT_EQ(fileElement()["SystemSetStages"]["EqType"].asInt(), 6);

  Slide("6533_eq_hz_slider_3", 12);
  EXPECT_EQ(writtenInts("EQ_Slider4"), (std::vector<int>{-6, 12}));  // the preset, then the slider
  EXPECT_TRUE(O("6533_eq_option_13")->IsSelected());
  EXPECT_TRUE(C("custom_eq_name_edit")->IsEnabled());

  C("custom_eq_name_edit")->SetText(QStringLiteral("Deep"));
  ASSERT_TRUE(C("hs_EQ_btn_save")->Activate());
  auto* combo = dynamic_cast<CComboUI*>(C("custom_eq_name_combo"));
  ASSERT_EQ(combo->GetItemCount(), 1);
  EXPECT_EQ(combo->GetItemText(0), "Deep");
  EXPECT_EQ(combo->GetCurSel(), 0);
  EXPECT_EQ(fileBands("CustomEQHzValueInfo", 0)[3], 12);
  EXPECT_TRUE(messages_.empty());
  C("custom_eq_name_edit")->SetText(QStringLiteral("DEEP"));
  C("hs_EQ_btn_save")->Activate();
  EXPECT_EQ(messages_, std::vector<std::string>{"message_text_5"});

  ASSERT_TRUE(C("hs_EQ_btn_delete")->Activate());
  EXPECT_EQ(combo->GetItemCount(), 0);
  EXPECT_TRUE(O("6533_eq_option_1")->IsSelected());
  EXPECT_FALSE(C("custom_eq_name_edit")->IsEnabled());
}

TEST_F(AudioPanels, MicrophoneMonitorAndVoiceControls) {
  bind();
  ASSERT_TRUE(O("6533_MicIn_option")->Activate());  // live -> muted
  EXPECT_EQ(writtenInts(prop::kMute), std::vector<int>{1});
  Slide("6533_MicMoniter_slider", 42);
  EXPECT_EQ(chip_->writesOf(prop::kAAVolumeScalar).back().value.asReal(), 0.42f);
  EXPECT_EQ(fileElement()["SystemSetStages"]["MicMoniterValue"].asInt(), 42);

  ASSERT_TRUE(O("magic_enable_option")->Activate());
  EXPECT_EQ(writtenInts(prop::kMagicVoice), std::vector<int>{1});
  EXPECT_TRUE(C("magic_option_2")->IsEnabled());
  ASSERT_TRUE(O("magic_option_4")->Activate());
  EXPECT_EQ(writtenInts(prop::kMagicVoiceSelection), std::vector<int>{3});
  EXPECT_EQ(fileElement()["SystemSetStages"]["MagicType"].asInt(), 4);
}

TEST_F(AudioPanels, GroupsTheCardCannotDriveAreUnavailableWithTheirReason) {
  auto mixer = std::make_shared<audio::RecordedMixer>(audio::parseMixerDescription(
      "Simple mixer control 'Mic',0\n"
      "  Capabilities: pvolume cvolume pswitch cswitch\n"
      "  Limits: Playback 0 - 127 Capture 0 - 16\n"
      "  Mono: Playback 96 [76%] [off] Capture 8 [50%] [on]\n"));
  struct Shared : audio::MixerBackend {
    std::shared_ptr<audio::RecordedMixer> m;
    std::vector<audio::MixerControl> controls() override { return m->controls(); }
    bool setSwitch(std::string_view c, audio::Stream s, bool on) override { return m->setSwitch(c, s, on); }
    bool setVolume(std::string_view c, audio::Stream s, long v) override { return m->setVolume(c, s, v); }
  };
  binding_.setChip(std::make_shared<audio::AlsaAudioChip>([mixer]() -> std::unique_ptr<audio::MixerBackend> {
    auto s = std::make_unique<Shared>();
    s->m = mixer;
    return s;
  }));
  bind();
  EXPECT_FALSE(C("6533_eq_option_3")->IsEnabled());
  EXPECT_FALSE(C("6533_eq_hz_slider_0")->IsEnabled());
  EXPECT_TRUE(C("6533_eq_unavailable_text")->GetOwnVisible());
  EXPECT_TRUE(C("6533_eq_unavailable_text")->GetText().contains(QStringLiteral("equaliser")));
  // The reason line makes room for itself; the groups that work keep their height.
  EXPECT_EQ(C("6533_eq_layout")->GetFixedHeight(), 270 + C("6533_eq_unavailable_text")->GetFixedHeight() + 4);
  EXPECT_EQ(C("6533_mic_layout")->GetFixedHeight(), 30);
  EXPECT_FALSE(C("magic_enable_option")->IsEnabled());
  EXPECT_TRUE(C("magic_unavailable_text")->GetOwnVisible());
  EXPECT_TRUE(C("6533_MicIn_slider")->IsEnabled());
  EXPECT_FALSE(C("6533_mic_unavailable_text")->GetOwnVisible());
  EXPECT_EQ(S("6533_MicIn_slider")->GetValue(), 50);

  // Another mixer program changes the level; showing the page again picks it up.
  mixer->find("Mic")->capture.volume = 4;
  audio_.readChipState();
  voice_->ShowState();
  EXPECT_EQ(S("6533_MicIn_slider")->GetValue(), 25);
  Slide("6533_MicIn_slider", 75);
  EXPECT_EQ(mixer->find("Mic")->capture.volume, 12);
}

}  // namespace
}  // namespace tessel::ui
