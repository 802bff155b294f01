#include "session/view_settings.h"

#include "fakes/memory_settings_store.h"
#include "platform/qt_settings_store.h"

#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using namespace ostrel;
using ostrel::test::MemorySettingsStore;

namespace {

class ViewSettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_tmp.isValid());
        m_places.strProgramDir = (Root() / "bin").string();
        m_places.strDataDir = (Root() / "data").string();
        fs::create_directories(m_places.strProgramDir);
    }
    fs::path Root() const { return fs::path(m_tmp.path().toStdString()); }
    QString IniPath() const { return m_tmp.filePath(QStringLiteral("Ostrel16.conf")); }

    ViewSettings Load(SettingsStore& store, const std::string& strPtzFile = "/work/PTZ/user_command.tl")
    {
        ViewSettings s{};
        EXPECT_TRUE(LoadSaveSettings(s, true, store, m_places, strPtzFile));
        return s;
    }

    QTemporaryDir m_tmp;
    SettingsPlaces m_places;
};

std::string Text(const auto& field)
{
    return std::string(GetText(field));
}

} // namespace

TEST_F(ViewSettingsTest, FirstStartOnACleanProfileGivesTheDefaults)
{
    MemorySettingsStore store;
    const ViewSettings s = Load(store);
    EXPECT_EQ(Text(s.szUserId), "admin");
    EXPECT_EQ(Text(s.szPassword), kDefaultPassword);
    EXPECT_EQ(Text(s.szPassword).size(), 1u);
    EXPECT_EQ(Text(s.szHostAddress), kDefaultHostAddress);
    EXPECT_EQ(s.nHostPort, 8000);
    EXPECT_EQ(s.byRotateInterval, 3);  // a four-second dwell
    EXPECT_EQ(s.byReconnectCount, 3);
    EXPECT_EQ(s.byRequestSpeed, 4);    // "16X"
    EXPECT_EQ(s.byPtzType, 1);         // "PELCOP"
    EXPECT_EQ(s.bUseFullScreen, 0);
    EXPECT_EQ(s.bUseAlertMode, 0);
    EXPECT_EQ(s.byRecordInterval, 1);  // "05SEC"
    EXPECT_EQ(s.byDateShow, 1);
    EXPECT_EQ(Text(s.szIpLabel), "INTRANET");
    EXPECT_EQ(Text(s.szPtzFilePath), "/work/PTZ/user_command.tl");
    EXPECT_EQ(Text(s.szRecordPath), (fs::path(m_places.strProgramDir) / "Backup").generic_string());
    EXPECT_TRUE(fs::is_directory(fs::path(m_places.strProgramDir) / "Backup"));
}

TEST_F(ViewSettingsTest, LoadAndSaveKeepTheirFixedOrder)
{
    MemorySettingsStore store;
    ViewSettings s = Load(store);
    EXPECT_EQ(store.log, (std::vector<std::string>{
                             "read User ISeed", "read User PSeed", "read Host IPAddress", "read Host Port",
                             "read Rotate Interval", "read Reconnect Count", "read Request Speed",
                             "read Use FullScreen", "read Use AlertMode", "read Ptz Type", "read Record Interval",
                             "read Date Show", "read Avi Codec", "read Ip Label"}));
    store.log.clear();
    SetText(s.szRecordPath, "/media/usb");
    EXPECT_TRUE(LoadSaveSettings(s, false, store, m_places, "/work/PTZ/pelcoD.tl"));
    EXPECT_EQ(store.log, (std::vector<std::string>{
                             "write User ISeed=admin", std::string("write User PSeed=") + kDefaultPassword,
                             "write Record Path=/media/usb",
                             std::string("write Host IPAddress=") + kDefaultHostAddress, "write Host Port=8000",
                             "write Rotate Interval=3", "write Reconnect Count=3", "write Request Speed=4",
                             "write Use FullScreen=0", "write Use AlertMode=0", "write Ptz Type=1",
                             "write Record Interval=1", "write Date Show=1", "write Avi Codec=0",
                             "write Ptz File Path=/work/PTZ/pelcoD.tl", "write Ip Label=INTRANET"}));
}

