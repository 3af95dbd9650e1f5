#include "shell/game_events.h"

#include <algorithm>

namespace tessel {

namespace {
uint8_t level(uint64_t value) { return static_cast<uint8_t>(std::min<uint64_t>(value & 0xFF, 4)); }

constexpr uint8_t LightRecord::*kFields[] = {
    &LightRecord::selectItem, &LightRecord::light,       &LightRecord::speed,       &LightRecord::fx,
    &LightRecord::multiColor, &LightRecord::red,         &LightRecord::green,       &LightRecord::blue,
    &LightRecord::zzccLedMode, &LightRecord::customGroup, &LightRecord::oldLedmode,
};
static_assert(sizeof(kFields) / sizeof(kFields[0]) == sizeof(LightRecord), "a light record field is missing");
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

LightRecord restoreEventFields(const LightRecord& before, const LightRecord& applied, const LightRecord& now) {
  LightRecord out = now;
  for (auto field : kFields)
    if (before.*field != applied.*field && now.*field == applied.*field) out.*field = before.*field;
  return out;
}

void GameEventRestore::eventApplied(Page page, const LightRecord& before, const LightRecord& shown) {
  auto [it, fresh] = runs_.try_emplace(page, Run{before, shown});
  if (!fresh) it->second.applied = shown;
}

bool GameEventRestore::edited(Page page, const LightRecord& now) const {
  auto it = runs_.find(page);
  return it != runs_.end() && it->second.applied != now;
}

std::optional<LightRecord> GameEventRestore::finish(Page page, const LightRecord& now) {
  auto it = runs_.find(page);
  if (it == runs_.end()) return std::nullopt;
  const LightRecord out = restoreEventFields(it->second.before, it->second.applied, now);
  runs_.erase(it);
  if (out == now) return std::nullopt;
  return out;
}

std::vector<GameEventRestore::Page> GameEventRestore::pages() const {
  std::vector<Page> out;
  for (const auto& [page, run] : runs_) out.push_back(page);
  return out;
}

std::optional<LightRecord> GameEventRestore::saved(Page page) const {
  auto it = runs_.find(page);
  if (it == runs_.end()) return std::nullopt;
  return it->second.before;
}

}  // namespace tessel
