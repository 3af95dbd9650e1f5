#pragma once
// CHs6533Profiledata: the headset's sections: "SystemSetStages", the built-in
// equaliser presets "EQHzValueInfo", and the user's custom presets with their
// names ("CustomEQNameInfo", "CustomEQHzValueInfo").
#include <string>
#include <vector>

#include "config/basic_profiledata.h"

namespace tessel {

class CHs6533Profiledata : public CBasicProfiledata {
 public:
  HeadsetSystemSet getSystemSet() const;
  void setSystemSet(const HeadsetSystemSet& set);

  std::vector<EqPreset> getEqPresets() const;
  void setEqPresets(const std::vector<EqPreset>& presets);

  std::vector<std::string> getCustomEqNames() const;
  void setCustomEqNames(const std::vector<std::string>& names);
  std::vector<EqPreset> getCustomEqPresets() const;
  void setCustomEqPresets(const std::vector<EqPreset>& presets);

 protected:
  void clearOwnCaches() override;

 private:
  mutable HeadsetSystemSet setCache_;
  mutable std::vector<EqPreset> eqCache_;
  mutable std::vector<std::string> customNamesCache_;
  mutable std::vector<EqPreset> customEqCache_;
};

}  // namespace tessel
