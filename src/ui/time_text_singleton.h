// formatTime, formatLength, formatTimecode and parseTime for the views, as
// `TimeText.formatTime(seconds)`, `TimeText.formatLength(seconds)`,
// `TimeText.formatTimecode(seconds, frameRate)` and `TimeText.parseTime(text)`.
#pragma once

#include <QObject>
#include <QString>
#include <QVariant>
#include <QtQml/qqmlregistration.h>

namespace kestrune {

class TimeText : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
public:
    using QObject::QObject;

    Q_INVOKABLE QString formatTime(double seconds) const;
    Q_INVOKABLE QString formatLength(double seconds) const;
    Q_INVOKABLE QString formatTimecode(double seconds, double frameRate = 30) const;
    // The seconds typed, undefined when the text is not a time.
    Q_INVOKABLE QVariant parseTime(const QString& text) const;
};

} // namespace kestrune
