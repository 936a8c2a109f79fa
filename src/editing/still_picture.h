// One still picture of a video file, as a player would show it at a time:
// upright, scaled down into a box with its proportions kept. The clip
// thumbnails and the trim filmstrip are both made this way.
#pragma once

#include "media/frame_scaler.h"
#include "media/media_time.h"
#include "media/video_frame_reader.h"

#include <string>

#include <QImage>
#include <QSizeF>

namespace kestrune {

// The size a width × height picture takes in `box`: never enlarged, rounded to
// whole pixels without passing the box, never smaller than one pixel a side.
// Empty for an empty picture.
QSize fittedSize(int width, int height, QSizeF box);

// `frame`, decoded by `reader`, turned upright by the track's rotation and scaled
// to fittedSize of its displayed size; a null image when it cannot be drawn.
QImage drawStillPicture(const AVFrame& frame, const VideoFrameReader& reader, QSizeF box,
                        FrameScaler& scaler);

// The frame on screen at `time` (the last one shown at or before it), turned
// by the track's rotation and scaled to fittedSize of its displayed size. A null
// image when the file cannot be opened or decoded. Blocks while it reads.
QImage decodeStillPicture(const std::string& path, MediaTime time, QSizeF box);

} // namespace kestrune
