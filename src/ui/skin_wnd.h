#pragma once
// The skin window and the skin receivers. Every window that wants the chosen
// background registers as a receiver; a choice in the skin window is sent to
// all of them at once. "main.ini" records the last preset image or reset.
#include <QString>
#include <cstdint>
#include <filesystem>
#include <functional>

#include "ui/toolkit/window.h"

namespace tessel::ui {

struct SkinChange {
  bool colour = false;  // paint `argb` instead of the image
  uint32_t argb = 0;
  QString image;  // skin resource name or absolute path
};

// Receivers by owner (UI thread). Adding an owner again replaces its receiver.
void AddSkinReceiver(const void* owner, std::function<void(const SkinChange&)> receiver);
void RemoveSkinReceiver(const void* owner);
void BroadcastSkinChange(const SkinChange& change);
// What a window does with a change: its root control takes the colour (and
// drops its image) or the image.
void ApplySkinToRoot(CControlUI* root, const SkinChange& change);

class CSkinWnd : public WindowImplBase {
 public:
  // Asks for a custom image; returns the chosen path, empty when cancelled.
  using ImagePicker = std::function<QString(QWidget* parent)>;

  explicit CSkinWnd(std::filesystem::path skinRecordFile);
  ~CSkinWnd() override;
  // The skin record in the user data folder ("main.ini").
  static std::filesystem::path ProgramSkinRecord();
  static CSkinWnd* Open(CWindowWnd* owner);
  static CSkinWnd* Current();

  void SetImagePicker(ImagePicker picker) { picker_ = std::move(picker); }

  QString GetWindowClassName() const override { return QStringLiteral("SkinWnd"); }
  QString GetSkinFile() override { return QStringLiteral("XML_SKIN"); }
  void InitWindow() override;
  void Notify(TNotifyUI& msg) override;

 protected:
  void OnFinalMessage(QWidget*) override;

 private:
  std::filesystem::path record_;
  ImagePicker picker_;
  bool heapOwned_ = false;
};

}  // namespace tessel::ui
