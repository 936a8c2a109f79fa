#include "playback_clock_factory.h"

#include "audio_clock.h"
#include "log/log.h"

#include <QAudioDevice>
#include <QMediaDevices>

namespace kestrune {

std::unique_ptr<PlaybackClock> makePlaybackClock() {
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) {
        log::info(log::Category::Playback,
                  "Playback: no audio output, playing on the monotonic clock");
        return std::make_unique<MonotonicClock>();
    }
    log::info(log::Category::Playback, "Playback: playing sound on '%s', following its clock",
              device.description().toUtf8().constData());
    return std::make_unique<AudioClock>(device);
}

} // namespace kestrune
