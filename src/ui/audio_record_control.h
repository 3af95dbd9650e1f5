#pragma once
// CAudioRecordUI ("AudioRecord"): a label that draws, over its background,
// the wave of the last sound samples received from the audio companion. For
// sample k, while 2k is less than the width, a one-pixel line at x = left +
// 2k runs from y = top + H - sample * H / 8192 (clamped into the control)
// down to the bottom row, in opaque black. Until samples arrive it shows
// the ramp sample k = k (k < 256). A control wider than 1000 pixels still
// draws only its 500 samples.
#include <array>
#include <cstdint>
#include <span>

#include "ui/toolkit/controls.h"

namespace tessel::ui {

class CAudioRecordUI : public CLabelUI {
 public:
  static constexpr size_t kSamples = 500;
  static constexpr int kFullScale = 8192;

  CAudioRecordUI();
  QString GetClass() const override { return QStringLiteral("AudioRecord"); }

  // The last samples received (at most 500 are taken; fewer leave the rest
  // as they were). Repaints when the control is shown.
  void SetSamples(std::span<const int32_t> samples);
  const std::array<int32_t, kSamples>& Samples() const { return samples_; }

 protected:
  void PaintBkColor(QPainter& painter, const QRect& rc) override;

 private:
  std::array<int32_t, kSamples> samples_{};
};

}  // namespace tessel::ui
