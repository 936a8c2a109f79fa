#include "proxy_cache.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <vector>

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUuid>

namespace kestrune {

namespace {

const QString kProxySuffix = QStringLiteral(".mp4");
const QString kPartialMarker = QStringLiteral(".partial-");
// A making writes all the time; a temporary file this old belongs to none.
constexpr qint64 kAbandonedAfterSeconds = 60 * 60;

// Marks a proxy as used now: the trim goes by modification time.
void touch(const QString& path) {
    ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), nullptr, 0);
}

} // namespace

QString ProxyCache::defaultFolder() {
    const QString cacheHome =
        QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    return cacheHome.isEmpty() ? QString() : cacheHome + "/Kestrune/proxies";
}

ProxyCache::ProxyCache(QString folder, qint64 sizeLimit)
    : folder_(std::move(folder))
    , sizeLimit_(sizeLimit) {}

QString ProxyCache::proxyPath(const QString& clipPath) const {
    if (folder_.isEmpty() || clipPath.isEmpty())
        return {};
    const QString canonical = QFileInfo(clipPath).canonicalFilePath();
    struct stat status {};
    if (canonical.isEmpty() || ::stat(QFile::encodeName(canonical).constData(), &status) != 0 ||
        !S_ISREG(status.st_mode))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(QFile::encodeName(canonical));
    const QByteArray identity = QByteArray::number(quint64(status.st_dev)) + ':' +
                                QByteArray::number(quint64(status.st_ino)) + ':' +
                                QByteArray::number(qint64(status.st_size)) + ':' +
                                QByteArray::number(qint64(status.st_mtim.tv_sec)) + '.' +
                                QByteArray::number(qint64(status.st_mtim.tv_nsec));
    hash.addData(QByteArrayView("\n"));
    hash.addData(identity);
    // 128 bits of the hash name the file well enough and keep names short.
    return folder_ + '/' + QString::fromLatin1(hash.result().left(16).toHex()) + kProxySuffix;
}

QString ProxyCache::readyProxy(const QString& clipPath) const {
    const QString path = proxyPath(clipPath);
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return {};
    touch(path);
    return path;
}

QString ProxyCache::temporaryPath(const QString& proxyPath) const {
    QDir().mkpath(folder_);
    return proxyPath + kPartialMarker + QUuid::createUuid().toString(QUuid::Id128);
}

bool ProxyCache::publish(const QString& temporary, const QString& proxyPath) const {
    // rename() replaces the target in one step: a reader sees the old file or the
    // whole new one.
    if (std::rename(QFile::encodeName(temporary).constData(),
                    QFile::encodeName(proxyPath).constData()) == 0) {
        touch(proxyPath);
        return true;
    }
    QFile::remove(temporary);
    return false;
}

void ProxyCache::trim(const QSet<QString>& keep) const {
    QDir folder(folder_);
    if (folder_.isEmpty() || !folder.exists())
        return;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    std::vector<QFileInfo> proxies;
    qint64 total = 0;
    for (const QFileInfo& entry : folder.entryInfoList(QDir::Files | QDir::Hidden)) {
        if (entry.fileName().contains(kPartialMarker)) {
            if (entry.lastModified().secsTo(now) > kAbandonedAfterSeconds)
                QFile::remove(entry.filePath());
            continue;
        }
        if (!entry.fileName().endsWith(kProxySuffix))
            continue;
        total += entry.size();
        if (!keep.contains(entry.filePath()))
            proxies.push_back(entry);
    }
    std::sort(proxies.begin(), proxies.end(), [](const QFileInfo& a, const QFileInfo& b) {
        return a.lastModified() < b.lastModified();
    });
    for (const QFileInfo& oldest : proxies) {
        if (total <= sizeLimit_)
            break;
        if (QFile::remove(oldest.filePath()))
            total -= oldest.size();
    }
}

std::string previewFile(const std::string& path, const ProxyCache& cache) {
    const QString proxy = cache.readyProxy(QFile::decodeName(QByteArray::fromStdString(path)));
    return proxy.isEmpty() ? path : QFile::encodeName(proxy).toStdString();
}

} // namespace kestrune
