// Hands a player's pictures to a QVideoSink (a QML VideoOutput's videoSink):
// each new picture as an RGB video frame with its display rotation, an empty
// frame when the player shows none. The player can be switched at any time; the
// sink then shows the new player's picture.
#pragma once

#include "timeline_player.h"
#include "video_frame_conversion.h"

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QVideoSink>

namespace kestrune {

class VideoFrameOutput : public QObject {
    Q_OBJECT
    Q_PROPERTY(QVideoSink* videoSink READ videoSink WRITE setVideoSink NOTIFY videoSinkChanged)
    Q_PROPERTY(kestrune::TimelinePlayer* player READ player WRITE setPlayer NOTIFY playerChanged)
    // The device pixels the picture is shown on; pictures larger than this are
    // converted at this size. Empty: at their own size.
    Q_PROPERTY(QSize displaySize READ displaySize WRITE setDisplaySize NOTIFY displaySizeChanged)

public:
    explicit VideoFrameOutput(QObject* parent = nullptr);
    ~VideoFrameOutput() override;

    QVideoSink* videoSink() const { return sink_; }
    void setVideoSink(QVideoSink* sink);
    TimelinePlayer* player() const { return player_; }
    void setPlayer(TimelinePlayer* player);
    QSize displaySize() const { return displaySize_; }
    void setDisplaySize(QSize size);

signals:
    void videoSinkChanged();
    void playerChanged();
    void displaySizeChanged();

private:
    // Gives the sink the player's current picture, or an empty frame.
    void present();

    QPointer<QVideoSink> sink_;
    QPointer<TimelinePlayer> player_;
    QSize displaySize_;
    QMetaObject::Connection frameConnection_;
    QMetaObject::Connection destroyedConnection_;
    VideoFrameConverter converter_;
};

} // namespace kestrune
