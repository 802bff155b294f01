#pragma once

#include "platform/folder_opener.h"

namespace ostrel {

// Opens folders through the desktop's URL handling (QDesktopServices, a file:// URL). Call it
// on the user-interface thread.
class DesktopFolderOpener final : public FolderOpener {
public:
    bool OpenFolder(const std::string& strPath) override;
};

} // namespace ostrel
