// The cost of drawing the sidebar into one 1920 × 1080 frame with 8 chapters,
// while the highlight slides and while it stands still.
#include "sidebar/sidebar_renderer.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

using namespace kestrune;

namespace {

std::vector<Section> eightSections() {
    std::vector<Section> sections;
    for (int i = 0; i < 8; ++i)
        sections.push_back({Uuid::generate(), "Chapter " + std::to_string(i + 1) + ": on the way",
                            i % 2 ? "A subtitle line" : "", i * 10.0});
    return sections;
}

// Frames at 60 per second from `start`; each benchmark gets its own renderer.
void drawFrames(benchmark::State& state, double start, bool restartSlides) {
    QImage frame(1920, 1080, QImage::Format_ARGB32_Premultiplied);
    frame.fill(Qt::gray);
    SidebarRenderer renderer(eightSections(), 1920, 1080, 1920, 422, SidebarTheme::classic());
    QPainter painter(&frame);
    double time = start;
    int frameIndex = 0;
    for (auto _ : state) {
        // Crossing into another chapter every 0.2 s keeps the box always in motion.
        if (restartSlides)
            time = start + (frameIndex % 2 ? 10.0 : 0.0) + frameIndex * 1e-6;
        renderer.draw(painter, time);
        benchmark::DoNotOptimize(frame.constBits());
        ++frameIndex;
        if (!restartSlides)
            time += 1.0 / 60;
    }
}

void BM_SidebarSliding(benchmark::State& state) {
    drawFrames(state, 25.0, true);
}
void BM_SidebarStill(benchmark::State& state) {
    drawFrames(state, 75.0, false);
}

} // namespace

BENCHMARK(BM_SidebarSliding)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SidebarStill)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
