// Chapter lists loaded from files: the chapters a video carries, text files, and
// files that are neither.
#include "export/chapter_import.h"
#include "fixtures/test_media.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace kestrune;

namespace {

class ChapterFileTest : public ::testing::Test {
protected:
    QTemporaryDir folder;

    QString write(const QString& name, const QByteArray& content) {
        QFile file(folder.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        return file.fileName();
    }

    // The four-second counter clip with `metadata`'s chapters, as the ffmpeg tool
    // writes them.
    QString videoWithChapters(const QString& name, const QByteArray& metadata) {
        const QString chapters = write("chapters.txt", metadata);
        const std::string command = "ffmpeg -hide_banner -loglevel error -nostdin -y -i " +
                                    test::detail::shellQuoted(test::testMedia("counter.mp4")) +
                                    " -i " + test::detail::shellQuoted(chapters.toStdString()) +
                                    " -map 0 -map_metadata 1 -map_chapters 1 -c copy " +
                                    test::detail::shellQuoted(folder.filePath(name).toStdString());
        EXPECT_EQ(std::system(command.c_str()), 0);
        return folder.filePath(name);
    }
};

using Chapters = std::vector<ImportedChapter>;

} // namespace

TEST_F(ChapterFileTest, ReadsTheChaptersAVideoCarries) {
    const QByteArray metadata = ";FFMETADATA1\n"
                                "[CHAPTER]\nTIMEBASE=1/90000\nSTART=0\nEND=135000\ntitle=Intro\n"
                                "[CHAPTER]\nTIMEBASE=1/90000\nSTART=135000\nEND=270000\n"
                                "title=Q\\=A \\; caf\xC3\xA9\n"
                                "[CHAPTER]\nTIMEBASE=1/1000\nSTART=3000\nEND=4000\n";
    const Chapters expected{{0, "Intro"}, {1.5, "Q=A ; caf\xC3\xA9"}, {3, "Chapter 3"}};
    // The content tells a video from a text file, whatever the name says.
    const QString unnamed = folder.filePath("talk");
    QFile::copy(videoWithChapters("talk.mp4", metadata), unnamed);
    for (const QString& path :
         {folder.filePath("talk.mp4"), videoWithChapters("talk.mkv", metadata), unnamed}) {
        const auto import = readChapterFile(path);
        EXPECT_EQ(import.format, ChapterFormat::videoFile) << path.toStdString();
        EXPECT_EQ(import.chapters, expected) << path.toStdString();
        EXPECT_EQ(import.error, "") << path.toStdString();
    }
}

TEST_F(ChapterFileTest, NamesTheFileWhenItGivesNoChapters) {
    QFile::copy(QString::fromStdString(test::testMedia("counter.mp4")),
                folder.filePath("plain.mp4"));
    EXPECT_EQ(readChapterFile(folder.filePath("plain.mp4")).error,
              "\"plain.mp4\" has no chapters.");
    EXPECT_EQ(readChapterFile(write("notes.txt", "Nothing to see\n")).error,
              "No chapters found in \"notes.txt\".");
    EXPECT_EQ(readChapterFile(write("noise.bin", QByteArray("\x00\xFF\x01 binary", 10))).error,
              "\"noise.bin\" is neither a chapter list nor a video file.");
    EXPECT_EQ(readChapterFile(write("huge.txt", QByteArray(2 * 1024 * 1024, 'a'))).error,
              "\"huge.txt\" is too large for a chapter list (over 1 MB).");
    EXPECT_EQ(readChapterFile(folder.filePath("missing.txt")).error,
              "Cannot read \"missing.txt\": No such file or directory.");
    QDir(folder.path()).mkdir("folder.txt");
    EXPECT_NE(readChapterFile(folder.filePath("folder.txt")).error.find("\"folder.txt\""),
              std::string::npos);

    // A script that would have FFmpeg open another file is not a video.
    QFile::copy(QString::fromStdString(test::testMedia("counter.mp4")),
                folder.filePath("listed.mp4"));
    EXPECT_EQ(
        readChapterFile(write("script", "ffconcat version 1.0\nfile listed.mp4\n#\xFF\n")).error,
        "\"script\" is neither a chapter list nor a video file.");
}

TEST_F(ChapterFileTest, ReadsTextFilesWrittenElsewhere) {
    // Notepad's byte order mark and line ends.
    const auto import = readChapterFile(
        write("chapters.vtt", "\xEF\xBB\xBFWEBVTT\r\n\r\n00:00.000 --> 00:05.000\r\nStart\r\n"));
    EXPECT_EQ(import.format, ChapterFormat::webVtt);
    EXPECT_EQ(import.chapters, (Chapters{{0, "Start"}}));
}
