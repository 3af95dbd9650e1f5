// The same-light table: one device's mode becomes a common kind and every
// other device type's mode of that kind.
#include <gtest/gtest.h>

#include "shell/light_control.h"

namespace tessel {
namespace {

TEST(SameLight, TranslatesModesThroughTheCommonKinds) {
  // Mouse breathing (2) is kind 0: keyboard 5, mousepad 2, headset 2.
  ASSERT_EQ(sameLightKind(2, 2), 0);
  EXPECT_EQ(sameLightMode(1, 0), 5);
  EXPECT_EQ(sameLightMode(9, 0), 5);
  EXPECT_EQ(sameLightMode(3, 0), 2);
  EXPECT_EQ(sameLightMode(7, 0), 2);
  // Off differs per type: keyboard 28, mouse 9, mousepad and headset 8.
  EXPECT_EQ(sameLightKind(2, 9), 4);
  EXPECT_EQ(sameLightKind(6, 9), 4);
  EXPECT_EQ(sameLightMode(1, 4), 28);
  EXPECT_EQ(sameLightMode(3, 4), 8);
  EXPECT_EQ(sameLightKind(3, 8), 4);
  EXPECT_EQ(sameLightKind(1, 23), 2);
  EXPECT_EQ(sameLightMode(2, 2), 4);
  EXPECT_EQ(sameLightKind(1, 4), 3);
  EXPECT_EQ(sameLightMode(2, 3), 1);
  // Modes without a kind, unknown types and kinds.
  EXPECT_EQ(sameLightKind(2, 0), std::nullopt);
  EXPECT_EQ(sameLightKind(2, 5), std::nullopt);
  EXPECT_EQ(sameLightKind(4, 2), std::nullopt);
  EXPECT_EQ(sameLightMode(2, 5), std::nullopt);
  EXPECT_EQ(sameLightMode(2, -1), std::nullopt);
  EXPECT_EQ(sameLightMode(8, 0), std::nullopt);
}

TEST(SameLight, AModeWithoutAKindKeepsThePreviousKind) {
  SameLight same;
  EXPECT_EQ(same.kindFor(2, 0), 0);  // nothing before: kind 0
  EXPECT_EQ(same.kindFor(2, 4), 2);
  EXPECT_EQ(same.kindFor(2, 5), 2);  // streamer has no kind
  EXPECT_EQ(same.kindFor(1, 28), 4);
  EXPECT_EQ(same.lastKind(), 4);
}

}  // namespace
}  // namespace tessel
