#include "macros/recoil_editor.h"

#include <algorithm>

namespace tessel::macros {

long long parseShotField(std::string_view text) {
  constexpr long long kLimit = 1'000'000'000'000'000LL;
  long long value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') break;
    value = value * 10 + (c - '0');
    if (value > kLimit) return kLimit;
  }
  return value;
}

void RecoilEditor::setFolders(std::filesystem::path dataFolder, std::filesystem::path defaultFolder) {
  files_ = RecoilFiles(std::move(dataFolder), std::move(defaultFolder));
}

bool RecoilEditor::initialise() {
  const bool all = files_.ensureAll();
  gun_ = 0;
  selectShot(0);
  return all;
}

void RecoilEditor::selectGun(int gun) {
  gun_ = std::clamp(gun, 0, kGunCount - 1);
  reload();
}

void RecoilEditor::selectShot(int shot) {
  shot_ = std::clamp(shot, 0, kShotCount - 1);
  reload();
}

void RecoilEditor::selectPrevious() { selectShot(shot_ < 0 ? 0 : shot_ - 1); }

void RecoilEditor::selectNext() { selectShot(shot_ < 0 ? 0 : shot_ + 1); }

std::string RecoilEditor::shotLabel() const { return shot_ < 0 ? std::string() : std::to_string(shot_ + 1); }

void RecoilEditor::reload() { fields_ = shot_ < 0 ? RecoilShot{} : files_.shot(gun_, shot_); }

RecoilResult RecoilEditor::storeShot(const RecoilShot& fields) {
  if (shot_ < 0) {
    RecoilResult r;
    r.error = RecoilError::BadShot;
    r.message = "no shot is selected";
    return r;
  }
  RecoilResult r = files_.storeShot(gun_, shot_, fields);
  if (r.ok()) fields_ = fields;
  return r;
}

RecoilResult RecoilEditor::storeShotText(std::string_view x, bool left, std::string_view y, bool up,
                                         std::string_view delay) {
  return storeShot(RecoilShot{parseShotField(x), left, parseShotField(y), up, parseShotField(delay)});
}

RecoilResult RecoilEditor::reset() {
  RecoilResult r = files_.reset(gun_);
  reload();
  return r;
}

RecoilResult RecoilEditor::importFile(const std::filesystem::path& source) {
  RecoilResult r = files_.importFile(gun_, source);
  reload();
  return r;
}

RecoilResult RecoilEditor::exportTo(const std::filesystem::path& target) const { return files_.exportTo(gun_, target); }

}  // namespace tessel::macros
