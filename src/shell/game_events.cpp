#include "shell/game_events.h"

#include <algorithm>

namespace tessel {

namespace {
uint8_t level(uint64_t value) { return static_cast<uint8_t>(std::min<uint64_t>(value & 0xFF, 4)); }
}  // namespace

std::optional<LightRecord> gameEventRecord(const LightRecord& record, uint64_t wParam, int64_t lParam) {
  const auto bits = static_cast<uint64_t>(lParam);
  LightRecord next = record;
  switch (wParam) {
    case 0:
      next.selectItem = static_cast<uint8_t>(bits & 0xFF);
      next.light = level(bits >> 8);
      next.speed = level(bits >> 16);
      next.fx = static_cast<uint8_t>((bits >> 24) & 0xFF);
      return next;
    case 1:
    case 2:
      next.selectItem = static_cast<uint8_t>(bits & 0xFF);
      return next;
    default:
      return std::nullopt;
  }
}

void GameEventRestore::eventApplied(Page page, const LightRecord& record) { saved_.try_emplace(page, record); }

std::vector<std::pair<GameEventRestore::Page, LightRecord>> GameEventRestore::takeAll() {
  std::vector<std::pair<Page, LightRecord>> out(saved_.begin(), saved_.end());
  saved_.clear();
  return out;
}

std::optional<LightRecord> GameEventRestore::saved(Page page) const {
  auto it = saved_.find(page);
  if (it == saved_.end()) return std::nullopt;
  return it->second;
}

}  // namespace tessel
