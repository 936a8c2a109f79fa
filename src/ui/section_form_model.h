// What the section form holds while it is open: the typed title, subtitle and
// start time, the feedback under the time, whether saving is allowed, and the
// add or update it makes on the editing model.
#pragma once

#include <optional>

#include <QObject>
#include <QPointer>
#include <QString>
#include <QtQml/qqmlregistration.h>

namespace kestrune {

class ProjectViewModel;

class SectionFormModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    // The ProjectViewModel that receives the add or update.
    Q_PROPERTY(QObject* projectVM READ projectVM WRITE setProjectVM NOTIFY projectVMChanged)
    // Empty in add mode; the id of the section being edited otherwise.
    Q_PROPERTY(QString sectionId READ sectionId NOTIFY modeChanged)
    Q_PROPERTY(bool isEditing READ isEditing NOTIFY modeChanged)
    Q_PROPERTY(QString heading READ heading NOTIFY modeChanged)
    Q_PROPERTY(QString saveButtonText READ saveButtonText NOTIFY modeChanged)
    Q_PROPERTY(QString title READ title WRITE setTitle NOTIFY titleChanged)
    Q_PROPERTY(QString subtitle READ subtitle WRITE setSubtitle NOTIFY subtitleChanged)
    Q_PROPERTY(QString timeInput READ timeInput WRITE setTimeInput NOTIFY timeInputChanged)
    // "Parsed: mm:ss", the invalid-time message, the warning that the time is
    // after the end of the video, or empty for an empty field.
    Q_PROPERTY(QString feedbackText READ feedbackText NOTIFY timeInputChanged)
    Q_PROPERTY(bool feedbackIsError READ feedbackIsError NOTIFY timeInputChanged)
    // The time is after the end of the video: it can still be saved.
    Q_PROPERTY(bool feedbackIsWarning READ feedbackIsWarning NOTIFY timeInputChanged)
    Q_PROPERTY(bool canSave READ canSave NOTIFY canSaveChanged)

public:
    using QObject::QObject;

    QObject* projectVM() const;
    void setProjectVM(QObject* projectVM);
    QString sectionId() const { return sectionId_; }
    bool isEditing() const { return !sectionId_.isEmpty(); }
    QString heading() const;
    QString saveButtonText() const;
    QString title() const { return title_; }
    void setTitle(const QString& title);
    QString subtitle() const { return subtitle_; }
    void setSubtitle(const QString& subtitle);
    QString timeInput() const { return timeInput_; }
    void setTimeInput(const QString& text);
    QString feedbackText() const;
    bool feedbackIsError() const;
    bool feedbackIsWarning() const;
    // A title of spaces counts as a title; only an empty one does not.
    bool canSave() const;

    // Add mode with every field empty.
    Q_INVOKABLE void beginAdd();
    // Edit mode for the section `id`, its title, subtitle and start time as
    // stored; a time left as shown is saved exactly as stored. False, and no
    // change, when the project has no such section.
    Q_INVOKABLE bool beginEdit(const QString& id);
    // "Use Current": the time field takes the playhead's exact time.
    Q_INVOKABLE void useTime(double seconds);
    // Adds or updates the section as typed; false, with nothing sent to the
    // editing model, while the form cannot be saved.
    Q_INVOKABLE bool save();

signals:
    void projectVMChanged();
    void modeChanged();
    void titleChanged();
    void subtitleChanged();
    void timeInputChanged();
    void canSaveChanged();

private:
    std::optional<double> parsedTime() const;
    // The time field shows `seconds`, which it keeps while the text stays.
    void showTime(std::optional<double> seconds);
    void setSectionId(const QString& id);
    void setFields(const QString& title, const QString& subtitle, std::optional<double> time);
    // Runs `change` and tells the views when the save rule flips.
    template <typename Change>
    void updatingCanSave(Change&& change);

    QPointer<ProjectViewModel> projectVM_;
    QString sectionId_;
    QString title_;
    QString subtitle_;
    QString timeInput_;
    // The exact time behind the field's text while the text is the one shown for
    // it, so that a fraction beyond hundredths is not lost.
    std::optional<double> shownTime_;
    QString shownTimeText_;
};

} // namespace kestrune
