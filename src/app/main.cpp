// Kestrune: joins recorded clips into one chaptered video.
#include "command_line.h"
#include "kestrune_app.h"
#include "playback/playback_clock_factory.h"
#include "sidebar/bundled_fonts.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include <QApplication>
#include <QDir>
#include <QIcon>
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

// Prints the text asked for and gives the exit status, or none to start the window.
std::optional<int> answerWithoutWindow(const kestrune::StartOptions& options) {
    using Action = kestrune::StartOptions::Action;
    switch (options.action) {
    case Action::PrintVersion:
        std::fputs(qPrintable(kestrune::versionText()), stdout);
        return 0;
    case Action::PrintHelp:
        std::fputs(qPrintable(kestrune::helpText()), stdout);
        return 0;
    case Action::Fail:
        std::fprintf(stderr, "kestrune: %s\nTry 'kestrune --help'.\n", qPrintable(options.error));
        return 2;
    case Action::Run:
        break;
    }
    return std::nullopt;
}

QIcon applicationIcon() {
    QIcon icon;
    for (const char* size : {"48x48", "128x128", "256x256"})
        icon.addFile(QStringLiteral(":/icons/%1/" KESTRUNE_APP_ID ".png").arg(size));
    return QIcon::fromTheme(QStringLiteral(KESTRUNE_APP_ID), icon);
}

} // namespace

int main(int argc, char** argv) {
    // --version and --help answer without a display. Qt's own options (-platform,
    // -style, …) are only known once the application has taken them out, so an
    // unknown option is judged again after that.
    {
        QStringList arguments;
        for (int i = 1; i < argc; ++i)
            arguments.append(QString::fromLocal8Bit(argv[i]));
        const auto early = kestrune::parseStartArguments(arguments, QDir::currentPath());
        if (early.action != kestrune::StartOptions::Action::Fail)
            if (const auto status = answerWithoutWindow(early))
                return *status;
    }
    if (!hasDisplay()) {
        std::fputs("kestrune: no display found (neither DISPLAY nor WAYLAND_DISPLAY is set).\n"
                   "Start Kestrune from a desktop session, or under xvfb-run.\n",
                   stderr);
        return 1;
    }
    // The fonts Kestrune brings along, before Qt first reads fontconfig's list.
    kestrune::addBundledFonts();
    // A widgets application: the save panel is Qt's file dialog where the desktop has none.
    QApplication app(argc, argv);
    QApplication::setApplicationName("Kestrune");
    QApplication::setOrganizationName("Kestrune");
    QApplication::setApplicationVersion(KESTRUNE_VERSION);
    // Docks match the window to the desktop entry, and so to its icon.
    QGuiApplication::setDesktopFileName(KESTRUNE_APP_ID);
    QGuiApplication::setWindowIcon(applicationIcon());
    const auto options =
        kestrune::parseStartArguments(QCoreApplication::arguments().mid(1), QDir::currentPath());
    if (const auto status = answerWithoutWindow(options))
        return *status;
    QApplication::setStyle("Fusion");
    QQuickStyle::setStyle("Fusion");

    // Made before the engine and destroyed after it: the views refer to it to the end.
    // The preview runs on the sound device's clock when there is one.
    kestrune::KestruneApp shell(kestrune::ProjectStore::standard(), &kestrune::makePlaybackClock);
    // `kestrune FILE…` opens the editor on a new project holding those clips.
    shell.startWithClips(options.clips);

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
