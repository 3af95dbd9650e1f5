#include "platform/json_access.h"

#include <algorithm>
#include <cmath>

namespace tessel::json {
namespace {
const Json::Value& nullValue() {
  static const Json::Value null;
  return null;
}
}  // namespace

const Json::Value& member(const Json::Value& v, std::string_view key) {
  if (!v.isObject()) return nullValue();
  const Json::Value* found = v.find(key.data(), key.data() + key.size());
  return found ? *found : nullValue();
}

const Json::Value& element(const Json::Value& v, long long index) {
  if (!v.isArray() || index < 0 || index >= static_cast<long long>(v.size())) return nullValue();
  return v[static_cast<Json::ArrayIndex>(index)];
}

unsigned size(const Json::Value& v) { return v.isArray() ? v.size() : 0; }

bool isNumber(const Json::Value& v) { return v.isInt64() || v.isUInt64() || v.isDouble() || v.isBool(); }

long long getInt(const Json::Value& v, long long def, long long lo, long long hi) {
  long long result = def;
  if (v.isBool()) {
    result = v.asBool() ? 1 : 0;
  } else if (v.isInt64()) {
    result = v.asInt64();
  } else if (v.isUInt64()) {
    result = std::numeric_limits<long long>::max();  // larger than any field
  } else if (v.isDouble()) {
    double d = v.asDouble();
    if (std::isnan(d)) return std::clamp(def, lo, hi);
    if (d >= 9.2e18) result = std::numeric_limits<long long>::max();
    else if (d <= -9.2e18) result = std::numeric_limits<long long>::min();
    else result = static_cast<long long>(d);
  }
  return std::clamp(result, lo, hi);
}

bool getBool(const Json::Value& v, bool def) {
  if (v.isBool()) return v.asBool();
  if (v.isInt64()) return v.asInt64() != 0;
  if (v.isUInt64()) return true;
  if (v.isDouble()) return v.asDouble() != 0.0;
  return def;
}

std::string getString(const Json::Value& v, std::string_view def) {
  if (v.isString()) return v.asString();
  return std::string(def);
}

Json::Value& objectMember(Json::Value& v, std::string_view key) {
  if (!v.isObject()) v = Json::Value(Json::objectValue);
  return v[std::string(key)];
}

Json::Value& arrayElement(Json::Value& v, unsigned index) {
  if (!v.isArray()) v = Json::Value(Json::arrayValue);
  return v[static_cast<Json::ArrayIndex>(index)];
}

}  // namespace tessel::json
