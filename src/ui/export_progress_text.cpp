#include "export_progress_text.h"

#include <cmath>
#include <cstdint>

#include <QCoreApplication>

namespace kestrune {

namespace {

// 0.29 × 100 is 28.999… in binary; without this nudge it would show as 28%.
constexpr double kPercentTolerance = 1e-9;

} // namespace

QString exportProgressText(const QString& phase, double progress) {
    double percent = std::isfinite(progress) ? progress * 100 + kPercentTolerance : 0;
    percent = std::fmin(std::fmax(percent, 0.0), 100.0);
    return phase + QStringLiteral(" — ") + QString::number(static_cast<int>(percent)) + u'%';
}

std::optional<QString> remainingTimeText(std::optional<double> remainingMs) {
    if (!remainingMs || std::isnan(*remainingMs))
        return std::nullopt;
    // An estimate of days is nonsense, but it must not overflow the conversion.
    constexpr double kLongestSeconds = 1e9;
    const double seconds = std::fmin(std::fmax(*remainingMs / 1000, 0.0), kLongestSeconds);
    const auto whole = static_cast<std::int64_t>(seconds);
    const QString minutesSeconds = QString::asprintf(
        "%02lld:%02lld", static_cast<long long>(whole / 60), static_cast<long long>(whole % 60));
    return QCoreApplication::translate("kestrune::ExportProgressText", "~%1 remaining")
        .arg(minutesSeconds);
}

} // namespace kestrune
