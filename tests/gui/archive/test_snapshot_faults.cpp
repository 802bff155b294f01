// The archive dialog's snapshot when its file cannot be written: a disk full at every byte of
// the JPEG and a failing commit (in the fake store), then a full real disk. Afterwards the
// snapshot's name holds the old file or nothing, or the whole new JPEG; never a part, never a
// temporary, and the status line says "Snapshot Not Saved".
#include "fakes/gui_fixture.h"
#include "fakes/hostile_files.h"

#include <cstdio>
#include <filesystem>

using namespace ostrel;
using namespace ostrel::test;
namespace fs = std::filesystem;

namespace {

constexpr const char* kNotSaved = "Snapshot Not Saved";
constexpr const char* kBlank = "         ";

// What djpeg, an independent decoder, makes of the file: its PNM header line "P6\n640 480\n".
std::string DecodedSize(const fs::path& file)
{
    std::string out;
    FILE* pPipe = ::popen(("djpeg -pnm '" + file.string() + "' 2>/dev/null | head -c 11").c_str(), "r");
    if (!pPipe)
        return out;
    char buf[64];
    while (std::fgets(buf, sizeof buf, pPipe))
        out += buf;
    ::pclose(pPipe);
    return out;
}

class SnapshotFaults : public SessionTest {
protected:
    void SetUp() override
    {
        SessionTest::SetUp();
        folder = fs::path(Dir()) / "snapshots";
        clock.Advance(4321);
        clock.SetLocalNow(LocalDateTime{2026, 12, 6, 12, 5, 8});
    }
    // The session and the dialog, its snapshots going to rFiles in the record folder.
    void Make(FileStore& rFiles)
    {
        NewSession().Load();
        ArchiveServices services(clock, timers, rFiles);
        services.pFolders = &folders;
        services.pNotifier = &notifier;
        pDlg = std::make_unique<CArchiveDlg>(*pSession, services);
        pDlg->Create();
        SetText(pSession->Settings().szRecordPath, folder.string() + "/");
    }
    // One snapshot with the status line blanked before, so what it shows is this one's.
    std::string Snapshot()
    {
        pDlg->Player().ShowMessage(kBlank);
        folders.opened.clear();
        return pDlg->OnSnapshot();
    }

    fs::path folder;
};

} // namespace

TEST_F(SnapshotFaults, ADiskFullAtAnyByteOrAFailedCommitKeepsTheOldFileAndSaysSo)
{
    FakeFileStore store;
    Make(store);
    // The name is the stamp and the tick, and the clock stands still: every snapshot here goes
    // to the same name.
    const std::string strName = folder.string() + "/CAM0_2026-12-06 12-05-08_04321.jpg";
    ASSERT_EQ(strName, Snapshot());
    const Bytes jpeg = store.files.at(strName);
    ASSERT_GT(jpeg.size(), 1000u);
    ASSERT_EQ(0xFF, jpeg.front());
    ASSERT_EQ(0xD9, jpeg.back()) << "ends with its EOI marker";

    // Every byte of the JPEG's headers and of its end, and every 97th between: a snapshot takes
    // over a millisecond, and the store refuses a whole file that does not fit at whatever byte
    // the disk fills.
    const Bytes old{'o', 'l', 'd'};
    for (const bool bOldFile : {false, true}) {
        for (size_t nSpace = 0; nSpace <= jpeg.size(); ++nSpace) {
            if (nSpace >= 768 && nSpace + 256 < jpeg.size() && nSpace % 97 != 0)
                continue;
            store.files.clear();
            if (bOldFile)
                store.files[strName] = old;
            store.writableFaults.nSpaceBytes = nSpace;
            const std::string strSaved = Snapshot();
            if (nSpace == jpeg.size()) {
                EXPECT_EQ(strName, strSaved);
                EXPECT_EQ(jpeg, store.files.at(strName));
                EXPECT_EQ(kBlank, pDlg->Player().StatusLine());
                EXPECT_EQ(1u, folders.opened.size());
                continue;
            }
            SCOPED_TRACE(::testing::Message() << "old file " << bOldFile << ", space " << nSpace);
            ASSERT_EQ("", strSaved);
            ASSERT_EQ(kNotSaved, pDlg->Player().StatusLine());
            ASSERT_TRUE(folders.opened.empty()) << "no folder shown for a snapshot not saved";
            if (bOldFile)
                ASSERT_EQ(old, store.files.at(strName));
            else
                ASSERT_EQ(0u, store.files.count(strName));
            ASSERT_TRUE(store.temporaries.empty());
        }
    }
    store.writableFaults.nSpaceBytes = UINT64_MAX;

    // The bytes are all written but the commit fails: once for good, once after a success.
    store.files[strName] = old;
    store.writableFaults.bFailClose = true;
    EXPECT_EQ("", Snapshot());
    EXPECT_EQ(kNotSaved, pDlg->Player().StatusLine());
    EXPECT_EQ(old, store.files.at(strName));
    store.writableFaults.bFailClose = false;
    store.nCommitsLeft = 1;
    EXPECT_EQ(strName, Snapshot());
    EXPECT_EQ(jpeg, store.files.at(strName));
    store.files[strName] = old;
    EXPECT_EQ("", Snapshot());
    EXPECT_EQ(kNotSaved, pDlg->Player().StatusLine());
    EXPECT_EQ(old, store.files.at(strName));
    EXPECT_TRUE(store.temporaries.empty());
    EXPECT_TRUE(notifier.messages.empty()) << "the status line, no message box";
}

TEST_F(SnapshotFaults, AFullRealDiskKeepsTheOldFileAndLeavesNoTemporary)
{
    FakeFileStore measure; // the JPEG's size, for a disk with room for exactly the file
    Make(measure);
    const std::string strName = Snapshot();
    ASSERT_EQ(1u, measure.files.count(strName));
    const Bytes jpeg = measure.files.at(strName);

    LocalFileStore store;
    Make(store);
    fs::create_directories(folder);
    const fs::path file = folder / "CAM0_2026-12-06 12-05-08_04321.jpg";
    PutBytes(file, "old snapshot");
    for (const uint64_t nLimit : {uint64_t{500}, uint64_t{jpeg.size()}}) {
        SCOPED_TRACE(nLimit);
        std::string strSaved = "not run";
        {
            const FileSizeLimit limit(nLimit);
            ASSERT_TRUE(limit.IsSet());
            strSaved = Snapshot();
        }
        EXPECT_EQ(0u, Temporaries(folder));
        if (nLimit < jpeg.size()) {
            EXPECT_EQ("", strSaved);
            EXPECT_EQ(kNotSaved, pDlg->Player().StatusLine());
            EXPECT_EQ("old snapshot", GetBytes(file));
            continue;
        }
        EXPECT_EQ(file.string(), strSaved);
        EXPECT_EQ(kBlank, pDlg->Player().StatusLine());
        EXPECT_EQ(std::string(jpeg.begin(), jpeg.end()), GetBytes(file));
        EXPECT_EQ("P6\n640 480\n", DecodedSize(file));
    }
}
