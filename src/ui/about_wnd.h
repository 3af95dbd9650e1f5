#pragma once
// The about window: the program's name and its version from the build.
#include <string>

#include "ui/toolkit/window.h"

namespace tessel::ui {

class CAboutWnd : public WindowImplBase {
 public:
  explicit CAboutWnd(std::string version);
  ~CAboutWnd() override;
  static CAboutWnd* Open(CWindowWnd* owner);
  static CAboutWnd* Current();

  QString GetWindowClassName() const override { return QStringLiteral("AboutWnd"); }
  QString GetSkinFile() override { return QStringLiteral("XML_ABOUT"); }
  void InitWindow() override;
  void Notify(TNotifyUI& msg) override;
  LRESULT HandleCustomMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;

 protected:
  void OnFinalMessage(QWidget*) override;

 private:
  void ShowVersion();
  std::string version_;
  bool heapOwned_ = false;
};

}  // namespace tessel::ui
