#include "commands.h"
#include "export/chapter_import.h"
#include "export/chapter_list.h"
#include "model/section_anchoring.h"
#include "project_loading.h"
#include "ui/time_text.h"

#include <cmath>
#include <cstdio>
#include <optional>

#include <QFile>

namespace kestrune::cli {

namespace {

constexpr int kUsageError = 2;
constexpr int kFailure = 1;
constexpr const char* kCommand = "sections";
// As much as a chapter file may hold; a pasted list is far shorter.
constexpr qint64 kLargestChapterText = 1024 * 1024;

int usageError(const QString& message) {
    std::fprintf(stderr, "kestrune-cli sections: %s\n\n%s", qPrintable(message), kSectionsHelp);
    return kUsageError;
}

int refuse(const QString& message) {
    std::fprintf(stderr, "kestrune-cli sections: %s\n", qPrintable(message));
    return kFailure;
}

QString fromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString timeText(double seconds) {
    return QString::fromStdString(chapterTime(seconds));
}

// "TIME<tab>TITLE", and "<tab>SUBTITLE" when there is one. plainTitle turns tabs
// and line breaks into spaces, so every section stays one line of fixed columns.
void printSections(const std::vector<Section>& sections) {
    for (const auto& section : sections) {
        QString line = timeText(section.startTime) + '\t' + fromUtf8(plainTitle(section.title));
        if (!section.subtitle.empty())
            line += '\t' + fromUtf8(plainTitle(section.subtitle));
        std::printf("%s\n", qPrintable(line));
    }
}

struct Options {
    QString subcommand;
    QStringList operands;
    std::optional<QString> title;
    std::optional<QString> subtitle;
    std::optional<QString> at;
    bool replace = false;
    bool add = false;
    // The options given, as typed, for subcommands that take none of them.
    QStringList given;
};

// Reads the arguments after the project. Returns an error message on failure.
std::optional<QString> parseOptions(const QStringList& arguments, Options& options) {
    bool onlyOperands = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (onlyOperands || !argument.startsWith("--")) {
            if (!onlyOperands && argument.startsWith('-') && argument != "-")
                return QString("unknown option '%1'").arg(printable(argument));
            if (options.subcommand.isEmpty())
                options.subcommand = argument;
            else
                options.operands << argument;
            continue;
        }
        if (argument == "--") {
            onlyOperands = true;
            continue;
        }
        const QString name = argument.section('=', 0, 0);
        std::optional<QString>* valued = name == "--title"      ? &options.title
                                         : name == "--subtitle" ? &options.subtitle
                                         : name == "--at"       ? &options.at
                                                                : nullptr;
        if (valued) {
            if (argument.contains('='))
                *valued = argument.section('=', 1);
            else if (i + 1 < arguments.size())
                *valued = arguments[++i];
            else
                return QString("%1 needs a value").arg(name);
        } else if (argument == "--replace") {
            options.replace = true;
        } else if (argument == "--add") {
            options.add = true;
        } else {
            return QString("unknown option '%1'").arg(printable(argument));
        }
        options.given << name;
    }
    return std::nullopt;
}

int changeProject(const ProjectLocation& location, const ProjectChange& change) {
    return cli::changeProject(location, kCommand, change);
}

// Import and from-clips replace or add to sections already there only when told
// which; the window asks the same question.
std::optional<QString> choiceMissing(const Project& project, const Options& options) {
    if (project.sections.empty() || options.replace || options.add)
        return std::nullopt;
    return QString("%1 already has %2 section%3; give --replace to replace them or --add "
                   "to keep them and add the new ones")
        .arg(projectName(project))
        .arg(project.sections.size())
        .arg(project.sections.size() == 1 ? "" : "s");
}

void putNewSections(Project& project, std::vector<Section> sections, const Options& options) {
    if (options.replace)
        project.sections.clear();
    project.sections.insert(project.sections.end(), sections.begin(), sections.end());
}

int runAdd(const ProjectLocation& location, const Options& options) {
    if (!options.title)
        return usageError("add needs --title");
    if (options.title->isEmpty())
        return usageError("the title is empty");
    if (!options.at)
        return usageError("add needs --at TIME");
    const std::optional<double> at = parseTime(*options.at);
    if (!at)
        return usageError(QString("'%1' is not a time: give minutes and seconds (1:30) or "
                                  "seconds (90)")
                              .arg(printable(*options.at)));
    Section added{Uuid::generate(), options.title->toStdString(),
                  options.subtitle.value_or(QString()).toStdString(), *at};
    const int status = changeProject(location, [&](const Project& before, Project& after) {
        const double end = before.totalDuration();
        if (*at >= end) {
            if (before.clips.empty())
                return std::optional(refuse("the project has no clips to put a section on"));
            return std::optional(refuse(QString("%1 is at or past the end of the video (%2)")
                                            .arg(printable(options.at->trimmed()), timeText(end))));
        }
        after.sections.push_back(added);
        return std::optional<int>();
    });
    if (status == 0)
        printSections({added});
    return status;
}

// The chapter list in FILE, or on standard input for "-".
ChapterImport readChapters(const QString& source) {
    if (source != "-")
        return readChapterFile(source);
    QFile input;
    ChapterImport failed;
    if (!input.open(stdin, QIODevice::ReadOnly)) {
        failed.error = "Cannot read standard input: " + input.errorString().toStdString() + ".";
        return failed;
    }
    // A pipe hands its text over in pieces; read until it ends or is too long.
    QByteArray text;
    while (text.size() <= kLargestChapterText) {
        const QByteArray piece = input.read(kLargestChapterText + 1 - text.size());
        if (piece.isEmpty())
            break;
        text += piece;
    }
    if (input.error() != QFileDevice::NoError) {
        failed.error = "Cannot read standard input: " + input.errorString().toStdString() + ".";
        return failed;
    }
    if (text.size() > kLargestChapterText) {
        failed.error = "Standard input holds more than 1 MB; no chapter list is that long.";
        return failed;
    }
    return parseChapterText(std::string_view(text.constData(), static_cast<size_t>(text.size())));
}

int runImport(const ProjectLocation& location, const Options& options) {
    if (options.operands.size() != 1)
        return usageError("import needs one chapter file, or - for standard input");
    // Asked before the list is read, so nobody pastes a list only to be refused.
    const auto current = loadProject(location, kCommand);
    if (!current)
        return kFailure;
    if (const auto missing = choiceMissing(*current, options))
        return usageError(*missing);

    const ChapterImport read = readChapters(options.operands.first());
    for (const auto& line : read.notUnderstood)
        std::fprintf(stderr, "kestrune-cli sections: not understood: %s\n",
                     qPrintable(printable(fromUtf8(line))));
    if (read.chapters.empty())
        return refuse(printable(fromUtf8(read.error.empty() ? "No chapters found." : read.error)));

    std::vector<Section> imported;
    const int status = changeProject(location, [&](const Project& before, Project& after) {
        if (const auto missing = choiceMissing(before, options))
            return std::optional(usageError(*missing));
        const ChapterPlacement placement = placeChapters(read.chapters, before.totalDuration());
        for (const auto& rejected : placement.rejected)
            std::fprintf(stderr, "kestrune-cli sections: not imported: %s %s: %s\n",
                         qPrintable(timeText(rejected.chapter.start)),
                         qPrintable(fromUtf8(plainTitle(rejected.chapter.title))),
                         qPrintable(fromUtf8(plainTitle(rejected.reason))));
        if (placement.accepted.empty())
            return std::optional(refuse("none of the chapters lies within the video"));
        imported = sectionsForChapters(placement.accepted);
        putNewSections(after, imported, options);
        return std::optional<int>();
    });
    if (status == 0)
        printSections(imported);
    return status;
}

int runFromClips(const ProjectLocation& location, const Options& options) {
    std::vector<Section> made;
    const int status = changeProject(location, [&](const Project& before, Project& after) {
        if (const auto missing = choiceMissing(before, options))
            return std::optional(usageError(*missing));
        made = sectionsFromClips(before);
        if (made.empty())
            return std::optional(refuse("the project has no clips that play"));
        putNewSections(after, made, options);
        return std::optional<int>();
    });
    if (status == 0)
        printSections(made);
    return status;
}

int runClear(const ProjectLocation& location) {
    return changeProject(location, [](const Project&, Project& after) {
        after.sections.clear();
        return std::optional<int>();
    });
}

} // namespace

