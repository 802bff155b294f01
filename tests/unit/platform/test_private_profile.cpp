#include "platform/private_profile.h"

#include "fakes/fake_file_store.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;
using namespace ostrel;

namespace {

class PrivateProfileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("ostrel_profile_" + std::to_string(::getpid()) + "_"
                                             + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir / "ini");
        m_path = (m_dir / "ini" / "cnn.ini").string();
    }
    void TearDown() override { fs::remove_all(m_dir); }

    void Put(const std::string& content) const
    {
        std::ofstream(m_path, std::ios::binary) << content;
    }
    std::string Get() const
    {
        std::ifstream in(m_path, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }

    fs::path m_dir;
    std::string m_path;
};

} // namespace

TEST_F(PrivateProfileTest, MissingFileGivesTheDefaults)
{
    const std::string strMissing = (m_dir / "ini" / "opt.ini").string();
    EXPECT_EQ(ReadProfileInt("PTZ_CMD_INTERVAL", "CMD", 70, strMissing), 70);
    EXPECT_EQ(ReadProfileString("INTRANET", "IP", "none", strMissing), "none");
    EXPECT_EQ(ReadProfileString("INTRANET", "IP", "abcdef", strMissing, 3), "abc");
}

TEST_F(PrivateProfileTest, NamesMatchWithoutCaseAndSpaces)
{
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
    // Quotes come off; the first of two same-named sections wins.
    EXPECT_EQ(ReadProfileString("Intranet", "IP", "", m_path), "10.1.2.3");
    // A key of another section, or no section, is not found.
    EXPECT_EQ(ReadProfileInt("Intranet", "PORT", -1, m_path), -1);
    EXPECT_EQ(ReadProfileString("Home", "IP", "x", m_path), "x");
    EXPECT_EQ(ReadProfileString("Office", "IP", "", m_path, 7), "192.168");
}

TEST_F(PrivateProfileTest, IntegersReadLikeTheProfileReader)
{
    struct Row {
        const char* pszValue;
        int nExpected;
        const char* pszWhy;
    };
    const Row rows[] = {
        {"70", 70, "a plain number"},
        {"  120  ", 120, "spaces around it do not count"},
        {"-5", -5, "a sign is read"},
        {"+7", 7, "so is a plus"},
        {"12ms", 12, "digits stop at the first other character"},
        {"fast", 0, "no digits reads 0"},
        {"", 33, "an empty value gives the default"},
        {"99999999999", INT_MAX, "too large reads as the largest int"},
        {"-99999999999", INT_MIN, "too small reads as the smallest int"},
    };
    for (const Row& row : rows) {
        Put(std::string("[PTZ_CMD_INTERVAL]\nCMD=") + row.pszValue + "\n");
        EXPECT_EQ(ReadProfileInt("PTZ_CMD_INTERVAL", "CMD", 33, m_path), row.nExpected) << row.pszWhy;
    }
}

TEST_F(PrivateProfileTest, MalformedFilesReadSafely)
{
    std::string junk = "[PTZ_CMD_INTERVAL\nCMD=80\n[";
    junk += std::string(100000, 'x');
    junk += "\n=novalue\nSTOP\n";
    junk.push_back('\0');
    junk += "\n[OTHER]\nKEY=a";
    junk.push_back('\0');
    junk += "b\n";
    Put(junk);
    // An unclosed header still names its section; a key without "=" is no key.
    EXPECT_EQ(ReadProfileInt("PTZ_CMD_INTERVAL", "CMD", 70, m_path), 80);
    EXPECT_EQ(ReadProfileInt("PTZ_CMD_INTERVAL", "STOP", 70, m_path), 70);
    // A value ends at a zero byte.
    EXPECT_EQ(ReadProfileString("OTHER", "KEY", "", m_path), "a");
}

TEST_F(PrivateProfileTest, OnlyTheFirstMebibyteIsRead)
{
    std::string content = "[A]\nK=1\n;" + std::string(kProfileMaxFileBytes, 'x') + "\n[B]\nK=2\n";
    Put(content);
    EXPECT_EQ(ReadProfileInt("A", "K", 0, m_path), 1);
    EXPECT_EQ(ReadProfileInt("B", "K", 0, m_path), 0);
    // Rewriting would lose what was not read: refused, file untouched.
    EXPECT_FALSE(WriteProfileString("A", "K", "3", m_path));
    EXPECT_EQ(Get(), content);
}

