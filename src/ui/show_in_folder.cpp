#include "show_in_folder.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QFileInfo>
#include <QStringList>

namespace kestrune {

void showInFolder(const QUrl& file, const QDBusConnection& bus) {
    if (!file.isLocalFile())
        return;
    const QUrl folder = QUrl::fromLocalFile(QFileInfo(file.toLocalFile()).absolutePath());
    if (!bus.isConnected()) {
        QDesktopServices::openUrl(folder);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    // The items as URIs, and no start-up notification id.
    call << QStringList{file.toString(QUrl::FullyEncoded)} << QString();
    // A file manager that has to be started first may take seconds to answer;
    // the window must not freeze meanwhile.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [folder](QDBusPendingCallWatcher* answered) {
                         if (answered->isError())
                             QDesktopServices::openUrl(folder);
                         answered->deleteLater();
                     });
}

} // namespace kestrune
