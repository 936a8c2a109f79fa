// The project library sheet over a real shell and store, in an offscreen window
// dressed like the editor's: the empty state, the cards and the search, renaming
// in place, the delete alert, opening and closing. Its picture, with a few
// projects and their thumbnails, lands in views/project-library.png.
#include "app/kestrune_app.h"
#include "fixtures/test_media.h"
#include "model/file_reference.h"
#include "view_test_support.h"

#include <QTemporaryDir>
#include <QThreadPool>

namespace kestrune::test {
namespace {

// The sheet inside a window with the editor's dark palette, as Main.qml has it.
constexpr char kWindow[] = R"(
import QtQuick
import QtQuick.Controls
import Kestrune.Views

ApplicationWindow {
    id: window
    property QtObject app
    width: 1100
    height: 720
    color: "#1e1e1e"
    palette {
        window: "#1e1e1e"; windowText: "#ececec"; base: "#141415"; text: "#ececec"
        button: "#353537"; buttonText: "#ececec"; light: "#4a4a4d"; midlight: "#3c3c3f"
        mid: "#2a2a2c"; dark: "#101011"; highlight: "#0a84ff"; highlightedText: "#ffffff"
        toolTipBase: "#2c2c2e"; toolTipText: "#ececec"
    }
    ProjectLibrarySheet {
        app: window.app
    }
}
)";

class ProjectLibraryViewTest : public ViewTest {
protected:
    QTemporaryDir dataDir;
    ProjectStore store{dataDir.path()};
    std::unique_ptr<KestruneApp> shell;
    std::unique_ptr<QObject> root;
    QQuickWindow* libraryWindow = nullptr;

    void TearDown() override {
        root.reset();
        shell.reset();
        QThreadPool::globalInstance()->waitForDone();
        ViewTest::TearDown();
    }

    // Shows the window with the library open over a fresh project.
    void showLibrary() {
        shell = std::make_unique<KestruneApp>(store, PlaybackManager::ClockFactory{});
        QQmlComponent component(engine.get());
        component.setData(kWindow, QUrl("qrc:/library_window.qml"));
        ASSERT_TRUE(component.isReady()) << component.errorString().toStdString();
        root.reset(component.createWithInitialProperties(
            {{"app", QVariant::fromValue<QObject*>(shell.get())}}));
        libraryWindow = qobject_cast<QQuickWindow*>(root.get());
        ASSERT_NE(libraryWindow, nullptr);
        libraryWindow->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(libraryWindow));
        ASSERT_TRUE(QTest::qWaitFor([&] { return sheetShown(); }));
    }

    Project save(const std::string& name, int clipCount, double trimIn, int minutesAgo) {
        Project project = Project::untitled();
        project.name = name;
        project.updatedAt.secondsSinceReference -= 60.0 * minutesAgo;
        for (int i = 0; i < clipCount; ++i) {
            VideoClip clip = clipRecord("counter.mp4", 4, trimIn);
            clip.order = i;
            clip.bookmarkData = FileReference::make(testMedia("counter.mp4"))->encode();
            project.clips.push_back(clip);
        }
        EXPECT_TRUE(store.save(project));
        return project;
    }

    // Saves what the window shows to <build>/tests/ui/views/<name>.png.
    void savePicture(const QString& name) {
        QTest::qWait(50);
        QDir().mkpath(KESTRUNE_VIEW_PICTURES);
        EXPECT_TRUE(libraryWindow->grabWindow().save(QString(KESTRUNE_VIEW_PICTURES) + "/" + name +
                                                     ".png"));
    }

