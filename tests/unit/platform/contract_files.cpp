// What every FileStore promises, checked on the local file system and on the in-memory fake:
// whole-file replacement, files written in steps and patched, and bounded reads.
#include "fakes/fake_file_store.h"
#include "platform/file_store.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

#include <sys/resource.h>
#include <unistd.h>

using namespace ostrel;
namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes B(std::string_view s)
{
    return Bytes(s.begin(), s.end());
}

FileStatus WriteText(WritableFile& rFile, std::string_view text)
{
    return rFile.Write(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

// The local file system in a fresh folder. A full disk is played by the file-size limit of
// the process (RLIMIT_FSIZE): a write that would take a file past it fails with EFBIG.
class LocalFiles {
public:
    LocalFiles()
    {
        m_dir = fs::temp_directory_path() / ("ostrel-contract-" + std::to_string(::getpid()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        std::signal(SIGXFSZ, SIG_IGN); // a failed write instead of the end of the process
        ::getrlimit(RLIMIT_FSIZE, &m_oldLimit);
    }
    ~LocalFiles()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_oldLimit);
        fs::remove_all(m_dir);
    }

    std::string Path(const std::string& strName) const { return (m_dir / strName).string(); }
    void Put(const std::string& strPath, const Bytes& bytes)
    {
        std::ofstream out(strPath, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    std::optional<Bytes> Read(const std::string& strPath) const
    {
        if (!fs::is_regular_file(strPath))
            return std::nullopt;
        std::ifstream in(strPath, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    // Files in the folder besides the named ones: temporaries left behind.
    size_t Leftovers() const
    {
        size_t n = 0;
        for (const auto& entry : fs::directory_iterator(m_dir))
            n += entry.path().filename().string().find(".part") != std::string::npos;
        return n;
    }
    void LimitSpace(uint64_t nBytes)
    {
        rlimit limit = m_oldLimit;
        limit.rlim_cur = static_cast<rlim_t>(nBytes);
        ASSERT_EQ(0, ::setrlimit(RLIMIT_FSIZE, &limit));
    }
    void FailWholeWrites() { LimitSpace(0); }
    void MakeUnreadable(const std::string& strPath) { fs::create_directories(strPath); }

    LocalFileStore store;

private:
    fs::path m_dir;
    rlimit m_oldLimit{};
};

class FakeFiles {
public:
    std::string Path(const std::string& strName) const { return "/data/" + strName; }
    void Put(const std::string& strPath, const Bytes& bytes) { store.files[strPath] = bytes; }
    std::optional<Bytes> Read(const std::string& strPath) const
    {
        const auto it = store.files.find(strPath);
        return it == store.files.end() ? std::nullopt : std::optional<Bytes>(it->second);
    }
    size_t Leftovers() const { return store.temporaries.size(); }
    void LimitSpace(uint64_t nBytes) { store.writableFaults.nSpaceBytes = nBytes; }
    void FailWholeWrites() { store.bFailWrites = true; }
    void MakeUnreadable(const std::string& strPath) { store.failedReads[strPath] = EISDIR; }

    test::FakeFileStore store;
};

template <typename Files>
class FileStoreContract : public ::testing::Test {
protected:
    Files files;
    FileStore& Store() { return files.store; }
};

using Stores = ::testing::Types<LocalFiles, FakeFiles>;
TYPED_TEST_SUITE(FileStoreContract, Stores);

} // namespace

TYPED_TEST(FileStoreContract, WholeFilesAreReplacedAndRemoved)
{
    const std::string strPath = this->files.Path("AlarmEvent.am");
    const Bytes first = {1, 2, 3, 0, 5};
    ASSERT_TRUE(this->Store().WriteWhole(strPath, first.data(), first.size()));
    EXPECT_EQ(first, this->files.Read(strPath));
    ASSERT_TRUE(this->Store().WriteWhole(strPath, first.data(), 1));
    EXPECT_EQ(Bytes{1}, this->files.Read(strPath)) << "replaced, not overwritten in place";

    EXPECT_TRUE(this->Store().Remove(strPath));
    EXPECT_EQ(std::nullopt, this->files.Read(strPath));
    EXPECT_TRUE(this->Store().Remove(strPath)) << "a missing file is already removed";
}

TYPED_TEST(FileStoreContract, FailedWholeWriteKeepsTheOldFile)
{
    const std::string strPath = this->files.Path("cnn.ini");
    this->files.Put(strPath, B("[old]\n"));
    this->files.FailWholeWrites();
    const Bytes next = B("[new]\nIP=10.0.0.1\n");
    EXPECT_FALSE(this->Store().WriteWhole(strPath, next.data(), next.size()));
    EXPECT_EQ(B("[old]\n"), this->files.Read(strPath));
    EXPECT_EQ(0u, this->files.Leftovers());
}

TYPED_TEST(FileStoreContract, WrittenFileIsPatchedAndCommittedWhole)
{
    const std::string strPath = this->files.Path("2005-06-30 14-05-09.avi");
    this->files.Put(strPath, B("previous recording"));
    FileStatus status{-1};
    std::unique_ptr<WritableFile> pFile = this->Store().OpenWritable(strPath, &status);
    ASSERT_NE(nullptr, pFile);
    EXPECT_TRUE(status.Ok());

    // A header with a size to fill in later, a body, then the size patched in.
    const Bytes header = B(std::string_view("RIFF\0\0\0\0AVI ", 12));
    ASSERT_TRUE(pFile->Write(header.data(), header.size()).Ok());
    ASSERT_TRUE(WriteText(*pFile, "0123456789").Ok());
    EXPECT_EQ(22u, pFile->Position());
    ASSERT_TRUE(pFile->Seek(4).Ok());
    const Bytes size = {14, 0, 0, 0};
    ASSERT_TRUE(pFile->Write(size.data(), size.size()).Ok());
    EXPECT_EQ(8u, pFile->Position());
    EXPECT_EQ(22u, pFile->Size()) << "a patch does not grow the file";

    EXPECT_EQ(EINVAL, pFile->Seek(23).nErrno) << "no seek past the end";
    EXPECT_EQ(8u, pFile->Position());
    ASSERT_TRUE(pFile->Seek(22).Ok()) << "the refused seek did not spoil the file";
    ASSERT_TRUE(WriteText(*pFile, "idx1").Ok());
    ASSERT_TRUE(pFile->Write(nullptr, 0).Ok());

    EXPECT_EQ(B("previous recording"), this->files.Read(strPath)) << "nothing shows before Close";
    ASSERT_TRUE(pFile->Close().Ok());
    EXPECT_EQ(B(std::string_view("RIFF\x0e\0\0\0AVI 0123456789idx1", 26)), this->files.Read(strPath));
    EXPECT_EQ(0u, this->files.Leftovers());

    EXPECT_EQ(EBADF, pFile->Write(size.data(), 1).nErrno) << "a closed file takes nothing more";
    EXPECT_EQ(EBADF, pFile->Seek(0).nErrno);
    EXPECT_EQ(EBADF, pFile->Close().nErrno);
    EXPECT_EQ(B(std::string_view("RIFF\x0e\0\0\0AVI 0123456789idx1", 26)), this->files.Read(strPath));
}

TYPED_TEST(FileStoreContract, CommitUnderANewNameNeverReplacesAFile)
{
    // A backup named when it is finished: the name is chosen then, and a file of that name
    // (an earlier backup of the same second) is kept, not overwritten.
    const std::string strTaken = this->files.Path("2005-06-30 14-05-09.avi");
    const std::string strFree = this->files.Path("2005-06-30 14-05-09_1.avi");
    this->files.Put(strTaken, B("earlier backup"));
    auto pFile = this->Store().OpenWritable(this->files.Path("recording.avi"));
    ASSERT_NE(nullptr, pFile);
    ASSERT_TRUE(WriteText(*pFile, "this backup").Ok());
    EXPECT_EQ(EEXIST, pFile->CloseAs(strTaken).nErrno);
    EXPECT_EQ(B("earlier backup"), this->files.Read(strTaken));
    ASSERT_TRUE(pFile->CloseAs(strFree).Ok()) << "the file stayed whole for another name";
    EXPECT_EQ(B("this backup"), this->files.Read(strFree));
    EXPECT_EQ(std::nullopt, this->files.Read(this->files.Path("recording.avi")));
    EXPECT_EQ(0u, this->files.Leftovers());
    EXPECT_EQ(EBADF, pFile->CloseAs(this->files.Path("again.avi")).nErrno);
}

TYPED_TEST(FileStoreContract, FileDroppedWithoutCloseLeavesNoTrace)
{
    const std::string strKept = this->files.Path("kept.jpg");
    const std::string strNew = this->files.Path("new.jpg");
    this->files.Put(strKept, B("old picture"));
    {
        auto pKept = this->Store().OpenWritable(strKept);
        auto pNew = this->Store().OpenWritable(strNew);
        ASSERT_NE(nullptr, pKept);
        ASSERT_NE(nullptr, pNew);
        ASSERT_TRUE(WriteText(*pKept, "half a new picture").Ok());
        ASSERT_TRUE(WriteText(*pNew, "half").Ok());
        EXPECT_EQ(2u, this->files.Leftovers()) << "each file is written somewhere of its own";
    }
    EXPECT_EQ(B("old picture"), this->files.Read(strKept));
    EXPECT_EQ(std::nullopt, this->files.Read(strNew));
    EXPECT_EQ(0u, this->files.Leftovers());
}

TYPED_TEST(FileStoreContract, FullDiskFailsTheWriteAndEveryCallAfterIt)
{
    const std::string strPath = this->files.Path("full.avi");
    this->files.Put(strPath, B("the last good file"));
    this->files.LimitSpace(10);
    auto pFile = this->Store().OpenWritable(strPath);
    ASSERT_NE(nullptr, pFile);
    ASSERT_TRUE(WriteText(*pFile, "12345678").Ok());
    ASSERT_TRUE(pFile->Seek(2).Ok());
    ASSERT_TRUE(WriteText(*pFile, "ab").Ok()) << "a patch inside the file needs no space";

    const FileStatus failed = WriteText(*pFile, "cdefghij");
    ASSERT_FALSE(failed.Ok());
    EXPECT_FALSE(failed.Text().empty()) << "a text for the operator";
    EXPECT_EQ(failed.nErrno, WriteText(*pFile, "x").nErrno) << "the failure sticks";
    EXPECT_EQ(failed.nErrno, pFile->Seek(0).nErrno);
    EXPECT_EQ(failed.nErrno, pFile->Close().nErrno);
    EXPECT_EQ(B("the last good file"), this->files.Read(strPath));
    EXPECT_EQ(0u, this->files.Leftovers()) << "the temporary goes at the failure";
}

TYPED_TEST(FileStoreContract, BoundedReadTakesAtMostTheLimit)
{
    const std::string strPath = this->files.Path("opt.ini");
    this->files.Put(strPath, B("[PTZ_CMD_INTERVAL]"));
    Bytes out = B("stale");

    FileReadResult result = this->Store().ReadAtMost(strPath, 4, out);
    EXPECT_EQ(FileReadResult::Kind::Ok, result.kind);
    EXPECT_TRUE(result.bTruncated);
    EXPECT_EQ(B("[PTZ"), out);

    result = this->Store().ReadAtMost(strPath, 18, out);
    EXPECT_EQ(FileReadResult::Kind::Ok, result.kind);
    EXPECT_FALSE(result.bTruncated) << "exactly the limit is all of it";
    EXPECT_EQ(B("[PTZ_CMD_INTERVAL]"), out);

    result = this->Store().ReadAtMost(strPath, 1 << 20, out);
    EXPECT_FALSE(result.bTruncated);
    EXPECT_EQ(18u, out.size());

    Bytes small;
    result = this->Store().ReadAtMost(strPath, 0, small);
    EXPECT_EQ(FileReadResult::Kind::Ok, result.kind);
    EXPECT_TRUE(result.bTruncated);
    EXPECT_TRUE(small.empty());
    EXPECT_EQ(0u, small.capacity()) << "nothing allocated beyond the limit";
    this->Store().ReadAtMost(strPath, 7, small);
    EXPECT_LE(small.capacity(), 7u);

    const std::string strEmpty = this->files.Path("empty.ini");
    this->files.Put(strEmpty, {});
    result = this->Store().ReadAtMost(strEmpty, 0, out);
    EXPECT_EQ(FileReadResult::Kind::Ok, result.kind);
    EXPECT_FALSE(result.bTruncated);
    EXPECT_TRUE(out.empty());
}

TYPED_TEST(FileStoreContract, BoundedReadOfMissingOrUnreadableFileGivesNothing)
{
    Bytes out = B("stale");
    FileReadResult result = this->Store().ReadAtMost(this->files.Path("no such file"), 100, out);
    EXPECT_EQ(FileReadResult::Kind::Missing, result.kind);
    EXPECT_EQ(ENOENT, result.nErrno);
    EXPECT_TRUE(out.empty());

    const std::string strPath = this->files.Path("AlarmEvent.am");
    this->files.MakeUnreadable(strPath);
    out = B("stale");
    result = this->Store().ReadAtMost(strPath, 100, out);
    EXPECT_EQ(FileReadResult::Kind::Failed, result.kind);
    EXPECT_NE(0, result.nErrno);
    EXPECT_FALSE(result.bTruncated);
    EXPECT_TRUE(out.empty());
}
