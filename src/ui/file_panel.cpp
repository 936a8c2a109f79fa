#include "file_panel.h"

#include <QColor>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPalette>
#include <QStandardPaths>
#include <QWindow>

namespace kestrune {
namespace {

// The window's dark colours, for a panel drawn by Qt rather than by the desktop.
QPalette darkPalette() {
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(0x26, 0x26, 0x28));
    palette.setColor(QPalette::WindowText, QColor(0xec, 0xec, 0xec));
    palette.setColor(QPalette::Base, QColor(0x14, 0x14, 0x15));
    palette.setColor(QPalette::AlternateBase, QColor(0x26, 0x26, 0x28));
    palette.setColor(QPalette::Text, QColor(0xec, 0xec, 0xec));
    palette.setColor(QPalette::PlaceholderText, QColor(0x8e, 0x8e, 0x93));
    palette.setColor(QPalette::Button, QColor(0x35, 0x35, 0x37));
    palette.setColor(QPalette::ButtonText, QColor(0xec, 0xec, 0xec));
    palette.setColor(QPalette::BrightText, Qt::white);
    palette.setColor(QPalette::Light, QColor(0x4a, 0x4a, 0x4d));
    palette.setColor(QPalette::Midlight, QColor(0x3c, 0x3c, 0x3f));
    palette.setColor(QPalette::Mid, QColor(0x2a, 0x2a, 0x2c));
    palette.setColor(QPalette::Dark, QColor(0x10, 0x10, 0x11));
    palette.setColor(QPalette::Shadow, Qt::black);
    palette.setColor(QPalette::Highlight, QColor(0x0a, 0x84, 0xff));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::ToolTipBase, QColor(0x2c, 0x2c, 0x2e));
    palette.setColor(QPalette::ToolTipText, QColor(0xec, 0xec, 0xec));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, QColor(0x6e, 0x6e, 0x73));
    return palette;
}

// Where clips usually are, when the caller proposes no folder.
QString moviesFolder() {
    const QString movies = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
    return !movies.isEmpty() && QFileInfo(movies).isDir() ? movies : QDir::homePath();
}

} // namespace

FilePanel::~FilePanel() {
    delete dialog_;
}

bool FilePanel::isVisible() const {
    return dialog_ && dialog_->isVisible();
}

void FilePanel::open() {
    if (dialog_)
        return;
    // A top-level dialog of its own: widgets cannot be children of a Qt Quick window.
    auto* dialog = new QFileDialog(nullptr, title_);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    if (mode_ == SaveFile) {
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        dialog->setFileMode(QFileDialog::AnyFile);
    } else {
        dialog->setAcceptMode(QFileDialog::AcceptOpen);
        dialog->setFileMode(QFileDialog::ExistingFiles);
    }
    dialog->setNameFilters(nameFilters_);
    dialog->setDefaultSuffix(defaultSuffix_);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setPalette(darkPalette());
    if (mode_ == SaveFile && !proposedFile_.isEmpty()) {
        const QFileInfo proposed(proposedFile_.toLocalFile());
        dialog->setDirectory(proposed.absolutePath());
        dialog->selectFile(proposed.fileName());
    } else if (mode_ == OpenFiles) {
        dialog->setDirectory(proposedFile_.isEmpty() ? moviesFolder()
                                                     : proposedFile_.toLocalFile());
    }
    dialog->winId(); // makes the native window, so that it can belong to the parent
    if (parentWindow_ && dialog->windowHandle())
        dialog->windowHandle()->setTransientParent(parentWindow_);

    // One answer per showing: the chosen files, or a rejection when it closes without any.
    connect(dialog, &QFileDialog::accepted, this,
            [this, dialog] { finished(dialog->selectedFiles()); });
    connect(dialog, &QFileDialog::rejected, this, [this] { finished({}); });
    connect(dialog, &QObject::destroyed, this, &FilePanel::visibleChanged);
    dialog_ = dialog;
    dialog->open();
    emit visibleChanged();
}

void FilePanel::close() {
    if (dialog_)
        dialog_->reject();
}

void FilePanel::finished(const QStringList& files) {
    if (!dialog_)
        return;
    // The dialog deletes itself once closed; from now on it answers nothing.
    dialog_->disconnect(this);
    dialog_ = nullptr;
    emit visibleChanged();
    if (files.isEmpty()) {
        emit rejected();
        return;
    }
    QList<QUrl> urls;
    for (const QString& file : files)
        urls << QUrl::fromLocalFile(file);
    emit accepted(urls);
}

} // namespace kestrune
