#pragma once

#include "config/folder_chooser.h"

#include <QPointer>
#include <QWidget>

namespace ostrel {

// The desktop's folder chooser, modal over its parent window.
class DesktopFolderChooser final : public FolderChooser {
public:
    explicit DesktopFolderChooser(QWidget* pParent = nullptr) : m_pParent(pParent) {}
    void SetParent(QWidget* pParent) { m_pParent = pParent; }
    std::optional<std::string> ChooseFolder(const std::string& strStart) override;

private:
    QPointer<QWidget> m_pParent;
};

} // namespace ostrel
