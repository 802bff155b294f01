// The MP4 writer: files read back by ffprobe and decoded by ffmpeg (codec, profile, pixel format,
// each picture's time against the capture's, the first picture against its capture), the index
// in front, and every way writing can fail.
#include "backup/mp4_writer.h"

#include "fakes/fake_file_store.h"
#include "fakes/hostile_files.h"
#include "fakes/read_back.h"

#include <cerrno>
#include <cmath>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using namespace ostrel::test;
namespace fs = std::filesystem;

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr int kStride = kWidth * 4 + 16; // spare bytes after each row must not matter

// A play area of sixteen 160 x 120 tiles, each a gradient of its own with a white label of black
// strokes one and two pixels wide (as a camera's name is drawn); capture i moves a bar.
std::vector<uint8_t> PlayArea(int i)
{
    std::vector<uint8_t> bgrx(static_cast<size_t>(kStride) * kHeight, 0xEE);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const int nTile = y / 120 * 4 + x / 160, tx = x % 160, ty = y % 120;
            uint8_t* p = &bgrx[static_cast<size_t>(y * kStride + x * 4)];
            p[0] = static_cast<uint8_t>(30 + nTile * 12 + tx / 2);
            p[1] = static_cast<uint8_t>(40 + ty + nTile * 5);
            p[2] = static_cast<uint8_t>(200 - tx / 2 - nTile * 7);
            const bool bLabel = tx >= 8 && tx < 72 && ty >= 6 && ty < 22;
            if (bLabel) {
                const bool bStroke = (ty >= 9 && ty < 19 && (tx % 6 == 0 || (tx % 6 == 3 && ty % 5 < 2)));
                p[0] = p[1] = p[2] = bStroke ? 0 : 255;
            }
            if (std::abs(tx - (i * 9) % 160) < 3)
                p[0] = p[1] = p[2] = 250;
        }
    return bgrx;
}

// Peak signal-to-noise ratio in dB of a decoded bgr24 picture against the capture it came from.
double Psnr(const std::vector<uint8_t>& capture, const std::string& decoded)
{
    if (decoded.size() != static_cast<size_t>(kWidth) * kHeight * 3)
        return 0;
    double dSum = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            for (int c = 0; c < 3; ++c) {
                const double d = capture[static_cast<size_t>(y * kStride + x * 4 + c)] -
                                 static_cast<uint8_t>(decoded[static_cast<size_t>((y * kWidth + x) * 3 + c)]);
                dSum += d * d;
            }
    return 10 * std::log10(255.0 * 255.0 / (dSum / (kWidth * kHeight * 3)));
}

// The top-level boxes of an MP4 file, in order ("ftyp moov free mdat").
std::string TopLevelBoxes(const std::string& bytes)
{
    std::string out;
    for (size_t at = 0; at + 8 <= bytes.size();) {
        uint64_t nSize = static_cast<uint64_t>(static_cast<uint8_t>(bytes[at])) << 24 |
                         static_cast<uint64_t>(static_cast<uint8_t>(bytes[at + 1])) << 16 |
                         static_cast<uint64_t>(static_cast<uint8_t>(bytes[at + 2])) << 8 |
                         static_cast<uint8_t>(bytes[at + 3]);
        out += (out.empty() ? "" : " ") + bytes.substr(at + 4, 4);
        if (nSize < 8)
            break;
        at += nSize;
    }
    return out;
}

// Capture times in microseconds from an arbitrary start: irregular, as refreshes come.
const std::vector<int64_t> kTimesUs = {5'000'000, 5'033'333, 5'050'000, 5'116'667, 5'150'000, 5'250'000};

// Writes one capture per time and commits the file: the step that failed (0 the open, 1 + i
// capture i, n + 1 the close), kAllWritten when none did.
constexpr int kAllWritten = -1;
int WriteSteps(FileStore& files, const fs::path& file, FileStatus* pStatus)
{
    CMp4Writer writer;
    if (!writer.Open(files, (file.parent_path() / "recording.mp4").string(), Mp4Format{}, pStatus))
        return 0;
    for (size_t i = 0; i < kTimesUs.size(); ++i)
        if (!writer.AddFrame(PlayArea(static_cast<int>(i)).data(), kStride, kTimesUs[i], pStatus))
            return 1 + static_cast<int>(i);
    return writer.CloseAs(file.string(), pStatus) ? kAllWritten : static_cast<int>(kTimesUs.size()) + 1;
}

