// The address book ini/cnn.ini on a disk that fails at every step of a write, and from files
// that are huge, binary, endless or not files at all: afterwards the old book or the whole
// new one is there, never a part, and reading never takes more than the cap.
#include "config/ip_history_book.h"

#include "fakes/fake_file_store.h"
#include "fakes/hostile_files.h"
#include "platform/file_store.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

using namespace ostrel;
using namespace ostrel::test;
namespace fs = std::filesystem;

namespace {

using Result = IpHistoryBook::Result;

const std::string kOld = "[A]\r\nIP=10.0.0.1\r\nPORT=8001\r\n[B]\r\nIP=10.0.0.2\r\nPORT=8002\r\n";
// kOld with entry "E" added, and with "B" deleted: worked out by hand.
const std::string kAdded = kOld + "[E]\r\nIP=10.0.0.6\r\nPORT=8006\r\n";
const std::string kDeleted = "[A]\r\nIP=10.0.0.1\r\nPORT=8001\r\n";
const std::string kUpdated = "[A]\r\nIP=10.0.0.1\r\nPORT=8001\r\n[B]\r\nIP=10.9.9.9\r\nPORT=9\r\n";

class CnnIniFaults : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::current_path() / "cnn" / ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(m_dir);
        fs::create_directories(m_dir / "ini");
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::permissions(m_dir / "ini", fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(m_dir, ec);
    }
    fs::path IniPath() const { return m_dir / "ini" / "cnn.ini"; }

    fs::path m_dir;
};

std::string Text(const std::vector<uint8_t>& bytes)
{
    return {bytes.begin(), bytes.end()};
}

} // namespace

// The disk fills after any byte of the write, or takes no more commits after the k-th: the
// book is the old one or the whole new one.
TEST_F(CnnIniFaults, AFakeDiskFailingAnywhereLeavesTheOldBookOrTheNewOne)
{
    struct Edit {
        const char* pszName;
        std::function<Result(IpHistoryBook&)> run;
        const std::string& strAfter;
    };
    const Edit edits[] = {
        {"add", [](IpHistoryBook& b) { return b.AddHistoryEntry("E", "10.0.0.6", "8006"); }, kAdded},
        {"update", [](IpHistoryBook& b) { return b.AddHistoryEntry("b", "10.9.9.9", "9"); }, kUpdated},
        {"delete", [](IpHistoryBook& b) { return b.DeleteHistoryEntry("B"); }, kDeleted},
    };
    for (const Edit& edit : edits) {
        const std::string& strNew = edit.strAfter;
        for (int nCommits = -1; nCommits <= 2; ++nCommits) {
            for (uint64_t nSpace = 0; nSpace <= strNew.size() + 1; ++nSpace) {
                SCOPED_TRACE(testing::Message() << edit.pszName << ", commits " << nCommits << ", space " << nSpace);
                FakeFileStore files;
                files.files[IniPath().string()].assign(kOld.begin(), kOld.end());
                files.writableFaults.nSpaceBytes = nSpace;
                files.nCommitsLeft = nCommits;
                IpHistoryBook book(m_dir.string(), files);
                const Result result = edit.run(book);
                const std::string strNow = Text(files.files.at(IniPath().string()));
                if (result == Result::Ok) {
                    EXPECT_EQ(strNew, strNow);
                } else {
                    EXPECT_EQ(Result::Failed, result);
                    EXPECT_EQ(kOld, strNow);
                    EXPECT_FALSE(HistoryMessage(result).empty());
                }
                EXPECT_EQ(result == Result::Ok, nSpace >= strNew.size() && nCommits != 0);
                EXPECT_TRUE(files.temporaries.empty());
            }
        }
    }
}

// The same on the real disk, full after every byte in turn (the process's file-size limit).
TEST_F(CnnIniFaults, ARealDiskFullAtEveryByteLeavesTheOldBookOrTheNewOne)
{
    LocalFileStore files;
    IpHistoryBook book(m_dir.string(), files);
    for (const bool bAdd : {true, false}) {
        const std::string& strNew = bAdd ? kAdded : kDeleted;
        for (uint64_t nSpace = 0; nSpace <= strNew.size(); ++nSpace) {
            PutBytes(IniPath(), kOld);
            Result result;
            {
                const FileSizeLimit limit(nSpace);
                ASSERT_TRUE(limit.IsSet());
                result = bAdd ? book.AddHistoryEntry("E", "10.0.0.6", "8006") : book.DeleteHistoryEntry("B");
            }
            SCOPED_TRACE(testing::Message() << (bAdd ? "add" : "delete") << ", space " << nSpace);
            EXPECT_EQ(nSpace == strNew.size() ? Result::Ok : Result::Failed, result);
            EXPECT_EQ(result == Result::Ok ? strNew : kOld, GetBytes(IniPath()));
            EXPECT_EQ(0u, Temporaries(m_dir / "ini"));
        }
    }
}

