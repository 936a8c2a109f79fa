// The folder of preview proxies, shared by every project: one file a clip file,
// named after that file's identity, so a file that changes gets a new proxy and
// the old one ages out. Proxies are written under a temporary name and renamed
// into place only when complete; the least recently used go first when the
// folder grows past its limit. Safe to use from any thread (it holds no state
// besides its folder).
#pragma once

#include <string>

#include <QSet>
#include <QString>

namespace kestrune {

class ProxyCache {
public:
    // Room for some hours of 720p proxies.
    static constexpr qint64 kDefaultSizeLimit = qint64(8) << 30;

    // The user's cache folder ($XDG_CACHE_HOME, normally ~/.cache) + Kestrune/proxies.
    static QString defaultFolder();

    explicit ProxyCache(QString folder = defaultFolder(), qint64 sizeLimit = kDefaultSizeLimit);

    const QString& folder() const { return folder_; }
    qint64 sizeLimit() const { return sizeLimit_; }

    // Where the proxy of the file at `clipPath` lives: named after its real path,
    // device, inode, size and modification time. Empty when the file cannot be read.
    QString proxyPath(const QString& clipPath) const;
    // The finished proxy of the file at `clipPath`, marked as just used; empty
    // when there is none.
    QString readyProxy(const QString& clipPath) const;

    // A fresh name beside `proxyPath` to write it under; no lookup takes it for a
    // finished proxy. Creates the folder.
    QString temporaryPath(const QString& proxyPath) const;
    // Renames the completed file at `temporary` to `proxyPath` (replacing one
    // there). False, removing `temporary`, when it cannot.
    bool publish(const QString& temporary, const QString& proxyPath) const;

    // Removes the least recently used proxies until the folder holds no more than
    // the size limit, sparing `keep` (proxy paths in use), and the leftovers of
    // makings that stopped without cleaning up (a crash) once they are an hour old.
    void trim(const QSet<QString>& keep = {}) const;

private:
    QString folder_;
    qint64 sizeLimit_;
};

// The file the views show for the clip file at `path` (a local file name): its
// finished proxy in `cache` when there is one, otherwise the file itself.
std::string previewFile(const std::string& path, const ProxyCache& cache = ProxyCache());

} // namespace kestrune
