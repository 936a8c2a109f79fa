// Shared set-up of the editing model tests: a model saving into a temporary
// store, the test clips under names of the test's choosing, and waiting on the
// event loop for background work.
#pragma once

#include "editing/project_view_model.h"
#include "fixtures/test_media.h"
#include "model/file_reference.h"

#include <gtest/gtest.h>
#include <memory>

#include <QAbstractItemModelTester>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace kestrune::test {

class EditingTest : public ::testing::Test {
protected:
    QTemporaryDir dataDir;
    QTemporaryDir files;
    ProjectStore store{dataDir.path() + "/Kestrune"};
    std::unique_ptr<ProjectViewModel> model = makeModel();

    std::unique_ptr<ProjectViewModel> makeModel() {
        auto made = std::make_unique<ProjectViewModel>(store);
        // Checks every row change the models announce against their contents.
        new QAbstractItemModelTester(
            made->clips(), QAbstractItemModelTester::FailureReportingMode::Fatal, made.get());
        new QAbstractItemModelTester(
            made->sections(), QAbstractItemModelTester::FailureReportingMode::Fatal, made.get());
        return made;
    }

    // A copy of a test clip named `name` in the test's own folder.
    QString copyOf(const char* clip, const QString& name) {
        const QString path = files.filePath(name);
        QFile::remove(path);
        EXPECT_TRUE(QFile::copy(QString::fromStdString(testMedia(clip)), path));
        return path;
    }

    // Imports and waits; returns the new clip's id, empty when the import failed.
    QString importAndWait(ProjectViewModel& into, const QString& path) {
        QString result;
        bool done = false;
        auto connection = QObject::connect(&into, &ProjectViewModel::importFinished,
                                           [&](const QString&, const QString& id) {
                                               result = id;
                                               done = true;
                                           });
        into.importVideo(path);
        EXPECT_TRUE(QTest::qWaitFor([&] { return done; }, 10000));
        QObject::disconnect(connection);
        return result;
    }

    // A clip of the given length, with a reference to `path` when one is given.
    static VideoClip clipOf(const std::string& fileName, double duration,
                            const QString& path = {}) {
        VideoClip clip;
        clip.id = Uuid::generate();
        clip.fileName = fileName;
        clip.duration = duration;
        clip.width = 1280;
        clip.height = 720;
        if (!path.isEmpty())
            clip.bookmarkData = FileReference::make(path.toStdString())->encode();
        return clip;
    }

    static Project projectOf(std::vector<VideoClip> clips) {
        Project project = Project::untitled();
        for (std::size_t i = 0; i < clips.size(); ++i)
            clips[i].order = static_cast<int>(i);
        project.clips = std::move(clips);
        project.updatedAt = Date{1000};
        return project;
    }

    bool stored(const Project& project) const {
        return QFile::exists(store.projectFilePath(project.id));
    }
};

} // namespace kestrune::test
