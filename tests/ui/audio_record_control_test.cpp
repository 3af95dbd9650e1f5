// The sound wave control: where its lines fall, that a wide control reads
// only its 500 samples, and the ramp it starts with.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <vector>

#include "qt_env.h"
#include "ui/audio_record_control.h"

namespace tessel::ui {
namespace {

constexpr QRgb kBackground = 0xFFFFFFFFu;
constexpr QRgb kBlack = 0xFF000000u;

// The control's own painting, into an image.
struct PaintableWave : CAudioRecordUI {
  using CAudioRecordUI::Paint;
};

QImage Draw(PaintableWave& wave, int width, int height) {
  QImage image(width, height, QImage::Format_ARGB32);
  image.fill(0xFF808080u);
  wave.SetBkColor(kBackground);
  QPainter painter(&image);
  wave.Paint(painter, QRect(0, 0, width, height));
  return image;
}

// The first black row of column x, or -1 when the column has none.
int TopOfColumn(const QImage& image, int x) {
  for (int y = 0; y < image.height(); ++y)
    if (image.pixel(x, y) == kBlack) return y;
  return -1;
}

TEST(AudioRecordControl, LinesRiseFromTheBottomByTheSample) {
  test::EnsureQtApp();
  PaintableWave wave;
  std::vector<int32_t> s(CAudioRecordUI::kSamples, 0);
  s[0] = 8192;        // full scale: the whole height
  s[1] = 4096;        // half
  s[2] = -500;        // below the bottom: clamped to the last row
  s[3] = 100000;      // far above full scale: clamped to the top
  s[4] = INT32_MIN;   // must not wrap when scaled
  wave.SetSamples(s);
  const QImage img = Draw(wave, 100, 40);
  EXPECT_EQ(TopOfColumn(img, 0), 0);
  EXPECT_EQ(TopOfColumn(img, 2), 20);
  EXPECT_EQ(TopOfColumn(img, 4), 39);
  EXPECT_EQ(TopOfColumn(img, 6), 0);
  EXPECT_EQ(TopOfColumn(img, 8), 39);
  // Each line reaches the bottom row; odd columns keep the background.
  for (int x : {0, 2, 4, 6}) EXPECT_EQ(img.pixel(x, 39), kBlack) << x;
  for (int x : {1, 3, 5, 7}) EXPECT_EQ(img.pixel(x, 30), kBackground) << x;
  EXPECT_EQ(img.pixel(2, 19), kBackground);
}

TEST(AudioRecordControl, AWideControlDrawsOnlyItsFiveHundredSamples) {
  test::EnsureQtApp();
  PaintableWave wave;
  wave.SetSamples(std::vector<int32_t>(CAudioRecordUI::kSamples, 8192));
  const QImage img = Draw(wave, 2000, 20);
  EXPECT_EQ(TopOfColumn(img, 998), 0);  // sample 499
  // Past sample 499 nothing is read, so nothing is drawn.
  for (int x = 1000; x < 2000; x += 2) ASSERT_EQ(TopOfColumn(img, x), -1) << x;
  // A narrow one stops where 2k reaches its width.
  const QImage narrow = Draw(wave, 9, 20);
  EXPECT_EQ(TopOfColumn(narrow, 8), 0);
}

TEST(AudioRecordControl, StartsWithTheRampAndTakesAtMostFiveHundred) {
  test::EnsureQtApp();
  PaintableWave wave;
  EXPECT_EQ(wave.Samples()[0], 0);
  EXPECT_EQ(wave.Samples()[255], 255);
  EXPECT_EQ(wave.Samples()[256], 0);
  // With H = 8192 the ramp's line k starts k rows above the bottom.
  const QImage img = Draw(wave, 600, 8192);
  EXPECT_EQ(TopOfColumn(img, 2 * 200), 8192 - 200);
  // A longer block fills the 500 and no more; a shorter one only its front.
  std::vector<int32_t> many(700, 5);
  wave.SetSamples(many);
  EXPECT_EQ(wave.Samples()[499], 5);
  wave.SetSamples(std::vector<int32_t>(3, 9));
  EXPECT_EQ(wave.Samples()[2], 9);
  EXPECT_EQ(wave.Samples()[3], 5);
}

}  // namespace
}  // namespace tessel::ui
