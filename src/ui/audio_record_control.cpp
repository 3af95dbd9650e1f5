#include "ui/audio_record_control.h"

#include <QPainter>
#include <algorithm>

namespace tessel::ui {

CAudioRecordUI::CAudioRecordUI() {
  for (size_t k = 0; k < 256; ++k) samples_[k] = static_cast<int32_t>(k);
}

void CAudioRecordUI::SetSamples(std::span<const int32_t> samples) {
  const size_t n = std::min(samples.size(), kSamples);
  std::copy_n(samples.begin(), n, samples_.begin());
  if (IsVisible()) Invalidate();
}

void CAudioRecordUI::PaintBkColor(QPainter& painter, const QRect& rc) {
  CLabelUI::PaintBkColor(painter, rc);
  const int64_t h = rc.height();
  if (h <= 0 || rc.width() <= 0) return;
  const int bottom = rc.top() + static_cast<int>(h) - 1;
  const QColor black(0, 0, 0, 255);
  for (size_t k = 0; k < kSamples && static_cast<int64_t>(2 * k) < rc.width(); ++k) {
    // 64 bits: a sample far outside the full scale must not wrap the height.
    const int64_t y = rc.top() + h - int64_t{samples_[k]} * h / kFullScale;
    const int top = static_cast<int>(std::clamp<int64_t>(y, rc.top(), bottom));
    const int x = rc.left() + static_cast<int>(2 * k);
    // One pixel wide, both ends included.
    painter.fillRect(QRect(x, top, 1, bottom - top + 1), black);
  }
}

}  // namespace tessel::ui
