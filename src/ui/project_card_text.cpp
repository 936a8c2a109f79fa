#include "project_card_text.h"

#include "time_text.h"

#include <QRegularExpression>
#include <QTimeZone>

namespace kestrune {

QString clipCountText(int clipCount) {
    if (clipCount < 1)
        return {};
    return clipCount == 1 ? QStringLiteral("1 clip") : QStringLiteral("%1 clips").arg(clipCount);
}

QString projectLengthText(double totalDuration) {
    return totalDuration > 0 ? formatTime(totalDuration) : QString();
}

QString abbreviatedDateFormat(const QLocale& locale) {
    QString format = locale.dateFormat(QLocale::LongFormat);
    // The weekday goes with the separator that follows it, or with the one
    // before it when it closes the format.
    static const QRegularExpression weekday(QStringLiteral("dddd[,\\s]*"));
    static const QRegularExpression trailingSeparator(QStringLiteral("[,\\s]+$"));
    format.remove(weekday);
    format.remove(trailingSeparator);
    format.replace(QStringLiteral("MMMM"), QStringLiteral("MMM"));
    return format;
}

QString modificationDateText(const QDateTime& updatedAt, const QDateTime& now,
                             const QLocale& locale) {
    const QDateTime local = updatedAt.toTimeZone(now.timeZone());
    const QDate day = local.date();
    if (day == now.date())
        return QStringLiteral("Today, ") + locale.toString(local.time(), QLocale::ShortFormat);
    if (day == now.date().addDays(-1))
        return QStringLiteral("Yesterday");
    return locale.toString(day, abbreviatedDateFormat(locale));
}

std::optional<QString> committedProjectName(const QString& typed) {
    QString name = trimSpacesAndTabs(typed);
    if (name.isEmpty())
        return std::nullopt;
    return name;
}

} // namespace kestrune
