#include "macros/recoil_file.h"

#include <system_error>

#include "macros/macro_model.h"
#include "platform/file_io.h"
#include "platform/export_file.h"
#include "platform/json_access.h"
#include "platform/json_file.h"
#include "platform/kept_file.h"

namespace fs = std::filesystem;

namespace tessel::macros {
namespace {

constexpr std::string_view kEvents = "Events";
// Far beyond any distance or delay, far below overflow.
constexpr long long kNumberLimit = 1'000'000'000'000'000LL;

RecoilResult failure(RecoilError error, std::string message) {
  RecoilResult r;
  r.error = error;
  r.message = std::move(message);
  return r;
}

bool validGun(int gun) { return gun >= 0 && gun < kGunCount; }
bool validShot(int shot) { return shot >= 0 && shot < kShotCount; }

RecoilResult badGun(int gun) {
  return failure(RecoilError::BadGun, "gun " + std::to_string(gun) + " does not exist (guns are 0 to 3)");
}

// A document the recoil editor can work on: an object with an "Events" array.
bool recoilDocument(const Json::Value& doc) { return doc.isObject() && json::member(doc, kEvents).isArray(); }

RecoilEvent zeroShotEvent(size_t element) { return shotEvents(RecoilShot{})[element % kEventsPerShot]; }

}  // namespace

std::string recoilFileName(int gun) {
  return std::string(kRecoilFilePrefix) + std::to_string(gun) + std::string(kRecoilFileExtension);
}

std::optional<long long> recoilNumber(const Json::Value& v) {
  if (json::isNumber(v)) return json::getInt(v, 0, -kNumberLimit, kNumberLimit);
  if (!v.isString()) return std::nullopt;
  const std::string text = v.asString();
  size_t i = 0;
  const bool negative = !text.empty() && text[0] == '-';
  if (negative) i = 1;
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > kNumberLimit) {
      value = kNumberLimit;
      break;
    }
  }
  return negative ? -value : value;
}

RecoilEvent recoilEventFromJson(const Json::Value& v) {
  RecoilEvent e;
  e.down = json::getString(v, "Action", "") == "down";
  e.button = recoilNumber(json::member(v, "Button")).value_or(0);
  e.type = recoilNumber(json::member(v, "Type")).value_or(0);
  e.delay = recoilNumber(json::member(v, "Delay")).value_or(0);
  return e;
}

Json::Value recoilEventToJson(const RecoilEvent& e) {
  Json::Value v(Json::objectValue);
  v["Action"] = e.down ? "down" : "up";
  v["Button"] = static_cast<Json::Int64>(e.button);
  v["Delay"] = static_cast<Json::Int64>(e.delay);
  v["Type"] = static_cast<Json::Int64>(e.type);
  return v;
}

std::vector<RecoilEvent> shotEvents(const RecoilShot& s) {
  return {
      {true, 1, event_type::kMouseButton, 10},
      {false, 1, event_type::kMouseButton, 0},
      {s.left, s.x, event_type::kMouseX, 5},
      {s.up, s.y, event_type::kMouseY, s.delay},
      {s.left, 0, event_type::kMouseX, 0},
      {s.up, 0, event_type::kMouseY, 0},
  };
}

RecoilShot shotFromDocument(const Json::Value& document, int shot) {
  RecoilShot s;
  if (!validShot(shot)) return s;
  const Json::Value& rows = json::member(document, kEvents);
  const RecoilEvent x = recoilEventFromJson(json::element(rows, kEventsPerShot * shot + 2));
  const RecoilEvent y = recoilEventFromJson(json::element(rows, kEventsPerShot * shot + 3));
  s.x = x.button;
  s.left = x.down;
  s.y = y.button;
  s.up = y.down;
  s.delay = y.delay;
  return s;
}

