#include "video_frame_output.h"

namespace kestrune {

VideoFrameOutput::VideoFrameOutput(QObject* parent)
    : QObject(parent) {}

VideoFrameOutput::~VideoFrameOutput() = default;

void VideoFrameOutput::setVideoSink(QVideoSink* sink) {
    if (sink_ == sink)
        return;
    sink_ = sink;
    present();
    emit videoSinkChanged();
}

void VideoFrameOutput::setPlayer(TimelinePlayer* player) {
    if (player_ == player)
        return;
    disconnect(frameConnection_);
    disconnect(destroyedConnection_);
    player_ = player;
    if (player_) {
        frameConnection_ =
            connect(player_, &TimelinePlayer::frameChanged, this, &VideoFrameOutput::present);
        // The player is already gone from player_ when this arrives: the sink empties.
        destroyedConnection_ =
            connect(player_, &QObject::destroyed, this, &VideoFrameOutput::present);
    }
    present();
    emit playerChanged();
}

void VideoFrameOutput::setDisplaySize(QSize size) {
    if (displaySize_ == size)
        return;
    displaySize_ = size;
    present();
    emit displaySizeChanged();
}

void VideoFrameOutput::present() {
    if (!sink_)
        return;
    if (!player_ || !player_->currentFrame() || !player_->currentFrame()->picture) {
        sink_->setVideoFrame(QVideoFrame());
        return;
    }
    const PlayerFrame& frame = *player_->currentFrame();
    sink_->setVideoFrame(converter_.convert(*frame.picture, frame.rotation, displaySize_));
}

} // namespace kestrune
