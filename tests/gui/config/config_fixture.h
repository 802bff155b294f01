#pragma once

// The settings dialogs' tests: a folder chooser without a window, and the address book
// ini/cnn.ini in the test's own work folder, written and read straight from the disk.
#include "config/folder_chooser.h"
#include "fakes/gui_fixture.h"
#include "platform/file_store.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

namespace ostrel::test {

class FakeFolderChooser final : public FolderChooser {
public:
    std::optional<std::string> ChooseFolder(const std::string& strStart) override
    {
        starts.push_back(strStart);
        return answer;
    }
    std::optional<std::string> answer;
    std::vector<std::string> starts;
};

class ConfigTest : public SessionTest {
protected:
    std::string IniPath() const { return Dir() + "/ini/cnn.ini"; }
    bool IniExists() const { return std::filesystem::exists(IniPath()); }
    void WriteIni(const std::string& strBytes) const
    {
        std::filesystem::create_directories(Dir() + "/ini");
        std::ofstream(IniPath(), std::ios::binary) << strBytes;
    }
    std::string ReadIni() const
    {
        std::ifstream in(IniPath(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    LocalFileStore disk;
    FakeFolderChooser chooser;
};

} // namespace ostrel::test
