#include "commands.h"
#include "model/project_store.h"
#include "project_loading.h"
#include "ui/time_text.h"

#include <cmath>
#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>

#include <QDateTime>

namespace kestrune::cli {

namespace {

// The widest the name column gets; longer names are cut, so one long name cannot
// stretch every row of the table.
constexpr qsizetype kMaxNameWidth = 40;

QString localDate(const Date& date) {
    const double ms = date.toUnixSeconds() * 1000.0;
    // A hand-made file may hold a date far outside any calendar (and outside what
    // an integer holds).
    if (!std::isfinite(ms) || std::abs(ms) > 1e15)
        return "unknown";
    return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(ms)).toString("yyyy-MM-dd HH:mm");
}

QString cutToWidth(const QString& text, qsizetype width) {
    if (text.size() <= width)
        return text;
    qsizetype keep = width - 1;
    // Never split a character written as two UTF-16 units.
    if (keep > 0 && text[keep - 1].isHighSurrogate())
        --keep;
    return text.left(keep) + QChar(0x2026);
}

void printJson(const std::vector<ProjectSummary>& projects) {
    auto list = nlohmann::ordered_json::array();
    for (const auto& p : projects)
        list.push_back({{"id", p.id.toString()},
                        {"name", p.name},
                        {"clipCount", p.clipCount},
                        {"totalDuration", p.totalDuration},
                        {"createdAt", p.createdAt.secondsSinceReference},
                        {"updatedAt", p.updatedAt.secondsSinceReference}});
    // Names are the user's text; replace rather than fail on bytes that are not UTF-8.
    std::cout << list.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
}

void printTable(const std::vector<ProjectSummary>& projects, const QString& folder) {
    if (projects.empty()) {
        std::printf("No projects in %s\n", qPrintable(printable(folder)));
        return;
    }
    struct Row {
        QString id, name, clips, length, updated;
    };
    std::vector<Row> rows{{"ID", "NAME", "CLIPS", "LENGTH", "UPDATED"}};
    for (const auto& p : projects)
        rows.push_back({QString::fromStdString(p.id.toString()),
                        cutToWidth(printable(QString::fromStdString(p.name)), kMaxNameWidth),
                        QString::number(p.clipCount), formatLength(p.totalDuration),
                        localDate(p.updatedAt)});
    qsizetype nameWidth = 0;
    for (const auto& row : rows)
        nameWidth = std::max(nameWidth, row.name.size());
    for (const auto& row : rows) {
        QString line = row.id.leftJustified(38) + row.name.leftJustified(nameWidth + 2) +
                       row.clips.rightJustified(5) + "  " + row.length.rightJustified(7) + "  " +
                       row.updated;
        std::printf("%s\n", qPrintable(line.trimmed()));
    }
}

} // namespace

int runList(const QStringList& arguments) {
    bool json = false;
    for (const auto& argument : arguments) {
        if (argument == "--json") {
            json = true;
        } else {
            std::fprintf(stderr, "kestrune-cli list: unknown option '%s'\n\n%s",
                         qPrintable(printable(argument)), kListHelp);
            return 2;
        }
    }
    const ProjectStore& store = ProjectStore::standard();
    const auto projects = store.listProjects();
    if (json)
        printJson(projects);
    else
        printTable(projects, store.projectsDirectory());
    return 0;
}

} // namespace kestrune::cli
