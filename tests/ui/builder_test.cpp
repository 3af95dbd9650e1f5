// Skin building: tag resolution through the callback, the toolkit and the
// factory; unknown tags; nested "built from" files; attributes.
#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QXmlStreamReader>
#include <memory>
#include <typeinfo>
#include <QFile>
#include <QTemporaryDir>

#include "qt_env.h"
#include "ui/main_wnd.h"
#include "ui/skin_tags.h"
#include "ui/startup.h"
#include "ui/toolkit/builder.h"
#include "ui/toolkit/controls.h"
#include "ui/toolkit/resource_manager.h"

namespace tessel::ui {
namespace {

class Marker : public CContainerUI {
 public:
  QString GetClass() const override { return QStringLiteral("Marker"); }
};

class TagCallback : public IDialogBuilderCallback {
 public:
  CControlUI* CreateControl(const QString& tag) override {
    asked << tag;
    if (tag.compare(QLatin1String("MyPanel"), Qt::CaseInsensitive) == 0) return new Marker;
    return nullptr;
  }
  QStringList asked;
};

class BuilderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::EnsureQtApp();
    dir_ = std::make_unique<QTemporaryDir>();
    CPaintManagerUI::SetResourcePath(dir_->path());
    CResourceManager::GetInstance()->Release();
  }
  void Write(const QString& rel, const QByteArray& xml) {
    QDir(dir_->path()).mkpath(QFileInfo(rel).path());
    QFile f(dir_->path() + '/' + rel);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(xml);
  }
  std::unique_ptr<QTemporaryDir> dir_;
  CPaintManagerUI pm_;
};

TEST_F(BuilderTest, TagsResolveThroughCallbackToolkitAndFactoryIgnoringCase) {
  CControlFactory::GetInstance()->RegistControl(QStringLiteral("CFactoryThingUI"), [] { return new Marker; });
  TagCallback callback;
  CDialogBuilder builder;
  CControlUI* root = builder.Create(QStringLiteral(
                                        "<Window size=\"300,200\" caption=\"0,0,0,30\">"
                                        "<VERTICALLAYOUT name=\"root\">"
                                        "  <mypanel name=\"a\"/>"
                                        "  <factorything name=\"b\"/>"
                                        "  <cfactorythingui name=\"c\"/>"
                                        "  <button name=\"d\" text=\"Go\"/>"
                                        "</VERTICALLAYOUT></Window>"),
                                    QString(), &callback, &pm_);
  ASSERT_NE(root, nullptr);
  pm_.AttachDialog(root);
  EXPECT_EQ(pm_.GetInitSize(), QSize(300, 200));
  EXPECT_EQ(root->GetClass(), "VerticalLayout");
  EXPECT_EQ(pm_.FindControl("a")->GetClass(), "Marker");  // callback
  EXPECT_EQ(pm_.FindControl("b")->GetClass(), "Marker");  // factory as C<tag>UI
  EXPECT_EQ(pm_.FindControl("c")->GetClass(), "Marker");  // factory by its own name
  EXPECT_EQ(pm_.FindControl("d")->GetClass(), "Button");
  EXPECT_EQ(pm_.FindControl("d")->GetText(), "Go");
  EXPECT_TRUE(callback.asked.contains("mypanel"));
  CControlFactory::GetInstance()->UnregistControl(QStringLiteral("CFactoryThingUI"));
}

TEST_F(BuilderTest, UnknownTagYieldsNoControlAndNoError) {
  CDialogBuilder builder;
  CControlUI* root = builder.Create(QStringLiteral("<VerticalLayout name=\"root\">"
                                                   "<NoSuchThing name=\"x\"><Button name=\"inner\"/></NoSuchThing>"
                                                   "<Label name=\"after\"/></VerticalLayout>"),
                                    QString(), nullptr, &pm_);
  ASSERT_NE(root, nullptr);
  pm_.AttachDialog(root);
  EXPECT_TRUE(builder.GetLastErrorMessage().isEmpty());
  EXPECT_EQ(root->GetCount(), 1);
  EXPECT_EQ(pm_.FindControl("x"), nullptr);
  EXPECT_EQ(pm_.FindControl("inner"), nullptr);
  EXPECT_NE(pm_.FindControl("after"), nullptr);
  // A whole file of one unknown element builds nothing.
  CDialogBuilder other;
  EXPECT_EQ(other.Create(QStringLiteral("<Mystery/>"), QString(), nullptr, &pm_), nullptr);
}

