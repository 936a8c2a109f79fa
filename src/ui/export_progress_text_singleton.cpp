#include "export_progress_text_singleton.h"

#include "export_progress_text.h"

namespace kestrune {

QString ExportProgressText::progress(const QString& phase, double progress) const {
    return exportProgressText(phase, progress);
}

QString ExportProgressText::remaining(const QVariant& estimatedRemainingMs) const {
    std::optional<double> estimate;
    bool isNumber = false;
    const double value = estimatedRemainingMs.toDouble(&isNumber);
    if (estimatedRemainingMs.isValid() && isNumber)
        estimate = value;
    return remainingTimeText(estimate).value_or(QString());
}

} // namespace kestrune
