// Chapter lists people already have, pasted or loaded, read back into chapters.
#include "export/chapter_import.h"
#include "export/chapter_list.h"

#include <gtest/gtest.h>

using namespace kestrune;

namespace kestrune {
void PrintTo(const ImportedChapter& chapter, std::ostream* out) {
    *out << chapter.start << " \"" << chapter.title << '"';
}
} // namespace kestrune

namespace {

using Chapters = std::vector<ImportedChapter>;
using Lines = std::vector<std::string>;

} // namespace

TEST(ChapterImportTest, ReadsTheChapterLinesOfAYouTubeDescription) {
    const auto import =
        parseChapterText("My trip through the Alps, 3 days: 2:30 hours of driving.\n"
                         "Recorded at 10:30am, edited on the train.\n"
                         "\n"
                         "Timestamps:\n"
                         "0:00 Intro\n"
                         "[01:02] Packing - what to bring\n"
                         "- (2:15) The pass\r\n"
                         "Lunch | Caf\xC3\xA9 \xE2\x80\x93 3:40\n"
                         "4:05 \xE2\x80\x93 4:50 Way down\n"
                         "1:02:03 - Home: at last\n"
                         "1:75 Nowhere\n"
                         "9:59\n"
                         "\n"
                         "Jump in: https://youtu.be/x?t=1:02\n"
                         "Gear list (see below)\n"
                         "#alps #roadtrip\n");
    EXPECT_EQ(import.format, ChapterFormat::youTube);
    EXPECT_EQ(import.chapters, (Chapters{{0, "Intro"},
                                         {62, "Packing - what to bring"},
                                         {135, "The pass"},
                                         {220, "Lunch | Caf\xC3\xA9"},
                                         {245, "Way down"},
                                         {3723, "Home: at last"}}));
    EXPECT_EQ(import.notUnderstood, (Lines{"1:75 Nowhere", "9:59"}));
    EXPECT_EQ(import.error, "");
}

TEST(ChapterImportTest, ReadsFfmetadataInAnyTimeBase) {
    const auto import = parseChapterText(";FFMETADATA1\n"
                                         "title=The whole video\n"
                                         "[STREAM]\n"
                                         "title=Not a chapter\n"
                                         "[CHAPTER]\n"
                                         "TIMEBASE=1/90000\n"
                                         "START=5400000\n"
                                         "END=8100000\n"
                                         "title=Q\\=A \\; \\#2 \\\\\\\n"
                                         "second line\n"
                                         "; a comment\n"
                                         "[CHAPTER]\r\n"
                                         "TIMEBASE=1/1\r\n"
                                         "START=0\r\n"
                                         "END=60\r\n"
                                         "title=Start\r\n"
                                         "[CHAPTER]\n"
                                         "START=90500000000\n"
                                         "[CHAPTER]\n"
                                         "TIMEBASE=1/0\n"
                                         "START=10\n"
                                         "title=Broken\n"
                                         "[CHAPTER]\n"
                                         "TIMEBASE=1/1000\n"
                                         "START=-5000\n"
                                         "[CHAPTER]\n"
                                         "TIMEBASE=1/1\n"
                                         "START=9223372036854775807\n");
    EXPECT_EQ(import.format, ChapterFormat::ffmetadata);
    // Without a TIMEBASE, FFmpeg counts nanoseconds; an untitled chapter is named
    // by its place.
    EXPECT_EQ(import.chapters,
              (Chapters{{0, "Start"}, {60, "Q=A ; #2 \\ second line"}, {90.5, "Chapter 3"}}));
    // Negative times and times no video reaches are not chapters.
    EXPECT_EQ(import.notUnderstood, (Lines{"[CHAPTER] TIMEBASE=1/0 START=10 title=Broken",
                                           "[CHAPTER] TIMEBASE=1/1000 START=-5000",
                                           "[CHAPTER] TIMEBASE=1/1 START=9223372036854775807"}));
}

TEST(ChapterImportTest, ReadsWebVttCuesAndSkipsOtherBlocks) {
    const auto import = parseChapterText("WEBVTT - chapters of the talk\n"
                                         "Kind: chapters\n"
                                         "\n"
                                         "NOTE made by hand,\n"
                                         "00:00.000 --> 00:01.000 not a cue\n"
                                         "\n"
                                         "STYLE\n"
                                         "::cue { color: red }\n"
                                         "\n"
                                         "intro\n"
                                         "01:05.250 --> 02:00.000 align:start line:0\n"
                                         "<v Host>Questions</v> &amp;\n"
                                         "answers &lt;live&gt;\n"
                                         "\n"
                                         "00:00:00.000 --> 00:01:05.250\n"
                                         "Welcome\n"
                                         "\n"
                                         "2\n"
                                         "01:05.250-->01:10.000\n"
                                         "\n"
                                         "01:61.000 --> 02:00.000\n"
                                         "Bad seconds\n"
                                         "\n"
                                         "stray words\n");
    EXPECT_EQ(import.format, ChapterFormat::webVtt);
    EXPECT_EQ(
        import.chapters,
        (Chapters{{0, "Welcome"}, {65.25, "Questions & answers <live>"}, {65.25, "Chapter 3"}}));
    EXPECT_EQ(import.notUnderstood, (Lines{"01:61.000 --> 02:00.000", "stray words"}));
}

// What the export writes reads back to the same times and titles.
TEST(ChapterImportTest, ReadsBackWhatTheExportWrites) {
    const std::vector<Chapter> written{{"Intro", 0, 61},
                                       {"Q&A: <live> = 1; #2 \\ done", 61, 3600},
                                       {"After an hour", 3600, 3725},
                                       {"Same time", 3600, 3725}};
    Chapters expected;
    for (const auto& chapter : written)
        expected.push_back({chapter.start, chapter.title});
    for (const auto& text :
         {youTubeChapters(written), ffmetadataChapters(written), webVttChapters(written)}) {
        const auto import = parseChapterText(text);
        EXPECT_EQ(import.chapters, expected) << text;
        EXPECT_TRUE(import.notUnderstood.empty()) << text;
    }
}

TEST(ChapterImportTest, SaysWhenNothingCouldBeRead) {
    for (const auto* text : {"", "  \n\n", "Just a description, no chapters.\n#tags",
                             ";FFMETADATA1\ntitle=Only the video\n", "WEBVTT\n\nNOTE empty\n"}) {
        const auto import = parseChapterText(text);
        EXPECT_TRUE(import.chapters.empty()) << text;
        EXPECT_EQ(import.error, "No chapters found in the text.") << text;
    }
}

TEST(ChapterImportTest, PlacesChaptersThatStartBeforeTheEnd) {
    const auto placement = placeChapters(
        {{-1, "Early"}, {0, "Start"}, {749.9, "Last"}, {750, "At end"}, {800, "Late"}}, 750);
    EXPECT_EQ(placement.accepted, (Chapters{{0, "Start"}, {749.9, "Last"}}));
    EXPECT_EQ(placement.rejected,
              (std::vector<RejectedChapter>{
                  {{-1, "Early"}, "Starts before the beginning of the video"},
                  {{750, "At end"}, "Starts at the end of the video (12:30)"},
                  {{800, "Late"}, "Starts after the end of the video (12:30)"}}));

    const auto sections = sectionsForChapters(placement.accepted);
    ASSERT_EQ(sections.size(), 2u);
    EXPECT_NE(sections[0].id, sections[1].id);
    EXPECT_EQ(sections[1].title, "Last");
    EXPECT_EQ(sections[1].startTime, 749.9);
    EXPECT_EQ(sections[1].subtitle, "");
}
