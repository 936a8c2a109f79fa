#include "ui/time_text.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace kestrune {
namespace {

TEST(FormatTime, TruncatesToWholeSecondsWithUncappedMinutes) {
    EXPECT_EQ(formatTime(0), "00:00");
    EXPECT_EQ(formatTime(12.7), "00:12");
    EXPECT_EQ(formatTime(59.9), "00:59");
    EXPECT_EQ(formatTime(60), "01:00");
    EXPECT_EQ(formatTime(3600), "60:00");
    EXPECT_EQ(formatTime(3725), "62:05");
    EXPECT_EQ(formatTime(6000), "100:00");
    EXPECT_EQ(formatTime(-3), "00:00");
    EXPECT_EQ(formatTime(-0.5), "00:00");
}

TEST(FormatTime, NonFiniteAndHugeValuesGiveDefinedTexts) {
    constexpr double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(formatTime(std::numeric_limits<double>::quiet_NaN()), "--:--");
    EXPECT_EQ(formatTime(inf), "--:--");
    EXPECT_EQ(formatTime(-inf), "00:00");
    // 2^63 - 1 seconds is 153722867280912930 minutes and 7 seconds.
    EXPECT_EQ(formatTime(1e300), "153722867280912930:07");
    EXPECT_EQ(formatTime(9223372036854775808.0), "153722867280912930:07");
    // The largest double below 2^63 still shows exactly.
    EXPECT_EQ(formatTime(9223372036854774784.0), "153722867280912913:04");
}

TEST(ParseTime, ReadsMinutesAndSecondsAndPlainSeconds) {
    EXPECT_EQ(parseTime("1:30"), 90.0);
    EXPECT_EQ(parseTime("01:30"), 90.0);
    EXPECT_EQ(parseTime("  1:30\t "), 90.0);
    EXPECT_EQ(parseTime(QStringLiteral("\u00a01:30\u3000")), 90.0);
    EXPECT_EQ(parseTime("90"), 90.0);
    EXPECT_EQ(parseTime("90.5"), 90.5);
    EXPECT_EQ(parseTime("+90"), 90.0);
    EXPECT_EQ(parseTime(".5"), 0.5);
    EXPECT_EQ(parseTime("1.5e2"), 150.0);
    EXPECT_EQ(parseTime("1::30"), 90.0);
    EXPECT_EQ(parseTime("1:30:"), 90.0);
    EXPECT_EQ(parseTime("125:0"), 7500.0);
    EXPECT_EQ(parseTime("1:5"), 65.0);
    EXPECT_EQ(parseTime("+1:+30"), 90.0);
    EXPECT_EQ(parseTime("0:59"), 59.0);
    EXPECT_EQ(parseTime("00:12.5"), 12.5);
    // The nearest double to what was typed, as "119.99" would read.
    EXPECT_EQ(parseTime("1:59.99"), 119.99);
    EXPECT_EQ(parseTime("1:15.1"), 75.1);
}

TEST(FormatEditableTime, ShowsTheHundredthsAFieldWouldOtherwiseLose) {
    EXPECT_EQ(formatEditableTime(12), "00:12");
    EXPECT_EQ(formatEditableTime(12.5), "00:12.5");
    EXPECT_EQ(formatEditableTime(6.53), "00:06.53");
    EXPECT_EQ(formatEditableTime(6.05), "00:06.05");
    // Rounded to hundredths, carrying into the seconds and minutes.
    EXPECT_EQ(formatEditableTime(59.999), "01:00");
    EXPECT_EQ(formatEditableTime(-3), "00:00");
    for (double t : {0.5, 6.53, 75.1, 3599.99})
        EXPECT_EQ(parseTime(formatEditableTime(t)), t);
}

TEST(ParseTime, RefusesMalformedOrOutOfRangeTimes) {
    for (const char* text :
         {"",       " \t ", "1:60", "1:-1", "-1:30",  "1:60.0", "1:1e1", "1:-0.5", "a:b", "1:2:3",
          ":30",    ":",    "-5",   "-0.5", "1:30\n", "\n90",   "1,5",   "1 000",  "90s", "0x10",
          "1 : 30", "+-5",  "++5",  "+",    "-",      "1:+-3",  "1e",    "٣:٠٠"}) {
        EXPECT_EQ(parseTime(QString::fromUtf8(text)), std::nullopt) << text;
    }
}

TEST(ParseTime, RefusesInfinityNaNAndTimesBeyondSixtyFourBits) {
    for (const char* text :
         {"inf", "+inf", "infinity", "INF", "nan", "-nan", "nan(1)", "1e999", "1e19",
          "9223372036854775808", "99999999999999999999:00", "9223372036854775807:00",
          // Minutes × 60 + seconds one past the largest signed 64-bit count.
          "153722867280912930:08",
          // Fits 64 bits but is 2^63 once held in a double.
          "153722867280912930:07"}) {
        EXPECT_EQ(parseTime(text), std::nullopt) << text;
    }
    // Large times that do fit are still read.
    EXPECT_EQ(parseTime("153722867280912920:00"), 9223372036854774784.0);
    EXPECT_EQ(parseTime("9.2e18"), 9.2e18);
}

TEST(ParseTime, NegativeZeroReadsAsZero) {
    for (const char* text : {"-0", "-0.0", "-0:00", "0:-0"}) {
        auto value = parseTime(text);
        ASSERT_TRUE(value.has_value()) << text;
        EXPECT_EQ(*value, 0.0) << text;
        EXPECT_FALSE(std::signbit(*value)) << text;
    }
}

TEST(FormatTimecode, MinutesSecondsAndFramesAtThirtyPerSecond) {
    EXPECT_EQ(formatTimecode(0), "00:00:00");
    EXPECT_EQ(formatTimecode(61.5), "01:01:15");
    EXPECT_EQ(formatTimecode(5.999), "00:05:29");
    EXPECT_EQ(formatTimecode(3599.99), "59:59:29");
    EXPECT_EQ(formatTimecode(3600), "60:00:00");
    EXPECT_EQ(formatTimecode(6000.5), "100:00:15");
    EXPECT_EQ(formatTimecode(-2), "00:00:00");
    EXPECT_EQ(formatTimecode(-0.5), "00:00:00");
    EXPECT_EQ(formatTimecode(std::numeric_limits<double>::quiet_NaN()), "--:--:--");
    EXPECT_EQ(formatTimecode(1e300), "153722867280912930:07:00");
}

TEST(FormatTimecode, CountsTheClipsOwnFrames) {
    EXPECT_EQ(formatTimecode(0.5, 60), "00:00:30");
    EXPECT_EQ(formatTimecode(59.0 / 60, 60), "00:00:59");
    EXPECT_EQ(formatTimecode(1.5, 25), "00:01:12");
    // Every frame start of a 29.97 clip shows its own number, the last one 29.
    for (int frame = 0; frame < 30; ++frame)
        EXPECT_EQ(formatTimecode(frame * 1001.0 / 30000, 30000.0 / 1001),
                  QStringLiteral("00:00:%1").arg(frame, 2, 10, QLatin1Char('0')));
    // A file that states no rate counts at thirty.
    EXPECT_EQ(formatTimecode(0.5, 0), "00:00:15");
}

TEST(FormatLength, RoundsToTheNearestSecondAndNeverLooksEmpty) {
    EXPECT_EQ(formatLength(4.99), "00:05");
    EXPECT_EQ(formatLength(4.4), "00:04");
    EXPECT_EQ(formatLength(59.6), "01:00");
    EXPECT_EQ(formatLength(0.3), "00:00.3");
    EXPECT_EQ(formatLength(0.01), "00:00.1");
    EXPECT_EQ(formatLength(0), "00:00");
    EXPECT_EQ(formatLength(-1), "00:00");
    EXPECT_EQ(formatLength(std::numeric_limits<double>::quiet_NaN()), "--:--");
}

TEST(ParseTime, ReadsBackEveryFormattedTime) {
    for (int seconds = 0; seconds < 4000; ++seconds)
        EXPECT_EQ(parseTime(formatTime(seconds + 0.75)), double(seconds)) << seconds;
}

} // namespace
} // namespace kestrune