void storeShotInDocument(Json::Value& document, int shot, const RecoilShot& fields) {
  if (!validShot(shot)) return;
  if (!document.isObject()) document = Json::Value(Json::objectValue);
  Json::Value& rows = json::objectMember(document, kEvents);
  if (!rows.isArray()) rows = Json::Value(Json::arrayValue);
  const unsigned first = static_cast<unsigned>(kEventsPerShot * shot);
  while (rows.size() < first) rows.append(recoilEventToJson(zeroShotEvent(rows.size())));
  const auto events = shotEvents(fields);
  for (unsigned i = 0; i < events.size(); ++i) json::arrayElement(rows, first + i) = recoilEventToJson(events[i]);
}

std::vector<RecoilEvent> recoilEventsFromDocument(const Json::Value& document) {
  const Json::Value& rows = json::member(document, kEvents);
  std::vector<RecoilEvent> out;
  out.reserve(json::size(rows));
  for (unsigned i = 0; i < json::size(rows); ++i) out.push_back(recoilEventFromJson(json::element(rows, i)));
  return out;
}

RecoilFileCheck checkRecoilFile(std::string_view bytes) {
  RecoilFileCheck out;
  if (bytes.size() > kMaxImportBytes) {
    out.error = "the recoil file is larger than 4 MiB";
    return out;
  }
  Json::Value document;
  if (!parseJson(bytes, document) || !document.isObject()) {
    out.error = "the file is not a recoil file (no JSON object)";
    return out;
  }
  const Json::Value& rows = json::member(document, kEvents);
  if (!rows.isArray()) {
    out.error = "the recoil file has no \"Events\" list";
    return out;
  }
  if (rows.size() > kMaxImportEvents) {
    out.error = "the recoil file has more than 4000 events";
    return out;
  }
  for (unsigned i = 0; i < rows.size(); ++i) {
    const Json::Value& row = rows[i];
    const long long type = row.isObject() ? recoilNumber(json::member(row, "Type")).value_or(-1) : -1;
    const bool numbers = row.isObject() && recoilNumber(json::member(row, "Button")).has_value() &&
                         recoilNumber(json::member(row, "Delay")).has_value();
    if (type < event_type::kMin || type > event_type::kMax || !numbers) {
      out.error = "event " + std::to_string(i) + " of the recoil file is not an event";
      return out;
    }
  }
  out.events = rows.size();
  out.ok = true;
  return out;
}

// ------------------------------------------------------------------ files

RecoilFiles::RecoilFiles(fs::path dataFolder, fs::path defaultFolder)
    : dataFolder_(std::move(dataFolder)), defaultFolder_(std::move(defaultFolder)) {}

fs::path RecoilFiles::filePath(int gun) const { return dataFolder_ / recoilFileName(gun); }
fs::path RecoilFiles::defaultPath(int gun) const { return defaultFolder_ / recoilFileName(gun); }

RecoilResult RecoilFiles::ensure(int gun) {
  if (!validGun(gun)) return badGun(gun);
  const fs::path path = filePath(gun);
  std::error_code ec;
  sweepStaleTemporaries(dataFolder_, [](std::string_view name) {
    for (int g = 0; g < kGunCount; ++g)
      if (name == recoilFileName(g)) return true;
    return false;
  });
  // The user's file is never lost to the factory copy: an unusable one is
  // kept aside by the read, an unreadable one is left alone.
  const KeptRead read = readKeptJson(path, recoilDocument);
  if (read.usable()) return {};
  if (read.unreadable()) return failure(RecoilError::ReadFailed, read.message(path) + "; it is left as it is");
  const auto factory = readFileBytes(defaultPath(gun));
  if (!factory)
    return failure(RecoilError::NoFile, "the factory recoil file \"" + defaultPath(gun).string() + "\" is missing");
  fs::create_directories(dataFolder_, ec);
  if (!writeKeptFile(path, *factory))
    return failure(RecoilError::WriteFailed, "\"" + path.string() + "\" could not be written");
  return {};
}

bool RecoilFiles::ensureAll() {
  bool all = true;
  for (int g = 0; g < kGunCount; ++g) all = ensure(g).ok() && all;
  return all;
}

