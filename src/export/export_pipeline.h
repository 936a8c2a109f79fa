// The whole export as one blocking call: opens the clips, lays them end to end,
// draws and encodes every frame, writes the file. Plain C++ over file paths; the
// caller learns what happens through an observer and stops it with a token.
#pragma once

#include "cancellation.h"
#include "export_settings.h"

#include <optional>
#include <string>

namespace kestrune {

// How an export ended. `error` is the user-facing text of a failure.
struct ExportOutcome {
    enum class End { completed, failed, cancelled };
    End end = End::completed;
    std::string error;

    bool operator==(const ExportOutcome&) const = default;
};

// What an export tells whoever started it, from the export's own threads (the
// video thread, or the thread that called exportMovie(), which also reports
// "Finalizing..." and the outcome); an implementation hands them on, it never
// waits in them.
class ExportObserver {
public:
    virtual ~ExportObserver() = default;
    // "Rendering", "Clip 2 of 3", "Finalizing...".
    virtual void exportPhase(const std::string& phase) = 0;
    // The fraction done (at most 0.98 while frames are written) and the time since
    // the export started.
    virtual void exportProgress(double progress, double elapsedMs) = 0;
    // Exactly once, last.
    virtual void exportFinished(const ExportOutcome& outcome) = 0;
};

// Milliseconds left, from the progress and the time taken so far: none below 5 %,
// where the estimate swings too wildly to be worth showing, or without a time.
std::optional<double> estimatedRemainingMs(double progress, double elapsedMs);

// Writes `config` to `outputPath` and returns when the file is closed (or the
// export failed or was cancelled). The file is written under a temporary name
// beside `outputPath` and moved over it only when complete. Never throws.
void exportMovie(const ExportConfig& config, const std::string& outputPath,
                 ExportObserver& observer, CancellationToken& cancellation);

} // namespace kestrune
