// The file panels: where to save the export, which clips to add. The desktop's
// own file chooser where Qt has one (GTK on GNOME-like desktops), Qt's file
// dialog otherwise, in which a new file name can be typed (Qt Quick's own panel
// keeps the proposed name unless Return is pressed). Shown window-modal over the
// window that asks for it; overwriting an existing file is confirmed first.
#pragma once

#include <QFileDialog>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QWindow>
#include <QtQml/qqmlregistration.h>

namespace kestrune {

class FilePanel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(Mode mode MEMBER mode_)
    Q_PROPERTY(QString title MEMBER title_)
    // Save: the folder shown and the name proposed. Open: the folder shown.
    Q_PROPERTY(QUrl proposedFile MEMBER proposedFile_)
    Q_PROPERTY(QStringList nameFilters MEMBER nameFilters_)
    // Added to a typed name that has no extension.
    Q_PROPERTY(QString defaultSuffix MEMBER defaultSuffix_)
    // The window the panel belongs to.
    Q_PROPERTY(QWindow* parentWindow MEMBER parentWindow_)
    Q_PROPERTY(bool visible READ isVisible NOTIFY visibleChanged)

public:
    enum Mode { SaveFile, OpenFiles };
    Q_ENUM(Mode)

    using QObject::QObject;
    ~FilePanel() override;

    bool isVisible() const;
    // The panel while it is shown, for tests that answer it as a user would.
    QFileDialog* dialog() const { return dialog_; }

    Q_INVOKABLE void open();
    Q_INVOKABLE void close();

signals:
    // The file to save to, or the files to open, in the order chosen.
    void accepted(const QList<QUrl>& files);
    void rejected();
    void visibleChanged();

private:
    void finished(const QStringList& files);

    Mode mode_ = SaveFile;
    QString title_;
    QUrl proposedFile_;
    QStringList nameFilters_;
    QString defaultSuffix_;
    QPointer<QWindow> parentWindow_;
    QPointer<QFileDialog> dialog_;
};

} // namespace kestrune
