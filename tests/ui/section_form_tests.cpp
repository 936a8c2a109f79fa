#include "editing/project_view_model.h"
#include "ui/section_form_model.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include <QTemporaryDir>

namespace kestrune {
namespace {

class SectionFormTest : public ::testing::Test {
protected:
    QTemporaryDir dataDir;
    ProjectStore store{dataDir.path()};
    ProjectViewModel model{store};
    SectionFormModel form;

    void SetUp() override { form.setProjectVM(&model); }

    std::vector<double> startTimes() const {
        std::vector<double> times;
        for (const auto& section : model.project().sections)
            times.push_back(section.startTime);
        return times;
    }
};

TEST_F(SectionFormTest, TimesThatParseShowTheirMinutesAndSeconds) {
    form.setTitle("Intro");
    for (const char* typed : {"1:30", "01:30", " 1:30 ", "90", "1::30", "90.5", "1:30.5"}) {
        form.setTimeInput(typed);
        EXPECT_EQ(form.feedbackText(),
                  QString(typed).contains(".5") ? "Parsed: 01:30.5" : "Parsed: 01:30")
            << typed;
        EXPECT_FALSE(form.feedbackIsError()) << typed;
        EXPECT_TRUE(form.canSave()) << typed;
    }
}

TEST_F(SectionFormTest, TimesThatDoNotParseShowTheRedMessageAndBlockSaving) {
    form.setTitle("Intro");
    for (const char* typed : {"1:60", "-1:30", "1:60.5", "a:b", "1:2:3", ":30", "-5", "inf"}) {
        form.setTimeInput(typed);
        EXPECT_EQ(form.feedbackText(), "Invalid time. Use mm:ss or seconds.") << typed;
        EXPECT_TRUE(form.feedbackIsError()) << typed;
        EXPECT_FALSE(form.canSave()) << typed;
        EXPECT_FALSE(form.save()) << typed;
    }
    form.setTimeInput("");
    EXPECT_EQ(form.feedbackText(), "");
    EXPECT_FALSE(form.feedbackIsError());
    EXPECT_FALSE(form.canSave());
    EXPECT_TRUE(model.project().sections.empty());
}

TEST_F(SectionFormTest, OnlyAnEmptyTitleBlocksSaving) {
    form.setTimeInput("0:10");
    EXPECT_FALSE(form.canSave());
    EXPECT_FALSE(form.save());
    form.setTitle("   ");
    EXPECT_TRUE(form.canSave());
    ASSERT_TRUE(form.save());
    ASSERT_EQ(model.project().sections.size(), 1u);
    EXPECT_EQ(model.project().sections[0].title, "   ");
}

TEST_F(SectionFormTest, CanSaveIsAnnouncedWhenItFlips) {
    int announced = 0;
    QObject::connect(&form, &SectionFormModel::canSaveChanged, [&] { ++announced; });
    form.setTitle("A");
    form.setTimeInput("1");
    EXPECT_EQ(announced, 1);
    form.setTimeInput("12");
    EXPECT_EQ(announced, 1);
    form.setTitle("");
    EXPECT_EQ(announced, 2);
}

TEST_F(SectionFormTest, AddingKeepsSectionsInStartOrderAndPassesTextsAsTyped) {
    for (const auto& [title, time] : std::vector<std::pair<QString, QString>>{
             {"Last", "2:00"}, {"First", "0"}, {"Middle", "45.5"}}) {
        form.beginAdd();
        EXPECT_EQ(form.title(), "");
        EXPECT_EQ(form.timeInput(), "");
        form.setTitle(title);
        form.setSubtitle(" sub ");
        form.setTimeInput(time);
        EXPECT_TRUE(form.save());
    }
    EXPECT_EQ(startTimes(), (std::vector<double>{0, 45.5, 120}));
    EXPECT_EQ(model.project().sections[1].title, "Middle");
    EXPECT_EQ(model.project().sections[1].subtitle, " sub ");
}

TEST_F(SectionFormTest, EditingShowsTheStoredTimeAndAnUntouchedOneIsSavedExactly) {
    model.addSection("Intro", "Hello", 12.7);
    const QString id = QString::fromStdString(model.project().sections[0].id.toString());
    ASSERT_TRUE(form.beginEdit(id));
    EXPECT_TRUE(form.isEditing());
    EXPECT_EQ(form.heading(), "Edit Section");
    EXPECT_EQ(form.saveButtonText(), "Save Changes");
    EXPECT_EQ(form.title(), "Intro");
    EXPECT_EQ(form.subtitle(), "Hello");
    EXPECT_EQ(form.timeInput(), "00:12.7");
    ASSERT_TRUE(form.save());
    ASSERT_EQ(model.project().sections.size(), 1u);
    EXPECT_EQ(model.project().sections[0].startTime, 12.7);
    // Beyond hundredths the field rounds, and the untouched field still saves the
    // stored time; a typed time is taken as typed.
    model.updateSection(model.project().sections[0].id, "Intro", "", 6.534);
    ASSERT_TRUE(form.beginEdit(id));
    EXPECT_EQ(form.timeInput(), "00:06.53");
    form.setSubtitle("Changed");
    ASSERT_TRUE(form.save());
    EXPECT_EQ(model.project().sections[0].startTime, 6.534);
    ASSERT_TRUE(form.beginEdit(id));
    form.setTimeInput("00:06.5");
    ASSERT_TRUE(form.save());
    EXPECT_EQ(model.project().sections[0].startTime, 6.5);
    EXPECT_EQ(model.project().sections[0].title, "Intro");

    // Back to adding, nothing of the edit remains.
    form.beginAdd();
    EXPECT_FALSE(form.isEditing());
    EXPECT_EQ(form.heading(), "Add Section");
    EXPECT_EQ(form.saveButtonText(), "Add Section");
    EXPECT_EQ(form.subtitle(), "");
    EXPECT_FALSE(form.beginEdit("no-such-section"));
    EXPECT_FALSE(form.isEditing());
}

TEST_F(SectionFormTest, UseCurrentTakesThePlayheadsExactTime) {
    form.useTime(75.9);
    EXPECT_EQ(form.timeInput(), "01:15.9");
    EXPECT_EQ(form.feedbackText(), "Parsed: 01:15.9");
    form.setTitle("Now");
    form.useTime(6.5333);
    ASSERT_TRUE(form.save());
    EXPECT_EQ(model.project().sections.back().startTime, 6.5333);
}

TEST_F(SectionFormTest, ATimeAfterTheEndIsWarnedAboutButCanBeSaved) {
    Project project = Project::untitled();
    VideoClip clip;
    clip.id = Uuid::generate();
    clip.duration = 15;
    project.clips = {clip};
    model.setProject(project);
    form.setTitle("Late");
    form.setTimeInput("14.9");
    EXPECT_FALSE(form.feedbackIsWarning());
    form.setTimeInput("99:00");
    EXPECT_EQ(form.feedbackText(), "After the end of the video (00:15)");
    EXPECT_TRUE(form.feedbackIsWarning());
    EXPECT_FALSE(form.feedbackIsError());
    ASSERT_TRUE(form.save());
    EXPECT_EQ(startTimes(), std::vector<double>{5940});
}

TEST_F(SectionFormTest, WithoutAnEditingModelNothingIsSaved) {
    SectionFormModel detached;
    detached.setTitle("A");
    detached.setTimeInput("1");
    EXPECT_FALSE(detached.save());
    EXPECT_FALSE(detached.beginEdit("x"));
}

} // namespace
} // namespace kestrune
