#include "ui/device/shoot_control.h"

#include <QFileDialog>
#include <QFileInfo>

#include "ui/msg_wnd.h"
#include "ui/toolkit/paint_manager.h"
#include "ui/toolkit/resource_manager.h"
#include "ui/toolkit/window.h"

namespace tessel::ui {

namespace {

QString Text(std::string_view key) {
  return CResourceManager::GetInstance()->GetText(QString::fromUtf8(key.data(), static_cast<int>(key.size())));
}

// N of "<prefix>N" (decimal digits only) when below `limit`, else -1.
int Indexed(const QString& name, const char* prefix, int limit) {
  const QLatin1String p(prefix);
  if (!name.startsWith(p) || name.size() == p.size()) return -1;
  int n = 0;
  for (QChar c : name.mid(p.size())) {
    if (c < '0' || c > '9' || n > limit) return -1;
    n = n * 10 + (c.unicode() - '0');
  }
  return n < limit ? n : -1;
}

QString Named(const char* prefix, int n) { return QLatin1String(prefix) + QString::number(n); }

// The library's sentences start in lower case; a message box shows a sentence.
QString Sentence(const std::string& text) {
  QString s = QString::fromStdString(text);
  if (!s.isEmpty()) s[0] = s[0].toUpper();
  if (!s.endsWith(QLatin1Char('.'))) s += QLatin1Char('.');
  return s;
}

}  // namespace

CShootControlUI::CShootControlUI() {
  hooks_.show = [this](const QString& text) {
    CMsgWnd::ShowMessage(owner_, QString(), text, 96, 0, CMsgWnd::kConfirmOnly);
  };
  hooks_.chooseFile = [this](bool save) {
    QWidget* parent = owner_ ? owner_->GetHWND() : nullptr;
    const QString filter = QString::fromUtf8(macros::kShootFileFilter.data(),
                                             static_cast<int>(macros::kShootFileFilter.size()));
    if (!save) return QFileDialog::getOpenFileName(parent, Text("shoot_import_title"), QString(), filter);
    QString path = QFileDialog::getSaveFileName(parent, Text("shoot_export_title"), QString(), filter);
    if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".shoot");
    return path;
  };
}

CShootControlUI::~CShootControlUI() {
  if (pm_) pm_->RemoveNotifier(this);
}

void CShootControlUI::SetHooks(Hooks hooks) {
  if (hooks.show) hooks_.show = std::move(hooks.show);
  if (hooks.chooseFile) hooks_.chooseFile = std::move(hooks.chooseFile);
}

void CShootControlUI::SetManager(CPaintManagerUI* manager, CControlUI* parent) {
  if (manager != pm_) {
    if (pm_) pm_->RemoveNotifier(this);
    pm_ = manager;
    if (pm_) pm_->AddNotifier(this);
  }
  CVerticalLayoutUI::SetManager(manager, parent);
}

template <typename T>
T* CShootControlUI::Find(const QString& name) const {
  auto* self = const_cast<CShootControlUI*>(this);
  return dynamic_cast<T*>(self->FindControl([&name](CControlUI* c) { return c->GetName() == name; }));
}

void CShootControlUI::FindParts() {
  x_ = Find<CEditUI>(QStringLiteral("bullet_x_eidt"));
  y_ = Find<CEditUI>(QStringLiteral("bullet_y_eidt"));
  delay_ = Find<CEditUI>(QStringLiteral("bullet_delay_eidt"));
  xCheck_ = Find<CCheckBoxUI>(QStringLiteral("bullet_x_check"));
  yCheck_ = Find<CCheckBoxUI>(QStringLiteral("bullet_y_check"));
  index_ = Find<CControlUI>(QStringLiteral("bullet_select_index"));
  pictures_ = Find<CTabLayoutUI>(QStringLiteral("shoot_image_display_switch"));
  ready_ = x_ && y_ && delay_ && xCheck_ && yCheck_ && index_ && pictures_;
  for (int g = 0; g < editor_.gunCount() && ready_; ++g)
    ready_ = Find<COptionUI>(Named("shoot_gun_op_", g)) != nullptr;
  for (int s = 0; s < editor_.shotCount() && ready_; ++s)
    ready_ = Find<COptionUI>(Named("bullet_op_", s)) != nullptr;
}

void CShootControlUI::DoInit() { FindParts(); }

bool CShootControlUI::IsMine(const CControlUI* control) const {
  for (const CControlUI* c = control; c; c = c->GetParent())
    if (c == this) return true;
  return false;
}

void CShootControlUI::Init(const std::filesystem::path& dataFolder, const std::filesystem::path& defaultFolder) {
  if (!ready_) FindParts();
  editor_.setFolders(dataFolder, defaultFolder);
  editor_.initialise();
  ShowState();
}

