// The local file system's side of FileStore: what only a real disk shows (folders, names,
// permissions, special files). The behaviour shared with the fake is in contract_files.
#include "platform/file_store.h"
#include "platform/local_writable_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

using namespace ostrel;
namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class LocalFileStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("ostrel-files-" + std::to_string(::getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    fs::path dir;
    LocalFileStore store;
};

} // namespace

TEST_F(LocalFileStoreTest, WritesReplacesAndRemoves)
{
    const std::string strPath = (dir / "AlarmEvent.am").string();
    const std::vector<uint8_t> first = {1, 2, 3, 0, 5};
    ASSERT_TRUE(store.WriteWhole(strPath, first.data(), first.size()));
    EXPECT_EQ(first, ReadFile(strPath));

    const std::vector<uint8_t> shorter = {9};
    ASSERT_TRUE(store.WriteWhole(strPath, shorter.data(), shorter.size()));
    EXPECT_EQ(shorter, ReadFile(strPath)) << "replaced, not overwritten in place";
    ASSERT_TRUE(store.WriteWhole(strPath, nullptr, 0));
    EXPECT_TRUE(ReadFile(strPath).empty());

    EXPECT_TRUE(store.Remove(strPath));
    EXPECT_FALSE(fs::exists(strPath));
    EXPECT_TRUE(store.Remove(strPath)) << "a missing file is already removed";
}

TEST_F(LocalFileStoreTest, FailedWriteLeavesNothingBehind)
{
    const std::vector<uint8_t> bytes = {1, 2, 3};
    EXPECT_FALSE(store.WriteWhole((dir / "missing" / "AlarmEvent.am").string(), bytes.data(), bytes.size()));

    // The target cannot be replaced (it is a folder): it stays, and no temporary is left.
    const fs::path blocked = dir / "blocked";
    fs::create_directories(blocked / "inside");
    EXPECT_FALSE(store.WriteWhole(blocked.string(), bytes.data(), bytes.size()));
    EXPECT_TRUE(fs::is_directory(blocked / "inside"));
    EXPECT_EQ(1, std::distance(fs::directory_iterator(dir), fs::directory_iterator()))
        << "only the folder itself remains";
}

TEST_F(LocalFileStoreTest, WritableFileNeedsItsFolderAndCannotReplaceAFolder)
{
    FileStatus status;
    EXPECT_EQ(nullptr, store.OpenWritable((dir / "missing" / "a.avi").string(), &status));
    EXPECT_EQ(ENOENT, status.nErrno);
    EXPECT_EQ("No such file or directory", status.Text());

    // A folder holds the final name: the commit fails, the folder stays, nothing is left.
    const fs::path blocked = dir / "blocked.avi";
    fs::create_directories(blocked / "inside");
    auto pFile = store.OpenWritable(blocked.string(), &status);
    ASSERT_NE(nullptr, pFile);
    EXPECT_TRUE(status.Ok());
    const uint8_t bytes[3] = {1, 2, 3};
    ASSERT_TRUE(pFile->Write(bytes, sizeof bytes).Ok());
    EXPECT_EQ(EISDIR, pFile->Close().nErrno);
    EXPECT_TRUE(fs::is_directory(blocked / "inside"));
    EXPECT_EQ(1, std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

TEST_F(LocalFileStoreTest, TemporarySitsBesideTheFinalNameWithTheUsualPermissions)
{
    const fs::path target = dir / "CAM3_2005-06-30 14-05-09_12345.jpg";
    const mode_t oldMask = ::umask(027);
    FileStatus status;
    auto pFile = LocalWritableFile::Open(target.string(), &status);
    ::umask(oldMask);
    ASSERT_NE(nullptr, pFile);
    const fs::path temp = pFile->TemporaryPath();
    EXPECT_EQ(dir, temp.parent_path()) << "same folder, so the rename stays on one file system";
    EXPECT_EQ(0u, temp.filename().string().rfind(target.filename().string() + ".part-", 0)) << temp;
    EXPECT_TRUE(fs::exists(temp));
    EXPECT_FALSE(fs::exists(target));

    ASSERT_TRUE(pFile->Close().Ok());
    EXPECT_FALSE(fs::exists(temp));
    struct stat st {};
    ASSERT_EQ(0, ::stat(target.c_str(), &st));
    EXPECT_EQ(0640u, st.st_mode & 0777u) << "0666 less the umask 027";
}

TEST_F(LocalFileStoreTest, BoundedReadOfSpecialFilesFailsWithoutWaiting)
{
    std::vector<uint8_t> out;
    FileReadResult result = store.ReadAtMost(dir.string(), 10, out);
    EXPECT_EQ(FileReadResult::Kind::Failed, result.kind);
    EXPECT_EQ(EISDIR, result.nErrno);

    // A FIFO with no writer would block a plain open for ever.
    const fs::path fifo = dir / "AlarmEvent.am";
    ASSERT_EQ(0, ::mkfifo(fifo.c_str(), 0600));
    result = store.ReadAtMost(fifo.string(), 10, out);
    EXPECT_EQ(FileReadResult::Kind::Failed, result.kind);

    // A file where a folder should be is as good as missing.
    std::ofstream(dir / "ini") << "a file";
    result = store.ReadAtMost((dir / "ini" / "opt.ini").string(), 10, out);
    EXPECT_EQ(FileReadResult::Kind::Missing, result.kind);
}

TEST_F(LocalFileStoreTest, BoundedReadOfALargeFileAllocatesOnlyTheLimit)
{
    const fs::path big = dir / "big.am";
    {
        std::ofstream out(big, std::ios::binary);
        for (int i = 0; i < 300 * 1024; ++i)
            out.put(static_cast<char>(i % 251));
    }
    std::vector<uint8_t> out;
    const FileReadResult result = store.ReadAtMost(big.string(), 200 * 1024 + 7, out);
    EXPECT_EQ(FileReadResult::Kind::Ok, result.kind);
    EXPECT_TRUE(result.bTruncated);
    ASSERT_EQ(200u * 1024 + 7, out.size());
    EXPECT_EQ(200u * 1024 + 7, out.capacity());
    EXPECT_EQ((200 * 1024 + 6) % 251, out.back());
}
