// The private-profile reader and writer of ini/cnn.ini and ini/opt.ini, on files written by hand.
#include "platform/private_profile.h"

#include "fakes/fake_file_store.h"
#include "fakes/hostile_files.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>

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

    const std::pair<const char*, int> rows[] = {
        {"  120  ", 120}, {"-5", -5}, {"12ms", 12}, {"fast", 0}, {"", 33}, {"99999999999", INT_MAX}, {"-99999999999", INT_MIN},
    };
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

TEST_F(PrivateProfileTest, AWriteChangesOnlyItsLineAndFollowsTheFilesOwnLines)
{
    struct Row {
        const char* name;
        std::string before;
        const char *pszSection, *pszKey, *pszValue;
        std::string after;
    } rows[] = {
        {"a new file", "(none)", "INTRANET", "IP", "192.168.10.100", "[INTRANET]\nIP=192.168.10.100\n"},
        {"the key keeps its spelling, place and the file's CRLF", "; c\r\n[Office]\r\n  Ip = 1.2.3.4\r\nPORT=8000",
         "OFFICE", "IP", "5.6.7.8", "; c\r\n[Office]\r\n  Ip=5.6.7.8\r\nPORT=8000"},
        {"a new key after the section's last line, before the blank one",
         "[Office]\r\nIP=1.2.3.4\r\n\r\n[Lobby]\r\nIP=5.6.7.8", "office", "PORT", "8000",
         "[Office]\r\nIP=1.2.3.4\r\nPORT=8000\r\n\r\n[Lobby]\r\nIP=5.6.7.8"},
        {"a new section after a last line without an ending", "[Lobby]\r\nIP=5.6.7.8", "Yard", "IP", "9.9.9.9",
         "[Lobby]\r\nIP=5.6.7.8\r\n[Yard]\r\nIP=9.9.9.9\r\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove(m_path);
        if (row.before != "(none)")
            Put(row.before);
        EXPECT_TRUE(WriteProfileString(row.pszSection, row.pszKey, row.pszValue, m_path));
        EXPECT_EQ(Get(), row.after);
        EXPECT_EQ(ReadProfileString(row.pszSection, row.pszKey, "", m_path), row.pszValue);
    }
}

TEST_F(PrivateProfileTest, WritesThatWouldBreakTheFileOrCannotBeStoredAreRefused)
{
    Put("[A]\nK=1\n");
    const std::string_view rows[][3] = {
        {"", "K", "v"},   {"A", " ", "v"},         {"A]x", "K", "v"}, {"A", "K=2", "v"},
        {"A", ";K", "v"}, {"A", "K", "two\nlines"}, {"A\r", "K", "v"}, {"A", std::string_view("K\0x", 3), "v"},
    };
    for (const auto& row : rows)
        EXPECT_FALSE(WriteProfileString(row[0], row[1], row[2], m_path)) << row[0] << "/" << row[1];
    EXPECT_FALSE(WriteProfileString("A", "K", "v", (m_dir / "nofolder" / "x.ini").string()));
    EXPECT_FALSE(fs::exists(m_dir / "nofolder"));
    FakeFileStore fullDisk;
    fullDisk.bFailWrites = true;
    EXPECT_FALSE(WriteProfileString("A", "K", "2", m_path, fullDisk));
    EXPECT_EQ(Get(), "[A]\nK=1\n");
}
