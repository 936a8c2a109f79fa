// An export pipeline for the dialog tests that runs until the test lets it end
// (successfully or with an error) or until the export is cancelled, so that each
// state of the dialog can be looked at for as long as needed.
#pragma once

#include "export/cancellation.h"
#include "export/export_coordinator.h"
#include "export/export_error.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>

#include <QString>

namespace kestrune::test {

class HeldExportPipeline {
public:
    enum class Ending { success, failure };

    ExportCoordinator::Pipeline pipeline() {
        return [state = state_](const ExportConfig& config, const QString& outputPath, double,
                                QPointer<ExportCoordinator>, CancellationToken& cancellation) {
            {
                std::lock_guard lock(state->mutex);
                state->outputPath = outputPath;
                state->config = config;
                ++state->started;
            }
            cancellation.setHandler([state] {
                std::lock_guard lock(state->mutex);
                state->cancelled = true;
                state->changed.notify_all();
            });
            std::unique_lock lock(state->mutex);
            state->changed.wait(lock, [&] { return state->ending || state->cancelled; });
            const bool cancelled = state->cancelled;
            const std::optional<Ending> ending = std::exchange(state->ending, std::nullopt);
            state->cancelled = false;
            lock.unlock();
            cancellation.clearHandler();
            if (cancelled)
                throw ExportCancelled();
            if (ending == Ending::failure)
                throw ExportError::writerFailed("disk full");
        };
    }

    // Ends the running export the given way.
    void end(Ending ending) {
        std::lock_guard lock(state_->mutex);
        state_->ending = ending;
        state_->changed.notify_all();
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
        int started = 0;
        QString outputPath;
        ExportConfig config;
    };
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

} // namespace kestrune::test
