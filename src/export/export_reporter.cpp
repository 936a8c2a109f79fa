// The pipeline's side of the coordinator: phase and progress travel to the main
// thread as queued calls, never as direct calls from the encoding threads.
#include "export_coordinator.h"
#include "export_pipeline.h"

#include <chrono>

#include <QMetaObject>

namespace kestrune {

void ExportReporter::postPhase(const QString& phase) const {
    ExportCoordinator* target = coordinator_.data();
    if (target == nullptr || (cancellation_ != nullptr && cancellation_->isCancelled()))
        return;
    // The coordinator is the context object: should it go away before the call is
    // delivered, Qt drops the call with it.
    QMetaObject::invokeMethod(
        target, [target, phase] { target->applyPhase(phase); }, Qt::QueuedConnection);
}

void ExportReporter::postProgress(double progress, double elapsedMs) const {
    ExportCoordinator* target = coordinator_.data();
    if (target == nullptr || (cancellation_ != nullptr && cancellation_->isCancelled()))
        return;
    QMetaObject::invokeMethod(
        target, [target, progress, elapsedMs] { target->updateProgress(progress, elapsedMs); },
        Qt::QueuedConnection);
}

double wallClockSeconds() {
    // Only differences of these readings are ever used (elapsed times), so a clock
    // that never jumps is the right one: setting the system time during an export
    // must not produce a negative or huge elapsed time.
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

} // namespace kestrune
