#include "show_in_folder.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QFileInfo>
#include <QStringList>

namespace kestrune {

namespace {

void openFolder(const QUrl& folder, const std::function<void(const QString&)>& failed) {
    if (!QDesktopServices::openUrl(folder) && failed)
        failed(folder.toLocalFile());
}

} // namespace

void showInFolder(const QUrl& file, const QDBusConnection& bus,
                  std::function<void(const QString& folder)> failed) {
    if (!file.isLocalFile())
        return;
    const QUrl folder = QUrl::fromLocalFile(QFileInfo(file.toLocalFile()).absolutePath());
    if (!bus.isConnected()) {
        openFolder(folder, failed);
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
                     [folder, failed = std::move(failed)](QDBusPendingCallWatcher* answered) {
                         if (answered->isError())
                             openFolder(folder, failed);
                         answered->deleteLater();
                     });
}

} // namespace kestrune
