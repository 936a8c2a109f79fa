// What the chapter import sheet shows and does: the chapters read from a file or
// the clipboard, those that do not fit on the joined timeline with the reason,
// the lines that could not be read, and the one step that puts the chapters in
// the project, in place of its sections or added to them.
#pragma once

#include "export/chapter_import.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

namespace kestrune {

class ProjectViewModel;

class ChapterImportModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    // The ProjectViewModel that receives the chapters.
    Q_PROPERTY(QObject* projectVM READ projectVM WRITE setProjectVM NOTIFY projectVMChanged)
    // Where the chapters come from and what they are: "From the clipboard: a
    // YouTube description".
    Q_PROPERTY(QString sourceText READ sourceText NOTIFY resultChanged)
    // {time: "01:02", title} for each chapter that will be imported.
    Q_PROPERTY(QVariantList chapters READ chapters NOTIFY resultChanged)
    // {time, title, reason} for each chapter left out.
    Q_PROPERTY(QVariantList rejected READ rejected NOTIFY resultChanged)
    Q_PROPERTY(QStringList notUnderstood READ notUnderstood NOTIFY resultChanged)
    // Why nothing could be read; empty when something was.
    Q_PROPERTY(QString errorText READ errorText NOTIFY resultChanged)

public:
    using QObject::QObject;

    QObject* projectVM() const;
    void setProjectVM(QObject* projectVM);
    QString sourceText() const { return sourceText_; }
    QVariantList chapters() const;
    QVariantList rejected() const;
    QStringList notUnderstood() const;
    QString errorText() const { return QString::fromStdString(read_.error); }

    Q_INVOKABLE void readClipboard();
    Q_INVOKABLE void readFile(const QUrl& file);
    // `source` names where the text came from, for the sheet's first line.
    void readText(const QString& text, const QString& source);
    // Puts the chapters in the project as one undoable step; false when there is
    // nothing to import.
    Q_INVOKABLE bool importChapters(bool replace);

signals:
    void projectVMChanged();
    void resultChanged();

private:
    void show(ChapterImport read, const QString& source);

    QPointer<ProjectViewModel> projectVM_;
    ChapterImport read_;
    ChapterPlacement placement_;
    QString sourceText_;
};

} // namespace kestrune
