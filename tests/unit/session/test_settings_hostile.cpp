// The settings profile through the real QSettings store when the file is cut short, binary,
// not a file, or in a folder that cannot be written: the load gives defaults for what it cannot
// read, and a save that cannot be stored says so and leaves the old file.
#include "session/view_settings.h"

#include "fakes/hostile_files.h"
#include "platform/qt_settings_store.h"

#include <QSettings>

#include <gtest/gtest.h>

#include <filesystem>

using namespace ostrel;
using namespace ostrel::test;
namespace fs = std::filesystem;

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

class HostileSettings : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::current_path() / "settings" / ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(m_dir);
        fs::create_directories(m_dir / "program");
        m_places = {(m_dir / "program").string(), (m_dir / "data").string()};
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::permissions(m_dir, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(m_dir, ec);
    }
    ViewSettings Load(const fs::path& conf)
    {
        QtSettingsStore store(QString::fromStdString(conf.string()), QStringLiteral("Setting"));
        ViewSettings s{};
        EXPECT_TRUE(LoadSaveSettings(s, true, store, m_places, "ptz.tl"));
        return s;
    }
    static void ExpectDefaults(const ViewSettings& s)
    {
        EXPECT_EQ(kDefaultUserId, GetText(s.szUserId));
        EXPECT_EQ(kDefaultPassword, GetText(s.szPassword));
        EXPECT_EQ(kDefaultHostAddress, GetText(s.szHostAddress));
        EXPECT_EQ(kDefaultHostPort, s.nHostPort);
        EXPECT_EQ(kDefaultRotateInterval, s.byRotateInterval);
        EXPECT_EQ(kDefaultRequestSpeed, s.byRequestSpeed);
        EXPECT_EQ(kDefaultIpLabel, GetText(s.szIpLabel));
    }

    fs::path m_dir;
    SettingsPlaces m_places;
};

} // namespace

TEST_F(HostileSettings, TheHandWrittenProfileReadsBack)
{
    PutBytes(m_dir / "p.conf", kProfile);
    const ViewSettings s = Load(m_dir / "p.conf");
    EXPECT_EQ("operator", GetText(s.szUserId));
    EXPECT_EQ(9100, s.nHostPort);
    EXPECT_EQ(6, s.byRequestSpeed);
    EXPECT_EQ("YARD", GetText(s.szIpLabel));
}

// Cut after every byte: each value is the stored one, a default, or (for a number cut inside
// its digits) the digits that are left.
TEST_F(HostileSettings, AProfileCutShortAnywhereLoadsWhatIsWhole)
{
    for (size_t nCut = 0; nCut <= kProfile.size(); ++nCut) {
        SCOPED_TRACE(nCut);
        PutBytes(m_dir / "p.conf", kProfile.substr(0, nCut));
        const ViewSettings s = Load(m_dir / "p.conf");
        const std::string_view strUser = GetText(s.szUserId);
        EXPECT_TRUE(strUser == kDefaultUserId || std::string_view("operator").starts_with(strUser)) << strUser;
        EXPECT_TRUE(s.nHostPort == kDefaultHostPort || s.nHostPort == 9 || s.nHostPort == 91 || s.nHostPort == 910
                    || s.nHostPort == 9100)
            << s.nHostPort;
        EXPECT_TRUE(s.byRequestSpeed == kDefaultRequestSpeed || s.byRequestSpeed == 6);
        const std::string_view strLabel = GetText(s.szIpLabel);
        EXPECT_TRUE(strLabel == kDefaultIpLabel || std::string_view("YARD").starts_with(strLabel)) << strLabel;
    }
}

TEST_F(HostileSettings, BinaryOrUnreadableProfilesGiveTheDefaults)
{
    PutBytes(m_dir / "garbage.conf", Garbage(64 * 1024));
    ExpectDefaults(Load(m_dir / "garbage.conf"));

    // Two megabytes of one line: no section, no value.
    PutEndlessLine(m_dir / "endless.conf", "", 2 << 20, "\n");
    ExpectDefaults(Load(m_dir / "endless.conf"));

    fs::create_directories(m_dir / "folder.conf");
    ExpectDefaults(Load(m_dir / "folder.conf"));

    PutBytes(m_dir / "locked.conf", kProfile);
    fs::permissions(m_dir / "locked.conf", fs::perms::none);
    if (RunsAsRoot())
        GTEST_SKIP() << "root reads a file without read permission; the folder above stands in";
    ExpectDefaults(Load(m_dir / "locked.conf"));
}

// Saving into a folder that cannot be written fails, and the old file stays as it was.
TEST_F(HostileSettings, AnUnwritableSettingsFolderIsReportedAndTheOldFileKept)
{
    ViewSettings s = Load(m_dir / "none.conf");
    {
        // The folder is a regular file: fails for root too.
        PutBytes(m_dir / "file", "not a folder");
        QtSettingsStore store(QString::fromStdString((m_dir / "file" / "p.conf").string()), QStringLiteral("Setting"));
        EXPECT_FALSE(LoadSaveSettings(s, false, store, m_places, "ptz.tl"));
        EXPECT_EQ("not a folder", GetBytes(m_dir / "file"));
    }
    fs::create_directories(m_dir / "ro");
    PutBytes(m_dir / "ro" / "p.conf", kProfile);
    fs::permissions(m_dir / "ro", fs::perms::owner_read | fs::perms::owner_exec);
    if (RunsAsRoot()) {
        fs::permissions(m_dir / "ro", fs::perms::owner_all);
        GTEST_SKIP() << "root writes into a read-only folder; the regular-file case above stands in";
    }
    {
        QtSettingsStore store(QString::fromStdString((m_dir / "ro" / "p.conf").string()), QStringLiteral("Setting"));
        SetText(s.szIpLabel, "CHANGED");
        EXPECT_FALSE(LoadSaveSettings(s, false, store, m_places, "ptz.tl"));
    }
    EXPECT_EQ(kProfile, GetBytes(m_dir / "ro" / "p.conf"));
    fs::permissions(m_dir / "ro", fs::perms::owner_all);
}
