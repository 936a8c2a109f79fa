#include "sink_recorder.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace kestrune::test {

using Clock = SinkRecorder::Clock;

namespace {

// Small blocks, so that the sink renders little ahead and arrivals tell the time.
constexpr const char* kLatencyMilliseconds = "5";

Clock::duration framesToDuration(std::int64_t frames) {
    return std::chrono::duration_cast<Clock::duration>(
        std::chrono::nanoseconds(frames * 1'000'000'000 / SinkRecorder::kSampleRate));
}

int thresholdOf(double level) {
    return static_cast<int>(std::lround(std::clamp(level, 0.0, 1.0) * 32767.0));
}

} // namespace

SinkRecorder::~SinkRecorder() {
    stop();
}

QString SinkRecorder::start(const QString& sink) {
    stop();
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return "cannot make a pipe for the recorder";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[1]);
    const QByteArray device = (sink + ".monitor").toUtf8();
    std::vector<const char*> arguments{"parec",
                                       "--raw",
                                       "--format=s16le",
                                       "--rate=44100",
                                       "--channels=1",
                                       "--latency-msec",
                                       kLatencyMilliseconds,
                                       "-d",
                                       device.constData(),
                                       nullptr};
    const int spawned = posix_spawnp(&pid_, "parec", &actions, nullptr,
                                     const_cast<char* const*>(arguments.data()), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    if (spawned != 0) {
        close(pipeEnds[0]);
        pid_ = -1;
        return "cannot start parec";
    }
    {
        std::lock_guard lock(mutex_);
        samples_.clear();
        origin_.reset();
    }
    reader_ = std::thread([this, fd = pipeEnds[0]] { read(fd); });
    return {};
}

void SinkRecorder::retime() {
    std::lock_guard lock(mutex_);
    origin_.reset();
}

void SinkRecorder::stop() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
    }
    if (reader_.joinable())
        reader_.join();
}

void SinkRecorder::read(int fd) {
    std::vector<char> buffer(8192);
    std::size_t carried = 0; // a byte of a sample split between two reads
    for (;;) {
        const ssize_t got = ::read(fd, buffer.data() + carried, buffer.size() - carried);
        const Clock::time_point arrived = Clock::now();
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        const std::size_t bytes = carried + static_cast<std::size_t>(got);
        const std::size_t frames = bytes / 2;
        std::lock_guard lock(mutex_);
        const auto before = static_cast<std::int64_t>(samples_.size());
        const Clock::time_point origin = arrived - framesToDuration(before);
        if (!origin_ || origin < *origin_)
            origin_ = origin;
        for (std::size_t i = 0; i < frames; ++i) {
            const auto low = static_cast<unsigned char>(buffer[2 * i]);
            const auto high = static_cast<unsigned char>(buffer[2 * i + 1]);
            samples_.push_back(static_cast<std::int16_t>(low | (high << 8)));
        }
        carried = bytes % 2;
        if (carried)
            buffer[0] = buffer[bytes - 1];
    }
    close(fd);
}

std::int64_t SinkRecorder::frames() const {
    std::lock_guard lock(mutex_);
    return static_cast<std::int64_t>(samples_.size());
}

Clock::time_point SinkRecorder::timeOf(std::int64_t frame) const {
    std::lock_guard lock(mutex_);
    return origin_.value_or(Clock::time_point{}) + framesToDuration(frame);
}

std::int64_t SinkRecorder::frameAt(Clock::time_point time) const {
    if (!origin_)
        return 0;
    const auto since = std::chrono::duration_cast<std::chrono::nanoseconds>(time - *origin_);
    return std::max<std::int64_t>(0, since.count() * kSampleRate / 1'000'000'000);
}

std::optional<Clock::time_point> SinkRecorder::firstSoundFrom(Clock::time_point from,
                                                              double level) const {
    std::lock_guard lock(mutex_);
    if (!origin_)
        return std::nullopt;
    const int threshold = thresholdOf(level);
    for (auto i = static_cast<std::size_t>(frameAt(from)); i < samples_.size(); ++i) {
        if (std::abs(int{samples_[i]}) > threshold)
            return *origin_ + framesToDuration(static_cast<std::int64_t>(i));
    }
    return std::nullopt;
}

std::optional<Clock::time_point> SinkRecorder::lastSound(double level) const {
    std::lock_guard lock(mutex_);
    if (!origin_)
        return std::nullopt;
    const int threshold = thresholdOf(level);
    for (std::size_t i = samples_.size(); i-- > 0;) {
        if (std::abs(int{samples_[i]}) > threshold)
            return *origin_ + framesToDuration(static_cast<std::int64_t>(i));
    }
    return std::nullopt;
}

double SinkRecorder::peakBetween(Clock::time_point from, Clock::time_point to) const {
    std::lock_guard lock(mutex_);
    const auto last = std::min(static_cast<std::size_t>(frameAt(to)), samples_.size());
    int peak = 0;
    for (auto i = static_cast<std::size_t>(frameAt(from)); i < last; ++i)
        peak = std::max(peak, std::abs(int{samples_[i]}));
    return peak / 32767.0;
}

} // namespace kestrune::test
