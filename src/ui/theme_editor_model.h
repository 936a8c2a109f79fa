// The theme editor's side of the project theme: the presets and which of them
// the theme matches, the colour rows with their hexadecimal texts, and every
// change (preset, reset, typed text, picked colour) written whole through the
// editing model, the texts typed into one colour's field as one undo step. It
// keeps no theme of its own.
#pragma once

#include "model/sidebar_theme.h"

#include <optional>
#include <string_view>

#include <QColor>
#include <QObject>
#include <QPointer>
#include <QVariantList>
#include <QVariantMap>
#include <QtQml/qqmlregistration.h>

namespace kestrune {

class ProjectViewModel;

// The first preset whose ten colours all equal the theme's (the name is not
// compared); none when the theme matches no preset.
std::optional<int> matchingPresetIndex(const SidebarTheme& theme);

// The colour of `theme` under its field name ("sidebarBackground"); null for
// a name that is no theme colour.
CodableColor* themeColorField(SidebarTheme& theme, std::string_view field);

class ThemeEditorModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    // The ProjectViewModel whose theme is edited.
    Q_PROPERTY(QObject* projectVM READ projectVM WRITE setProjectVM NOTIFY projectVMChanged)
    // Each preset as {name, colors: field name → colour}, in display order.
    Q_PROPERTY(QVariantList presets READ presets CONSTANT)
    // The colour rows in display order: {heading, rows: [{label, field}]} per group.
    Q_PROPERTY(QVariantList colorGroups READ colorGroups CONSTANT)
    // The index of the matching preset, −1 when none matches.
    Q_PROPERTY(int selectedPresetIndex READ selectedPresetIndex NOTIFY themeChanged)
    // Field name → the colour's hexadecimal text: seven characters when opaque,
    // nine when translucent.
    Q_PROPERTY(QVariantMap hexTexts READ hexTexts NOTIFY themeChanged)
    // Field name → the colour, for the swatches.
    Q_PROPERTY(QVariantMap colors READ colors NOTIFY themeChanged)

public:
    using QObject::QObject;

    QObject* projectVM() const;
    void setProjectVM(QObject* projectVM);
    static QVariantList presets();
    static QVariantList colorGroups();
    int selectedPresetIndex() const;
    QVariantMap hexTexts() const;
    QVariantMap colors() const;

    // The project's theme becomes the preset in full, name included.
    Q_INVOKABLE void applyPreset(int index);
    Q_INVOKABLE void resetToClassic();
    // Applies the colour `text` stands for to `field`; false, and no change,
    // while the text is no colour (or the field is unknown).
    Q_INVOKABLE bool setColorHex(const QString& field, const QString& text);
    // Applies a colour handed back by a colour picker; false, and no change,
    // for an invalid colour or an unknown field.
    Q_INVOKABLE bool setColor(const QString& field, const QColor& color);
    // A colour's text field lost the keyboard: what was typed into it since it
    // got the keyboard is one undo step, the next change another.
    Q_INVOKABLE void finishColorEdit();

signals:
    void projectVMChanged();
    void themeChanged();

private:
    bool applyColor(const QString& field, const CodableColor& color);

    QPointer<ProjectViewModel> projectVM_;
    QMetaObject::Connection themeConnection_;
};

} // namespace kestrune