TEST_F(CnnIniFaults, AFolderThatCannotTakeTheBookIsReportedAndTheOldBookStays)
{
    LocalFileStore files;
    // "ini" is a regular file: nothing can be made under it, whoever runs the test.
    fs::remove_all(m_dir / "ini");
    PutBytes(m_dir / "ini", "not a folder");
    IpHistoryBook blocked(m_dir.string(), files);
    std::vector<IpHistoryEntry> entries;
    EXPECT_EQ(Result::Missing, blocked.ReadEntries(entries));
    EXPECT_EQ(Result::Failed, blocked.AddHistoryEntry("E", "10.0.0.6", "8006"));
    EXPECT_EQ("The address book ini/cnn.ini could not be read or written; it is left as it is.",
              HistoryMessage(Result::Failed));
    EXPECT_EQ("not a folder", GetBytes(m_dir / "ini"));

    // A read-only folder stops everyone but root.
    fs::remove(m_dir / "ini");
    fs::create_directories(m_dir / "ini");
    PutBytes(IniPath(), kOld);
    fs::permissions(m_dir / "ini", fs::perms::owner_read | fs::perms::owner_exec);
    if (RunsAsRoot())
        GTEST_SKIP() << "root writes into a read-only folder; the regular-file case above stands in";
    IpHistoryBook book(m_dir.string(), files);
    EXPECT_EQ(Result::Failed, book.AddHistoryEntry("E", "10.0.0.6", "8006"));
    EXPECT_EQ(Result::Failed, book.DeleteHistoryEntry("B"));
    EXPECT_EQ(kOld, GetBytes(IniPath()));
}

// Huge, endless, binary books and a pipe: the list shows what the first mebibyte holds, no
// edit rewrites a file whose end it has not seen, and nothing waits.
TEST_F(CnnIniFaults, HostileBooksAreReadWithinTheCapAndNotRewritten)
{
    LocalFileStore files;
    IpHistoryBook book(m_dir.string(), files);
    std::vector<IpHistoryEntry> entries;

    PutSparse(IniPath(), kOld, 200ull << 20);
    EXPECT_EQ(Result::Ok, book.ReadEntries(entries));
    EXPECT_EQ((std::vector<IpHistoryEntry>{{"A", "10.0.0.1", "8001"}, {"B", "10.0.0.2", "8002"}}), entries);
    EXPECT_EQ(Result::TooLarge, book.AddHistoryEntry("E", "10.0.0.6", "8006"));
    EXPECT_EQ(Result::TooLarge, book.DeleteHistoryEntry("A"));
    EXPECT_EQ(200ull << 20, fs::file_size(IniPath()));

    // One header line of 100 MB: its name is cut at 383 characters.
    PutEndlessLine(IniPath(), "[", 100ull << 20, "]\nIP=10.0.0.9\n");
    EXPECT_EQ(Result::Ok, book.ReadEntries(entries));
    ASSERT_EQ(1u, entries.size());
    EXPECT_EQ(std::string(IpHistoryBook::kMaxLineChars, 'x'), entries[0].strName);
    EXPECT_EQ("", entries[0].strIp) << "the IP line lies past the cap";
    EXPECT_EQ(Result::TooLarge, book.AddHistoryEntry("E", "10.0.0.6", "8006"));

    // Binary bytes: whatever sections they happen to hold, every text within its bounds.
    PutBytes(IniPath(), Garbage(256 * 1024));
    EXPECT_EQ(Result::Ok, book.ReadEntries(entries));
    for (const IpHistoryEntry& e : entries) {
        EXPECT_LE(e.strName.size(), IpHistoryBook::kMaxLineChars);
        EXPECT_LE(e.strIp.size(), IpHistoryBook::kMaxValueChars);
        EXPECT_LE(e.strPort.size(), IpHistoryBook::kMaxValueChars);
    }

    fs::remove(IniPath());
    ASSERT_TRUE(PutFifo(IniPath()));
    EXPECT_EQ(Result::Failed, book.ReadEntries(entries));
    EXPECT_EQ(Result::Failed, book.AddHistoryEntry("E", "10.0.0.6", "8006"));
    EXPECT_TRUE(fs::is_fifo(IniPath()));
}