int runSections(const QStringList& arguments) {
    if (arguments.isEmpty())
        return usageError("name the project, by its id or its file");
    const QString& projectArgument = arguments.first();
    if (projectArgument.startsWith('-'))
        return usageError(QString("name the project before '%1'").arg(printable(projectArgument)));
    Options options;
    if (const auto error = parseOptions(arguments.mid(1), options))
        return usageError(*error);

    // What each subcommand takes; anything more is a mistake worth pointing out.
    const QString subcommand = options.subcommand.isEmpty() ? "list" : options.subcommand;
    QStringList accepted;
    qsizetype operands = 0;
    if (subcommand == "add") {
        accepted = {"--title", "--subtitle", "--at"};
    } else if (subcommand == "import") {
        accepted = {"--replace", "--add"};
        operands = 1;
    } else if (subcommand == "from-clips") {
        accepted = {"--replace", "--add"};
    } else if (subcommand != "list" && subcommand != "clear") {
        return usageError(QString("unknown subcommand '%1'").arg(printable(subcommand)));
    }
    for (const auto& given : options.given)
        if (!accepted.contains(given))
            return usageError(QString("%1 does not take %2").arg(subcommand, given));
    if (options.operands.size() > operands)
        return usageError(
            QString("unexpected argument '%1'").arg(printable(options.operands.value(operands))));
    if (options.replace && options.add)
        return usageError("give --replace or --add, not both");

    const auto location = locateProject(projectArgument, kCommand);
    if (!location)
        return kFailure;
    int status = 0;
    if (subcommand == "list") {
        const auto project = loadProject(*location, kCommand);
        if (!project)
            return kFailure;
        printSections(project->sections);
    } else if (subcommand == "add") {
        status = runAdd(*location, options);
    } else if (subcommand == "import") {
        status = runImport(*location, options);
    } else if (subcommand == "from-clips") {
        status = runFromClips(*location, options);
    } else {
        status = runClear(*location);
    }
    return std::fflush(stdout) == 0 ? status : kFailure;
}

} // namespace kestrune::cli
