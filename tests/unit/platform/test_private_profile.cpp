// The private-profile reader and writer of ini/cnn.ini and ini/opt.ini, on files written by hand.
#include "platform/private_profile.h"

#include "fakes/fake_file_store.h"
#include "fakes/hostile_files.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <tuple>

namespace fs = std::filesystem;
using namespace ostrel;
using namespace ostrel::test;

namespace {

class PrivateProfileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }
    void Put(const std::string& content) const { PutBytes(m_path, content); }
    std::string Get() const { return GetBytes(m_path).value_or("(none)"); }

    const fs::path m_dir = fs::temp_directory_path() / ("ostrel_profile_" + std::to_string(::getpid()));
    const std::string m_path = (m_dir / "cnn.ini").string();
};

} // namespace

TEST_F(PrivateProfileTest, NamesMatchWithoutCaseAndSpacesAndValuesReadLikeTheProfileReader)
{
    EXPECT_EQ(ReadProfileInt("PTZ_CMD_INTERVAL", "CMD", 70, m_path), 70) << "no file";
    EXPECT_EQ(ReadProfileString("INTRANET", "IP", "abcdef", m_path, 3), "abc");
    Put("; the recorders\n"
        "[Office]\n"
        "  Ip = 192.168.7.10  \n"
        "PORT=8000\n"
        "\n"
        "[ intranet ]\r\n"
        "IP=\"10.1.2.3\"\r\n"
        "[INTRANET]\n"
        "IP=10.9.9.9\n");
    EXPECT_EQ(ReadProfileString("OFFICE", "ip", "", m_path), "192.168.7.10");
    EXPECT_EQ(ReadProfileInt("office", "Port", 0, m_path), 8000);
    EXPECT_EQ(ReadProfileString("Intranet", "IP", "", m_path), "10.1.2.3") << "unquoted; the first section wins";
    EXPECT_EQ(ReadProfileInt("Intranet", "PORT", -1, m_path), -1) << "a key of another section";
    EXPECT_EQ(ReadProfileString("Office", "IP", "", m_path, 7), "192.168");

    const std::pair<const char*, int> rows[] = {{"  -5 ", -5},           {"12ms", 12},           {"fast", 0},
                                                {"", 33}, {"99999999999", INT_MAX}, {"-99999999999", INT_MIN}};
    for (const auto& [pszValue, nExpected] : rows) {
        Put(std::string("[PTZ_CMD_INTERVAL]\nCMD=") + pszValue + "\n");
        EXPECT_EQ(ReadProfileInt("PTZ_CMD_INTERVAL", "CMD", 33, m_path), nExpected) << pszValue;
    }
}

TEST_F(PrivateProfileTest, MalformedFilesReadSafely)
{
    static constexpr char kJunk[] = "[PTZ_CMD_INTERVAL\nCMD=80\n[xxxxxxxx\n=novalue\nSTOP\n\0\n[OTHER]\nKEY=a\0b\n";
    Put(std::string(kJunk, sizeof kJunk - 1));
    EXPECT_EQ(ReadProfileInt("PTZ_CMD_INTERVAL", "CMD", 70, m_path), 80) << "an unclosed header names its section";
    EXPECT_EQ(ReadProfileInt("PTZ_CMD_INTERVAL", "STOP", 70, m_path), 70) << "a key without '=' is no key";
    EXPECT_EQ(ReadProfileString("OTHER", "KEY", "", m_path), "a") << "a value ends at a zero byte";
}

// The address book's tests edit whole books; here the line rules of one write.
TEST_F(PrivateProfileTest, AWriteChangesOnlyItsLineAndRefusesWhatWouldBreakTheFile)
{
    Put("; c\r\n[Office]\r\n  Ip = 1.2.3.4\r\n\r\n[Lobby]\r\nIP=5.6.7.8");
    EXPECT_TRUE(WriteProfileString("OFFICE", "IP", "5.6.7.8", m_path));
    EXPECT_TRUE(WriteProfileString("office", "PORT", "8000", m_path));
    EXPECT_TRUE(WriteProfileString("Yard", "IP", "9.9.9.9", m_path));
    EXPECT_EQ(Get(), "; c\r\n[Office]\r\n  Ip=5.6.7.8\r\nPORT=8000\r\n\r\n[Lobby]\r\nIP=5.6.7.8\r\n[Yard]\r\nIP=9.9.9.9\r\n")
        << "the key keeps its spelling and place, a new key follows the section's last line, the file's CRLF";
    for (const auto& [section, key, value] : {std::tuple{"A]x", "K", "v"}, std::tuple{"A", "K=2", "v"},
                                              std::tuple{"A", "K", "two\nlines"}, std::tuple{"", "K", "v"}})
        EXPECT_FALSE(WriteProfileString(section, key, value, m_path)) << section << "/" << key;
    FakeFileStore fullDisk;
    fullDisk.bFailWrites = true;
    EXPECT_FALSE(WriteProfileString("A", "K", "2", m_path, fullDisk));
    EXPECT_FALSE(WriteProfileString("A", "K", "v", (m_dir / "nofolder" / "x.ini").string()));
    EXPECT_FALSE(fs::exists(m_dir / "nofolder"));
}
