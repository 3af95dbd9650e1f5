// The companion's sound path without a sound server: mixdown and scaling,
// blocks cut across odd fragment sizes, the bytes on the bus, the bounded
// queue, and the capture thread over a scripted source.
#include <gtest/gtest.h>

#include <future>
#include <algorithm>
#include <cmath>
#include <limits>
#include <mutex>
#include <vector>

#include "platform/bus_name.h"
#include "services/audio_levels.h"
#include "tools/tessel_audio/capture_thread.h"
#include "tools/tessel_audio/sound_blocks.h"

using namespace tessel::audio_companion;
using tessel::AudioLevelAnalyser;

namespace {

// A mono stream whose frame n has the value n / 16384 (sample n / 2 after scaling).
std::vector<float> ramp(size_t from, size_t count) {
  std::vector<float> v(count);
  for (size_t i = 0; i < count; ++i) v[i] = static_cast<float>(from + i) / 16384.0f;
  return v;
}

}  // namespace

TEST(TesselAudioMixdown, AveragesChannelsScalesRoundsAndClamps) {
  const float stereo[] = {0.5f, -0.25f};
  EXPECT_EQ(mixDown(stereo, 2), 1024);  // (0.5 - 0.25) / 2 * 8192
  const float full[] = {1.0f, 1.0f};
  EXPECT_EQ(mixDown(full, 2), 8192);
  const float over[] = {1.7f, 1.2f};
  EXPECT_EQ(mixDown(over, 2), 8192);
  const float under[] = {-3.0f};
  EXPECT_EQ(mixDown(under, 1), -8192);
  const float rounding[] = {1.6f / 8192, 1.6f / 8192};
  EXPECT_EQ(mixDown(rounding, 2), 2);
  const float negRounding[] = {-1.6f / 8192};
  EXPECT_EQ(mixDown(negRounding, 1), -2);
  const float broken[] = {std::numeric_limits<float>::quiet_NaN(), 0.5f};
  EXPECT_EQ(mixDown(broken, 2), 0);
  const float infinite[] = {std::numeric_limits<float>::infinity()};
  EXPECT_EQ(mixDown(infinite, 1), 8192);
  EXPECT_EQ(mixDown(stereo, 0), 0);
}

TEST(TesselAudioBlocks, OddFragmentsMakeConsecutiveBlocksWithNothingLostOrRepeated) {
  std::vector<SoundBlock> blocks;
  BlockCutter cutter([&](const SoundBlock& b) { blocks.push_back(b); });
  // 2 (channels) x fragments of awkward sizes: 1, 499, 7, 1000, 333, 160 ...
  const size_t sizes[] = {1, 499, 7, 1000, 333, 160, 500, 1, 2};
  size_t at = 0;
  for (size_t n : sizes) {
    std::vector<float> mono = ramp(at, n);
    std::vector<float> stereo;
    for (float f : mono) {
      stereo.push_back(f);
      stereo.push_back(f);
    }
    cutter.push(stereo.data(), n, 2);
    at += n;
  }
  ASSERT_EQ(at, 2503u);
  ASSERT_EQ(blocks.size(), 5u);
  EXPECT_EQ(cutter.pending(), 3u);
  for (size_t b = 0; b < blocks.size(); ++b)
    for (size_t i = 0; i < kBlockSamples; ++i) {
      const size_t frame = b * kBlockSamples + i;
      ASSERT_EQ(blocks[b][i], static_cast<int32_t>(std::lround(frame / 2.0))) << "block " << b << " sample " << i;
    }
  cutter.reset();
  EXPECT_EQ(cutter.pending(), 0u);
}

TEST(TesselAudioBlocks, EncodedAsLittleEndianInt32AndPeakIsLargestMagnitude) {
  SoundBlock block{};
  block[0] = 1;
  block[1] = -1;
  block[2] = 8192;
  block[499] = -8192;
  const auto bytes = encodeBlock(block);
  ASSERT_EQ(bytes.size(), 2000u);
  const uint8_t head[] = {1, 0, 0, 0, 0xff, 0xff, 0xff, 0xff, 0x00, 0x20, 0, 0};
  for (size_t i = 0; i < sizeof head; ++i) EXPECT_EQ(bytes[i], head[i]) << i;
  EXPECT_EQ(bytes[1996], 0x00);
  EXPECT_EQ(bytes[1997], 0xe0);
  EXPECT_EQ(bytes[1998], 0xff);
  EXPECT_EQ(bytes[1999], 0xff);
  EXPECT_EQ(blockPeak(block), 8192);
  block[499] = 0;
  block[2] = 100;
  block[7] = -4000;
  EXPECT_EQ(blockPeak(block), 4000);
}

TEST(TesselAudioSilence, QuietSoundSendsNothingAfterATailThatBringsTheLevelsToZero) {
  // The main window's analyser is the receiver of what passes the gate.
  AudioLevelAnalyser analyser;
  AudioLevelAnalyser::Levels shown{};  // what the keyboard was last handed
  SilenceGate gate;
  auto offer = [&](const SoundBlock& block) {
    if (!gate.pass(block)) return false;
    const auto bytes = encodeBlock(block);
    const auto outcome = analyser.receive(AudioLevelAnalyser::kSamplesKind, bytes.data(), bytes.size());
    if (outcome.handout) shown = *outcome.handout;
    return true;
  };
  SoundBlock quiet{};
  quiet[3] = SilenceGate::kFloor;  // a hiss at the floor is quiet
  EXPECT_FALSE(offer(quiet)) << "nothing before the first sound";
  SoundBlock loud{};
  for (size_t i = 0; i < kBlockSamples; ++i) loud[i] = (i % 2 != 0) ? 8192 : -8192;
  for (int i = 0; i < 7; ++i) EXPECT_TRUE(offer(i % 2 == 0 ? loud : quiet)) << "a pause within the sound goes out";
  ASSERT_GT(*std::max_element(shown.begin(), shown.end()), 0);
  int sent = 0;
  for (int i = 0; i < 100; ++i) sent += offer(quiet) ? 1 : 0;
  EXPECT_EQ(sent, SilenceGate::kTail);
  EXPECT_TRUE(gate.quiet());
  for (int level : shown) EXPECT_EQ(level, 0);
  EXPECT_TRUE(offer(loud)) << "sound again goes out at once";
}

