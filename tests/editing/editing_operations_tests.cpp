// The editing operations: what each does to the project, what it leaves alone,
// and how the list views hear about it.
#include "editing_test_support.h"

#include <QSignalSpy>

using namespace kestrune;
using namespace kestrune::test;

namespace {

using EditingOperationsTest = EditingTest;

std::vector<std::string> namesOf(const Project& project) {
    std::vector<std::string> names;
    for (const auto& clip : project.clips)
        names.push_back(clip.fileName);
    return names;
}

std::vector<int> ordersOf(const Project& project) {
    std::vector<int> orders;
    for (const auto& clip : project.clips)
        orders.push_back(clip.order);
    return orders;
}

TEST_F(EditingOperationsTest, MovesTakeTheClipOutThenInsertIt) {
    const Project abc = projectOf({clipOf("A", 1), clipOf("B", 1), clipOf("C", 1)});
    model->setProject(abc);
    QSignalSpy moved(model->clips(), &QAbstractItemModel::rowsMoved);
    QSignalSpy reset(model->clips(), &QAbstractItemModel::modelReset);
    model->moveClip(0, 2);
    EXPECT_EQ(namesOf(model->project()), (std::vector<std::string>{"B", "C", "A"}));
    EXPECT_EQ(ordersOf(model->project()), (std::vector<int>{0, 1, 2}));
    EXPECT_GT(model->project().updatedAt, abc.updatedAt);
    EXPECT_TRUE(model->autosavePending());
    EXPECT_GE(moved.count(), 1);
    EXPECT_EQ(reset.count(), 0);
    EXPECT_EQ(model->clips()->data(model->clips()->index(2), ClipListModel::FileNameRole), "A");
    EXPECT_EQ(model->clips()->data(model->clips()->index(2), ClipListModel::OrderRole), 2);

    model->setProject(abc);
    model->moveClip(2, 0);
    EXPECT_EQ(namesOf(model->project()), (std::vector<std::string>{"C", "A", "B"}));

    // Out of range or onto itself: nothing at all.
    auto other = makeModel();
    other->setProject(abc);
    for (auto [from, to] : {std::pair{1, 3}, {-1, 0}, {1, 1}, {3, 0}})
        other->moveClip(from, to);
    EXPECT_EQ(other->project(), abc);
    EXPECT_FALSE(other->autosavePending());
}

TEST_F(EditingOperationsTest, RemovingAClipRenumbersAndDropsSectionsPastTheNewEnd) {
    Project project =
        projectOf({clipOf("ten", 10, copyOf("silent.mp4", "ten.mp4")),
                   clipOf("five", 5, copyOf("silent.mp4", "five.mp4")), clipOf("other ten", 10)});
    // Sections at fixed times on the joined timeline.
    project.keepSectionsWithClips = false;
    project.sections = {{Uuid::generate(), "Early", "", 19.9}, {Uuid::generate(), "End", "", 20}};
    const Uuid removed = project.clips[1].id;
    const Uuid kept = project.clips[0].id;
    model->setProject(project);
    model->restoreFileAccess();
    ASSERT_TRUE(QTest::qWaitFor([&] { return model->thumbnails().size() == 2; }, 5000));
    model->setTrimmingClipId(removed);
    QSignalSpy rows(model->clips(), &QAbstractItemModel::rowsRemoved);

    model->removeClip(removed);
    EXPECT_EQ(namesOf(model->project()), (std::vector<std::string>{"ten", "other ten"}));
    EXPECT_EQ(ordersOf(model->project()), (std::vector<int>{0, 1}));
    ASSERT_EQ(model->project().sections.size(), 1u);
    EXPECT_EQ(model->project().sections[0].title, "Early");
    EXPECT_EQ(model->clipPaths().count(removed), 0u);
    EXPECT_EQ(model->thumbnails().count(removed), 0u);
    EXPECT_EQ(model->clipPaths().count(kept), 1u);
    EXPECT_EQ(model->trimmingClipId(), removed);
    EXPECT_GT(model->project().updatedAt, project.updatedAt);
    EXPECT_EQ(rows.count(), 1);

    // The last clip takes every section with it.
    auto other = makeModel();
    Project single = projectOf({clipOf("only", 10)});
    single.sections = {{Uuid::generate(), "Intro", "", 0}};
    other->setProject(single);
    other->removeClip(single.clips[0].id);
    EXPECT_TRUE(other->project().clips.empty());
    EXPECT_TRUE(other->project().sections.empty());
}

TEST_F(EditingOperationsTest, TrimPointsAreTakenAsGiven) {
    const Project project = projectOf({clipOf("A", 10), clipOf("B", 10)});
    model->setProject(project);
    QSignalSpy changed(model->clips(), &QAbstractItemModel::dataChanged);
    QSignalSpy total(model.get(), &ProjectViewModel::totalDurationChanged);
    model->updateTrim(project.clips[1].id, 2.5, 7.0);
    EXPECT_EQ(model->project().clips[1].trimIn, 2.5);
    EXPECT_EQ(model->project().clips[1].trimOut, 7.0);
    EXPECT_EQ(model->totalDuration(), 14.5);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(total.count(), 1);
    model->updateTrim(project.clips[1].id, 8, 3); // inverted: the caller's to prevent
    EXPECT_EQ(model->project().clips[1].trimOut, 3.0);
    model->updateTrim(project.clips[1].id, 1, std::nullopt);
    EXPECT_FALSE(model->project().clips[1].trimOut);
    EXPECT_TRUE(model->autosavePending());

    auto other = makeModel();
    other->setProject(project);
    other->updateTrim(Uuid::generate(), 1, 2);
    EXPECT_EQ(other->project(), project);
    EXPECT_FALSE(other->autosavePending());
}

TEST_F(EditingOperationsTest, SectionsStayInStartOrderAndUnknownIdsBehaveAsDocumented) {
    const Project project = projectOf({clipOf("A", 60)});
    model->setProject(project);
    model->addSection("Thirty", "", 30);
    model->addSection("First ten", "sub", 10);
    model->addSection("Second ten", "", 10);
    auto titles = [&] {
        std::vector<std::string> out;
        for (const auto& s : model->project().sections)
            out.push_back(s.title);
        return out;
    };
    EXPECT_EQ(titles(), (std::vector<std::string>{"First ten", "Second ten", "Thirty"}));
    EXPECT_EQ(model->project().sections[0].subtitle, "sub");
    EXPECT_EQ(model->sections()->data(model->sections()->index(2), SectionListModel::TitleRole),
              "Thirty");

    // Moving the first one past the others re-sorts it.
    const Uuid first = model->project().sections[0].id;
    model->updateSection(first, "Forty", "", 40);
    EXPECT_EQ(titles(), (std::vector<std::string>{"Second ten", "Thirty", "Forty"}));

    const Project before = model->project();
    model->saveNow();
    model->updateSection(Uuid::generate(), "Ghost", "", 1);
    EXPECT_EQ(model->project(), before);
    EXPECT_FALSE(model->autosavePending());

    model->deleteSection(Uuid::generate());
    EXPECT_EQ(model->project().sections, before.sections);
    EXPECT_GT(model->project().updatedAt, before.updatedAt);
    EXPECT_TRUE(model->autosavePending());

    model->deleteSection(first);
    EXPECT_EQ(titles(), (std::vector<std::string>{"Second ten", "Thirty"}));
    EXPECT_EQ(model->sections()->rowCount(), 2);
}

TEST_F(EditingOperationsTest, LayoutAndThemeChangesAlwaysTouchButNotifyOnlyOnChange) {
    const Project project = projectOf({clipOf("A", 5)});
    model->setProject(project);
    QSignalSpy overlay(model.get(), &ProjectViewModel::sidebarOverlayChanged);
    model->setSidebarOverlay(true);
    EXPECT_EQ(overlay.count(), 0);
    EXPECT_GT(model->project().updatedAt, project.updatedAt);
    EXPECT_TRUE(model->autosavePending());
    model->setSidebarOverlay(false);
    EXPECT_EQ(overlay.count(), 1);
    EXPECT_FALSE(model->project().sidebarOverlay);

    SidebarTheme theme = SidebarTheme::classic();
    theme.name = "Mine";
    QSignalSpy themeSpy(model.get(), &ProjectViewModel::themeChanged);
    model->setTheme(theme);
    EXPECT_EQ(model->project().sidebarTheme, theme);
    EXPECT_EQ(themeSpy.count(), 1);

    // The name field renames without stamping or saving.
    model->saveNow();
    const Date stamped = model->project().updatedAt;
    QSignalSpy name(model.get(), &ProjectViewModel::nameChanged);
    model->setName("Holiday");
    model->setName("Holiday");
    EXPECT_EQ(model->project().name, "Holiday");
    EXPECT_EQ(name.count(), 1);
    EXPECT_EQ(model->project().updatedAt, stamped);
    EXPECT_FALSE(model->autosavePending());
}

TEST_F(EditingOperationsTest, ViewFieldsNotifyOnlyWhenTheirValueChanges) {
    QSignalSpy importer(model.get(), &ProjectViewModel::showFileImporterChanged);
    QSignalSpy error(model.get(), &ProjectViewModel::importErrorChanged);
    QSignalSpy trimming(model.get(), &ProjectViewModel::trimmingClipIdChanged);
    for (int i = 0; i < 2; ++i) {
        model->setShowFileImporter(true);
        model->setImportError(QString("Oops"));
        model->setTrimmingClipId(Uuid{});
    }
    model->setImportError(std::nullopt);
    EXPECT_EQ(importer.count(), 1);
    EXPECT_EQ(error.count(), 2);
    EXPECT_EQ(trimming.count(), 1);
    EXPECT_EQ(model->property("importError").toString(), "");
    EXPECT_EQ(model->property("name").toString(), "Untitled Project");
    EXPECT_TRUE(model->property("sidebarOverlay").toBool());
}

} // namespace
