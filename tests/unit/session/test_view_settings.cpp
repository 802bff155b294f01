// The settings profile (through QSettings) and ini/opt.ini on the real disk, also cut short, huge,
// endless, binary, not files at all or unwritable; the hostile-start test runs the whole client.
// A write that fails at any byte is the file store's contract (contract_files).
#include "session/view_settings.h"

#include "fakes/hostile_files.h"
#include "fakes/memory_settings_store.h"
#include "platform/private_profile.h"
#include "platform/qt_settings_store.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace fs = std::filesystem;
using namespace ostrel;
using namespace ostrel::test;

namespace {

// A profile as the program writes it, by hand: the values are all unlike the defaults.
const std::string kProfile = "[Setting]\n"
                             "User%20ISeed=operator\n"
                             "User%20PSeed=secret\n"
                             "Host%20IPAddress=10.1.2.3\n"
                             "Host%20Port=9100\n"
                             "Rotate%20Interval=5\n"
                             "Request%20Speed=6\n"
                             "Ip%20Label=YARD\n";

constexpr uint64_t kHuge = 200ull << 20;
constexpr uint64_t kEndless = 100ull << 20;

std::string Text(const auto& field)
{
    return std::string(GetText(field));
}

class ViewSettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::remove_all(m_dir);
        fs::create_directories(m_dir / "program");
    }
    void TearDown() override
    {
        std::error_code ec;
        for (const fs::path& path : {m_dir, m_dir / "ro"})
            fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(m_dir, ec);
    }
    ViewSettings Load(SettingsStore& store, const std::string& strPtzFile = "/work/PTZ/user_command.tl")
    {
        ViewSettings s{};
        EXPECT_TRUE(LoadSettings(s, store, m_places, strPtzFile));
        return s;
    }
    ViewSettings Load(const fs::path& conf)
    {
        QtSettingsStore store(QString::fromStdString(conf.string()), QStringLiteral("Setting"));
        return Load(store);
    }
    bool Save(ViewSettings& s, const fs::path& conf)
    {
        QtSettingsStore store(QString::fromStdString(conf.string()), QStringLiteral("Setting"));
        return SaveSettings(s, store, "/work/PTZ/dsc_230s.tl");
    }

    const fs::path m_dir = fs::current_path() / ("ostrel-settings-" + std::to_string(::getpid())); // huge files too
    const SettingsPlaces m_places{(m_dir / "program").string(), (m_dir / "data").string()};
};

} // namespace

TEST_F(ViewSettingsTest, CleanProfileGivesTheDefaultsAndARoundTripKeepsThemAndAUsableRecordFolder)
{
    MemorySettingsStore clean;
    ViewSettings s = Load(clean);
    EXPECT_EQ("admin 1 INTRANET", Text(s.szUserId) + ' ' + Text(s.szPassword) + ' ' + Text(s.szIpLabel));
    EXPECT_EQ((std::vector<int>{8000, 3, 4, 3, 1, 1, 1, 0, 0}),
              (std::vector<int>{s.nHostPort, s.byRotateInterval, s.byRequestSpeed, s.byReconnectCount, s.byPtzType,
                                s.byRecordInterval, s.byDateShow, s.bUseFullScreen, s.bUseAlertMode}))
        << "port 8000, a four-second dwell, \"16X\", three reconnections, \"PELCOP\", \"05SEC\", the date shown";
    const std::string strBackup = (fs::path(m_places.strProgramDir) / "Backup").generic_string();
    EXPECT_EQ(strBackup, Text(s.szRecordPath));
    EXPECT_TRUE(fs::is_directory(strBackup));
    EXPECT_FALSE(s.bRecordPathReplaced) << "nothing was stored to replace";

    const std::string strClips = (m_dir / "clips").string();
    fs::create_directories(strClips);
    SetText(s.szIpLabel, "Warehouse gate");
    SetText(s.szRecordPath, strClips);
    s.nHostPort = 9100;
    s.byReconnectCount = 0;
    s.bUseAlertMode = 1;
    const fs::path conf = m_dir / "Ostrel16.conf";
    ASSERT_TRUE(Save(s, conf));
    ViewSettings back = Load(conf);
    EXPECT_EQ("Warehouse gate", Text(back.szIpLabel));
    EXPECT_EQ((std::vector<int>{9100, 0, 1}), (std::vector<int>{back.nHostPort, back.byReconnectCount, back.bUseAlertMode}));
    EXPECT_EQ(strClips, Text(back.szRecordPath)) << "the chosen folder is read back";
    EXPECT_NE(std::string::npos, GetBytes(conf).value_or("").find("Ptz%20File%20Path=/work/PTZ/dsc_230s.tl\n"));
    EXPECT_EQ("/work/PTZ/user_command.tl", Text(back.szPtzFilePath));

    // The folder gone (a stick taken out): the backup folder stands in, and the stored choice
    // is not written over by it.
    fs::remove(strClips);
    back = Load(conf);
    EXPECT_EQ(strBackup, Text(back.szRecordPath));
    EXPECT_TRUE(back.bRecordPathReplaced);
    EXPECT_FALSE(fs::exists(strClips)) << "not made anew";
    ASSERT_TRUE(Save(back, conf));
    EXPECT_NE(std::string::npos, GetBytes(conf).value_or("").find("Record%20Path=" + strClips + "\n"));
}

