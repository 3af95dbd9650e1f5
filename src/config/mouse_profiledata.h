#pragma once
// CMouseProfiledata: the mouse's document sections on top of the shared ones:
// "DPIStages", "SystemStages" with "ReportStages", and "CorrectInfo".
//
// "DPIStages" read from the document replaces the cached stage list: a
// three-stage profile shows three stages, never the fourth and fifth of the
// profile read before it. A "DPIStages" without "StageDPIs" still gives its
// active stage index and keeps the cached list.
#include <vector>

#include "config/basic_profiledata.h"

namespace tessel {

class CMouseProfiledata : public CBasicProfiledata {
 public:
  std::vector<DpiStage> getStages() const;
  void setStages(const std::vector<DpiStage>& stages);
  uint8_t getActiveStage() const;
  void setActiveStage(uint8_t index);

  // The three settings words (see packMouseSystemWords). A missing
  // "SystemStages" gives zeros; a missing "ReportStages" leaves the top half
  // of word 2 at 0.
  SystemWords getSystemWords() const;
  void setSystemWords(const SystemWords& words);
  MouseSystemStages getSystemStages() const { return unpackMouseSystemWords(getSystemWords()); }
  void setSystemStages(const MouseSystemStages& s) { setSystemWords(packMouseSystemWords(s)); }

  std::vector<CorrectPreset> getCorrectInfo() const;
  void setCorrectInfo(const std::vector<CorrectPreset>& presets);

 protected:
  void clearOwnCaches() override;

 private:
  mutable std::vector<DpiStage> stagesCache_;
  mutable uint8_t activeStageCache_ = 0;
  mutable SystemWords wordsCache_{};
  mutable std::vector<CorrectPreset> correctCache_;
};

}  // namespace tessel
