#include "export_coordinator.h"

#include "log/log.h"

#include <atomic>
#include <cmath>
#include <exception>
#include <functional>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include <QMetaObject>

namespace kestrune {

namespace {

using log::Category;

} // namespace

struct ExportCoordinator::State {
    // One background export. Its thread runs until the pipeline returns, also
    // after the export was cancelled or replaced; it is joined once it has ended.
    struct Task {
        std::shared_ptr<CancellationToken> cancellation;
        std::shared_ptr<std::atomic<bool>> finished;
        std::thread thread;
    };

    explicit State(ExportCoordinator* owner, Pipeline run)
        : q(owner)
        , pipeline(std::move(run)) {}

    ExportCoordinator* q;
    Pipeline pipeline;

    bool isExporting = false;
    double progress = 0;
    QString phase;
    double elapsedMs = 0;
    QUrl outputURL;
    QString error;
    int generation = 0;

    // The current export's cancellation, or none when no export task is current.
    std::shared_ptr<CancellationToken> exportTask;
    // Every thread not yet joined, the current one and any cancelled or replaced ones.
    std::vector<Task> tasks;

    // The signals owed for the fields changed by the current change().
    enum Changed : unsigned {
        kProgress = 1u << 0,
        kPhase = 1u << 1,
        kElapsedMs = 1u << 2,
        kOutputURL = 1u << 3,
        kError = 1u << 4,
        kGeneration = 1u << 5,
        kIsExporting = 1u << 6,
    };
    unsigned changed = 0;

    // Each setter records only a real change.
    template <typename T, typename U>
    void assign(T& field, const U& value, Changed flag) {
        if (field == value)
            return;
        field = value;
        changed |= flag;
    }
    void setIsExporting(bool value) { assign(isExporting, value, kIsExporting); }
    void setProgress(double value) { assign(progress, value, kProgress); }
    void setPhase(const QString& value) { assign(phase, value, kPhase); }
    void setElapsedMs(double value) { assign(elapsedMs, value, kElapsedMs); }
    void setOutputURL(const QUrl& value) { assign(outputURL, value, kOutputURL); }
    void setError(const QString& value) { assign(error, value, kError); }
    void raiseGeneration() {
        ++generation;
        changed |= kGeneration;
    }

    // Applies a change of several fields, then publishes it: every field is set
    // before any signal goes out, so a view reacting to one signal reads a
    // consistent state (the end of an export already carries its file or error).
    // isExporting comes last, as it is what most observers wait for.
    template <typename Change>
    void change(Change&& apply) {
        const std::optional<double> before = q->estimatedRemaining();
        changed = 0;
        apply();
        const unsigned now = std::exchange(changed, 0);
        const bool estimateMoved = q->estimatedRemaining() != before;
        if (now & kProgress)
            emit q->progressChanged();
        if (now & kPhase)
            emit q->phaseChanged();
        if (now & kElapsedMs)
            emit q->elapsedMsChanged();
        if (now & kOutputURL)
            emit q->outputURLChanged();
        if (now & kError)
            emit q->errorChanged();
        if (now & kGeneration)
            emit q->exportGenerationChanged();
        if (estimateMoved)
            emit q->estimatedRemainingChanged();
        if (now & kIsExporting)
            emit q->isExportingChanged();
    }

    // Joins the threads whose pipelines have returned; they have nothing left to do
    // but exit, so this does not wait for any export.
    void joinFinishedTasks() {
        std::erase_if(tasks, [](Task& task) {
            if (!task.finished->load())
                return false;
            task.thread.join();
            return true;
        });
    }

    void cancelTask() {
        if (!exportTask)
            return;
        // Runs the pipeline's cancellation handler here, on the main thread; the
        // pipeline then winds down on its own thread.
        auto cancellation = std::move(exportTask);
        exportTask.reset();
        cancellation->cancel();
    }

    void start(const ExportConfig& config, const QString& outputPath, int g);