TEST_F(BuilderTest, MissingOrBrokenFilesReportWhy) {
  CDialogBuilder builder;
  EXPECT_EQ(builder.Create(QStringLiteral("nope.xml"), QString(), nullptr, &pm_), nullptr);
  EXPECT_FALSE(builder.GetLastErrorMessage().isEmpty());
  Write("broken.xml", "<VerticalLayout><Button name=\"a\"></VerticalLayout>");
  CControlUI* partial = builder.Create(QStringLiteral("broken.xml"), QString(), nullptr, &pm_);
  EXPECT_FALSE(builder.GetLastErrorMessage().isEmpty());
  delete partial;
}

TEST_F(BuilderTest, SelfIncludingSkinStopsInsteadOfRecursing) {
  Write("loop.xml", "<VerticalLayout name=\"loop\"><Include source=\"loop.xml\"/></VerticalLayout>");
  CDialogBuilder builder;
  CControlUI* root = builder.Create(QStringLiteral("loop.xml"), QString(), nullptr, &pm_);
  ASSERT_NE(root, nullptr);
  delete root;
}

TEST_F(BuilderTest, AttributesOfTheSkinFormatApply) {
  CDialogBuilder builder;
  CControlUI* root = builder.Create(
      QStringLiteral("<HorizontalLayout name=\"root\" inset=\"4,4,4,4\" childpadding=\"2\">"
                     "<Label name=\"l\" width=\"40\" height=\"20\" bkcolor=\"#FF102030\" visible=\"false\" "
                     "userdata=\"42\" tooltip=\"tip\" enabled=\"false\"/>"
                     "<Option name=\"o\" group=\"g\" bindtabindex=\"1\" bindtablayoutname=\"tabs\" selected=\"true\"/>"
                     "<Edit name=\"e\" maxchar=\"3\" numberonly=\"true\" minvalue=\"5\" maxvalue=\"250\"/>"
                     "<Combo name=\"c\"><ListLabelElement text=\"one\" userdata=\"1\"/>"
                     "<ListLabelElement text=\"two\" userdata=\"2\"/></Combo>"
                     "</HorizontalLayout>"),
      QString(), nullptr, &pm_);
  ASSERT_NE(root, nullptr);
  pm_.AttachDialog(root);
  CControlUI* l = pm_.FindControl("l");
  EXPECT_EQ(l->GetFixedWidth(), 40);
  EXPECT_EQ(l->GetFixedHeight(), 20);
  EXPECT_EQ(l->GetBkColor(), 0xFF102030u);
  EXPECT_FALSE(l->IsVisible());
  EXPECT_FALSE(l->IsEnabled());
  EXPECT_EQ(l->GetUserData(), "42");
  EXPECT_EQ(l->GetToolTip(), "tip");
  auto* o = dynamic_cast<COptionUI*>(pm_.FindControl("o"));
  ASSERT_NE(o, nullptr);
  EXPECT_TRUE(o->IsSelected());
  EXPECT_EQ(o->GetGroup(), "g");
  EXPECT_EQ(o->GetBindTabLayoutIndex(), 1);
  auto* e = dynamic_cast<CEditUI*>(pm_.FindControl("e"));
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->GetMaxChar(), 3);
  EXPECT_TRUE(e->IsNumberOnly());
  auto* c = dynamic_cast<CComboUI*>(pm_.FindControl("c"));
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->GetItemCount(), 2);
  EXPECT_EQ(c->GetItemUserData(1), "2");
}

TEST_F(BuilderTest, MainWindowTagTableBuildsNestedFilesWithTheSameCallback) {
  // A "built from" tag expands its file; a custom tag inside it resolves
  // through the same table (case ignored), and the outer attributes apply.
  Write("XML/CustomControlXML/DeviceProfile.xml",
        "<VerticalLayout name=\"profile_inner\"><LightSetControlUI name=\"nested\"/></VerticalLayout>");
  Write("XML/CustomControlXML/LightControl.xml", "<HorizontalLayout name=\"light_inner\"><Label name=\"deep\"/></HorizontalLayout>");
  CMainWnd wnd;
  CDialogBuilder builder;
  CControlUI* root = builder.Create(QStringLiteral("<VerticalLayout name=\"root\">"
                                                   "<deviceprofileui name=\"outer\" height=\"50\"/>"
                                                   "<BrelvikMouseDevice name=\"mouse\"/>"
                                                   "<HandImgButton name=\"unbuilt\"/>"
                                                   "<ShootKeySetControlUI name=\"no_file\"/>"
                                                   "</VerticalLayout>"),
                                    QString(), &wnd, &wnd.GetManager());
  ASSERT_NE(root, nullptr);
  wnd.GetManager().AttachDialog(root);
  CControlUI* outer = wnd.GetManager().FindControl("outer");
  ASSERT_NE(outer, nullptr);
  EXPECT_EQ(outer->GetFixedHeight(), 50);
  EXPECT_EQ(wnd.GetManager().FindControl("profile_inner"), nullptr);  // renamed by the outer element
  EXPECT_NE(wnd.GetManager().FindControl("nested"), nullptr);
  EXPECT_NE(wnd.GetManager().FindControl("deep"), nullptr);
  // A row with a creator makes its object; rows whose class is not part of
  // the program yet, and a missing nested file, yield no control.
  EXPECT_NE(wnd.GetManager().FindControl("mouse"), nullptr);
  EXPECT_EQ(wnd.GetManager().FindControl("unbuilt"), nullptr);
  EXPECT_EQ(wnd.GetManager().FindControl("no_file"), nullptr);
  EXPECT_EQ(root->GetCount(), 2);
}

