#include "media_probe.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include <QProcess>

namespace kestrune::testing {

namespace {

QByteArray run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(120000) || process.exitCode() != 0)
        throw std::runtime_error(
            (program + " failed: " + process.readAllStandardError()).toStdString());
    return process.readAllStandardOutput();
}

} // namespace

nlohmann::json probe(const QString& path) {
    return nlohmann::json::parse(run("ffprobe", {"-v", "error", "-show_streams", "-show_format",
                                                 "-show_chapters", "-of", "json", path})
                                     .toStdString());
}

std::vector<double> videoFrameTimes(const QString& path) {
    auto packets = nlohmann::json::parse(
        run("ffprobe", {"-v", "error", "-select_streams", "v:0", "-show_entries", "packet=pts_time",
                        "-of", "json", path})
            .toStdString());
    std::vector<double> times;
    for (const auto& packet : packets["packets"])
        times.push_back(std::stod(packet["pts_time"].get<std::string>()));
    std::sort(times.begin(), times.end());
    return times;
}

QImage frameAt(const QString& path, double seconds) {
    // Decoding from the start and selecting by time is exact, unlike a seek; PNG
    // carries the picture's size, which autorotation may have swapped.
    QByteArray png =
        run("ffmpeg", {"-v", "error", "-i", path, "-vf",
                       QString("select='gte(t\\,%1)'").arg(seconds - 0.0005, 0, 'f', 4),
                       "-frames:v", "1", "-f", "image2pipe", "-vcodec", "png", "-"});
    QImage image = QImage::fromData(png, "PNG").convertToFormat(QImage::Format_RGB888);
    if (image.isNull())
        throw std::runtime_error("no frame at that time");
    return image;
}

std::vector<QImage> allFrames(const QString& path, int width, int height) {
    QByteArray bytes = run("ffmpeg", {"-v", "error", "-i", path, "-vsync", "passthrough", "-vf",
                                      QString("scale=%1:%2").arg(width).arg(height), "-f",
                                      "rawvideo", "-pix_fmt", "rgb24", "-"});
    const qsizetype frameSize = qsizetype(width) * height * 3;
    std::vector<QImage> frames;
    for (qsizetype at = 0; at + frameSize <= bytes.size(); at += frameSize)
        frames.push_back(QImage(reinterpret_cast<const uchar*>(bytes.constData() + at), width,
                                height, width * 3, QImage::Format_RGB888)
                             .copy());
    return frames;
}

std::vector<float> monoSamples(const QString& path) {
    QByteArray bytes = run("ffmpeg", {"-v", "error", "-i", path, "-vn", "-ac", "1", "-ar", "44100",
                                      "-f", "f32le", "-"});
    std::vector<float> samples(static_cast<std::size_t>(bytes.size()) / sizeof(float));
    std::memcpy(samples.data(), bytes.constData(), samples.size() * sizeof(float));
    return samples;
}

} // namespace kestrune::testing