TEST_F(ViewSettingsTest, ValuesAreCutToTheirFieldsAndBadNumbersGiveDefaults)
{
    MemorySettingsStore store;
    // 62 ASCII bytes and a two-byte character: the character does not fit in 63 bytes.
    store.texts = {{"User ISeed", std::string(62, 'a') + "\xC3\xA9z"}, {"Ip Label", std::string(400, 'x')}};
    store.texts["User PSeed"] = std::string("12\0" "34", 5); // a stored zero ends the text
    ViewSettings s = Load(store, std::string(400, 'x'));
    EXPECT_EQ(std::string(62, 'a'), Text(s.szUserId));
    EXPECT_EQ("12", Text(s.szPassword));
    EXPECT_EQ(65u, Text(s.szIpLabel).size());
    EXPECT_EQ(259u, Text(s.szPtzFilePath).size());

    PutBytes(m_dir / "p.conf", "[Setting]\n"
                               "Rotate%20Interval=259\n"         // 0x103
                               "Reconnect%20Count=-1\n"          // 0xFFFFFFFF
                               "Request%20Speed=4294967042\n"    // 0xFFFFFF02
                               "Ptz%20Type=fast\n"
                               "Host%20Port=99999999999\n"
                               "Record%20Interval=\" 7 \"\n"
                               "Use%20FullScreen=1\nUse%20AlertMode=1\nDate%20Show=0\nAvi%20Codec=1\n");
    s = Load(m_dir / "p.conf");
    EXPECT_EQ((std::vector<int>{3, 255, 2, 1, 8000, 7, 1, 1, 0, 1}),
              (std::vector<int>{s.byRotateInterval, s.byReconnectCount, s.byRequestSpeed, s.byPtzType, s.nHostPort,
                                s.byRecordInterval, s.bUseFullScreen, s.bUseAlertMode, s.byDateShow, s.byAviCodec}))
        << "the low bytes; the defaults for \"fast\" and a port beyond 32 bits; spaces around a number; the names "
           "of the other keys, as written by hand";
}

// Cut after every byte: each value is the stored one, a default, or the digits that are left.
TEST_F(ViewSettingsTest, AProfileCutShortAnywhereLoadsWhatIsWhole)
{
    for (size_t nCut = 0; nCut <= kProfile.size(); ++nCut) {
        SCOPED_TRACE(nCut);
        PutBytes(m_dir / "p.conf", kProfile.substr(0, nCut));
        const ViewSettings s = Load(m_dir / "p.conf");
        const std::string strUser = Text(s.szUserId);
        EXPECT_TRUE(strUser == "admin" || std::string_view("operator").starts_with(strUser)) << strUser;
        EXPECT_TRUE(s.nHostPort == 8000 || s.nHostPort == 9 || s.nHostPort == 91 || s.nHostPort == 910
                    || s.nHostPort == 9100)
            << s.nHostPort;
        EXPECT_TRUE(s.byRequestSpeed == 4 || s.byRequestSpeed == 6);
        const std::string strLabel = Text(s.szIpLabel);
        EXPECT_TRUE(strLabel == "INTRANET" || std::string_view("YARD").starts_with(strLabel)) << strLabel;
    }
    const ViewSettings whole = Load(m_dir / "p.conf");
    EXPECT_EQ("operator YARD", Text(whole.szUserId) + ' ' + Text(whole.szIpLabel));
    EXPECT_EQ((std::vector<int>{9100, 6}), (std::vector<int>{whole.nHostPort, whole.byRequestSpeed}));
}

TEST_F(ViewSettingsTest, AnUnwritableSettingsFolderIsReportedAndTheOldFileKept)
{
    MemorySettingsStore clean;
    ViewSettings s = Load(clean);
    PutBytes(m_dir / "file", "not a folder"); // fails for root too
    EXPECT_FALSE(Save(s, m_dir / "file" / "p.conf"));
    EXPECT_EQ("not a folder", GetBytes(m_dir / "file"));

    fs::create_directories(m_dir / "ro");
    PutBytes(m_dir / "ro" / "p.conf", kProfile);
    fs::permissions(m_dir / "ro", fs::perms::owner_read | fs::perms::owner_exec);
    if (RunsAsRoot())
        GTEST_SKIP() << "root writes into a read-only folder; the regular-file case above stands in";
    SetText(s.szIpLabel, "CHANGED");
    EXPECT_FALSE(Save(s, m_dir / "ro" / "p.conf"));
    EXPECT_EQ(kProfile, GetBytes(m_dir / "ro" / "p.conf"));
}

// The decode threads follow opt.ini or the cores; the PTZ intervals are its first mebibyte's.
TEST_F(ViewSettingsTest, OptIniGivesTheDecodeThreadsAndItsFirstMebibytesIntervalsOrTheDefaults)
{
    const std::string strPath = (m_dir / "opt.ini").string();
    EXPECT_EQ(0, ReadDecodeThreads(1, strPath)) << "missing: one per core but one, none on a single core";
    EXPECT_EQ(3, ReadDecodeThreads(4, strPath));
    EXPECT_EQ(16, ReadDecodeThreads(64, strPath));
    const std::pair<const char*, int> threads[] = {{"0", 0}, {"3", 3}, {"99", 16}, {"-1", 1}, {"two", 0}};
    for (const auto& [pszValue, nThreads] : threads) {
        PutBytes(strPath, std::string("[PTZ_CMD_INTERVAL]\r\nCMD=100\r\n[Decode]\r\nthreads=") + pszValue + "\r\n");
        EXPECT_EQ(nThreads, ReadDecodeThreads(2, strPath)) << pszValue;
    }

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
