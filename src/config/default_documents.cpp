#include "config/default_documents.h"

#include "config/basic_profiledata.h"
#include "config/light_mode_list.h"
#include "core/device_types.h"
#include "platform/data_folders.h"

namespace tessel {
namespace fs = std::filesystem;

std::optional<fs::path> defaultDocumentPath(std::string_view kindName) {
  auto folder = defaultDataFolder();
  if (!folder) return std::nullopt;
  return *folder / (std::string(kindName) + std::string(kDocumentExtension));
}

std::optional<fs::path> lightModeListPath() {
  auto folder = defaultDataFolder();
  if (!folder) return std::nullopt;
  return *folder / std::string(kLightModeListFile);
}

fs::path profileDocumentPath(const fs::path& deviceFolder, std::string_view profileId) {
  return deviceFolder / (std::string(profileId) + std::string(kDocumentExtension));
}

int kindIndexOfName(std::string_view kindName) {
  if (kindName == kKindKeyboard) return kKindIndexKeyboard;
  if (kindName == kKindMouse) return kKindIndexMouse;
  if (kindName == kKindMousePad) return kKindIndexMousePad;
  if (kindName == kKindHeadset) return kKindIndexHeadset;
  return -1;
}

}  // namespace tessel
