#include "chapter_import_model.h"

#include "editing/project_view_model.h"
#include "time_text.h"

#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QVariantMap>

namespace kestrune {

namespace {

QString formatName(ChapterFormat format) {
    switch (format) {
    case ChapterFormat::youTube:
        return ChapterImportModel::tr("a YouTube description");
    case ChapterFormat::ffmetadata:
        return ChapterImportModel::tr("an FFmpeg metadata file");
    case ChapterFormat::webVtt:
        return ChapterImportModel::tr("WebVTT chapters");
    case ChapterFormat::videoFile:
        return ChapterImportModel::tr("the video's chapters");
    case ChapterFormat::none:
        break;
    }
    return {};
}

QVariantMap rowOf(const ImportedChapter& chapter) {
    return {{"time", formatTime(chapter.start)}, {"title", QString::fromStdString(chapter.title)}};
}

} // namespace

QObject* ChapterImportModel::projectVM() const {
    return projectVM_.data();
}

void ChapterImportModel::setProjectVM(QObject* projectVM) {
    auto* model = qobject_cast<ProjectViewModel*>(projectVM);
    if (model == projectVM_)
        return;
    projectVM_ = model;
    emit projectVMChanged();
}

QVariantList ChapterImportModel::chapters() const {
    QVariantList rows;
    for (const auto& chapter : placement_.accepted)
        rows.append(rowOf(chapter));
    return rows;
}

QVariantList ChapterImportModel::rejected() const {
    QVariantList rows;
    for (const auto& left : placement_.rejected) {
        QVariantMap row = rowOf(left.chapter);
        row.insert("reason", QString::fromStdString(left.reason));
        rows.append(row);
    }
    return rows;
}

QStringList ChapterImportModel::notUnderstood() const {
    QStringList lines;
    for (const auto& line : read_.notUnderstood)
        lines.append(QString::fromStdString(line));
    return lines;
}

void ChapterImportModel::readClipboard() {
    readText(QGuiApplication::clipboard()->text(), tr("From the clipboard"));
}

void ChapterImportModel::readFile(const QUrl& file) {
    const QString path = file.toLocalFile();
    show(readChapterFile(path), tr("From %1").arg(QFileInfo(path).fileName()));
}

void ChapterImportModel::readText(const QString& text, const QString& source) {
    show(parseChapterText(text.toStdString()), source);
}

void ChapterImportModel::show(ChapterImport read, const QString& source) {
    read_ = std::move(read);
    // What fits is decided against the timeline as it is when the sheet opens;
    // the sheet is modal, so it cannot change before the import.
    placement_ = placeChapters(read_.chapters, projectVM_ ? projectVM_->totalDuration() : 0);
    const QString format = formatName(read_.format);
    sourceText_ = format.isEmpty() ? source : source + ": " + format;
    emit resultChanged();
}

bool ChapterImportModel::importChapters(bool replace) {
    if (!projectVM_ || placement_.accepted.empty())
        return false;
    // The edit's name, shown as "Undo Import Chapters", is translated by the project.
    projectVM_->putSections(QT_TRANSLATE_NOOP("kestrune::ProjectViewModel", "Import Chapters"),
                            sectionsForChapters(placement_.accepted), replace);
    return true;
}

} // namespace kestrune
