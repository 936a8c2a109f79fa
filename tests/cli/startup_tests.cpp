// kestrune-cli run outside a desktop session says nothing but its answer.
#include "command_line_test.h"

#include <gtest/gtest.h>

#include <QProcess>

namespace {

class CliStartupTest : public kestrune::testing::CommandLineTest {};

TEST_F(CliStartupTest, NoQtStartupRemarksWithoutARuntimeFolder) {
    for (const QStringList& arguments : {QStringList{"list"}, QStringList{"--help"}}) {
        QProcess process;
        auto environment = this->environment();
        environment.remove("XDG_RUNTIME_DIR");
        environment.remove("WAYLAND_DISPLAY");
        process.setProcessEnvironment(environment);
        process.start(KESTRUNE_CLI, arguments);
        ASSERT_TRUE(process.waitForFinished(60000));
        EXPECT_EQ(process.exitCode(), 0);
        EXPECT_EQ(QString::fromUtf8(process.readAllStandardError()), "")
            << arguments.join(' ').toStdString();
        EXPECT_FALSE(process.readAllStandardOutput().isEmpty());
    }
    // The program's own errors still reach standard error.
    const auto unknown = run({"nosuchcommand"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_TRUE(unknown.err.contains("unknown command 'nosuchcommand'"));
}

} // namespace
