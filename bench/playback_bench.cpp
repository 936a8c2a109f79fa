// Plays 20 seconds of a joined 1080p30 timeline of three clips on the monotonic
// clock and prints what a viewer would notice: frames shown and dropped, how long
// an exact seek takes to put its frame on screen, the CPU the playback costs, and
// how long each picture takes to become the frame the preview's video output shows;
// then how fast frame steps go (`playback_bench steps` measures only those, and
// `playback_bench steps CLIP` those on CLIP).
// The clips are made with the ffmpeg tool in a temporary folder.
// Then plays a phone's heavy recording (4K60 HEVC 10-bit with sound), first as it
// is and then through its preview proxy, times making the proxy, and steps through
// the frames of both, and times turning one of its pictures into the preview's
// frame, as recorded and tagged as HLG, at its own size and for a 1280 × 720 view
// (`playback_bench heavy` measures only this part).
#include "media/proxy_maker.h"
#include "media/proxy_need.h"
#include "playback/timeline_player.h"
#include "playback/video_frame_conversion.h"
#include "support/event_loop.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <sys/resource.h>
#include <vector>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

using namespace kestrune;
using kestrune::test::runUntil;

namespace {

// Clips as cameras write them: H.264 with a key frame every two seconds.
bool makeClip(const std::string& path, const char* pattern, int seconds) {
    const std::string command =
        "ffmpeg -hide_banner -loglevel error -nostdin -y -f lavfi -i '" + std::string(pattern) +
        "=s=1920x1080:r=30:d=" + std::to_string(seconds) +
        "' -c:v libx264 -preset veryfast -g 60 -pix_fmt yuv420p '" + path + "'";
    return std::system(command.c_str()) == 0;
}

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

MediaTime at(double seconds) {
    return MediaTime::fromSeconds(seconds, 600);
}

double millisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

// Frame steps as the trim player takes them from the arrow keys, on one clip: one
// step at a time (each waits for the last to land), a step every 33 ms as key
// auto-repeat sends them, and a burst of 60 requested at once.
bool printFrameSteps(const std::string& clip) {
    TimelinePlayer player;
    player.replaceCurrentItem({{clip, at(0), at(8)}});
    bool landed = false;
    QObject::connect(&player, &TimelinePlayer::seekLanded, [&] { landed = true; });
    auto seekTo = [&](double seconds) {
        bool done = false;
        player.seek(at(seconds), MediaTime::zero(), MediaTime::zero(), [&](bool) { done = true; });
        return runUntil([&] { return done && !player.isSeeking(); }, 10000);
    };
    auto oneAtATime = [&](int direction) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < 60; ++i) {
            landed = false;
            player.stepFrame(direction);
            if (!runUntil([&] { return landed && !player.isSeeking(); }, 20000))
                return -1.0;
        }
        return 60 / (millisecondsSince(start) / 1000.0);
    };
    if (!seekTo(1.01))
        return false;
    const double forwards = oneAtATime(1);
    if (!seekTo(7.01))
        return false;
    const double backwards = oneAtATime(-1);
    std::printf("frame steps one at a time: %.1f a second forwards, %.1f backwards\n", forwards,
                backwards);

    // Auto-repeat: a step every 33 ms whether or not the last one landed.
    auto repeat = [&](int direction) {
        QTimer key;
        key.setTimerType(Qt::PreciseTimer);
        int sent = 0;
        QObject::connect(&key, &QTimer::timeout, [&] {
            player.stepFrame(direction);
            if (++sent == 60)
                key.stop();
        });
        landed = false;
        key.start(33);
        if (!runUntil([&] { return sent == 60; }, 20000))
            return -1.0;
        const auto last = std::chrono::steady_clock::now();
        if (!runUntil([&] { return !player.isSeeking(); }, 20000))
            return -1.0;
        return millisecondsSince(last);
    };
    if (!seekTo(1.01))
        return false;
    const double forwardLag = repeat(1);
    const double forwardEnd = player.currentTime().seconds();
    if (!seekTo(7.01))
        return false;
    const double backwardLag = repeat(-1);
    const double backwardEnd = player.currentTime().seconds();
    std::printf("60 steps at key auto-repeat (30 a second): landed %.0f ms after the last key "
                "forwards (at %.3f s), %.0f ms backwards (at %.3f s)\n",
                forwardLag, forwardEnd, backwardLag, backwardEnd);

    // A burst requested at once lands on its final frame.
    auto burst = [&](int direction) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < 60; ++i)
            player.stepFrame(direction);
        if (!runUntil([&] { return !player.isSeeking(); }, 20000))
            return -1.0;
        return millisecondsSince(start);
    };
    if (!seekTo(1.01))
        return false;
    const double forwardBurst = burst(1);
    const double forwardBurstEnd = player.currentTime().seconds();
    if (!seekTo(7.01))
        return false;
    const double backwardBurst = burst(-1);
    const double backwardBurstEnd = player.currentTime().seconds();
    std::printf("a burst of 60 steps lands in %.0f ms forwards (at %.3f s), %.0f ms backwards "
                "(at %.3f s)\n",
                forwardBurst, forwardBurstEnd, backwardBurst, backwardBurstEnd);
    return true;
}