    bool sheetShown() const {
        auto* sheet = root->findChild<QObject*>("projectLibrary");
        return sheet && sheet->property("visible").toBool();
    }
    bool popupShown(const char* name) const {
        auto* popup = root->findChild<QObject*>(name);
        return popup && popup->property("visible").toBool();
    }
    std::vector<QQuickItem*> all(const QString& name) const {
        return find(libraryWindow->contentItem(), name);
    }
    QQuickItem* one(const QString& name) const {
        const auto found = all(name);
        EXPECT_EQ(found.size(), 1u) << name.toStdString();
        return found.empty() ? nullptr : found.front();
    }
    std::vector<QString> texts(const QString& name) const {
        std::vector<QString> found;
        for (QQuickItem* item : all(name))
            found.push_back(item->property("text").toString());
        return found;
    }
    QQuickItem* card(const QString& projectName) const {
        for (QQuickItem* item : all("projectCard"))
            if (item->property("projectName").toString() == projectName)
                return item;
        ADD_FAILURE() << "no card for " << projectName.toStdString();
        return nullptr;
    }
    void click(QQuickItem* item, Qt::MouseButton button = Qt::LeftButton) {
        ASSERT_NE(item, nullptr);
        QTest::mouseClick(libraryWindow, button, {},
                          item->mapToScene({item->width() / 2, item->height() / 2}).toPoint());
    }
    void chooseFromMenu(const QString& projectName, const char* itemName) {
        click(card(projectName), Qt::RightButton);
        ASSERT_TRUE(QTest::qWaitFor([&] { return popupShown("projectCardMenu"); }));
        EXPECT_TRUE(QTest::qWaitFor([&] { return all(itemName).size() == 1; }));
        click(one(itemName));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !popupShown("projectCardMenu"); }));
    }
    // Types `text` (Latin-1) key by key into the item that has the keyboard.
    void type(const QString& text) {
        for (const QChar c : text)
            QTest::keyClick(libraryWindow, c.toLatin1());
    }
    // Whether a visible item below `item` shows `text`.
    static bool showsText(QQuickItem* item, const QString& text) {
        if (!item->isVisible())
            return false;
        if (item->property("text").toString() == text)
            return true;
        for (QQuickItem* child : item->childItems())
            if (showsText(child, text))
                return true;
        return false;
    }
};

TEST_F(ProjectLibraryViewTest, WithoutProjectsItOffersANewProjectAndNoSearch) {
    showLibrary();
    EXPECT_NE(one("emptyLibraryState"), nullptr);
    EXPECT_TRUE(all("librarySearchField").empty());
    EXPECT_TRUE(all("projectGrid").empty());
    EXPECT_EQ(texts("newProjectButton"), std::vector<QString>{"New Project"});
    savePicture("project-library-empty");

    const QString before = shell->projectVM()->projectId();
    click(one("newProjectButton"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !sheetShown(); }));
    EXPECT_FALSE(shell->appCoordinator()->showProjectLibrary());
    EXPECT_NE(shell->projectVM()->projectId(), before);
}

TEST_F(ProjectLibraryViewTest, CardsShowTheProjectsAndTheSearchNarrowsThem) {
    save("My Intro Video", 1, 1, 0);
    save("Product tour", 3, 2, 60 * 24 + 1);
    save("Empty draft", 0, 0, 60 * 24 * 400);
    save("Customer interview with a name far too long for its card", 2, 3, 60 * 24 * 3);
    showLibrary();

    EXPECT_TRUE(all("emptyLibraryState").empty());
    EXPECT_NE(one("librarySearchField"), nullptr);
    EXPECT_NE(one("newProjectCard"), nullptr);
    EXPECT_EQ(texts("projectCardName"),
              (std::vector<QString>{"My Intro Video", "Product tour",
                                    "Customer interview with a name far too long for its card",
                                    "Empty draft"}));
    EXPECT_EQ(texts("projectCardClipCount"),
              (std::vector<QString>{"1 clip", "3 clips", "2 clips"}));
    EXPECT_EQ(texts("projectCardLength"), (std::vector<QString>{"00:03", "00:06", "00:02"}));
    const auto dates = texts("projectCardDate");
    ASSERT_EQ(dates.size(), 4u);
    EXPECT_TRUE(dates[0].startsWith("Today, "));
    EXPECT_EQ(dates[1], "Yesterday");

    // Cards sit in columns 200 to 260 wide, 16 apart, after the New Project card.
    const QRectF newCard = sceneRect(one("newProjectCard"), libraryWindow->contentItem());
    const QRectF firstCard = sceneRect(card("My Intro Video"), libraryWindow->contentItem());
    EXPECT_GE(firstCard.width(), 200);
    EXPECT_LE(firstCard.width(), 260);
    EXPECT_DOUBLE_EQ(firstCard.left() - newCard.right(), 16);
    EXPECT_DOUBLE_EQ(firstCard.top(), newCard.top());

    // The pictures arrive from the clips; the project without clips keeps its placeholder.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            int pictures = 0;
            for (QQuickItem* item : all("projectCardPicture"))
                pictures += item->property("hasImage").toBool();
            return pictures == 3;
        },
        10000));
    savePicture("project-library");

    click(one("librarySearchField"));
    type("intro");
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return texts("projectCardName") == std::vector<QString>{"My Intro Video"}; }));
    EXPECT_TRUE(all("noMatchText").empty());
    type("zzz");
    EXPECT_TRUE(QTest::qWaitFor([&] { return all("projectCard").empty(); }));
    EXPECT_EQ(texts("noMatchText"), std::vector<QString>{"No projects match \"introzzz\""});
    EXPECT_NE(one("newProjectCard"), nullptr);
    EXPECT_NE(one("librarySearchField"), nullptr);
}

