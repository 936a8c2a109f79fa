// Shared entry point of the test programs: no display, no sound device, and a
// private XDG data home so that no test can touch the user's projects.
#include <cstdlib>
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QTemporaryDir dataHome;
    if (!dataHome.isValid())
        return 1;
    // Fonts installed for the user (Lexend) stay visible to fontconfig.
    QString userData = qEnvironmentVariable("XDG_DATA_HOME", QDir::homePath() + "/.local/share");
    QFile::link(userData + "/fonts", dataHome.filePath("fonts"));
    setenv("XDG_DATA_HOME", dataHome.path().toLocal8Bit().constData(), 1);
    // Nor the user's cache (preview proxies).
    QTemporaryDir cacheHome;
    if (!cacheHome.isValid())
        return 1;
    setenv("XDG_CACHE_HOME", cacheHome.path().toLocal8Bit().constData(), 1);
    // No sound server started on demand by a test that merely opens the sound
    // devices; the sound tests start their own.
    QFile clientConfig(dataHome.filePath("pulse-client.conf"));
    if (!clientConfig.open(QIODevice::WriteOnly) || clientConfig.write("autospawn = no\n") < 0)
        return 1;
    clientConfig.close();
    setenv("PULSE_CLIENTCONFIG", clientConfig.fileName().toLocal8Bit().constData(), 0);
    // A widgets application, as Kestrune's own: the save panel is a widget dialog.
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