void CShootControlUI::Reload() {
  editor_.reload();
  ShowState();
}

// ------------------------------------------------------------------ showing

void CShootControlUI::ShowState() {
  if (!ready_) return;
  showing_ = true;
  const int gun = editor_.selectedGun();
  const int shot = editor_.selectedShot();
  for (int g = 0; g < editor_.gunCount(); ++g) Find<COptionUI>(Named("shoot_gun_op_", g))->Selected(g == gun, false);
  pictures_->SelectItem(gun);
  for (int s = 0; s < editor_.shotCount(); ++s) Find<COptionUI>(Named("bullet_op_", s))->Selected(s == shot, false);
  index_->SetText(QString::fromStdString(editor_.shotLabel()));
  const macros::RecoilShot& f = editor_.fields();
  x_->SetText(QString::number(f.x));
  y_->SetText(QString::number(f.y));
  delay_->SetText(QString::number(f.delay));
  xCheck_->SetCheck(macros::RecoilEditor::xCheckOf(f), false);
  yCheck_->SetCheck(macros::RecoilEditor::yCheckOf(f), false);
  ShowDirectionTexts();
  showing_ = false;
}

void CShootControlUI::ShowDirectionTexts() {
  xCheck_->SetText(Text(macros::RecoilEditor::kXCheckTextKey));
  yCheck_->SetText(Text(macros::RecoilEditor::kYCheckTextKey));
}

void CShootControlUI::ReloadText() {
  CVerticalLayoutUI::ReloadText();
  if (ready_) ShowDirectionTexts();
}

void CShootControlUI::ShowWriteResult(WriteOutcome outcome) {
  ShowWriteStatus(Find<CControlUI>(QStringLiteral("shoot_write_status")), outcome);
}

void CShootControlUI::Report(const macros::RecoilResult& result) {
  if (!result.ok() && !result.message.empty()) hooks_.show(Sentence(result.message));
}

// ------------------------------------------------------------------ operations

void CShootControlUI::StoreShot() {
  const macros::RecoilResult r =
      editor_.storeShotText(x_->GetText().toStdString(), macros::RecoilEditor::leftOf(xCheck_->GetCheck()),
                            y_->GetText().toStdString(), macros::RecoilEditor::upOf(yCheck_->GetCheck()),
                            delay_->GetText().toStdString());
  Report(r);
  ShowState();  // the fields show what the file now holds
}

void CShootControlUI::Notify(TNotifyUI& msg) {
  if (!ready_ || showing_ || !msg.pSender || !IsMine(msg.pSender)) return;
  if (HandleWriteStatusTimer(msg)) return;
  CControlUI* sender = msg.pSender;
  const QString name = sender->GetName();
  if (msg.sType == notify::kSelectChanged) {
    if (sender == xCheck_ || sender == yCheck_) {
      // A direction is part of the shot: it is stored at once rather than
      // waiting for a field to lose the focus, which would lose a change
      // followed by a switch to another shot.
      ShowDirectionTexts();
      StoreShot();
      return;
    }
    if (!static_cast<COptionUI*>(sender)->IsSelected()) return;
    if (const int g = Indexed(name, "shoot_gun_op_", editor_.gunCount()); g >= 0) {
      editor_.selectGun(g);
      ShowState();
    } else if (const int s = Indexed(name, "bullet_op_", editor_.shotCount()); s >= 0) {
      editor_.selectShot(s);
      ShowState();
    }
    return;
  }
  if ((msg.sType == notify::kKillFocus || msg.sType == notify::kReturn) &&
      (sender == x_ || sender == y_ || sender == delay_)) {
    StoreShot();
    return;
  }
  if (msg.sType == notify::kClick) OnClick(name);
}

void CShootControlUI::OnClick(const QString& name) {
  if (name == QLatin1String("bullet_selected_prev")) {
    editor_.selectPrevious();
    ShowState();
  } else if (name == QLatin1String("bullet_selected_next")) {
    editor_.selectNext();
    ShowState();
  } else if (name == QLatin1String("shootdate_save_btn")) {
    ClearWriteStatus(Find<CControlUI>(QStringLiteral("shoot_write_status")));
    if (onDownload) onDownload();
  } else if (name == QLatin1String("shootdate_reset_btn")) {
    Report(editor_.reset());
    ShowState();
  } else if (name == QLatin1String("shootdate_import_btn")) {
    const QString path = hooks_.chooseFile(false);
    if (path.isEmpty()) return;
    Report(editor_.importFile(path.toStdString()));
    ShowState();
  } else if (name == QLatin1String("shootdate_export_btn")) {
    const QString path = hooks_.chooseFile(true);
    if (path.isEmpty()) return;
    Report(editor_.exportTo(path.toStdString()));
  }
}

}  // namespace tessel::ui
