#include "model/file_reference.h"
#include "model/project.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace kestrune;

namespace {

class FileReferenceTest : public ::testing::Test {
protected:
    QTemporaryDir folder;

    std::string write(const QString& name, const QByteArray& bytes) {
        const QString path = folder.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        return path.toStdString();
    }
};

} // namespace

TEST_F(FileReferenceTest, SurvivesEncodingAndResolvesToTheSameFile) {
    const std::string path = write("clip one.mp4", "video bytes");
    auto reference = FileReference::make(path);
    ASSERT_TRUE(reference);
    EXPECT_EQ(reference->path, path);
    EXPECT_EQ(reference->size, 11);
    EXPECT_NE(reference->inode, 0u);

    auto decoded = FileReference::decode(reference->encode());
    ASSERT_TRUE(decoded);
    EXPECT_EQ(*decoded, *reference);
    EXPECT_EQ(decoded->resolve(), (FileReference::Resolved{path, false}));

    // Paths are kept byte for byte, whatever their encoding.
    reference->path = "/tmp/\xff\xfe caf\xc3\xa9.mov";
    EXPECT_EQ(FileReference::decode(reference->encode()), reference);
}

TEST_F(FileReferenceTest, IsMadeOnlyOfReadableRegularFiles) {
    EXPECT_FALSE(FileReference::make(""));
    EXPECT_FALSE(FileReference::make(folder.filePath("missing.mp4").toStdString()));
    EXPECT_FALSE(FileReference::make(folder.path().toStdString()));
    EXPECT_FALSE(FileReference::make(std::string("/tmp/a\0b", 8)));

    // A relative path is taken against the working folder and stored absolute.
    write("relative.mp4", "x");
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(folder.path()));
    auto relative = FileReference::make("relative.mp4");
    QDir::setCurrent(before);
    ASSERT_TRUE(relative);
    EXPECT_EQ(relative->path, folder.filePath("relative.mp4").toStdString());
}

TEST_F(FileReferenceTest, ResolvesOnlyWhileThePathLeadsToAReadableFile) {
    const std::string path = write("clip.mp4", "original");
    auto reference = FileReference::make(path);
    ASSERT_TRUE(reference);

    // Moved away: the path leads nowhere.
    const std::string moved = folder.filePath("elsewhere.mp4").toStdString();
    ASSERT_EQ(::rename(path.c_str(), moved.c_str()), 0);
    EXPECT_FALSE(reference->resolve());

    // Moved back: the same file again, not stale.
    ASSERT_EQ(::rename(moved.c_str(), path.c_str()), 0);
    EXPECT_EQ(reference->resolve(), (FileReference::Resolved{path, false}));

    // A folder in its place is not a clip file.
    ASSERT_EQ(::unlink(path.c_str()), 0);
    EXPECT_FALSE(reference->resolve());
    ASSERT_EQ(::mkdir(path.c_str(), 0700), 0);
    EXPECT_FALSE(reference->resolve());
    ASSERT_EQ(::rmdir(path.c_str()), 0);

    if (::geteuid() != 0) { // root reads everything
        write("clip.mp4", "original");
        auto fresh = FileReference::make(path);
        ASSERT_TRUE(fresh);
        ASSERT_EQ(::chmod(path.c_str(), 0200), 0);
        EXPECT_FALSE(fresh->resolve());
        EXPECT_FALSE(FileReference::make(path));
    }
}

TEST_F(FileReferenceTest, IsStaleWhenThePathHoldsAnotherFile) {
    const std::string path = write("clip.mp4", "original");
    auto reference = FileReference::make(path);
    ASSERT_TRUE(reference);

    // Replaced by a different file under the same name.
    ASSERT_EQ(::unlink(path.c_str()), 0);
    write("clip.mp4", "a different recording");
    EXPECT_EQ(reference->resolve(), (FileReference::Resolved{path, true}));

    // Edited in place: same inode, other modification time.
    auto current = FileReference::make(path);
    ASSERT_TRUE(current);
    struct timespec times[2] = {{0, UTIME_OMIT}, {1'000'000'000, 5}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    auto resolved = current->resolve();
    ASSERT_TRUE(resolved);
    EXPECT_TRUE(resolved->isStale);
    EXPECT_EQ(FileReference::make(path)->modificationTimeNs, 1'000'000'000'000'000'005);
}

TEST_F(FileReferenceTest, RefusesDamagedOrForeignBytes) {
    FileReference reference{"/videos/a.mp4", 66306, 1234567, 42, 1'700'000'000'123'456'789};
    const std::vector<std::uint8_t> good = reference.encode();
    ASSERT_EQ(FileReference::decode(good), reference);

    // Every truncation, and anything appended.
    for (std::size_t length = 0; length < good.size(); ++length)
        EXPECT_FALSE(FileReference::decode({good.begin(), good.begin() + length})) << length;
    auto padded = good;
    padded.push_back(0);
    EXPECT_FALSE(FileReference::decode(padded));

    auto withByte = [&](std::size_t index, std::uint8_t value) {
        auto bytes = good;
        bytes[index] = value;
        return FileReference::decode(bytes);
    };
    EXPECT_FALSE(withByte(0, 'X'));                // magic
    EXPECT_FALSE(withByte(4, 2));                  // a version this build does not know
    EXPECT_FALSE(withByte(5, 0xff));               // path length beyond the data
    EXPECT_FALSE(withByte(7, 'v'));                // relative path
    EXPECT_FALSE(withByte(8, 0));                  // NUL inside the path
    EXPECT_FALSE(withByte(good.size() - 9, 0x80)); // negative size

    // An empty or overlong path is refused on both sides.
    reference.path = "";
    EXPECT_FALSE(FileReference::decode(reference.encode()));
    reference.path = "/" + std::string(FileReference::kMaxPathLength, 'a');
    EXPECT_FALSE(FileReference::decode(reference.encode()));

    // Other bookmark bytes (e.g. from another platform) and noise.
    EXPECT_FALSE(FileReference::decode({'b', 'o', 'o', 'k', 0, 0, 0, 0, 'm', 'a', 'r', 'k'}));
    std::mt19937 random(7);
    for (int i = 0; i < 2000; ++i) {
        std::vector<std::uint8_t> noise(random() % 80);
        for (auto& byte : noise)
            byte = static_cast<std::uint8_t>(random());
        if (i % 2 == 0 && noise.size() >= 5) // reach past the header checks too
            std::copy(good.begin(), good.begin() + 5, noise.begin());
        EXPECT_FALSE(FileReference::decode(noise));
    }
}

TEST_F(FileReferenceTest, LocatesAClipsFileAndWhereAMissingOneWas) {
    const std::string path = write("clip.mp4", "original");
    VideoClip clip;
    EXPECT_FALSE(locateClip(clip));
    clip.bookmarkData = std::vector<std::uint8_t>{1, 2, 3};
    EXPECT_FALSE(locateClip(clip));

    clip.bookmarkData = FileReference::make(path)->encode();
    EXPECT_EQ(locateClip(clip), (ClipLocation{path, true, false}));
    ASSERT_EQ(::unlink(path.c_str()), 0);
    write("clip.mp4", "another recording");
    EXPECT_EQ(locateClip(clip), (ClipLocation{path, true, true}));
    // Gone: the path it was made for, so the user can be told the file is missing.
    ASSERT_EQ(::unlink(path.c_str()), 0);
    EXPECT_EQ(locateClip(clip), (ClipLocation{path, false, false}));
}
