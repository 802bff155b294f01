// AVI files on the real disk when the disk fills: the writer on LocalFileStore with the file
// size limited at every byte of a small file, and a backup run of 640 x 480 captures stopped
// by a full disk. Afterwards there is either nothing under the final name or the whole file,
// which ffprobe reads, and never a temporary.
#include "archive/avi_backup.h"
#include "archive/avi_file_maker.h"
#include "archive/avi_writer.h"

#include "fakes/fake_clock.h"
#include "fakes/fake_folder_opener.h"
#include "fakes/fake_ui_poster.h"
#include "fakes/hostile_files.h"
#include "platform/file_store.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

using namespace ostrel;
using namespace ostrel::test;
namespace fs = std::filesystem;

namespace {

// Runs a command; its standard output (empty when it cannot start).
std::string RunShell(const std::string& strCommand)
{
    std::string out;
    FILE* pPipe = ::popen((strCommand + " 2>/dev/null").c_str(), "r");
    if (!pPipe)
        return out;
    char buf[256];
    while (std::fgets(buf, sizeof buf, pPipe))
        out += buf;
    ::pclose(pPipe);
    return out;
}

// codec, size, rate, samples and pictures of the file's video stream as ffprobe counts them.
std::string ProbeStream(const fs::path& file)
{
    return RunShell("ffprobe -v error -count_frames -select_streams v:0 -show_entries "
                    "stream=codec_name,width,height,r_frame_rate,nb_frames,nb_read_frames -of csv=p=0 '" +
                    file.string() + "'");
}

size_t FilesIn(const fs::path& folder)
{
    size_t n = 0;
    std::error_code ec;
    for (auto it = fs::directory_iterator(folder, ec); !ec && it != fs::directory_iterator(); it.increment(ec))
        ++n;
    return n;
}

// A folder of its own below the test's scratch folder, empty at the start.
fs::path FreshFolder(const std::string& strName)
{
    const fs::path folder = fs::current_path() / strName;
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

// ---- the writer at every byte ----------------------------------------------------------------

constexpr int kWidth = 16;
constexpr int kHeight = 8;
constexpr int kCaptures = 3;

// Capture i: every pixel's bytes differ, and differ between captures.
std::vector<uint8_t> Capture(int i)
{
    std::vector<uint8_t> bgrx(static_cast<size_t>(kWidth) * kHeight * 4);
    for (size_t k = 0; k < bgrx.size(); ++k)
        bgrx[k] = static_cast<uint8_t>(k * 7 + static_cast<size_t>(i) * 50);
    return bgrx;
}

// Where writing a file stopped.
enum class Stage { Header, Capture0, Capture1, Capture2, Close, Done };

struct Attempt {
    Stage stage = Stage::Done;
    int nErrno = 0;
};

Attempt WriteCaptures(LocalFileStore& files, const fs::path& file, const AviFormat& format)
{
    CAviWriter writer;
    FileStatus status;
    if (!writer.Open(files, file.string(), format, &status))
        return {Stage::Header, status.nErrno};
    for (int i = 0; i < kCaptures; ++i) {
        const std::vector<uint8_t> bgrx = Capture(i);
        if (!writer.AddFrame(bgrx.data(), kWidth * 4, &status))
            return {static_cast<Stage>(static_cast<int>(Stage::Capture0) + i), status.nErrno};
    }
    if (!writer.Close(&status))
        return {Stage::Close, status.nErrno};
    return {};
}

AviFormat SmallFormat(uint64_t nOpenDmlBytes)
{
    AviFormat f;
    f.nWidth = kWidth;
    f.nHeight = kHeight;
    f.dwSampleStep = 2;
    f.nOpenDmlBytes = nOpenDmlBytes;
    return f;
}

} // namespace

// Three 16 x 8 captures two samples apart, by hand: headers 4620 bytes (RIFF 12, hdrl list 12,
// avih 64, strl list 12, strh 64, strf 48, the super index's JUNK 4128, the odml JUNK 268,
// movi list 12); the first capture's chunk 8 + 384; each later one an empty chunk (8) and
// 8 + 384; idx1 8 + 16 x 5 samples. A write that would take the file past the limit fails
// with EFBIG, so the limit tells which step fails.
TEST(AviOnFullDisk, EveryByteOfASmallFileFailsItsOwnStepAndLeavesNothing)
{
    const fs::path folder = FreshFolder("avi-every-byte");
    const fs::path file = folder / "a.avi";
    LocalFileStore files;
    const AviFormat format = SmallFormat(AviFormat::kMaxOpenDmlBytes);
    ASSERT_EQ(Stage::Done, WriteCaptures(files, file, format).stage);
    const std::optional<std::string> reference = GetBytes(file);
    ASSERT_TRUE(reference);
    constexpr uint64_t kHeader = 4620;
    constexpr uint64_t kFull = kHeader + 392 + 400 + 400 + 88;
    ASSERT_EQ(kFull, reference->size());
    EXPECT_EQ("rawvideo,16,8,60/1,5,3\n", ProbeStream(file));
    fs::remove(file);

    const auto expected = [](uint64_t nLimit) {
        if (nLimit < kHeader)
            return Stage::Header;
        if (nLimit < kHeader + 392)
            return Stage::Capture0;
        if (nLimit < kHeader + 792)
            return Stage::Capture1;
        if (nLimit < kHeader + 1192)
            return Stage::Capture2;
        return nLimit < kFull ? Stage::Close : Stage::Done;
    };
    std::vector<Attempt> attempts;
    std::vector<size_t> left; // files in the folder after each attempt but the last
    for (uint64_t nLimit = 0; nLimit <= kFull; ++nLimit) {
        {
            const FileSizeLimit limit(nLimit);
            ASSERT_TRUE(limit.IsSet());
            attempts.push_back(WriteCaptures(files, file, format));
        }
        if (nLimit < kFull)
            left.push_back(FilesIn(folder));
    }
    for (uint64_t nLimit = 0; nLimit < kFull; ++nLimit) {
        SCOPED_TRACE(testing::Message() << "limit " << nLimit);
        EXPECT_EQ(expected(nLimit), attempts[nLimit].stage);
        EXPECT_EQ(EFBIG, attempts[nLimit].nErrno);
        EXPECT_EQ(0u, left[nLimit]) << "neither the file nor its temporary";
    }
    EXPECT_EQ(Stage::Done, attempts[kFull].stage);
    EXPECT_EQ(reference, GetBytes(file)) << "the complete file, exactly";
    EXPECT_EQ("rawvideo,16,8,60/1,5,3\n", ProbeStream(file));
    EXPECT_EQ(1u, FilesIn(folder));
}

// Parts of at most 5200 bytes: each capture past the first part ends one (its ix00 and idx1
// or its patched RIFF header) and starts another, so the limit falls inside every kind of
// write there is. No reference layout here; the rule alone: whole or nothing.
TEST(AviOnFullDisk, OpenDmlPartsOnAFullDiskAreWholeOrNothing)
{
    const fs::path folder = FreshFolder("avi-opendml");
    const fs::path file = folder / "b.avi";
    LocalFileStore files;
    const AviFormat format = SmallFormat(5200);
    ASSERT_EQ(Stage::Done, WriteCaptures(files, file, format).stage);
    const std::optional<std::string> reference = GetBytes(file);
    ASSERT_TRUE(reference);
    EXPECT_EQ("rawvideo,16,8,60/1,5,3\n", ProbeStream(file));
    fs::remove(file);

    const uint64_t nFull = reference->size();
    std::vector<bool> stages(static_cast<size_t>(Stage::Done) + 1, false);
    for (uint64_t nLimit = 0; nLimit <= nFull + 1; ++nLimit) {
        Attempt attempt;
        {
            const FileSizeLimit limit(nLimit);
            ASSERT_TRUE(limit.IsSet());
            attempt = WriteCaptures(files, file, format);
        }
        SCOPED_TRACE(testing::Message() << "limit " << nLimit);
        stages[static_cast<size_t>(attempt.stage)] = true;
        if (nLimit < nFull) {
            ASSERT_NE(Stage::Done, attempt.stage);
            EXPECT_EQ(EFBIG, attempt.nErrno);
            ASSERT_EQ(0u, FilesIn(folder));
        } else {
            ASSERT_EQ(Stage::Done, attempt.stage);
            EXPECT_EQ(reference, GetBytes(file));
            EXPECT_EQ(1u, FilesIn(folder));
            fs::remove(file);
        }
    }
    for (size_t s = 0; s < stages.size(); ++s)
        EXPECT_TRUE(stages[s]) << "no limit fell in step " << s;
}

// The commit itself fails on the real disk: the final name's folder is gone by then.
TEST(AviOnFullDisk, ACommitThatCannotRenameLeavesNoTemporary)
{
    const fs::path folder = FreshFolder("avi-commit");
    LocalFileStore files;
    CAviWriter writer;
    ASSERT_TRUE(writer.Open(files, (folder / "c.avi").string(), SmallFormat(AviFormat::kMaxOpenDmlBytes)));
    const std::vector<uint8_t> bgrx = Capture(0);
    ASSERT_TRUE(writer.AddFrame(bgrx.data(), kWidth * 4));
    FileStatus status;
    EXPECT_FALSE(writer.CloseAs((folder / "missing" / "c.avi").string(), &status));
    EXPECT_EQ(ENOENT, status.nErrno);
    EXPECT_FALSE(writer.IsOpen());
    EXPECT_EQ(0u, FilesIn(folder));
}

// ---- a backup run on a full disk -------------------------------------------------------------

namespace {

// The archive window as the run sees it: the status line, the toggle's light, message boxes,
// and a play area of one grey level per capture.
class BackupWindow final : public BackupView {
public:
    void ShowBackupStatus(const std::string& strText) override { statuses.push_back(strText); }
    void SetBackupLit(bool bNowLit) override { bLit = bNowLit; }
    void ShowBackupMessage(const std::string& strText) override { messages.push_back(strText); }
    bool CapturePlayArea(uint8_t* pDst, int nStrideBytes) override
    {
        std::memset(pDst, 40 * ++nCaptured, static_cast<size_t>(nStrideBytes) * CAviBackup::kFrameHeight);
        return true;
    }
    std::string StampText() override { return "2024-05-12 10-00-00"; }
    std::string RecordFolder() override { return strFolder; }

