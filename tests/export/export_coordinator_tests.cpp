// The coordinator with pipelines the tests steer: which outcome applies, which is
// dropped by the generation rule, and what the views see change.
#include "export/export_coordinator.h"
#include "log/capturing_sink.h"
#include "support/event_loop.h"

#include <cmath>
#include <condition_variable>
#include <deque>
#include <future>
#include <gtest/gtest.h>
#include <map>
#include <mutex>
#include <thread>

#include <QCoreApplication>

using namespace kestrune;
using namespace std::chrono_literals;
using kestrune::test::runUntil;

namespace {

enum class Ending { success, failure, cancelled };

// One run of the fake pipeline: it reports what it is told, waits until the test
// releases it (or, when it honours cancellation, until it is cancelled) and then
// ends the way the test chose.
struct Script {
    std::function<void(ExportObserver&)> report;
    bool honoursCancel = true;
    std::function<void(ExportObserver&)> afterCancel;

    std::mutex mutex;
    std::condition_variable changed;
    std::optional<Ending> ending;
    bool cancelled = false;

    std::promise<void> startedPromise;
    std::promise<void> threadEndedPromise;
    std::shared_future<void> started = startedPromise.get_future().share();
    // Set when the pipeline's thread has ended, that is after its outcome was posted.
    std::shared_future<void> threadEnded = threadEndedPromise.get_future().share();
    QString outputPath;

    void release(Ending how) {
        std::lock_guard lock(mutex);
        ending = how;
        changed.notify_all();
    }
};

// Signals the script once the thread that ran it is gone: thread-local objects
// are destroyed after the thread's function, result posting included, returned.
struct ThreadEndNotice {
    std::shared_ptr<Script> script;
    ~ThreadEndNotice() {
        if (script)
            script->threadEndedPromise.set_value();
    }
};

class FakePipelines {
public:
    std::shared_ptr<Script> add() {
        auto script = std::make_shared<Script>();
        std::lock_guard lock(mutex_);
        queue_.push_back(script);
        return script;
    }

    ExportCoordinator::Pipeline pipeline() {
        return [this](const ExportConfig&, const std::string& outputPath, ExportObserver& observer,
                      CancellationToken& cancellation) {
            std::shared_ptr<Script> script;
            {
                std::lock_guard lock(mutex_);
                script = queue_.front();
                queue_.pop_front();
            }
            thread_local ThreadEndNotice notice;
            notice.script = script;
            run(*script, QString::fromStdString(outputPath), observer, cancellation);
        };
    }

private:
    static void run(Script& script, const QString& outputPath, ExportObserver& observer,
                    CancellationToken& cancellation) {
        script.outputPath = outputPath;
        if (script.report)
            script.report(observer);
        cancellation.setHandler([&script] {
            std::lock_guard lock(script.mutex);
            script.cancelled = true;
            script.changed.notify_all();
        });
        script.startedPromise.set_value();
        std::unique_lock lock(script.mutex);
        script.changed.wait(
            lock, [&] { return script.ending || (script.honoursCancel && script.cancelled); });
        const Ending ending = script.ending.value_or(Ending::cancelled);
        const bool cancelled = script.cancelled;
        lock.unlock();
        cancellation.clearHandler();
        if (cancelled && script.afterCancel)
            script.afterCancel(observer);
        switch (ending) {
        case Ending::success:
            return observer.exportFinished({});
        case Ending::failure:
            return observer.exportFinished(
                {ExportOutcome::End::failed, "Video writer failed: disk full"});
        case Ending::cancelled:
            return observer.exportFinished({ExportOutcome::End::cancelled, {}});
        }
    }

    std::mutex mutex_;
    std::deque<std::shared_ptr<Script>> queue_;
};

ExportConfig twoClips() {
    ExportConfig config;
    config.clips.resize(2);
    config.outputWidth = 1920;
    config.outputHeight = 1080;
    config.codec = ExportCodec::hevc;
    config.quality = ExportQuality::maximum;
    return config;
}

class ExportCoordinatorTest : public ::testing::Test {
protected:
    log::CapturingSink sink;
    FakePipelines fakes;
    // Declared last, so it is destroyed (and its threads joined) first.
    ExportCoordinator coordinator{fakes.pipeline()};

    const QString first = "/tmp/first.mp4";
    const QString second = "/tmp/second.mp4";

    static void waitFor(const std::shared_future<void>& future) {
        ASSERT_EQ(future.wait_for(5s), std::future_status::ready);
    }

    // Delivers whatever the pipeline threads posted so far.
    void deliverPosted() {
        QCoreApplication::sendPostedEvents(&coordinator);
        QCoreApplication::processEvents();
    }

    bool finishes() {
        return runUntil([&] { return !coordinator.isExporting(); });
    }

