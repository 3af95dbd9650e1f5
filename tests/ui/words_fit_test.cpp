// Every word of the window can be read: the real main window with all four
// emulated products, in Chinese and English, at 100 %, 150 % and 200 %, with
// every tab of every page shown in turn, the profile menu and the button
// editor open. No label, button, option or check box may draw its text
// wider than the room it has (a control that ends a long text with "..."
// must carry the whole text as its tooltip), no wrapping text may run out
// of its box, and every choice of a drop-down must fit its box.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QFontMetrics>
#include <QStyleOptionComboBox>
#include <set>

#include "main_window_env.h"
#include "platform/settings_store.h"
#include "sim/firmware_products.h"
#include "sim/virtual_bus.h"
#include "ui/device/device_profile.h"
#include "ui/device/device_profile_page.h"
#include "ui/device/mouse_page.h"
#include "ui/device/select_panel.h"
#include "ui/main_wnd.h"

namespace tessel::ui {
namespace {

// The padding a drawn control keeps round its text (protected in the toolkit).
struct TextPaddingOf : CControlUI {
  static QMargins Of(const CControlUI& c) { return c.*(&TextPaddingOf::textPadding_); }
};

// Why `c`'s text does not fit, or empty.
QString Clipped(CControlUI* c) {
  QWidget* w = c->ExistingWidget();
  if (!w || !c->IsVisible() || !w->isVisible() || !c->GetManager()) return {};
  if (auto* combo = qobject_cast<QComboBox*>(w)) {
    // Any choice may become the shown one.
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.editable = combo->isEditable();
    const QRect field = combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo);
    const QFontMetrics fm(combo->font());
    for (int i = 0; i < combo->count(); ++i)
      if (fm.horizontalAdvance(combo->itemText(i)) > field.width())
        return QStringLiteral("choice \"%1\" is %2 wide, the box %3").arg(combo->itemText(i)).arg(fm.horizontalAdvance(combo->itemText(i))).arg(field.width());
    return {};
  }
  if (!dynamic_cast<CLabelUI*>(c) || c->GetText().isEmpty()) return {};
  if (w->metaObject() != &QWidget::staticMetaObject) return {};  // a native widget draws its own text
  if (dynamic_cast<CCheckBoxUI*>(c)) w->grab();  // a check box sets its text padding while painting
  const QMargins pad = TextPaddingOf::Of(*c);
  const QRect room = w->rect().marginsRemoved(
      QMargins(c->Scale(pad.left()), c->Scale(pad.top()), c->Scale(pad.right()), c->Scale(pad.bottom())));
  QFont font = c->GetManager()->GetFont(c->GetFont());
  QString text = c->GetText();
  if (auto* key = dynamic_cast<CDeviceKeyButtonUI*>(c)) {
    // A key of a picture may show a short form, a little smaller.
    const CDeviceKeyButtonUI::ShownText shown = key->FitText(room);
    if (shown.cut) return c->GetToolTip().contains(text) ? QString() : QStringLiteral("is cut and no tooltip names it");
    text = shown.text;
    font = shown.font;
  }
  const QFontMetrics fm(font);
  if (c->GetTextStyle() & DT_WORDBREAK) {
    const QRect need = fm.boundingRect(QRect(0, 0, room.width(), 100000), Qt::TextWordWrap, text);
    if (need.height() > room.height() || need.width() > room.width())
      return QStringLiteral("needs %1x%2, has %3x%4").arg(need.width()).arg(need.height()).arg(room.width()).arg(room.height());
    return {};
  }
  if (fm.horizontalAdvance(text) <= room.width()) return {};
  if ((c->GetTextStyle() & DT_END_ELLIPSIS) && c->GetToolTip().contains(text)) return {};
  return QStringLiteral("is %1 wide, has %2").arg(fm.horizontalAdvance(text)).arg(room.width());
}

class WordsFitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::PrepareMainWindowTest(clock_);
    bus_.setFirmwareFactory([](const sim::ProductInfo& info) -> std::shared_ptr<sim::Firmware> {
      return sim::makeProductFirmware(info.name);
    });
    home_ = test::UseFreshHome("tessel-words");
    SettingsStore().create();
    hid::setDefaultBackend(&bus_);
    wnd_.SetHidBackend(&bus_);
    wnd_.SetWatcherThread(false);
    wnd_.SetDeviceThreads(false);
    ASSERT_TRUE(wnd_.Create(nullptr, QStringLiteral("Tessel RGB"), WS_VISIBLE, 0, 0, 0, 1000, 640));
    ASSERT_TRUE(test::SpinUntil([&] { return wnd_.GetRegistry() != nullptr; }));
    for (const char* product : {"mouse", "keyboard", "mousepad", "headset"}) ASSERT_TRUE(bus_.plug(product));
    wnd_.GetWatcher()->pass();
    clock_.advance(Millis(500 + 50));  // connected
    QCoreApplication::processEvents();
  }
  void TearDown() override {
    wnd_.DestroyWindow();
    hid::setDefaultBackend(nullptr);
    CPaintManagerUI::SetDefaultScheduler(nullptr);
    std::filesystem::remove_all(home_);
  }

  void Check(CControlUI* root, const QString& where) {
    // A shown page lays out its children in turn: let every level settle.
    for (int i = 0; i < 4; ++i) QCoreApplication::processEvents();
    root->FindControl([&](CControlUI* c) {
      const QString why = Clipped(c);
      if (why.isEmpty()) return false;
      QString name = c->GetName();
      for (CControlUI* up = c->GetParent(); name.isEmpty() && up; up = up->GetParent()) name = up->GetName() + "/?";
      faults_.insert(where + " " + name + " \"" + c->GetText() + "\": " + why);
      return false;
    });
  }
  // The shown tab layouts inside `root` that no other tab layout holds.
  static std::vector<CTabLayoutUI*> InnerTabs(CControlUI* root) {
    std::vector<CTabLayoutUI*> found;
    root->FindControl([&](CControlUI* c) {
      auto* t = dynamic_cast<CTabLayoutUI*>(c);
      if (!t || c == root || !t->IsVisible()) return false;
      for (CControlUI* up = c->GetParent(); up && up != root; up = up->GetParent())
        if (dynamic_cast<CTabLayoutUI*>(up)) return false;
      found.push_back(t);
      return false;
    });
    return found;
  }
  // Shows every page of `tabs` in turn, and every page of the tab layouts
  // inside it, checking `page` each time (faults are told by language and DPI).
  void Walk(CTabLayoutUI* tabs, CControlUI* page, const QString& where) {
    const int was = tabs->GetCurSel();
    for (int i = 0; i < tabs->GetCount(); ++i) {
      tabs->SelectItem(i);
      Check(page, where);
      for (CTabLayoutUI* inner : InnerTabs(tabs->GetItemAt(i))) Walk(inner, page, where);
    }
    tabs->SelectItem(was);
  }

  ManualClock clock_;
  sim::VirtualHidBus bus_;
  std::string home_;
  CMainWnd wnd_;
  std::set<QString> faults_;
};

