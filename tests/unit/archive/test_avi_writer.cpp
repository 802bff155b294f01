// The AVI writer, checked three ways: the bytes walked by a RIFF reader of this file's own
// against layouts worked out by hand, the files read back by ffprobe and decoded by ffmpeg,
// and every way writing can fail.
#include "archive/avi_writer.h"

#include "fakes/fake_file_store.h"
#include "link/jpeg_writer.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using test::FakeFileStore;
using Bytes = std::vector<uint8_t>;

// ---- A small RIFF reader -----------------------------------------------------------------

uint32_t Le32(const Bytes& b, size_t at)
{
    return static_cast<uint32_t>(b.at(at)) | static_cast<uint32_t>(b.at(at + 1)) << 8 |
           static_cast<uint32_t>(b.at(at + 2)) << 16 | static_cast<uint32_t>(b.at(at + 3)) << 24;
}
uint16_t Le16(const Bytes& b, size_t at)
{
    return static_cast<uint16_t>(b.at(at) | b.at(at + 1) << 8);
}
uint64_t Le64(const Bytes& b, size_t at)
{
    return Le32(b, at) | static_cast<uint64_t>(Le32(b, at + 4)) << 32;
}
std::string Id(const Bytes& b, size_t at)
{
    return std::string(b.begin() + static_cast<std::ptrdiff_t>(at), b.begin() + static_cast<std::ptrdiff_t>(at + 4));
}

struct Chunk {
    std::string id;       // "RIFF"/"LIST" or the chunk's id
    std::string type;     // the form or list type of a RIFF or LIST
    size_t nAt = 0;       // offset of the chunk's header
    uint32_t dwSize = 0;  // its size field
    size_t nData = 0;     // offset of its data (after the type for a list)
    std::vector<Chunk> children;

    const Chunk* Find(const std::string& strId) const
    {
        for (const Chunk& c : children)
            if (c.id == strId || (c.id == "LIST" && c.type == strId))
                return &c;
        return nullptr;
    }
};

