#pragma once
// The update table, the entries built from it and the pure pieces of one
// request: application key, request body, installed text, version compare.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessel {

struct UpdateTableRow {
  int versionFormat;  // 0: decimal version, else a 16-bit hexadecimal firmware version
  int counter;
  std::string_view vendor, model, shortName1, shortName2, versionText;
  bool hexadecimal() const { return versionFormat != 0; }
};

// Mouse firmware, keyboard firmware, firmware, application (in this order).
const std::array<UpdateTableRow, 4>& updateTable();

struct UpdateEntry {
  UpdateTableRow row;
  // Firmware: the device's 16-bit version. Application: the dotted version
  // with the dots removed, read as a decimal number (1.0.3 gives 103).
  uint32_t installed = 0;
  // The application's dotted version ("1.0.3"); empty for firmware.
  std::string installedDotted;
};

// Entry k takes firmwareVersions[k] (0 or missing: no device on that tile),
// the application entry `appVersion` ("0.1.0"; empty: not checked). Only
// entries with an installed version are returned.
std::vector<UpdateEntry> buildUpdateEntries(const std::vector<uint16_t>& firmwareVersions,
                                            std::string_view appVersion);

// "1.0.3" -> 103; nullopt when the text holds anything but digits and dots
// or no digit at all.
std::optional<uint32_t> versionWithoutDots(std::string_view dotted);

// vendor _ version format _ model _ short name 1 _ counter:
// "ZELTO_0_ALL_T73_BQ2_BQ1_1".
std::string applicationKey(const UpdateTableRow& row);

// "app_key=KEY&version=N" (N decimal, or lower-case hexadecimal for firmware),
// followed by the terminating NUL that the service expects to be sent and
// counted in Content-Length: the returned string's size includes it.
std::string updateRequestBody(const UpdateEntry& entry);

// Name of the row: "AP" for the application ("ALL" model), else short name 2.
std::string updateRowName(const UpdateTableRow& row);

// "V0102" for firmware, "V" + the dotted version for the application.
std::string installedVersionText(const UpdateEntry& entry);

// Whether the service's "version" names a newer version than installed.
// Firmware: "version" is hexadecimal. Application: a dotted "version" is
// compared part by part with the dotted installed version (1.0.10 < 1.1.0);
// a plain number is compared with the installed version without its dots
// ("105" is not newer than 1.0.5). Anything unreadable is not newer.
bool isNewerVersion(const UpdateEntry& entry, std::string_view version);

// Whether "version" can be read at all for this entry (hexadecimal for
// firmware; digits and dots for the application).
bool isReadableVersion(const UpdateEntry& entry, std::string_view version);

// Part-by-part comparison of dotted versions (missing parts count as 0):
// <0, 0, >0; nullopt when either is not digits and dots.
std::optional<int> compareDottedVersions(std::string_view a, std::string_view b);

}  // namespace tessel
