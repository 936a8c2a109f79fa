#include "theme_editor_model.h"

#include "editing/project_view_model.h"

#include <array>

namespace kestrune {

namespace {

bool sameColors(const SidebarTheme& a, const SidebarTheme& b) {
    SidebarTheme unnamed = b;
    unnamed.name = a.name;
    return a == unnamed;
}

QVariantMap colorMap(const SidebarTheme& theme) {
    QVariantMap colors;
    forEachThemeColor(theme, [&colors](const char* field, const CodableColor& color) {
        colors.insert(QString::fromLatin1(field), color.toColor());
    });
    return colors;
}

struct ColorRow {
    const char* group;
    const char* label;
    const char* field;
};

constexpr std::array kColorRows{
    ColorRow{QT_TRANSLATE_NOOP("kestrune::ThemeEditorModel", "Backgrounds"),
             QT_TRANSLATE_NOOP("kestrune::ThemeEditorModel", "Video"), "videoAreaBackground"},
    ColorRow{QT_TRANSLATE_NOOP("kestrune::ThemeEditorModel", "Backgrounds"),
             QT_TRANSLATE_NOOP("kestrune::ThemeEditorModel", "Sidebar"), "sidebarBackground"},
    ColorRow{QT_TRANSLATE_NOOP("kestrune::ThemeEditorModel", "Backgrounds"),
             QT_TRANSLATE_NOOP("kestrune::ThemeEditorModel", "Highlight"), "highlightBackground"},
    ColorRow{QT_TRANSLATE_NOOP("kestrune::ThemeEditorModel", "Text — Active Chapter"),
             QT_TRANSLATE_NOOP("kestrune::ThemeEditorModel", "Title"), "activeTitleColor"},
    ColorRow{QT_TRANSLATE_NOOP("kestrune::ThemeEditorModel", "Text — Active Chapter"),
             QT_TRANSLATE_NOOP("kestrune::ThemeEditorModel", "Subtitle"), "activeSubtitleColor"},
    ColorRow{QT_TRANSLATE_NOOP("kestrune::ThemeEditorModel", "Text — Other Chapters"),
             QT_TRANSLATE_NOOP("kestrune::ThemeEditorModel", "Title"), "inactiveTitleColor"},
    ColorRow{QT_TRANSLATE_NOOP("kestrune::ThemeEditorModel", "Text — Other Chapters"),
             QT_TRANSLATE_NOOP("kestrune::ThemeEditorModel", "Subtitle"), "inactiveSubtitleColor"},
    ColorRow{QT_TRANSLATE_NOOP("kestrune::ThemeEditorModel", "Details"),
             QT_TRANSLATE_NOOP("kestrune::ThemeEditorModel", "Frame Border"), "frameDashColor"},
    ColorRow{QT_TRANSLATE_NOOP("kestrune::ThemeEditorModel", "Details"),
             QT_TRANSLATE_NOOP("kestrune::ThemeEditorModel", "Separators"), "separatorColor"},
    ColorRow{QT_TRANSLATE_NOOP("kestrune::ThemeEditorModel", "Details"),
             QT_TRANSLATE_NOOP("kestrune::ThemeEditorModel", "Video Edge"), "videoBorderColor"},
};

// The presets' names, translated where the editor shows them.
[[maybe_unused]] constexpr std::array kPresetNames{
    QT_TRANSLATE_NOOP("kestrune::ThemeEditorModel", "Classic"),
    QT_TRANSLATE_NOOP("kestrune::ThemeEditorModel", "Light"),
    QT_TRANSLATE_NOOP("kestrune::ThemeEditorModel", "Midnight"),
    QT_TRANSLATE_NOOP("kestrune::ThemeEditorModel", "Warm"),
};

} // namespace

std::optional<int> matchingPresetIndex(const SidebarTheme& theme) {
    const auto& presets = SidebarTheme::presets();
    for (std::size_t i = 0; i < presets.size(); ++i)
        if (sameColors(theme, presets[i]))
            return static_cast<int>(i);
    return std::nullopt;
}

CodableColor* themeColorField(SidebarTheme& theme, std::string_view field) {
    CodableColor* found = nullptr;
    forEachThemeColor(theme, [&](const char* name, CodableColor& color) {
        if (field == name)
            found = &color;
    });
    return found;
}

QObject* ThemeEditorModel::projectVM() const {
    return projectVM_.data();
}

void ThemeEditorModel::setProjectVM(QObject* projectVM) {
    auto* model = qobject_cast<ProjectViewModel*>(projectVM);
    if (model == projectVM_)
        return;
    disconnect(themeConnection_);
    projectVM_ = model;
    if (model)
        themeConnection_ =
            connect(model, &ProjectViewModel::themeChanged, this, &ThemeEditorModel::themeChanged);
    emit projectVMChanged();
    emit themeChanged();
}

QVariantList ThemeEditorModel::presets() {
    QVariantList list;
    for (const auto& preset : SidebarTheme::presets())
        list << QVariantMap{{"name", tr(preset.name.c_str())}, {"colors", colorMap(preset)}};
    return list;
}

QVariantList ThemeEditorModel::colorGroups() {
    QVariantList groups;
    QString heading;
    QVariantList rows;
    const auto closeGroup = [&] {
        if (!rows.isEmpty())
            groups << QVariantMap{{"heading", heading}, {"rows", rows}};
        rows.clear();
    };
    for (const auto& row : kColorRows) {
        if (heading != tr(row.group)) {
            closeGroup();
            heading = tr(row.group);
        }
        rows << QVariantMap{{"label", tr(row.label)}, {"field", QString::fromLatin1(row.field)}};
    }
    closeGroup();
    return groups;
}

int ThemeEditorModel::selectedPresetIndex() const {
    if (!projectVM_)
        return -1;
    return matchingPresetIndex(projectVM_->project().sidebarTheme).value_or(-1);
}

QVariantMap ThemeEditorModel::hexTexts() const {
    QVariantMap texts;
    if (!projectVM_)
        return texts;
    forEachThemeColor(
        projectVM_->project().sidebarTheme, [&texts](const char* field, const CodableColor& color) {
            texts.insert(QString::fromLatin1(field), QString::fromStdString(color.hex()));
        });
    return texts;
}

QVariantMap ThemeEditorModel::colors() const {
    return projectVM_ ? colorMap(projectVM_->project().sidebarTheme) : QVariantMap{};
}

void ThemeEditorModel::applyPreset(int index) {
    const auto& presets = SidebarTheme::presets();
    if (!projectVM_ || index < 0 || index >= static_cast<int>(presets.size()))
        return;
    projectVM_->setTheme(presets[static_cast<std::size_t>(index)]);
}

void ThemeEditorModel::resetToClassic() {
    if (projectVM_)
        projectVM_->setTheme(SidebarTheme::classic());
}

bool ThemeEditorModel::setColorHex(const QString& field, const QString& text) {
    const auto color = CodableColor::fromHex(text.toStdString());
    return color && applyColor(field, *color);
}

bool ThemeEditorModel::setColor(const QString& field, const QColor& color) {
    if (!color.isValid())
        return false;
    // Each colour the picker hands back is a step of its own.
    finishColorEdit();
    const bool applied = applyColor(field, CodableColor::fromColor(color));
    finishColorEdit();
    return applied;
}

void ThemeEditorModel::finishColorEdit() {
    if (projectVM_)
        projectVM_->closeStep();
}

bool ThemeEditorModel::applyColor(const QString& field, const CodableColor& color) {
    if (!projectVM_)
        return false;
    SidebarTheme theme = projectVM_->project().sidebarTheme;
    CodableColor* target = themeColorField(theme, field.toStdString());
    if (!target)
        return false;
    // Typing the colour the field already has is no edit of the project.
    if (*target == color)
        return true;
    *target = color;
    projectVM_->setThemeColor(theme, field.toStdString());
    return true;
}

} // namespace kestrune
