// What every FileStore promises, on the local disk and on the in-memory fake; then the disk alone.
#include "fakes/fake_file_store.h"
#include "fakes/hostile_files.h"
#include "platform/file_store.h"

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

bool WriteWhole(FileStore& rStore, const std::string& strPath, std::string_view text,
                FileAccess access = FileAccess::Shared)
{
    return rStore.WriteWhole(strPath, reinterpret_cast<const uint8_t*>(text.data()), text.size(), access);
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
    std::optional<FileSizeLimit> m_limit;
};

// The local disk as exFAT, FAT, FUSE and SMB mounts behave: a no-replace rename is not known
// (EINVAL, as exfat-fuse answers) and hard links are refused (EPERM).
class ExfatLikeFiles : public LocalFiles {
public:
    ExfatLikeFiles() { store = LocalFileStore(NoReplaceCalls{RefuseRename, RefuseLink}); }
    static int RefuseRename(const char*, const char*) { return errno = EINVAL, -1; }
    static int RefuseLink(const char*, const char*) { return errno = EPERM, -1; }
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

using Stores = ::testing::Types<LocalFiles, ExfatLikeFiles, FakeFiles>;
TYPED_TEST_SUITE(FileStoreContract, Stores);

const std::string kAvi("RIFF\x0e\0\0\0AVI 0123456789idx1", 26);

// A header, a body, the size patched in, a tail: kAvi. A failure must stick until Close.
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

// Full after every byte, for a whole-file write and one written in steps: old or whole new file.
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
    EXPECT_TRUE(this->Store().Remove(strIni)) << "a missing file is already removed";
}

TYPED_TEST(FileStoreContract, WrittenFileIsPatchedShowsOnlyAtCloseAndNeverReplacesUnderANewName)
{
    const std::string strPath = this->files.Path("2005-06-30 14-05-09.avi");
    this->files.Put(strPath, "previous recording");
    auto pFile = this->Store().OpenWritable(strPath);
    ASSERT_NE(nullptr, pFile);
    ASSERT_TRUE(WriteText(*pFile, "0123456789").Ok());
    ASSERT_TRUE(pFile->Seek(4).Ok());
    ASSERT_TRUE(WriteText(*pFile, "ab").Ok());
    EXPECT_EQ(10u, pFile->Size()) << "a patch does not grow the file";
    EXPECT_EQ(EINVAL, pFile->Seek(11).nErrno) << "no seek past the end";
    EXPECT_EQ(6u, pFile->Position());
    // Read back as written, patch included, short only at the end; the position stays.
    char read[8] = {};
    size_t nRead = 0;
    ASSERT_TRUE(pFile->ReadAt(3, reinterpret_cast<uint8_t*>(read), 8, &nRead).Ok());
    EXPECT_EQ("3ab6789", std::string(read, nRead));
    ASSERT_TRUE(pFile->ReadAt(10, reinterpret_cast<uint8_t*>(read), 8, &nRead).Ok());
    EXPECT_EQ(0u, nRead);
    EXPECT_EQ(6u, pFile->Position());
    EXPECT_EQ("previous recording", this->files.Read(strPath)) << "nothing shows before Close";
    ASSERT_TRUE(pFile->Close().Ok());
    EXPECT_EQ("0123ab6789", this->files.Read(strPath));
    EXPECT_EQ(EBADF, WriteText(*pFile, "x").nErrno) << "a closed file takes nothing more";

    // A backup is named when it is finished; an earlier backup of the same second is kept.
    const std::string strFree = this->files.Path("2005-06-30 14-05-09_1.avi");
    pFile = this->Store().OpenWritable(this->files.Path("recording.avi"));
    ASSERT_NE(nullptr, pFile);
    ASSERT_TRUE(WriteText(*pFile, "this backup").Ok());
    EXPECT_EQ(EEXIST, pFile->CloseAs(strPath).nErrno);
    EXPECT_EQ("0123ab6789", this->files.Read(strPath));
    ASSERT_TRUE(pFile->CloseAs(strFree).Ok()) << "the file stayed whole for another name";
    EXPECT_EQ("this backup", this->files.Read(strFree));
    EXPECT_EQ(std::nullopt, this->files.Read(this->files.Path("recording.avi")));

    // A file dropped unclosed leaves the old one and no trace.
    pFile = this->Store().OpenWritable(strPath);
    ASSERT_TRUE(WriteText(*pFile, "half a new picture").Ok());
    pFile.reset();
    EXPECT_EQ("0123ab6789", this->files.Read(strPath));
    EXPECT_EQ(0u, this->files.Leftovers());
}

