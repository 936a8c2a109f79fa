#include "fixtures/test_media.h"
#include "media/audio_sample_reader.h"
#include "playback/timeline_audio_source.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <memory>
#include <thread>
#include <vector>

namespace kestrune {
namespace {

using test::testMedia;

constexpr int kRate = TimelineAudioSource::kSampleRate;
constexpr int kChannels = TimelineAudioSource::kChannels;

MediaTime seconds(double value) {
    return MediaTime::fromSeconds(value, 600);
}

std::shared_ptr<const std::vector<PlayerSegment>> item(std::vector<PlayerSegment> segments) {
    return std::make_shared<const std::vector<PlayerSegment>>(std::move(segments));
}

// The file's sound in [first, first + frames) samples, each chunk at the place
// the reader says, silence where it has none.
std::vector<float> fileSamples(const std::string& path, std::int64_t first, std::int64_t frames) {
    std::vector<float> samples(static_cast<std::size_t>(frames * kChannels), 0.0f);
    AudioSampleReader reader(path, MediaTime{first, kRate}, MediaTime{first + frames, kRate});
    while (auto chunk = reader.next()) {
        const std::int64_t at = chunk->time.value - first;
        EXPECT_GE(at, 0);
        EXPECT_LE(at + chunk->frames, frames);
        std::copy(chunk->samples.begin(), chunk->samples.end(),
                  samples.begin() + static_cast<std::ptrdiff_t>(at * kChannels));
    }
    return samples;
}

// Everything the source produces until the end of the timeline.
std::vector<float> readToEnd(TimelineAudioSource& source) {
    std::vector<float> samples;
    std::vector<float> block(1000 * kChannels);
    // Generous: the worker decodes a few seconds of sound far faster than this.
    for (int idle = 0; idle < 20000;) {
        const std::size_t count = source.read(block.data(), 1000);
        samples.insert(samples.end(), block.begin(),
                       block.begin() + static_cast<std::ptrdiff_t>(count * kChannels));
        if (count > 0)
            continue;
        if (source.finished())
            return samples;
        ++idle;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ADD_FAILURE() << "the source never finished";
    return samples;
}

std::vector<float> slice(const std::vector<float>& samples, std::int64_t firstFrame,
                         std::int64_t frames) {
    const auto begin = samples.begin() + static_cast<std::ptrdiff_t>(firstFrame * kChannels);
    return {begin, begin + static_cast<std::ptrdiff_t>(frames * kChannels)};
}

// A decoder that starts after a seek fills bands the encoder left out with its
// own noise, a few millionths loud; a sample out of place differs by thousandths.
float largestDifference(const std::vector<float>& a, const std::vector<float>& b) {
    float largest = 0.0f;
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        largest = std::max(largest, std::abs(a[i] - b[i]));
    return largest;
}

bool isSilent(const std::vector<float>& samples) {
    return std::all_of(samples.begin(), samples.end(), [](float s) { return s == 0.0f; });
}

TEST(TimelineAudioSource, JoinsSegmentsToTheSampleEachFromItsOwnStart) {
    const std::string hd30 = testMedia("hd30.mp4");
    TimelineAudioSource source;
    source.start(item({{hd30, seconds(0.25), seconds(1.25)}, {hd30, seconds(2), seconds(2.5)}}),
                 MediaTime::zero());
    const std::vector<float> samples = readToEnd(source);

    ASSERT_EQ(samples.size(), std::size_t{(44100 + 22050) * kChannels});
    const std::vector<float> first = fileSamples(hd30, 11025, 44100);
    const std::vector<float> second = fileSamples(hd30, 88200, 22050);
    EXPECT_FALSE(isSilent(first));
    EXPECT_FALSE(isSilent(second));
    EXPECT_EQ(slice(samples, 0, 44100), first);
    EXPECT_EQ(slice(samples, 44100, 22050), second);
}

TEST(TimelineAudioSource, FillsWhatHasNoSoundWithSilence) {
    const std::string shortSound = testMedia("short-sound.mp4"); // 2 s picture, 1 s sound
    const std::string hd30 = testMedia("hd30.mp4");
    TimelineAudioSource source;
    source.start(item({{testMedia("silent.mp4"), seconds(0), seconds(0.5)},
                       {shortSound, seconds(0.5), seconds(2)},
                       {testMedia("missing.mp4"), seconds(0), seconds(0.25)},
                       {hd30, seconds(1), seconds(1)}, // takes no time
                       {hd30, seconds(1), seconds(1.5)}}),
                 MediaTime::zero());
    const std::vector<float> samples = readToEnd(source);

    ASSERT_EQ(samples.size(), std::size_t{(22050 + 66150 + 11025 + 22050) * kChannels});
    EXPECT_TRUE(isSilent(slice(samples, 0, 22050)));
    // The short sound's half second, then silence where its picture goes on.
    EXPECT_EQ(slice(samples, 22050, 22050), fileSamples(shortSound, 22050, 22050));
    EXPECT_FALSE(isSilent(slice(samples, 22050, 22050)));
    EXPECT_TRUE(isSilent(slice(samples, 22050 + 33075, 33075)));
    EXPECT_TRUE(isSilent(slice(samples, 88200, 11025)));
    EXPECT_EQ(slice(samples, 99225, 22050), fileSamples(hd30, 44100, 22050));
}

TEST(TimelineAudioSource, RestartsAnywhereWithTheSamplesOfAReadingFromTheStart) {
    const std::string hd30 = testMedia("hd30.mp4");
    const auto segments =
        item({{hd30, seconds(0.5), seconds(1.5)}, {hd30, seconds(0.1), seconds(2.9)}});
    TimelineAudioSource source;
    source.start(segments, MediaTime::zero());
    const std::vector<float> whole = readToEnd(source);
    ASSERT_EQ(whole.size(), std::size_t{(44100 + 123480) * kChannels});

    // Restarted while the buffer still holds earlier samples, then again.
    source.start(segments, seconds(0.2));
    std::vector<float> stale(500 * kChannels);
    while (source.read(stale.data(), 500) == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    for (const double at : {2.3, 0.9, 1.0}) {
        source.start(segments, seconds(at));
        const std::int64_t first = TimelineAudioSource::sampleAt(seconds(at));
        const std::vector<float> rest = readToEnd(source);
        ASSERT_EQ(rest.size(), whole.size() - static_cast<std::size_t>(first * kChannels))
            << "from " << at << " s";
        EXPECT_LT(largestDifference(rest, slice(whole, first, 44100 + 123480 - first)), 1e-4)
            << "from " << at << " s";
    }
}

TEST(TimelineAudioSource, EndsAtOnceForAnEmptyTimelineOrAStartPastItsEnd) {
    TimelineAudioSource source;
    source.start(item({}), MediaTime::zero());
    EXPECT_TRUE(readToEnd(source).empty());
    source.start(item({{testMedia("hd30.mp4"), seconds(0), seconds(1)}}), seconds(5));
    EXPECT_TRUE(readToEnd(source).empty());
}

} // namespace
} // namespace kestrune
