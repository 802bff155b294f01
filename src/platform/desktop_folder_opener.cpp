#include "platform/desktop_folder_opener.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace ostrel {

bool DesktopFolderOpener::OpenFolder(const std::string& strPath)
{
    if (strPath.empty())
        return false;
    const QString strFolder = QString::fromStdString(strPath);
    if (!QFileInfo(strFolder).isDir())
        return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(strFolder).absoluteFilePath()));
}

} // namespace ostrel
