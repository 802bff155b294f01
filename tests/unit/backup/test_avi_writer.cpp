// The AVI writer: a file's bytes against a layout worked out by hand, files read back by ffprobe
// and decoded by ffmpeg, and every way writing can fail.
#include "backup/avi_writer.h"

#include "fakes/fake_file_store.h"
#include "fakes/hostile_files.h"
#include "fakes/read_back.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using namespace ostrel::test;
namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

// "codec,width,height,rate,duration,samples,pictures" of the video stream, as ffprobe counts them.
std::string ProbeStream(const fs::path& file)
{
    return RunShell("ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=codec_name,width,"
                    "height,r_frame_rate,duration,nb_frames,nb_read_frames -of csv=p=0 '" + file.string() + "'");
}
// The coded pictures in bgr24, one after another, decoded by ffmpeg (empty chunks are no pictures).
std::string DecodePictures(const fs::path& file, const std::string& strBefore = "")
{
    return RunShell("ffmpeg -v error " + strBefore + " -i '" + file.string() + "' -fps_mode passthrough -f rawvideo -pix_fmt bgr24 -");
}

uint32_t Le32(const Bytes& b, size_t at)
{
    return static_cast<uint32_t>(b.at(at)) | static_cast<uint32_t>(b.at(at + 1)) << 8 |
           static_cast<uint32_t>(b.at(at + 2)) << 16 | static_cast<uint32_t>(b.at(at + 3)) << 24;
}
std::string Id(const Bytes& b, size_t at)
{
    return std::string(b.begin() + static_cast<std::ptrdiff_t>(at), b.begin() + static_cast<std::ptrdiff_t>(at + 4));
}

struct Capture { // w x h pixels as B, G, R, X bytes, rows stride apart
    int nWidth = 0, nHeight = 0, nStride = 0;
    Bytes bgrx;
};

// Capture i: spare bytes after each row and a fourth byte that must not reach the file; bSmooth
// makes one a JPEG brings back close.
Capture Picture(int nWidth, int nHeight, int i, bool bSmooth = false)
{
    Capture c{nWidth, nHeight, nWidth * 4 + (bSmooth ? 0 : 8), {}};
    c.bgrx.assign(static_cast<size_t>(c.nStride) * static_cast<size_t>(nHeight), 0xEE);
    for (int y = 0; y < nHeight; ++y)
        for (int x = 0; x < nWidth; ++x) {
            uint8_t* p = &c.bgrx[static_cast<size_t>(y * c.nStride + x * 4)];
            p[0] = static_cast<uint8_t>(bSmooth ? 40 + x * 2 + i * 20 : x * 7 + y * 3 + i * 41);
            p[1] = static_cast<uint8_t>(bSmooth ? 60 + y * 2 : x * y + i * 13);
            p[2] = static_cast<uint8_t>(bSmooth ? 200 - x - y : 255 - x - y * 5 - i);
        }
    return c;
}

// What a decoder gives back in bgr24: top-down rows, 3 bytes a pixel, no padding.
std::string TopDownBgr(const Capture& c)
{
    std::string out;
    for (int y = 0; y < c.nHeight; ++y)
        for (int x = 0; x < c.nWidth * 4; ++x)
            if (x % 4 != 3)
                out.push_back(static_cast<char>(c.bgrx[static_cast<size_t>(y * c.nStride + x)]));
    return out;
}

// Writes captures make(0) .. make(n - 1) and closes the file: the step that failed (0 the open,
// 1 + i capture i, n + 1 the close), kAllWritten when none did.
constexpr int kAllWritten = -1;
template <typename Make>
int WriteSteps(FileStore& files, const std::string& strPath, const AviFormat& format, int n, Make make,
               FileStatus* pStatus = nullptr)
{
    CAviWriter writer;
    if (!writer.Open(files, strPath, format, pStatus))
        return 0;
    for (int i = 0; i < n; ++i) {
        const Capture c = make(i);
        if (!writer.AddFrame(c.bgrx.data(), c.nStride, pStatus))
            return 1 + i;
    }
    return writer.Close(pStatus) ? kAllWritten : n + 1;
}

