// Kestrune: joins recorded clips into one chaptered video.
#include "kestrune_app.h"

#include <cstdio>
#include <cstdlib>

#include <QGuiApplication>
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

} // namespace

int main(int argc, char** argv) {
    if (!hasDisplay()) {
        std::fputs("kestrune: no display found (neither DISPLAY nor WAYLAND_DISPLAY is set).\n"
                   "Start Kestrune from a desktop session, or under xvfb-run.\n",
                   stderr);
        return 1;
    }
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName("Kestrune");
    QGuiApplication::setOrganizationName("Kestrune");
    QQuickStyle::setStyle("Fusion");

    // Made before the engine and destroyed after it: the views refer to it to the end.
    kestrune::KestruneApp shell(kestrune::ProjectStore::standard());

    QQmlApplicationEngine engine;
    QObject::connect(
        &engine, &QQmlApplicationEngine::objectCreationFailed, &app,
        [] { QCoreApplication::exit(1); }, Qt::QueuedConnection);
    engine.setInitialProperties({{"app", QVariant::fromValue(&shell)}});
    engine.load(QUrl(QStringLiteral("qrc:/Kestrune/Views/Main.qml")));
    if (engine.rootObjects().isEmpty())
        return 1;
    // The first frame on screen counts as the window being shown.
    if (auto* window = qobject_cast<QQuickWindow*>(engine.rootObjects().constFirst()))
        QObject::connect(
            window, &QQuickWindow::frameSwapped, &shell, &kestrune::KestruneApp::windowFirstShown,
            static_cast<Qt::ConnectionType>(Qt::QueuedConnection | Qt::SingleShotConnection));
    return app.exec();
}