TEST(StartupTables, OneTableGivesTheClassesInOrderAndTheTags) {
  const auto& classes = ControlClasses();
  ASSERT_EQ(classes.size(), 23u);
  EXPECT_STREQ(classes.front().name, "CCircleProgressUI");
  EXPECT_STREQ(classes[6].name, "CDeviceOptionUI");
  EXPECT_STREQ(classes.back().name, "CBrelvikHS6533Device");
  int tags = 0, builtFrom = 0;
  QStringList seen;
  for (const SkinTag& row : SkinTagTable()) {
    EXPECT_TRUE(row.className || row.tag);
    EXPECT_FALSE(row.builtFrom && row.create) << row.tag;
    if (!row.tag) continue;
    ++tags;
    builtFrom += row.builtFrom != nullptr;
    EXPECT_FALSE(seen.contains(QString::fromLatin1(row.tag), Qt::CaseInsensitive)) << row.tag << " twice";
    seen << QString::fromLatin1(row.tag);
  }
  EXPECT_EQ(tags, 30);  // the macro editor and its event list have tags of their own
  EXPECT_EQ(builtFrom, 8);
  // The class registered under a name and the tag create the same kind of object.
  test::EnsureQtApp();
  RegisterSkinClasses();
  std::unique_ptr<CControlUI> byTag(CreateSkinTag(QStringLiteral("selectpanel"), nullptr, nullptr));
  std::unique_ptr<CControlUI> byClass(CControlFactory::GetInstance()->CreateControl(QStringLiteral("CSelectPanelUI")));
  ASSERT_TRUE(byTag && byClass);
  EXPECT_EQ(typeid(*byTag), typeid(*byClass));
}

// Every element of the project's skins is something the builder knows: a
// toolkit tag, a row of the skin tag table, or part of the file's structure.
TEST(StartupTables, EveryTagOfTheProjectsSkinsIsKnown) {
  test::EnsureQtApp();
  const QStringList structure = {"Window", "Font", "Image", "Default", "Include", "Res", "Language", "XML"};
  QDirIterator it(QStringLiteral(TESSEL_SOURCE_DIR "/skin"), {"*.xml"}, QDir::Files, QDirIterator::Subdirectories);
  int files = 0;
  while (it.hasNext()) {
    QFile file(it.next());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    ++files;
    QXmlStreamReader reader(&file);
    while (!reader.atEnd()) {
      if (reader.readNext() != QXmlStreamReader::StartElement) continue;
      const QString tag = reader.name().toString();
      if (structure.contains(tag, Qt::CaseInsensitive)) continue;
      std::unique_ptr<CControlUI> builtin(CDialogBuilder::CreateBuiltinControl(tag));
      bool inTable = false;
      for (const SkinTag& row : SkinTagTable())
        inTable = inTable || (row.tag && tag.compare(QLatin1String(row.tag), Qt::CaseInsensitive) == 0) ||
                  (row.className && tag.compare(QLatin1String(row.className), Qt::CaseInsensitive) == 0);
      EXPECT_TRUE(builtin || inTable) << tag.toStdString() << " in " << file.fileName().toStdString();
    }
  }
  EXPECT_GT(files, 5);
}

TEST(StartupTables, MissingFontIsSkipped) {
  test::EnsureQtApp();
  FontHolder holder;
  holder.Prepare(QStringLiteral("/nonexistent"));
  EXPECT_FALSE(holder.Load(QStringLiteral("Font/Kestrin-Regular.otf")));
  EXPECT_FALSE(holder.IsLoaded());
  holder.Unload();  // harmless
}

}  // namespace
}  // namespace tessel::ui
