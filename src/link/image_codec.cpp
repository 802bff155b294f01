#include "link/image_codec.h"

#include "link/code_band_reader.h"

#include <turbojpeg.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>

namespace ostrel {

namespace {

constexpr uint32_t kMaxImageBytes = 64u * 1024u * 1024u;

// Pixel geometry of the channel code, picture rows counted from the top.
constexpr int kCodeRow = 1;
constexpr int kIndexRow = 2;
constexpr int kBitBlockWidth = 30;
constexpr int kBitBlockMinBright = 26;               // more than 25 of the 30 pixels
constexpr int kBitBlockX[4] = {90, 218, 346, 474};   // a (8), b (4), c (2), d (1)
constexpr int kSelectBlockX = 602;
constexpr int kIndexBlackX0 = 0, kIndexBlackX1 = 15;
constexpr int kIndexWhiteX0 = 16, kIndexWhiteX1 = 46;
constexpr int kIndexBlack2X0 = 47, kIndexBlack2X1 = 77;
constexpr int kIndexTolerance = 6;                   // fewer than 6 wrong pixels per part
constexpr int kCodeBandRows = kIndexRow + 1;         // rows 0..2 hold every pattern

constexpr int kWhiteLevel = 200;
constexpr int kBlackLevel = 50;

// Reads brightness from bottom-up rows; anything outside the picture reads as black (0): rows
// that are not stored, and bytes past the picture's width, the row padding included. So no
// pattern test can leave the buffer, whatever the picture's size, and stale padding never
// counts as a pixel.
class PixelRows {
public:
    PixelRows(const BitmapInfoHeader& header, const uint8_t* pPixels)
        : m_pPixels(pPixels), m_nRowBytes(header.RowBytes()),
          m_nHeight(header.biHeight > 0 ? header.biHeight : 0)
    {
        const uint64_t nPictureBytes = header.biWidth > 0
            ? static_cast<uint64_t>(header.biWidth) * (header.biBitCount / 8u)
            : 0;
        m_nPictureBytes = static_cast<size_t>(std::min<uint64_t>(nPictureBytes, m_nRowBytes));
        if (m_pPixels == nullptr)
            m_nHeight = 0;
    }

    // (b0 + b1 + b2) / 3 of the three bytes at offset 3x of the picture row.
    int Brightness(int nRow, int nX) const
    {
        if (nRow < 0 || nRow >= m_nHeight || nX < 0)
            return 0;
        const size_t nOffset = 3u * static_cast<size_t>(nX);
        if (nOffset + 3 > m_nPictureBytes)
            return 0;
        const uint8_t* p = m_pPixels + static_cast<size_t>(m_nHeight - 1 - nRow) * m_nRowBytes + nOffset;
        return (p[0] + p[1] + p[2]) / 3;
    }

    int CountBrighter(int nRow, int nX0, int nX1, int nLevel) const
    {
        int n = 0;
        for (int x = nX0; x <= nX1; ++x)
            n += Brightness(nRow, x) > nLevel ? 1 : 0;
        return n;
    }

