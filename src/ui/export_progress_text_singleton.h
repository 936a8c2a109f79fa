// The progress texts of a running export for the views, as
// `ExportProgressText.progress(phase, progress)` and
// `ExportProgressText.remaining(estimatedRemaining)`.
#pragma once

#include <QObject>
#include <QString>
#include <QVariant>
#include <QtQml/qqmlregistration.h>

namespace kestrune {

class ExportProgressText : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
public:
    using QObject::QObject;

    Q_INVOKABLE QString progress(const QString& phase, double progress) const;
    // Empty while the coordinator has no estimate (undefined).
    Q_INVOKABLE QString remaining(const QVariant& estimatedRemainingMs) const;
};

} // namespace kestrune
