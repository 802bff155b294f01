// The address book ini/cnn.ini: what the history lists, how entries are added, updated and
// deleted byte for byte, and that a write failing at any step, or a book that is huge, binary,
// endless or no file at all, leaves the old book or the whole new one, never a part.
#include "config/ip_history_book.h"

#include "fakes/fake_file_store.h"
#include "fakes/hostile_files.h"
#include "platform/file_store.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>

using namespace ostrel;
using namespace ostrel::test;
namespace fs = std::filesystem;

namespace {

using Entries = std::vector<IpHistoryEntry>;
using Result = IpHistoryBook::Result;
using Edit = std::function<Result(IpHistoryBook&)>;

const std::string kOld = "[A]\r\nIP=10.0.0.1\r\nPORT=8001\r\n[B]\r\nIP=10.0.0.2\r\nPORT=8002\r\n";
const std::string kFive = "[A]\nIP=10.0.0.1\nPORT=8001\n[B]\nIP=10.0.0.2\nPORT=8002\n[C]\nIP=10.0.0.3\nPORT=8003\n"
                          "[CC]\nIP=10.0.0.4\nPORT=8004\n[D]\nIP=10.0.0.5\nPORT=8005\n";
const Edit kAddE = [](IpHistoryBook& b) { return b.AddHistoryEntry("E", "10.0.0.6", "8006"); };
const Edit kDeleteB = [](IpHistoryBook& b) { return b.DeleteHistoryEntry("B"); };

class HistoryBookTest : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(m_dir / "ini"); }
    fs::path IniPath() const { return m_dir / "ini" / "cnn.ini"; }
    void Put(const std::string& strBytes) const { PutBytes(IniPath(), strBytes); }
    std::string Ini() const { return GetBytes(IniPath()).value_or("(no file)"); }

    const fs::path m_dir = fs::current_path() / "books" / ::testing::UnitTest::GetInstance()->current_test_info()->name();
    LocalFileStore files;
    IpHistoryBook book{m_dir.string(), files};
};

} // namespace

