#include "time_text_singleton.h"

#include "time_text.h"

namespace kestrune {

QString TimeText::formatTime(double seconds) const {
    return kestrune::formatTime(seconds);
}

QString TimeText::formatLength(double seconds) const {
    return kestrune::formatLength(seconds);
}

QString TimeText::formatTimecode(double seconds, double frameRate) const {
    return kestrune::formatTimecode(seconds, frameRate);
}

QVariant TimeText::parseTime(const QString& text) const {
    const auto seconds = kestrune::parseTime(text);
    return seconds ? QVariant(*seconds) : QVariant();
}

} // namespace kestrune
