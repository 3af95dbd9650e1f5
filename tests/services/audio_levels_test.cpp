// The level analysis of the companion's sound packets: band levels, the
// handout of every third packet, the exact-size rule and hostile samples.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "services/audio_levels.h"

namespace tessel {
namespace {

using A = AudioLevelAnalyser;

std::vector<uint8_t> packet(const std::vector<int32_t>& samples) {
  std::vector<uint8_t> bytes;
  for (int32_t s : samples) {
    const auto u = static_cast<uint32_t>(s);
    for (int k = 0; k < 4; ++k) bytes.push_back(static_cast<uint8_t>(u >> (8 * k)));
  }
  return bytes;
}

std::vector<int32_t> constant(int32_t v) { return std::vector<int32_t>(A::kSamples, v); }

A::Outcome feed(A& a, const std::vector<int32_t>& samples) {
  const auto bytes = packet(samples);
  return a.receive(1, bytes.data(), bytes.size());
}

TEST(AudioLevels, BandsTakeTheirFourDifferencesAndIdenticalPacketsQuarterThem) {
  A a;
  // Band j takes samples 5j..5j+3 only: sample 5j+4 never counts.
  std::vector<int32_t> s(A::kSamples, 0);
  for (size_t j = 0; j < A::kBands; ++j) {
    for (size_t k = 0; k < 4; ++k) s[5 * j + k] = static_cast<int32_t>(100 * (j + 1));
    s[5 * j + 4] = 8000;
  }
  feed(a, s);
  auto l = a.levels();
  for (size_t j = 0; j < A::kBands; ++j) EXPECT_EQ(l[j], std::min<int>(100 * int(j + 1), 2000)) << j;
  // The same packet again: every difference is 0, every level falls to a quarter.
  feed(a, s);
  const auto q = a.levels();
  for (size_t j = 0; j < A::kBands; ++j) EXPECT_EQ(q[j], l[j] / 4) << j;
  // Negative differences count by their size.
  std::vector<int32_t> down = s;
  for (size_t k = 0; k < 4; ++k) down[k] = s[k] - 40;
  feed(a, down);
  EXPECT_EQ(a.levels()[0], (q[0] + 4 * 40) / 4);
  EXPECT_EQ(a.acceptedPackets(), 3u);
  EXPECT_EQ(a.lastSamples()[0], s[0] - 40);
}

TEST(AudioLevels, ExtremeSamplesNeverOverflowAndStayWithinRange) {
  A a;
  std::vector<int32_t> s(A::kSamples), t(A::kSamples);
  for (size_t i = 0; i < A::kSamples; ++i) {
    s[i] = i % 2 ? INT32_MAX : INT32_MIN;
    t[i] = i % 2 ? INT32_MIN : INT32_MAX;
  }
  for (int n = 0; n < 9; ++n) {
    feed(a, n % 2 ? t : s);
    for (int l : a.levels()) {
      EXPECT_GE(l, 0);
      EXPECT_LE(l, A::kMaxLevel);
    }
  }
  EXPECT_EQ(a.levels()[3], A::kMaxLevel);
  // From the ceiling, silence brings each level down by quarters again.
  // (the last packet of the loop was `s`).
  feed(a, s);
  feed(a, s);
  EXPECT_EQ(a.levels()[3], A::kMaxLevel / 16);
}

TEST(AudioLevels, OnlyExactSizesCountAndOthersChangeNothing) {
  A a;
  feed(a, constant(400));
  const auto before = a.levels();
  const auto samples = a.lastSamples();
  std::vector<uint8_t> big = packet(constant(-3000));
  big.push_back(0);
  EXPECT_EQ(a.receive(1, big.data(), 2001).kind, A::Outcome::Kind::Ignored);
  EXPECT_EQ(a.receive(1, big.data(), 1999).kind, A::Outcome::Kind::Ignored);
  EXPECT_EQ(a.receive(1, big.data(), 0).kind, A::Outcome::Kind::Ignored);
  EXPECT_EQ(a.receive(1, nullptr, 2000).kind, A::Outcome::Kind::Ignored);
  EXPECT_EQ(a.receive(3, big.data(), 2000).kind, A::Outcome::Kind::Ignored);
  EXPECT_EQ(a.receive(2, big.data(), 2000).kind, A::Outcome::Kind::Ignored);
  EXPECT_EQ(a.levels(), before);
  EXPECT_EQ(a.lastSamples(), samples);
  EXPECT_EQ(a.acceptedPackets(), 1u);

  // The external colour input: exactly six values.
  const auto six = packet({1, -2, 3, 0x7FFFFFFF, 5, 6});
  const auto out = a.receive(2, six.data(), six.size());
  ASSERT_EQ(out.kind, A::Outcome::Kind::External);
  EXPECT_EQ(out.external, (A::External{1, -2, 3, 0x7FFFFFFF, 5, 6}));
  EXPECT_EQ(a.receive(2, six.data(), 20).kind, A::Outcome::Kind::Ignored);
  EXPECT_EQ(a.receive(2, big.data(), 28).kind, A::Outcome::Kind::Ignored);
  EXPECT_EQ(a.lastExternal(), (A::External{1, -2, 3, 0x7FFFFFFF, 5, 6}));
  EXPECT_EQ(a.acceptedPackets(), 1u);
}

TEST(AudioLevels, EveryThirdPacketHandsTheLevelsOutAndSoundAfterSilenceAtOnce) {
  A a;
  std::vector<bool> handed;
  for (int n = 1; n <= 7; ++n) {
    const auto out = feed(a, constant(n * 100));
    ASSERT_EQ(out.kind, A::Outcome::Kind::Samples);
    handed.push_back(out.handout.has_value());
    if (out.handout) {
      EXPECT_EQ(*out.handout, a.levels()) << n;
    }
  }
  // The first sound goes out at once; from there every third packet.
  EXPECT_EQ(handed, (std::vector<bool>{true, false, false, true, false, false, true}));
  // Ignored packets do not count towards the third.
  const std::vector<uint8_t> junk(10, 0);
  a.receive(1, junk.data(), junk.size());
  EXPECT_FALSE(feed(a, constant(0)).handout.has_value());
  EXPECT_FALSE(feed(a, constant(0)).handout.has_value());
  EXPECT_TRUE(feed(a, constant(0)).handout.has_value());
  // Silence until a handout of silence; then the next sound goes out with its first packet.
  for (int n = 0; n < 30; ++n) feed(a, constant(0));
  while (true) {
    const auto out = feed(a, constant(0));
    if (out.handout && *out.handout == A::Levels{}) break;
  }
  EXPECT_FALSE(feed(a, constant(0)).handout.has_value());
  EXPECT_TRUE(feed(a, constant(900)).handout.has_value());
  EXPECT_FALSE(feed(a, constant(0)).handout.has_value()) << "the count starts again";
}

}  // namespace
}  // namespace tessel