TEST(Mp4ReadBack, PicturesPlayAtTheirCaptureTimesFromAnIndexInFront)
{
    const fs::path folder = fs::current_path() / "mp4-read-back";
    fs::create_directories(folder);
    const fs::path file = folder / "2024-05-10 08-00-07.mp4";
    LocalFileStore files;
    FileStatus status;
    ASSERT_EQ(kAllWritten, WriteSteps(files, file, &status)) << status.Text();
    const std::string q = "'" + file.string() + "'";

    EXPECT_EQ("h264,Main,640,480,yuv420p,6\n",
              RunShell("ffprobe -v error -count_frames -select_streams v:0 -show_entries "
                       "stream=codec_name,profile,pix_fmt,width,height,nb_read_frames -of csv=p=0 " + q));
    // Each picture at its capture's time from the first; the last lasts as long as the step
    // before it, so the file is the span plus that step long.
    EXPECT_EQ("0.000000\n0.033333\n0.050000\n0.116667\n0.150000\n0.250000\n",
              RunShell("ffprobe -v error -select_streams v:0 -show_entries frame=pts_time -of default=nw=1:nk=1 " + q));
    EXPECT_EQ("0.350000\n", RunShell("ffprobe -v error -show_entries format=duration -of csv=p=0 " + q));

    const std::optional<std::string> bytes = GetBytes(file);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(0u, TopLevelBoxes(*bytes).find("ftyp moov")) << TopLevelBoxes(*bytes);

    // The first picture against its capture: at the default quality this picture comes back at
    // about 37 dB (the labels' one-pixel strokes readable), and the bound leaves 2 dB for other
    // encoder builds; a conversion fault (colours swapped, rows shifted, the wrong range) falls
    // far below it.
    EXPECT_GT(Psnr(PlayArea(0), RunShell("ffmpeg -v error -i " + q + " -frames:v 1 -f rawvideo -pix_fmt bgr24 -")), 35.0);
    EXPECT_TRUE(fs::is_empty(folder) == false && std::distance(fs::directory_iterator(folder), {}) == 1)
        << "no temporary left beside it";
}

TEST(Mp4Failure, RefusalsAndNamesTakenLeaveNothingOrTheWholeFile)
{
    FakeFileStore files;
    FileStatus status;
    const std::pair<const char*, Mp4Format> refused[] = {
        {"width 641", {.nWidth = 641}}, {"height 8", {.nHeight = 8}}, {"CRF 52", {.nCrf = 52}},
        {"no bit rate", {.nMaxKbps = 0}}, {"key interval 0", {.nKeyInterval = 0}}};
    for (const auto& [pszCase, format] : refused) {
        EXPECT_FALSE(CMp4Writer().Open(files, "x.mp4", format, &status)) << pszCase;
        EXPECT_EQ(EINVAL, status.nErrno) << pszCase;
    }
    CMp4Writer writer;
    ASSERT_TRUE(writer.Open(files, "/rec/recording.mp4", Mp4Format{}, &status));
    EXPECT_FALSE(writer.Open(files, "/rec/other.mp4", Mp4Format{}, &status));
    EXPECT_EQ(EBUSY, status.nErrno);
    EXPECT_FALSE(writer.AddFrame(PlayArea(0).data(), kWidth * 4 - 4, 0, &status));
    EXPECT_EQ(EINVAL, status.nErrno);
    EXPECT_FALSE(writer.CloseAs("/rec/a.mp4", &status));
    EXPECT_TRUE(status.Ok() && files.files.empty() && files.temporaries.empty()) << "no capture: no file, no failure";

    // A name taken: the finished file waits for the next name.
    files.files["/rec/a.mp4"] = {1, 2, 3};
    ASSERT_TRUE(writer.Open(files, "/rec/recording.mp4", Mp4Format{}, &status));
    ASSERT_TRUE(writer.AddFrame(PlayArea(0).data(), kStride, 0, &status));
    EXPECT_FALSE(writer.CloseAs("/rec/a.mp4", &status));
    EXPECT_EQ(EEXIST, status.nErrno);
    ASSERT_TRUE(writer.CloseAs("/rec/a_1.mp4", &status));
    EXPECT_EQ((std::vector<uint8_t>{1, 2, 3}), files.files["/rec/a.mp4"]);
    EXPECT_EQ(writer.BytesWritten(), files.files["/rec/a_1.mp4"].size());
    EXPECT_FALSE(writer.AddFrame(PlayArea(0).data(), kStride, 0, &status));
    EXPECT_EQ(EBADF, status.nErrno);
}

// The real disk full at bytes spread over the whole file and around its end (the process's file
// size limit: a write past it fails with EFBIG), including the second pass that moves the index
// to the front: the whole file under its name, or nothing at all.
TEST(Mp4Failure, RealDiskFullLeavesTheWholeFileOrNothing)
{
    const fs::path folder = fs::current_path() / "mp4-disk-full";
    fs::remove_all(folder);
    fs::create_directories(folder);
    const fs::path file = folder / "a.mp4";
    LocalFileStore files;
    FileStatus status;
    ASSERT_EQ(kAllWritten, WriteSteps(files, file, &status));
    const std::optional<std::string> whole = GetBytes(file);
    ASSERT_TRUE(whole);
    std::vector<uint64_t> limits = {0, 1, 40, whole->size() - 1, whole->size() - 8, whole->size()};
    for (uint64_t k = 1; k < 24; ++k)
        limits.push_back(whole->size() * k / 24);
    for (const uint64_t nLimit : limits) {
        fs::remove(file);
        int stage = 0;
        {
            const FileSizeLimit limit(nLimit);
            ASSERT_TRUE(limit.IsSet());
            stage = WriteSteps(files, file, &status);
        }
        SCOPED_TRACE(testing::Message() << "limit " << nLimit << ", stopped in step " << stage);
        if (nLimit < whole->size()) {
            EXPECT_NE(kAllWritten, stage);
            EXPECT_EQ(EFBIG, status.nErrno);
            EXPECT_TRUE(fs::is_empty(folder)) << "neither the file nor its temporary";
        } else {
            ASSERT_EQ(kAllWritten, stage);
            EXPECT_EQ(whole, GetBytes(file)) << "the complete file, exactly";
        }
    }
}

} // namespace
} // namespace ostrel
