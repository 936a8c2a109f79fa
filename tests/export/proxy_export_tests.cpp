// The export reads the clips themselves even where the preview plays a proxy:
// a stand-in proxy with another picture and length is stored for a clip, the
// preview's timeline takes it, and the exported movie shows the clip's own frames.
#include "export/export_pipeline.h"
#include "media_probe.h"
#include "playback/timeline_probe.h"

#include <cstdlib>
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

using namespace kestrune;
using namespace kestrune::testing;

namespace {

struct Outcome final : ExportObserver {
    std::optional<ExportOutcome> outcome;
    void exportPhase(const std::string&) override {}
    void exportProgress(double, double) override {}
    void exportFinished(const ExportOutcome& ending) override { outcome = ending; }
};

} // namespace

TEST(ProxyAndExport, TheExportNeverReadsTheProxy) {
    QTemporaryDir folder;
    const QString clip = folder.filePath("counter.mp4");
    ASSERT_TRUE(QFile::copy(QStringLiteral(KESTRUNE_TEST_MEDIA) + "/counter.mp4", clip));
    // The default cache, in the test program's own cache home.
    const ProxyCache cache;
    const QString proxy = cache.proxyPath(clip);
    ASSERT_FALSE(proxy.isEmpty());
    const QString temporary = cache.temporaryPath(proxy);
    const std::string command = "ffmpeg -hide_banner -loglevel error -nostdin -y -f lavfi -i "
                                "color=c=red:s=640x360:r=30:d=1 -c:v libx264 -f mp4 '" +
                                temporary.toStdString() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    ASSERT_TRUE(cache.publish(temporary, proxy));

    // The preview plays the proxy for as long as the clip itself lasts.
    const ProbedTimeline preview = probeTimeline({{"counter.mp4", clip.toStdString(), 0, 2.0}});
    ASSERT_EQ(preview.segments.size(), 1u);
    EXPECT_EQ(preview.segments[0].path, proxy.toStdString());
    const ProbedTimeline whole = probeTimeline({{"counter.mp4", clip.toStdString(), 0, {}}});
    EXPECT_NEAR(whole.boundaries.last(), 4.0, 0.05);

    ExportConfig config;
    config.clips.push_back({clip.toStdString(), 4.0, 640, 360, 0, 2.0});
    config.outputWidth = config.videoAreaWidth = 640;
    config.outputHeight = 360;
    config.sidebarWidth = 140; // over the right of the picture
    config.codec = ExportCodec::h264;
    config.quality = ExportQuality::standard;
    Outcome observer;
    CancellationToken cancellation;
    const QString output = folder.filePath("export.mp4");
    exportMovie(config, output.toStdString(), observer, cancellation);
    ASSERT_TRUE(observer.outcome);
    ASSERT_EQ(observer.outcome->end, ExportOutcome::End::completed) << observer.outcome->error;

    // The counter's bars, not the proxy's red (frame 30 leaves the first bar
    // black), and the clip's length.
    const QImage frame = frameAt(output, 1.0);
    EXPECT_LT(qRed(frame.pixel(32, 90)), 100);
    EXPECT_NEAR(videoFrameTimes(output).size(), 60u, 1);
}