    // The outcome of task g, applied on the main thread.
    void finished(int g, const ExportOutcome& outcome, const QString& outputPath) {
        joinFinishedTasks();
        if (g != generation)
            return;
        change([&] {
            setIsExporting(false);
            switch (outcome.end) {
            case ExportOutcome::End::completed:
                setProgress(1.0);
                setPhase(ExportCoordinator::tr("Complete"));
                setOutputURL(QUrl::fromLocalFile(outputPath));
                break;
            case ExportOutcome::End::cancelled:
                setPhase(QString());
                break;
            case ExportOutcome::End::failed:
                setError(QString::fromStdString(outcome.error));
                break;
            }
        });
        exportTask.reset();
    }
};

// The pipeline's side of the coordinator: everything travels to the main thread as
// queued calls, never as direct calls from the export's threads. Once the task is
// cancelled nothing more is posted, so an export winding down cannot touch the
// export that replaced it; its outcome carries its generation and is dropped.
class ExportCoordinator::QueuedObserver final : public ExportObserver {
public:
    QueuedObserver(ExportCoordinator* target, int generation, QString outputPath,
                   const CancellationToken& cancellation, std::atomic<bool>& finished)
        : target_(target)
        , generation_(generation)
        , outputPath_(std::move(outputPath))
        , cancellation_(cancellation)
        , finished_(finished) {}

    void exportPhase(const std::string& phase) override {
        post([target = target_, phase = QString::fromStdString(phase)] {
            target->applyPhase(phase);
        });
    }
    void exportProgress(double progress, double elapsedMs) override {
        post([target = target_, progress, elapsedMs] {
            target->updateProgress(progress, elapsedMs);
        });
    }
    void exportFinished(const ExportOutcome& outcome) override {
        const long g = generation_;
        switch (outcome.end) {
        case ExportOutcome::End::completed:
            log::info(Category::Export, "Export completed successfully, generation=%ld", g);
            break;
        case ExportOutcome::End::cancelled:
            log::info(Category::Export, "Export cancelled, generation=%ld", g);
            break;
        case ExportOutcome::End::failed:
            log::error(Category::Export, "Export failed, generation=%ld: %s", g,
                       outcome.error.c_str());
            break;
        }
        // The thread has nothing left to do but end, so it may be joined now.
        finished_.store(true);
        QMetaObject::invokeMethod(
            target_,
            [target = target_, g = generation_, outcome, path = outputPath_] {
                target->state_->finished(g, outcome, path);
            },
            Qt::QueuedConnection);
    }

private:
    template <typename Call>
    void post(Call&& call) {
        if (!cancellation_.isCancelled())
            QMetaObject::invokeMethod(target_, std::forward<Call>(call), Qt::QueuedConnection);
    }

