// The AVI writer: bytes walked by a RIFF reader of this file's own against a layout worked out by
// hand, files read back by ffprobe and decoded by ffmpeg, and every way writing can fail.
#include "archive/avi_writer.h"

#include "fakes/fake_file_store.h"
#include "fakes/hostile_files.h"
#include "support/features_avi.h"

#include <cerrno>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using namespace ostrel::test;
namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

uint32_t Le32(const Bytes& b, size_t at)
{
    return static_cast<uint32_t>(b.at(at)) | static_cast<uint32_t>(b.at(at + 1)) << 8 |
           static_cast<uint32_t>(b.at(at + 2)) << 16 | static_cast<uint32_t>(b.at(at + 3)) << 24;
}
std::string Id(const Bytes& b, size_t at)
{
    return std::string(b.begin() + static_cast<std::ptrdiff_t>(at), b.begin() + static_cast<std::ptrdiff_t>(at + 4));
}
Bytes Slice(const Bytes& b, size_t at, size_t n)
{
    return Bytes(b.begin() + static_cast<std::ptrdiff_t>(at), b.begin() + static_cast<std::ptrdiff_t>(at + n));
}

struct Chunk {
    std::string id, type; // type: the form or list type of a RIFF or LIST
    size_t nAt = 0, nData = 0;
    uint32_t dwSize = 0;
    std::vector<Chunk> children;

    const Chunk* Find(const std::string& strId) const
    {
        for (const Chunk& c : children)
            if (c.id == strId || (c.id == "LIST" && c.type == strId))
                return &c;
        return nullptr;
    }
};

// [nFrom, nTo) as a run of chunks, lists walked into; fails the test when a chunk runs past its
// parent or the pad bytes do not add up.
std::vector<Chunk> Walk(const Bytes& b, size_t nFrom, size_t nTo)
{
    std::vector<Chunk> out;
    size_t at = nFrom;
    while (at + 8 <= nTo) {
        Chunk c{Id(b, at), "", at, at + 8, Le32(b, at + 4), {}};
        const size_t nEnd = at + 8 + c.dwSize;
        EXPECT_LE(nEnd, nTo) << c.id << " at " << at << " runs past its parent";
        if (nEnd > nTo)
            return out;
        if (c.id == "RIFF" || c.id == "LIST") {
            c.type = Id(b, at + 8);
            c.nData = at + 12;
            c.children = Walk(b, at + 12, nEnd);
        }
        at = nEnd + (c.dwSize & 1);
        out.push_back(std::move(c));
    }
    EXPECT_EQ(at, nTo) << "chunks do not end where their parent does";
    return out;
}

// A w x h capture as B, G, R, X bytes, rows stride apart.
struct Capture {
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
        for (int x = 0; x < c.nWidth; ++x)
            for (int k = 0; k < 3; ++k)
                out.push_back(static_cast<char>(c.bgrx[static_cast<size_t>(y * c.nStride + x * 4 + k)]));
    return out;
}

// Writes captures make(0) .. make(n - 1) and closes the file; false on any failure.
template <typename Make>
bool WriteFile(FileStore& files, const std::string& strPath, const AviFormat& format, int n, Make make,
               FileStatus* pStatus = nullptr)
{
    CAviWriter writer;
    if (!writer.Open(files, strPath, format, pStatus))
        return false;
    for (int i = 0; i < n; ++i) {
        const Capture c = make(i);
        if (!writer.AddFrame(c.bgrx.data(), c.nStride, pStatus))
            return false;
    }
    return writer.Close(pStatus);
}

AviFormat Format(int nWidth, int nHeight, AviCodec codec = AviCodec::Raw, uint64_t nPartBytes = 1 << 20)
{
    return {.nWidth = nWidth, .nHeight = nHeight, .codec = codec, .nOpenDmlBytes = nPartBytes};
}