Json::Value RecoilFiles::document(int gun) const {
  if (!validGun(gun)) return Json::Value();
  return readKeptJson(filePath(gun), recoilDocument).value;
}

std::vector<RecoilEvent> RecoilFiles::events(int gun) const { return recoilEventsFromDocument(document(gun)); }

RecoilShot RecoilFiles::shot(int gun, int s) const { return shotFromDocument(document(gun), s); }

RecoilResult RecoilFiles::storeShot(int gun, int s, const RecoilShot& fields) {
  if (!validGun(gun)) return badGun(gun);
  if (!validShot(s))
    return failure(RecoilError::BadShot, "shot " + std::to_string(s) + " does not exist (shots are 0 to 29)");
  // A file that went bad since it was made is kept aside and starts again
  // from the factory pattern, so the other 29 shots are not lost to zeros.
  Json::Value doc = document(gun);
  if (!recoilDocument(doc)) {
    // Without a factory file the shot still lands, in a file of its own; a
    // file that cannot be read is left alone.
    if (const RecoilResult ensured = ensure(gun); ensured.error == RecoilError::ReadFailed) return ensured;
    doc = document(gun);
  }
  storeShotInDocument(doc, s, fields);
  std::error_code ec;
  fs::create_directories(dataFolder_, ec);
  if (!writeJsonFile(filePath(gun), doc))
    return failure(RecoilError::WriteFailed, "\"" + filePath(gun).string() + "\" could not be written");
  return {};
}

RecoilResult RecoilFiles::reset(int gun) {
  if (!validGun(gun)) return badGun(gun);
  const auto factory = readFileBytes(defaultPath(gun));
  if (!factory)
    return failure(RecoilError::NoFile, "the factory recoil file \"" + defaultPath(gun).string() + "\" is missing");
  std::error_code ec;
  fs::create_directories(dataFolder_, ec);
  if (!writeKeptFile(filePath(gun), *factory))
    return failure(RecoilError::WriteFailed, "\"" + filePath(gun).string() + "\" could not be written");
  return {};
}

RecoilResult RecoilFiles::importFile(int gun, const fs::path& source) {
  if (!validGun(gun)) return badGun(gun);
  // Only a regular file: a device node or a pipe would never end or block.
  std::error_code ec;
  if (!fs::is_regular_file(source, ec))
    return failure(RecoilError::ReadFailed, "\"" + source.string() + "\" is not a file that can be read");
  // Look at the size first so that a huge file is never loaded whole.
  const auto size = fs::file_size(source, ec);
  if (!ec && size > kMaxImportBytes)
    return failure(RecoilError::BadFile, "\"" + source.string() + "\": the recoil file is larger than 4 MiB");
  const auto bytes = readFileBytes(source);
  if (!bytes) return failure(RecoilError::ReadFailed, "\"" + source.string() + "\" cannot be read");
  const RecoilFileCheck check = checkRecoilFile(*bytes);
  if (!check.ok) return failure(RecoilError::BadFile, "\"" + source.string() + "\": " + check.error);
  fs::create_directories(dataFolder_, ec);
  if (!writeKeptFile(filePath(gun), *bytes))
    return failure(RecoilError::WriteFailed, "\"" + filePath(gun).string() + "\" could not be written");
  return {};
}

RecoilResult RecoilFiles::exportTo(int gun, const fs::path& target, std::ostream* standardOutput) const {
  if (!validGun(gun)) return badGun(gun);
  const KeptRead read = readKeptBytes(filePath(gun));
  if (read.unreadable()) return failure(RecoilError::ReadFailed, read.message(filePath(gun)) + "; nothing was exported");
  if (read.missing()) return failure(RecoilError::NoFile, "gun " + std::to_string(gun) + " has no recoil file to export");
  if (const ExportOutcome written = exportFile(target, read.bytes, standardOutput); !written.ok)
    return failure(RecoilError::WriteFailed, written.message);
  return {};
}

}  // namespace tessel::macros
