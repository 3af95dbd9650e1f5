#pragma once
// JSON documents on disk.
//   read:  the whole file is parsed (comments allowed); a missing, empty or
//          unparsable file reads as null. A file that exists but cannot be
//          parsed is first kept aside as "<name>.bad" so nothing is lost.
//   write: jsoncpp's styled text followed by one line end, replacing the file
//          atomically. A target that holds unparsable text is kept aside
//          before it is replaced.
#include <json/json.h>

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/file_io.h"

namespace tessel {

Json::Value readJsonFile(const std::filesystem::path& path);
bool writeJsonFile(const std::filesystem::path& path, const Json::Value& value,
                   const AtomicWriteHooks* hooks = nullptr);

// Parses text (comments allowed); false and null on failure. Never throws.
bool parseJson(std::string_view text, Json::Value& out);

// The styled text the writer produces, ending in exactly one line end.
std::string styledJson(const Json::Value& value);

}  // namespace tessel
