#pragma once

#include <string>

// Shows a folder to the operator in the desktop's file manager (after a snapshot or an AVI
// file was saved there).

namespace ostrel {

class FolderOpener {
public:
    virtual ~FolderOpener() = default;
    // Asks the desktop to open the folder strPath and returns without waiting for it. False when
    // the path is empty or names no existing folder, or when the desktop refuses (no file
    // manager, no desktop session); true when the request was handed over.
    virtual bool OpenFolder(const std::string& strPath) = 0;
};

} // namespace ostrel
