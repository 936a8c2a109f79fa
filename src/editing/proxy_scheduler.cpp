#include "proxy_scheduler.h"

#include "log/log.h"
#include "media/proxy_maker.h"
#include "media/proxy_need.h"

#include <QFile>

namespace kestrune {

namespace {

// Progress reaches the views in steps of a percent, not a call per frame.
constexpr double kProgressStep = 0.01;

std::string fileName(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

} // namespace

ProxyScheduler::ProxyScheduler(QObject* parent)
    : QObject(parent)
    , needsProxy_([](const std::string& path, std::stop_token stop) {
        return kestrune::needsProxy(path, stop);
    }) {
    checks_.setMaxThreadCount(1);
    makings_.setMaxThreadCount(1);
}

ProxyScheduler::~ProxyScheduler() {
    for (auto& [path, entry] : entries_)
        entry.stop->request_stop();
    checks_.clear();
    makings_.clear();
    // A making notices the stop within a frame; its partial file goes with it.
    checks_.waitForDone();
    makings_.waitForDone();
}

void ProxyScheduler::setCache(ProxyCache cache) {
    cache_ = std::move(cache);
}

void ProxyScheduler::setNeedsProxy(NeedsProxy needsProxy) {
    needsProxy_ = std::move(needsProxy);
}

void ProxyScheduler::setFiles(const QSet<QString>& paths) {
    for (auto it = entries_.begin(); it != entries_.end();) {
        if (paths.contains(it->first)) {
            ++it;
            continue;
        }
        it->second.stop->request_stop();
        const QString path = it->first;
        it = entries_.erase(it);
        emit stateChanged(path);
    }
    for (const QString& path : paths) {
        if (!enabled_ || path.isEmpty() || entries_.count(path))
            continue;
        Entry& entry = entries_[path];
        entry.id = nextId_++;
        entry.stop = std::make_shared<std::stop_source>();
        setState(path, entry, State::checking);
        check(path, entry);
    }
    {
        std::lock_guard lock(inUseMutex_);
        inUse_ = proxiesInUse();
    }
}

ProxyScheduler::State ProxyScheduler::state(const QString& path) const {
    const auto found = entries_.find(path);
    return found == entries_.end() ? State::none : found->second.state;
}

double ProxyScheduler::progress(const QString& path) const {
    const auto found = entries_.find(path);
    return found != entries_.end() && found->second.state == State::making ? found->second.progress
                                                                           : 0.0;
}

QString ProxyScheduler::proxyPath(const QString& path) const {
    const auto found = entries_.find(path);
    return found != entries_.end() && found->second.state == State::ready ? found->second.proxyPath
                                                                          : QString();
}

void ProxyScheduler::check(const QString& path, const Entry& entry) {
    checks_.start([this, path, id = entry.id, stop = entry.stop->get_token(), cache = cache_,
                   needs = needsProxy_] {
        if (stop.stop_requested())
            return;
        // A proxy made earlier, for this project or another, is taken as it is.
        if (const QString ready = cache.readyProxy(path); !ready.isEmpty()) {
            post(path, id, [this, path, ready](Entry& entry) {
                entry.proxyPath = ready;
                setState(path, entry, State::ready);
                emit proxyReady(path);
            });
            return;
        }
        const bool needed = needs(fileName(path), stop);
        post(path, id, [this, path, needed](Entry& entry) {
            if (!needed) {
                setState(path, entry, State::none);
                return;
            }
            setState(path, entry, State::waiting);
            make(path, entry);
        });
    });
}

void ProxyScheduler::make(const QString& path, const Entry& entry) {
    makings_.start([this, path, id = entry.id, stop = entry.stop->get_token(), cache = cache_] {
        if (stop.stop_requested())
            return;
        post(path, id, [this, path](Entry& entry) { setState(path, entry, State::making); });
        const QString target = cache.proxyPath(path);
        if (target.isEmpty()) {
            post(path, id, [this, path](Entry& entry) { setState(path, entry, State::failed); });
            return;
        }
        const QString temporary = cache.temporaryPath(target);
        double reported = 0;
        const ProxyOutcome outcome =
            makeProxy(fileName(path), fileName(temporary), stop, [&](double share) {
                if (share - reported < kProgressStep)
                    return;
                reported = share;
                post(path, id, [this, path, share](Entry& entry) {
                    if (entry.state != State::making || entry.progress == share)
                        return;
                    entry.progress = share;
                    emit stateChanged(path);
                });
            });
        if (outcome.status == ProxyOutcome::Status::cancelled)
            return;
        const bool published =
            outcome.status == ProxyOutcome::Status::completed && cache.publish(temporary, target);
        if (!published) {
            log::error(log::Category::Playback, "Cannot make a preview copy of '%s': %s",
                       fileName(path).c_str(),
                       outcome.error.empty() ? "it cannot be stored" : outcome.error.c_str());
            post(path, id, [this, path](Entry& entry) { setState(path, entry, State::failed); });
            return;
        }
        {
            std::lock_guard lock(inUseMutex_);
            QSet<QString> keep = inUse_;
            keep.insert(target);
            cache.trim(keep);
        }
        post(path, id, [this, path, target](Entry& entry) {
            entry.proxyPath = target;
            setState(path, entry, State::ready);
            emit proxyReady(path);
        });
    });
}

void ProxyScheduler::post(const QString& path, std::uint64_t id,
                          std::function<void(Entry&)> apply) {
    QMetaObject::invokeMethod(
        this,
        [this, path, id, apply = std::move(apply)] {
            const auto found = entries_.find(path);
            if (found != entries_.end() && found->second.id == id)
                apply(found->second);
        },
        Qt::QueuedConnection);
}

void ProxyScheduler::setState(const QString& path, Entry& entry, State state) {
    if (entry.state == state)
        return;
    entry.state = state;
    entry.progress = 0;
    if (state == State::ready) {
        std::lock_guard lock(inUseMutex_);
        inUse_.insert(entry.proxyPath);
    }
    emit stateChanged(path);
}

QSet<QString> ProxyScheduler::proxiesInUse() const {
    QSet<QString> inUse;
    for (const auto& [path, entry] : entries_)
        if (entry.state == State::ready)
            inUse.insert(entry.proxyPath);
    return inUse;
}

} // namespace kestrune
