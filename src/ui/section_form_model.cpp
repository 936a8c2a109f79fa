#include "section_form_model.h"

#include "editing/project_view_model.h"
#include "time_text.h"

#include <algorithm>

namespace kestrune {

QObject* SectionFormModel::projectVM() const {
    return projectVM_.data();
}

void SectionFormModel::setProjectVM(QObject* projectVM) {
    auto* model = qobject_cast<ProjectViewModel*>(projectVM);
    if (model == projectVM_)
        return;
    projectVM_ = model;
    emit projectVMChanged();
}

QString SectionFormModel::heading() const {
    return isEditing() ? tr("Edit Section") : tr("Add Section");
}

QString SectionFormModel::saveButtonText() const {
    return isEditing() ? tr("Save Changes") : tr("Add Section");
}

template <typename Change>
void SectionFormModel::updatingCanSave(Change&& change) {
    const bool before = canSave();
    change();
    if (canSave() != before)
        emit canSaveChanged();
}

void SectionFormModel::setTitle(const QString& title) {
    if (title == title_)
        return;
    updatingCanSave([&] { title_ = title; });
    emit titleChanged();
}

void SectionFormModel::setSubtitle(const QString& subtitle) {
    if (subtitle == subtitle_)
        return;
    subtitle_ = subtitle;
    emit subtitleChanged();
}

void SectionFormModel::setTimeInput(const QString& text) {
    if (text == timeInput_)
        return;
    updatingCanSave([&] { timeInput_ = text; });
    emit timeInputChanged();
}

std::optional<double> SectionFormModel::parsedTime() const {
    if (shownTime_ && timeInput_ == shownTimeText_)
        return shownTime_;
    return parseTime(timeInput_);
}

void SectionFormModel::showTime(std::optional<double> seconds) {
    shownTime_ = seconds;
    shownTimeText_ = seconds ? formatEditableTime(*seconds) : QString();
    setTimeInput(shownTimeText_);
}

bool SectionFormModel::feedbackIsWarning() const {
    const auto seconds = parsedTime();
    return seconds && projectVM_ && projectVM_->clipCount() > 0 &&
           *seconds >= projectVM_->totalDuration();
}

QString SectionFormModel::feedbackText() const {
    if (feedbackIsWarning())
        return tr("After the end of the video (%1)").arg(formatTime(projectVM_->totalDuration()));
    if (const auto seconds = parsedTime())
        return tr("Parsed: %1").arg(formatEditableTime(*seconds));
    if (!timeInput_.isEmpty())
        return tr("Invalid time. Use mm:ss or seconds.");
    return {};
}

bool SectionFormModel::feedbackIsError() const {
    return !timeInput_.isEmpty() && !parsedTime();
}

bool SectionFormModel::canSave() const {
    return !title_.isEmpty() && parsedTime().has_value();
}

void SectionFormModel::setSectionId(const QString& id) {
    if (id == sectionId_)
        return;
    sectionId_ = id;
    emit modeChanged();
}

void SectionFormModel::setFields(const QString& title, const QString& subtitle,
                                 std::optional<double> time) {
    setTitle(title);
    setSubtitle(subtitle);
    showTime(time);
}

void SectionFormModel::beginAdd() {
    setSectionId({});
    setFields({}, {}, std::nullopt);
}

bool SectionFormModel::beginEdit(const QString& id) {
    if (!projectVM_)
        return false;
    const auto& sections = projectVM_->project().sections;
    const auto section = std::find_if(sections.begin(), sections.end(), [&](const Section& s) {
        return QString::fromStdString(s.id.toString()) == id;
    });
    if (section == sections.end())
        return false;
    setSectionId(id);
    setFields(QString::fromStdString(section->title), QString::fromStdString(section->subtitle),
              section->startTime);
    return true;
}

void SectionFormModel::useTime(double seconds) {
    showTime(std::max(0.0, seconds));
}

bool SectionFormModel::save() {
    const auto startTime = parsedTime();
    if (!projectVM_ || title_.isEmpty() || !startTime)
        return false;
    if (isEditing())
        projectVM_->updateSection(sectionId_, title_, subtitle_, *startTime);
    else
        projectVM_->addSection(title_, subtitle_, *startTime);
    return true;
}

} // namespace kestrune
