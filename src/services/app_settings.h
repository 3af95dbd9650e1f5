#pragma once
// Settings the settings window and tesselctl share: the update server, its
// optional certificate authority, and the language of a first start.
#include <cstdint>
#include <string>
#include <string_view>

namespace tessel {

class SettingsStore;

// Settings names in "settings.json".
inline constexpr std::string_view kSettingUpdateServer = "UpdateServer";
inline constexpr std::string_view kSettingUpdateServerCa = "UpdateServerCaFile";

// The update server's base address; empty when none is set (then no request is made).
std::string configuredUpdateServer(const SettingsStore& store);
// A PEM file of the certificate authority that signed a private update server's certificate.
std::string configuredUpdateServerCa(const SettingsStore& store);

// Language ids of "Language.config".
inline constexpr uint32_t kLanguageChinese = 2052;
inline constexpr uint32_t kLanguageEnglish = 1033;

// The language of a start without a saved one, by the POSIX locale rule: the
// first non-empty of LC_ALL, LC_MESSAGES and LANG; Chinese when it starts
// with "zh", English otherwise (also when none is set). Null pointers count as unset.
uint32_t localeLanguageId(const char* lcAll, const char* lcMessages, const char* lang);
// The same from this process's environment.
uint32_t localeLanguageId();

// The program's version from the build ("0.1.0").
std::string_view applicationVersion();

}  // namespace tessel
