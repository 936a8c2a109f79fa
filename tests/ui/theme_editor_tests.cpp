#include "editing/project_view_model.h"
#include "ui/theme_editor_model.h"
#include "view_test_support.h"

#include <QSignalSpy>
#include <QTemporaryDir>

namespace kestrune::test {
namespace {

class ThemeEditorTest : public ::testing::Test {
protected:
    QTemporaryDir dataDir;
    ProjectStore store{dataDir.path()};
    ProjectViewModel model{store};
    ThemeEditorModel editor;

    void SetUp() override { editor.setProjectVM(&model); }

    const SidebarTheme& theme() const { return model.project().sidebarTheme; }
    QString hex(const char* field) const { return editor.hexTexts().value(field).toString(); }
};

TEST_F(ThemeEditorTest, TheMatchingPresetIsSelectedByItsColoursAlone) {
    EXPECT_EQ(editor.selectedPresetIndex(), 0); // a new project is Classic
    ASSERT_TRUE(editor.setColorHex("videoAreaBackground", "#010203"));
    EXPECT_EQ(editor.selectedPresetIndex(), -1);
    EXPECT_EQ(theme().name, "Classic");
    editor.resetToClassic();
    EXPECT_EQ(editor.selectedPresetIndex(), 0);
    EXPECT_EQ(theme(), SidebarTheme::classic());

    SidebarTheme renamedWarm = SidebarTheme::presets().at(3);
    renamedWarm.name = "Mine";
    model.setTheme(renamedWarm);
    EXPECT_EQ(editor.selectedPresetIndex(), 3);

    // One component a hair off is another theme.
    renamedWarm.separatorColor.alpha += 1e-9;
    model.setTheme(renamedWarm);
    EXPECT_EQ(editor.selectedPresetIndex(), -1);
}

TEST_F(ThemeEditorTest, ApplyingAPresetTakesItWholeNameIncluded) {
    QSignalSpy changed(&editor, &ThemeEditorModel::themeChanged);
    editor.applyPreset(2);
    EXPECT_EQ(theme(), SidebarTheme::presets().at(2));
    EXPECT_EQ(editor.selectedPresetIndex(), 2);
    EXPECT_EQ(changed.count(), 1);
    editor.applyPreset(4);
    editor.applyPreset(-1);
    EXPECT_EQ(theme(), SidebarTheme::presets().at(2));
}

TEST_F(ThemeEditorTest, HexTextsAreSevenCharactersOpaqueAndNineTranslucent) {
    EXPECT_EQ(hex("sidebarBackground"), "#323232");
    // 0.45 × 255 = 114.75, which rounds to 0x73.
    EXPECT_EQ(hex("inactiveTitleColor"), "#FFFFFF73");
    EXPECT_EQ(editor.hexTexts().size(), 10);
}

TEST_F(ThemeEditorTest, TypedTextIsAppliedAsSoonAsItIsAColour) {
    const auto& field = [this] { return theme().activeTitleColor; };
    EXPECT_FALSE(editor.setColorHex("activeTitleColor", "#12"));
    EXPECT_FALSE(editor.setColorHex("activeTitleColor", "#12345"));
    EXPECT_EQ(field(), SidebarTheme::classic().activeTitleColor);

    EXPECT_TRUE(editor.setColorHex("activeTitleColor", "#123"));
    EXPECT_EQ(field(), (CodableColor{1 / 15.0, 2 / 15.0, 3 / 15.0, 1}));
    EXPECT_EQ(hex("activeTitleColor"), "#112233");
    EXPECT_TRUE(editor.setColorHex("activeTitleColor", "#11223380"));
    EXPECT_EQ(field().alpha, 0x80 / 255.0);
    EXPECT_EQ(hex("activeTitleColor"), "#11223380");

    EXPECT_FALSE(editor.setColorHex("noSuchField", "#123"));
    EXPECT_EQ(theme().name, "Classic");
}

TEST_F(ThemeEditorTest, PickedColoursAreTakenAsTheirComponents) {
    EXPECT_TRUE(editor.setColor("highlightBackground", QColor(64, 128, 191, 128)));
    // A QColor keeps 16 bits a channel.
    const CodableColor picked = theme().highlightBackground;
    EXPECT_NEAR(picked.red, 64 / 255.0, 1e-6);
    EXPECT_NEAR(picked.green, 128 / 255.0, 1e-6);
    EXPECT_NEAR(picked.blue, 191 / 255.0, 1e-6);
    EXPECT_NEAR(picked.alpha, 128 / 255.0, 1e-6);
    EXPECT_EQ(hex("highlightBackground"), "#4080BF80");
    const SidebarTheme before = theme();
    EXPECT_FALSE(editor.setColor("highlightBackground", QColor()));
    EXPECT_FALSE(editor.setColor("nothing", QColor("red")));
    EXPECT_EQ(theme(), before);
}

TEST_F(ThemeEditorTest, TheSameColourAgainIsNoEdit) {
    const auto updatedAt = model.project().updatedAt;
    QSignalSpy changed(&model, &ProjectViewModel::projectChanged);
    EXPECT_TRUE(editor.setColorHex("sidebarBackground", "#323232"));
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(model.project().updatedAt, updatedAt);
}

TEST_F(ThemeEditorTest, AColourTypedOrPickedIsOneUndoStepAndAPresetAnother) {
    editor.applyPreset(1);
    for (const char* text : {"#1", "#12", "#123", "#1234", "#123456"})
        editor.setColorHex("sidebarBackground", text);
    editor.finishColorEdit(); // the field lost the keyboard
    editor.setColorHex("sidebarBackground", "#654321");
    editor.setColor("sidebarBackground", QColor("red"));
    editor.setColor("sidebarBackground", QColor("blue"));
    EXPECT_EQ(model.history().undoCount(), 5u);
    EXPECT_EQ(model.undoText(), "Undo Change Theme");

    model.undo();
    EXPECT_EQ(hex("sidebarBackground"), "#FF0000");
    model.undo();
    EXPECT_EQ(hex("sidebarBackground"), "#654321");
    model.undo();
    EXPECT_EQ(hex("sidebarBackground"), "#123456");
    model.undo();
    EXPECT_EQ(editor.selectedPresetIndex(), 1);
    EXPECT_EQ(theme(), SidebarTheme::presets().at(1));
    model.undo();
    EXPECT_EQ(theme(), SidebarTheme::classic());
}

TEST_F(ThemeEditorTest, RowsAndPresetsInDisplayOrder) {
    QStringList headings;
    QStringList fields;
    for (const QVariant& group : ThemeEditorModel::colorGroups()) {
        headings << group.toMap().value("heading").toString();
        for (const QVariant& row : group.toMap().value("rows").toList())
            fields << row.toMap().value("field").toString();
    }
    EXPECT_EQ(headings, (QStringList{"Backgrounds", "Text — Active Chapter",
                                     "Text — Other Chapters", "Details"}));
    EXPECT_EQ(fields.size(), 10);
    EXPECT_EQ(fields.first(), "videoAreaBackground");
    EXPECT_EQ(fields.last(), "videoBorderColor");
    QStringList names;
    for (const QVariant& preset : ThemeEditorModel::presets())
        names << preset.toMap().value("name").toString();
    EXPECT_EQ(names, (QStringList{"Classic", "Light", "Midnight", "Warm"}));
}

} // namespace
} // namespace kestrune::test
