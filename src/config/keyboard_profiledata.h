#pragma once
// CKeyboardProfiledata: the keyboard's "SystemStages" on top of the shared
// sections ("KeyList", "LightInfo", "CustomLightMode" ... in CBasicProfiledata).
#include "config/basic_profiledata.h"

namespace tessel {

class CKeyboardProfiledata : public CBasicProfiledata {
 public:
  // A missing "SystemStages" reads as all zero.
  KeyboardSystemStages getSystemStages() const;
  void setSystemStages(const KeyboardSystemStages& stages);
  SystemWords getSystemWords() const { return packKeyboardSystemWords(getSystemStages()); }
  void setSystemWords(const SystemWords& w) { setSystemStages(unpackKeyboardSystemWords(w)); }

 protected:
  void clearOwnCaches() override;

 private:
  mutable KeyboardSystemStages stagesCache_;
};

}  // namespace tessel
