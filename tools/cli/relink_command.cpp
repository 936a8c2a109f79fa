#include "commands.h"
#include "editing/clip_search.h"
#include "project_loading.h"

#include <cstdio>
#include <optional>

#include <QDir>
#include <QFile>
#include <QFileInfo>

extern "C" {
#include <libavutil/log.h>
}

namespace kestrune::cli {

namespace {

constexpr int kUsageError = 2;
constexpr int kFailure = 1;
constexpr const char* kCommand = "relink";

// A folder named on the command line is looked through further than the window's
// own guesses: the user waits for it, and it is where they believe the files are.
constexpr int kSearchDepth = 32;
constexpr SearchLimits kSearchLimits{200'000, std::chrono::seconds(60)};

int usageError(const QString& message) {
    std::fprintf(stderr, "kestrune-cli relink: %s\n\n%s", qPrintable(message), kRelinkHelp);
    return kUsageError;
}

void note(const QString& message) {
    std::fprintf(stderr, "kestrune-cli relink: %s\n", qPrintable(message));
}

QString nameOf(const std::string& fileName) {
    return printable(QString::fromUtf8(fileName.data(), static_cast<qsizetype>(fileName.size())));
}

QString pathOf(const std::string& path) {
    return printable(QFile::decodeName(QByteArray::fromStdString(path)));
}

struct Options {
    QString project;
    QStringList folders;
    bool dryRun = false;
};

std::optional<QString> parse(const QStringList& arguments, Options& options) {
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == "--search" || argument.startsWith("--search=")) {
            QString folder;
            if (argument.contains('='))
                folder = argument.section('=', 1);
            else if (i + 1 < arguments.size())
                folder = arguments[++i];
            if (folder.isEmpty())
                return QString("--search needs the folder to look in");
            options.folders << folder;
        } else if (argument == "--dry-run") {
            options.dryRun = true;
        } else if (argument.startsWith('-') && argument != "-") {
            return QString("unknown option '%1'").arg(printable(argument));
        } else if (!options.project.isEmpty()) {
            return QString("unexpected argument '%1'").arg(printable(argument));
        } else {
            options.project = argument;
        }
    }
    if (options.project.isEmpty())
        return QString("name the project, by its id or its file");
    if (options.folders.isEmpty())
        return QString("name the folder to search with --search");
    return std::nullopt;
}

// Searches `folders` for the missing clips of `before` and relinks those found in
// `after`, saying what became of each. Returns how many are still missing.
std::size_t relinkMissing(const Project& before, Project& after,
                          const std::vector<SearchFolder>& folders) {
    const std::vector<MissingClip> missing = missingClips(before);
    if (missing.empty()) {
        std::printf("%s: no clip is missing; nothing to relink\n", qPrintable(projectName(before)));
        return 0;
    }
    const ClipSearchResult result = searchForClips(missing, folders, kSearchLimits);
    std::size_t stillMissing = 0;
    for (std::size_t i = 0; i < missing.size(); ++i) {
        const QString name = nameOf(missing[i].fileName);
        const auto& file = result.clips[i].file;
        if (!file) {
            std::printf("%s: not found\n", qPrintable(name));
            ++stillMissing;
            continue;
        }
        std::printf("%s: found at %s\n", qPrintable(name),
                    qPrintable(pathOf(file->reference.path)));
        const auto outcome = relinkClip(after, missing[i].id, *file);
        if (outcome && outcome->trimClamped)
            note(QString("%1: the trim went past the end of the file found and was brought "
                         "back within it")
                     .arg(name));
    }
    if (result.end == ClipSearchResult::End::entryLimit)
        note(QString("the search stopped after looking at %1 files and folders; search a "
                     "folder nearer the clips")
                 .arg(result.entriesSeen));
    else if (result.end == ClipSearchResult::End::timeLimit)
        note(QString("the search stopped after %1 seconds; search a folder nearer the clips")
                 .arg(std::chrono::duration_cast<std::chrono::seconds>(kSearchLimits.maxTime)
                          .count()));
    return stillMissing;
}

} // namespace

int runRelink(const QStringList& arguments) {
    Options options;
    if (const auto error = parse(arguments, options))
        return usageError(*error);
    std::vector<SearchFolder> folders;
    for (const QString& folder : options.folders) {
        const QFileInfo info(folder);
        if (!info.isDir()) {
            note(QString("'%1' is not a folder").arg(printable(folder)));
            return kFailure;
        }
        folders.push_back({QFile::encodeName(info.absoluteFilePath()).toStdString(), kSearchDepth});
    }
    const auto location = locateProject(options.project, kCommand);
    if (!location)
        return kFailure;
    // The demuxers' complaints about same-named files that are no videos say
    // nothing the "not found" does not.
    av_log_set_level(AV_LOG_QUIET);

    std::size_t stillMissing = 0;
    int status = 0;
    if (options.dryRun) {
        const auto project = loadProject(*location, kCommand);
        if (!project)
            return kFailure;
        Project relinked = *project;
        stillMissing = relinkMissing(*project, relinked, folders);
    } else {
        status = changeProject(*location, kCommand, [&](const Project& before, Project& after) {
            stillMissing = relinkMissing(before, after, folders);
            return std::optional<int>();
        });
    }
    if (std::fflush(stdout) != 0)
        return kFailure;
    if (status != 0)
        return status;
    return stillMissing > 0 ? kFailure : 0;
}

} // namespace kestrune::cli
