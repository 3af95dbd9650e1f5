#pragma once
// The real mouse page on the emulated mouse, for the tests of its macro and
// recoil tabs: built as the main window builds it, with its profiles in a
// folder of its own, the mouse connected and read, and every message the
// page shows recorded instead of opening a box.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QComboBox>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "device_env.h"
#include "sim/firmware_mouse.h"
#include "ui/device/device_profile_page.h"

namespace tessel::ui::test {

inline std::string ReadAll(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Every file of a folder by name, with its bytes.
inline std::map<std::string, std::string> Snapshot(const std::filesystem::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& e : std::filesystem::directory_iterator(folder))
    if (e.is_regular_file()) files[e.path().filename().string()] = ReadAll(e.path());
  return files;
}

class MouseTabWnd : public DeviceWnd {
 public:
  explicit MouseTabWnd(hid::HidBackend& backend) : DeviceWnd(backend), backend_(backend) {}
  CControlUI* CreateControl(const QString& tag) override {
    if (tag.compare(QLatin1String("BrelvikMouseDevice"), Qt::CaseInsensitive) == 0)
      return new CBrelvikMouseDevice(backend_);
    return DeviceWnd::CreateControl(tag);
  }

 private:
  hid::HidBackend& backend_;
};

class MouseTabTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UseProjectResources();
    CResourceManager::GetInstance()->LoadLanguage(QStringLiteral("lan_en.xml"));
    CPaintManagerUI::SetDefaultScheduler(&clock_);
    root_ = std::filesystem::temp_directory_path() / ("tessel-mouse-tab-" + std::to_string(::getpid()));
    std::filesystem::remove_all(root_);
    folder_ = root_ / "mouse";
    factory_ = std::filesystem::path(TESSEL_SOURCE_DIR) / "DefaultData";
    fw_ = std::make_shared<sim::MouseFirmware>(false);
    product_ = bus_.plug("mouse", fw_);
    wnd_ = std::make_unique<MouseTabWnd>(bus_);
    ASSERT_TRUE(wnd_->Create(nullptr, QStringLiteral("mouse tab test"), WS_VISIBLE, 0, 0, 0, 1000, 640));
    QCoreApplication::processEvents();
    page_ = dynamic_cast<CBrelvikMouseDevice*>(wnd_->CreatePage(0, supportedInterfaceTable()[4]).device);
    ASSERT_NE(page_, nullptr);
    page_->SetMessageSink([this](const QString& text) { messages_.push_back(text); });
    page_->SetDefaultFolder(factory_);
    const auto outcome = page_->Profile().Init(2, folder_, factory_ / "mouse.Json");
    ASSERT_TRUE(outcome.ok()) << outcome.message;
    ASSERT_TRUE(page_->Controller().transport().connect(product_->commandPath(), 1));
    page_->Mouse().requestConnected();
  }
  void TearDown() override {
    wnd_.reset();
    CPaintManagerUI::SetDefaultScheduler(nullptr);
    std::filesystem::remove_all(root_);
  }

  // The page as the main window shows it once the mouse is there, so its
  // controls can be clicked where they are.
  void ShowPage() {
    auto* pages = wnd_->Find<CTabLayoutUI>("device_switch");
    pages->SelectItem(pages->GetItemIndex(page_));
    wnd_->Find<CControlUI>("No_device_Link")->SetVisible(false);
  }
  CControlUI* C(const QString& name) {
    return page_->FindControl([&name](CControlUI* c) { return c->GetName() == name; });
  }
  CControlUI* C(const char* name) { return C(QString::fromLatin1(name)); }
  template <typename T>
  T* As(const char* name) {
    return dynamic_cast<T*>(C(name));
  }
  void Send(CControlUI* c, const QString& type) { wnd_->GetManager().SendNotify(c, type); }
  // A click as the control raises it: nothing happens while it is unavailable.
  bool Click(const char* name) {
    CControlUI* c = C(name);
    return c && c->Activate();
  }
  // The user picks an item of a drop-down list.
  void ChooseCombo(const char* name, int index) {
    QComboBox* box = As<CComboUI>(name)->GetComboBox();
    box->setCurrentIndex(index);
    emit box->activated(index);
  }

  ManualClock clock_;
  sim::VirtualHidBus bus_;
  std::shared_ptr<sim::MouseFirmware> fw_;
  std::shared_ptr<sim::EmulatedProduct> product_;
  std::unique_ptr<MouseTabWnd> wnd_;
  CBrelvikMouseDevice* page_ = nullptr;
  std::filesystem::path root_, folder_, factory_;
  std::vector<QString> messages_;
};

}  // namespace tessel::ui::test
