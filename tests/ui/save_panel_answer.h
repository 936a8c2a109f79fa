// Answers the export's save panel (a SavePanel, Qt's file dialog behind it) as a
// user does, for the tests that drive a view up to it.
#pragma once

#include "ui/save_panel.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QTest>
#include <QUrl>

namespace kestrune::test {

// The panel's dialog while it is shown, or null.
inline QFileDialog* savePanelDialog(QObject* panel) {
    auto* savePanel = qobject_cast<SavePanel*>(panel);
    return savePanel ? savePanel->dialog() : nullptr;
}

// Goes to the folder of `file`, types its name in place of the proposed one and
// presses Return.
inline bool answerSavePanel(QObject* panel, const QUrl& file) {
    QFileDialog* dialog = savePanelDialog(panel);
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
inline bool cancelSavePanel(QObject* panel) {
    QFileDialog* dialog = savePanelDialog(panel);
    if (!dialog)
        return false;
    QTest::keyClick(dialog, Qt::Key_Escape);
    return true;
}

} // namespace kestrune::test
