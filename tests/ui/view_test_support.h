// Shared set-up of the view tests: one engine that imports the application's
// QML module, components made from it in an offscreen window, their items found
// by object name, pictures saved under the build folder, and every QML warning
// turned into a test failure.
#pragma once

#include "model/project.h"

#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <vector>

#include <QDir>
#include <QImage>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(Kestrune_ViewsPlugin)

namespace kestrune::test {

// A 1920 × 1080 clip record with a new id, as the strip and the trim views show it.
inline VideoClip clipRecord(const char* fileName, double duration, double trimIn = 0,
                            std::optional<double> trimOut = std::nullopt) {
    VideoClip clip;
    clip.id = Uuid::generate();
    clip.fileName = fileName;
    clip.duration = duration;
    clip.width = 1920;
    clip.height = 1080;
    clip.trimIn = trimIn;
    clip.trimOut = trimOut;
    return clip;
}

class ViewTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // Nothing here has a GPU; the software scene graph draws shapes and text alike.
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
        QQuickStyle::setStyle("Fusion");
    }

    void SetUp() override {
        engine = std::make_unique<QQmlEngine>();
        // Where the module's qmldir lies, for QML written outside the module.
        engine->addImportPath("qrc:/");
        QObject::connect(engine.get(), &QQmlEngine::warnings, [](const QList<QQmlError>& warnings) {
            for (const auto& warning : warnings)
                ADD_FAILURE() << warning.toString().toStdString();
        });
        window = std::make_unique<QQuickWindow>();
        window->setColor(QColor("#1e1e1e"));
    }

    void TearDown() override {
        items.clear();
        window.reset();
        engine.reset();
    }

    // Makes the component `name` of the module with `properties`, inside the
    // window, sized `width` × `height`.
    QQuickItem* make(const QString& name, const QVariantMap& properties, double width,
                     double height) {
        QQmlComponent component(engine.get(), QUrl("qrc:/Kestrune/Views/" + name + ".qml"));
        // Qt 6.4 crashes making a component that did not load.
        if (!component.isReady()) {
            ADD_FAILURE() << component.errorString().toStdString();
            return nullptr;
        }
        std::unique_ptr<QObject> object(component.createWithInitialProperties(properties));
        if (!object) {
            ADD_FAILURE() << component.errorString().toStdString();
            return nullptr;
        }
        auto* item = qobject_cast<QQuickItem*>(object.get());
        EXPECT_NE(item, nullptr);
        item->setParentItem(window->contentItem());
        item->setSize({width, height});
        items.push_back(std::move(object));
        return item;
    }

    // Shows the window at the size of its content and lets it lay out and draw.
    void show(double width, double height) {
        window->resize(static_cast<int>(width), static_cast<int>(height));
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        QTest::qWait(50);
    }

    // Saves what the window shows to <build>/tests/ui/views/<name>.png.
    QImage saveView(const QString& name) {
        const QImage picture = window->grabWindow();
        EXPECT_FALSE(picture.isNull());
        QDir().mkpath(KESTRUNE_VIEW_PICTURES);
        EXPECT_TRUE(picture.save(QString(KESTRUNE_VIEW_PICTURES) + "/" + name + ".png"));
        return picture;
    }

    // The visible items below `root` with `objectName`, in paint order.
    static std::vector<QQuickItem*> find(QQuickItem* root, const QString& objectName,
                                         bool visibleOnly = true) {
        std::vector<QQuickItem*> found;
        collect(root, objectName, visibleOnly, found);
        return found;
    }

    static QRectF sceneRect(QQuickItem* item, QQuickItem* relativeTo) {
        return item->mapRectToItem(relativeTo, QRectF(0, 0, item->width(), item->height()));
    }

    std::unique_ptr<QQmlEngine> engine;
    std::unique_ptr<QQuickWindow> window;
    std::vector<std::unique_ptr<QObject>> items;

private:
    static void collect(QQuickItem* item, const QString& objectName, bool visibleOnly,
                        std::vector<QQuickItem*>& found) {
        if (visibleOnly && !item->isVisible())
            return;
        if (item->objectName() == objectName)
            found.push_back(item);
        for (QQuickItem* child : item->childItems())
            collect(child, objectName, visibleOnly, found);
    }
};

} // namespace kestrune::test
