#include "commands.h"
#include "export/chapter_list.h"
#include "project_loading.h"

#include <cstdio>
#include <optional>
#include <string>

namespace kestrune::cli {

namespace {

constexpr int kUsageError = 2;
constexpr int kFailure = 1;

enum class Format { youtube, ffmetadata, webvtt };

std::optional<Format> formatNamed(const QString& name) {
    if (name == "youtube")
        return Format::youtube;
    if (name == "ffmetadata")
        return Format::ffmetadata;
    if (name == "webvtt")
        return Format::webvtt;
    return std::nullopt;
}

int usageError(const QString& message) {
    std::fprintf(stderr, "kestrune-cli chapters: %s\n\n%s", qPrintable(message), kChaptersHelp);
    return kUsageError;
}

} // namespace

int runChapters(const QStringList& arguments) {
    QString projectArgument;
    Format format = Format::youtube;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == "--format" || argument.startsWith("--format=")) {
            std::optional<QString> name;
            if (argument.contains('='))
                name = argument.section('=', 1);
            else if (i + 1 < arguments.size())
                name = arguments[++i];
            auto chosen = name ? formatNamed(*name) : std::nullopt;
            if (!chosen)
                return usageError(
                    QString("unknown format '%1' (choose youtube, ffmetadata or webvtt)")
                        .arg(printable(name.value_or(""))));
            format = *chosen;
        } else if (argument.startsWith('-') && argument != "-") {
            return usageError(QString("unknown option '%1'").arg(printable(argument)));
        } else if (!projectArgument.isEmpty()) {
            return usageError(QString("unexpected argument '%1'").arg(printable(argument)));
        } else {
            projectArgument = argument;
        }
    }
    if (projectArgument.isEmpty())
        return usageError("name the project, by its id or its file");

    const std::optional<Project> project = loadProject(projectArgument, "chapters");
    if (!project)
        return kFailure;
    const std::vector<Chapter> chapters = chapterList(project->sections, project->totalDuration());

    std::string text;
    switch (format) {
    case Format::youtube:
        text = youTubeChapters(chapters);
        // The list is still printed: the user may fix it by hand, or want it anyway.
        for (const auto& broken : youTubeRuleBreaks(chapters))
            std::fprintf(stderr, "kestrune-cli chapters: %s\n", broken.message.c_str());
        break;
    case Format::ffmetadata:
        text = ffmetadataChapters(chapters);
        break;
    case Format::webvtt:
        text = webVttChapters(chapters);
        break;
    }
    std::fwrite(text.data(), 1, text.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : kFailure;
}

} // namespace kestrune::cli
