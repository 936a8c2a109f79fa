// One clip being trimmed: its details, the in and out points the trim view and
// the clip panel edit, and the trim strip's geometry. Every change of a point is
// written to the project at once; the whole session is one undo step. Starts the clip on the trim
// player and makes its filmstrip when the clip is set; finish() ends it.
#pragma once

#include "editing/filmstrip_model.h"
#include "model/project.h"
#include "trim_rules.h"

#include <functional>

#include <QObject>
#include <QPointer>
#include <QString>
#include <QtQml/qqml.h>
#include <QtQml/qqmlparserstatus.h>
#include <QtQml/qqmlregistration.h>

namespace kestrune {

class PlaybackManager;
class ProjectViewModel;

struct FilmstripModelForeign {
    Q_GADGET
    QML_FOREIGN(kestrune::FilmstripModel)
    QML_ANONYMOUS
};

class TrimSession : public QObject, public QQmlParserStatus {
    Q_OBJECT
    Q_INTERFACES(QQmlParserStatus)
    QML_ELEMENT
    // The ProjectViewModel holding the clip, the PlaybackManager playing it, and
    // the id of the clip; once all are set the session starts.
    Q_PROPERTY(QObject* projectVM READ projectVM WRITE setProjectVM NOTIFY projectVMChanged)
    Q_PROPERTY(QObject* playback READ playback WRITE setPlayback NOTIFY playbackChanged)
    Q_PROPERTY(QString clipId READ clipId WRITE setClipId NOTIFY clipIdChanged)
    // The clip was found with a located file and is being trimmed.
    Q_PROPERTY(bool isActive READ isActive NOTIFY clipChanged)
    Q_PROPERTY(kestrune::FilmstripModel* filmstrip READ filmstrip CONSTANT)

    Q_PROPERTY(QString fileName READ fileName NOTIFY clipChanged)
    Q_PROPERTY(QString resolutionText READ resolutionText NOTIFY clipChanged)
    Q_PROPERTY(double duration READ duration NOTIFY clipChanged)
    Q_PROPERTY(QString originalText READ originalText NOTIFY clipChanged)

    // Written as given; the drag, typing and key operations below apply the rules.
    Q_PROPERTY(double trimIn READ trimIn WRITE setTrimIn NOTIFY trimInChanged)
    Q_PROPERTY(double trimOut READ trimOut WRITE setTrimOut NOTIFY trimOutChanged)
    Q_PROPERTY(QString trimInText READ trimInText NOTIFY trimInTextChanged)
    Q_PROPERTY(QString trimOutText READ trimOutText NOTIFY trimOutTextChanged)
    Q_PROPERTY(QString inLabelText READ inLabelText NOTIFY trimInChanged)
    Q_PROPERTY(QString outLabelText READ outLabelText NOTIFY trimOutChanged)
    Q_PROPERTY(QString durationLabelText READ durationLabelText NOTIFY rangeChanged)
    Q_PROPERTY(QString trimmedText READ trimmedText NOTIFY rangeChanged)
    // The clip as stored is trimmed: the panel emphasises its "Trimmed" value.
    Q_PROPERTY(bool isTrimmed READ isTrimmed NOTIFY rangeChanged)

    Q_PROPERTY(double handleWidth READ handleWidth CONSTANT)
    Q_PROPERTY(double filmstripHeight READ filmstripHeight CONSTANT)
    // The trim view's width; the positions below follow from it.
    Q_PROPERTY(double viewWidth READ viewWidth WRITE setViewWidth NOTIFY geometryChanged)
    Q_PROPERTY(double stripWidth READ stripWidth NOTIFY geometryChanged)
    Q_PROPERTY(double inX READ inX NOTIFY geometryChanged)
    Q_PROPERTY(double outX READ outX NOTIFY geometryChanged)
    Q_PROPERTY(double playheadX READ playheadX NOTIFY playheadXChanged)

public:
    explicit TrimSession(QObject* parent = nullptr);
    ~TrimSession() override;

    void classBegin() override;
    void componentComplete() override;

