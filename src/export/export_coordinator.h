// Owns the state of the current export and shows it to the views: whether one
// runs, its progress and phase, the finished file or the error. Lives on the main
// thread. Every start and every cancel raises the generation; a result of an
// export that is no longer current changes nothing.
#pragma once

#include "cancellation.h"
#include "export_pipeline.h"
#include "export_settings.h"

#include <functional>
#include <memory>
#include <optional>

#include <QObject>
#include <QString>
#include <QUrl>
#include <QVariant>

namespace kestrune {

class ExportCoordinator : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isExporting READ isExporting NOTIFY isExportingChanged)
    Q_PROPERTY(double progress READ progress NOTIFY progressChanged)
    Q_PROPERTY(QString phase READ phase NOTIFY phaseChanged)
    Q_PROPERTY(double elapsedMs READ elapsedMs NOTIFY elapsedMsChanged)
    Q_PROPERTY(QUrl outputURL READ outputURL NOTIFY outputURLChanged)
    Q_PROPERTY(QString error READ error WRITE setError NOTIFY errorChanged)
    Q_PROPERTY(int exportGeneration READ exportGeneration NOTIFY exportGenerationChanged)
    // Milliseconds, or undefined when no estimate can be made yet.
    Q_PROPERTY(
        QVariant estimatedRemaining READ estimatedRemainingValue NOTIFY estimatedRemainingChanged)

public:
    // The pipeline to run; tests hand in their own.
    using Pipeline = std::function<void(const ExportConfig&, const std::string& outputPath,
                                        ExportObserver&, CancellationToken&)>;

    explicit ExportCoordinator(Pipeline pipeline = exportMovie, QObject* parent = nullptr);
    // Cancels a running export and waits for its thread to end.
    ~ExportCoordinator() override;

    bool isExporting() const;
    double progress() const;
    QString phase() const;
    double elapsedMs() const;
    QUrl outputURL() const;
    QString error() const;
    // The dialog writes the error itself when it refuses to start an export.
    void setError(const QString& error);
    int exportGeneration() const;
    bool hasExportTask() const;

    // estimatedRemainingMs() while exporting.
    std::optional<double> estimatedRemaining() const;
    QVariant estimatedRemainingValue() const;

    // Exports to the local file `outputPath`.
    void startExport(const ExportConfig& config, const QString& outputPath);
    Q_INVOKABLE void cancel();
    Q_INVOKABLE void reset();

    // Messages from the pipeline (delivered on the main thread); ignored unless exporting.
    void updateProgress(double progress, double elapsedMs);
    void applyPhase(const QString& phase);

signals:
    void isExportingChanged();
    void progressChanged();
    void phaseChanged();
    void elapsedMsChanged();
    void outputURLChanged();
    void errorChanged();
    void exportGenerationChanged();
    void estimatedRemainingChanged();

private:
    struct State;
    class QueuedObserver;
    std::unique_ptr<State> state_;
};

} // namespace kestrune