    void countSignals() {
        auto counts = std::make_shared<std::map<std::string, int>>();
        counts_ = counts;
        auto count = [counts](const char* name) { return [counts, name] { ++(*counts)[name]; }; };
        QObject::connect(&coordinator, &ExportCoordinator::isExportingChanged,
                         count("isExporting"));
        QObject::connect(&coordinator, &ExportCoordinator::progressChanged, count("progress"));
        QObject::connect(&coordinator, &ExportCoordinator::phaseChanged, count("phase"));
        QObject::connect(&coordinator, &ExportCoordinator::elapsedMsChanged, count("elapsedMs"));
        QObject::connect(&coordinator, &ExportCoordinator::outputURLChanged, count("outputURL"));
        QObject::connect(&coordinator, &ExportCoordinator::errorChanged, count("error"));
        QObject::connect(&coordinator, &ExportCoordinator::exportGenerationChanged,
                         count("generation"));
        QObject::connect(&coordinator, &ExportCoordinator::estimatedRemainingChanged,
                         count("estimate"));
    }
    std::map<std::string, int> takeCounts() {
        auto counts = *counts_;
        counts_->clear();
        return counts;
    }

private:
    std::shared_ptr<std::map<std::string, int>> counts_;
};

using Counts = std::map<std::string, int>;

} // namespace

TEST_F(ExportCoordinatorTest, ASuccessfulExportShowsTheFileAndLogsItsCourse) {
    auto script = fakes.add();
    script->report = [](ExportObserver& reporter) {
        reporter.exportPhase("Clip 1 of 2");
        reporter.exportProgress(0.5, 1000);
    };
    coordinator.startExport(twoClips(), first);
    EXPECT_TRUE(coordinator.isExporting());
    EXPECT_EQ(coordinator.phase(), "Preparing...");
    EXPECT_TRUE(coordinator.hasExportTask());
    EXPECT_EQ(coordinator.exportGeneration(), 1);

    ASSERT_TRUE(runUntil([&] { return coordinator.progress() == 0.5; }));
    EXPECT_EQ(coordinator.phase(), "Clip 1 of 2");
    EXPECT_EQ(coordinator.elapsedMs(), 1000);
    EXPECT_EQ(coordinator.estimatedRemaining(), 1000);

    script->release(Ending::success);
    ASSERT_TRUE(finishes());
    EXPECT_EQ(coordinator.phase(), "Complete");
    EXPECT_EQ(coordinator.progress(), 1.0);
    EXPECT_EQ(coordinator.outputURL(), QUrl::fromLocalFile(first));
    EXPECT_TRUE(coordinator.error().isEmpty());
    EXPECT_FALSE(coordinator.hasExportTask());
    EXPECT_FALSE(coordinator.estimatedRemaining());
    EXPECT_EQ(coordinator.exportGeneration(), 1);

    EXPECT_EQ(script->outputPath, "/tmp/first.mp4");

    // Late messages of the finished export change nothing.
    coordinator.applyPhase("Finalizing...");
    coordinator.updateProgress(0.3, 5);
    deliverPosted();
    EXPECT_EQ(coordinator.phase(), "Complete");
    EXPECT_EQ(coordinator.progress(), 1.0);

    coordinator.reset();
    EXPECT_EQ(coordinator.phase(), "");
    EXPECT_EQ(coordinator.progress(), 0);
    EXPECT_EQ(coordinator.elapsedMs(), 0);
    EXPECT_TRUE(coordinator.outputURL().isEmpty());
    EXPECT_EQ(coordinator.exportGeneration(), 1);
}

TEST_F(ExportCoordinatorTest, ASuccessQueuedBehindCancelIsDropped) {
    auto script = fakes.add();
    script->honoursCancel = false; // finishes its work regardless
    coordinator.startExport(twoClips(), first);
    waitFor(script->started);
    script->release(Ending::success);
    // The success is posted but not yet delivered when the user cancels.
    waitFor(script->threadEnded);
    coordinator.cancel();
    EXPECT_FALSE(coordinator.isExporting());
    EXPECT_EQ(coordinator.exportGeneration(), 2);
    EXPECT_FALSE(coordinator.hasExportTask());

    deliverPosted();
    EXPECT_EQ(coordinator.phase(), "");
    EXPECT_EQ(coordinator.progress(), 0);
    EXPECT_TRUE(coordinator.outputURL().isEmpty());
}

