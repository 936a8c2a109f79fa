// The proxy folder on a real file system: names follow the clip file's identity,
// only finished proxies are found, and trimming goes by last use.
#include "media/proxy_cache.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace kestrune {
namespace {

void write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// Sets the file's modification time to `secondsAgo` before now.
void age(const QString& path, qint64 secondsAgo) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTime().addSecs(-secondsAgo),
                                 QFileDevice::FileModificationTime));
}

class ProxyFolder : public ::testing::Test {
protected:
    QTemporaryDir clips;
    QTemporaryDir cacheHome;
    ProxyCache cache{cacheHome.filePath("proxies"), 1000};

    QString clip(const QString& name, const QByteArray& bytes = "a clip") {
        const QString path = clips.filePath(name);
        write(path, bytes);
        return path;
    }
    // Stores a finished proxy of `clipPath` of `size` bytes, last used `secondsAgo`.
    QString storeProxy(const QString& clipPath, int size, qint64 secondsAgo) {
        const QString target = cache.proxyPath(clipPath);
        const QString temporary = cache.temporaryPath(target);
        write(temporary, QByteArray(size, 'p'));
        EXPECT_TRUE(cache.publish(temporary, target));
        age(target, secondsAgo);
        return target;
    }
    QStringList stored() const {
        return QDir(cache.folder()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
};

TEST_F(ProxyFolder, TheNameFollowsTheFilesIdentity) {
    const QString a = clip("a.mp4");
    const QString b = clip("b.mp4");
    const QString first = cache.proxyPath(a);
    EXPECT_TRUE(first.startsWith(cache.folder() + "/"));
    EXPECT_EQ(cache.proxyPath(a), first);
    // The same file by another way of writing its path.
    EXPECT_EQ(cache.proxyPath(clips.path() + "/./a.mp4"), first);
    EXPECT_NE(cache.proxyPath(b), first);
    EXPECT_TRUE(cache.proxyPath(clips.filePath("none.mp4")).isEmpty());
    EXPECT_TRUE(cache.proxyPath(clips.path()).isEmpty()); // a folder

    // Changed contents (size and time) or only a new modification time: a new name.
    write(a, "another clip");
    const QString rewritten = cache.proxyPath(a);
    EXPECT_NE(rewritten, first);
    age(a, 100);
    EXPECT_NE(cache.proxyPath(a), rewritten);
}

TEST_F(ProxyFolder, OnlyAFinishedProxyIsFound) {
    const QString a = clip("a.mp4");
    EXPECT_TRUE(cache.readyProxy(a).isEmpty());
    const QString target = cache.proxyPath(a);
    const QString temporary = cache.temporaryPath(target);
    write(temporary, "half a proxy");
    EXPECT_TRUE(cache.readyProxy(a).isEmpty());
    ASSERT_TRUE(cache.publish(temporary, target));
    EXPECT_EQ(cache.readyProxy(a), target);
    EXPECT_FALSE(QFile::exists(temporary));
    EXPECT_EQ(previewFile(a.toStdString(), cache), target.toStdString());

    // Once the clip file changes, its old proxy is not taken for it.
    write(a, "the clip recorded again");
    EXPECT_TRUE(cache.readyProxy(a).isEmpty());
    EXPECT_EQ(previewFile(a.toStdString(), cache), a.toStdString());
}

TEST_F(ProxyFolder, TrimmingRemovesTheLeastRecentlyUsedFirst) {
    const QString oldest = storeProxy(clip("1.mp4", "1"), 400, 300);
    const QString older = storeProxy(clip("2.mp4", "2"), 400, 200);
    const QString usedNow = storeProxy(clip("3.mp4", "3"), 400, 100);
    const QString newest = storeProxy(clip("4.mp4", "4"), 400, 10);
    // Looking a proxy up counts as using it.
    EXPECT_EQ(cache.readyProxy(clips.filePath("3.mp4")), usedNow);

    cache.trim({older});
    // 1600 bytes for a limit of 1000: the oldest goes, the kept one stays, then
    // the next oldest by use.
    EXPECT_FALSE(QFile::exists(oldest));
    EXPECT_TRUE(QFile::exists(older));
    EXPECT_FALSE(QFile::exists(newest));
    EXPECT_TRUE(QFile::exists(usedNow));
}

TEST_F(ProxyFolder, TrimmingClearsWhatACrashedMakingLeftOnlyOnceItIsOld) {
    const QString target = cache.proxyPath(clip("a.mp4"));
    const QString abandoned = cache.temporaryPath(target);
    const QString running = cache.temporaryPath(target);
    write(abandoned, "left by a crash");
    write(running, "being written");
    age(abandoned, 2 * 60 * 60);
    cache.trim();
    EXPECT_FALSE(QFile::exists(abandoned));
    EXPECT_TRUE(QFile::exists(running));
}

} // namespace
} // namespace kestrune