TEST(TesselAudioQueue, DropsTheOldestWhenTheConsumerLags) {
  BlockQueue queue(3);
  SoundBlock b{};
  for (int i = 0; i < 5; ++i) {
    b[0] = i;
    EXPECT_EQ(queue.push(b), i == 0) << "only the push onto an empty queue asks for a wake-up";
  }
  EXPECT_EQ(queue.size(), 3u);
  EXPECT_EQ(queue.dropped(), 2u);
  EXPECT_EQ(queue.tryPop()->at(0), 2);
  EXPECT_EQ(queue.tryPop()->at(0), 3);
  EXPECT_EQ(queue.tryPop()->at(0), 4);
  EXPECT_FALSE(queue.tryPop());
  b[0] = 9;
  EXPECT_TRUE(queue.push(b)) << "empty again: the next push wakes the consumer";
  queue.close();
  EXPECT_TRUE(queue.closed());
  EXPECT_FALSE(queue.push(b)) << "nothing enters a closed queue";
  EXPECT_EQ(queue.popUntil(std::chrono::steady_clock::now())->at(0), 9) << "what was queued still comes out";
  EXPECT_FALSE(queue.popUntil(std::chrono::steady_clock::now() + std::chrono::hours(1)))
      << "a closed, empty queue never waits";
}

TEST(TesselAudioLevels, OneLineForEachSecondOfSound) {
  LevelMeter meter(1500);  // three blocks a second
  SoundBlock quiet{};
  SoundBlock loud{};
  loud[10] = -3000;
  EXPECT_FALSE(meter.add(quiet));
  EXPECT_FALSE(meter.add(loud));
  EXPECT_EQ(meter.add(quiet).value_or(""), "blocks 3 peak 3000");
  EXPECT_FALSE(meter.add(quiet));
  EXPECT_FALSE(meter.add(quiet));
  EXPECT_EQ(meter.add(quiet).value_or(""), "blocks 6 peak 0") << "the peak starts again each line";
}

namespace {

// Hands out the ramp in fragments, then reports the end of the sound.
class ScriptedSource : public FrameSource {
 public:
  explicit ScriptedSource(size_t totalFrames) : total_(totalFrames) {}
  int channels() const override { return 2; }
  unsigned rate() const override { return 48000; }
  bool read(float* out, size_t frames, std::string& error) override {
    if (at_ + frames > total_) {
      error = "the server went away";
      return false;
    }
    for (size_t i = 0; i < frames; ++i) {
      out[2 * i] = static_cast<float>(at_ + i) / 8192.0f;
      out[2 * i + 1] = 0.0f;
    }
    at_ += frames;
    return true;
  }

 private:
  size_t total_;
  size_t at_ = 0;
};

}  // namespace

TEST(TesselAudioCapture, ThreadCutsTheSourceIntoBlocksAndReportsItsEnd) {
  std::mutex mutex;
  std::vector<SoundBlock> blocks;
  std::promise<std::string> ended;
  std::future<std::string> failure = ended.get_future();
  // 240-frame fragments of a 1200-frame ramp: two whole blocks and a partial one.
  CaptureThread capture(
      std::make_unique<ScriptedSource>(1200), 240,
      [&](const SoundBlock& b) {
        std::lock_guard lock(mutex);
        blocks.push_back(b);
      },
      [&](const std::string& why) { ended.set_value(why); });
  capture.start();
  ASSERT_EQ(failure.wait_for(std::chrono::seconds(30)), std::future_status::ready);
  EXPECT_EQ(failure.get(), "the server went away");
  capture.stop();
  EXPECT_FALSE(capture.running());
  std::lock_guard lock(mutex);
  ASSERT_EQ(blocks.size(), 2u);
  // Left channel n/8192, right 0: mono n/2 (rounded half away from zero).
  EXPECT_EQ(blocks[0][0], 0);
  EXPECT_EQ(blocks[0][3], 2);
  EXPECT_EQ(blocks[1][0], 250);
  EXPECT_EQ(blocks[1][499], 500);
}

TEST(TesselAudioBusName, CompanionAndMainWindowNames) {
  EXPECT_EQ(tessel::busNameForTitle("ORVIK Tessel RGBAUDIORECORD"),
            "org.orvik.TesselRGB.w.ORVIK_20Tessel_20RGBAUDIORECORD");
  EXPECT_EQ(tessel::busNameForTitle("Tessel RGB"), "org.orvik.TesselRGB.w.Tessel_20RGB");
  EXPECT_EQ(tessel::busNameForTitle("3D_\xc3\xbc"), "org.orvik.TesselRGB.w._33D_5f_c3_bc");
  EXPECT_EQ(tessel::busNameForTitle(""), "");
  EXPECT_EQ(tessel::busNameForTitle(std::string(240, 'a')), "") << "past 255 characters no window is reachable";
}
