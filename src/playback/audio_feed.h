// The device a QAudioSink pulls sound from: the timeline's samples, converted to
// the output's format when it does not take 44.1 kHz float stereo. It never
// waits for decoding; when the source has nothing yet it says so and tells the
// sink (readyRead) once samples are there again.
#pragma once

#include "media/av_handles.h"

#include <cstdint>
#include <functional>
#include <vector>

#include <QAudioFormat>
#include <QIODevice>
#include <QTimer>

namespace kestrune {

class TimelineAudioSource;

class AudioFeed final : public QIODevice {
public:
    // `drained` is called when the sink has taken the timeline's last sample.
    AudioFeed(TimelineAudioSource& source, const QAudioFormat& format,
              std::function<void()> drained, QObject* parent = nullptr);
    ~AudioFeed() override;

    // Forgets what was delivered, for a source started anew.
    void restart();
    // Source samples (per channel) handed to the sink since the last restart.
    std::int64_t deliveredFrames() const { return delivered_; }
    // Whether the format differs from the source's and samples are converted.
    bool converts() const { return converter_ != nullptr; }

    bool isSequential() const override { return true; }
    bool atEnd() const override;
    qint64 bytesAvailable() const override;

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 maxSize) override;

private:
    void setUpConverter();
    qint64 convert(char* data, qint64 frames);
    void pollForSamples();

    TimelineAudioSource& source_;
    QAudioFormat format_;
    std::function<void()> drained_;
    SwrContextPtr converter_;
    std::vector<float> scratch_;
    std::int64_t delivered_ = 0;
    bool drainedReported_ = false;
    QTimer poll_;
};

} // namespace kestrune
