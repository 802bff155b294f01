#pragma once

#include "config/folder_chooser.h"
#include "fakes/recording_notifier.h"
#include "platform/file_store.h"
#include "session/view_settings.h"

#include <QApplication>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace ostrel::test {

// Answers the folder chooser without a window.
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

// A work folder of the test's own (the address book lives in its ini/).
class ConfigFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* pInfo = ::testing::UnitTest::GetInstance()->current_test_info();
        m_dir = std::filesystem::current_path() / "work" / pInfo->test_suite_name() / pInfo->name();
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directories(m_dir);
    }
    std::string Dir() const { return m_dir.string(); }
    std::string IniPath() const { return (m_dir / "ini" / "cnn.ini").string(); }
    bool IniExists() const { return std::filesystem::exists(IniPath()); }
    void WriteIni(const std::string& strBytes) const
    {
        std::filesystem::create_directories(m_dir / "ini");
        std::ofstream(IniPath(), std::ios::binary) << strBytes;
    }
    std::string ReadIni() const
    {
        std::ifstream in(IniPath(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    RecordingNotifier notifier;
    LocalFileStore files;
    FakeFolderChooser chooser;

private:
    std::filesystem::path m_dir;
};

// Runs fnInside on the modal dialog of type T once the event loop shows it, so that a test can
// press a button that opens one (exec) and still act in it. Fails the test when none shows.
template <typename T>
void WhenModal(std::function<void(T&)> fnInside)
{
    QTimer::singleShot(0, [fnInside] {
        auto* pDialog = qobject_cast<T*>(QApplication::activeModalWidget());
        EXPECT_NE(nullptr, pDialog) << "no modal dialog of the expected kind";
        if (!pDialog)
            return;
        fnInside(*pDialog);
        if (pDialog->isVisible()) // never leave the test waiting in exec
            pDialog->reject();
    });
}

} // namespace ostrel::test
