// The playback objects the views work with, known to QML through this module:
// VideoFrameOutput is made in QML to feed a VideoOutput; the players and the
// controller are only handed around.
#pragma once

#include "editing/project_view_model.h"
#include "playback/playback_manager.h"
#include "playback/timeline_player.h"
#include "playback/video_frame_output.h"

#include <QObject>
#include <QtQml/qqml.h>

namespace kestrune {

struct VideoFrameOutputForeign {
    Q_GADGET
    QML_FOREIGN(kestrune::VideoFrameOutput)
    QML_NAMED_ELEMENT(VideoFrameOutput)
};

struct TimelinePlayerForeign {
    Q_GADGET
    QML_FOREIGN(kestrune::TimelinePlayer)
    QML_ANONYMOUS
};

struct PlaybackManagerForeign {
    Q_GADGET
    QML_FOREIGN(kestrune::PlaybackManager)
    QML_ANONYMOUS
};

struct ProjectViewModelForeign {
    Q_GADGET
    QML_FOREIGN(kestrune::ProjectViewModel)
    QML_ANONYMOUS
};

} // namespace kestrune
