#include "config/desktop_folder_chooser.h"

#include <QFileDialog>

namespace ostrel {

std::optional<std::string> DesktopFolderChooser::ChooseFolder(const std::string& strStart)
{
    const QString strChosen = QFileDialog::getExistingDirectory(m_pParent, QString(), QString::fromStdString(strStart));
    if (strChosen.isEmpty())
        return std::nullopt;
    return strChosen.toStdString();
}

} // namespace ostrel
