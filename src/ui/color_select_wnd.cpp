#include "ui/color_select_wnd.h"

#include "config/light_editor_rules.h"
#include "platform/debug.h"

namespace tessel::ui {

namespace {

constexpr char kMultiColourImage[] = "common/base1.png";
// The ring the selected swatch wears.
constexpr char kSwatchRing[] = "common/swatch_ring.svg";

CColorSelectWnd* g_open = nullptr;

// N of "<prefix>N" for N in 0..19, else -1.
int SwatchIndex(const QString& name, QLatin1String prefix) {
  if (!name.startsWith(prefix)) return -1;
  bool ok = false;
  const int n = name.mid(prefix.size()).toInt(&ok);
  return ok && n >= 0 && n < kPaletteSwatchCount && QString::number(n) == name.mid(prefix.size()) ? n : -1;
}

QString PresetName(int i) { return QStringLiteral("color_option_%1").arg(i); }
QString FavouriteName(int i) { return QStringLiteral("collect_color_option_%1").arg(i); }

}  // namespace

CColorSelectWnd::CColorSelectWnd(DWORD colour, bool multiColour, bool offerMultiColour, std::filesystem::path file)
    : colour_(colour | 0xFF000000u),
      multiColour_(multiColour && offerMultiColour),
      offerMultiColour_(offerMultiColour),
      file_(std::move(file)) {}

CColorSelectWnd::~CColorSelectWnd() {
  if (g_open == this) g_open = nullptr;
}

bool CColorSelectWnd::IsOpen() { return g_open != nullptr; }

std::optional<CColorSelectWnd::Choice> CColorSelectWnd::Choose(CWindowWnd* parent, DWORD colour, bool multiColour,
                                                               bool offerMultiColour) {
  if (g_open) return std::nullopt;
  CColorSelectWnd dialog(colour, multiColour, offerMultiColour);
  g_open = &dialog;
  if (!dialog.Create(parent, QStringLiteral("PalletDialog"), WS_POPUP | WS_CLIPCHILDREN, WS_EX_TOOLWINDOW, 0, 0, 800,
                     572)) {
    g_open = nullptr;
    return std::nullopt;
  }
  dialog.CenterWindow();
  const UINT result = dialog.ShowModal();
  g_open = nullptr;
  if (result != kResultOk) return std::nullopt;
  return Choice{dialog.GetColour(), dialog.GetMultiColour()};
}

template <typename T>
T* CColorSelectWnd::Find(const QString& name) const {
  return dynamic_cast<T*>(const_cast<CPaintManagerUI&>(m_pm).FindControl(name));
}

void CColorSelectWnd::InitWindow() {
  LoadPalette();
  ShowMultiColour(offerMultiColour_);
  SetMultiColour(multiColour_);
  ShowColour();
}

void CColorSelectWnd::LoadPalette() {
  // Without a file the swatches keep the layout's colours; those are what a
  // later write stores.
  for (int i = 0; i < kPaletteSwatchCount; ++i) {
    if (auto* p = Find<CControlUI>(PresetName(i))) palette_.presets[static_cast<size_t>(i)] = p->GetBkColor();
    if (auto* f = Find<CControlUI>(FavouriteName(i))) f->SetUserData(QString());
  }
  const auto stored = readPaletteFile(file_);
  if (!stored) return;
  for (int i = 0; i < kPaletteSwatchCount; ++i) {
    const auto n = static_cast<size_t>(i);
    if (stored->presets[n] != 0) {
      palette_.presets[n] = stored->presets[n];
      if (auto* p = Find<COptionUI>(PresetName(i))) {
        p->SetBkColor(stored->presets[n]);
        p->SetSelectedBkColor(stored->presets[n]);
      }
    }
    // A slot is only painted when it says it holds a colour.
    if (stored->favourites[n].used && stored->favourites[n].argb != 0) {
      palette_.favourites[n] = stored->favourites[n];
      PaintFavourite(i);
    }
  }
  palette_.presetSelection = stored->presetSelection;
  palette_.favouriteSelection = stored->favouriteSelection;
  if (palette_.presetSelection >= 0)
    if (auto* p = Find<COptionUI>(PresetName(palette_.presetSelection))) p->Selected(true, false);
  if (palette_.favouriteSelection >= 0)
    if (auto* f = Find<COptionUI>(FavouriteName(palette_.favouriteSelection))) f->Selected(true, false);
}

void CColorSelectWnd::PaintFavourite(int index) {
  auto* f = Find<COptionUI>(FavouriteName(index));
  if (!f) return;
  const PaletteFavourite& fav = palette_.favourites[static_cast<size_t>(index)];
  if (!fav.used) return;
  f->SetBkColor(fav.argb);
  f->SetSelectedBkColor(fav.argb);
  f->SetUserData(QStringLiteral("1"));
  f->SetBorderSize(0);
  f->SetText(QString());
}

void CColorSelectWnd::ShowColour() {
  const DWORD c = colour_ | 0xFF000000u;
  if (auto* preview = Find<CControlUI>(QStringLiteral("color_show_btn"))) {
    preview->SetBkColor(c);
    preview->SetBkImage(multiColour_ ? QString::fromLatin1(kMultiColourImage) : QString());
  }
  if (auto* pallet = Find<CColorPaletteUI>(QStringLiteral("Pallet"))) pallet->SetSelectColor(c);
  const int channels[3] = {int((c >> 16) & 0xFF), int((c >> 8) & 0xFF), int(c & 0xFF)};
  const char* boxes[3] = {"color_edit_r", "color_edit_g", "color_edit_b"};
  for (int i = 0; i < 3; ++i)
    if (auto* box = Find<CControlUI>(QString::fromLatin1(boxes[i]))) box->SetText(QString::number(channels[i]));
}

void CColorSelectWnd::SetMultiColour(bool on) {
  multiColour_ = on && offerMultiColour_;
  if (auto* option = Find<COptionUI>(QStringLiteral("7color"))) option->Selected(multiColour_, false);
  ShowColour();
}

void CColorSelectWnd::ShowMultiColour(bool show) {
  offerMultiColour_ = show;
  for (const char* name : {"7color", "7color_layout"})
    if (auto* c = Find<CControlUI>(QString::fromLatin1(name))) c->SetVisible(show);
  if (!show) SetMultiColour(false);
}

void CColorSelectWnd::TakeColour(DWORD colour) {
  colour_ = colour | 0xFF000000u;
  SetMultiColour(false);
  const int sel = palette_.favouriteSelection;
  if (sel >= 0) {
    auto* f = Find<COptionUI>(FavouriteName(sel));
    if (f && f->IsSelected()) {
      palette_.favourites[static_cast<size_t>(sel)] = {colour_, true};
      PaintFavourite(sel);
      WritePalette();
    }
  }
}

void CColorSelectWnd::TakeTypedColour() {
  DWORD c = 0xFF000000u;
  const char* boxes[3] = {"color_edit_r", "color_edit_g", "color_edit_b"};
  for (int i = 0; i < 3; ++i) {
    auto* box = Find<CControlUI>(QString::fromLatin1(boxes[i]));
    const ColourBoxValue v = readColourBox(box ? box->GetText().toStdString() : std::string());
    c |= DWORD(v.value) << (16 - 8 * i);
  }
  if (c != (colour_ | 0xFF000000u) || multiColour_) TakeColour(c);
  else ShowColour();  // shows the clamped texts
}

void CColorSelectWnd::WritePalette() {
  if (!writePaletteFile(file_, palette_)) debugLine("palette file not written");
}

void CColorSelectWnd::Notify(TNotifyUI& msg) {
  if (!msg.pSender) return;
  const QString name = msg.pSender->GetName();
  if (msg.sType == notify::kClick) {
    if (name == QLatin1String("okbtn")) {
      Close(Find<CColorPaletteUI>(QStringLiteral("Pallet")) ? kResultOk : kResultNoPalette);
    } else if (name == QLatin1String("closebtn")) {
      Close(0);
    } else if (const int i = SwatchIndex(name, QLatin1String("color_option_")); i >= 0) {
      if (auto* option = dynamic_cast<COptionUI*>(msg.pSender)) option->Selected(true, false);
      palette_.presetSelection = i;
      WritePalette();
      TakeColour(msg.pSender->GetBkColor());
    } else if (const int j = SwatchIndex(name, QLatin1String("collect_color_option_")); j >= 0) {
      if (auto* option = dynamic_cast<COptionUI*>(msg.pSender)) option->Selected(true, false);
      palette_.favouriteSelection = j;
      const PaletteFavourite fav = palette_.favourites[static_cast<size_t>(j)];
      WritePalette();
      if (msg.pSender->GetUserData() == QLatin1String("1")) {
        colour_ = fav.argb | 0xFF000000u;
        SetMultiColour(false);
      }
    }
  } else if (msg.sType == notify::kSelectChanged && name == QLatin1String("7color")) {
    if (auto* option = dynamic_cast<COptionUI*>(msg.pSender)) SetMultiColour(option->IsSelected());
  } else if (msg.sType == notify::kColorChanged && name == QLatin1String("Pallet")) {
    TakeColour(static_cast<DWORD>(msg.wParam));
  } else if ((msg.sType == notify::kKillFocus || msg.sType == notify::kReturn) &&
             (name == QLatin1String("color_edit_r") || name == QLatin1String("color_edit_g") ||
              name == QLatin1String("color_edit_b"))) {
    TakeTypedColour();
  }
}

}  // namespace tessel::ui