TYPED_TEST(FileStoreContract, BoundedReadTakesAtMostTheLimit)
{
    const std::string strPath = this->files.Path("opt.ini");
    this->files.Put(strPath, "[PTZ_CMD_INTERVAL]");
    Bytes out(5, 's');
    FileReadResult result = this->Store().ReadAtMost(strPath, 4, out);
    EXPECT_EQ(FileReadResult::Kind::Ok, result.kind);
    EXPECT_TRUE(result.bTruncated);
    EXPECT_EQ("[PTZ", std::string(out.begin(), out.end())) << "replaced, not appended";
    EXPECT_FALSE(this->Store().ReadAtMost(strPath, 18, out).bTruncated);
    out.assign(5, 's');
    result = this->Store().ReadAtMost(this->files.Path("no such file"), 100, out);
    EXPECT_EQ(FileReadResult::Kind::Missing, result.kind);
    EXPECT_EQ(ENOENT, result.nErrno);
    EXPECT_TRUE(out.empty());
    const std::string strFolder = this->files.Path("AlarmEvent.am");
    this->files.MakeUnreadable(strFolder);
    out.assign(5, 's');
    result = this->Store().ReadAtMost(strFolder, 100, out);
    EXPECT_EQ(FileReadResult::Kind::Failed, result.kind);
    EXPECT_TRUE(out.empty());
}

// Special files and huge ones reach this store in the settings and hostile-start tests.
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
    EXPECT_EQ("No such file or directory", status.Text());

    // A folder holds the final name: the commit fails, the folder stays, nothing is left.
    fs::create_directories(dir / "blocked.avi" / "inside");
    EXPECT_FALSE(WriteWhole(store, Path("blocked.avi"), "x"));
    auto pFile = store.OpenWritable(Path("blocked.avi"), &status);
    ASSERT_NE(nullptr, pFile);
    EXPECT_EQ(EISDIR, pFile->Close().nErrno);
    EXPECT_TRUE(fs::is_directory(dir / "blocked.avi" / "inside"));
    EXPECT_EQ(1u, Leftovers()) << "the operator's file only";
}

// A new file is the caller's choice, under the usual umask; a rewrite keeps the operator's mode.
TEST_F(LocalFileStoreTest, NewFilesTakeTheAccessAskedForAndRewritesKeepTheirMode)
{
    const mode_t oldMask = ::umask(022);
    const auto modeOf = [this](const char* pszName) {
        struct stat st {};
        return ::stat(Path(pszName).c_str(), &st) == 0 ? st.st_mode & 0777 : 0u;
    };
    ASSERT_TRUE(WriteWhole(store, Path("cnn.ini"), "[A]\n", FileAccess::Private));
    ASSERT_TRUE(WriteWhole(store, Path("snapshot.jpg"), "jpeg"));
    PutBytes(Path("recording.avi"), "the operator's"); // its mode is not lent to a new name
    auto pFile = store.OpenWritable(Path("recording.avi"));
    ASSERT_TRUE(pFile && pFile->CloseAs(Path("backup.avi")).Ok());
    EXPECT_EQ(0600u, modeOf("cnn.ini"));
    EXPECT_EQ(0644u, modeOf("snapshot.jpg"));
    EXPECT_EQ(0644u, modeOf("backup.avi"));
    ::chmod(Path("cnn.ini").c_str(), 0640);
    ::chmod(Path("snapshot.jpg").c_str(), 0600);
    ASSERT_TRUE(WriteWhole(store, Path("cnn.ini"), "[B]\n", FileAccess::Private));
    ASSERT_TRUE(WriteWhole(store, Path("snapshot.jpg"), "jpeg 2"));
    EXPECT_EQ(0640u, modeOf("cnn.ini"));
    EXPECT_EQ(0600u, modeOf("snapshot.jpg"));
    ::umask(oldMask);
}