// 3 x 2 pixels, raw, 3 captures 10 samples apart: 21 samples. Headers 4620 bytes (RIFF 12, hdrl
// 12, avih 64, strl 12, strh 64, strf 48, JUNK 4128 in place of a super index, JUNK 268 in place
// of odml, movi 12); rows of 9 bytes padded to 12, so a capture is 24 bytes, its chunk 32; nine
// empty chunks before captures 1 and 2: movi data 32 + 2 * (72 + 32) = 240; idx1 8 + 21 * 16.
TEST(AviLayout, ThreeRawCapturesTenSamplesApart)
{
    FakeFileStore files;
    const auto make = [](int i) {
        Capture c{3, 2, 12, Bytes(24, 0xEE)};
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x)
                for (int k = 0; k < 3; ++k)
                    c.bgrx[static_cast<size_t>(y * 12 + x * 4 + k)] = static_cast<uint8_t>(1 + 10 * y + 3 * x + k + 20 * i);
        return c;
    };
    ASSERT_TRUE(WriteFile(files, "a.avi", Format(3, 2), 3, make));
    const Bytes& b = files.files.at("a.avi");
    ASSERT_EQ(b.size(), 5204u);
    const std::vector<Chunk> top = Walk(b, 0, b.size());
    ASSERT_EQ(top.size(), 1u);
    const Chunk& riff = top[0];
    EXPECT_EQ(riff.type, "AVI ");
    EXPECT_EQ(riff.dwSize, 5196u);
    const Chunk* hdrl = riff.Find("hdrl");
    const Chunk* strl = hdrl ? hdrl->Find("strl") : nullptr;
    ASSERT_TRUE(strl && hdrl->Find("avih") && strl->Find("strh") && strl->Find("strf"));
    EXPECT_EQ(hdrl->dwSize, 4588u);
    EXPECT_EQ(hdrl->Find("odml"), nullptr);
    ASSERT_EQ(strl->children.size(), 3u);
    EXPECT_EQ(strl->children[2].id + std::to_string(strl->children[2].dwSize), "JUNK4120");

    const auto fields = [&b](const Chunk* c, std::initializer_list<std::pair<size_t, uint32_t>> expected) {
        EXPECT_EQ(c->dwSize, 56u);
        for (const auto& [at, value] : expected)
            EXPECT_EQ(Le32(b, c->nData + at), value) << c->id << " + " << at;
    };
    // avih: microseconds a sample at 60 a second, has index + interleaved, frames, streams,
    // suggested buffer, width, height.
    fields(hdrl->Find("avih"), {{0, 16667}, {12, 0x110}, {16, 21}, {24, 1}, {28, 24}, {32, 3}, {36, 2}});
    // strh: no compressor, scale 1, rate 60, start 0, length 21 samples, buffer 24, sample size
    // 0, frame rectangle 0, 0, 3, 2.
    fields(strl->Find("strh"), {{4, 0}, {20, 1}, {24, 60}, {28, 0}, {32, 21}, {36, 24}, {44, 0}, {48, 0}, {52, 0x20003}});
    EXPECT_EQ(Id(b, strl->Find("strh")->nData), "vids");
    const Chunk* strf = strl->Find("strf");
    EXPECT_EQ(Slice(b, strf->nData, strf->dwSize),
              (Bytes{40, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0,
                     24, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));

    const Chunk* movi = riff.Find("movi");
    ASSERT_NE(movi, nullptr);
    EXPECT_EQ(movi->nAt, 4608u);
    EXPECT_EQ(movi->dwSize, 244u);
    ASSERT_EQ(movi->children.size(), 21u);
    // Bottom-up rows of B, G, R, each padded to 12 bytes: capture 2 adds 40 to every value.
    EXPECT_EQ(Slice(b, movi->children[20].nData, 24),
              (Bytes{51, 52, 53, 54, 55, 56, 57, 58, 59, 0, 0, 0, 41, 42, 43, 44, 45, 46, 47, 48, 49, 0, 0, 0}));

    const Chunk* idx1 = riff.Find("idx1");
    ASSERT_NE(idx1, nullptr);
    ASSERT_EQ(idx1->dwSize, 336u);
    // Offsets count from the movi id (4616): the first chunk at 4, each empty chunk 8 further,
    // capture 1 at 4 + 32 + 72 = 108, capture 2 at 212.
    for (uint32_t s = 0; s < 21; ++s) {
        SCOPED_TRACE(testing::Message() << "sample " << s);
        const size_t e = idx1->nData + 16 * s;
        const bool bKey = s % 10 == 0;
        const uint32_t dwOffset =
            s == 0 ? 4 : s < 10 ? 36 + 8 * (s - 1) : s == 10 ? 108 : s < 20 ? 140 + 8 * (s - 11) : 212;
        EXPECT_EQ(movi->children[s].id, "00dc");
        EXPECT_EQ(movi->children[s].dwSize, bKey ? 24u : 0u);
        EXPECT_EQ(Id(b, e), "00dc");
        EXPECT_EQ(Le32(b, e + 4), bKey ? 0x10u : 0u);
        EXPECT_EQ(Le32(b, e + 8), dwOffset);
        EXPECT_EQ(Le32(b, e + 12), bKey ? 24u : 0u);
        EXPECT_EQ(movi->children[s].nAt, 4616 + dwOffset);
    }
}

