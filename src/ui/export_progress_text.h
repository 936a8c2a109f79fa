// The texts that follow a running export: the phase with how far it has got, and
// the estimate of the time left.
#pragma once

#include <optional>

#include <QString>

namespace kestrune {

// "Clip 2 of 3 — 45%": the phase and the progress (0 … 1) as a whole percentage,
// truncated, so 100% shows only once the export is really done.
QString exportProgressText(const QString& phase, double progress);

// "~03:07 remaining" for an estimate in milliseconds: whole seconds, truncated,
// negative estimates as none left, minutes not capped ("75:00"). None without an
// estimate, or with one that is not a number.
std::optional<QString> remainingTimeText(std::optional<double> remainingMs);

} // namespace kestrune
