#pragma once
// Typed reads from Json::Value that never throw. jsoncpp throws on a wrong
// type (asInt() on a string, operator[] on a number) and on negative array
// indices; documents come from users' disks, so every read goes through here.
#include <json/json.h>

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

namespace tessel::json {

// The member, or a null value when `v` is not an object or has no such member.
const Json::Value& member(const Json::Value& v, std::string_view key);
// The element, or a null value when `v` is not an array or the index is out of range.
const Json::Value& element(const Json::Value& v, long long index);
// Number of elements of an array, 0 for anything else.
unsigned size(const Json::Value& v);

bool isNumber(const Json::Value& v);  // int, uint, real or bool

// Integer read: numbers (reals are truncated) and booleans are accepted;
// anything else gives `def`. The result is clamped to [lo, hi].
long long getInt(const Json::Value& v, long long def, long long lo, long long hi);

// Integer read clamped to the range of T (e.g. uint8_t: "Red": 300 reads 255).
template <typename T>
T getInt(const Json::Value& v, T def) {
  return static_cast<T>(getInt(v, static_cast<long long>(def),
                               static_cast<long long>(std::numeric_limits<T>::min()),
                               static_cast<long long>(std::numeric_limits<T>::max())));
}

// Member shorthands.
template <typename T>
T getInt(const Json::Value& object, std::string_view key, T def) {
  return getInt<T>(member(object, key), def);
}

// Boolean read: true/false, or non-zero/zero numbers; anything else gives `def`.
bool getBool(const Json::Value& v, bool def);
inline bool getBool(const Json::Value& object, std::string_view key, bool def) {
  return getBool(member(object, key), def);
}

// String read: strings only; anything else gives `def`.
std::string getString(const Json::Value& v, std::string_view def = {});
inline std::string getString(const Json::Value& object, std::string_view key, std::string_view def) {
  return getString(member(object, key), def);
}

// Writable access that repairs the shape on the way: `v` becomes an object
// (or array) when it is anything else, and the member (element) is created.
Json::Value& objectMember(Json::Value& v, std::string_view key);
Json::Value& arrayElement(Json::Value& v, unsigned index);

}  // namespace tessel::json