    int CountDarker(int nRow, int nX0, int nX1, int nLevel) const
    {
        int n = 0;
        for (int x = nX0; x <= nX1; ++x)
            n += Brightness(nRow, x) < nLevel ? 1 : 0;
        return n;
    }

private:
    const uint8_t* m_pPixels;
    size_t m_nRowBytes;     // stored bytes per row, padding included
    size_t m_nPictureBytes; // bytes of a row that hold pixels
    int m_nHeight;
};

bool BlockSet(const PixelRows& rows, int nX0)
{
    return rows.CountBrighter(kCodeRow, nX0, nX0 + kBitBlockWidth - 1, kWhiteLevel) >= kBitBlockMinBright;
}

bool StartsJfif(const uint8_t* p, size_t n)
{
    return n >= 4 && p[0] == 0xFF && p[1] == 0xD8 && p[2] == 0xFF && p[3] == 0xE0;
}

bool EndsEoi(const uint8_t* p, size_t n)
{
    return n >= 2 && p[n - 2] == 0xFF && p[n - 1] == 0xD9;
}

tjhandle Handle(void* p)
{
    return static_cast<tjhandle>(p);
}

// A decode that reports a problem has still written every row, but damaged data (a picture cut
// short, corrupt entropy data) leaves grey or garbled blocks: such pictures are dropped, and
// the channel keeps its previous whole one. Let through is only zero padding in front of the
// end marker, which some recorders add: the library reports it, as its last warning, after the
// last row of an intact picture. Corrupt data ends the same way but with leftover scan bytes,
// which are not all zero.
bool OnlyPaddedBeforeEnd(tjhandle hDecoder, const uint8_t* pJpeg, size_t nJpeg)
{
    constexpr unsigned kMaxPadding = 16;
    if (tjGetErrorCode(hDecoder) != TJERR_WARNING)
        return false;
    unsigned nExtra = 0;
    unsigned nMarker = 0;
    if (std::sscanf(tjGetErrorStr2(hDecoder), "Corrupt JPEG data: %u extraneous bytes before marker 0x%x", &nExtra,
                    &nMarker) != 2
        || nMarker != 0xD9 || nExtra == 0 || nExtra > kMaxPadding || nJpeg < nExtra + 2 || !EndsEoi(pJpeg, nJpeg))
        return false;
    return std::all_of(pJpeg + nJpeg - 2 - nExtra, pJpeg + nJpeg - 2, [](uint8_t by) { return by == 0; });
}

// The picture's size and colour space, as its header gives them.
struct JpegHeader {
    int nWidth = 0;
    int nHeight = 0;
    int nColourSpace = 0;
};

// How a decoded picture is laid out: 24-bit BGR, or 32 bits for four-component pictures.
struct OutputLayout {
    int nBitsPerPixel;
    int nPixelFormat; // TurboJPEG's pixel format
};

// True when the bytes lack the JFIF start or the end marker, so that they need a repaired copy.
bool NeedsRepair(const uint8_t* pData, size_t nLength)
{
    return pData == nullptr || nLength < 6 || !StartsJfif(pData, nLength) || !EndsEoi(pData, nLength);
}

// The picture's size and colour space; none when the library cannot read the header.
std::optional<JpegHeader> ReadHeader(tjhandle hDecoder, const uint8_t* pJpeg, size_t nJpeg)
{
    JpegHeader header;
    int nSubsampling = 0;
    if (tjDecompressHeader3(hDecoder, pJpeg, static_cast<unsigned long>(nJpeg), &header.nWidth, &header.nHeight,
                            &nSubsampling, &header.nColourSpace) != 0)
        return std::nullopt;
    return header;
}

// True when the picture has at least 1 and at most CImageCodec::kMaxPixels pixels.
bool PixelCountAllowed(const JpegHeader& header)
{
    const int64_t nPixels = static_cast<int64_t>(header.nWidth) * header.nHeight;
    return header.nWidth >= 1 && header.nHeight >= 1 && nPixels >= 1 && nPixels <= CImageCodec::kMaxPixels;
}

// The output layout for a colour space; none for pictures of two or more than four components,
// which nothing here could lay out (refused before a single byte is written).
std::optional<OutputLayout> LayoutFor(int nColourSpace)
{
    switch (nColourSpace) {
    case TJCS_GRAY:
    case TJCS_RGB:
    case TJCS_YCbCr:
        return OutputLayout{24, TJPF_BGR}; // grey is expanded to BGR by the library
    case TJCS_CMYK:
    case TJCS_YCCK:
        // The library hands four-component pictures out as their four stored components (YCCK
        // converted to CMYK); PremultiplyAndSwap then treats them as (p0, p1, p2, alpha).
        return OutputLayout{32, TJPF_CMYK};
    default:
        return std::nullopt;
    }
}

// The scale to decode at for the shown size: only grey and colour pictures are scaled.
int ScaleFor(const OutputLayout& layout, const JpegHeader& header, const ShownSize& shown)
{
    return layout.nBitsPerPixel == 24 ? ChooseScaleDenominator(header.nWidth, header.nHeight, shown) : 1;
}

// TurboJPEG's flags: bottom-up rows, scan count limited, and the fast DCT and upsampling if asked.
int DecodeFlags(bool bFast)
{
    return TJFLAG_BOTTOMUP | TJFLAG_LIMITSCANS | (bFast ? TJFLAG_FASTDCT | TJFLAG_FASTUPSAMPLE : 0);
}

// Decodes into the rows the header describes; false when the image data are damaged.
bool DecodeInto(tjhandle hDecoder, const uint8_t* pJpeg, size_t nJpeg, const BitmapInfoHeader& out, uint8_t* pPixels,
                int nPixelFormat, int nFlags)
{
    // The library picks the largest of its scales that fits the size asked for: exactly
    // 1 / denominator, as the sizes are rounded the same way.
    return tjDecompress2(hDecoder, pJpeg, static_cast<unsigned long>(nJpeg), pPixels, out.biWidth,
                         static_cast<int>(out.RowBytes()), out.biHeight, nPixelFormat, nFlags) == 0
        || OnlyPaddedBeforeEnd(hDecoder, pJpeg, nJpeg);
}

// Colour fix-up of four-component pictures: premultiplies by the fourth component and swaps the
// first and third, the layout the drawing code expects from a four-channel picture.
void PremultiplyAndSwap(uint8_t* pPixels, int nWidth, int nHeight, size_t nPitch)
{
    for (int y = 0; y < nHeight; ++y) {
        uint8_t* p = pPixels + static_cast<size_t>(y) * nPitch;
        for (int x = 0; x < nWidth; ++x, p += 4) {
            const unsigned a = p[3];
            const unsigned p0 = p[0], p1 = p[1], p2 = p[2];
            p[0] = static_cast<uint8_t>((p2 * a + 1) >> 8);
            p[1] = static_cast<uint8_t>((p1 * a + 1) >> 8);
            p[2] = static_cast<uint8_t>((p0 * a + 1) >> 8);
        }
    }
}

} // namespace

CImageCodec::CImageCodec()
{
    m_imageHeader.biWidth = 320;
    m_imageHeader.biHeight = 240;
    m_imageHeader.biBitCount = 24;
    m_imageHeader.biSizeImage = 320u * 3u * 240u;
    m_hDecompressor = tjInitDecompress();
}

CImageCodec::~CImageCodec()
{
    if (m_hDecompressor != nullptr)
        tjDestroy(Handle(m_hDecompressor));
}

bool CImageCodec::SetImageFormat(int nBitsPerPixel, int nWidth, int nHeight)
{
    if (nWidth <= 0 || nHeight <= 0)
        return false;
    if (nBitsPerPixel != 8 && nBitsPerPixel != 16 && nBitsPerPixel != 24 && nBitsPerPixel != 32)
        return false;
    const uint64_t nRowBytes = (static_cast<uint64_t>(nBitsPerPixel / 8) * static_cast<uint64_t>(nWidth) + 3) & ~uint64_t{3};
    const uint64_t nImageBytes = nRowBytes * static_cast<uint64_t>(nHeight);
    if (nImageBytes > kMaxImageBytes)
        return false;

    m_imageHeader = BitmapInfoHeader{};
    m_imageHeader.biWidth = nWidth;
    m_imageHeader.biHeight = nHeight;
    m_imageHeader.biBitCount = static_cast<uint16_t>(nBitsPerPixel);
    m_imageHeader.biSizeImage = static_cast<uint32_t>(nImageBytes);
    m_nSourceWidth = nWidth;
    m_nSourceHeight = nHeight;
    m_nScaleDenominator = 1;
    AllocatePixels();
    return true;
}

void CImageCodec::AllocatePixels()
{
    const size_t nBytes = m_imageHeader.biSizeImage;
    if (nBytes == 0 || nBytes > kMaxImageBytes) {
        m_pixels.clear();
        return;
    }
    // Pixel buffers move between this decoder and the pictures it hands out, so a buffer grown
    // for a big picture would otherwise stay big for good, and in time every buffer would hold
    // the largest picture ever shown.
    if (m_pixelWindow.NoteUse(nBytes, m_pixels.capacity())) {
        std::vector<uint8_t>(nBytes).swap(m_pixels);
        return;
    }
    m_pixels.resize(nBytes); // growing allocates; the same or a smaller size keeps the storage
}

const uint8_t* CImageCodec::RepairJpeg(const uint8_t* pData, size_t& nLength)
{
    const size_t n = nLength;
    if (pData == nullptr)
        return nullptr;
    ReserveRepair(n + 4);
    uint8_t* pOut = m_jpegBuffer.data();

    size_t nOut = 0;
    if (StartsJfif(pData, n)) {
        std::memcpy(pOut, pData, n);
        nOut = n;
    } else if (n >= 5 && pData[0] == 0xFF && StartsJfif(pData + 1, n - 1)) {
        std::memcpy(pOut, pData + 1, n - 1);
        nOut = n - 1;
    } else if (n >= 3 && pData[0] == 0xD8 && pData[1] == 0xFF && pData[2] == 0xE0) {
        pOut[0] = 0xFF;
        std::memcpy(pOut + 1, pData, n);
        nOut = n + 1;
    } else if (n >= 6 && StartsJfif(pData + 2, n - 2)) {
        std::memcpy(pOut, pData + 2, n - 2);
        nOut = n - 2;
    } else {
        return nullptr;
    }
    if (!EndsEoi(pOut, nOut)) {
        pOut[nOut++] = 0xFF;
        pOut[nOut++] = 0xD9;
    }
    nLength = nOut;
    return pOut;
}

void CImageCodec::ReserveRepair(size_t nBytes)
{
    // One damaged picture of 8 MiB must not cost every later picture 8 MiB.
    if (m_repairWindow.NoteUse(nBytes, m_jpegBuffer.capacity()))
        std::vector<uint8_t>(nBytes).swap(m_jpegBuffer);
    else if (m_jpegBuffer.size() < nBytes)
        m_jpegBuffer.assign(nBytes, 0);
}

uint8_t CImageCodec::Fail(const char* pszText)
{
    m_pszDiagnostic = pszText;
    return kDecodeFailed;
}

uint8_t CImageCodec::FailAndReset(const char* pszText)
{
    // A failed TurboJPEG call can leave its decompressor half-way through a header, and the
    // next picture's header read then fails as well: start again with a fresh handle. Only
    // failures pay for this.
    if (m_hDecompressor != nullptr)
        tjDestroy(Handle(m_hDecompressor));
    m_hDecompressor = tjInitDecompress();
    return Fail(pszText);
}

uint8_t CImageCodec::Decode(const uint8_t* pData, size_t nLength, bool bHeaderChannelMode, const ShownSize& shown)
{
    m_pszDiagnostic = "";
    size_t nJpeg = nLength;
    const uint8_t* pJpeg = FramedJpeg(pData, nJpeg);
    if (pJpeg == nullptr)
        return Fail("Unrecognised JPEG start.");
    const tjhandle hDecoder = Handle(Decompressor());
    if (hDecoder == nullptr)
        return Fail("Cannot initialize JPEG library");
    const std::optional<JpegHeader> header = ReadHeader(hDecoder, pJpeg, nJpeg);
    if (!header)
        return FailAndReset("Cannot read JPEG header.");
    if (!PixelCountAllowed(*header))
        return Fail("Invalid Image.");
    const std::optional<OutputLayout> layout = LayoutFor(header->nColourSpace);
    if (!layout)
        return Fail("Unsupported JPEG components.");

    // The code band is read before a scaled decode; when it cannot be, the picture is decoded
    // whole as if it were shown full size.
    ChannelCode band{0, m_byFieldFlag};
    int nDenominator = ScaleFor(*layout, *header, shown);
    if (nDenominator > 1 && !bHeaderChannelMode && !ReadCodeBand(pJpeg, nJpeg, band))
        nDenominator = 1;
    if (!SetDecodedFormat(header->nWidth, header->nHeight, layout->nBitsPerPixel, nDenominator))
        return Fail("Invalid Image.");
    const int nFlags = DecodeFlags(m_bFastDecode);
    if (!DecodeInto(hDecoder, pJpeg, nJpeg, m_imageHeader, m_pixels.data(), layout->nPixelFormat, nFlags))
        return FailAndReset("Cannot read image data.");
    if (layout->nBitsPerPixel == 32)
        PremultiplyAndSwap(m_pixels.data(), header->nWidth, header->nHeight, m_imageHeader.RowBytes());

    if (bHeaderChannelMode)
        return 0;
    if (nDenominator > 1)
        return TakeChannelCode(band);
    return ReadDecodedChannelCode();
}

const uint8_t* CImageCodec::FramedJpeg(const uint8_t* pData, size_t& nLength)
{
    // A well-framed picture is decoded where it lies; only damaged framing costs a copy.
    if (NeedsRepair(pData, nLength))
        return RepairJpeg(pData, nLength);
    ReserveRepair(0); // a decode that needed no repair counts in the repair buffer's window
    return pData;
}

void* CImageCodec::Decompressor()
{
    if (m_hDecompressor == nullptr)
        m_hDecompressor = tjInitDecompress();
    return m_hDecompressor;
}

bool CImageCodec::SetDecodedFormat(int nSourceWidth, int nSourceHeight, int nBitsPerPixel, int nDenominator)
{
    const int nWidth = ScaledDimension(nSourceWidth, nDenominator);
    const int nHeight = ScaledDimension(nSourceHeight, nDenominator);
    if (!SetImageFormat(nBitsPerPixel, nWidth, nHeight))
        return false;
    m_nSourceWidth = nSourceWidth;
    m_nSourceHeight = nSourceHeight;
    m_nScaleDenominator = nDenominator;
    return true;
}

uint8_t CImageCodec::TakeChannelCode(const ChannelCode& code)
{
    m_byFieldFlag = code.byFieldFlag;
    return code.byChannel;
}

uint8_t CImageCodec::ReadDecodedChannelCode()
{
    const uint8_t* pPixels = Pixels();
    if (pPixels == nullptr)
        return 0;
    return TakeChannelCode({ReadChannelPattern(m_imageHeader, pPixels),
                            FindIndexPattern(m_imageHeader, pPixels) ? kFieldOdd : kFieldEven});
}

bool CImageCodec::ReadCodeBand(const uint8_t* pJpeg, size_t nJpeg, ChannelCode& rCode)
{
    if (!m_pCodeBand)
        m_pCodeBand = std::make_unique<CCodeBandReader>();
    if (!m_pCodeBand->Read(pJpeg, nJpeg, m_bFastDecode, kCodeBandRows))
        return false;
    // Rows past the band count as black, as rows past a short picture do: the band holds every
    // row the patterns read, or the whole picture when it is shorter.
    rCode.byChannel = ReadChannelPattern(m_pCodeBand->Header(), m_pCodeBand->Pixels());
    rCode.byFieldFlag = FindIndexPattern(m_pCodeBand->Header(), m_pCodeBand->Pixels()) ? kFieldOdd : kFieldEven;
    return true;
}

void CImageCodec::CopyPictureFrom(const CImageCodec& decoder)
{
    if (&decoder == this)
        return;
    CopyFormatFrom(decoder);
    if (decoder.m_pixels.empty()) {
        m_pixels.clear();
        return;
    }
    m_pixels.resize(decoder.m_pixels.size());
    std::memcpy(m_pixels.data(), decoder.m_pixels.data(), decoder.m_pixels.size());
}

void CImageCodec::TakePictureFrom(CImageCodec& decoder)
{
    if (&decoder == this)
        return;
    CopyFormatFrom(decoder);
    m_pixels.swap(decoder.m_pixels);
}

void CImageCodec::CopyFormatFrom(const CImageCodec& decoder)
{
    m_imageHeader = decoder.m_imageHeader;
    m_nSourceWidth = decoder.m_nSourceWidth;
    m_nSourceHeight = decoder.m_nSourceHeight;
    m_nScaleDenominator = decoder.m_nScaleDenominator;
}

uint8_t CImageCodec::ReadChannelPattern(const BitmapInfoHeader& header, const uint8_t* pPixels)
{
    const PixelRows rows(header, pPixels);
    const bool bInvert = BlockSet(rows, kSelectBlockX);
    uint8_t byChannel = 0;
    for (int i = 0; i < 4; ++i) {
        const bool bSet = BlockSet(rows, kBitBlockX[i]) != bInvert;
        byChannel = static_cast<uint8_t>(byChannel << 1 | (bSet ? 1 : 0));
    }
    return byChannel;
}

bool CImageCodec::FindIndexPattern(const BitmapInfoHeader& header, const uint8_t* pPixels)
{
    const PixelRows rows(header, pPixels);
    if (rows.CountBrighter(kIndexRow, kIndexBlackX0, kIndexBlackX1, kBlackLevel) >= kIndexTolerance)
        return false;
    if (rows.CountDarker(kIndexRow, kIndexWhiteX0, kIndexWhiteX1, kWhiteLevel) >= kIndexTolerance)
        return false;
    return rows.CountBrighter(kIndexRow, kIndexBlack2X0, kIndexBlack2X1, kBlackLevel) < kIndexTolerance;
}

} // namespace ostrel
