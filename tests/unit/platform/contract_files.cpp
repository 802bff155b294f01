// What every FileStore promises, on the local disk and on the in-memory fake: whole-file
// replacement, files written in steps and patched, a disk full at any byte, bounded reads.
// Then what only a real disk shows: folders in the way, permissions and special files.
#include "fakes/fake_file_store.h"
#include "fakes/hostile_files.h"
#include "platform/file_store.h"
#include "platform/local_writable_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include <sys/stat.h>

using namespace ostrel;
using namespace ostrel::test;
namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;
using Text = std::optional<std::string>;

FileStatus WriteText(WritableFile& rFile, std::string_view text)
{
    return rFile.Write(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

bool WriteWhole(FileStore& rStore, const std::string& strPath, std::string_view text)
{
    return rStore.WriteWhole(strPath, reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

// The local file system in a fresh folder; a full disk is the process's file-size limit.
class LocalFiles {
public:
    LocalFiles()
    {
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    ~LocalFiles() { fs::remove_all(dir); }
    std::string Path(const std::string& strName) const { return (dir / strName).string(); }
    void Put(const std::string& strPath, std::string_view text) { PutBytes(strPath, std::string(text)); }
    Text Read(const std::string& strPath) const { return GetBytes(strPath); }
    size_t Leftovers() const { return Temporaries(dir); }
    void LimitSpace(uint64_t nBytes) { m_limit.emplace(nBytes); }
    void Unlimit() { m_limit.reset(); }
    void MakeUnreadable(const std::string& strPath) { fs::create_directories(strPath); }

    const fs::path dir = fs::temp_directory_path() / ("ostrel-contract-" + std::to_string(::getpid()));
    LocalFileStore store;

private:
    std::optional<FileSizeLimit> m_limit;
};

class FakeFiles {
public:
    std::string Path(const std::string& strName) const { return "/data/" + strName; }
    void Put(const std::string& strPath, std::string_view text) { store.files[strPath] = Bytes(text.begin(), text.end()); }
    Text Read(const std::string& strPath) const
    {
        const auto it = store.files.find(strPath);
        return it == store.files.end() ? Text() : Text(std::string(it->second.begin(), it->second.end()));
    }
    size_t Leftovers() const { return store.temporaries.size(); }
    void LimitSpace(uint64_t nBytes) { store.writableFaults.nSpaceBytes = nBytes; }
    void Unlimit() { LimitSpace(UINT64_MAX); }
    void MakeUnreadable(const std::string& strPath) { store.failedReads[strPath] = EISDIR; }

    FakeFileStore store;
};

template <typename Files>
class FileStoreContract : public ::testing::Test {
protected:
    Files files;
    FileStore& Store() { return files.store; }
};

using Stores = ::testing::Types<LocalFiles, FakeFiles>;
TYPED_TEST_SUITE(FileStoreContract, Stores);

const std::string kAvi("RIFF\x0e\0\0\0AVI 0123456789idx1", 26);

// A header with a size to fill in later, a body, the size patched in, a tail: kAvi. Every step
// runs; a failure must stick until Close reports it.
FileStatus WriteAviInSteps(WritableFile& rFile)
{
    WriteText(rFile, std::string_view("RIFF\0\0\0\0AVI ", 12));
    WriteText(rFile, "0123456789");
    rFile.Seek(4);
    WriteText(rFile, std::string_view("\x0e\0\0\0", 4));
    rFile.Seek(22);
    WriteText(rFile, "idx1");
    return rFile.Close();
}

} // namespace

// Full after every byte in turn, for a whole-file write and for a file written in steps: the
// old file or the whole new one, a failure that sticks, and no temporary left.
TYPED_TEST(FileStoreContract, DiskFullAtEveryByteLeavesTheOldFileOrTheNewOne)
{
    const std::string strIni = this->files.Path("cnn.ini");
    const std::string strOldIni = "[old]\nIP=192.168.100.100\nPORT=8000\n"; // longer: replaced, not overwritten
    const std::string strNewIni = "[new]\nIP=10.0.0.1\n";
    const std::string strAvi = this->files.Path("2005-06-30 14-05-09.avi");
    for (uint64_t nSpace = 0; nSpace <= kAvi.size(); ++nSpace) {
        SCOPED_TRACE(nSpace);
        this->files.Put(strIni, strOldIni);
        this->files.Put(strAvi, "previous recording");
        this->files.LimitSpace(nSpace);
        const bool bWhole = WriteWhole(this->Store(), strIni, strNewIni);
        auto pFile = this->Store().OpenWritable(strAvi);
        ASSERT_NE(nullptr, pFile);
        const FileStatus status = WriteAviInSteps(*pFile);
        this->files.Unlimit();

        EXPECT_EQ(nSpace >= strNewIni.size(), bWhole);
        EXPECT_EQ(bWhole ? strNewIni : strOldIni, this->files.Read(strIni));
        EXPECT_EQ(nSpace == kAvi.size(), status.Ok());
        EXPECT_EQ(status.Ok() ? kAvi : "previous recording", this->files.Read(strAvi));
        if (!status.Ok()) {
            EXPECT_FALSE(status.Text().empty()) << "a text for the operator";
            EXPECT_EQ(status.nErrno, WriteText(*pFile, "x").nErrno) << "the failure sticks";
        }
        EXPECT_EQ(0u, this->files.Leftovers());
    }
    EXPECT_TRUE(this->Store().Remove(strIni));
    EXPECT_EQ(std::nullopt, this->files.Read(strIni));
    EXPECT_TRUE(this->Store().Remove(strIni)) << "a missing file is already removed";
}

TYPED_TEST(FileStoreContract, WrittenFileIsPatchedAndShowsOnlyAtClose)
{
    const std::string strPath = this->files.Path("2005-06-30 14-05-09.avi");
    this->files.Put(strPath, "previous recording");
    FileStatus status{-1};
    auto pFile = this->Store().OpenWritable(strPath, &status);
    ASSERT_NE(nullptr, pFile);
    EXPECT_TRUE(status.Ok());
    ASSERT_TRUE(WriteText(*pFile, "0123456789").Ok());
    ASSERT_TRUE(pFile->Seek(4).Ok());
    ASSERT_TRUE(WriteText(*pFile, "ab").Ok());
    EXPECT_EQ(6u, pFile->Position());
    EXPECT_EQ(10u, pFile->Size()) << "a patch does not grow the file";
    EXPECT_EQ(EINVAL, pFile->Seek(11).nErrno) << "no seek past the end";
    EXPECT_EQ(6u, pFile->Position());
    ASSERT_TRUE(pFile->Seek(10).Ok()) << "the refused seek did not spoil the file";
    ASSERT_TRUE(WriteText(*pFile, "!").Ok());
    ASSERT_TRUE(pFile->Write(nullptr, 0).Ok());
    EXPECT_EQ("previous recording", this->files.Read(strPath)) << "nothing shows before Close";
    ASSERT_TRUE(pFile->Close().Ok());
    EXPECT_EQ("0123ab6789!", this->files.Read(strPath));
    EXPECT_EQ(EBADF, WriteText(*pFile, "x").nErrno) << "a closed file takes nothing more";
    EXPECT_EQ(EBADF, pFile->Seek(0).nErrno);
    EXPECT_EQ(EBADF, pFile->Close().nErrno);
    EXPECT_EQ("0123ab6789!", this->files.Read(strPath));
}

TYPED_TEST(FileStoreContract, CommitUnderANewNameNeverReplacesAFileAndADroppedFileLeavesNoTrace)
{
    // A backup is named when it is finished; an earlier backup of the same second is kept.
    const std::string strTaken = this->files.Path("2005-06-30 14-05-09.avi");
    const std::string strFree = this->files.Path("2005-06-30 14-05-09_1.avi");
    this->files.Put(strTaken, "earlier backup");
    auto pFile = this->Store().OpenWritable(this->files.Path("recording.avi"));
    ASSERT_NE(nullptr, pFile);
    ASSERT_TRUE(WriteText(*pFile, "this backup").Ok());
    EXPECT_EQ(EEXIST, pFile->CloseAs(strTaken).nErrno);
    EXPECT_EQ("earlier backup", this->files.Read(strTaken));
    ASSERT_TRUE(pFile->CloseAs(strFree).Ok()) << "the file stayed whole for another name";
    EXPECT_EQ("this backup", this->files.Read(strFree));
    EXPECT_EQ(std::nullopt, this->files.Read(this->files.Path("recording.avi")));
    EXPECT_EQ(EBADF, pFile->CloseAs(this->files.Path("again.avi")).nErrno);

    const std::string strNew = this->files.Path("new.jpg");
    {
        auto pKept = this->Store().OpenWritable(strTaken);
        auto pNew = this->Store().OpenWritable(strNew);
        ASSERT_TRUE(pKept && pNew);
        ASSERT_TRUE(WriteText(*pKept, "half a new picture").Ok());
        ASSERT_TRUE(WriteText(*pNew, "half").Ok());
        EXPECT_EQ(2u, this->files.Leftovers()) << "each file is written somewhere of its own";
    }
    EXPECT_EQ("earlier backup", this->files.Read(strTaken));
    EXPECT_EQ(std::nullopt, this->files.Read(strNew));
    EXPECT_EQ(0u, this->files.Leftovers());
}

TYPED_TEST(FileStoreContract, BoundedReadTakesAtMostTheLimit)
{
    const std::string strPath = this->files.Path("opt.ini");
    this->files.Put(strPath, "[PTZ_CMD_INTERVAL]");
    struct Row {
        size_t nLimit;
        const char* pszRead;
        bool bTruncated;
    } rows[] = {{4, "[PTZ", true}, {18, "[PTZ_CMD_INTERVAL]", false}, {1 << 20, "[PTZ_CMD_INTERVAL]", false},
                {0, "", true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.nLimit);
        Bytes out;
        const FileReadResult result = this->Store().ReadAtMost(strPath, row.nLimit, out);
        EXPECT_EQ(FileReadResult::Kind::Ok, result.kind);
        EXPECT_EQ(row.bTruncated, result.bTruncated);
        EXPECT_EQ(row.pszRead, std::string(out.begin(), out.end()));
        EXPECT_LE(out.capacity(), row.nLimit) << "nothing allocated beyond the limit";
    }
    Bytes stale(5, 's');
    this->Store().ReadAtMost(strPath, 4, stale);
    EXPECT_EQ("[PTZ", std::string(stale.begin(), stale.end())) << "replaced, not appended";
    const std::string strEmpty = this->files.Path("empty.ini");
    this->files.Put(strEmpty, "");
    Bytes out;
    EXPECT_FALSE(this->Store().ReadAtMost(strEmpty, 0, out).bTruncated) << "an empty file is all read";

    out.assign(5, 's');
    FileReadResult result = this->Store().ReadAtMost(this->files.Path("no such file"), 100, out);
    EXPECT_EQ(FileReadResult::Kind::Missing, result.kind);
    EXPECT_EQ(ENOENT, result.nErrno);
    EXPECT_TRUE(out.empty());
    const std::string strFolder = this->files.Path("AlarmEvent.am");
    this->files.MakeUnreadable(strFolder);
    out.assign(5, 's');
    result = this->Store().ReadAtMost(strFolder, 100, out);
    EXPECT_EQ(FileReadResult::Kind::Failed, result.kind);
    EXPECT_NE(0, result.nErrno);
    EXPECT_TRUE(out.empty());
}

// ---- only on a real disk ---------------------------------------------------------------------

class LocalFileStoreTest : public ::testing::Test, protected LocalFiles {};

TEST_F(LocalFileStoreTest, NoPlaceToWriteFailsPlainlyAndTouchesNoOtherFile)
{
    // An operator's file that happens to carry a temporary-like name is not the writer's.
    PutBytes(Path("AlarmEvent.am.part"), "the operator's");
    ASSERT_TRUE(WriteWhole(store, Path("AlarmEvent.am"), "\1\2\3"));
    EXPECT_EQ("the operator's", GetBytes(Path("AlarmEvent.am.part")));

    FileStatus status;
    EXPECT_FALSE(WriteWhole(store, Path("missing/a.am"), "x"));
    EXPECT_EQ(nullptr, store.OpenWritable(Path("missing/a.avi"), &status));
    EXPECT_EQ(ENOENT, status.nErrno);
    EXPECT_EQ("No such file or directory", status.Text());
    EXPECT_EQ(nullptr, store.OpenWritable(Path("AlarmEvent.am/x"), &status));
    EXPECT_EQ("Not a directory", status.Text());
    EXPECT_FALSE(WriteWhole(store, "/proc/ostrel-test.am", "x"));

    // A folder holds the final name: the commit fails, the folder stays, nothing is left.
    fs::create_directories(dir / "blocked.avi" / "inside");
    EXPECT_FALSE(WriteWhole(store, Path("blocked.avi"), "x"));
    auto pFile = store.OpenWritable(Path("blocked.avi"), &status);
    ASSERT_NE(nullptr, pFile);
    ASSERT_TRUE(WriteText(*pFile, "123").Ok());
    EXPECT_EQ(EISDIR, pFile->Close().nErrno);
    EXPECT_TRUE(fs::is_directory(dir / "blocked.avi" / "inside"));
    EXPECT_EQ(1u, Leftovers()) << "the operator's file only";
}

TEST_F(LocalFileStoreTest, TemporarySitsBesideTheFinalNameWithTheUsualPermissions)
{
    const fs::path target = dir / "CAM3_2005-06-30 14-05-09_12345.jpg";
    const mode_t oldMask = ::umask(027);
    auto pFile = LocalWritableFile::Open(target.string(), nullptr);
    ::umask(oldMask);
    ASSERT_NE(nullptr, pFile);
    const fs::path temp = pFile->TemporaryPath();
    EXPECT_EQ(dir, temp.parent_path()) << "same folder, so the rename stays on one file system";
    EXPECT_EQ(0u, temp.filename().string().rfind(target.filename().string() + ".part-", 0)) << temp;
    EXPECT_FALSE(fs::exists(target));
    ASSERT_TRUE(pFile->Close().Ok());
    EXPECT_FALSE(fs::exists(temp));
    struct stat st {};
    ASSERT_EQ(0, ::stat(target.c_str(), &st));
    EXPECT_EQ(0640u, st.st_mode & 0777u) << "0666 less the umask 027";
}

TEST_F(LocalFileStoreTest, BoundedReadOfSpecialOrLargeFilesFailsWithoutWaitingOrTakesOnlyTheLimit)
{
    Bytes out;
    EXPECT_EQ(EISDIR, store.ReadAtMost(dir.string(), 10, out).nErrno);
    ASSERT_TRUE(PutFifo(dir / "AlarmEvent.am")) << "a pipe without a writer blocks a plain open";
    EXPECT_EQ(FileReadResult::Kind::Failed, store.ReadAtMost(Path("AlarmEvent.am"), 10, out).kind);
    PutBytes(dir / "ini", "a file");
    EXPECT_EQ(FileReadResult::Kind::Missing, store.ReadAtMost(Path("ini/opt.ini"), 10, out).kind)
        << "a file where a folder should be is as good as missing";

    PutBytes(dir / "big.am", Garbage(300 * 1024));
    const FileReadResult result = store.ReadAtMost(Path("big.am"), 200 * 1024 + 7, out);
    EXPECT_TRUE(result.bTruncated);
    ASSERT_EQ(200u * 1024 + 7, out.size());
    EXPECT_EQ(200u * 1024 + 7, out.capacity());
    EXPECT_EQ(static_cast<uint8_t>(Garbage(300 * 1024)[200 * 1024 + 6]), out.back());
}
