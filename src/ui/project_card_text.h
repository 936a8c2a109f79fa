// The texts of a project card in the library: how many clips the project has,
// how long it plays, when it last changed, and the name a rename commits.
#pragma once

#include <optional>

#include <QDateTime>
#include <QLocale>
#include <QString>

namespace kestrune {

// "1 clip", "3 clips"; empty when the project has no clips.
QString clipCountText(int clipCount);

// The joined length as "mm:ss"; empty when there is nothing to play.
QString projectLengthText(double totalDuration);

// The locale's long date format with the weekday left out and the month name
// abbreviated: "MMM d, yyyy" in en_US, "d. MMM yyyy" in de_DE.
QString abbreviatedDateFormat(const QLocale& locale);

// When the project last changed, by the calendar days of `now`'s time zone:
// "Today, " and the locale's short time, "Yesterday", or else the abbreviated
// date without the time ("Dec 6, 2025" in en_US).
QString modificationDateText(const QDateTime& updatedAt, const QDateTime& now,
                             const QLocale& locale);

// The name a rename field commits: the typed text without spaces and tabs at
// either end; none when nothing else remains.
std::optional<QString> committedProjectName(const QString& typed);

} // namespace kestrune
