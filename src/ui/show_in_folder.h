// Shows a written file in the desktop's file manager with the file selected, or
// opens its folder where no file manager takes the request.
#pragma once

#include <QDBusConnection>
#include <QUrl>

namespace kestrune {

// Asks the file manager over D-Bus (org.freedesktop.FileManager1.ShowItems) without
// waiting for the answer; when the call fails, or there is no session bus, the
// folder is opened with the desktop's handler for folders instead.
void showInFolder(const QUrl& file, const QDBusConnection& bus = QDBusConnection::sessionBus());

} // namespace kestrune
