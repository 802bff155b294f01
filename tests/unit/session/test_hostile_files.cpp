// ini/opt.ini on the real disk: huge, endless, binary, or not a file at all, it gives the
// defaults or what its first mebibyte holds, without waiting. The client's start from every such
// file (the PTZ command files and "AlarmEvent.am" too) is driven whole in the hostile-start test.
#include "fakes/hostile_files.h"
#include "platform/private_profile.h"
#include "session/view_settings.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <functional>

using namespace ostrel;
using namespace ostrel::test;
namespace fs = std::filesystem;

namespace {

class HostileFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::current_path() / "hostile" / ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }
    fs::path Path(const char* pszName) const { return m_dir / pszName; }

    fs::path m_dir;
};

constexpr uint64_t kHuge = 200ull << 20;
constexpr uint64_t kEndless = 100ull << 20;

} // namespace

TEST_F(HostileFiles, OptIniGivesItsFirstMebibytesValuesOrTheDefaults)
{
    const std::string strPath = Path("opt.ini").string();
    const struct Row {
        const char* pszName;
        std::function<void()> put;
        int nCmd, nStop;
    } rows[] = {
        {"200 MB, the values at the start",
         [&] { PutSparse(strPath, "[PTZ_CMD_INTERVAL]\nCMD=90\nSTOP=40\n", kHuge); }, 90, 40},
        {"200 MB, a value past the first mebibyte",
         [&] {
             PutSparse(strPath, "[PTZ_CMD_INTERVAL]\nCMD=90\n", kHuge);
             std::fstream f(strPath, std::ios::in | std::ios::out | std::ios::binary);
             f.seekp(static_cast<std::streamoff>(kProfileMaxFileBytes) + 10);
             f << "\nSTOP=40\n";
         },
         90, 70},
        {"one line of 100 MB before the section",
         [&] { PutEndlessLine(strPath, ";", kEndless, "\n[PTZ_CMD_INTERVAL]\nCMD=90\n"); }, 70, 70},
        {"one line of 100 MB as a value, digits up to the first other character",
         [&] { PutEndlessLine(strPath, "[PTZ_CMD_INTERVAL]\nCMD=1", kEndless, "\n"); }, 1, 70},
        {"binary bytes", [&] { PutBytes(strPath, Garbage(64 * 1024)); }, 70, 70},
        {"a folder", [&] { fs::create_directory(strPath); }, 70, 70},
        {"a pipe", [&] { ASSERT_TRUE(PutFifo(strPath)); }, 70, 70},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pszName);
        fs::remove_all(strPath);
        row.put();
        const PtzIntervals intervals = ReadPtzIntervals(strPath);
        EXPECT_EQ(row.nCmd, intervals.nPtzCmdInterval);
        EXPECT_EQ(row.nStop, intervals.nPtzStopInterval);
    }
    // A file whose end was not read is never rewritten.
    fs::remove(strPath);
    PutSparse(strPath, "[A]\nK=1\n", kHuge);
    EXPECT_FALSE(WriteProfileString("A", "K", "2", strPath));
    EXPECT_EQ(kHuge, fs::file_size(strPath));
}

// A profile write that fails at any byte leaves the old file or the whole new one.
TEST_F(HostileFiles, AProfileWriteFullAtEveryByteLeavesTheOldFileOrTheNewOne)
{
    const std::string strIni = Path("opt.ini").string();
    const std::string strOld = "[PTZ_CMD_INTERVAL]\nCMD=90\n";
    const std::string strNew = strOld + "STOP=70\n";
    for (uint64_t nSpace = 0; nSpace <= strNew.size(); ++nSpace) {
        SCOPED_TRACE(nSpace);
        PutBytes(strIni, strOld);
        bool bWritten = false;
        {
            const FileSizeLimit limit(nSpace);
            ASSERT_TRUE(limit.IsSet());
            bWritten = WriteProfileString("PTZ_CMD_INTERVAL", "STOP", "70", strIni);
        }
        EXPECT_EQ(nSpace == strNew.size(), bWritten);
        EXPECT_EQ(bWritten ? strNew : strOld, GetBytes(strIni));
        EXPECT_EQ(0u, Temporaries(m_dir));
    }
}