    ExportCoordinator* target_;
    const int generation_;
    const QString outputPath_;
    const CancellationToken& cancellation_;
    std::atomic<bool>& finished_;
};

void ExportCoordinator::State::start(const ExportConfig& config, const QString& outputPath, int g) {
    auto cancellation = std::make_shared<CancellationToken>();
    auto threadDone = std::make_shared<std::atomic<bool>>(false);
    // The thread reaches the coordinator only through queued calls. The coordinator
    // joins every thread before it is destroyed, so it outlives them all.
    std::thread thread;
    try {
        thread = std::thread(
            [run = pipeline, config, outputPath, g, cancellation, threadDone, target = q] {
                QueuedObserver observer(target, g, outputPath, *cancellation, *threadDone);
                try {
                    run(config, outputPath.toStdString(), observer, *cancellation);
                } catch (const std::exception& error) {
                    // Not the real pipeline's way, but an export must end with an
                    // outcome, never a terminated program.
                    observer.exportFinished({ExportOutcome::End::failed, error.what()});
                }
            });
    } catch (const std::system_error& error) {
        // Out of threads: the export ends at once as a failure instead of running forever.
        log::error(Category::Export, "Export failed, generation=%ld: %s", static_cast<long>(g),
                   error.what());
        finished(g,
                 {ExportOutcome::End::failed,
                  "Could not start the export: " + std::string(error.what())},
                 outputPath);
        return;
    }
    tasks.push_back({cancellation, std::move(threadDone), std::move(thread)});
    exportTask = std::move(cancellation);
}

ExportCoordinator::ExportCoordinator(Pipeline pipeline, QObject* parent)
    : QObject(parent)
    , state_(std::make_unique<State>(this, std::move(pipeline))) {}

ExportCoordinator::~ExportCoordinator() {
    // Every pipeline still running learns it is cancelled (replaced ones already
    // know), and every thread ends before the state its results refer to goes away.
    // Results they post now are dropped with this object's pending events.
    for (auto& task : state_->tasks)
        task.cancellation->cancel();
    for (auto& task : state_->tasks)
        task.thread.join();
}

bool ExportCoordinator::isExporting() const {
    return state_->isExporting;
}

double ExportCoordinator::progress() const {
    return state_->progress;
}

QString ExportCoordinator::phase() const {
    return state_->phase;
}

double ExportCoordinator::elapsedMs() const {
    return state_->elapsedMs;
}

QUrl ExportCoordinator::outputURL() const {
    return state_->outputURL;
}

QString ExportCoordinator::error() const {
    return state_->error;
}

void ExportCoordinator::setError(const QString& error) {
    state_->change([&] { state_->setError(error); });
}

int ExportCoordinator::exportGeneration() const {
    return state_->generation;
}

bool ExportCoordinator::hasExportTask() const {
    return state_->exportTask != nullptr;
}

std::optional<double> ExportCoordinator::estimatedRemaining() const {
    if (!state_->isExporting)
        return std::nullopt;
    return estimatedRemainingMs(state_->progress, state_->elapsedMs);
}

QVariant ExportCoordinator::estimatedRemainingValue() const {
    if (auto remaining = estimatedRemaining())
        return *remaining;
    return {};
}

void ExportCoordinator::startExport(const ExportConfig& config, const QString& outputPath) {
    State& s = *state_;
    s.joinFinishedTasks();
    s.cancelTask();
    s.change([&] {
        s.setOutputURL(QUrl());
        s.setError(QString());
        s.setIsExporting(true);
        s.setProgress(0);
        s.setPhase(tr("Preparing..."));
        s.setElapsedMs(0);
        s.raiseGeneration();
    });
    const int g = s.generation;
    log::info(Category::Export,
              "startExport: generation=%ld, clips=%ld, dims=%ldx%ld, codec=%s, quality=%s",
              static_cast<long>(g), static_cast<long>(config.clips.size()),
              static_cast<long>(config.outputWidth), static_cast<long>(config.outputHeight),
              std::string(displayName(config.codec)).c_str(),
              std::string(displayName(config.quality)).c_str());
    s.start(config, outputPath, g);
}

void ExportCoordinator::cancel() {
    State& s = *state_;
    log::info(Category::Export, "cancel() called, incrementing generation from %ld to %ld",
              static_cast<long>(s.generation), static_cast<long>(s.generation) + 1);
    s.change([&] {
        s.raiseGeneration();
        s.cancelTask();
        s.setIsExporting(false);
        s.setPhase(QString());
        s.setProgress(0);
    });
}

void ExportCoordinator::reset() {
    State& s = *state_;
    s.change([&] {
        s.setIsExporting(false);
        s.setProgress(0);
        s.setPhase(QString());
        s.setElapsedMs(0);
        s.setOutputURL(QUrl());
        s.setError(QString());
    });
}

void ExportCoordinator::updateProgress(double progress, double elapsedMs) {
    State& s = *state_;
    if (!s.isExporting)
        return;
    // A reading that is not a number would make the bar and the estimate nonsense.
    if (!std::isfinite(progress) || !std::isfinite(elapsedMs))
        return;
    s.change([&] {
        s.setProgress(progress);
        s.setElapsedMs(elapsedMs);
    });
}

void ExportCoordinator::applyPhase(const QString& phase) {
    State& s = *state_;
    if (!s.isExporting)
        return;
    s.change([&] { s.setPhase(phase); });
}

} // namespace kestrune
