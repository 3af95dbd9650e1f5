// The page document's own file (see PageDocument).
#include "config/basic_profiledata.h"
#include "config/hs6533_profiledata.h"
#include "config/keyboard_profiledata.h"
#include "config/mouse_profiledata.h"
#include "ui/device/device_profile_page.h"

namespace tessel::ui {

PageDocument::PageDocument() : document_(std::make_unique<CBasicProfiledata>()) {}
PageDocument::~PageDocument() = default;

void PageDocument::SetDeviceType(int typeCode) {
  const bool mouse = typeCode == 2 || typeCode == 6;
  const bool headset = typeCode == 7;
  const bool keyboard = typeCode == 1 || typeCode == 9;
  if (mouse == (dynamic_cast<CMouseProfiledata*>(document_.get()) != nullptr) &&
      headset == (dynamic_cast<CHs6533Profiledata*>(document_.get()) != nullptr) &&
      keyboard == (dynamic_cast<CKeyboardProfiledata*>(document_.get()) != nullptr))
    return;
  const std::filesystem::path defaults = document_->defaultDocumentPath();
  if (mouse) document_ = std::make_unique<CMouseProfiledata>();
  else if (headset) document_ = std::make_unique<CHs6533Profiledata>();
  else if (keyboard) document_ = std::make_unique<CKeyboardProfiledata>();
  else document_ = std::make_unique<CBasicProfiledata>();
  if (!defaults.empty()) document_->setDefaultDocumentPath(defaults);
}

void PageDocument::SetDefaultPath(const std::filesystem::path& path) { document_->setDefaultDocumentPath(path); }

void PageDocument::BindAndLoad(const std::filesystem::path& path) {
  document_->setDocumentPath(path);
  document_->loadDeviceElement();
}

std::filesystem::path PageDocument::Path() const { return document_->documentPath(); }

bool PageDocument::Save() { return document_->save(); }

}  // namespace tessel::ui
