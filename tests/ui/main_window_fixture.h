// The editor window as the application makes it, for the tests that drive it: the
// real Main.qml over a real shell with a store of its own, its items found by
// object name, the pointer and the keyboard sent to the window, and the
// window's picture saved to screenshots/ in the build folder.
#pragma once

#include "app/kestrune_app.h"
#include "fixtures/test_media.h"

#include <cmath>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QTemporaryDir>
#include <QTest>

namespace kestrune::test {

class MainWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { QQuickStyle::setStyle("Fusion"); }

    void SetUp() override {
        ASSERT_TRUE(dataDir.isValid());
        // No clock factory: the preview runs on the monotonic clock, without sound.
        shell = std::make_unique<KestruneApp>(store, PlaybackManager::ClockFactory{});
        beforeWindow();
        engine = std::make_unique<QQmlEngine>();
        engine->addImportPath("qrc:/");
        QObject::connect(engine.get(), &QQmlEngine::warnings, [](const QList<QQmlError>& warnings) {
            for (const auto& warning : warnings)
                ADD_FAILURE() << warning.toString().toStdString();
        });
        QQmlComponent component(engine.get(), QUrl("qrc:/Kestrune/Views/Main.qml"));
        ASSERT_TRUE(component.isReady()) << component.errorString().toStdString();
        root.reset(component.createWithInitialProperties(
            {{"app", QVariant::fromValue<QObject*>(shell.get())}}));
        window = qobject_cast<QQuickWindow*>(root.get());
        ASSERT_NE(window, nullptr) << component.errorString().toStdString();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
        window->requestActivate();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
        shell->windowFirstShown();
    }

    void TearDown() override {
        root.reset();
        engine.reset();
        shell.reset();
    }

    // What the application does with the shell before it loads the window.
    virtual void beforeWindow() {}

    ProjectViewModel& project() { return *shell->projectVM(); }
    PlaybackManager& playback() { return *shell->playbackManager(); }
    AppCoordinator& coordinator() { return *shell->appCoordinator(); }

    // The visible items named `objectName`, popups included.
    std::vector<QQuickItem*> find(const QString& objectName) const {
        return findIn(window->contentItem(), objectName);
    }
    // The visible items named `objectName` in `under`, `under` itself included.
    static std::vector<QQuickItem*> findIn(QQuickItem* under, const QString& objectName) {
        std::vector<QQuickItem*> found;
        if (under)
            collect(under, found,
                    [&](QQuickItem* item) { return item->objectName() == objectName; });
        return found;
    }
    QQuickItem* one(const QString& objectName) const {
        const auto found = find(objectName);
        EXPECT_EQ(found.size(), 1u) << objectName.toStdString();
        return found.empty() ? nullptr : found.front();
    }
    // The clip strip's card of `fileName`, or null.
    QQuickItem* cardOf(const QString& fileName) const {
        for (QQuickItem* card : find("clipCard"))
            if (card->property("fileName").toString() == fileName)
                return card;
        return nullptr;
    }
    // The visible items that show `text`.
    std::vector<QQuickItem*> withText(const QString& text) const {
        std::vector<QQuickItem*> found;
        collect(window->contentItem(), found,
                [&](QQuickItem* item) { return item->property("text").toString() == text; });
        return found;
    }
    std::vector<QString> texts(const QString& objectName) const {
        std::vector<QString> found;
        for (QQuickItem* item : find(objectName))
            found.push_back(item->property("text").toString());
        return found;
    }

    // Whether the popup `objectName` (the library, the alert) is on screen.
    bool popupShown(const char* objectName) const {
        const QObject* popup = root->findChild<QObject*>(objectName);
        EXPECT_NE(popup, nullptr) << objectName;
        return popup && popup->property("visible").toBool();
    }

