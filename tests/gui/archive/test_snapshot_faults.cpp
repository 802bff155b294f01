// The archive dialog's snapshot when its file cannot be written: a disk full at every byte of
// the JPEG and a failing commit (in the fake store), then a full real disk. Afterwards the
// snapshot's name holds the old file or nothing, or the whole new JPEG; never a part, never a
// temporary, and the status line says "Snapshot Not Saved".
#include "archive/archive_dlg.h"

#include "fakes/fake_clock.h"
#include "fakes/fake_file_store.h"
#include "fakes/fake_folder_opener.h"
#include "fakes/fake_socket.h"
#include "fakes/hostile_files.h"
#include "fakes/memory_settings_store.h"
#include "fakes/recording_notifier.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

using namespace ostrel;
using namespace ostrel::test;
namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

constexpr const char* kNotSaved = "Snapshot Not Saved";
constexpr const char* kBlank = "         ";

std::string AsString(const Bytes& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

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

class SnapshotFaults : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = fs::current_path() / "snapshots";
        fs::remove_all(folder);
        clock.Advance(4321);
        clock.SetLocalNow(LocalDateTime{2026, 12, 6, 12, 5, 8});
    }
    void TearDown() override
    {
        pDlg.reset();
        pSession.reset();
    }
    // The session and the dialog, its snapshots going to rFiles in the record folder.
    void Make(FileStore& rFiles)
    {
        pDlg.reset();
        pSession.reset();
        const std::string strDir = fs::current_path().string();
        pSession = std::make_unique<CRecorderSession>(
            SessionServices{timers, sockets, sessionFiles, notifier, settings, {strDir, strDir}, strDir});
        pSession->Load();
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

    FakeClock clock;
    FakeTimerFactory timers{clock};
    FakeSocketFactory sockets;
    FakeFileStore sessionFiles;
    RecordingNotifier notifier;
    MemorySettingsStore settings;
    FakeFolderOpener folders;
    std::unique_ptr<CRecorderSession> pSession;
    std::unique_ptr<CArchiveDlg> pDlg;
    fs::path folder;
};

} // namespace

TEST_F(SnapshotFaults, ADiskFullAtAnyByteOrAFailedCommitKeepsTheOldFileAndSaysSo)
{
    FakeFileStore files;
    Make(files);
    // The name is the stamp and the tick, and the clock stands still: every snapshot here
    // goes to the same name.
    const std::string strName = folder.string() + "/CAM0_2026-12-06 12-05-08_04321.jpg";
    ASSERT_EQ(strName, Snapshot());
    const Bytes jpeg = files.files.at(strName);
    ASSERT_GT(jpeg.size(), 1000u);
    ASSERT_EQ(0xFF, jpeg.front());
    ASSERT_EQ(0xD9, jpeg.back()) << "ends with its EOI marker";

    // Every byte of the JPEG's headers and of its end, and every 97th between: a snapshot
    // takes over a millisecond, and the store refuses a whole file that does not fit at
    // whatever byte the disk fills.
    std::vector<size_t> spaces;
    for (size_t nSpace = 0; nSpace <= jpeg.size(); ++nSpace)
        if (nSpace < 768 || nSpace + 256 >= jpeg.size() || nSpace % 97 == 0)
            spaces.push_back(nSpace);
    const Bytes old{'o', 'l', 'd'};
    for (const bool bOldFile : {false, true}) {
        for (const size_t nSpace : spaces) {
            files.files.clear();
            if (bOldFile)
                files.files[strName] = old;
            files.writableFaults.nSpaceBytes = nSpace;
            const std::string strSaved = Snapshot();
            if (nSpace == jpeg.size()) {
                EXPECT_EQ(strName, strSaved);
                EXPECT_EQ(jpeg, files.files.at(strName));
                EXPECT_EQ(kBlank, pDlg->Player().StatusLine());
                EXPECT_EQ(1u, folders.opened.size());
                continue;
            }
            SCOPED_TRACE(testing::Message() << "old file " << bOldFile << ", space " << nSpace);
            ASSERT_EQ("", strSaved);
            ASSERT_EQ(kNotSaved, pDlg->Player().StatusLine());
            ASSERT_TRUE(folders.opened.empty()) << "no folder shown for a snapshot not saved";
            if (bOldFile)
                ASSERT_EQ(old, files.files.at(strName));
            else
                ASSERT_EQ(0u, files.files.count(strName));
            ASSERT_TRUE(files.temporaries.empty());
        }
    }
    files.writableFaults.nSpaceBytes = UINT64_MAX;

    // The bytes are all written but the commit fails: once for good, once after a success.
    files.files[strName] = old;
    files.writableFaults.bFailClose = true;
    EXPECT_EQ("", Snapshot());
    EXPECT_EQ(kNotSaved, pDlg->Player().StatusLine());
    EXPECT_EQ(old, files.files.at(strName));
    files.writableFaults.bFailClose = false;
    files.nCommitsLeft = 1;
    EXPECT_EQ(strName, Snapshot());
    EXPECT_EQ(jpeg, files.files.at(strName));
    files.files[strName] = old;
    EXPECT_EQ("", Snapshot());
    EXPECT_EQ(kNotSaved, pDlg->Player().StatusLine());
    EXPECT_EQ(old, files.files.at(strName));
    EXPECT_TRUE(files.temporaries.empty());
    EXPECT_TRUE(notifier.messages.empty()) << "the status line, no message box";
}

TEST_F(SnapshotFaults, AFullRealDiskKeepsTheOldFileAndLeavesNoTemporary)
{
    LocalFileStore files;
    Make(files);
    fs::create_directories(folder);
    const fs::path file = folder / "CAM0_2026-12-06 12-05-08_04321.jpg";
    PutBytes(file, "old snapshot");

    std::string strSaved = "not run";
    {
        const FileSizeLimit limit(500);
        ASSERT_TRUE(limit.IsSet());
        strSaved = Snapshot();
    }
    EXPECT_EQ("", strSaved);
    EXPECT_EQ(kNotSaved, pDlg->Player().StatusLine());
    EXPECT_EQ("old snapshot", GetBytes(file));
    EXPECT_EQ(0u, Temporaries(folder));

    // A disk with room for exactly the file: it is written whole, over the old one.
    FakeFileStore measure;
    Make(measure);
    const std::string strName = Snapshot();
    ASSERT_EQ(1u, measure.files.count(strName));
    const Bytes& jpeg = measure.files.at(strName);
    Make(files);
    {
        const FileSizeLimit limit(jpeg.size());
        ASSERT_TRUE(limit.IsSet());
        strSaved = Snapshot();
    }
    EXPECT_EQ(file.string(), strSaved);
    EXPECT_EQ(kBlank, pDlg->Player().StatusLine());
    EXPECT_EQ(AsString(jpeg), GetBytes(file));
    EXPECT_EQ("P6\n640 480\n", DecodedSize(file));
    EXPECT_EQ(0u, Temporaries(folder));
}
