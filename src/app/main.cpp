// Kestrune: joins recorded clips into one chaptered video.
#include "kestrune_app.h"
#include "playback/playback_clock_factory.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include <QApplication>
#include <QQmlApplicationEngine>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(Kestrune_ViewsPlugin)

namespace {

// Qt would otherwise abort with a terse platform-plugin message.
bool hasDisplay() {
    auto set = [](const char* name) {
        const char* value = std::getenv(name);
        return value && *value;
    };
    return set("QT_QPA_PLATFORM") || set("DISPLAY") || set("WAYLAND_DISPLAY");
}

// With KESTRUNE_REPORT_STARTUP set, the moment of the window's first frame goes
// to standard error on the monotonic clock ("first-frame-monotonic-ms 81234567"),
// for bench/startup_time, which knows when it started the process.
void reportFirstFrame(QQuickWindow& window) {
    if (qEnvironmentVariableIsEmpty("KESTRUNE_REPORT_STARTUP"))
        return;
    QObject::connect(
        &window, &QQuickWindow::frameSwapped, &window,
        [] {
            const auto now = std::chrono::steady_clock::now().time_since_epoch();
            std::fprintf(stderr, "first-frame-monotonic-ms %lld\n",
                         static_cast<long long>(
                             std::chrono::duration_cast<std::chrono::milliseconds>(now).count()));
        },
        Qt::SingleShotConnection);
}

} // namespace

int main(int argc, char** argv) {
    if (!hasDisplay()) {
        std::fputs("kestrune: no display found (neither DISPLAY nor WAYLAND_DISPLAY is set).\n"
                   "Start Kestrune from a desktop session, or under xvfb-run.\n",
                   stderr);
        return 1;
    }
    // A widgets application: the save panel is Qt's file dialog where the desktop has none.
    QApplication app(argc, argv);
    QApplication::setApplicationName("Kestrune");
    QApplication::setOrganizationName("Kestrune");
    QApplication::setStyle("Fusion");
    QQuickStyle::setStyle("Fusion");

    // Made before the engine and destroyed after it: the views refer to it to the end.
    // The preview runs on the sound device's clock when there is one.
    kestrune::KestruneApp shell(kestrune::ProjectStore::standard(), &kestrune::makePlaybackClock);

    QQmlApplicationEngine engine;
    QObject::connect(
        &engine, &QQmlApplicationEngine::objectCreationFailed, &app,
        [] { QCoreApplication::exit(1); }, Qt::QueuedConnection);
    engine.setInitialProperties({{"app", QVariant::fromValue(&shell)}});
    engine.load(QUrl(QStringLiteral("qrc:/Kestrune/Views/Main.qml")));
    if (engine.rootObjects().isEmpty())
        return 1;
    // The first frame on screen counts as the window being shown.
    if (auto* window = qobject_cast<QQuickWindow*>(engine.rootObjects().constFirst())) {
        QObject::connect(
            window, &QQuickWindow::frameSwapped, &shell, &kestrune::KestruneApp::windowFirstShown,
            static_cast<Qt::ConnectionType>(Qt::QueuedConnection | Qt::SingleShotConnection));
        reportFirstFrame(*window);
    }
    return app.exec();
}