TEST(AviReadBack, RawCapturesComeBackExactlyAndMotionJpegOnesClose)
{
    LocalFileStore disk;
    // 62 pixels: rows of 186 bytes padded to 188 in the file. 10 * 3 + 1 samples, 4 pictures.
    const auto sharp = [](int i) { return Picture(62, 46, i); };
    ASSERT_TRUE(WriteFile(disk, "raw.avi", Format(62, 46), 4, sharp));
    EXPECT_EQ("rawvideo,62,46,60/1,0.516667,31,4\n", ProbeStream("raw.avi"));
    std::string expected;
    for (int i = 0; i < 4; ++i)
        expected += TopDownBgr(sharp(i));
    EXPECT_TRUE(DecodePictures("raw.avi") == expected) << "decoded pixels differ from the captures";

    const auto smooth = [](int i) { return Picture(64, 48, i, true); };
    ASSERT_TRUE(WriteFile(disk, "mjpeg.avi", Format(64, 48, AviCodec::Mjpeg), 5, smooth));
    EXPECT_EQ("mjpeg,64,48,60/1,0.683333,41,5\n", ProbeStream("mjpeg.avi"));
    const std::string decoded = DecodePictures("mjpeg.avi");
    ASSERT_EQ(decoded.size(), 5u * 64 * 48 * 3);
    for (size_t i = 0; i < 5; ++i) {
        const std::string want = TopDownBgr(smooth(static_cast<int>(i)));
        long nSum = 0, nWorst = 0;
        for (size_t k = 0; k < want.size(); ++k) {
            const long d = std::labs(long{static_cast<uint8_t>(decoded[i * want.size() + k])} - static_cast<uint8_t>(want[k]));
            nSum += d;
            nWorst = std::max(nWorst, d);
        }
        EXPECT_LT(static_cast<double>(nSum) / static_cast<double>(want.size()), 3.0) << "capture " << i;
        EXPECT_LT(nWorst, 32) << "capture " << i;
    }
    // JPEG chunks of odd sizes take a pad byte (Walk checks it).
    Bytes bytes;
    ASSERT_EQ(disk.ReadAtMost("mjpeg.avi", 1 << 20, bytes).kind, FileReadResult::Kind::Ok);
    int nOdd = 0;
    const std::vector<Chunk> top = Walk(bytes, 0, bytes.size());
    for (const Chunk& c : top.at(0).Find("movi")->children)
        nOdd += static_cast<int>(c.dwSize & 1);
    EXPECT_GT(nOdd, 0) << "no chunk needed a pad byte";
}

// 200 captures of 64 x 48 in parts of at most 300,000 bytes: six parts of some 31 captures.
TEST(AviReadBack, OpenDmlFilePlaysToItsLastCaptureAndSeeksThroughItsIndexes)
{
    LocalFileStore disk;
    const auto make = [](int i) { return Picture(64, 48, i); };
    ASSERT_TRUE(WriteFile(disk, "long.avi", Format(64, 48, AviCodec::Raw, 300000), 200, make));
    Bytes bytes;
    ASSERT_EQ(disk.ReadAtMost("long.avi", 4u << 20, bytes).kind, FileReadResult::Kind::Ok);
    const std::vector<Chunk> parts = Walk(bytes, 0, bytes.size());
    ASSERT_GE(parts.size(), 5u);
    for (size_t p = 0; p < parts.size(); ++p) {
        EXPECT_EQ(parts[p].id + parts[p].type, p == 0 ? "RIFFAVI " : "RIFFAVIX");
        EXPECT_LE(parts[p].dwSize + 8u, 300000u) << "part " << p;
        EXPECT_EQ(parts[p].Find("idx1") != nullptr, p == 0) << "part " << p;
    }
    EXPECT_EQ("rawvideo,64,48,60/1,33.183333,1991,200\n", ProbeStream("long.avi"));
    const std::string all = DecodePictures("long.avi");
    const std::string last = TopDownBgr(make(199));
    ASSERT_EQ(all.size(), 200 * last.size());
    EXPECT_TRUE(all.substr(all.size() - last.size()) == last);
    // 30 s is sample 1800: capture 180, in a later part.
    EXPECT_TRUE(DecodePictures("long.avi", "-ss 30").substr(0, last.size()) == TopDownBgr(make(180)));
}

