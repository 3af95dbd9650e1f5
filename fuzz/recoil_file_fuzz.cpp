// Recoil files, the user's own (read leniently) and files offered for import
// (checked): any bytes must be refused with a reason or read into shots and
// events that encode to a sound image, and storing a shot must change exactly
// that shot's six events.
#include <cstdint>
#include <string>
#include <string_view>

#include "macros/macro_model.h"
#include "macros/recoil_file.h"
#include "macros/recoil_image.h"
#include "platform/json_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tessel::macros;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const RecoilFileCheck check = checkRecoilFile(bytes);
  if (!check.ok && check.error.empty()) __builtin_trap();
  if (check.ok && check.events > kMaxImportEvents) __builtin_trap();

  Json::Value doc;
  if (!tessel::parseJson(bytes, doc)) return 0;
  const std::vector<RecoilEvent> events = recoilEventsFromDocument(doc);
  if (check.ok && events.size() != check.events) __builtin_trap();
  for (int s = 0; s < kShotCount; ++s) (void)shotFromDocument(doc, s);

  const std::vector<std::vector<RecoilEvent>> guns{events, events, {}, events};
  const RecoilImage image = buildRecoilImage(guns);
  if (image.length != 40 + 4 * 3 * uint64_t{events.size()}) __builtin_trap();
  if (image.ok != (image.length <= 0xFFFF)) __builtin_trap();
  if (image.ok && image.bytes.size() != image.length) __builtin_trap();

  // Store a shot read from the file back into another shot: the read gives it back.
  const int from = static_cast<int>(size % kShotCount);
  const int to = static_cast<int>((size / 7) % kShotCount);
  const RecoilShot shot = shotFromDocument(doc, from);
  Json::Value stored = doc;
  storeShotInDocument(stored, to, shot);
  if (shotFromDocument(stored, to) != shot) __builtin_trap();
  const std::vector<RecoilEvent> after = recoilEventsFromDocument(stored);
  if (after.size() < static_cast<size_t>(kEventsPerShot * (to + 1))) __builtin_trap();
  // Elements outside the stored shot are untouched when the file had its list.
  if (doc.isObject() && doc["Events"].isArray()) {
    const size_t first = static_cast<size_t>(kEventsPerShot * to);
    for (size_t i = 0; i < events.size(); ++i)
      if ((i < first || i >= first + kEventsPerShot) && !(after[i] == events[i])) __builtin_trap();
  }
  return 0;
}