// The first open writes the default entry; an emptied book stays empty; edits change exactly
// their section (the CRLF books' are the failure test's); names that would break the file are
// refused.
TEST_F(HistoryBookTest, EditsChangeExactlyTheirSectionAndRefuseWhatWouldBreakTheFile)
{
    EXPECT_EQ((Entries{{"INTRANET", "192.168.1.100", "8000"}}), book.LoadOrCreate("192.168.1.100"));
    EXPECT_EQ("[INTRANET]\nIP=192.168.1.100\nPORT=8000\n", Ini());
    EXPECT_EQ(fs::perms::owner_read | fs::perms::owner_write, fs::status(IniPath()).permissions()) << "the user's alone";
    EXPECT_EQ(Result::Ok, book.DeleteHistoryEntry("INTRANET"));
    EXPECT_TRUE(book.LoadOrCreate("192.168.1.100").empty());
    EXPECT_EQ("", Ini());

    const std::string strTwo = "[Office]\nIP=10.0.0.1\nPORT=8001\n[Home]\nIP=10.0.0.2\nPORT=8002\n";
    const std::string strBracket = "[[x]\nIP=10.0.0.1\nPORT=8001\n[x]\nIP=10.0.0.2\nPORT=8002\n";
    const struct {
        const char* pszWhat;
        const std::string& strBefore;
        Edit edit;
        std::string strAfter;
    } rows[] = {
        {"delete C, not CC", kFive, [](IpHistoryBook& b) { return b.DeleteHistoryEntry("C"); },
         "[A]\nIP=10.0.0.1\nPORT=8001\n[B]\nIP=10.0.0.2\nPORT=8002\n[CC]\nIP=10.0.0.4\nPORT=8004\n[D]\nIP=10.0.0.5\nPORT=8005\n"},
        {"delete x, not [x", strBracket, [](IpHistoryBook& b) { return b.DeleteHistoryEntry("x"); },
         "[[x]\nIP=10.0.0.1\nPORT=8001\n"},
        {"add a new name at the end", strTwo, [](IpHistoryBook& b) { return b.AddHistoryEntry("Shop", "10.0.0.3", "8003"); },
         strTwo + "[Shop]\nIP=10.0.0.3\nPORT=8003\n"},
        {"update a name in place, whatever its case", strTwo,
         [](IpHistoryBook& b) { return b.AddHistoryEntry("office", "10.0.0.9", "9009"); },
         "[Office]\nIP=10.0.0.9\nPORT=9009\n[Home]\nIP=10.0.0.2\nPORT=8002\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.pszWhat);
        Put(row.strBefore);
        EXPECT_EQ(Result::Ok, row.edit(book));
        EXPECT_EQ(row.strAfter, Ini());
    }

    using namespace std::literals;
    for (const std::string_view name : {"a]b"sv, ""sv, "   "sv, "two\nlines"sv, "cr\rname"sv, "nul\0name"sv, "C]\nIP=1.1.1.1"sv})
        EXPECT_EQ(Result::BadText, book.AddHistoryEntry(name, "10.0.0.1", "8000")) << name;
    EXPECT_EQ(Result::BadText, book.AddHistoryEntry("ok", "10.0.0.1\n[x]", "8000"));
    EXPECT_EQ("[Office]\nIP=10.0.0.9\nPORT=9009\n[Home]\nIP=10.0.0.2\nPORT=8002\n", Ini());
}

// The disk fills after any byte of the write, or takes no more commits after the k-th. The fake
// store fails as the real one does (the file store's contract tests).
TEST_F(HistoryBookTest, ADiskFailingAnywhereLeavesTheOldBookOrTheNewOne)
{
    const struct {
        const char* pszWhat;
        std::optional<std::string> old;
        Edit edit;
        std::string strNew;
    } edits[] = {
        {"add", kOld, kAddE, kOld + "[E]\r\nIP=10.0.0.6\r\nPORT=8006\r\n"},
        {"update", kOld, [](IpHistoryBook& b) { return b.AddHistoryEntry("b", "10.9.9.9", "9"); },
         "[A]\r\nIP=10.0.0.1\r\nPORT=8001\r\n[B]\r\nIP=10.9.9.9\r\nPORT=9\r\n"},
        {"delete", kOld, kDeleteB, "[A]\r\nIP=10.0.0.1\r\nPORT=8001\r\n"},
        {"add to no book", std::nullopt, kAddE, "[E]\nIP=10.0.0.6\nPORT=8006\n"},
    };
    const std::string strPath = IniPath().string();
    for (const auto& e : edits)
        for (int nCommits = -1; nCommits <= 2; ++nCommits)
            for (uint64_t nSpace = 0; nSpace <= e.strNew.size() + 1; ++nSpace) {
                SCOPED_TRACE(testing::Message() << e.pszWhat << ", commits " << nCommits << ", space " << nSpace);
                FakeFileStore fake;
                if (e.old)
                    fake.files[strPath].assign(e.old->begin(), e.old->end());
                fake.writableFaults.nSpaceBytes = nSpace;
                fake.nCommitsLeft = nCommits;
                IpHistoryBook fakeBook(m_dir.string(), fake);
                const Result result = e.edit(fakeBook);
                EXPECT_EQ(result == Result::Ok, nSpace >= e.strNew.size() && nCommits != 0);
                EXPECT_TRUE(result == Result::Ok || result == Result::Failed);
                const auto now = fake.files.find(strPath);
                EXPECT_EQ(result == Result::Ok ? std::optional<std::string>(e.strNew) : e.old,
                          now == fake.files.end() ? std::nullopt : std::optional<std::string>({now->second.begin(), now->second.end()}));
                EXPECT_TRUE(fake.temporaries.empty());
            }
}

// Huge and endless books and a pipe: the list shows what the first mebibyte holds, no edit
// rewrites a file whose end it has not seen, nothing waits. Binary books are the fuzz target's.
TEST_F(HistoryBookTest, HostileBooksAreReadWithinTheCapAndNotRewritten)
{
    Entries entries;
    PutSparse(IniPath(), kOld, 200ull << 20);
    EXPECT_EQ(Result::Ok, book.ReadEntries(entries));
    EXPECT_EQ((Entries{{"A", "10.0.0.1", "8001"}, {"B", "10.0.0.2", "8002"}}), entries);
    EXPECT_EQ(Result::TooLarge, kAddE(book));
    EXPECT_EQ(Result::TooLarge, book.DeleteHistoryEntry("A"));
    EXPECT_EQ(200ull << 20, fs::file_size(IniPath()));

    // One header line of 100 MB: its name is cut at 383 characters.
    PutEndlessLine(IniPath(), "[", 100ull << 20, "]\nIP=10.0.0.9\n");
    EXPECT_EQ(Result::Ok, book.ReadEntries(entries));
    EXPECT_EQ((Entries{{std::string(383, 'x'), "", ""}}), entries) << "the IP line lies past the cap";
    EXPECT_EQ(Result::TooLarge, kAddE(book));

    fs::remove(IniPath());
    ASSERT_TRUE(PutFifo(IniPath()));
    EXPECT_EQ(Result::Failed, book.ReadEntries(entries));
    EXPECT_EQ(Result::Failed, kAddE(book));
    EXPECT_TRUE(fs::is_fifo(IniPath()));
}
