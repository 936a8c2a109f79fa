// Answers a QtQuick.Dialogs FileDialog in save mode for the tests that drive a
// view up to its save panel.
#pragma once

#include <QFileInfo>
#include <QMetaObject>
#include <QObject>
#include <QUrl>

namespace kestrune::test {

// Chooses `file` in the open save panel `panel` (the FileDialog object) and
// accepts it, the way the panel reports a choice to the view: `selectedFile` set,
// then its `accepted` signal, then the panel closes.
//
// Qt 6.4's own panel, shown where the desktop offers none and on the offscreen
// platform, cannot be answered like a user would answer it: calling its accept()
// from outside reports a rejection, it takes the file from its name field rather
// than from `selectedFile`, and it keeps its button disabled for a typed new name.
inline bool answerSavePanel(QObject* panel, const QUrl& file) {
    const QFileInfo chosen(file.toLocalFile());
    if (!panel->setProperty("currentFolder", QUrl::fromLocalFile(chosen.absolutePath())) ||
        !panel->setProperty("selectedFile", file))
        return false;
    return QMetaObject::invokeMethod(panel, "accepted") &&
           QMetaObject::invokeMethod(panel, "close");
}

} // namespace kestrune::test