    void closeLibrary() {
        coordinator().setShowProjectLibrary(false);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !popupShown("projectLibrary"); }));
    }

    void importClip(const std::string& name) {
        const int before = project().clipCount();
        project().importVideo(QString::fromStdString(testMedia(name)));
        ASSERT_TRUE(QTest::qWaitFor([&] { return project().clipCount() == before + 1; }, 10000))
            << name;
    }

    // Adds a section through the sheet, typing into each field; saves it with
    // Return or with the sheet's button.
    void addSectionThroughForm(const QString& title, const QString& subtitle, const QString& time,
                               bool saveWithReturn) {
        const int before = sectionCount();
        click(one("addSectionButton"));
        ASSERT_TRUE(QTest::qWaitFor([&] {
            const auto fields = find("titleField");
            return fields.size() == 1 && fields.front()->hasActiveFocus();
        }));
        EXPECT_EQ(texts("formHeading"), std::vector<QString>{"Add Section"});
        typeText(title);
        click(one("subtitleField"));
        typeText(subtitle);
        click(one("timeField"));
        typeText(time);
        if (saveWithReturn) {
            QTest::keyClick(window, Qt::Key_Return);
        } else {
            auto* save = one("saveButton");
            ASSERT_NE(save, nullptr);
            EXPECT_EQ(save->property("text").toString(), "Add Section");
            click(save);
        }
        ASSERT_TRUE(QTest::qWaitFor([&] { return find("titleField").empty(); }))
            << title.toStdString();
        EXPECT_EQ(sectionCount(), before + 1);
    }

    int sectionCount() const {
        return static_cast<int>(shell->projectVM()->project().sections.size());
    }

    // Waits until the preview has loaded a joined timeline `seconds` long.
    void waitForTimeline(double seconds) {
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                return playback().isLoaded() &&
                       std::abs(playback().clipBoundaries().back() - seconds) < 0.05;
            },
            10000));
    }

    static QPoint centreOf(const QQuickItem* item) {
        return item->mapToScene(QPointF(item->width() / 2, item->height() / 2)).toPoint();
    }

    void click(QQuickItem* item) {
        ASSERT_NE(item, nullptr);
        QTest::mouseClick(window, Qt::LeftButton, {}, centreOf(item));
    }

    // Presses at `from`, moves to `to` in small steps as a hand would, releases.
    void drag(QPoint from, QPoint to) {
        QTest::mousePress(window, Qt::LeftButton, {}, from);
        constexpr int steps = 8;
        for (int step = 1; step <= steps; ++step)
            QTest::mouseMove(window, from + (to - from) * step / steps);
        QTest::mouseRelease(window, Qt::LeftButton, {}, to);
    }

    // Types `text` (Latin-1) key by key into the item that has the keyboard.
    void typeText(const QString& text) {
        for (const QChar c : text)
            QTest::keyClick(window, c.toLatin1());
    }
    // Types `text` in place of what the focused field holds.
    void replaceText(const QString& text) {
        QTest::keyClick(window, Qt::Key_A, Qt::ControlModifier);
        typeText(text);
    }

    QImage saveScreenshot(const QString& name) {
        QTest::qWait(100);
        const QImage picture = window->grabWindow();
        EXPECT_FALSE(picture.isNull());
        QDir().mkpath(KESTRUNE_SCREENSHOTS);
        EXPECT_TRUE(picture.save(QString(KESTRUNE_SCREENSHOTS) + "/" + name + ".png"));
        return picture;
    }

    static bool videoFramesDrawn() { return QGuiApplication::platformName() != "offscreen"; }

    QTemporaryDir dataDir;
    ProjectStore store{dataDir.path()};
    std::unique_ptr<KestruneApp> shell;
    std::unique_ptr<QQmlEngine> engine;
    std::unique_ptr<QObject> root;
    QQuickWindow* window = nullptr;

private:
    template <class Match>
    static void collect(QQuickItem* item, std::vector<QQuickItem*>& found, const Match& match) {
        if (!item->isVisible())
            return;
        if (match(item))
            found.push_back(item);
        for (QQuickItem* child : item->childItems())
            collect(child, found, match);
    }
};

} // namespace kestrune::test
