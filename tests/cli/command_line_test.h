// Runs kestrune-cli as a user would: a real process with a data folder and a
// working folder of its own, no display, and the user's fonts still visible.
#pragma once

#include "model/project_store.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace kestrune::testing {

struct CliRun {
    int exitCode = -1;
    QString out;
    QString err;
};

class CommandLineTest : public ::testing::Test {
protected:
    QTemporaryDir dataHome;
    QTemporaryDir work;
    ProjectStore store{dataHome.path() + "/Kestrune"};

    // `command` goes before the arguments ("export", "chapters", …; empty for none).
    explicit CommandLineTest(QString command = {})
        : command_(std::move(command)) {
        // Fonts installed for the user (Lexend) are found through the data home.
        QFile::link(qEnvironmentVariable("XDG_DATA_HOME") + "/fonts", dataHome.filePath("fonts"));
    }

    QProcessEnvironment environment() const {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_DATA_HOME", dataHome.path());
        environment.remove("QT_QPA_PLATFORM"); // the command must choose offscreen itself
        environment.remove("DISPLAY");
        return environment;
    }

    QStringList withCommand(const QStringList& arguments) const {
        return command_.isEmpty() ? arguments : QStringList{command_} + arguments;
    }

    // `input` is the command's standard input, closed after it.
    CliRun run(const QStringList& arguments, const QByteArray& input = {}) {
        QProcess process;
        process.setProcessEnvironment(environment());
        process.setWorkingDirectory(work.path());
        process.start(KESTRUNE_CLI, withCommand(arguments));
        process.write(input);
        process.closeWriteChannel();
        EXPECT_TRUE(process.waitForFinished(120000));
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    static QString idOf(const Project& project) {
        return QString::fromStdString(project.id.toString());
    }

    // The stored project file's bytes, to tell that a refused command left it alone.
    QByteArray fileOf(const Project& project) const {
        QFile file(store.projectFilePath(project.id));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.readAll();
    }

private:
    QString command_;
};

} // namespace kestrune::testing
