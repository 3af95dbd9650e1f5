#include "ui/skin_wnd.h"

#include <QFileDialog>
#include <algorithm>
#include <utility>
#include <vector>

#include "platform/data_folders.h"
#include "services/skin_record.h"
#include "ui/popup_window.h"

namespace tessel::ui {

namespace {

std::vector<std::pair<const void*, std::function<void(const SkinChange&)>>>& receivers() {
  static std::vector<std::pair<const void*, std::function<void(const SkinChange&)>>> list;
  return list;
}

CSkinWnd* g_open = nullptr;

QString pickImage(QWidget* parent) {
  QFileDialog dialog(parent);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilters({QStringLiteral("(*.png) (*.png)"), QStringLiteral("(*.*) (*)")});
  dialog.setDefaultSuffix(QStringLiteral("png"));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().first();
}

}  // namespace

void AddSkinReceiver(const void* owner, std::function<void(const SkinChange&)> receiver) {
  RemoveSkinReceiver(owner);
  receivers().emplace_back(owner, std::move(receiver));
}

void RemoveSkinReceiver(const void* owner) {
  auto& list = receivers();
  list.erase(std::remove_if(list.begin(), list.end(), [&](const auto& r) { return r.first == owner; }), list.end());
}

void BroadcastSkinChange(const SkinChange& change) {
  // A receiver may add or remove receivers while it runs.
  const auto copy = receivers();
  for (const auto& [owner, receiver] : copy) {
    const auto& now = receivers();
    if (std::any_of(now.begin(), now.end(), [&](const auto& r) { return r.first == owner; })) receiver(change);
  }
}

void ApplySkinToRoot(CControlUI* root, const SkinChange& change) {
  if (!root) return;
  if (change.colour) {
    root->SetBkImage(QString());
    root->SetBkColor(change.argb);
  } else {
    root->SetBkImage(change.image);
  }
}

CSkinWnd::CSkinWnd(std::filesystem::path skinRecordFile) : record_(std::move(skinRecordFile)), picker_(pickImage) {}

CSkinWnd::~CSkinWnd() {
  if (g_open == this) g_open = nullptr;
  RemoveSkinReceiver(this);
}

std::filesystem::path CSkinWnd::ProgramSkinRecord() { return userDataFolder() / std::string(kSkinRecordFileName); }

CSkinWnd* CSkinWnd::Current() { return g_open; }

CSkinWnd* CSkinWnd::Open(CWindowWnd* owner) {
  if (g_open) {
    g_open->ShowWindow(true);
    return g_open;
  }
  auto* wnd = new CSkinWnd(ProgramSkinRecord());
  wnd->heapOwned_ = true;
  return ShowPopupWindow(wnd, owner);
}

void CSkinWnd::OnFinalMessage(QWidget*) {
  if (g_open == this) g_open = nullptr;
  if (heapOwned_) delete this;
}

void CSkinWnd::InitWindow() {
  g_open = this;
  AddSkinReceiver(this, [this](const SkinChange& c) { ApplySkinToRoot(m_pm.GetRoot(), c); });
}

void CSkinWnd::Notify(TNotifyUI& msg) {
  if (msg.sType != notify::kClick || !msg.pSender) return;
  const QString name = msg.pSender->GetName();
  if (name == QLatin1String("closebtn")) {
    Close(0);
  } else if (name == QLatin1String("skin_image_btn")) {
    const QString image = msg.pSender->GetUserData();
    if (image.isEmpty()) return;
    BroadcastSkinChange({false, 0, image});
    writeSkinRecord(record_, true, image.toStdString());
  } else if (name == QLatin1String("skin_color_btn")) {
    BroadcastSkinChange({true, msg.pSender->GetBkColor(), QString()});
  } else if (name == QLatin1String("skin_reset")) {
    const QString image = QString::fromLatin1(kDefaultSkinImage.data(), int(kDefaultSkinImage.size()));
    BroadcastSkinChange({false, 0, image});
    writeSkinRecord(record_, false, kDefaultSkinImage);
  } else if (name == QLatin1String("skin_Custom")) {
    // A cancelled dialog changes nothing.
    const QString path = picker_ ? picker_(GetHWND()) : QString();
    if (!path.isEmpty()) BroadcastSkinChange({false, 0, path});
  }
}

}  // namespace tessel::ui
