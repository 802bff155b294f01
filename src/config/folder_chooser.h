#pragma once

#include <optional>
#include <string>

// Asks the operator for a folder (the "Browse.." button). Tests substitute one that answers
// without a window.

namespace ostrel {

class FolderChooser {
public:
    virtual ~FolderChooser() = default;
    // Shows the chooser, opened at strStart where that folder exists, and waits. The chosen
    // folder's path, or nothing when the operator cancelled.
    virtual std::optional<std::string> ChooseFolder(const std::string& strStart) = 0;
};

} // namespace ostrel