TEST_F(ViewSettingsTest, RoundTripThroughTheProfileKeepsAllButTheRecordPath)
{
    ViewSettings s{};
    SetText(s.szUserId, "operator");
    SetText(s.szPassword, "4321");
    SetText(s.szHostAddress, "10.20.30.40");
    SetText(s.szRecordPath, "/media/usb/clips");
    s.nHostPort = 9100;
    s.byRotateInterval = 5;
    s.byReconnectCount = 0;
    s.byRequestSpeed = 6;
    s.byPtzType = 5;
    s.bUseFullScreen = 1;
    s.bUseAlertMode = 1;
    s.byRecordInterval = 12;
    s.byDateShow = 0;
    SetText(s.szIpLabel, "Warehouse gate");
    {
        QtSettingsStore store(IniPath(), QStringLiteral("Setting"));
        ASSERT_TRUE(LoadSaveSettings(s, false, store, m_places, "/work/PTZ/dsc_230s.tl"));
    }
    QtSettingsStore store(IniPath(), QStringLiteral("Setting"));
    const ViewSettings back = Load(store, "/work/PTZ/user_command.tl");
    EXPECT_EQ(Text(back.szUserId), "operator");
    EXPECT_EQ(Text(back.szPassword), "4321");
    EXPECT_EQ(Text(back.szHostAddress), "10.20.30.40");
    EXPECT_EQ(back.nHostPort, 9100);
    EXPECT_EQ(back.byRotateInterval, 5);
    EXPECT_EQ(back.byReconnectCount, 0);
    EXPECT_EQ(back.byRequestSpeed, 6);
    EXPECT_EQ(back.byPtzType, 5);
    EXPECT_EQ(back.bUseFullScreen, 1);
    EXPECT_EQ(back.bUseAlertMode, 1);
    EXPECT_EQ(back.byRecordInterval, 12);
    EXPECT_EQ(back.byDateShow, 0);
    EXPECT_EQ(Text(back.szIpLabel), "Warehouse gate");
    // Written but not read back: the next start records beside the program again, and the PTZ
    // file path is the view's current one.
    const QSettings raw(IniPath(), QSettings::IniFormat);
    EXPECT_EQ(raw.value(QStringLiteral("Setting/Record Path")).toString(), QStringLiteral("/media/usb/clips"));
    EXPECT_EQ(raw.value(QStringLiteral("Setting/Ptz File Path")).toString(), QStringLiteral("/work/PTZ/dsc_230s.tl"));
    EXPECT_EQ(Text(back.szRecordPath), (fs::path(m_places.strProgramDir) / "Backup").generic_string());
    EXPECT_EQ(Text(back.szPtzFilePath), "/work/PTZ/user_command.tl");
}

TEST_F(ViewSettingsTest, OverlongTextsAreCutToFitTheirFields)
{
    const std::string strLong(400, 'x');
    // 62 ASCII bytes and then a two-byte character: the character does not fit in 63 bytes.
    const std::string strAccented = std::string(62, 'a') + "\xC3\xA9" + "z";
    MemorySettingsStore store;
    store.texts["User ISeed"] = strLong;
    store.texts["User PSeed"] = strLong;
    store.texts["Host IPAddress"] = strLong;
    store.texts["Ip Label"] = strLong;
    ViewSettings s = Load(store, strLong);
    EXPECT_EQ(Text(s.szUserId).size(), 63u);
    EXPECT_EQ(Text(s.szPassword).size(), 31u);
    EXPECT_EQ(Text(s.szHostAddress).size(), 31u);
    EXPECT_EQ(Text(s.szIpLabel).size(), 65u);
    EXPECT_EQ(Text(s.szPtzFilePath).size(), 259u);
    EXPECT_EQ(s.szUserId.back(), '\0');
    EXPECT_EQ(s.szIpLabel.back(), '\0');

    store.texts["User ISeed"] = strAccented;
    store.texts["User PSeed"] = std::string("12\0" "34", 5); // a stored zero ends the text
    s = Load(store);
    EXPECT_EQ(Text(s.szUserId), std::string(62, 'a'));
    EXPECT_EQ(Text(s.szPassword), "12");
}

TEST_F(ViewSettingsTest, ByteFieldsKeepTheLowByteAndBadNumbersGiveDefaults)
{
    {
        QSettings raw(IniPath(), QSettings::IniFormat);
        raw.setValue(QStringLiteral("Setting/Rotate Interval"), 259);          // 0x103
        raw.setValue(QStringLiteral("Setting/Reconnect Count"), -1);          // 0xFFFFFFFF
        raw.setValue(QStringLiteral("Setting/Request Speed"), QStringLiteral("4294967042")); // 0xFFFFFF02
        raw.setValue(QStringLiteral("Setting/Ptz Type"), QStringLiteral("fast"));
        raw.setValue(QStringLiteral("Setting/Host Port"), QStringLiteral("99999999999"));
        raw.setValue(QStringLiteral("Setting/Record Interval"), QStringLiteral(" 7 "));
    }
    QtSettingsStore store(IniPath(), QStringLiteral("Setting"));
    const ViewSettings s = Load(store);
    EXPECT_EQ(s.byRotateInterval, 3);
    EXPECT_EQ(s.byReconnectCount, 255);
    EXPECT_EQ(s.byRequestSpeed, 2);
    EXPECT_EQ(s.byPtzType, kDefaultPtzType);  // not a number
    EXPECT_EQ(s.nHostPort, kDefaultHostPort); // beyond 32 bits
    EXPECT_EQ(s.byRecordInterval, 7);
}

