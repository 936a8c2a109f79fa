// Preview proxies of a project's clips made on real files, in a cache folder of
// the test's own, with a rule that asks for a proxy of every clip.
#include "editing/proxy_scheduler.h"
#include "editing_test_support.h"
#include "support/event_loop.h"

#include <algorithm>
#include <atomic>
#include <sys/stat.h>

namespace kestrune {
namespace {

using test::runUntil;

class ProxyScheduling : public test::EditingTest {
protected:
    QTemporaryDir cacheHome;
    ProxyCache cache{cacheHome.filePath("proxies")};
    std::atomic<int> measured{0};

    void prepare(ProxyScheduler& scheduler) {
        scheduler.setCache(cache);
        scheduler.setNeedsProxy([this](const std::string&, std::stop_token) {
            ++measured;
            return true;
        });
    }
    QStringList stored() const {
        return QDir(cache.folder()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
    static ino_t inode(const QString& path) {
        struct stat status {};
        ::stat(QFile::encodeName(path).constData(), &status);
        return status.st_ino;
    }
};

TEST_F(ProxyScheduling, AnImportedClipGetsAProxyAndItsCardShowsTheMaking) {
    prepare(model->proxies());
    std::vector<double> progress;
    QObject::connect(model->clips(), &QAbstractItemModel::dataChanged, [&](const QModelIndex& at) {
        const double share = at.data(ClipListModel::ProxyProgressRole).toDouble();
        if (share >= 0 && (progress.empty() || progress.back() != share))
            progress.push_back(share);
    });
    int previewChanges = 0;
    QObject::connect(model.get(), &ProjectViewModel::previewFilesChanged,
                     [&] { ++previewChanges; });

    const QString clip = copyOf("hd30.mp4", "a.mp4");
    ASSERT_FALSE(importAndWait(*model, clip).isEmpty());
    const QModelIndex row = model->clips()->index(0, 0);
    ASSERT_TRUE(runUntil([&] { return row.data(ClipListModel::UsesProxyRole).toBool(); }, 30000));

    EXPECT_EQ(previewChanges, 1);
    EXPECT_EQ(row.data(ClipListModel::ProxyProgressRole).toDouble(), -1);
    ASSERT_FALSE(progress.empty());
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_EQ(stored(), QStringList{QFileInfo(cache.proxyPath(clip)).fileName()});
    EXPECT_EQ(model->proxies().proxyPath(clip), cache.proxyPath(clip));
}

TEST_F(ProxyScheduling, AProxyIsReusedByTheNextProjectAndRemadeWhenTheFileChanges) {
    const QString clip = copyOf("counter.mp4", "a.mp4");
    QString first;
    {
        ProxyScheduler scheduler;
        prepare(scheduler);
        scheduler.setFiles({clip});
        ASSERT_TRUE(
            runUntil([&] { return scheduler.state(clip) == ProxyScheduler::State::ready; }, 30000));
        first = scheduler.proxyPath(clip);
    }
    const ino_t made = inode(first);
    measured = 0;
    {
        ProxyScheduler again;
        prepare(again);
        again.setFiles({clip});
        ASSERT_TRUE(
            runUntil([&] { return again.state(clip) == ProxyScheduler::State::ready; }, 30000));
        EXPECT_EQ(again.proxyPath(clip), first);
        EXPECT_EQ(measured, 0) << "a clip with a proxy is not looked at again";
        EXPECT_EQ(inode(first), made) << "the proxy was made again";
    }

    copyOf("hd30.mp4", "a.mp4"); // the same name, another recording
    ProxyScheduler changed;
    prepare(changed);
    changed.setFiles({clip});
    ASSERT_TRUE(
        runUntil([&] { return changed.state(clip) == ProxyScheduler::State::ready; }, 30000));
    EXPECT_NE(changed.proxyPath(clip), first);
    EXPECT_EQ(measured, 1);
}

TEST_F(ProxyScheduling, AMakingStopsWhenItsClipGoesOrTheSchedulerDoes) {
    const QString removed = copyOf("hd30.mp4", "removed.mp4");
    const QString left = copyOf("hd60.mov", "left.mov");
    {
        ProxyScheduler scheduler;
        prepare(scheduler);
        // One after the other, so that `removed` is made first.
        scheduler.setFiles({removed});
        scheduler.setFiles({removed, left});
        // The other clip's check runs on its own thread and may land after the making began.
        ASSERT_TRUE(runUntil(
            [&] {
                return scheduler.state(removed) == ProxyScheduler::State::making &&
                       scheduler.state(left) != ProxyScheduler::State::checking;
            },
            30000));
        // One making at a time: the other clip waits its turn.
        EXPECT_EQ(scheduler.state(left), ProxyScheduler::State::waiting);

        scheduler.setFiles({left});
        EXPECT_EQ(scheduler.state(removed), ProxyScheduler::State::none);
        ASSERT_TRUE(runUntil([&] { return scheduler.state(left) == ProxyScheduler::State::making; },
                             30000));
        // Gone while making: the scheduler waits for the making to stop.
    }
    EXPECT_TRUE(stored().isEmpty()) << stored().join(", ").toStdString();
}

} // namespace
} // namespace kestrune
