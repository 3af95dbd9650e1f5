#include "ui/music_wnd.h"

#include <algorithm>

#include "platform/plain_text.h"
#include "ui/skin_wnd.h"

namespace tessel::ui {

namespace {

MusicWnd* g_open = nullptr;

bool nameIs(const QString& name, const char* text) { return name == QLatin1String(text); }

// "audio_select_tab3" -> 2 for prefix "audio_select_tab"; -1 for any other name.
int styleOf(const QString& name, QLatin1String prefix) {
  if (!name.startsWith(prefix) || name.size() != prefix.size() + 1) return -1;
  const int n = name.back().digitValue();
  return n >= 1 && n <= kAudioStyleCount ? n - 1 : -1;
}

constexpr QLatin1String kTabPrefix("audio_select_tab");
constexpr QLatin1String kNamePrefix("audio_edit_name");
constexpr const char* kSliders[3] = {"audio_r_slider", "audio_g_slider", "audio_b_slider"};

QString indexed(QLatin1String prefix, int style) { return prefix + QString::number(style + 1); }

}  // namespace

MusicWnd::MusicWnd(AudioStyleRecord record) : record_(std::move(record)) {
  if (record_.selected >= kAudioStyleCount) record_.selected = 0;
}

MusicWnd::~MusicWnd() {
  if (g_open == this) g_open = nullptr;
  RemoveSkinReceiver(this);
}

MusicWnd* MusicWnd::Current() { return g_open; }

std::optional<AudioStyleRecord> MusicWnd::Edit(CWindowWnd* owner, const AudioStyleRecord& record) {
  MusicWnd wnd(record);
  if (!wnd.Create(owner, QStringLiteral("MusicWnd"), WS_POPUP | WS_CLIPCHILDREN, WS_EX_TOOLWINDOW)) return std::nullopt;
  wnd.CenterWindow();
  const UINT result = wnd.ShowModal();
  if (result != 1 || !wnd.IsAccepted()) return std::nullopt;
  return wnd.GetRecord();
}

void MusicWnd::InitWindow() {
  g_open = this;
  AddSkinReceiver(this, [this](const SkinChange& c) { ApplySkinToRoot(m_pm.GetRoot(), c); });
  for (int s = 0; s < kAudioStyleCount; ++s) {
    if (auto* edit = dynamic_cast<CEditUI*>(m_pm.FindControl(indexed(kNamePrefix, s))))
      edit->SetText(QString::fromStdString(record_.names[static_cast<size_t>(s)]));
  }
  ShowNames();
  SelectStyle(record_.selected);
}

void MusicWnd::SelectStyle(int style) {
  if (style < 0 || style >= kAudioStyleCount) return;
  record_.selected = static_cast<uint8_t>(style);
  if (auto* tab = dynamic_cast<COptionUI*>(m_pm.FindControl(indexed(kTabPrefix, style))))
    if (!tab->IsSelected()) tab->Selected(true, false);
  // The name box of the style is the page its tab shows.
  if (auto* pages = dynamic_cast<CTabLayoutUI*>(m_pm.FindControl(QStringLiteral("audio_name_layout"))))
    pages->SelectItem(style);
  ShowColour();
}

void MusicWnd::ShowColour() {
  const AudioStyleColour& c = record_.colours[record_.selected];
  const int values[3] = {c.r, c.g, c.b};
  for (int i = 0; i < 3; ++i) {
    if (auto* slider = dynamic_cast<CSliderUI*>(m_pm.FindControl(QString::fromLatin1(kSliders[i])))) {
      slider->SetValue(values[i]);
    }
    if (CControlUI* label = m_pm.FindControl(QString::fromLatin1(kSliders[i]) + QStringLiteral("_value")))
      label->SetText(QString::number(values[i]));
  }
  if (CControlUI* preview = m_pm.FindControl(QStringLiteral("audio_color_preview")))
    preview->SetBkColor(0xFF000000u | static_cast<DWORD>(c.r) << 16 | static_cast<DWORD>(c.g) << 8 | c.b);
}

void MusicWnd::ShowNames() {
  for (int s = 0; s < kAudioStyleCount; ++s) {
    const std::string& name = record_.names[static_cast<size_t>(s)];
    // A style without a name shows its default name on the tab.
    const std::string shown = name.empty() ? std::string(defaultStyleName(s)) : name;
    if (CControlUI* tab = m_pm.FindControl(indexed(kTabPrefix, s))) tab->SetText(QString::fromStdString(shown));
  }
}

void MusicWnd::TakeName(int style) {
  auto* edit = dynamic_cast<CEditUI*>(m_pm.FindControl(indexed(kNamePrefix, style)));
  if (!edit) return;
  std::string name = styleNameFromBox(style, edit->GetText().toStdString());
  // A name with control characters or over 64 characters is not taken: the
  // box goes back to the name the style has.
  if (checkName(name) != NameCheck::Ok) name = record_.names[static_cast<size_t>(style)];
  record_.names[static_cast<size_t>(style)] = name;
  const QString text = QString::fromStdString(name);
  if (edit->GetText() != text) edit->SetText(text);
  ShowNames();
}

void MusicWnd::Notify(TNotifyUI& msg) {
  if (!msg.pSender) return;
  const QString name = msg.pSender->GetName();
  if (msg.sType == notify::kSelectChanged) {
    const int style = styleOf(name, kTabPrefix);
    auto* tab = dynamic_cast<COptionUI*>(msg.pSender);
    if (style >= 0 && tab && tab->IsSelected()) SelectStyle(style);
    return;
  }
  if (msg.sType == notify::kValueChanged || msg.sType == notify::kMoveValueChanged) {
    auto* slider = dynamic_cast<CSliderUI*>(msg.pSender);
    if (!slider) return;
    AudioStyleColour& c = record_.colours[record_.selected];
    const auto value = static_cast<uint8_t>(std::clamp(slider->GetValue(), 0, 255));
    if (nameIs(name, kSliders[0])) c.r = value;
    else if (nameIs(name, kSliders[1])) c.g = value;
    else if (nameIs(name, kSliders[2])) c.b = value;
    else return;
    ShowColour();
    return;
  }
  if (msg.sType == notify::kKillFocus || msg.sType == notify::kReturn) {
    if (const int style = styleOf(name, kNamePrefix); style >= 0) TakeName(style);
    return;
  }
  if (msg.sType != notify::kClick) return;
  if (nameIs(name, "okbtn")) {
    // A name typed and not yet left counts as well: the user pressed OK on it.
    for (int s = 0; s < kAudioStyleCount; ++s) TakeName(s);
    accepted_ = true;
    Close(1);
  } else if (nameIs(name, "closebtn")) {
    accepted_ = false;
    Close(0);
  }
}

bool EditAudioStyles(CWindowWnd* owner, AudioStyleFile& file, const std::function<void(const StyleColourBlock&)>& sink) {
  const auto edited = MusicWnd::Edit(owner, file.record());
  if (!edited) return false;
  if (sink) sink(encodeStyleColourBlock(*edited));
  file.save(*edited);
  return true;
}

}  // namespace tessel::ui
