#pragma once

#include "platform/folder_opener.h"

#include <string>
#include <vector>

namespace ostrel::test {

// Records the folders asked for; bFail makes every request fail.
class FakeFolderOpener final : public FolderOpener {
public:
    bool OpenFolder(const std::string& strPath) override
    {
        opened.push_back(strPath);
        return !bFail && !strPath.empty();
    }

    bool bFail = false;
    std::vector<std::string> opened; // every request, failed ones too
};

} // namespace ostrel::test
