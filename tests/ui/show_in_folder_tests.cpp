// "Show in Folder" over a real D-Bus: a private bus daemon, and on it a stand-in
// for the desktop's file manager that records what it is asked to show.
#include "ui/show_in_folder.h"

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDesktopServices>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

namespace kestrune {
namespace {

// Answers org.freedesktop.FileManager1.ShowItems as a file manager would.
class FileManagerStandIn : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

public:
    QStringList shownItems;

public slots:
    Q_SCRIPTABLE void ShowItems(const QStringList& uris, const QString& /*startupId*/) {
        shownItems += uris;
    }
};

// Where a folder would have been opened instead.
class FolderOpener : public QObject {
    Q_OBJECT

public:
    QList<QUrl> opened;

public slots:
    void open(const QUrl& url) { opened << url; }
};

class ShowInFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
        ASSERT_TRUE(daemon.waitForStarted());
        ASSERT_TRUE(daemon.waitForReadyRead(10000));
        address = QString::fromUtf8(daemon.readLine()).trimmed();
        ASSERT_FALSE(address.isEmpty());
        QDesktopServices::setUrlHandler("file", &opener, "open");
    }

    void TearDown() override {
        QDesktopServices::unsetUrlHandler("file");
        for (const QString& name : {QStringLiteral("app"), QStringLiteral("fileManager")})
            QDBusConnection::disconnectFromBus(name);
        daemon.kill();
        daemon.waitForFinished();
    }

    QDBusConnection connect(const QString& name) const {
        return QDBusConnection::connectToBus(address, name);
    }

    QProcess daemon;
    QString address;
    FolderOpener opener;
    QTemporaryDir folder;
};

TEST_F(ShowInFolderTest, TheFileManagerIsAskedToShowTheFileItself) {
    FileManagerStandIn fileManager;
    QDBusConnection managerBus = connect("fileManager");
    ASSERT_TRUE(managerBus.isConnected());
    ASSERT_TRUE(managerBus.registerObject("/org/freedesktop/FileManager1", &fileManager,
                                          QDBusConnection::ExportScriptableSlots));
    ASSERT_TRUE(managerBus.registerService("org.freedesktop.FileManager1"));

    const QUrl movie = QUrl::fromLocalFile(folder.filePath("Garden tour #1.mp4"));
    showInFolder(movie, connect("app"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !fileManager.shownItems.isEmpty(); }, 5000));
    EXPECT_EQ(fileManager.shownItems, QStringList{movie.toString(QUrl::FullyEncoded)});
    EXPECT_EQ(QUrl(fileManager.shownItems.front()).toLocalFile(), movie.toLocalFile());
    QTest::qWait(50);
    EXPECT_TRUE(opener.opened.isEmpty());
}

TEST_F(ShowInFolderTest, WithoutAFileManagerTheFolderOpens) {
    const QUrl movie = QUrl::fromLocalFile(folder.filePath("export.mp4"));
    showInFolder(movie, connect("app"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !opener.opened.isEmpty(); }, 10000));
    EXPECT_EQ(opener.opened, QList<QUrl>{QUrl::fromLocalFile(folder.path())});

    // No session bus at all: straight to the folder.
    opener.opened.clear();
    showInFolder(movie, QDBusConnection(QStringLiteral("no bus")));
    EXPECT_EQ(opener.opened, QList<QUrl>{QUrl::fromLocalFile(folder.path())});
}

TEST_F(ShowInFolderTest, WithNeitherAFileManagerNorAFolderHandlerTheCallerHears) {
    // No handler for folders: the offscreen platform opens nothing.
    QDesktopServices::unsetUrlHandler("file");
    const QUrl movie = QUrl::fromLocalFile(folder.filePath("export.mp4"));
    QStringList failedFolders;
    const auto failed = [&](const QString& path) { failedFolders << path; };
    showInFolder(movie, connect("app"), failed);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !failedFolders.isEmpty(); }, 10000));
    showInFolder(movie, QDBusConnection(QStringLiteral("no bus")), failed);
    EXPECT_EQ(failedFolders, (QStringList{folder.path(), folder.path()}));
}

} // namespace
} // namespace kestrune

#include "show_in_folder_tests.moc"