TEST_F(ExportCoordinatorTest, StartingWhileRunningReplacesTheOldExport) {
    auto old = fakes.add();
    old->report = [](ExportObserver& reporter) {
        reporter.exportPhase("Clip 2 of 3");
        reporter.exportProgress(0.4, 2000);
    };
    // What a cancelled pipeline still says while it winds down must not reach the
    // export that replaced it.
    old->afterCancel = [](ExportObserver& reporter) {
        reporter.exportPhase("Finalizing...");
        reporter.exportProgress(0.9, 9000);
    };
    auto next = fakes.add();

    coordinator.startExport(twoClips(), first);
    ASSERT_TRUE(runUntil([&] { return coordinator.phase() == "Clip 2 of 3"; }));
    coordinator.startExport(twoClips(), second);
    EXPECT_EQ(coordinator.phase(), "Preparing...");
    EXPECT_EQ(coordinator.progress(), 0);
    EXPECT_EQ(coordinator.elapsedMs(), 0);
    EXPECT_EQ(coordinator.exportGeneration(), 2);

    waitFor(old->threadEnded);
    EXPECT_TRUE(old->cancelled);
    deliverPosted();
    EXPECT_TRUE(coordinator.isExporting());
    EXPECT_EQ(coordinator.phase(), "Preparing...");
    EXPECT_EQ(coordinator.progress(), 0);
    EXPECT_TRUE(coordinator.hasExportTask());

    waitFor(next->started);
    next->release(Ending::success);
    ASSERT_TRUE(finishes());
    EXPECT_EQ(coordinator.phase(), "Complete");
    EXPECT_EQ(coordinator.outputURL(), QUrl::fromLocalFile(second));
    EXPECT_EQ(next->outputPath, "/tmp/second.mp4");
}

TEST_F(ExportCoordinatorTest, CancelReturnsToIdleAndAlwaysRaisesTheGeneration) {
    countSignals();
    coordinator.cancel();
    EXPECT_EQ(coordinator.exportGeneration(), 1);
    EXPECT_FALSE(coordinator.isExporting());
    EXPECT_EQ(coordinator.progress(), 0);
    EXPECT_EQ(takeCounts(), (Counts{{"generation", 1}}));

    auto script = fakes.add();
    script->report = [](ExportObserver& reporter) { reporter.exportProgress(0.5, 800); };
    coordinator.startExport(twoClips(), first);
    ASSERT_TRUE(runUntil([&] { return coordinator.progress() == 0.5; }));
    coordinator.cancel();
    EXPECT_EQ(coordinator.exportGeneration(), 3);
    EXPECT_FALSE(coordinator.isExporting());
    EXPECT_EQ(coordinator.phase(), "");
    EXPECT_EQ(coordinator.progress(), 0);
    waitFor(script->threadEnded);
    EXPECT_TRUE(script->cancelled);
    deliverPosted();
    EXPECT_FALSE(coordinator.isExporting());
    EXPECT_TRUE(coordinator.error().isEmpty()); // a cancel is never an error
}

TEST_F(ExportCoordinatorTest, APipelineThatCancelsItselfEndsIdleKeepingItsProgress) {
    auto script = fakes.add();
    script->report = [](ExportObserver& reporter) {
        reporter.exportPhase("Rendering");
        reporter.exportProgress(0.4, 1200);
    };
    coordinator.startExport(twoClips(), first);
    ASSERT_TRUE(runUntil([&] { return coordinator.progress() == 0.4; }));
    script->release(Ending::cancelled);
    ASSERT_TRUE(finishes());
    EXPECT_EQ(coordinator.phase(), "");
    EXPECT_EQ(coordinator.progress(), 0.4);
    EXPECT_EQ(coordinator.elapsedMs(), 1200);
    EXPECT_TRUE(coordinator.error().isEmpty());
    EXPECT_FALSE(coordinator.hasExportTask());
    EXPECT_EQ(coordinator.exportGeneration(), 1);
}

TEST_F(ExportCoordinatorTest, AFailureKeepsTheLastPhaseAndShowsTheError) {
    auto script = fakes.add();
    script->report = [](ExportObserver& reporter) {
        reporter.exportPhase("Clip 2 of 3");
        reporter.exportProgress(0.5, 3000);
    };
    coordinator.startExport(twoClips(), first);
    ASSERT_TRUE(runUntil([&] { return coordinator.phase() == "Clip 2 of 3"; }));
    QString errorWhenEnded;
    QObject::connect(&coordinator, &ExportCoordinator::isExportingChanged,
                     [&] { errorWhenEnded = coordinator.error(); });
    script->release(Ending::failure);
    ASSERT_TRUE(finishes());
    EXPECT_EQ(errorWhenEnded, "Video writer failed: disk full");
    EXPECT_EQ(coordinator.error(), "Video writer failed: disk full");
    EXPECT_EQ(coordinator.phase(), "Clip 2 of 3");
    EXPECT_EQ(coordinator.progress(), 0.5);
    EXPECT_TRUE(coordinator.outputURL().isEmpty());
    EXPECT_FALSE(coordinator.hasExportTask());

    // The next start clears the error.
    fakes.add();
    coordinator.startExport(twoClips(), second);
    EXPECT_TRUE(coordinator.error().isEmpty());
    EXPECT_EQ(coordinator.exportGeneration(), 2);
}