TEST_F(WordsFitTest, NoTextIsClippedInEitherLanguageAtAnyScale) {
  auto* pages = dynamic_cast<CTabLayoutUI*>(wnd_.GetManager().FindControl(QStringLiteral("device_switch")));
  ASSERT_NE(pages, nullptr);
  for (int language : {0, 1}) {
    wnd_.ApplyLanguage(language);
    for (int dpi : {96, 144, 192}) {
      wnd_.GetManager().SetDPI(96);
      wnd_.ResizeClient(1000, 640);
      wnd_.GetManager().SetDPI(dpi);
      const QString where = QString::number(language) + "@" + QString::number(dpi);
      for (int option = 0; option < 4; ++option) {
        const DevicePage* p = wnd_.GetRegistry()->pageForOption(option);
        ASSERT_NE(p, nullptr) << option;
        CBrelvikUSBDevice* page = wnd_.PageOf(*p);
        pages->SelectItem(p->pageIndex);
        if (CDeviceProfileUI* selector = page->Profile().Selector()) selector->ShowProfileMenu(true);
        if (auto* mouse = dynamic_cast<CBrelvikMouseDevice*>(page)) mouse->OpenKeyEditor(3);
        const QString here = where + " " + page->GetName();
        Check(wnd_.GetManager().GetRoot(), here);  // the caption, the device bar and the page as it opens
        for (CTabLayoutUI* tabs : InnerTabs(page)) Walk(tabs, page, here);
      }
    }
  }
  for (const QString& fault : faults_) ADD_FAILURE() << fault.toStdString();
}

}  // namespace
}  // namespace tessel::ui
