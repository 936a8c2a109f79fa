// The whole export as one blocking operation on a background thread: opens the
// clips, lays them end to end, renders and encodes every frame, writes the file.
#pragma once

#include "cancellation.h"
#include "export_settings.h"

#include <QPointer>
#include <QString>

namespace kestrune {

class ExportCoordinator;

// Posts phase and progress to the coordinator on the main thread; usable from any
// thread. The coordinator applies them only while it is exporting. Given the
// task's cancellation, a reporter stops posting once the task is cancelled, so a
// cancelled export winding down cannot touch the export that replaced it.
class ExportReporter {
public:
    explicit ExportReporter(QPointer<ExportCoordinator> coordinator,
                            const CancellationToken* cancellation = nullptr)
        : coordinator_(std::move(coordinator))
        , cancellation_(cancellation) {}
    void postPhase(const QString& phase) const;
    void postProgress(double progress, double elapsedMs) const;

private:
    QPointer<ExportCoordinator> coordinator_;
    const CancellationToken* cancellation_;
};

// Writes `config` to `outputPath`. Returns on success; throws ExportCancelled when
// `cancellation` fires, ExportError (or MediaError) with the user-facing text
// otherwise. `startTime` is the wall-clock time in seconds the export task started,
// for elapsed times. Never call it on the main thread.
void runPipelineDetached(const ExportConfig& config, const QString& outputPath, double startTime,
                         QPointer<ExportCoordinator> coordinator, CancellationToken& cancellation);

// Wall-clock seconds, the clock of `startTime`.
double wallClockSeconds();

} // namespace kestrune
