#include "services/palette_file.h"

#include <json/json.h>

#include "platform/data_folders.h"
#include "platform/json_file.h"
#include "platform/kept_file.h"

namespace tessel {
namespace {

constexpr const char* kRoot = "coloroptioninfo";
constexpr const char* kPresets = "palletDialogcoloroption";
constexpr const char* kPresetSelection = "palletDialogcoloroption_selectitem";
constexpr const char* kFavourites = "palletDialogcollectcoloroption";
constexpr const char* kFavouriteSelection = "palletDialogcollectcoloroption_selectitem";

uint32_t colourOf(const Json::Value& entry) {
  if (!entry.isObject()) return 0;
  const Json::Value& c = entry["color"];
  if (!c.isString()) return 0;
  return parseArgb(c.asString()).value_or(0);
}

int selectionOf(const Json::Value& v) {
  if (!v.isInt()) return -1;
  const int n = v.asInt();
  return n >= 0 && n < kPaletteSwatchCount ? n : -1;
}

std::optional<PaletteState> fromJson(const Json::Value& root) {
  if (!root.isObject() || !root[kRoot].isObject()) return std::nullopt;
  const Json::Value& info = root[kRoot];
  PaletteState s;
  const Json::Value& presets = info[kPresets];
  const Json::Value& favourites = info[kFavourites];
  for (Json::ArrayIndex i = 0; i < static_cast<Json::ArrayIndex>(kPaletteSwatchCount); ++i) {
    if (presets.isArray() && i < presets.size()) s.presets[i] = colourOf(presets[i]);
    if (favourites.isArray() && i < favourites.size()) {
      const Json::Value& f = favourites[i];
      s.favourites[i].argb = colourOf(f);
      s.favourites[i].used = f.isObject() && f["UserData"].isString() && f["UserData"].asString() == "1";
    }
  }
  s.presetSelection = selectionOf(info[kPresetSelection]);
  s.favouriteSelection = selectionOf(info[kFavouriteSelection]);
  return s;
}

}  // namespace

std::string formatArgb(uint32_t argb) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text(8, '0');
  for (int i = 7; i >= 0; --i, argb >>= 4) text[static_cast<size_t>(i)] = kDigits[argb & 0xF];
  return text;
}

std::optional<uint32_t> parseArgb(std::string_view text) {
  if (text.size() != 8) return std::nullopt;
  uint32_t value = 0;
  for (char c : text) {
    uint32_t d;
    if (c >= '0' && c <= '9') d = static_cast<uint32_t>(c - '0');
    else if (c >= 'A' && c <= 'F') d = static_cast<uint32_t>(c - 'A' + 10);
    else if (c >= 'a' && c <= 'f') d = static_cast<uint32_t>(c - 'a' + 10);
    else return std::nullopt;
    value = value << 4 | d;
  }
  return value;
}

std::filesystem::path paletteFilePath() { return userDataFolder() / std::string(kPaletteFileName); }

namespace {
bool isPaletteFile(const Json::Value& root) { return fromJson(root).has_value(); }
}  // namespace

std::optional<PaletteState> readPaletteFile(const std::filesystem::path& path) {
  return fromJson(readKeptJson(path, isPaletteFile).value);
}

std::optional<PaletteState> parsePaletteText(std::string_view text) {
  Json::Value root;
  if (!parseJson(text, root)) return std::nullopt;
  return fromJson(root);
}

namespace {

Json::Value toJson(const PaletteState& state) {
  Json::Value info(Json::objectValue);
  Json::Value presets(Json::arrayValue);
  Json::Value favourites(Json::arrayValue);
  for (int i = 0; i < kPaletteSwatchCount; ++i) {
    Json::Value p(Json::objectValue);
    p["color"] = formatArgb(state.presets[static_cast<size_t>(i)]);
    presets.append(p);
    const PaletteFavourite& fav = state.favourites[static_cast<size_t>(i)];
    Json::Value f(Json::objectValue);
    f["color"] = formatArgb(fav.argb);
    f["UserData"] = fav.used ? "1" : "0";
    favourites.append(f);
  }
  info[kPresets] = presets;
  info[kPresetSelection] = state.presetSelection;
  info[kFavourites] = favourites;
  info[kFavouriteSelection] = state.favouriteSelection;
  Json::Value root(Json::objectValue);
  root[kRoot] = info;
  return root;
}

}  // namespace

std::string paletteText(const PaletteState& state) { return styledJson(toJson(state)); }

bool writePaletteFile(const std::filesystem::path& path, const PaletteState& state) {
  return writeKeptJson(path, toJson(state), nullptr, isPaletteFile);
}

}  // namespace tessel