// The heavy clip

// 10 s of what phones record: 3840 × 2160 at 60 fps in HEVC 10-bit, with sound.
// Encoding it takes minutes here, so it is kept in the build folder between runs.
std::string heavyClip() {
    const std::string path = std::string(KESTRUNE_BENCH_MEDIA) + "/phone-4k60-hevc10.mp4";
    if (std::filesystem::exists(path))
        return path;
    std::printf("making 10 s of 4K60 HEVC 10-bit in %s (once) ...\n", KESTRUNE_BENCH_MEDIA);
    std::fflush(stdout);
    const std::string partial = path + ".partial.mp4";
    const std::string command =
        "ffmpeg -hide_banner -loglevel error -nostdin -y "
        "-f lavfi -i 'testsrc2=s=3840x2160:r=60:d=10' -f lavfi -i 'sine=f=440:r=48000:d=10' "
        "-c:v libx265 -preset ultrafast -x265-params log-level=error -pix_fmt yuv420p10le "
        "-tag:v hvc1 -c:a aac -ac 2 -shortest '" +
        partial + "'";
    if (std::system(command.c_str()) != 0) {
        std::filesystem::remove(partial);
        return {};
    }
    std::filesystem::rename(partial, path);
    return path;
}

// Plays `path` from its start for `seconds` of wall time on the monotonic clock
// and prints how far the playhead got, the frames shown and dropped, and the CPU.
bool playHeavy(const char* label, const std::string& path, double seconds, double frameRate) {
    TimelinePlayer player;
    player.replaceCurrentItem({{path, at(0), at(10)}});
    if (!runUntil([&] { return player.currentFrame().has_value(); }, 20000))
        return false;
    // ---- frames shown and dropped: the player's own counts, from the start of play ----
    const auto shownBefore = player.framesShown();
    const auto droppedBefore = player.framesDropped();
    const double cpuBefore = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    player.play();
    runUntil([&] { return wall.elapsed() >= seconds * 1000; }, int(seconds * 1000) + 5000);
    const double wallSeconds = wall.elapsed() / 1000.0;
    const double moved = player.currentTime().seconds();
    const double cpu = cpuSeconds() - cpuBefore;
    player.pause();
    const auto shown = player.framesShown() - shownBefore;
    const auto dropped = player.framesDropped() - droppedBefore;
    std::printf("%s: playhead moved %.2f s in %.2f s of wall time (%.0f %% of real time)\n", label,
                moved, wallSeconds, 100.0 * moved / wallSeconds);
    std::printf("  frames shown %llu, dropped %llu: %.1f of every %.0f the clip has\n",
                static_cast<unsigned long long>(shown), static_cast<unsigned long long>(dropped),
                moved > 0 ? shown / moved : 0.0, frameRate);
    std::printf("  CPU: %.2f s user+system, %.0f %% of one core\n", cpu, 100.0 * cpu / wallSeconds);
    return true;
}

