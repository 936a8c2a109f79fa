#include "media/media_time.h"

#include <gtest/gtest.h>

namespace kestrune {
namespace {

TEST(MediaTime, SumsAcrossTimescalesAreExact) {
    // A trim point (1/600), an output tick (1/90000) and an NTSC frame (1001/30000).
    const MediaTime trim{7, 600};
    const MediaTime tick{1, 90000};
    const MediaTime ntscFrame{1001, 30000};

    const MediaTime sum = trim + tick + ntscFrame;
    EXPECT_EQ(sum, (MediaTime{1050 + 1 + 3003, 90000}));
    EXPECT_EQ(sum - ntscFrame - tick, trim);

    // 30,000 NTSC frames add up to exactly 1001 s, with no drift.
    MediaTime total = MediaTime::zero();
    for (int i = 0; i < 30000; ++i)
        total = total + ntscFrame;
    EXPECT_EQ(total, (MediaTime{1001, 1}));

    // Scales with no common multiple in 32 bits still give the nearest answer.
    const MediaTime odd = MediaTime{1, 90001} + MediaTime{1, 90000};
    EXPECT_NEAR(odd.seconds(), 1.0 / 90001 + 1.0 / 90000, 1e-9);
}

TEST(MediaTime, ComparesAcrossTimescalesWithoutRounding) {
    EXPECT_EQ((MediaTime{1, 600}), (MediaTime{150, 90000}));
    EXPECT_EQ((MediaTime{1001, 30000}), (MediaTime{3003, 90000}));
    EXPECT_GT((MediaTime{1001, 30000}), (MediaTime{1, 30}));
    // One tick apart at a large value: a double would not tell them apart.
    const std::int64_t big = std::int64_t{1} << 60;
    EXPECT_LT((MediaTime{big, 90000}), (MediaTime{big + 1, 90000}));
    EXPECT_LT((MediaTime{-1, 600}), MediaTime::zero());
}

TEST(MediaTime, ConvertsSecondsAndScalesToTheNearestTick) {
    EXPECT_EQ(MediaTime::fromSeconds(1.5, 600).value, 900);
    EXPECT_EQ(MediaTime::fromSeconds(1.0 / 3.0, 600).value, 200);
    EXPECT_EQ(MediaTime::fromSeconds(0.0025, 600).value, 2);   // 1.5 ticks: away from zero
    EXPECT_EQ(MediaTime::fromSeconds(-0.0025, 600).value, -2); // likewise below zero

    EXPECT_EQ((MediaTime{1, 600}).convertScale(90000), (MediaTime{150, 90000}));
    EXPECT_EQ((MediaTime{1001, 30000}).convertScale(600).value, 20); // 20.02 ticks
    EXPECT_EQ((MediaTime{1, 3}).convertScale(2).value, 1);           // 0.67 ticks

    EXPECT_EQ(MediaTime::fromTimestamp(15360, AVRational{1, 15360}), (MediaTime{1, 1}));
    EXPECT_EQ(MediaTime::fromTimestamp(3, AVRational{1001, 30000}), (MediaTime{9009, 90000}));
    EXPECT_EQ((MediaTime{30, 30}).toTimestamp(AVRational{1, 15360}), 15360);
}

} // namespace
} // namespace kestrune
