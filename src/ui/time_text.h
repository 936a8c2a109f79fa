// The minutes-and-seconds texts shared by every view that shows or accepts a
// time: formatting a length or a time, and reading a time the user typed.
#pragma once

#include <optional>

#include <QString>

namespace kestrune {

// "mm:ss" for whole seconds, truncated toward zero; minutes are not capped
// (3725 gives "62:05") and negative values give "00:00". A NaN or an infinite
// value gives "--:--"; values beyond a signed 64-bit count of seconds show
// the largest such count.
QString formatTime(double seconds);

// A length, as the cards and the clip panel show it: "mm:ss" rounded to the
// nearest second (4.99 s is "00:05", not "00:04"), except that a length under
// half a second that is not zero shows its tenths ("00:00.3") rather than
// looking empty. Other values as formatTime.
QString formatLength(double seconds);

// A time as a field shows it for editing: "mm:ss", with the hundredths that are
// not zero ("00:12.5", "00:06.53"), so that a time with a fraction is not shown
// as another one. Non-positive, infinite and huge values as formatTime.
QString formatEditableTime(double seconds);

// Reads a typed time: either a plain decimal number of seconds ("90", "90.5")
// or minutes and seconds ("1:30", "125:00", "0:12.5"), with spaces and tabs around it.
// No value for anything else, for negative times, for seconds of 60 or more,
// for infinity and NaN, and for times of 2^63 seconds or more.
std::optional<double> parseTime(const QString& text);

// "mm:ss:ff": whole minutes, seconds and frames at `frameRate` frames a second
// (30 when it is not a positive number), each truncated toward zero (61.5 at 30
// gives "01:01:15", 0.5 at 60 gives "00:00:30"); a rate with a fraction such as
// 29.97 counts its frames up to the whole rate above it. Minutes are not capped
// and negative values give "00:00:00". NaN gives "--:--:--"; values beyond a
// signed 64-bit count of seconds show the largest such count.
QString formatTimecode(double seconds, double frameRate = 30);

// A typed field's text without the spaces (every Unicode space separator, so a
// pasted no-break space counts) and tabs at its ends; line breaks stay.
QString trimSpacesAndTabs(const QString& text);

} // namespace kestrune