TEST(AviFailure, ImpossibleFormatsAndMisuse)
{
    FakeFileStore files;
    CAviWriter writer;
    FileStatus status;
    const AviFormat refused[] = {
        {.nWidth = 0}, {.nHeight = -1}, {.nWidth = 8193}, {.dwRate = 0}, {.dwSampleStep = 0},
        {.codec = AviCodec::Mjpeg, .nJpegQuality = 101},
        {.nOpenDmlBytes = (1ull << 31) + 1}, // a part could outgrow a 32-bit size
        {.codec = static_cast<AviCodec>(7)},
    };
    for (const AviFormat& f : refused) {
        EXPECT_FALSE(writer.Open(files, "x.avi", f, &status));
        EXPECT_EQ(status.nErrno, EINVAL);
    }
    Bytes pixels(16 * 4 * 4);
    EXPECT_FALSE(writer.AddFrame(pixels.data(), 64, &status));
    EXPECT_EQ(status.nErrno, EBADF);
    EXPECT_FALSE(writer.Close(&status));
    EXPECT_EQ(status.nErrno, EBADF);

    ASSERT_TRUE(writer.Open(files, "x.avi", Format(16, 4), &status));
    EXPECT_FALSE(writer.Open(files, "y.avi", Format(16, 4), &status));
    EXPECT_EQ(status.nErrno, EBUSY);
    // A stride too short for the width fails the file, for good.
    EXPECT_FALSE(writer.AddFrame(pixels.data(), 60, &status));
    EXPECT_EQ(status.nErrno, EINVAL);
    EXPECT_FALSE(writer.AddFrame(pixels.data(), 64, &status));
    EXPECT_FALSE(writer.Close(&status));
    EXPECT_EQ(status.nErrno, EINVAL);
    EXPECT_FALSE(writer.IsOpen());
    EXPECT_TRUE(files.files.empty());
    EXPECT_TRUE(files.temporaries.empty());
}

TEST(AviFailure, OpenSeekAndCommitFailuresLeaveNothing)
{
    struct Row {
        const char* pszWhat;
        void (*fault)(FakeFileStore&);
        uint64_t nPartBytes;
        int nErrno;
    };
    const Row rows[] = {
        {"open", [](FakeFileStore& s) { s.nOpenErrno = EACCES; }, 1 << 20, EACCES},
        {"a full disk", [](FakeFileStore& s) { s.writableFaults = {.nSpaceBytes = 5000, .nWriteErrno = ENOSPC}; }, 1 << 20, ENOSPC},
        {"seek to patch the headers", [](FakeFileStore& s) { s.writableFaults.bFailSeek = true; }, 1 << 20, EIO},
        {"seek to patch a part's header", [](FakeFileStore& s) { s.writableFaults.bFailSeek = true; }, 4800, EIO},
        {"commit", [](FakeFileStore& s) { s.writableFaults.bFailClose = true; }, 1 << 20, EIO},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pszWhat);
        FakeFileStore files;
        row.fault(files);
        FileStatus status;
        EXPECT_FALSE(WriteFile(files, "s.avi", Format(4, 4, AviCodec::Raw, row.nPartBytes), 8,
                               [](int i) { return Picture(4, 4, i); }, &status));
        EXPECT_EQ(status.nErrno, row.nErrno);
        EXPECT_TRUE(files.files.empty());
        EXPECT_TRUE(files.temporaries.empty());
    }

    // On the real disk: no capture, a writer dropped or aborted, a commit into a folder gone.
    const fs::path folder = FreshFolder("avi-unfinished");
    const auto name = [&folder](const char* pszName) { return (folder / pszName).string(); };
    LocalFileStore disk;
    const Capture c = Picture(8, 8, 0);
    FileStatus status;
    {
        CAviWriter empty, dropped, aborted, moved;
        ASSERT_TRUE(empty.Open(disk, name("empty.avi"), Format(8, 8)));
        status.nErrno = EIO;
        EXPECT_FALSE(empty.Close(&status));
        EXPECT_TRUE(status.Ok()) << "no capture is no failure";
        ASSERT_TRUE(dropped.Open(disk, name("dropped.avi"), Format(8, 8)));
        ASSERT_TRUE(aborted.Open(disk, name("aborted.avi"), Format(8, 8)));
        ASSERT_TRUE(moved.Open(disk, name("moved.avi"), Format(8, 8)));
        for (CAviWriter* p : {&dropped, &aborted, &moved})
            ASSERT_TRUE(p->AddFrame(c.bgrx.data(), c.nStride));
        EXPECT_EQ(3u, FilesIn(folder)) << "the temporaries";
        aborted.Abort();
        EXPECT_FALSE(aborted.IsOpen());
        EXPECT_FALSE(moved.CloseAs(name("missing/moved.avi"), &status));
        EXPECT_EQ(ENOENT, status.nErrno);
    }
    EXPECT_EQ(0u, FilesIn(folder));
    CAviWriter writer;
    EXPECT_FALSE(writer.Open(disk, name("missing/a.avi"), Format(8, 8), &status));
    EXPECT_EQ(ENOENT, status.nErrno);
}