// Walks [nFrom, nTo) as a run of chunks; lists recurse. Fails the test when a chunk runs past
// its parent or the padding does not add up.
std::vector<Chunk> Walk(const Bytes& b, size_t nFrom, size_t nTo)
{
    std::vector<Chunk> out;
    size_t at = nFrom;
    while (at < nTo) {
        EXPECT_LE(at + 8, nTo) << "chunk header past its parent at " << at;
        if (at + 8 > nTo)
            break;
        Chunk c;
        c.nAt = at;
        c.id = Id(b, at);
        c.dwSize = Le32(b, at + 4);
        c.nData = at + 8;
        const size_t nEnd = at + 8 + c.dwSize;
        EXPECT_LE(nEnd, nTo) << c.id << " at " << at << " runs past its parent";
        if (nEnd > nTo)
            break;
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

// ---- Pictures --------------------------------------------------------------------------

// Capture i of a w x h picture as B, G, R, X bytes, rows stride apart (a few spare bytes a row,
// and a fourth byte that must not reach the file).
struct Capture {
    int nWidth = 0, nHeight = 0, nStride = 0;
    Bytes bgrx;
};

Capture Sharp(int nWidth, int nHeight, int i)
{
    Capture c{nWidth, nHeight, nWidth * 4 + 8, {}};
    c.bgrx.assign(static_cast<size_t>(c.nStride) * static_cast<size_t>(nHeight), 0xEE);
    for (int y = 0; y < nHeight; ++y)
        for (int x = 0; x < nWidth; ++x) {
            uint8_t* p = &c.bgrx[static_cast<size_t>(y * c.nStride + x * 4)];
            p[0] = static_cast<uint8_t>(x * 7 + y * 3 + i * 41);
            p[1] = static_cast<uint8_t>(x * y + i * 13);
            p[2] = static_cast<uint8_t>(255 - x - y * 5 - i);
        }
    return c;
}

// Smooth enough for a JPEG to come back close.
Capture Smooth(int nWidth, int nHeight, int i)
{
    Capture c{nWidth, nHeight, nWidth * 4, {}};
    c.bgrx.assign(static_cast<size_t>(c.nStride) * static_cast<size_t>(nHeight), 0);
    for (int y = 0; y < nHeight; ++y)
        for (int x = 0; x < nWidth; ++x) {
            uint8_t* p = &c.bgrx[static_cast<size_t>(y * c.nStride + x * 4)];
            p[0] = static_cast<uint8_t>(40 + x * 2 + i * 20);
            p[1] = static_cast<uint8_t>(60 + y * 2);
            p[2] = static_cast<uint8_t>(200 - x - y);
        }
    return c;
}

// What a decoder gives back in bgr24: top-down rows, 3 bytes a pixel, no padding.
Bytes TopDownBgr(const Capture& c)
{
    Bytes out;
    for (int y = 0; y < c.nHeight; ++y)
        for (int x = 0; x < c.nWidth; ++x)
            for (int k = 0; k < 3; ++k)
                out.push_back(c.bgrx[static_cast<size_t>(y * c.nStride + x * 4 + k)]);
    return out;
}

// Writes captures made by make(i) for i = 0..n-1 and closes the file; false on any failure.
template <typename Make>
bool WriteFile(FileStore& files, const std::string& strPath, const AviFormat& format, int n, Make make,
               FileStatus* pStatus = nullptr)
{
    CAviWriter writer;
    if (!writer.Open(files, strPath, format, pStatus))
        return false;
    for (int i = 0; i < n; ++i) {
        const Capture c = make(i);
        if (!writer.AddFrame(c.bgrx.data(), c.nStride, pStatus)) {
            writer.Close();
            return false;
        }
    }
    return writer.Close(pStatus);
}

AviFormat Format(int nWidth, int nHeight, AviCodec codec = AviCodec::Raw)
{
    AviFormat f;
    f.nWidth = nWidth;
    f.nHeight = nHeight;
    f.codec = codec;
    return f;
}

// ---- The bytes, worked out by hand --------------------------------------------------------

// 3 x 2 pixels, raw, 3 captures 10 samples apart: 21 samples.
// Headers 4620 bytes (RIFF 12, hdrl 12, avih 64, strl 12, strh 64, strf 48, JUNK 4128 in
// place of a super index, JUNK 268 in place of odml, movi list 12); rows of 9 bytes padded to
// 12, so a capture is 24 bytes, its chunk 32; nine empty chunks before captures 1 and 2:
// movi data 32 + 2 * (72 + 32) = 240; idx1 8 + 21 * 16 = 344; the file 5204 bytes.
TEST(AviLayout, ThreeRawCapturesTenSamplesApart)
{
    FakeFileStore files;
    const auto make = [](int i) {
        Capture c{3, 2, 12, Bytes(24, 0xEE)};
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x)
                for (int k = 0; k < 3; ++k)
                    c.bgrx[static_cast<size_t>(y * 12 + x * 4 + k)] =
                        static_cast<uint8_t>(1 + 10 * y + 3 * x + k + 20 * i);
        return c;
    };
    ASSERT_TRUE(WriteFile(files, "a.avi", Format(3, 2), 3, make));
    const Bytes& b = files.files.at("a.avi");
    ASSERT_EQ(b.size(), 5204u);

    const std::vector<Chunk> top = Walk(b, 0, b.size());
    ASSERT_EQ(top.size(), 1u);
    const Chunk& riff = top[0];
    EXPECT_EQ(riff.id, "RIFF");
    EXPECT_EQ(riff.type, "AVI ");
    EXPECT_EQ(riff.dwSize, 5196u);

    const Chunk* hdrl = riff.Find("hdrl");
    ASSERT_NE(hdrl, nullptr);
    EXPECT_EQ(hdrl->dwSize, 4588u);
    const Chunk* avih = hdrl->Find("avih");
    ASSERT_NE(avih, nullptr);
    ASSERT_EQ(avih->dwSize, 56u);
    const size_t a = avih->nData;
    EXPECT_EQ(Le32(b, a + 0), 16667u);  // microseconds a sample at 60 a second
    EXPECT_EQ(Le32(b, a + 12), 0x110u); // has index, interleaved
    EXPECT_EQ(Le32(b, a + 16), 21u);    // total frames
    EXPECT_EQ(Le32(b, a + 24), 1u);     // streams
    EXPECT_EQ(Le32(b, a + 28), 24u);    // suggested buffer
    EXPECT_EQ(Le32(b, a + 32), 3u);
    EXPECT_EQ(Le32(b, a + 36), 2u);

    const Chunk* strl = hdrl->Find("strl");
    ASSERT_NE(strl, nullptr);
    ASSERT_EQ(strl->children.size(), 3u);
    EXPECT_EQ(strl->children[2].id, "JUNK");
    EXPECT_EQ(strl->children[2].dwSize, 4120u);
    EXPECT_EQ(hdrl->Find("odml"), nullptr);
    const Chunk* strh = strl->Find("strh");
    ASSERT_NE(strh, nullptr);
    ASSERT_EQ(strh->dwSize, 56u);
    const size_t h = strh->nData;
    EXPECT_EQ(Id(b, h), "vids");
    EXPECT_EQ(Le32(b, h + 4), 0u);  // no compressor
    EXPECT_EQ(Le32(b, h + 20), 1u); // scale
    EXPECT_EQ(Le32(b, h + 24), 60u);
    EXPECT_EQ(Le32(b, h + 28), 0u); // start
    EXPECT_EQ(Le32(b, h + 32), 21u); // length in samples
    EXPECT_EQ(Le32(b, h + 36), 24u);
    EXPECT_EQ(Le32(b, h + 44), 0u); // sample size
    EXPECT_EQ(Le16(b, h + 48), 0u);
    EXPECT_EQ(Le16(b, h + 50), 0u);
    EXPECT_EQ(Le16(b, h + 52), 3u);
    EXPECT_EQ(Le16(b, h + 54), 2u);

    const Chunk* strf = strl->Find("strf");
    ASSERT_NE(strf, nullptr);
    const Bytes expectedInfo = {40, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0,
                                24, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(Bytes(b.begin() + static_cast<std::ptrdiff_t>(strf->nData),
                    b.begin() + static_cast<std::ptrdiff_t>(strf->nData + strf->dwSize)),
              expectedInfo);

    const Chunk* movi = riff.Find("movi");
    ASSERT_NE(movi, nullptr);
    EXPECT_EQ(movi->nAt, 4608u);
    EXPECT_EQ(movi->dwSize, 244u);
    ASSERT_EQ(movi->children.size(), 21u);
    for (size_t s = 0; s < 21; ++s) {
        EXPECT_EQ(movi->children[s].id, "00dc");
        EXPECT_EQ(movi->children[s].dwSize, s % 10 == 0 ? 24u : 0u) << "sample " << s;
    }
    // Bottom-up rows of B, G, R, each padded to 12 bytes: capture 2 adds 40 to every value.
    const Chunk& last = movi->children[20];
    const Bytes expectedPixels = {51, 52, 53, 54, 55, 56, 57, 58, 59, 0, 0, 0,
                                  41, 42, 43, 44, 45, 46, 47, 48, 49, 0, 0, 0};
    EXPECT_EQ(Bytes(b.begin() + static_cast<std::ptrdiff_t>(last.nData),
                    b.begin() + static_cast<std::ptrdiff_t>(last.nData + 24)),
              expectedPixels);

    const Chunk* idx1 = riff.Find("idx1");
    ASSERT_NE(idx1, nullptr);
    ASSERT_EQ(idx1->dwSize, 336u);
    // Offsets count from the movi id (4616): the first chunk is at 4, each empty chunk 8
    // further, capture 1 at 4 + 32 + 72 = 108, capture 2 at 212.
    for (uint32_t s = 0; s < 21; ++s) {
        const size_t e = idx1->nData + 16 * s;
        const bool bKey = s % 10 == 0;
        const uint32_t dwOffset =
            s == 0 ? 4 : s < 10 ? 36 + 8 * (s - 1) : s == 10 ? 108 : s < 20 ? 140 + 8 * (s - 11) : 212;
        EXPECT_EQ(Id(b, e), "00dc");
        EXPECT_EQ(Le32(b, e + 4), bKey ? 0x10u : 0u) << "sample " << s;
        EXPECT_EQ(Le32(b, e + 8), dwOffset) << "sample " << s;
        EXPECT_EQ(Le32(b, e + 12), bKey ? 24u : 0u) << "sample " << s;
        EXPECT_EQ(movi->children[s].nAt, 4616 + dwOffset);
    }
}

TEST(AviLayout, MotionJpegStepOneOddSizedChunks)
{
    FakeFileStore files;
    AviFormat f = Format(33, 17, AviCodec::Mjpeg);
    f.dwSampleStep = 1;
    ASSERT_TRUE(WriteFile(files, "m.avi", f, 5, [](int i) { return Sharp(33, 17, i); }));
    const Bytes& b = files.files.at("m.avi");
    const std::vector<Chunk> top = Walk(b, 0, b.size());
    ASSERT_EQ(top.size(), 1u);
    const Chunk* hdrl = top[0].Find("hdrl");
    ASSERT_NE(hdrl, nullptr);
    const Chunk* strl = hdrl->Find("strl");
    ASSERT_NE(strl, nullptr);
    const size_t h = strl->Find("strh")->nData;
    const size_t i = strl->Find("strf")->nData;
    EXPECT_EQ(Id(b, h + 4), "MJPG");
    EXPECT_EQ(Le32(b, h + 32), 5u);  // one sample a capture
    EXPECT_EQ(Le16(b, i + 14), 24u); // bits per pixel
    EXPECT_EQ(Id(b, i + 16), "MJPG");
    EXPECT_EQ(Le32(b, i + 20), 100u * 17); // 33 pixels: 99 bytes padded to 100

    const Chunk* movi = top[0].Find("movi");
    ASSERT_NE(movi, nullptr);
    ASSERT_EQ(movi->children.size(), 5u);
    uint32_t dwLargest = 0;
    int nOdd = 0;
    for (const Chunk& c : movi->children) {
        nOdd += c.dwSize & 1;
        ASSERT_GE(c.dwSize, 4u);
        EXPECT_EQ(b[c.nData], 0xFF);
        EXPECT_EQ(b[c.nData + 1], 0xD8);                  // start of image
        EXPECT_EQ(b[c.nData + c.dwSize - 2], 0xFF);
        EXPECT_EQ(b[c.nData + c.dwSize - 1], 0xD9);       // end of image, the pad byte after it
        dwLargest = std::max(dwLargest, c.dwSize);
    }
    EXPECT_GT(nOdd, 0) << "no chunk needed a pad byte";
    EXPECT_EQ(Le32(b, h + 36), dwLargest);
    EXPECT_EQ(Le32(b, hdrl->Find("avih")->nData + 28), dwLargest);
}

// The capture layout encodes to the very bytes of the same picture given as RGB.
TEST(AviLayout, JpegOfCaptureEqualsJpegOfRgb)
{
    const Capture c = Sharp(37, 21, 3);
    Bytes rgb;
    for (int y = 0; y < c.nHeight; ++y)
        for (int x = 0; x < c.nWidth; ++x)
            for (int k = 2; k >= 0; --k)
                rgb.push_back(c.bgrx[static_cast<size_t>(y * c.nStride + x * 4 + k)]);
    Bytes fromRgb, fromBgrx;
    ASSERT_TRUE(EncodeJpeg(rgb.data(), 37, 21, 37 * 3, 80, fromRgb));
    ASSERT_TRUE(EncodeJpegBgrx(c.bgrx.data(), 37, 21, c.nStride, 80, fromBgrx));
    EXPECT_EQ(fromBgrx, fromRgb);
    EXPECT_FALSE(EncodeJpegBgrx(c.bgrx.data(), 37, 21, 37 * 4 - 1, 80, fromBgrx));
    EXPECT_TRUE(fromBgrx.empty());
}

// Parts of at most 6000 bytes: 8 x 8 raw captures (chunks of 200 bytes) two samples apart.
// Checks every part, the super index, each part's ix00 against the chunks found in it, and the
// first part's idx1, without relying on where the writer chose to split.
TEST(AviLayout, OpenDmlPartsAndTheirIndexes)
{
    FakeFileStore files;
    AviFormat f = Format(8, 8);
    f.dwSampleStep = 2;
    f.nOpenDmlBytes = 6000;
    ASSERT_TRUE(WriteFile(files, "o.avi", f, 40, [](int i) { return Sharp(8, 8, i); }));
    const Bytes& b = files.files.at("o.avi");
    const std::vector<Chunk> parts = Walk(b, 0, b.size());
    ASSERT_GE(parts.size(), 3u);

    // Every chunk of the stream in file order, and each part's index.
    std::vector<const Chunk*> chunks;
    std::vector<std::vector<const Chunk*>> chunksOfPart;
    std::vector<const Chunk*> ixOfPart;
    for (size_t p = 0; p < parts.size(); ++p) {
        EXPECT_EQ(parts[p].id, "RIFF");
        EXPECT_EQ(parts[p].type, p == 0 ? "AVI " : "AVIX");
        EXPECT_LE(parts[p].dwSize + 8u, 6000u) << "part " << p;
        const Chunk* movi = parts[p].Find("movi");
        ASSERT_NE(movi, nullptr);
        chunksOfPart.emplace_back();
        const Chunk* ix = nullptr;
        for (const Chunk& c : movi->children) {
            if (c.id == "00dc") {
                EXPECT_EQ(ix, nullptr) << "a chunk after the part's index";
                chunks.push_back(&c);
                chunksOfPart.back().push_back(&c);
            } else {
                EXPECT_EQ(c.id, "ix00");
                ix = &c;
            }
        }
        ASSERT_NE(ix, nullptr) << "part " << p;
        ixOfPart.push_back(ix);
    }
    ASSERT_EQ(chunks.size(), 79u); // 2 * 39 + 1
    for (size_t s = 0; s < chunks.size(); ++s)
        EXPECT_EQ(chunks[s]->dwSize, s % 2 == 0 ? 192u : 0u) << "sample " << s;

    const Chunk* hdrl = parts[0].Find("hdrl");
    ASSERT_NE(hdrl, nullptr);
    const Chunk* strl = hdrl->Find("strl");
    ASSERT_NE(strl, nullptr);
    EXPECT_EQ(Le32(b, strl->Find("strh")->nData + 32), 79u);
    EXPECT_EQ(Le32(b, hdrl->Find("avih")->nData + 16), chunksOfPart[0].size()); // first part only
    const Chunk* odml = hdrl->Find("odml");
    ASSERT_NE(odml, nullptr);
    const Chunk* dmlh = odml->Find("dmlh");
    ASSERT_NE(dmlh, nullptr);
    EXPECT_EQ(dmlh->dwSize, 248u);
    EXPECT_EQ(Le32(b, dmlh->nData), 79u);

    const Chunk* indx = strl->Find("indx");
    ASSERT_NE(indx, nullptr);
    const size_t x = indx->nData;
    EXPECT_EQ(Le16(b, x), 4u);   // longs an entry
    EXPECT_EQ(b[x + 3], 0u);     // an index of indexes
    ASSERT_EQ(Le32(b, x + 4), parts.size());
    EXPECT_EQ(Id(b, x + 8), "00dc");
    ASSERT_GE(indx->dwSize, 24u + 16u * parts.size());
    for (size_t p = 0; p < parts.size(); ++p) {
        const size_t e = x + 24 + 16 * p;
        const Chunk& ix = *ixOfPart[p];
        EXPECT_EQ(Le64(b, e), ix.nAt) << "part " << p;
        EXPECT_EQ(Le32(b, e + 8), ix.dwSize + 8u);
        EXPECT_EQ(Le32(b, e + 12), chunksOfPart[p].size());

        // The standard index: entries point at chunk data from the base offset.
        const size_t i = ix.nData;
        EXPECT_EQ(Le16(b, i), 2u);
        EXPECT_EQ(b[i + 3], 1u); // an index of chunks
        ASSERT_EQ(Le32(b, i + 4), chunksOfPart[p].size());
        EXPECT_EQ(Id(b, i + 8), "00dc");
        const uint64_t nBase = Le64(b, i + 12);
        for (size_t k = 0; k < chunksOfPart[p].size(); ++k) {
            const Chunk& c = *chunksOfPart[p][k];
            EXPECT_EQ(nBase + Le32(b, i + 24 + 8 * k), c.nData) << "part " << p << " entry " << k;
            const uint32_t dwSize = Le32(b, i + 28 + 8 * k);
            EXPECT_EQ(dwSize & 0x7FFFFFFF, c.dwSize);
            EXPECT_EQ((dwSize & 0x80000000) == 0, c.dwSize != 0) << "only captures are key frames";
        }
    }

    const Chunk* idx1 = parts[0].Find("idx1");
    ASSERT_NE(idx1, nullptr);
    const size_t nMoviId = parts[0].Find("movi")->nAt + 8;
    ASSERT_EQ(idx1->dwSize, 16u * chunksOfPart[0].size());
    for (size_t k = 0; k < chunksOfPart[0].size(); ++k)
        EXPECT_EQ(nMoviId + Le32(b, idx1->nData + 16 * k + 8), chunksOfPart[0][k]->nAt);
    for (size_t p = 1; p < parts.size(); ++p)
        EXPECT_EQ(parts[p].Find("idx1"), nullptr);
}

// ---- Read back by ffprobe and ffmpeg -------------------------------------------------------

// Runs a command; its standard output, or fails the test when it does not exit 0.
Bytes Run(const std::string& strCommand)
{
    Bytes out;
    FILE* pipe = popen((strCommand + " 2>/dev/null").c_str(), "r");
    if (!pipe) {
        ADD_FAILURE() << "cannot run " << strCommand;
        return out;
    }
    uint8_t buffer[65536];
    size_t n = 0;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.insert(out.end(), buffer, buffer + n);
    EXPECT_EQ(pclose(pipe), 0) << strCommand;
    return out;
}

// ffprobe's key=value lines of the video stream.
std::map<std::string, std::string> Probe(const std::string& strFile)
{
    const Bytes out = Run("ffprobe -v error -count_frames -select_streams v:0 -show_entries "
                          "stream=codec_name,width,height,r_frame_rate,time_base,nb_frames,nb_read_frames,duration "
                          "-of default=noprint_wrappers=1 " + strFile);
    std::map<std::string, std::string> fields;
    std::string line;
    for (const uint8_t c : out) {
        if (c != '\n') {
            line.push_back(static_cast<char>(c));
            continue;
        }
        if (const size_t eq = line.find('='); eq != std::string::npos)
            fields[line.substr(0, eq)] = line.substr(eq + 1);
        line.clear();
    }
    return fields;
}

// Every coded picture in bgr24, one after another (empty chunks are no pictures).
Bytes DecodeCaptures(const std::string& strFile, const std::string& strBefore = "")
{
    return Run("ffmpeg -v error " + strBefore + " -i " + strFile +
               " -fps_mode passthrough -f rawvideo -pix_fmt bgr24 -");
}

class AviReadBack : public ::testing::Test {
protected:
    LocalFileStore m_files;
};

TEST_F(AviReadBack, RawCapturesComeBackExactly)
{
    // 62 pixels: rows of 186 bytes padded to 188 in the file.
    const auto make = [](int i) { return Sharp(62, 46, i); };
    ASSERT_TRUE(WriteFile(m_files, "raw.avi", Format(62, 46), 4, make));
    auto probe = Probe("raw.avi");
    EXPECT_EQ(probe["codec_name"], "rawvideo");
    EXPECT_EQ(probe["width"], "62");
    EXPECT_EQ(probe["height"], "46");
    EXPECT_EQ(probe["r_frame_rate"], "60/1");
    EXPECT_EQ(probe["time_base"], "1/60");
    EXPECT_EQ(probe["nb_frames"], "31");      // samples: 10 * 3 + 1
    EXPECT_EQ(probe["nb_read_frames"], "4");  // captures
    EXPECT_EQ(probe["duration"], "0.516667"); // 31 / 60 s

    Bytes expected;
    for (int i = 0; i < 4; ++i) {
        const Bytes one = TopDownBgr(make(i));
        expected.insert(expected.end(), one.begin(), one.end());
    }
    EXPECT_TRUE(DecodeCaptures("raw.avi") == expected) << "decoded pixels differ from the captures";
}

TEST_F(AviReadBack, MotionJpegCapturesComeBackClose)
{
    const auto make = [](int i) { return Smooth(64, 48, i); };
    ASSERT_TRUE(WriteFile(m_files, "mjpeg.avi", Format(64, 48, AviCodec::Mjpeg), 3, make));
    auto probe = Probe("mjpeg.avi");
    EXPECT_EQ(probe["codec_name"], "mjpeg");
    EXPECT_EQ(probe["width"], "64");
    EXPECT_EQ(probe["height"], "48");
    EXPECT_EQ(probe["r_frame_rate"], "60/1");
    EXPECT_EQ(probe["nb_frames"], "21");
    EXPECT_EQ(probe["nb_read_frames"], "3");
    EXPECT_EQ(probe["duration"], "0.350000");

    const Bytes decoded = DecodeCaptures("mjpeg.avi");
    ASSERT_EQ(decoded.size(), 3u * 64 * 48 * 3);
    for (int i = 0; i < 3; ++i) {
        const Bytes want = TopDownBgr(make(i));
        long nSum = 0;
        int nWorst = 0;
        for (size_t k = 0; k < want.size(); ++k) {
            const int d = std::abs(int{decoded[static_cast<size_t>(i) * want.size() + k]} - int{want[k]});
            nSum += d;
            nWorst = std::max(nWorst, d);
        }
        EXPECT_LT(static_cast<double>(nSum) / static_cast<double>(want.size()), 3.0) << "capture " << i;
        EXPECT_LT(nWorst, 32) << "capture " << i;
    }
}

// 200 captures of 64 x 48 in parts of about 300 KB: six parts of some 31 captures.
TEST_F(AviReadBack, OpenDmlFilePlaysToItsLastCapture)
{
    AviFormat f = Format(64, 48);
    f.nOpenDmlBytes = 300000;
    const auto make = [](int i) { return Sharp(64, 48, i); };
    ASSERT_TRUE(WriteFile(m_files, "long.avi", f, 200, make));
    std::vector<uint8_t> bytes;
    ASSERT_EQ(m_files.ReadAtMost("long.avi", 4u << 20, bytes).kind, FileReadResult::Kind::Ok);
    size_t nParts = 0;
    for (const Chunk& part : Walk(bytes, 0, bytes.size()))
        nParts += part.id == "RIFF" ? 1 : 0;
    EXPECT_GE(nParts, 5u);

    auto probe = Probe("long.avi");
    EXPECT_EQ(probe["nb_frames"], "1991");
    EXPECT_EQ(probe["nb_read_frames"], "200");
    EXPECT_EQ(probe["duration"], "33.183333");

    const Bytes all = DecodeCaptures("long.avi");
    const Bytes last = TopDownBgr(make(199));
    ASSERT_EQ(all.size(), 200 * last.size());
    EXPECT_TRUE(Bytes(all.end() - static_cast<std::ptrdiff_t>(last.size()), all.end()) == last);
    // A seek to 30 s (sample 1800) goes through the indexes to capture 180 in a later part.
    const Bytes seeked = DecodeCaptures("long.avi", "-ss 30");
    ASSERT_GE(seeked.size(), last.size());
    EXPECT_TRUE(Bytes(seeked.begin(), seeked.begin() + static_cast<std::ptrdiff_t>(last.size())) ==
                TopDownBgr(make(180)));
}

// ---- Failures -----------------------------------------------------------------------------

TEST(AviFailure, ImpossibleFormatsAndMisuse)
{
    FakeFileStore files;
    CAviWriter writer;
    FileStatus status;
    const auto refused = [&](const AviFormat& format) {
        const bool bOpened = writer.Open(files, "x.avi", format, &status);
        return !bOpened && status.nErrno == EINVAL && files.temporaries.empty();
    };
    AviFormat f = Format(640, 480);
    EXPECT_TRUE(refused(Format(0, 480)));
    EXPECT_TRUE(refused(Format(640, -1)));
    EXPECT_TRUE(refused(Format(8193, 480)));
    f.dwRate = 0;
    EXPECT_TRUE(refused(f));
    f = Format(640, 480);
    f.dwSampleStep = 0;
    EXPECT_TRUE(refused(f));
    f = Format(640, 480, AviCodec::Mjpeg);
    f.nJpegQuality = 101;
    EXPECT_TRUE(refused(f));
    f = Format(640, 480);
    f.nOpenDmlBytes = (1ull << 31) + 1; // a part could outgrow a 32-bit RIFF size
    EXPECT_TRUE(refused(f));
    f.codec = static_cast<AviCodec>(7);
    f.nOpenDmlBytes = 1 << 20;
    EXPECT_TRUE(refused(f));

    Bytes pixels(16 * 4 * 4);
    EXPECT_FALSE(writer.AddFrame(pixels.data(), 64, &status));
    EXPECT_EQ(status.nErrno, EBADF);
    EXPECT_FALSE(writer.Close(&status));
    EXPECT_EQ(status.nErrno, EBADF);

    ASSERT_TRUE(writer.Open(files, "x.avi", Format(16, 4), &status));
    EXPECT_FALSE(writer.Open(files, "y.avi", Format(16, 4), &status));
    EXPECT_EQ(status.nErrno, EBUSY);
    // A stride too short for the width fails the file.
    EXPECT_FALSE(writer.AddFrame(pixels.data(), 60, &status));
    EXPECT_EQ(status.nErrno, EINVAL);
    EXPECT_TRUE(writer.IsOpen());
    EXPECT_FALSE(writer.AddFrame(pixels.data(), 64, &status));
    EXPECT_EQ(status.nErrno, EINVAL);
    EXPECT_FALSE(writer.Close(&status));
    EXPECT_EQ(status.nErrno, EINVAL);
    EXPECT_FALSE(writer.IsOpen());
    EXPECT_TRUE(files.files.empty());
    EXPECT_TRUE(files.temporaries.empty());
}

TEST(AviFailure, NoCaptureLeavesNothing)
{
    FakeFileStore files;
    {
        CAviWriter writer;
        ASSERT_TRUE(writer.Open(files, "empty.avi", Format(8, 8)));
        EXPECT_EQ(files.temporaries.size(), 1u);
        FileStatus status{EIO};
        EXPECT_FALSE(writer.Close(&status));
        EXPECT_TRUE(status.Ok());
        EXPECT_EQ(writer.FramesWritten(), 0u);
    }
    EXPECT_TRUE(files.files.empty());
    EXPECT_TRUE(files.temporaries.empty());

    // On the disk too, and for a writer dropped or aborted with captures in it.
    LocalFileStore disk;
    std::filesystem::create_directory("none");
    const Capture c = Sharp(8, 8, 0);
    {
        CAviWriter writer;
        ASSERT_TRUE(writer.Open(disk, "none/empty.avi", Format(8, 8)));
        EXPECT_FALSE(writer.Close());
        CAviWriter dropped;
        ASSERT_TRUE(dropped.Open(disk, "none/dropped.avi", Format(8, 8)));
        ASSERT_TRUE(dropped.AddFrame(c.bgrx.data(), c.nStride));
        CAviWriter aborted;
        ASSERT_TRUE(aborted.Open(disk, "none/aborted.avi", Format(8, 8)));
        ASSERT_TRUE(aborted.AddFrame(c.bgrx.data(), c.nStride));
        EXPECT_FALSE(std::filesystem::is_empty("none")); // the temporaries
        aborted.Abort();
        EXPECT_FALSE(aborted.IsOpen());
    }
    EXPECT_TRUE(std::filesystem::is_empty("none"));
}

// A disk that fills at every possible byte: every file either completes whole or fails with
// the disk's errno and leaves nothing, whichever write it is (headers, a capture, a part's
// start or index, idx1, the patched headers).
TEST(AviFailure, DiskFullAtAnyByte)
{
    for (const bool bOpenDml : {false, true}) {
        AviFormat f = Format(4, 2);
        f.dwSampleStep = 3;
        f.nOpenDmlBytes = bOpenDml ? 4800 : 1 << 20;
        FakeFileStore good;
        ASSERT_TRUE(WriteFile(good, "f.avi", f, 6, [](int i) { return Sharp(4, 2, i); }));
        const uint64_t nFull = good.files.at("f.avi").size();
        for (uint64_t nSpace = 0; nSpace <= nFull; ++nSpace) {
            FakeFileStore files;
            files.writableFaults.nSpaceBytes = nSpace;
            files.writableFaults.nWriteErrno = nSpace % 2 ? EFBIG : ENOSPC;
            FileStatus status;
            const bool bDone = WriteFile(files, "f.avi", f, 6, [](int i) { return Sharp(4, 2, i); }, &status);
            SCOPED_TRACE(testing::Message() << "OpenDML " << bOpenDml << ", space " << nSpace);
            EXPECT_TRUE(files.temporaries.empty());
            if (nSpace == nFull) {
                ASSERT_TRUE(bDone);
                EXPECT_EQ(files.files.at("f.avi"), good.files.at("f.avi"));
                continue;
            }
            ASSERT_FALSE(bDone);
            EXPECT_EQ(status.nErrno, nSpace % 2 ? EFBIG : ENOSPC);
            EXPECT_TRUE(files.files.empty());
        }
    }
}

TEST(AviFailure, OpenSeekAndCommitFailures)
{
    const auto make = [](int i) { return Sharp(4, 4, i); };
    {
        FakeFileStore files;
        files.nOpenErrno = EACCES;
        FileStatus status;
        CAviWriter writer;
        EXPECT_FALSE(writer.Open(files, "a.avi", Format(4, 4), &status));
        EXPECT_EQ(status.nErrno, EACCES);
        EXPECT_FALSE(writer.IsOpen());
    }
    {
        LocalFileStore disk;
        FileStatus status;
        CAviWriter writer;
        EXPECT_FALSE(writer.Open(disk, "no-such-folder/a.avi", Format(4, 4), &status));
        EXPECT_EQ(status.nErrno, ENOENT);
    }
    for (const bool bOpenDml : {false, true}) {
        // The headers are patched at the end, and each finished part's header on the way.
        AviFormat f = Format(4, 4);
        f.nOpenDmlBytes = bOpenDml ? 4800 : 1 << 20;
        FakeFileStore files;
        files.writableFaults.bFailSeek = true;
        FileStatus status;
        EXPECT_FALSE(WriteFile(files, "s.avi", f, 8, make, &status));
        EXPECT_EQ(status.nErrno, EIO);
        EXPECT_TRUE(files.files.empty());
        EXPECT_TRUE(files.temporaries.empty());
    }
    {
        FakeFileStore files;
        files.writableFaults.bFailClose = true;
        FileStatus status;
        EXPECT_FALSE(WriteFile(files, "c.avi", Format(4, 4), 2, make, &status));
        EXPECT_EQ(status.nErrno, EIO);
        EXPECT_TRUE(files.files.empty());
        EXPECT_TRUE(files.temporaries.empty());
    }
}

// Each capture in a part of its own: 256 parts fit the super index, the 257th capture does not.
TEST(AviFailure, MorePartsThanTheSuperIndexHolds)
{
    FakeFileStore files;
    AviFormat f = Format(1, 1);
    f.dwSampleStep = 1;
    f.nOpenDmlBytes = 1;
    const Capture c = Sharp(1, 1, 0);
    CAviWriter writer;
    ASSERT_TRUE(writer.Open(files, "many.avi", f));
    FileStatus status;
    for (uint32_t i = 0; i < CAviWriter::kSuperIndexEntries; ++i)
        ASSERT_TRUE(writer.AddFrame(c.bgrx.data(), c.nStride, &status)) << i;
    EXPECT_FALSE(writer.AddFrame(c.bgrx.data(), c.nStride, &status));
    EXPECT_EQ(status.nErrno, EFBIG);
    EXPECT_FALSE(writer.Close(&status));
    EXPECT_EQ(status.nErrno, EFBIG);
    EXPECT_TRUE(files.files.empty());
    EXPECT_TRUE(files.temporaries.empty());

    ASSERT_TRUE(WriteFile(files, "full.avi", f, static_cast<int>(CAviWriter::kSuperIndexEntries),
                          [&](int) { return c; }));
    const Bytes& b = files.files.at("full.avi");
    EXPECT_EQ(Walk(b, 0, b.size()).size(), size_t{CAviWriter::kSuperIndexEntries});
}

} // namespace
} // namespace ostrel