    std::vector<std::string> statuses;
    std::vector<std::string> messages;
    bool bLit = false;
    int nCaptured = 0;
    std::string strFolder;
};

class AviBackupOnFullDisk : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = FreshFolder("backup-full");
        window.strFolder = folder.string();
        pBackup = std::make_unique<CAviBackup>(CAviBackup::Services{timers, poster, maker, &folders, "."}, window);
    }
    // Two captures and the stop: one file of two 640 x 480 captures ten samples apart.
    void RecordTwoCaptures()
    {
        ASSERT_TRUE(pBackup->Toggle(0x0001, 0));
        pBackup->OnPictureDrawn();
        pBackup->Capture();
        pBackup->Stop();
        pBackup->WaitForSavingThread();
    }

    FakeClock clock;
    FakeTimerFactory timers{clock};
    FakeUiPoster poster;
    LocalFileStore files;
    CAviFileMaker maker{files};
    FakeFolderOpener folders;
    BackupWindow window;
    fs::path folder;
    std::unique_ptr<CAviBackup> pBackup;
};

// By hand: headers 4620, a capture's chunk 8 + 921600, nine empty chunks before the second,
// idx1 8 + 16 x 11 samples.
constexpr uint64_t kCaptureChunk = 8 + 640 * 480 * 3;
constexpr uint64_t kTwoCaptureFile = 4620 + kCaptureChunk + 72 + kCaptureChunk + 8 + 16 * 11;

} // namespace

