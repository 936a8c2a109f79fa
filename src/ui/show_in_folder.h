// Shows a written file in the desktop's file manager with the file selected, or
// opens its folder where no file manager takes the request.
#pragma once

#include <functional>

#include <QDBusConnection>
#include <QString>
#include <QUrl>

namespace kestrune {

// Asks the file manager over D-Bus (org.freedesktop.FileManager1.ShowItems) without
// waiting for the answer; when the call fails, or there is no session bus, the
// folder is opened with the desktop's handler for folders instead. When that
// fails too, `failed` is called with the folder's path, on the calling thread.
void showInFolder(const QUrl& file, const QDBusConnection& bus = QDBusConnection::sessionBus(),
                  std::function<void(const QString& folder)> failed = {});

} // namespace kestrune
