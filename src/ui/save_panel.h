// The save panel: the desktop's own file chooser where it offers one (GTK on
// GNOME-like desktops), Qt's file dialog otherwise, in which a new file name can
// be typed. It is shown window-modal over the window that asks for it and reports
// the file chosen, with overwriting an existing file confirmed first.
#pragma once

#include <QFileDialog>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QWindow>
#include <QtQml/qqmlregistration.h>

namespace kestrune {

class SavePanel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QString title MEMBER title_)
    // The folder shown and the name proposed.
    Q_PROPERTY(QUrl proposedFile MEMBER proposedFile_)
    Q_PROPERTY(QStringList nameFilters MEMBER nameFilters_)
    // Added to a typed name that has no extension.
    Q_PROPERTY(QString defaultSuffix MEMBER defaultSuffix_)
    // The window the panel belongs to.
    Q_PROPERTY(QWindow* parentWindow MEMBER parentWindow_)
    Q_PROPERTY(bool visible READ isVisible NOTIFY visibleChanged)

public:
    using QObject::QObject;
    ~SavePanel() override;

    bool isVisible() const;
    // The panel while it is shown, for tests that answer it as a user would.
    QFileDialog* dialog() const { return dialog_; }

    Q_INVOKABLE void open();
    Q_INVOKABLE void close();

signals:
    void accepted(const QUrl& file);
    void rejected();
    void visibleChanged();

private:
    void finished(const QString& file);

    QString title_;
    QUrl proposedFile_;
    QStringList nameFilters_;
    QString defaultSuffix_;
    QPointer<QWindow> parentWindow_;
    QPointer<QFileDialog> dialog_;
};

} // namespace kestrune
