// Opening a folder hands the desktop a file URL of the folder's absolute path, and only for a
// folder that exists. The desktop's handler is replaced by one that records the URLs.
#include "platform/desktop_folder_opener.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

using namespace ostrel;

namespace {

class UrlCatcher : public QObject {
    Q_OBJECT
public slots:
    void Open(const QUrl& url) { urls.push_back(url); }

public:
    std::vector<QUrl> urls;
};

class DesktopFolderOpenerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "Open");
    }
    void TearDown() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }

    QTemporaryDir dir;
    UrlCatcher catcher;
    DesktopFolderOpener opener;
};

} // namespace

TEST_F(DesktopFolderOpenerTest, ExistingFolderIsOpenedByItsAbsolutePath)
{
    const std::filesystem::path folder = std::filesystem::path(dir.path().toStdString()) / "Backup ü 1";
    std::filesystem::create_directories(folder);
    ASSERT_TRUE(opener.OpenFolder(folder.string()));
    ASSERT_EQ(1u, catcher.urls.size());
    EXPECT_EQ(QStringLiteral("file"), catcher.urls[0].scheme());
    EXPECT_EQ(folder.string(), catcher.urls[0].toLocalFile().toStdString());

    // A relative record path is taken from the current folder.
    const QString strOld = QDir::currentPath();
    QDir::setCurrent(QString::fromStdString(folder.string()));
    std::filesystem::create_directories(folder / "RECORD");
    EXPECT_TRUE(opener.OpenFolder("RECORD"));
    QDir::setCurrent(strOld);
    ASSERT_EQ(2u, catcher.urls.size());
    EXPECT_EQ((folder / "RECORD").string(), catcher.urls[1].toLocalFile().toStdString());
}

TEST_F(DesktopFolderOpenerTest, NoFolderNoRequest)
{
    const std::filesystem::path base = dir.path().toStdString();
    std::ofstream(base / "snapshot.jpg") << "not a folder";
    EXPECT_FALSE(opener.OpenFolder(""));
    EXPECT_FALSE(opener.OpenFolder((base / "missing").string()));
    EXPECT_FALSE(opener.OpenFolder((base / "snapshot.jpg").string()));
    EXPECT_TRUE(catcher.urls.empty());
}


#include "test_desktop_folder_opener.moc"
