// The project's chapters as YouTube, FFmpeg and WebVTT text.
#include "export/chapter_list.h"

#include <gtest/gtest.h>

using namespace kestrune;

namespace {

Section section(const std::string& title, double start) {
    Section s;
    s.id = Uuid::generate();
    s.title = title;
    s.startTime = start;
    return s;
}

std::vector<YouTubeRule> rules(const std::vector<Chapter>& chapters) {
    std::vector<YouTubeRule> broken;
    for (const auto& b : youTubeRuleBreaks(chapters))
        broken.push_back(b.rule);
    return broken;
}

} // namespace

// Titles are the user's text and end up in the exported file, in text for other
// programs and on terminals: no escape sequence, bell or NUL may pass.
TEST(ChapterListTest, TitlesArePlainText) {
    EXPECT_EQ(plainTitle("Caf\xC3\xA9 \xE2\x9C\x93 / <ok>"), "Caf\xC3\xA9 \xE2\x9C\x93 / <ok>");
    EXPECT_EQ(plainTitle("\x1B[2J\x1B]0;owned\x07Red"), "[2J]0;ownedRed");
    EXPECT_EQ(plainTitle(std::string("Before\0After", 12)), "BeforeAfter");
    EXPECT_EQ(plainTitle("CSI\xC2\x9B"
                         "31m and \xC2\x80\xC2\x9F gone, \xC2\xA0kept"),
              "CSI31m and  gone, \xC2\xA0kept");
    EXPECT_EQ(plainTitle("Two\r\nlines\ttabbed\xC2\x85next"), "Two lines tabbed next");
    EXPECT_EQ(plainTitle("\x7F"), "");

    // Every chapter the export and the lists use is plain.
    const auto chapters = chapterList({section("\x1B[31mRed\x07", 0)}, 10);
    ASSERT_EQ(chapters.size(), 1u);
    EXPECT_EQ(chapters[0].title, "[31mRed");
}

TEST(ChapterListTest, KeepsTheSectionsTheExportShowsInTimeOrder) {
    // Out of order as a hand-edited file could be; one at and one after the end.
    const auto chapters = chapterList({section("Middle", 75), section("Start", 0),
                                       section("At end", 100), section("Beyond", 140)},
                                      100);
    EXPECT_EQ(chapters, (std::vector<Chapter>{{"Start", 0, 75}, {"Middle", 75, 100}}));
    EXPECT_TRUE(chapterList({section("A", 0)}, 0).empty());
}

TEST(ChapterListTest, YouTubeLinesSwitchToHoursFromOneHourOn) {
    const auto chapters =
        chapterList({section("Intro", 0), section("Setup", 75.9), section("Late", 3700)}, 3800);
    EXPECT_EQ(youTubeChapters(chapters), "00:00 Intro\n01:15 Setup\n1:01:40 Late\n");
    EXPECT_TRUE(youTubeRuleBreaks(chapters).empty());
    // A title is one line.
    EXPECT_EQ(youTubeChapters({{"Two\nlines\ttabbed", 0, 20}}), "00:00 Two lines tabbed\n");
}

TEST(ChapterListTest, NamesEachBrokenYouTubeRuleOnce) {
    EXPECT_EQ(rules({}), std::vector{YouTubeRule::atLeastThree});

    // Late start, too few, and two short chapters: one entry per rule.
    const auto broken = youTubeRuleBreaks(
        chapterList({section("Early", 5), section("Blink", 12), section("Tail", 20)}, 26));
    ASSERT_EQ(broken.size(), 2u);
    EXPECT_EQ(broken[0].rule, YouTubeRule::firstAtZero);
    EXPECT_EQ(broken[0].message, "YouTube needs the first chapter at 00:00; it starts at 00:05.");
    EXPECT_EQ(broken[1].rule, YouTubeRule::atLeastTenSeconds);
    EXPECT_EQ(broken[1].message,
              "YouTube needs every chapter to last at least 10 seconds; shorter: 00:05 Early, "
              "00:12 Blink, 00:20 Tail.");

    EXPECT_EQ(rules(chapterList({section("A", 0), section("B", 30)}, 60)),
              std::vector{YouTubeRule::atLeastThree});
    // Lengths between the whole-second timestamps YouTube reads: 0.5 → 10.4 is ten
    // seconds there; the last chapter runs to the end of the video.
    EXPECT_TRUE(
        rules(chapterList({section("A", 0.5), section("B", 10.4), section("C", 20)}, 30)).empty());
    EXPECT_EQ(rules(chapterList({section("A", 0), section("B", 10), section("C", 20)}, 29.9)),
              std::vector{YouTubeRule::atLeastTenSeconds});
}

TEST(ChapterListTest, FFmetadataEscapesWhatFFmpegReadsAsSyntax) {
    const auto chapters =
        chapterList({section("Intro", 0), section("a=b; #1 \\ x\nnext", 75.0004)}, 3700.25);
    EXPECT_EQ(ffmetadataChapters(chapters), ";FFMETADATA1\n"
                                            "[CHAPTER]\nTIMEBASE=1/1000\nSTART=0\nEND=75000\n"
                                            "title=Intro\n"
                                            "[CHAPTER]\nTIMEBASE=1/1000\nSTART=75000\nEND=3700250\n"
                                            "title=a\\=b\\; \\#1 \\\\ x next\n");
    EXPECT_EQ(ffmetadataChapters({}), ";FFMETADATA1\n");
}

TEST(ChapterListTest, WebVttCuesWithEscapedText) {
    const auto chapters =
        chapterList({section("Intro", 0), section("A <b> & --> B\nC", 3725.5)}, 3800.125);
    EXPECT_EQ(webVttChapters(chapters), "WEBVTT\n"
                                        "\n00:00:00.000 --> 01:02:05.500\nIntro\n"
                                        "\n01:02:05.500 --> 01:03:20.125\n"
                                        "A &lt;b&gt; &amp; --&gt; B C\n");
}