TEST_F(ExportCoordinatorTest, EstimatesTheRemainingTimeOnlyOnceItIsMeaningful) {
    auto script = fakes.add();
    coordinator.startExport(twoClips(), first);
    EXPECT_FALSE(coordinator.estimatedRemaining());
    EXPECT_FALSE(coordinator.estimatedRemainingValue().isValid());

    coordinator.updateProgress(0.05, 1000);
    EXPECT_FALSE(coordinator.estimatedRemaining());
    coordinator.updateProgress(0.06, 1000);
    ASSERT_TRUE(coordinator.estimatedRemaining());
    EXPECT_NEAR(*coordinator.estimatedRemaining(), 1000 / 0.06 * 0.94, 1e-9);
    coordinator.updateProgress(0.25, 6000);
    EXPECT_EQ(coordinator.estimatedRemaining(), 18000);
    EXPECT_EQ(coordinator.estimatedRemainingValue().toDouble(), 18000);
    coordinator.updateProgress(0.5, 0); // no elapsed time yet
    EXPECT_FALSE(coordinator.estimatedRemaining());

    // Readings that are not numbers are ignored.
    coordinator.updateProgress(0.25, 6000);
    coordinator.updateProgress(std::nan(""), 7000);
    EXPECT_EQ(coordinator.progress(), 0.25);
    EXPECT_EQ(coordinator.elapsedMs(), 6000);

    coordinator.cancel();
    EXPECT_FALSE(coordinator.estimatedRemaining());
}

TEST_F(ExportCoordinatorTest, ViewsHearOfEveryRealChangeOnce) {
    auto script = fakes.add();
    countSignals();
    coordinator.startExport(twoClips(), first);
    EXPECT_EQ(takeCounts(), (Counts{{"isExporting", 1}, {"phase", 1}, {"generation", 1}}));

    coordinator.updateProgress(0.25, 6000);
    coordinator.updateProgress(0.25, 6000);
    EXPECT_EQ(takeCounts(), (Counts{{"progress", 1}, {"elapsedMs", 1}, {"estimate", 1}}));
    coordinator.applyPhase("Rendering");
    coordinator.applyPhase("Rendering");
    EXPECT_EQ(takeCounts(), (Counts{{"phase", 1}}));

    // Whoever waits for the end finds the outcome already in place.
    QUrl fileWhenEnded;
    QObject::connect(&coordinator, &ExportCoordinator::isExportingChanged,
                     [&] { fileWhenEnded = coordinator.outputURL(); });
    script->release(Ending::success);
    ASSERT_TRUE(finishes());
    EXPECT_EQ(fileWhenEnded, QUrl::fromLocalFile(first));
    EXPECT_EQ(
        takeCounts(),
        (Counts{
            {"isExporting", 1}, {"progress", 1}, {"phase", 1}, {"outputURL", 1}, {"estimate", 1}}));

    coordinator.setError("No clips to export.");
    coordinator.setError("No clips to export.");
    EXPECT_EQ(takeCounts(), (Counts{{"error", 1}}));
    coordinator.reset();
    EXPECT_EQ(
        takeCounts(),
        (Counts{{"progress", 1}, {"phase", 1}, {"elapsedMs", 1}, {"outputURL", 1}, {"error", 1}}));
    coordinator.reset();
    EXPECT_EQ(takeCounts(), Counts{});
}

TEST(ExportCoordinatorLifetime, DestroyingItStopsAndWaitsForRunningExports) {
    FakePipelines fakes;
    auto replaced = fakes.add();
    replaced->honoursCancel = false;
    auto running = fakes.add();
    // Keeps reporting until cancelled, as the video stream does.
    running->report = [](ExportObserver& reporter) {
        for (int i = 1; i <= 200; ++i)
            reporter.exportProgress(i / 400.0, i);
    };
    std::thread later;
    {
        ExportCoordinator coordinator(fakes.pipeline());
        coordinator.startExport(twoClips(), "/tmp/a.mp4");
        coordinator.startExport(twoClips(), "/tmp/b.mp4");
        ASSERT_EQ(running->started.wait_for(5s), std::future_status::ready);
        // The replaced export still runs; it ends only after its coordinator is gone.
        later = std::thread([replaced] {
            std::this_thread::sleep_for(50ms);
            replaced->release(Ending::success);
        });
    }
    later.join();
    EXPECT_TRUE(running->cancelled);
    EXPECT_EQ(replaced->threadEnded.wait_for(0s), std::future_status::ready);
    EXPECT_EQ(running->threadEnded.wait_for(0s), std::future_status::ready);
    QCoreApplication::processEvents(); // nothing left to deliver to the dead coordinator
}