AviFormat Format(int nWidth, int nHeight, AviCodec codec = AviCodec::Raw, uint64_t nPartBytes = 1 << 20)
{
    return {.nWidth = nWidth, .nHeight = nHeight, .codec = codec, .nOpenDmlBytes = nPartBytes};
}

// 3 x 2 pixels, raw, 3 captures 10 samples apart: 21 samples. Headers 4620 bytes: RIFF 12, hdrl
// 12, avih 64 (at 24), strl 12 (at 88), strh 64, strf 48, JUNK 4128 (room for a super index, at
// 212), JUNK 268 (room for odml, at 4340), movi 12 (at 4608). Rows of 9 bytes padded to 12: a
// capture is 24 bytes, its chunk 32; nine empty chunks of 8 before captures 1 and 2: movi data
// 4 + 32 + 2 * (72 + 32) = 244; idx1 (at 4860) 8 + 21 * 16.
TEST(AviLayout, ThreeRawCapturesTenSamplesApart)
{
    FakeFileStore files;
    ASSERT_EQ(kAllWritten, WriteSteps(files, "a.avi", Format(3, 2), 3, [](int i) { return Picture(3, 2, i); }));
    const Bytes& b = files.files.at("a.avi");
    ASSERT_EQ(b.size(), 5204u);
    const std::pair<size_t, const char*> ids[] = {
        {0, "RIFF"}, {8, "AVI "}, {12, "LIST"}, {20, "hdrl"}, {24, "avih"}, {88, "LIST"}, {96, "strl"}, {100, "strh"},
        {108, "vids"}, {164, "strf"}, {212, "JUNK"}, {4340, "JUNK"}, {4608, "LIST"}, {4616, "movi"}, {4860, "idx1"},
        {4620, "00dc"}, {4652, "00dc"}, {4724, "00dc"}, {4828, "00dc"}, {4868, "00dc"}, {4884, "00dc"}, {5188, "00dc"}};
    for (const auto& [at, id] : ids)
        EXPECT_EQ(id, Id(b, at)) << "at " << at;
    // Chunk sizes; avih: microseconds a sample at 60 a second, has index + interleaved, samples,
    // streams, suggested buffer, width, height; strh: no compressor, scale 1, rate 60, start 0,
    // length 21, buffer 24, sample size 0, frame rectangle 0, 0, 3, 2. In movi, capture 0's chunk
    // (24 bytes) at 4620, an empty one at 4652, capture 1 at 4724, capture 2 at 4828. idx1 entries
    // (flags, offset from the movi id, size) of samples 0, 1, 10 and 20.
    const std::pair<size_t, uint32_t> values[] = {
        {4, 5196}, {16, 4588}, {28, 56}, {92, 4244}, {104, 56}, {168, 40}, {216, 4120}, {4344, 260}, {4612, 244},
        {4864, 336}, {32, 16667}, {44, 0x110}, {48, 21}, {56, 1}, {60, 24}, {64, 3}, {68, 2}, {112, 0}, {128, 1},
        {132, 60}, {136, 0}, {140, 21}, {144, 24}, {152, 0}, {156, 0}, {160, 0x20003}, {4624, 24}, {4656, 0},
        {4728, 24}, {4832, 24}, {4872, 0x10}, {4876, 4}, {4880, 24}, {4888, 0}, {4892, 36}, {4896, 0},
        {5032, 0x10}, {5036, 108}, {5040, 24}, {5192, 0x10}, {5196, 212}, {5200, 24}};
    for (const auto& [at, value] : values)
        EXPECT_EQ(value, Le32(b, at)) << "at " << at;
    EXPECT_EQ(Bytes(b.begin() + 172, b.begin() + 212), (Bytes{40, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0,
                                                             24, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    // Capture 2's bottom-up rows of B, G, R, each padded to 12 bytes, by Picture's formula.
    EXPECT_EQ(Bytes(b.begin() + 4836, b.begin() + 4860), (Bytes{85, 26, 248, 92, 27, 247, 99, 28, 246, 0, 0, 0,
                                                             82, 26, 253, 89, 26, 252, 96, 26, 251, 0, 0, 0}));
}

// Raw files are read back exactly by the OpenDML and disk-full tests, their padded rows byte by
// byte by the layout test.
TEST(AviReadBack, MotionJpegCapturesComeBackClose)
{
    LocalFileStore disk;
    const auto smooth = [](int i) { return Picture(64, 48, i, true); };
    ASSERT_EQ(kAllWritten, WriteSteps(disk, "mjpeg.avi", Format(64, 48, AviCodec::Mjpeg), 5, smooth));
    EXPECT_EQ("mjpeg,64,48,60/1,0.683333,41,5\n", ProbeStream("mjpeg.avi"));
    std::string want;
    for (int i = 0; i < 5; ++i)
        want += TopDownBgr(smooth(i));
    const std::string got = DecodePictures("mjpeg.avi");
    ASSERT_EQ(got.size(), want.size());
    long nSum = 0;
    for (size_t k = 0; k < want.size(); ++k)
        nSum += std::labs(long{static_cast<uint8_t>(got[k])} - static_cast<uint8_t>(want[k]));
    EXPECT_LT(static_cast<double>(nSum) / static_cast<double>(want.size()), 3.0) << "mean error a byte";
}

// 200 captures of 64 x 48 in parts of at most 300,000 bytes: six parts of some 31 captures.
TEST(AviReadBack, OpenDmlFilePlaysToItsLastCaptureAndSeeksThroughItsIndexes)
{
    LocalFileStore disk;
    const auto make = [](int i) { return Picture(64, 48, i); };
    ASSERT_EQ(kAllWritten, WriteSteps(disk, "long.avi", Format(64, 48, AviCodec::Raw, 300000), 200, make));
    const std::string file = GetBytes("long.avi").value_or("");
    const Bytes bytes(file.begin(), file.end());
    size_t at = 0, nParts = 0;
    for (; at + 12 <= bytes.size(); at += 8 + Le32(bytes, at + 4), ++nParts) {
        EXPECT_EQ(Id(bytes, at) + Id(bytes, at + 8), nParts == 0 ? "RIFFAVI " : "RIFFAVIX") << "part " << nParts;
        EXPECT_LE(Le32(bytes, at + 4) + 8u, 300000u) << "part " << nParts;
    }
    EXPECT_EQ(bytes.size(), at) << "the parts end where the file does";
    EXPECT_GE(nParts, 5u);
    EXPECT_EQ("rawvideo,64,48,60/1,33.183333,1991,200\n", ProbeStream("long.avi"));
    const std::string all = DecodePictures("long.avi");
    const std::string last = TopDownBgr(make(199));
    ASSERT_EQ(all.size(), 200 * last.size());
    EXPECT_TRUE(all.substr(all.size() - last.size()) == last);
    // 30 s is sample 1800: capture 180, in a later part.
    EXPECT_TRUE(DecodePictures("long.avi", "-ss 30").substr(0, last.size()) == TopDownBgr(make(180)));
}

// Impossible formats, and a file with no capture: each tells why and leaves nothing behind.
TEST(AviFailure, RefusalsLeaveNothing)
{
    FakeFileStore files;
    FileStatus status;
    const std::pair<const char*, AviFormat> refused[] = {
        {"no width", {.nWidth = 0}}, {"negative height", {.nHeight = -1}}, {"width 8193", {.nWidth = 8193}},
        {"rate 0", {.dwRate = 0}}, {"sample step 0", {.dwSampleStep = 0}},
        {"JPEG quality 101", {.codec = AviCodec::Mjpeg, .nJpegQuality = 101}},
        {"parts that could outgrow a 32-bit size", {.nOpenDmlBytes = (1ull << 31) + 1}},
        {"codec 7", {.codec = static_cast<AviCodec>(7)}},
    };
    for (const auto& [pszCase, format] : refused) {
        EXPECT_FALSE(CAviWriter().Open(files, "x.avi", format, &status)) << pszCase;
        EXPECT_EQ(status.nErrno, EINVAL) << pszCase;
    }
    CAviWriter writer;
    ASSERT_TRUE(writer.Open(files, "empty.avi", Format(16, 4), &status));
    EXPECT_FALSE(writer.Close(&status));
    EXPECT_TRUE(status.Ok() && files.files.empty() && files.temporaries.empty()) << "no capture: no file, no failure";
}

// The real disk full at every byte (the process's file size limit: a write past it fails with
// EFBIG): three 16 x 8 captures two samples apart, in one part and in parts of at most 5200
// bytes. The one part's steps by hand: headers 4620, the first capture's chunk 8 + 384, each
// later one an empty chunk and 8 + 384, idx1 8 + 16 x 5 samples.
TEST(AviFailure, RealDiskFullAtEveryByteLeavesTheWholeFileOrNothing)
{
    enum Stage { Header, Capture0, Capture1, Capture2, Close, Done = kAllWritten };
    constexpr uint64_t kHeader = 4620;
    constexpr uint64_t kWhole = kHeader + 392 + 400 + 400 + 88;
    const auto byHand = [](uint64_t nLimit) {
        return nLimit < kHeader ? Header : nLimit < kHeader + 392 ? Capture0 : nLimit < kHeader + 792 ? Capture1
               : nLimit < kHeader + 1192 ? Capture2 : nLimit < kWhole ? Close : Done;
    };
    const fs::path folder = fs::current_path() / "avi-every-byte";
    fs::remove_all(folder);
    fs::create_directories(folder);
    const fs::path file = folder / "a.avi";
    FileStatus status;
    const auto write = [&](const AviFormat& format) {
        fs::remove(file);
        LocalFileStore files;
        return WriteSteps(files, file.string(), format, 3, [](int i) { return Picture(16, 8, i); }, &status);
    };
    for (const uint64_t nPartBytes : {uint64_t{1} << 31, uint64_t{5200}}) { // the largest part, and small ones
        AviFormat format = Format(16, 8, AviCodec::Raw, nPartBytes);
        format.dwSampleStep = 2;
        ASSERT_EQ(Done, write(format));
        const std::optional<std::string> whole = GetBytes(file);
        ASSERT_TRUE(whole);
        EXPECT_EQ("rawvideo,16,8,60/1,0.083333,5,3\n", ProbeStream(file));
        const bool bOnePart = nPartBytes != 5200;
        EXPECT_TRUE(!bOnePart || whole->size() == kWhole);
        for (uint64_t nLimit = 0; nLimit <= whole->size(); ++nLimit) {
            int stage = Header;
            {
                const FileSizeLimit limit(nLimit);
                ASSERT_TRUE(limit.IsSet());
                stage = write(format);
            }
            SCOPED_TRACE(testing::Message() << "parts of " << nPartBytes << ", limit " << nLimit);
            EXPECT_TRUE(!bOnePart || byHand(nLimit) == stage) << "stopped in step " << stage;
            if (nLimit < whole->size()) {
                EXPECT_EQ(EFBIG, status.nErrno);
                ASSERT_TRUE(fs::is_empty(folder)) << "neither the file nor its temporary";
            } else {
                ASSERT_EQ(Done, stage);
                EXPECT_EQ(whole, GetBytes(file)) << "the complete file, exactly";
            }
        }
    }
}

} // namespace
} // namespace ostrel
