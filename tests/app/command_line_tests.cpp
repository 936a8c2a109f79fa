// How `kestrune` reads its command line, and what both programs print for --version.
#include "app/command_line.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace kestrune {
namespace {

using Action = StartOptions::Action;

TEST(StartArguments, FilesBecomeAbsoluteUrlsInTheOrderGiven) {
    const auto options = parseStartArguments(
        {"b.mp4", "../clips/a b.mov", "/abs/c.m4v", "file:///abs/d%20e.mp4", "--", "-dash.mp4"},
        "/home/me/work");
    EXPECT_EQ(options.action, Action::Run);
    const QList<QUrl> expected{
        QUrl::fromLocalFile("/home/me/work/b.mp4"), QUrl::fromLocalFile("/home/me/clips/a b.mov"),
        QUrl::fromLocalFile("/abs/c.m4v"), QUrl::fromLocalFile("/abs/d e.mp4"),
        QUrl::fromLocalFile("/home/me/work/-dash.mp4")};
    EXPECT_EQ(options.clips, expected);
    EXPECT_TRUE(parseStartArguments({}, "/tmp").clips.isEmpty());
}

TEST(StartArguments, VersionHelpAndUnknownOptions) {
    EXPECT_EQ(parseStartArguments({"--version"}, "/").action, Action::PrintVersion);
    EXPECT_EQ(parseStartArguments({"a.mp4", "-v"}, "/").action, Action::PrintVersion);
    EXPECT_EQ(parseStartArguments({"-h"}, "/").action, Action::PrintHelp);
    // The first request wins; an option after "--" is a file name.
    EXPECT_EQ(parseStartArguments({"--help", "--version"}, "/").action, Action::PrintHelp);
    EXPECT_EQ(parseStartArguments({"--", "--version"}, "/").action, Action::Run);

    const auto unknown = parseStartArguments({"a.mp4", "--frobnicate"}, "/");
    EXPECT_EQ(unknown.action, Action::Fail);
    EXPECT_TRUE(unknown.error.contains("--frobnicate"));
    // A URL that names no file.
    EXPECT_EQ(parseStartArguments({"file:"}, "/").action, Action::Fail);
}

struct Printed {
    int status = -1;
    QString out;
    QString err;
};

Printed runProgram(const QString& program, const QStringList& arguments, bool withDisplay) {
    QProcess process;
    auto environment = QProcessEnvironment::systemEnvironment();
    if (!withDisplay)
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(name);
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    EXPECT_TRUE(process.waitForFinished(60000)) << program.toStdString();
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

TEST(ProgramVersion, BothProgramsPrintTheProjectVersionWithoutADisplay) {
    const auto app = runProgram(KESTRUNE_APP, {"--version"}, false);
    EXPECT_EQ(app.status, 0);
    EXPECT_EQ(app.out, "kestrune " KESTRUNE_VERSION "\n");
    EXPECT_EQ(app.err, "");
    const auto cli = runProgram(KESTRUNE_CLI, {"--version"}, false);
    EXPECT_EQ(cli.status, 0);
    EXPECT_EQ(cli.out, "kestrune-cli " KESTRUNE_VERSION "\n");
    EXPECT_EQ(cli.err, "");
    EXPECT_TRUE(QString(KESTRUNE_VERSION).contains(QRegularExpression(R"(^\d+\.\d+\.\d+$)")));
}

TEST(ProgramVersion, TheWindowAnswersHelpWithoutADisplayAndRefusesUnknownOptions) {
    const auto help = runProgram(KESTRUNE_APP, {"--help"}, false);
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.startsWith("Usage: kestrune "));
    // An unknown option may be one of Qt's own, which only the application
    // knows, so it is refused once the application has started.
    const auto unknown = runProgram(KESTRUNE_APP, {"--frobnicate"}, true);
    EXPECT_EQ(unknown.status, 2);
    EXPECT_TRUE(unknown.err.contains("unknown option '--frobnicate'")) << unknown.err.toStdString();
    EXPECT_EQ(unknown.out, "");
}

} // namespace
} // namespace kestrune