TEST_F(ProjectLibraryViewTest, RenamingInPlaceCommitsWithReturnAndEscapeCancelsOnlyTheRename) {
    const Project intro = save("Intro", 1, 0, 0);
    showLibrary();

    chooseFromMenu("Intro", "renameProjectItem");
    auto* field = one("projectRenameField");
    ASSERT_NE(field, nullptr);
    EXPECT_TRUE(QTest::qWaitFor([&] { return field->hasActiveFocus(); }));
    EXPECT_EQ(field->property("text").toString(), "Intro");
    savePicture("project-library-rename");
    QTest::keyClick(libraryWindow, Qt::Key_A, Qt::ControlModifier);
    type("  Final cut ");
    QTest::keyClick(libraryWindow, Qt::Key_Return);
    EXPECT_TRUE(QTest::qWaitFor([&] { return all("projectRenameField").empty(); }));
    EXPECT_EQ(store.load(intro.id).name, "Final cut");
    EXPECT_EQ(texts("projectCardName"), std::vector<QString>{"Final cut"});

    // Spaces only keep the name and close the field.
    chooseFromMenu("Final cut", "renameProjectItem");
    QTest::keyClick(libraryWindow, Qt::Key_A, Qt::ControlModifier);
    type("   ");
    QTest::keyClick(libraryWindow, Qt::Key_Return);
    EXPECT_TRUE(QTest::qWaitFor([&] { return all("projectRenameField").empty(); }));
    EXPECT_EQ(store.load(intro.id).name, "Final cut");

    // Escape leaves the field, not the library.
    chooseFromMenu("Final cut", "renameProjectItem");
    type("x");
    QTest::keyClick(libraryWindow, Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([&] { return all("projectRenameField").empty(); }));
    EXPECT_TRUE(sheetShown());
    EXPECT_EQ(store.load(intro.id).name, "Final cut");
    QTest::keyClick(libraryWindow, Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !sheetShown(); }));
    EXPECT_FALSE(shell->appCoordinator()->showProjectLibrary());
}

TEST_F(ProjectLibraryViewTest, DuplicateAndDeleteAfterTheAlert) {
    const Project intro = save("Intro", 1, 0, 5);
    showLibrary();

    click(card("Intro"), Qt::RightButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return popupShown("projectCardMenu"); }));
    savePicture("project-library-menu");
    click(one("duplicateProjectItem"));
    EXPECT_TRUE(QTest::qWaitFor([&] {
        return texts("projectCardName") == std::vector<QString>{"Intro Copy", "Intro"};
    }));

    chooseFromMenu("Intro", "deleteProjectItem");
    ASSERT_TRUE(QTest::qWaitFor([&] { return popupShown("deleteProjectAlert"); }));
    auto* alert = root->findChild<QObject*>("deleteProjectAlert");
    EXPECT_EQ(alert->property("title").toString(), "Delete Project?");
    EXPECT_TRUE(showsText(libraryWindow->contentItem(),
                          "Are you sure you want to delete \"Intro\"? This cannot be undone."));
    savePicture("project-library-delete-alert");
    click(one("cancelDeleteButton"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !popupShown("deleteProjectAlert"); }));
    EXPECT_TRUE(QFile::exists(store.projectFilePath(intro.id)));

    chooseFromMenu("Intro", "deleteProjectItem");
    ASSERT_TRUE(QTest::qWaitFor([&] { return popupShown("deleteProjectAlert"); }));
    click(one("confirmDeleteButton"));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return texts("projectCardName") == std::vector<QString>{"Intro Copy"}; }));
    EXPECT_FALSE(QFile::exists(store.projectFilePath(intro.id)));
    EXPECT_TRUE(sheetShown());
}

TEST_F(ProjectLibraryViewTest, ClickingACardOpensItsProject) {
    const Project intro = save("Intro", 1, 0, 0);
    showLibrary();
    click(card("Intro"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !sheetShown(); }));
    EXPECT_EQ(shell->projectVM()->project().id, intro.id);
    EXPECT_EQ(shell->appCoordinator()->activeProjectId(), intro.id);
}

} // namespace
} // namespace kestrune::test
