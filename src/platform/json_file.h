#pragma once
// JSON documents on disk.
//   read:  readKeptJson with no shape check, for files whose absence and
//          damage mean the same to the reader (factory files); a kept file's
//          store reads with readKeptJson and its own shape.
//   write: writeKeptJson: jsoncpp's styled text followed by one line end,
//          replacing the file atomically.
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
