// Reads back what an export wrote, with the real ffprobe and ffmpeg tools.
#pragma once

#include <nlohmann/json.hpp>
#include <vector>

#include <QImage>
#include <QString>
#include <QStringList>

namespace kestrune::testing {

// ffprobe's JSON for the file (streams, format, chapters).
nlohmann::json probe(const QString& path);

// Presentation times (seconds) of every video packet, in presentation order.
std::vector<double> videoFrameTimes(const QString& path);

// The decoded picture shown at `seconds`, as RGB.
QImage frameAt(const QString& path, double seconds);

// Every decoded picture of the file, in order, scaled to width × height RGB.
std::vector<QImage> allFrames(const QString& path, int width, int height);

// The sound track decoded to mono 44.1 kHz float samples.
std::vector<float> monoSamples(const QString& path);

} // namespace kestrune::testing
