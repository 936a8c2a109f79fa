#include "project_card_text.h"

#include "time_text.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QTimeZone>

namespace kestrune {

QString clipCountText(int clipCount) {
    if (clipCount < 1)
        return {};
    return clipCount == 1 ? QCoreApplication::translate("kestrune::ProjectCardText", "1 clip")
                          : QCoreApplication::translate("kestrune::ProjectCardText", "%1 clips")
                                .arg(clipCount);
}

QString projectLengthText(double totalDuration) {
    return totalDuration > 0 ? formatLength(totalDuration) : QString();
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
        return QCoreApplication::translate("kestrune::ProjectCardText", "Today, %1")
            .arg(locale.toString(local.time(), QLocale::ShortFormat));
    if (day == now.date().addDays(-1))
        return QCoreApplication::translate("kestrune::ProjectCardText", "Yesterday");
    return locale.toString(day, abbreviatedDateFormat(locale));
}

std::optional<QString> committedProjectName(const QString& typed) {
    QString name = trimSpacesAndTabs(typed);
    if (name.isEmpty())
        return std::nullopt;
    return name;
}

} // namespace kestrune
