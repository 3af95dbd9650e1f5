// The main window's audio styles: loaded at start-up, edited in the style
// window, put back to the factory styles by the profile reset. The selected
// style's colour leaves through the sink the companion link sets.
#include "ui/main_wnd.h"
#include "ui/music_wnd.h"

namespace tessel::ui {

void CMainWnd::LoadAudioStyles() {
  if (!audioStyles_) audioStyles_ = std::make_unique<AudioStyleFile>(AudioStyleFile::standard());
  audioStyles_->load();
  if (styleColourSink_) styleColourSink_(CurrentStyleColourBlock());
}

void CMainWnd::SetStyleColourSink(std::function<void(const StyleColourBlock&)> sink) {
  styleColourSink_ = std::move(sink);
  if (styleColourSink_ && audioStyles_) styleColourSink_(CurrentStyleColourBlock());
}

StyleColourBlock CMainWnd::CurrentStyleColourBlock() const { return encodeStyleColourBlock(GetAudioStyles()); }

const AudioStyleRecord& CMainWnd::GetAudioStyles() const {
  static const AudioStyleRecord kEmpty;
  return audioStyles_ ? audioStyles_->record() : kEmpty;
}

void CMainWnd::OpenAudioStyleWindow() {
  if (!audioStyles_) LoadAudioStyles();
  EditAudioStyles(this, *audioStyles_, styleColourSink_);
}

void CMainWnd::ResetAudioStyles() {
  if (!audioStyles_) audioStyles_ = std::make_unique<AudioStyleFile>(AudioStyleFile::standard());
  audioStyles_->reset();
  // Reloading ends like the start-up load: the companion gets the colour.
  if (styleColourSink_) styleColourSink_(CurrentStyleColourBlock());
}

}  // namespace tessel::ui
