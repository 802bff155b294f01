// The address book on a real folder: what the history lists, how entries are added, updated
// and deleted byte for byte, and that a file it must not rewrite is left exactly as it was.
#include "config/ip_history_book.h"
#include "platform/file_store.h"
#include "platform/private_profile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

using namespace ostrel;
namespace fs = std::filesystem;

namespace {

using Entries = std::vector<IpHistoryEntry>;
using Result = IpHistoryBook::Result;

// Fails the whole-file write whose number (1-based) is nFailAt; every other call goes to disk.
class FailingNthWrite final : public FileStore {
public:
    bool WriteWhole(const std::string& strPath, const uint8_t* pData, size_t nBytes) override
    {
        return ++nWrites == nFailAt ? false : m_local.WriteWhole(strPath, pData, nBytes);
    }
    bool Remove(const std::string& strPath) override { return m_local.Remove(strPath); }
    std::unique_ptr<WritableFile> OpenWritable(const std::string& strPath, FileStatus* pStatus) override
    {
        return m_local.OpenWritable(strPath, pStatus);
    }
    FileReadResult ReadAtMost(const std::string& strPath, size_t nMaxBytes, std::vector<uint8_t>& rOut) override
    {
        return m_local.ReadAtMost(strPath, nMaxBytes, rOut);
    }
    int nFailAt = 0;
    int nWrites = 0;

private:
    LocalFileStore m_local;
};

class HistoryBookTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* pInfo = ::testing::UnitTest::GetInstance()->current_test_info();
        m_dir = fs::current_path() / "books" / pInfo->name();
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    std::string Dir() const { return m_dir.string(); }
    std::string IniPath() const { return (m_dir / "ini" / "cnn.ini").string(); }
    void WriteIni(const std::string& strBytes) const
    {
        fs::create_directories(m_dir / "ini");
        std::ofstream(IniPath(), std::ios::binary) << strBytes;
    }
    std::string ReadIni() const
    {
        std::ifstream in(IniPath(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    LocalFileStore files;
    fs::path m_dir;
};

const char* const kFiveEntries = "[A]\nIP=10.0.0.1\nPORT=8001\n"
                                 "[B]\nIP=10.0.0.2\nPORT=8002\n"
                                 "[C]\nIP=10.0.0.3\nPORT=8003\n"
                                 "[CC]\nIP=10.0.0.4\nPORT=8004\n"
                                 "[D]\nIP=10.0.0.5\nPORT=8005\n";

} // namespace

TEST_F(HistoryBookTest, FirstOpenWithoutABookStartsOneWithTheDefaultEntry)
{
    IpHistoryBook book(Dir(), files);
    Result result = Result::Failed;
    EXPECT_EQ((Entries{{"INTRANET", "192.168.1.100", "8000"}}), book.LoadOrCreate("192.168.1.100", &result));
    EXPECT_EQ(Result::Ok, result);
    EXPECT_TRUE(fs::is_directory(m_dir / "ini"));
    EXPECT_EQ("[INTRANET]\nIP=192.168.1.100\nPORT=8000\n", ReadIni());

    // The next open reads the same entry back from the file.
    Entries read;
    EXPECT_EQ(Result::Ok, book.ReadEntries(read));
    EXPECT_EQ((Entries{{"INTRANET", "192.168.1.100", "8000"}}), read);
}

TEST_F(HistoryBookTest, DeletingTheOnlyEntryLeavesAnEmptyBookThatStaysEmpty)
{
    IpHistoryBook book(Dir(), files);
    book.LoadOrCreate("192.168.1.100");
    EXPECT_EQ(Result::Ok, book.DeleteHistoryEntry("INTRANET"));
    EXPECT_TRUE(fs::exists(IniPath()));
    EXPECT_EQ("", ReadIni());
    EXPECT_TRUE(book.LoadOrCreate("192.168.1.100").empty());
    EXPECT_EQ("", ReadIni()); // no default entry again while the file exists
}

TEST_F(HistoryBookTest, DeleteInTheMiddleTakesExactlyThatSection)
{
    WriteIni(kFiveEntries);
    IpHistoryBook book(Dir(), files);
    EXPECT_EQ(Result::Ok, book.DeleteHistoryEntry("C"));
    // "[CC]" does not hold "[C]" and stays.
    EXPECT_EQ("[A]\nIP=10.0.0.1\nPORT=8001\n"
              "[B]\nIP=10.0.0.2\nPORT=8002\n"
              "[CC]\nIP=10.0.0.4\nPORT=8004\n"
              "[D]\nIP=10.0.0.5\nPORT=8005\n",
              ReadIni());

    // Names nobody has, and an empty name, change nothing; without a file nothing is created.
    EXPECT_EQ(Result::Ok, book.DeleteHistoryEntry("Z"));
    EXPECT_EQ(Result::Ok, book.DeleteHistoryEntry(""));
    const std::string strAfter = ReadIni();
    EXPECT_EQ(4, std::count(strAfter.begin(), strAfter.end(), '['));
    fs::remove(IniPath());
    EXPECT_EQ(Result::Missing, book.DeleteHistoryEntry("A"));
    EXPECT_FALSE(fs::exists(IniPath()));
}

TEST_F(HistoryBookTest, ListShowsEveryHeaderWithItsSectionsValues)
{
    WriteIni("; recorders\n"
             "[Lobby]\nIP = 10.1.1.1 \nPORT=\"9000\"\n"
             "[NoPort]\nIP=10.1.1.2\n"
             "[lobby]\nIP=10.9.9.9\nPORT=1\n" // a repeated name reads the first section's values
             "[Keys]\nport=7000\nip=10.1.1.3\n"
             "  [Blank Name ]\n"
             "IP=[not a header]\n");
    IpHistoryBook book(Dir(), files);
    Entries entries;
    EXPECT_EQ(Result::Ok, book.ReadEntries(entries));
    EXPECT_EQ((Entries{{"Lobby", "10.1.1.1", "9000"},
                       {"NoPort", "10.1.1.2", ""},
                       {"lobby", "10.1.1.1", "9000"},
                       {"Keys", "10.1.1.3", "7000"},
                       {"Blank Name", "[not a header]", ""}}),
              entries);

    // The profile reader agrees on every value the list shows.
    for (const IpHistoryEntry& e : entries) {
        EXPECT_EQ(e.strIp, ReadProfileString(e.strName, "IP", "", IniPath())) << e.strName;
        EXPECT_EQ(e.strPort, ReadProfileString(e.strName, "PORT", "", IniPath())) << e.strName;
    }
}

TEST_F(HistoryBookTest, AddingANewEntryAppendsItAndAnOldNameIsUpdatedInPlace)
{
    WriteIni("[Office]\nIP=10.0.0.1\nPORT=8001\n[Home]\nIP=10.0.0.2\nPORT=8002\n");
    IpHistoryBook book(Dir(), files);
    EXPECT_EQ(Result::Ok, book.AddHistoryEntry("Shop", "10.0.0.3", "8003"));
    EXPECT_EQ(Result::Ok, book.AddHistoryEntry("office", "10.0.0.9", "9009"));
    EXPECT_EQ("[Office]\nIP=10.0.0.9\nPORT=9009\n[Home]\nIP=10.0.0.2\nPORT=8002\n[Shop]\nIP=10.0.0.3\nPORT=8003\n",
              ReadIni());
}

TEST_F(HistoryBookTest, NamesTheFileCannotKeepAreRefusedAndNothingIsWritten)
{
    IpHistoryBook book(Dir(), files);
    for (const char* pName : {"a]b", "]", "", "   ", "two\nlines", "cr\rname"})
        EXPECT_EQ(Result::BadText, book.AddHistoryEntry(pName, "10.0.0.1", "8000")) << pName;
    EXPECT_EQ(Result::BadText, book.AddHistoryEntry(std::string_view("nul\0name", 8), "10.0.0.1", "8000"));
    EXPECT_EQ(Result::BadText, book.AddHistoryEntry("ok", "10.0.0.1\n[x]", "8000"));
    EXPECT_FALSE(fs::exists(IniPath()));

    WriteIni(kFiveEntries);
    EXPECT_EQ(Result::BadText, book.AddHistoryEntry("C]\nIP=1.1.1.1", "10.0.0.1", "8000"));
    EXPECT_EQ(kFiveEntries, ReadIni());
    EXPECT_FALSE(HistoryMessage(Result::BadText).empty());
    EXPECT_TRUE(HistoryMessage(Result::Ok).empty());
}

TEST_F(HistoryBookTest, CrlfBooksAreReadCleanlyAndKeepTheirLineEnds)
{
    WriteIni("[A]\r\nIP=10.0.0.1\r\nPORT=8001\r\n[B]\r\nIP=10.0.0.2\r\nPORT=8002\r\n[C]\r\nIP=10.0.0.3\r\nPORT=8003\r\n");
    IpHistoryBook book(Dir(), files);
    Entries entries;
    book.ReadEntries(entries);
    EXPECT_EQ((Entries{{"A", "10.0.0.1", "8001"}, {"B", "10.0.0.2", "8002"}, {"C", "10.0.0.3", "8003"}}), entries);

    EXPECT_EQ(Result::Ok, book.DeleteHistoryEntry("B"));
    EXPECT_EQ(Result::Ok, book.AddHistoryEntry("D", "10.0.0.4", "8004"));
    EXPECT_EQ("[A]\r\nIP=10.0.0.1\r\nPORT=8001\r\n[C]\r\nIP=10.0.0.3\r\nPORT=8003\r\n[D]\r\nIP=10.0.0.4\r\nPORT=8004\r\n",
              ReadIni());
}

TEST_F(HistoryBookTest, AFailedWriteLeavesTheOldBook)
{
    WriteIni(kFiveEntries);
    FailingNthWrite failing;
    IpHistoryBook book(Dir(), failing);

    failing.nFailAt = 1; // a new entry's IP and PORT lines go in with one write
    EXPECT_EQ(Result::Failed, book.AddHistoryEntry("E", "10.0.0.6", "8006"));
    EXPECT_EQ(kFiveEntries, ReadIni());
    EXPECT_EQ(1, failing.nWrites);

    failing.nWrites = 0;
    EXPECT_EQ(Result::Failed, book.DeleteHistoryEntry("B"));
    EXPECT_EQ(kFiveEntries, ReadIni());

    // A book that did not exist does not appear half written.
    fs::remove(IniPath());
    failing.nWrites = 0;
    EXPECT_EQ(Result::Failed, book.AddHistoryEntry("E", "10.0.0.6", "8006"));
    EXPECT_FALSE(fs::exists(IniPath()));

    failing.nWrites = 0;
    failing.nFailAt = 2;
    EXPECT_EQ(Result::Ok, book.AddHistoryEntry("E", "10.0.0.6", "8006"));
    EXPECT_EQ("[E]\nIP=10.0.0.6\nPORT=8006\n", ReadIni());
    EXPECT_EQ(1, failing.nWrites);
}

TEST_F(HistoryBookTest, ABookOfOneMebibyteIsEditedWholeAndALargerOneIsLeftAlone)
{
    // Entries of exactly 32 bytes: "[E00000]\n" 9, "IP=10.0.0.1\n" 12, "PORT=08000\n" 11.
    const size_t nEntries = kProfileMaxFileBytes / 32;
    std::string strBook;
    strBook.reserve(kProfileMaxFileBytes + 1);
    for (size_t i = 0; i < nEntries; ++i) {
        char header[16];
        std::snprintf(header, sizeof header, "[E%05zu]\n", i);
        strBook += header;
        strBook += "IP=10.0.0.1\nPORT=08000\n";
    }
    ASSERT_EQ(kProfileMaxFileBytes, strBook.size());
    WriteIni(strBook);
    IpHistoryBook book(Dir(), files);

    Entries entries;
    EXPECT_EQ(Result::Ok, book.ReadEntries(entries));
    ASSERT_EQ(nEntries, entries.size());
    EXPECT_EQ((IpHistoryEntry{"E32767", "10.0.0.1", "08000"}), entries.back());

    // Full: nothing more fits, but a delete rewrites the whole file.
    EXPECT_EQ(Result::TooLarge, book.AddHistoryEntry("New", "10.0.0.2", "8000"));
    EXPECT_EQ(strBook, ReadIni());
    EXPECT_EQ(Result::Ok, book.DeleteHistoryEntry("E16000"));
    std::string strExpected = strBook;
    strExpected.erase(16000 * 32, 32);
    EXPECT_EQ(strExpected, ReadIni());
    EXPECT_EQ(Result::Ok, book.AddHistoryEntry("New", "10.0.0.2", "8000"));
    EXPECT_EQ(strExpected + "[New]\nIP=10.0.0.2\nPORT=8000\n", ReadIni());

    // One byte past the cap: every edit is refused and the file stays as it is.
    const std::string strLarger = strBook + ";";
    WriteIni(strLarger);
    EXPECT_EQ(Result::TooLarge, book.DeleteHistoryEntry("E00001"));
    EXPECT_EQ(Result::TooLarge, book.AddHistoryEntry("E00001", "10.0.0.9", "9"));
    EXPECT_EQ(strLarger, ReadIni());
    // The list still shows what lies within the cap.
    EXPECT_EQ(Result::Ok, book.ReadEntries(entries));
    EXPECT_EQ(nEntries, entries.size());
    EXPECT_FALSE(HistoryMessage(Result::TooLarge).empty());
}

TEST_F(HistoryBookTest, AnOverlongHeaderLineListsItsFirst383Characters)
{
    const std::string strName(500, 'n');
    WriteIni("[" + strName + "]\nIP=10.0.0.1\nPORT=1\n");
    IpHistoryBook book(Dir(), files);
    Entries entries;
    book.ReadEntries(entries);
    ASSERT_EQ(1u, entries.size());
    EXPECT_EQ(std::string(383, 'n'), entries[0].strName);
}
