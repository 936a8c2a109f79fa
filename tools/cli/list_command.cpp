#include "commands.h"
#include "model/project_store.h"
#include "ui/time_text.h"

#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>

#include <QDateTime>

namespace kestrune::cli {

namespace {

QString localDate(const Date& date) {
    auto ms = static_cast<qint64>(date.toUnixSeconds() * 1000.0);
    return QDateTime::fromMSecsSinceEpoch(ms).toString("yyyy-MM-dd HH:mm");
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
        std::printf("No projects in %s\n", qPrintable(folder));
        return;
    }
    struct Row {
        QString id, name, clips, length, updated;
    };
    std::vector<Row> rows{{"ID", "NAME", "CLIPS", "LENGTH", "UPDATED"}};
    for (const auto& p : projects)
        rows.push_back({QString::fromStdString(p.id.toString()), QString::fromStdString(p.name),
                        QString::number(p.clipCount), formatTime(p.totalDuration),
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
                         qPrintable(argument), kListHelp);
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