// The heavy clip tagged as an HLG recording (the same pictures: only the time
// the conversion takes is measured).
std::string heavyHlgClip(const std::string& clip) {
    const std::string path = std::string(KESTRUNE_BENCH_MEDIA) + "/phone-4k60-hlg.mp4";
    const std::string command =
        "ffmpeg -hide_banner -loglevel error -nostdin -y -i '" + clip +
        "' -map 0 -c copy -bsf:v "
        "hevc_metadata=colour_primaries=9:transfer_characteristics=18:matrix_coefficients=9 '" +
        path + "'";
    return std::filesystem::exists(path) || std::system(command.c_str()) == 0 ? path : "";
}

// How long the preview takes to turn the clip's first picture into its frame,
// at the picture's own size and fitted into a 1280 × 720 view.
bool printConversionTimes(const char* label, const std::string& path) {
    TimelinePlayer player;
    player.replaceCurrentItem({{path, at(0), at(1)}});
    if (!runUntil([&] { return player.currentFrame().has_value(); }, 20000))
        return false;
    const AVFrame& picture = *player.currentFrame()->picture;
    VideoFrameConverter converter;
    auto median = [&](QSize view) {
        std::vector<double> ms;
        for (int i = 0; i < 11; ++i) {
            const auto start = std::chrono::steady_clock::now();
            converter.convert(picture, 0, view);
            ms.push_back(millisecondsSince(start));
        }
        std::sort(ms.begin(), ms.end());
        return ms[ms.size() / 2];
    };
    std::printf("%s picture to the preview's frame: %.1f ms at its own size, %.1f ms for a "
                "1280 x 720 view\n",
                label, median({}), median({1280, 720}));
    return true;
}

