// The filmstrip of the clip being trimmed as a list of (time, picture) rows.
// The pictures are decoded one after another on a worker thread and appended as
// each one arrives, so the trim view fills in while the user already works.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

#include <QAbstractListModel>
#include <QImage>
#include <QString>
#include <QThreadPool>

namespace kestrune {

class FilmstripModel : public QAbstractListModel {
    Q_OBJECT
    Q_PROPERTY(int count READ count NOTIFY countChanged)
    // How many pictures the running generation asks for (0 when the file has no
    // length); the finished filmstrip may hold fewer, as failures are skipped.
    Q_PROPERTY(int requestedCount READ requestedCount NOTIFY requestedCountChanged)
    Q_PROPERTY(bool isGenerating READ isGenerating NOTIFY isGeneratingChanged)

public:
    enum Role { TimeRole = Qt::UserRole + 1, ImageRole };

    struct Frame {
        double time = 0; // seconds into the file
        QImage image;
    };

    explicit FilmstripModel(QObject* parent = nullptr);
    // Waits for the picture being decoded, if any.
    ~FilmstripModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    int count() const { return static_cast<int>(frames_.size()); }
    int requestedCount() const { return requestedCount_; }
    bool isGenerating() const { return isGenerating_; }
    const std::vector<Frame>& frames() const { return frames_; }

    // Empties the filmstrip and starts making the one of the file at `path`:
    // `pictureCount` pictures at filmstripTimes of its length, `height` pixels high.
    // A generation still running is abandoned; nothing of it arrives later.
    void generate(const QString& path, int pictureCount, double height);
    // Empties the filmstrip and abandons a running generation.
    Q_INVOKABLE void clear();

signals:
    void countChanged();
    void requestedCountChanged();
    void isGeneratingChanged();
    // The generation that was asked for last has delivered all it could.
    void finished();

private:
    // Runs on the worker; hands each result to the main thread.
    void run(std::uint64_t generation, const QString& path, int pictureCount, double height);
    void post(std::uint64_t generation, std::function<void()> apply);
    void setRequestedCount(int count);
    void setGenerating(bool generating);

    std::vector<Frame> frames_;
    int requestedCount_ = 0;
    bool isGenerating_ = false;
    // Read by the worker between pictures: a newer generation stops an older one.
    std::atomic<std::uint64_t> generation_{0};
    // One thread, so an abandoned generation winds down before the next decodes.
    QThreadPool worker_;
};

} // namespace kestrune
