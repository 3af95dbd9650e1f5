#include "shell/window_data.h"

#include <algorithm>
#include <cstring>

#include "discovery/device_tables.h"
#include "platform/json_access.h"

namespace tessel {

std::array<int32_t, 256> identificationBlock() {
  std::array<int32_t, 256> block{};
  size_t i = 0;
  for (int32_t v : {2, 3, 0, 2}) block[i++] = v;
  const auto& rows = deviceOptionTable();
  block[i++] = static_cast<int32_t>(rows.size());
  for (const DeviceOptionRow& row : rows) {
    block[i++] = row.vendorId;
    block[i++] = row.productId;
    block[i++] = row.typeCode;
  }
  return block;
}

std::vector<LanguageEntry> readLanguageList(const Json::Value& config) {
  std::vector<LanguageEntry> list;
  const Json::Value& array = json::member(config, "Language");
  for (unsigned i = 0; i < json::size(array); ++i) {
    const Json::Value& e = json::element(array, i);
    LanguageEntry entry;
    entry.id = json::getInt<uint32_t>(e, "Language_ID", 0);
    entry.name = json::getString(e, "Language_name", "");
    entry.file = json::getString(e, "Language_file", "");
    list.push_back(std::move(entry));
  }
  return list;
}

int languageIndexFor(const std::vector<LanguageEntry>& list, std::optional<uint32_t> savedId) {
  if (!savedId) return 0;
  for (size_t i = 0; i < list.size(); ++i)
    if (list[i].id == *savedId) return static_cast<int>(i);
  return 0;
}

bool languageNeedsFontSwap(int current, int next) {
  auto shared = [](int i) { return i == 0 || i == 2 || i == 15; };
  return shared(next) || current == -1 || shared(current);
}

int dpiForMonitor(int width, int height) { return (width > 1500 && height > 960) ? 144 : 96; }

}  // namespace tessel
