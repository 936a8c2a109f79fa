// Keeps a preview proxy ready for every heavy clip file of the open project:
// checks each file as it comes (a proxy in the cache already, or whether this
// machine decodes it fast enough), makes the missing proxies one at a time on
// a worker thread, and stops a making when its file leaves the project or the
// scheduler goes. Lives on the main thread; the workers report back to it
// through queued calls.
#pragma once

#include "media/proxy_cache.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>

#include <QObject>
#include <QSet>
#include <QString>
#include <QThreadPool>

namespace kestrune {

class ProxyScheduler : public QObject {
    Q_OBJECT
public:
    enum class State {
        none,     // the file plays as it is (or is not known)
        checking, // looking for a proxy, or measuring the decoding
        waiting,  // needs a proxy; another one is being made first
        making,
        ready,
        failed, // the making failed; the preview plays the file itself
    };

    // Whether the file at the path needs a proxy; called on a worker thread.
    using NeedsProxy = std::function<bool(const std::string& path, std::stop_token stop)>;

    explicit ProxyScheduler(QObject* parent = nullptr);
    // Stops the checks and the making under way and waits for them.
    ~ProxyScheduler() override;

    // Before the first files: where proxies live, and which files need one
    // (by default, those this machine cannot decode in real time).
    void setCache(ProxyCache cache);
    void setNeedsProxy(NeedsProxy needsProxy);
    const ProxyCache& cache() const { return cache_; }
    // Off where nothing is previewed (the command line): no file is looked at.
    void setEnabled(bool enabled) { enabled_ = enabled; }

    // The files the project uses now. New ones are checked; a file no longer used
    // stops its making, whose unfinished file is removed.
    void setFiles(const QSet<QString>& paths);

    State state(const QString& path) const;
    // The share made, 0 … 1, while the state is making; 0 otherwise.
    double progress(const QString& path) const;
    // The proxy the preview plays for `path`; empty while none is ready.
    QString proxyPath(const QString& path) const;

signals:
    // The state or the progress of `path` changed.
    void stateChanged(const QString& path);
    // The proxy of `path` is ready to play.
    void proxyReady(const QString& path);

private:
    struct Entry {
        std::uint64_t id = 0; // tells results for an earlier entry of the same file apart
        State state = State::none;
        double progress = 0;
        QString proxyPath;
        std::shared_ptr<std::stop_source> stop;
    };

    void check(const QString& path, const Entry& entry);
    void make(const QString& path, const Entry& entry);
    // Calls `apply` on the main thread with the entry of `path`, unless that entry
    // was replaced or dropped in the meantime.
    void post(const QString& path, std::uint64_t id, std::function<void(Entry&)> apply);
    void setState(const QString& path, Entry& entry, State state);
    // The proxies in use, which trimming the cache spares.
    QSet<QString> proxiesInUse() const;

    ProxyCache cache_;
    NeedsProxy needsProxy_;
    std::map<QString, Entry> entries_;
    std::uint64_t nextId_ = 1;
    bool enabled_ = true;
    // Checks are short and go on while a long making runs; makings go one at a time.
    QThreadPool checks_;
    QThreadPool makings_;
    // The proxies in use, for the makings' trims.
    mutable std::mutex inUseMutex_;
    QSet<QString> inUse_;
};

} // namespace kestrune
