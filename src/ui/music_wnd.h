#pragma once
// The audio style window: four style tabs, a name box per style, red, green
// and blue sliders for the selected style's colour and a preview of it. It
// edits its own copy of the style record; only "okbtn" hands the copy back,
// the close button leaves everything as it was.
#include <functional>
#include <optional>

#include "services/audio_styles.h"
#include "ui/toolkit/window.h"

namespace tessel::ui {

class MusicWnd : public WindowImplBase {
 public:
  explicit MusicWnd(AudioStyleRecord record);
  ~MusicWnd() override;
  // The window while it is open (one at a time), else nullptr.
  static MusicWnd* Current();

  // Shows the window modally over `owner`; the edited record on OK, nullopt
  // when it was closed without OK.
  static std::optional<AudioStyleRecord> Edit(CWindowWnd* owner, const AudioStyleRecord& record);

  QString GetWindowClassName() const override { return QStringLiteral("MusicWnd"); }
  QString GetSkinFile() override { return QStringLiteral("XML/MusicWnd.xml"); }
  void InitWindow() override;
  void Notify(TNotifyUI& msg) override;

  const AudioStyleRecord& GetRecord() const { return record_; }
  bool IsAccepted() const { return accepted_; }

 private:
  // Makes style `style` the selected one and shows its colour on the sliders.
  void SelectStyle(int style);
  void ShowColour();
  void ShowNames();
  // A name box left: its text becomes the name (empty: the default name).
  void TakeName(int style);

  AudioStyleRecord record_;
  bool accepted_ = false;
};

// "music_setting_btn": edits the styles in the window (modal, over `owner`);
// on OK the selected colour goes to `sink` (when set), the record is stored
// and the file written. True on OK.
bool EditAudioStyles(CWindowWnd* owner, AudioStyleFile& file, const std::function<void(const StyleColourBlock&)>& sink);

}  // namespace tessel::ui