    QObject* projectVM() const;
    void setProjectVM(QObject* projectVM);
    QObject* playback() const;
    void setPlayback(QObject* playback);
    QString clipId() const { return clipId_; }
    void setClipId(const QString& clipId);

    bool isActive() const { return isActive_; }
    FilmstripModel* filmstrip() { return &filmstrip_; }
    QString fileName() const { return QString::fromStdString(clip_.fileName); }
    QString resolutionText() const;
    double duration() const { return clip_.duration; }
    QString originalText() const;

    double trimIn() const { return trimIn_; }
    void setTrimIn(double seconds);
    double trimOut() const { return trimOut_; }
    void setTrimOut(double seconds);
    QString trimInText() const;
    QString trimOutText() const;
    QString inLabelText() const;
    QString outLabelText() const;
    QString durationLabelText() const;
    QString trimmedText() const;
    bool isTrimmed() const;

    static double handleWidth() { return TrimStrip::kHandleWidth; }
    static double filmstripHeight();
    double viewWidth() const { return viewWidth_; }
    void setViewWidth(double width);
    double stripWidth() const { return strip().stripWidth(); }
    double inX() const { return strip().xForTime(trimIn_); }
    double outX() const { return strip().xForTime(trimOut_); }
    double playheadX() const;

    // The handles dragged so that their trim point sits at x of the view.
    Q_INVOKABLE void dragInHandle(double x);
    Q_INVOKABLE void dragOutHandle(double x);
    // The playhead dragged to x: trim playback pauses while the drag lasts.
    Q_INVOKABLE void scrubAt(double x);
    Q_INVOKABLE void endScrub();

    // The typed time of a trim-point field, applied when it reads as a time;
    // the field's text then shows the point as it is (trimInTextChanged is
    // emitted either way, so a text that did not read is replaced).
    Q_INVOKABLE void submitTrimIn(const QString& text);
    Q_INVOKABLE void submitTrimOut(const QString& text);

    // The "i" and "o" keys: the point moves to the trim playhead, under the
    // same rules as a typed time, so the kept range never turns inside out.
    Q_INVOKABLE void setInToPlayhead();
    Q_INVOKABLE void setOutToPlayhead();
    // Back to the whole clip, as an undo step of its own.
    Q_INVOKABLE void reset();
    // Play the kept range, or pause it while it plays.
    Q_INVOKABLE void togglePlayback();

    // Writes the points, refreshes the clip's thumbnail and leaves the trim
    // player. The window then leaves trim mode and reloads the joined timeline.
    Q_INVOKABLE void finish();

signals:
    void projectVMChanged();
    void playbackChanged();
    void clipIdChanged();
    void clipChanged();
    void trimInChanged();
    void trimOutChanged();
    void trimInTextChanged();
    void trimOutTextChanged();
    void rangeChanged();
    void geometryChanged();
    void playheadXChanged();

private:
    TrimStrip strip() const { return {viewWidth_, clip_.duration}; }
    PlaybackManager* playbackManager() const;
    double playheadTime() const;
    // The clip's frames a second once the trim player has read it; 0 before.
    double frameRate() const;
    // Runs `action` once the frame steps pressed before it have landed, unless
    // the session has ended by then.
    void afterPendingSteps(std::function<void(double playhead)> action);
    // Loads the clip and starts its trim player and filmstrip.
    void begin();
    void setActive(bool active);
    void onProjectChanged();
    // Sets both points; writes them to the project when either changed, unless
    // they come from the project.
    void setPoints(double trimIn, double trimOut, bool writeThrough = true);
    void write();

    QPointer<ProjectViewModel> projectVM_;
    QPointer<QObject> playback_;
    QString clipId_;
    bool completed_ = true;
    bool isActive_ = false;
    VideoClip clip_;
    double trimIn_ = 0;
    double trimOut_ = 0;
    double viewWidth_ = 0;
    FilmstripModel filmstrip_;
    QMetaObject::Connection projectConnection_;
    QMetaObject::Connection playheadConnection_;
    QMetaObject::Connection frameRateConnection_;
};

} // namespace kestrune