TEST_F(AviBackupOnFullDisk, TheRunSaysNotSavedStopsAndLeavesNothingWhereverTheDiskFills)
{
    struct Case {
        const char* pWhere;
        uint64_t nLimit;
    };
    const Case cases[] = {
        {"nothing fits", 0},
        {"in the headers", 4000},
        {"in the first capture", 4620 + 500000},
        {"in the second capture", 4620 + kCaptureChunk + 72 + 100},
        {"in idx1, while the file is finished", kTwoCaptureFile - 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pWhere);
        window.statuses.clear();
        {
            const FileSizeLimit limit(c.nLimit);
            ASSERT_TRUE(limit.IsSet());
            RecordTwoCaptures();
        }
        poster.RunPending();
        ASSERT_FALSE(window.statuses.empty());
        EXPECT_EQ("AVI Not Saved", window.statuses.back());
        EXPECT_FALSE(pBackup->IsRecording());
        EXPECT_FALSE(pBackup->IsBusy()) << "the operator may leave the dialog";
        EXPECT_FALSE(window.bLit);
        EXPECT_TRUE(window.messages.empty());
        EXPECT_TRUE(folders.opened.empty()) << "no folder shown for a file not saved";
        EXPECT_EQ(0u, FilesIn(folder)) << "neither a part of the file nor its temporary";
    }

    // With the space back the next run saves, and the file is whole.
    window.statuses.clear();
    RecordTwoCaptures();
    poster.RunPending();
    EXPECT_EQ("Saving OK", window.statuses.back());
    const fs::path saved = folder / "2024-05-12 10-00-00.avi";
    ASSERT_TRUE(fs::exists(saved));
    EXPECT_EQ(kTwoCaptureFile, fs::file_size(saved));
    EXPECT_EQ("rawvideo,640,480,60/1,11,2\n", ProbeStream(saved));
    EXPECT_EQ(1u, FilesIn(folder));
}

TEST_F(AviBackupOnFullDisk, AnIntervalLostToAFullDiskIsFollowedByAWholeFile)
{
    {
        const FileSizeLimit limit(4620 + 500000);
        ASSERT_TRUE(limit.IsSet());
        ASSERT_TRUE(pBackup->Toggle(0x0001, 0));
        pBackup->OnPictureDrawn();
        pBackup->Capture();
        pBackup->WaitForSavingThread();
    }
    poster.RunPending();
    EXPECT_EQ("AVI Not Saved", window.statuses.back());
    EXPECT_TRUE(pBackup->IsRecording());

    clock.Advance(3000); // the interval ends; the next file starts with one capture
    pBackup->OnPictureDrawn();
    pBackup->Capture();
    pBackup->Stop();
    pBackup->WaitForSavingThread();
    poster.RunPending();
    EXPECT_EQ("Saving OK", window.statuses.back());
    const fs::path saved = folder / "2024-05-12 10-00-00.avi";
    EXPECT_EQ("rawvideo,640,480,60/1,11,2\n", ProbeStream(saved));
    // The second file holds the third and fourth captures (grey 120 and 160), not the first two.
    const std::string strFirstPixel = RunShell("ffmpeg -v error -i '" + saved.string() +
                                               "' -frames:v 1 -f rawvideo -pix_fmt bgr24 - | od -An -tu1 -N3 -v | tr -s ' '");
    EXPECT_EQ(" 120 120 120\n", strFirstPixel);
    EXPECT_EQ(1u, FilesIn(folder));
}
