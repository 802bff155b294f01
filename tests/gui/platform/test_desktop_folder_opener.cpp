// Opening a folder hands the desktop a file URL of the folder's absolute path, and only for a
// folder that exists. The desktop's handler is replaced by one that records the URLs.
#include "platform/desktop_folder_opener.h"

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
    void Open(const QUrl& url) { paths.push_back(url.scheme() == QLatin1String("file") ? url.toLocalFile().toStdString() : "?"); }

public:
    std::vector<std::string> paths;
};

} // namespace

TEST(DesktopFolderOpener, OpensAnExistingFolderByItsAbsolutePathAndNothingElse)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "Open");
    DesktopFolderOpener opener;
    const std::filesystem::path folder = std::filesystem::path(dir.path().toStdString()) / "Backup ü 1";
    std::filesystem::create_directories(folder / "RECORD");
    std::ofstream(folder / "snapshot.jpg") << "not a folder";
    EXPECT_TRUE(opener.OpenFolder(folder.string()));
    EXPECT_FALSE(opener.OpenFolder(""));
    EXPECT_FALSE(opener.OpenFolder((folder / "missing").string()));
    EXPECT_FALSE(opener.OpenFolder((folder / "snapshot.jpg").string()));
    // A relative record path is taken from the current folder.
    const QString strOld = QDir::currentPath();
    QDir::setCurrent(QString::fromStdString(folder.string()));
    EXPECT_TRUE(opener.OpenFolder("RECORD"));
    QDir::setCurrent(strOld);
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    EXPECT_EQ((std::vector<std::string>{folder.string(), (folder / "RECORD").string()}), catcher.paths);
}

#include "test_desktop_folder_opener.moc"