TEST_F(ViewSettingsTest, AFailedSaveIsReported)
{
    MemorySettingsStore store;
    store.bFailFlush = true;
    ViewSettings s = Load(store);
    EXPECT_FALSE(LoadSaveSettings(s, false, store, m_places, ""));
}

TEST_F(ViewSettingsTest, BackupFolderFallsBackToTheUsersDataFolder)
{
    // An existing folder is no error and is kept.
    fs::create_directories(fs::path(m_places.strProgramDir) / "Backup");
    EXPECT_EQ(PrepareBackupFolder(m_places), (fs::path(m_places.strProgramDir) / "Backup").generic_string());

    // A program folder that cannot hold a Backup folder (here a file stands in its way).
    SettingsPlaces blocked = m_places;
    blocked.strProgramDir = (Root() / "program.bin").string();
    std::ofstream(blocked.strProgramDir) << "x";
    EXPECT_EQ(PrepareBackupFolder(blocked), (fs::path(m_places.strDataDir) / "Backup").generic_string());
    EXPECT_TRUE(fs::is_directory(fs::path(m_places.strDataDir) / "Backup"));

    // Neither can: the documented place is kept and nothing is reported.
    blocked.strDataDir = (Root() / "program.bin" / "data").string();
    EXPECT_EQ(PrepareBackupFolder(blocked), (fs::path(blocked.strProgramDir) / "Backup").generic_string());
}

TEST_F(ViewSettingsTest, PtzIntervalsComeFromOptIniOr70)
{
    const std::string strIni = (Root() / "opt.ini").string();
    PtzIntervals intervals = ReadPtzIntervals(strIni);
    EXPECT_EQ(intervals.nPtzCmdInterval, 70);
    EXPECT_EQ(intervals.nPtzStopInterval, 70);
    std::ofstream(strIni) << "[ptz_cmd_interval]\ncmd=120\nSTOP=10\n";
    intervals = ReadPtzIntervals(strIni);
    EXPECT_EQ(intervals.nPtzCmdInterval, 120);
    EXPECT_EQ(intervals.nPtzStopInterval, 10); // raising to 70 is the PTZ timers' business
}

TEST_F(ViewSettingsTest, DecodeThreadsFollowOptIniOrTheCores)
{
    const std::string strIni = (Root() / "opt.ini").string();
    // Missing: one per core, none on a single core.
    EXPECT_EQ(ReadDecodeThreads(2, strIni), 2);
    EXPECT_EQ(ReadDecodeThreads(1, strIni), 0);
    EXPECT_EQ(ReadDecodeThreads(0, strIni), 0) << "core count unknown";
    EXPECT_EQ(ReadDecodeThreads(64, strIni), 16);
    const auto with = [&](const char* pszValue) {
        std::ofstream(strIni) << "[PTZ_CMD_INTERVAL]\r\nCMD=100\r\n[Decode]\r\nthreads=" << pszValue << "\r\n";
        return ReadDecodeThreads(2, strIni);
    };
    EXPECT_EQ(with("0"), 0) << "the single-thread path";
    EXPECT_EQ(with("3"), 3);
    EXPECT_EQ(with("99"), 16);
    EXPECT_EQ(with("-1"), 2) << "negative: as if missing";
    EXPECT_EQ(with(""), 2) << "empty: as if missing";
    EXPECT_EQ(with("two"), 0) << "no digits read as 0, as every integer key of the file";
}

TEST(ViewSettingsText, ReadingStopsAtTheFieldsEnd)
{
    std::array<char, 4> field{'a', 'b', 'c', 'd'}; // no terminator, as a careless copy leaves it
    EXPECT_EQ(GetText(field), "abcd");
    SetText(field, "xyz123");
    EXPECT_EQ(GetText(field), "xyz");
    EXPECT_EQ(field[3], '\0');
}