bool heavyClipBench() {
    const std::string clip = heavyClip();
    if (clip.empty()) {
        std::fprintf(stderr, "ffmpeg could not make the 4K clip\n");
        return false;
    }
    std::printf("\nheavy clip: 10 s of 4K60 HEVC 10-bit with sound\n");
    const std::optional<double> decodeRate = measureDecodeRate(clip);
    std::printf("decoding its first second: %.1f frames a second; needs a proxy: %s\n",
                decodeRate.value_or(0), needsProxy(clip) ? "yes" : "no");
    const std::string hlg = heavyHlgClip(clip);
    if (hlg.empty() || !printConversionTimes("4K SDR", clip) ||
        !printConversionTimes("4K HLG", hlg))
        return false;
    if (!playHeavy("without a proxy", clip, 6, 60))
        return false;

    QTemporaryDir folder;
    const std::string proxy = folder.filePath("proxy.mp4").toStdString();
    const double cpuBefore = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    const ProxyOutcome made = makeProxy(clip, proxy, {});
    const double wallSeconds = wall.elapsed() / 1000.0;
    if (made.status != ProxyOutcome::Status::completed) {
        std::fprintf(stderr, "making the proxy failed: %s\n", made.error.c_str());
        return false;
    }
    std::printf("making the proxy: %.2f s of wall time, %.2f s CPU, %.1f MB\n", wallSeconds,
                cpuSeconds() - cpuBefore, std::filesystem::file_size(proxy) / 1e6);
    if (!playHeavy("with a proxy", proxy, 6, 60))
        return false;
    // Trim mode steps through the proxy when there is one.
    std::printf("frame steps on the clip itself:\n");
    if (!printFrameSteps(clip))
        return false;
    std::printf("frame steps on its proxy:\n");
    return printFrameSteps(proxy);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // `playback_bench steps CLIP` measures the frame steps on a clip of one's own.
    if (argc > 2 && std::string(argv[1]) == "steps")
        return printFrameSteps(argv[2]) ? 0 : 1;
    QTemporaryDir folder;
    if (!folder.isValid())
        return 1;
    const std::string dir = folder.path().toStdString();
    std::printf("making three 1080p30 clips in %s ...\n", dir.c_str());
    const char* patterns[] = {"testsrc2", "smptehdbars", "testsrc"};
    std::vector<std::string> paths;
    for (int i = 0; i < 3; ++i) {
        paths.push_back(dir + "/clip" + std::to_string(i) + ".mp4");
        if (!makeClip(paths.back(), patterns[i], 8)) {
            std::fprintf(stderr, "ffmpeg failed\n");
            return 1;
        }
    }
    // `playback_bench steps` measures the frame steps only.
    if (argc > 1 && std::string(argv[1]) == "steps")
        return printFrameSteps(paths[0]) ? 0 : 1;
    // `playback_bench heavy` measures the 4K clip only.
    if (argc > 1 && std::string(argv[1]) == "heavy")
        return heavyClipBench() ? 0 : 1;
    // Trimmed pieces of 7 + 7 + 6 seconds, two of them starting between key frames.
    TimelinePlayer player;
    player.replaceCurrentItem(
        {{paths[0], at(1), at(8)}, {paths[1], at(0.5), at(7.5)}, {paths[2], at(0), at(6)}});
    if (!runUntil([&] { return player.currentFrame().has_value(); }, 10000))
        return 1;

    bool ended = false;
    QObject::connect(&player, &TimelinePlayer::playedToEnd, [&] { ended = true; });
    // Each picture shown converted as the preview's output converts it.
    VideoFrameConverter converter;
    std::vector<double> convertMs;
    QObject::connect(&player, &TimelinePlayer::frameChanged, [&] {
        if (!player.currentFrame() || !player.currentFrame()->picture)
            return;
        const auto start = std::chrono::steady_clock::now();
        converter.convert(*player.currentFrame()->picture, player.currentFrame()->rotation);
        convertMs.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    });
    const double cpuBefore = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    player.play();
    if (!runUntil([&] { return ended; }, 60000)) {
        std::fprintf(stderr, "playback did not reach the end\n");
        return 1;
    }
    const double wallSeconds = wall.elapsed() / 1000.0;
    const double cpu = cpuSeconds() - cpuBefore;
    std::printf("played %.3f s of timeline in %.3f s of wall time\n", player.duration().seconds(),
                wallSeconds);
    // The first frame went on screen when the item was loaded, before play().
    std::printf("frames shown:   %llu (of %d)\n",
                static_cast<unsigned long long>(player.framesShown()), 20 * 30);
    std::printf("frames dropped: %llu\n", static_cast<unsigned long long>(player.framesDropped()));
    std::printf("decoder underruns (a picture due before it was decoded): %llu\n",
                static_cast<unsigned long long>(player.underruns()));
    std::printf("CPU: %.2f s user+system, %.0f %% of one core\n", cpu, 100.0 * cpu / wallSeconds);
    if (!convertMs.empty()) {
        std::sort(convertMs.begin(), convertMs.end());
        std::printf("picture to the preview's RGB frame: median %.1f ms, worst %.1f ms\n",
                    convertMs[convertMs.size() / 2], convertMs.back());
    }

    std::mt19937 random(20261206);
    std::uniform_real_distribution<double> anywhere(0.0, player.duration().seconds());
    std::vector<double> seekMs;
    for (int i = 0; i < 20; ++i) {
        bool landed = false;
        const auto start = std::chrono::steady_clock::now();
        player.seek(at(anywhere(random)), MediaTime::zero(), MediaTime::zero(),
                    [&](bool finished) { landed = finished; });
        if (!runUntil([&] { return landed; }, 10000))
            return 1;
        seekMs.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    std::sort(seekMs.begin(), seekMs.end());
    std::printf("exact seek to frame on screen (20 random seeks): median %.1f ms, worst %.1f ms\n",
                (seekMs[9] + seekMs[10]) / 2, seekMs.back());
    if (!printFrameSteps(paths[0]))
        return 1;
    return heavyClipBench() ? 0 : 1;
}