// The real disk full at every byte (the process's file size limit: a write past it fails with
// EFBIG): three 16 x 8 captures two samples apart, in one part and in parts of at most 5200
// bytes. The one part's steps by hand: headers 4620, the first capture's chunk 8 + 384, each
// later one an empty chunk and 8 + 384, idx1 8 + 16 x 5 samples.
TEST(AviFailure, RealDiskFullAtEveryByteLeavesTheWholeFileOrNothing)
{
    enum Stage { Header, Capture0, Capture1, Capture2, Close, Done };
    constexpr uint64_t kHeader = 4620;
    constexpr uint64_t kWhole = kHeader + 392 + 400 + 400 + 88;
    const auto byHand = [](uint64_t nLimit) {
        return nLimit < kHeader ? Header : nLimit < kHeader + 392 ? Capture0 : nLimit < kHeader + 792 ? Capture1
               : nLimit < kHeader + 1192 ? Capture2 : nLimit < kWhole ? Close : Done;
    };
    const fs::path folder = FreshFolder("avi-every-byte");
    const fs::path file = folder / "a.avi";
    const auto write = [&file](const AviFormat& format, int& rErrno) {
        LocalFileStore files;
        CAviWriter writer;
        FileStatus status;
        int stage = Header;
        if (writer.Open(files, file.string(), format, &status)) {
            for (stage = Capture0; stage <= Capture2; ++stage) {
                const Capture c = Picture(16, 8, stage);
                if (!writer.AddFrame(c.bgrx.data(), c.nStride, &status))
                    break;
            }
            if (stage == Close && writer.Close(&status))
                stage = Done;
        }
        rErrno = status.nErrno;
        return stage;
    };
    for (const uint64_t nPartBytes : {AviFormat::kMaxOpenDmlBytes, uint64_t{5200}}) {
        AviFormat format = Format(16, 8, AviCodec::Raw, nPartBytes);
        format.dwSampleStep = 2;
        int nErrno = 0;
        ASSERT_EQ(Done, write(format, nErrno));
        const std::optional<std::string> whole = GetBytes(file);
        ASSERT_TRUE(whole);
        EXPECT_EQ("rawvideo,16,8,60/1,0.083333,5,3\n", ProbeStream(file));
        const bool bOnePart = nPartBytes == AviFormat::kMaxOpenDmlBytes;
        EXPECT_TRUE(!bOnePart || whole->size() == kWhole);
        fs::remove(file);
        std::set<int> stages;
        for (uint64_t nLimit = 0; nLimit <= whole->size(); ++nLimit) {
            int stage = Header;
            {
                const FileSizeLimit limit(nLimit);
                ASSERT_TRUE(limit.IsSet());
                stage = write(format, nErrno);
            }
            SCOPED_TRACE(testing::Message() << "parts of " << nPartBytes << ", limit " << nLimit);
            stages.insert(stage);
            EXPECT_TRUE(!bOnePart || byHand(nLimit) == stage) << "stopped in step " << stage;
            if (nLimit < whole->size()) {
                EXPECT_EQ(EFBIG, nErrno);
                ASSERT_EQ(0u, FilesIn(folder)) << "neither the file nor its temporary";
            } else {
                ASSERT_EQ(Done, stage);
                EXPECT_EQ(whole, GetBytes(file)) << "the complete file, exactly";
                fs::remove(file);
            }
        }
        EXPECT_EQ(6u, stages.size()) << "a limit fell in every step";
    }
}

// Each capture in a part of its own: 256 parts fit the super index, the 257th capture does not.
TEST(AviFailure, MorePartsThanTheSuperIndexHolds)
{
    FakeFileStore files;
    AviFormat f = Format(1, 1, AviCodec::Raw, 1);
    f.dwSampleStep = 1;
    const Capture c = Picture(1, 1, 0);
    const int nMost = static_cast<int>(CAviWriter::kSuperIndexEntries);
    FileStatus status;
    EXPECT_FALSE(WriteFile(files, "many.avi", f, nMost + 1, [&](int) { return c; }, &status));
    EXPECT_EQ(status.nErrno, EFBIG);
    EXPECT_TRUE(files.files.empty());
    EXPECT_TRUE(files.temporaries.empty());
    ASSERT_TRUE(WriteFile(files, "full.avi", f, nMost, [&](int) { return c; }));
    const Bytes& b = files.files.at("full.avi");
    EXPECT_EQ(Walk(b, 0, b.size()).size(), size_t{CAviWriter::kSuperIndexEntries});
}

} // namespace
} // namespace ostrel
