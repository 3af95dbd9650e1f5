#pragma once
// CColorSelectWnd: the palette dialog ("PalletDialog", 800 x 572, modal, one
// at a time) wherever the user picks a lighting colour. It holds the current
// colour and the multi-colour flag; the preview "color_show_btn", the palette
// "Pallet" and the boxes "color_edit_r/g/b" always show the current colour.
// Twenty preset swatches "color_option_N" and twenty favourite slots
// "collect_color_option_N" are kept in "color_option_info.config" (see
// services/palette_file.h); the file is rewritten on every selection.
#include <filesystem>
#include <optional>

#include "services/palette_file.h"
#include "ui/toolkit/window.h"

namespace tessel::ui {

class CColorSelectWnd : public WindowImplBase {
 public:
  // What "okbtn" confirmed.
  struct Choice {
    DWORD colour = 0;  // 0xFFRRGGBB
    bool multiColour = false;
  };
  // Close results: okbtn 1, no palette control 2, the close button 0.
  static constexpr UINT kResultOk = 1;
  static constexpr UINT kResultNoPalette = 2;

  // Opens the dialog modally over `parent` with the caller's colour. nullopt
  // when it was closed without "okbtn", or when a palette dialog is already
  // open (only one at a time).
  static std::optional<Choice> Choose(CWindowWnd* parent, DWORD colour, bool multiColour, bool offerMultiColour);
  static bool IsOpen();

  CColorSelectWnd(DWORD colour, bool multiColour, bool offerMultiColour,
                  std::filesystem::path paletteFile = paletteFilePath());
  ~CColorSelectWnd() override;

  QString GetWindowClassName() const override { return QStringLiteral("ColorSelectWnd"); }
  QString GetSkinFile() override { return QStringLiteral("XML_PALLET"); }
  void InitWindow() override;
  void Notify(TNotifyUI& msg) override;

  DWORD GetColour() const { return colour_; }
  bool GetMultiColour() const { return multiColour_; }
  const PaletteState& GetPalette() const { return palette_; }
  // Hides (or shows) the multi-colour choice; hiding also unselects it.
  void ShowMultiColour(bool show);

 private:
  void LoadPalette();
  // The colour becomes current, the multi-colour flag is cleared, and the
  // selected favourite slot takes the colour.
  void TakeColour(DWORD colour);
  void ShowColour();
  void SetMultiColour(bool on);
  void PaintFavourite(int index);
  void TakeTypedColour();
  void WritePalette();
  template <typename T>
  T* Find(const QString& name) const;

  DWORD colour_;
  bool multiColour_;
  bool offerMultiColour_;
  std::filesystem::path file_;
  PaletteState palette_;
  bool open_ = false;
};

}  // namespace tessel::ui
