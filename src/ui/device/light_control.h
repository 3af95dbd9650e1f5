#pragma once
// CLightControlUI: the light editor of a device page ("LightControlItem",
// built from XML/CustomControlXML/LightControl.xml). It shows one light
// record: the mode list "light_combo_modeSelect", brightness and speed
// sliders, the direction checks, the multi-colour check, the colour boxes,
// the swatch "deng_Color_Pallet" (opens the palette dialog) and the palette
// entries "color_option_N"; the groups a mode does not use are unavailable.
//
// The editor holds no settings of its own: each edited control becomes a
// changed record (config/light_editor_rules.h) reported to the page through
// `onChange`; the page stores it and writes the device, then shows the
// record again.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "config/light_editor_rules.h"
#include "config/light_mode_list.h"
#include "core/light_record.h"
#include "ui/toolkit/controls.h"

namespace tessel::ui {

class CComboUI;
class CWindowWnd;

class CLightControlUI : public CVerticalLayoutUI {
 public:
  // Opens a colour chooser with the current colour; nullopt when cancelled.
  struct ChosenColour {
    DWORD colour = 0;
    bool multiColour = false;
  };
  using ColourChooser = std::function<std::optional<ChosenColour>(DWORD colour, bool multiColour, bool offerMulti)>;

  CLightControlUI();
  QString GetClass() const override { return QStringLiteral("LightControl"); }

  void SetDeviceType(int typeCode) { deviceType_ = typeCode; }
  int GetDeviceType() const { return deviceType_; }
  // Mode names are language keys; hidden modes keep their position. User
  // sequences follow from select item 10 on.
  void FillModeList(const std::vector<LightModeEntry>& modes, const std::vector<std::string>& sequenceNames,
                    int brightnessMax, int speedMax);
  // Shows the record without raising notifications, then the groups its mode uses.
  void ShowRecord(const LightRecord& record);
  const LightRecord& GetRecord() const { return record_; }
  // Whether the page may show "deng_same_mode" at all (the main window decides).
  void SetSameModeAllowed(bool allowed);
  bool IsSameModeAllowed() const { return sameModeAllowed_; }

  // The page's side.
  std::function<void(const LightRecord&)> onChange;
  std::function<void()> onSameMode;
  // Where the palette dialog is opened (the main window), and a replacement
  // chooser for tests.
  void SetOwnerWindow(CWindowWnd* owner) { owner_ = owner; }
  void SetColourChooser(ColourChooser chooser) { chooser_ = std::move(chooser); }

  // A notification of one of the page's controls; true when it was the editor's.
  bool HandleNotify(TNotifyUI& msg);

  // ---- the device audio light settings ("audio_setting_layout",
  // light_control_audio.cpp): shown only while the page plays the audio
  // mode; each edit becomes a changed record reported through onAudioChange.
  void ShowAudioRecord(const AudioLightRecord& record);
  const AudioLightRecord& GetAudioRecord() const { return audio_; }
  // Whether the page's mode is the audio mode (the group is shown then).
  void SetAudioModeShown(bool shown);
  bool IsAudioModeShown() const { return audioShown_; }
  // Audio lighting cannot run (the companion could not capture): the group
  // says so, with `why` in the tooltip. An empty `why` clears it.
  void SetAudioUnavailable(bool unavailable, const QString& why = QString());
  std::function<void(const AudioLightRecord&)> onAudioChange;

  // The mode names the list shows (language keys) and the user sequences.
  const std::vector<std::string>& ModeNames() const { return modeNames_; }
  const std::vector<std::string>& SequenceNames() const { return sequenceNames_; }

 private:
  template <typename T>
  T* Find(const char* name) const;
  bool Contains(const CControlUI* control) const;
  bool IsKeyboard() const;
  // The device's mode byte of the record's mode (its position when the list has none).
  int ModeCode() const;
  // The groups the record's mode uses on this device.
  LightGroups Groups() const;
  void ShowGroups();
  void Change(const LightRecord& next);
  void TakeColourBox(const char* name, int field);
  void OpenPalette();
  bool HandleAudioNotify(TNotifyUI& msg);
  void ChangeAudio(const AudioLightRecord& next);
  void FillAudioStyles();

  int deviceType_ = 2;
  LightRecord record_;
  bool sameModeAllowed_ = false;
  bool showing_ = false;
  std::vector<std::string> modeNames_;
  std::vector<uint8_t> modeCodes_;  // the device's mode byte of each position
  std::vector<std::string> sequenceNames_;
  CWindowWnd* owner_ = nullptr;
  ColourChooser chooser_;
  AudioLightRecord audio_;
  bool audioShown_ = false;
};

}  // namespace tessel::ui
