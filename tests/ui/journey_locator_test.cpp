// The journey locator points only at what a person sees: of controls sharing
// a name, the one on the shown page; nothing clipped away or covered; the
// tile beside a given text; rows of a list; the texts of boxes.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QWidget>

#include "qt_env.h"
#include "ui/journey_locator.h"

namespace tessel::ui {
namespace {

QWidget* Child(QWidget* parent, const char* name, QRect geometry, QWidget* widget = nullptr) {
  if (!widget) widget = new QWidget;
  widget->setParent(parent);
  widget->setObjectName(QLatin1String(name));
  widget->setGeometry(geometry);
  return widget;
}

struct LocatorTest : ::testing::Test {
  void SetUp() override {
    window.setGeometry(100, 50, 400, 300);
    hiddenPage = Child(&window, "page", {0, 0, 400, 300});
    shownPage = Child(&window, "page", {0, 0, 400, 300});
    hiddenPage->hide();
    Child(hiddenPage, "box", {10, 10, 50, 20}, new QLineEdit(QStringLiteral("hidden")));
    Child(shownPage, "box", {200, 100, 50, 20}, new QLineEdit(QStringLiteral("1600")));
    Child(shownPage, "clipped", {390, 10, 40, 20});   // 10 of 40 pixels inside
    Child(shownPage, "outside", {450, 10, 40, 20});   // all outside
    Child(shownPage, "covered", {10, 200, 40, 20});
    Child(shownPage, "cover", {0, 190, 100, 40});     // a later sibling on top
    for (auto [x, text] : {std::pair{10, "Mouse"}, std::pair{120, "Keyboard"}}) {
      QWidget* tile = Child(shownPage, "tile", {x, 240, 100, 50});
      Child(tile, "tile_name", {0, 0, 60, 50}, new QLabel(QLatin1String(text)));
      Child(tile, "device_select", {60, 0, 40, 50});
    }
    list = static_cast<QListWidget*>(Child(shownPage, "list", {10, 40, 150, 120}, new QListWidget));
    list->addItems({QStringLiteral("profile1"), QStringLiteral("profile2")});
    auto* combo = static_cast<QComboBox*>(Child(shownPage, "combo", {200, 10, 120, 24}, new QComboBox));
    combo->addItems({QStringLiteral("Default"), QStringLiteral("Media")});
    combo->setCurrentIndex(1);
    window.show();
    ASSERT_TRUE(test::SpinUntil([&] { return window.isVisible(); }));
  }
  QRect Located(const QString& name) {
    int x = 0, y = 0, w = 0, h = 0;
    return locator.Locate(name, x, y, w, h) ? QRect(x, y, w, h) : QRect();
  }

  QApplication* app = test::EnsureQtApp();
  QWidget window;
  QWidget* hiddenPage = nullptr;
  QWidget* shownPage = nullptr;
  QListWidget* list = nullptr;
  JourneyLocator locator;
};

TEST_F(LocatorTest, PointsOnlyAtWhatIsSeen) {
  const QPoint origin = window.mapToGlobal(QPoint(0, 0));
  EXPECT_EQ(Located(QStringLiteral("box")), QRect(origin + QPoint(200, 100), QSize(50, 20)));
  EXPECT_EQ(locator.Text(QStringLiteral("box")), QStringLiteral("1600"));
  EXPECT_EQ(Located(QStringLiteral("clipped")), QRect(origin + QPoint(390, 10), QSize(10, 20)));
  EXPECT_TRUE(Located(QStringLiteral("outside")).isNull());
  EXPECT_TRUE(Located(QStringLiteral("covered")).isNull());
  EXPECT_TRUE(Located(QStringLiteral("nothing")).isNull());
  shownPage->hide();
  hiddenPage->show();
  EXPECT_EQ(locator.Text(QStringLiteral("box")), QStringLiteral("hidden"));
}

TEST_F(LocatorTest, TilesByTheirTextRowsAndDropDownText) {
  const QPoint origin = window.mapToGlobal(QPoint(0, 0));
  EXPECT_EQ(Located(QStringLiteral("device_select@keyboard")), QRect(origin + QPoint(180, 240), QSize(40, 50)));
  EXPECT_EQ(Located(QStringLiteral("device_select@Mouse")), QRect(origin + QPoint(70, 240), QSize(40, 50)));
  EXPECT_TRUE(Located(QStringLiteral("device_select@Mousepad")).isNull());
  int x = 0, y = 0, w = 0, h = 0;
  ASSERT_TRUE(locator.Item(QStringLiteral("list"), QStringLiteral("profile2"), x, y, w, h));
  const QRect row = list->visualItemRect(list->item(1));
  EXPECT_EQ(QPoint(x, y), list->viewport()->mapToGlobal(row.topLeft()));
  EXPECT_FALSE(locator.Item(QStringLiteral("list"), QStringLiteral("profile3"), x, y, w, h));
  // A drop-down whose list is closed has no rows to click.
  EXPECT_FALSE(locator.Item(QStringLiteral("combo"), QStringLiteral("Default"), x, y, w, h));
  EXPECT_EQ(locator.Text(QStringLiteral("combo")), QStringLiteral("Media"));
}

}  // namespace
}  // namespace tessel::ui
