#include "device/hid/hid_path.h"

#include <cstdio>

namespace tessel::hid {
namespace {

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

size_t findIgnoringCase(std::string_view text, std::string_view marker) {
  if (marker.empty() || marker.size() > text.size()) return std::string_view::npos;
  for (size_t i = 0; i + marker.size() <= text.size(); ++i) {
    size_t k = 0;
    while (k < marker.size() && lower(text[i + k]) == lower(marker[k])) ++k;
    if (k == marker.size()) return i;
  }
  return std::string_view::npos;
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = lower(c);
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

uint16_t pathNumber(std::string_view path, std::string_view marker) {
  size_t pos = findIgnoringCase(path, marker);
  if (pos == std::string_view::npos) return 0;
  std::string_view rest = path.substr(pos + marker.size());
  size_t i = 0;
  // "%x" skips white space and takes an optional "0x" prefix.
  while (i < rest.size() && (rest[i] == ' ' || rest[i] == '\t')) ++i;
  if (i + 2 < rest.size() && rest[i] == '0' && lower(rest[i + 1]) == 'x' && hexDigit(rest[i + 2]) >= 0)
    i += 2;
  uint32_t value = 0;
  for (; i < rest.size(); ++i) {
    int d = hexDigit(rest[i]);
    if (d < 0) break;
    value = (value << 4) | static_cast<uint32_t>(d);  // wraps like an unsigned int
  }
  return static_cast<uint16_t>(value & 0xFFFF);
}

uint16_t pathVendorId(std::string_view path) { return pathNumber(path, "vid_"); }
uint16_t pathProductId(std::string_view path) { return pathNumber(path, "pid_"); }
uint16_t pathInterfaceNumber(std::string_view path) { return pathNumber(path, "&mi_"); }
uint16_t pathCollectionNumber(std::string_view path) { return pathNumber(path, "&col"); }

std::string makeDevicePath(std::string_view node, uint16_t vendorId, uint16_t productId,
                           uint16_t interfaceNumber, uint16_t collection) {
  char tail[64];
  if (collection != 0)
    std::snprintf(tail, sizeof tail, "#vid_%04x&pid_%04x&mi_%02x&col%02x", vendorId, productId,
                  interfaceNumber, collection);
  else
    std::snprintf(tail, sizeof tail, "#vid_%04x&pid_%04x&mi_%02x", vendorId, productId,
                  interfaceNumber);
  std::string path(node);
  path += tail;
  return path;
}

std::string_view pathNode(std::string_view path) {
  size_t hash = path.find('#');
  return hash == std::string_view::npos ? path : path.substr(0, hash);
}

}  // namespace tessel::hid
