// An export pipeline for the tests of the dialog and the shell that runs until the
// test lets it end (successfully or with an error) or until the export is
// cancelled, so that each state can be looked at for as long as needed.
#pragma once

#include "export/cancellation.h"
#include "export/export_coordinator.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace kestrune::test {

class HeldExportPipeline {
public:
    enum class Ending { success, failure };

    ExportCoordinator::Pipeline pipeline() {
        return [state = state_](const ExportConfig& config, const std::string& outputPath,
                                ExportObserver& observer, CancellationToken& cancellation) {
            {
                std::lock_guard lock(state->mutex);
                state->outputPath = QString::fromStdString(outputPath);
                state->config = config;
                ++state->started;
            }
            cancellation.setHandler([state] {
                std::lock_guard lock(state->mutex);
                state->cancelled = true;
                ++state->cancellations;
                state->changed.notify_all();
            });
            std::unique_lock lock(state->mutex);
            state->changed.wait(lock, [&] { return state->ending || state->cancelled; });
            const bool cancelled = std::exchange(state->cancelled, false);
            const std::optional<Ending> ending = std::exchange(state->ending, std::nullopt);
            lock.unlock();
            cancellation.clearHandler();
            if (cancelled)
                observer.exportFinished({ExportOutcome::End::cancelled, {}});
            else if (ending == Ending::failure)
                observer.exportFinished(
                    {ExportOutcome::End::failed, "Video writer failed: disk full"});
            else
                observer.exportFinished({});
        };
    }

    // Ends the running export the given way.
    void end(Ending ending) {
        std::lock_guard lock(state_->mutex);
        state_->ending = ending;
        state_->changed.notify_all();
    }

    // The pipeline learns of a cancel only once its thread has got going.
    bool waitUntilCancelled() {
        std::unique_lock lock(state_->mutex);
        return state_->changed.wait_for(lock, std::chrono::seconds(5),
                                        [this] { return state_->cancellations > 0; });
    }

    int started() const {
        std::lock_guard lock(state_->mutex);
        return state_->started;
    }
    QString outputPath() const {
        std::lock_guard lock(state_->mutex);
        return state_->outputPath;
    }
    ExportConfig config() const {
        std::lock_guard lock(state_->mutex);
        return state_->config;
    }

private:
    struct State {
        mutable std::mutex mutex;
        std::condition_variable changed;
        std::optional<Ending> ending;
        bool cancelled = false;
        int cancellations = 0;
        int started = 0;
        QString outputPath;
        ExportConfig config;
    };
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

} // namespace kestrune::test
