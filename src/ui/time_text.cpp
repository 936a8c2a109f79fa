#include "time_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace kestrune {

namespace {

// 2^63: the first whole number of seconds a signed 64-bit count cannot hold.
// Every double below it converts to std::int64_t without overflow.
constexpr double kSecondsLimit = 9223372036854775808.0;

// An optional sign, then base-10 digits and nothing else. std::from_chars
// never looks at the locale, but it does not take a leading '+'.
std::optional<std::int64_t> parseWholeNumber(std::string_view piece) {
    std::string_view digits = piece;
    if (!digits.empty() && (digits.front() == '+' || digits.front() == '-'))
        digits.remove_prefix(1);
    if (digits.empty() ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    if (piece.front() == '+')
        piece.remove_prefix(1);
    std::int64_t value = 0;
    auto [end, error] = std::from_chars(piece.data(), piece.data() + piece.size(), value);
    // Too many digits for 64 bits: refused rather than wrapped or clamped.
    if (error != std::errc() || end != piece.data() + piece.size())
        return std::nullopt;
    return value;
}

// A decimal number: optional sign, digits, optional fraction and exponent.
std::optional<double> parseDecimal(std::string_view text) {
    bool plus = !text.empty() && text.front() == '+';
    if (plus)
        text.remove_prefix(1);
    if (text.empty() || (plus && text.front() == '-'))
        return std::nullopt;
    double value = 0;
    // "general" admits no hexadecimal; numbers beyond the range of a double
    // ("1e999") come back as out of range and are refused with the rest.
    auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    // from_chars also reads "inf" and "nan"; neither is a time.
    if (!std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<double> parseMinutesAndSeconds(std::string_view text) {
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t colon = text.find(':', start);
        if (colon == std::string_view::npos)
            colon = text.size();
        if (colon > start)
            pieces.push_back(text.substr(start, colon - start));
        start = colon + 1;
    }
    if (pieces.size() != 2)
        return std::nullopt;
    const auto minutes = parseWholeNumber(pieces[0]);
    // Seconds may have a fraction ("12.5"): the section form shows a time that has one.
    const std::size_t point = pieces[1].find('.');
    const std::string_view fraction =
        point == std::string_view::npos ? std::string_view() : pieces[1].substr(point + 1);
    // A sign before a fraction makes no sense ("1:-0.5").
    const bool signedFraction = point != std::string_view::npos && pieces[1].front() == '-';
    const auto seconds =
        signedFraction ? std::nullopt : parseWholeNumber(pieces[1].substr(0, point));
    if (!minutes || !seconds || *minutes < 0 || *seconds < 0 || *seconds > 59)
        return std::nullopt;
    if (!std::all_of(fraction.begin(), fraction.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    // Refuse minutes whose total would not fit a signed 64-bit count.
    if (*minutes > (std::numeric_limits<std::int64_t>::max() - *seconds) / 60)
        return std::nullopt;
    const std::int64_t whole = *minutes * 60 + *seconds;
    if (fraction.empty())
        return static_cast<double>(whole);
    // Read as one decimal number, so "1:15.1" is the double nearest 75.1.
    return parseDecimal(std::to_string(whole) + "." + std::string(fraction));
}

} // namespace

QString formatTime(double seconds) {
    if (std::isnan(seconds) || seconds == std::numeric_limits<double>::infinity())
        return QStringLiteral("--:--");
    std::int64_t whole = 0;
    if (seconds >= kSecondsLimit)
        whole = std::numeric_limits<std::int64_t>::max();
    else if (seconds > 0)
        whole = static_cast<std::int64_t>(seconds);
    return QStringLiteral("%1:%2")
        .arg(whole / 60, 2, 10, QLatin1Char('0'))
        .arg(whole % 60, 2, 10, QLatin1Char('0'));
}

QString formatLength(double seconds) {
    if (seconds > 0 && seconds < 0.5)
        return QStringLiteral("00:00.%1").arg(std::max<long long>(std::llround(seconds * 10), 1));
    return formatTime(std::isfinite(seconds) ? std::round(seconds) : seconds);
}

QString formatEditableTime(double seconds) {
    if (!std::isfinite(seconds) || seconds <= 0 || seconds >= kSecondsLimit / 100)
        return formatTime(seconds);
    const auto hundredths = static_cast<std::int64_t>(std::llround(seconds * 100));
    const QString whole = formatTime(static_cast<double>(hundredths / 100));
    const auto fraction = hundredths % 100;
    if (fraction == 0)
        return whole;
    if (fraction % 10 == 0)
        return whole + QStringLiteral(".%1").arg(fraction / 10);
    return whole + QStringLiteral(".%1").arg(fraction, 2, 10, QLatin1Char('0'));
}

QString formatTimecode(double seconds, double frameRate) {
    if (std::isnan(seconds))
        return QStringLiteral("--:--:--");
    // Rates past a thousand are not video; they would only widen the field.
    const double rate = frameRate > 0 && frameRate <= 1000 ? frameRate : 30;
    const int framesPerSecond = static_cast<int>(std::ceil(rate - 1e-6));
    std::int64_t whole = 0;
    int frames = 0;
    if (seconds >= kSecondsLimit) {
        whole = std::numeric_limits<std::int64_t>::max();
    } else if (seconds > 0) {
        whole = static_cast<std::int64_t>(seconds);
        // A frame's start time times the rate lands a hair under its number.
        const double counted = (seconds - static_cast<double>(whole)) * rate + 1e-6;
        frames = std::min(static_cast<int>(counted), framesPerSecond - 1);
    }
    return QStringLiteral("%1:%2:%3")
        .arg(whole / 60, 2, 10, QLatin1Char('0'))
        .arg(whole % 60, 2, 10, QLatin1Char('0'))
        .arg(frames, framesPerSecond > 100 ? 3 : 2, 10, QLatin1Char('0'));
}

std::optional<double> parseTime(const QString& text) {
    const std::string trimmed = trimSpacesAndTabs(text).toStdString();
    if (trimmed.empty())
        return std::nullopt;
    std::optional<double> result = trimmed.find(':') == std::string::npos
                                       ? parseDecimal(trimmed)
                                       : parseMinutesAndSeconds(trimmed);
    if (!result || *result < 0)
        return std::nullopt;
    // A total near 2^63 rounds up to it as a double and then no longer
    // converts back to a 64-bit count; the plain-number form has the same bound.
    if (*result >= kSecondsLimit)
        return std::nullopt;
    // "-0" reads as negative zero; a time has no sign.
    if (*result == 0)
        return 0.0;
    return result;
}

QString trimSpacesAndTabs(const QString& text) {
    auto isBlank = [](QChar c) { return c == u'\t' || c.category() == QChar::Separator_Space; };
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

} // namespace kestrune