TEST_F(PrivateProfileTest, WritesBuildTheAddressBookThreeLinesPerEntry)
{
    fs::remove(m_path);
    EXPECT_TRUE(WriteProfileString("INTRANET", "IP", "192.168.10.100", m_path));
    EXPECT_EQ(Get(), "[INTRANET]\nIP=192.168.10.100\n");
    EXPECT_TRUE(WriteProfileString("INTRANET", "PORT", "8000", m_path));
    EXPECT_TRUE(WriteProfileString("Lobby", "IP", "10.0.0.5", m_path));
    EXPECT_TRUE(WriteProfileString("Lobby", "PORT", "9000", m_path));
    EXPECT_EQ(Get(), "[INTRANET]\nIP=192.168.10.100\nPORT=8000\n[Lobby]\nIP=10.0.0.5\nPORT=9000\n");
    EXPECT_EQ(ReadProfileString("lobby", "port", "", m_path), "9000");
}

TEST_F(PrivateProfileTest, RewritingAKeyLeavesEveryOtherLineAsItWas)
{
    const std::string before = "; header comment\r\n"
                               "[Office]\r\n"
                               "  Ip = 192.168.7.10\r\n"
                               "PORT=8000\r\n"
                               "\r\n"
                               "[Lobby]\r\n"
                               "IP=10.0.0.5\r\n"
                               "PORT=9000";
    Put(before);
    EXPECT_TRUE(WriteProfileString("OFFICE", "IP", "192.168.7.11", m_path));
    // The key keeps its spelling and place; the file's CRLF endings stay.
    EXPECT_EQ(Get(), "; header comment\r\n"
                     "[Office]\r\n"
                     "  Ip=192.168.7.11\r\n"
                     "PORT=8000\r\n"
                     "\r\n"
                     "[Lobby]\r\n"
                     "IP=10.0.0.5\r\n"
                     "PORT=9000");
}

TEST_F(PrivateProfileTest, NewKeysAndSectionsFollowTheFilesOwnLines)
{
    Put("[Office]\r\nIP=1.2.3.4\r\n\r\n[Lobby]\r\nIP=5.6.7.8");
    // A new key goes after the section's last line, before the blank one.
    EXPECT_TRUE(WriteProfileString("office", "PORT", "8000", m_path));
    // A new section goes at the end; a last line without an ending gets one first.
    EXPECT_TRUE(WriteProfileString("Yard", "IP", "9.9.9.9", m_path));
    EXPECT_EQ(Get(), "[Office]\r\nIP=1.2.3.4\r\nPORT=8000\r\n\r\n[Lobby]\r\nIP=5.6.7.8\r\n[Yard]\r\nIP=9.9.9.9\r\n");
}

TEST_F(PrivateProfileTest, WritesThatWouldBreakTheFileAreRefused)
{
    Put("[A]\nK=1\n");
    struct Row {
        std::string_view section, key, value;
        const char* pszWhy;
    };
    const Row rows[] = {
        {"", "K", "v", "an empty section"},
        {"A", " ", "v", "an empty key"},
        {"A]x", "K", "v", "a bracket in a section"},
        {"A", "K=2", "v", "an equals sign in a key"},
        {"A", ";K", "v", "a key that reads as a comment"},
        {"A", "K", "two\nlines", "a line break in a value"},
        {"A\r", "K", "v", "a line break in a section"},
        {"A", std::string_view("K\0x", 3), "v", "a zero byte in a key"},
    };
    for (const Row& row : rows)
        EXPECT_FALSE(WriteProfileString(row.section, row.key, row.value, m_path)) << row.pszWhy;
    EXPECT_EQ(Get(), "[A]\nK=1\n");
}

TEST_F(PrivateProfileTest, FailedWritesReportFailureAndKeepTheFile)
{
    EXPECT_FALSE(WriteProfileString("A", "K", "v", (m_dir / "nofolder" / "x.ini").string()));
    EXPECT_FALSE(fs::exists(m_dir / "nofolder"));

    Put("[A]\nK=1\n");
    test::FakeFileStore fullDisk;
    fullDisk.bFailWrites = true;
    EXPECT_FALSE(WriteProfileString("A", "K", "2", m_path, fullDisk));
    EXPECT_EQ(Get(), "[A]\nK=1\n");

    test::FakeFileStore store;
    EXPECT_TRUE(WriteProfileString("A", "K", "2", m_path, store));
    const auto& bytes = store.files.at(m_path);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "[A]\nK=2\n");
}
