// Answers a file panel (a FilePanel, Qt's file dialog behind it) as a user
// does, for the tests that drive a view up to it.
#pragma once

#include "ui/file_panel.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QTest>
#include <QUrl>

namespace kestrune::test {

// The panel's dialog while it is shown, or null.
inline QFileDialog* panelDialog(QObject* panel) {
    auto* filePanel = qobject_cast<FilePanel*>(panel);
    return filePanel ? filePanel->dialog() : nullptr;
}

// Goes to the folder of `file`, types its name in place of the proposed one and
// presses Return.
inline bool answerFilePanel(QObject* panel, const QUrl& file) {
    QFileDialog* dialog = panelDialog(panel);
    if (!dialog)
        return false;
    const QFileInfo chosen(file.toLocalFile());
    dialog->setDirectory(chosen.absolutePath());
    auto* nameField = dialog->findChild<QLineEdit*>("fileNameEdit");
    if (!nameField)
        return false;
    nameField->selectAll();
    QTest::keyClicks(nameField, chosen.fileName());
    QTest::keyClick(nameField, Qt::Key_Return);
    return true;
}

// Closes the panel with Escape.
inline bool cancelFilePanel(QObject* panel) {
    QFileDialog* dialog = panelDialog(panel);
    if (!dialog)
        return false;
    QTest::keyClick(dialog, Qt::Key_Escape);
    return true;
}

} // namespace kestrune::test
