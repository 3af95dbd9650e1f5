#include "services/app_settings.h"

#include <cstdlib>

#include "platform/settings_store.h"

#ifndef TESSEL_VERSION
#define TESSEL_VERSION "0.0.0"
#endif

namespace tessel {

std::string configuredUpdateServer(const SettingsStore& store) {
  return store.getString(kSettingUpdateServer).value_or("");
}

std::string configuredUpdateServerCa(const SettingsStore& store) {
  return store.getString(kSettingUpdateServerCa).value_or("");
}

uint32_t localeLanguageId(const char* lcAll, const char* lcMessages, const char* lang) {
  const char* chosen = nullptr;
  for (const char* v : {lcAll, lcMessages, lang}) {
    if (v != nullptr && *v != '\0') {
      chosen = v;
      break;
    }
  }
  if (chosen != nullptr && std::string_view(chosen).substr(0, 2) == "zh") return kLanguageChinese;
  return kLanguageEnglish;
}

uint32_t localeLanguageId() {
  return localeLanguageId(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG"));
}

std::string_view applicationVersion() { return TESSEL_VERSION; }

}  // namespace tessel
