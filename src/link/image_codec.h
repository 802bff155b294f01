#pragma once

// One decoded picture (bitmap information header, bottom-up pixel rows, field flag) and the
// JPEG decoder that fills it. The link keeps a live decoder and a play decoder; each accepted
// picture moves into a holder of the picture pool (see picture.h) with TakePictureFrom.
//
// Pixel rows are stored bottom-up (picture row r is buffer row height - 1 - r), each padded to
// a multiple of 4 bytes: 24-bit BGR for grey and colour JPEGs, 32 bits for four-component ones.
// A picture shown in a small cell is decoded scaled down in the DCT (1/2, 1/4 or 1/8 of both
// axes): the header then describes the scaled rows, and SourceWidth, SourceHeight and
// ScaleDenominator tell the picture's own size and the scale.
// Buffers are reused: once the picture size is steady, decoding and copying allocate nothing
// on our side (libjpeg-turbo still draws its per-image work memory from its own pools).
//
// Not thread-safe; one codec is used from one thread.

#include "link/bitmap_info_header.h"
#include "link/picture_scale.h"
#include "link/shrink_window.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace ostrel {

class CCodeBandReader;

class CImageCodec {
public:
    static constexpr uint8_t kDecodeFailed = 255;
    static constexpr int64_t kMaxPixels = 220000;    // a 640 x 240 field passes, 640 x 480 does not
    static constexpr uint8_t kFieldEven = 1;         // index pattern absent
    static constexpr uint8_t kFieldOdd = 0;          // index pattern found

    CImageCodec();
    virtual ~CImageCodec();
    CImageCodec(const CImageCodec&) = delete;
    CImageCodec& operator=(const CImageCodec&) = delete;

    // Fills the header for a picture of that format (unscaled: the source size is the same);
    // image size = ((bits / 8 x width + 3) rounded down to a multiple of 4) x height. The pixel
    // buffer is resized to the image size, keeping its storage, unless the last 64 formats all
    // needed at most half of it (CShrinkWindow). False, and nothing changed, when width or
    // height is not positive, the bits are not 8, 16, 24 or 32, or the size exceeds 64 MiB.
    bool SetImageFormat(int nBitsPerPixel, int nWidth, int nHeight);

    // Copies d[0..n-1] into the codec's JPEG buffer with its start and end markers put right:
    //   FF D8 FF E0 ...     copied unchanged
    //   FF FF D8 FF E0 ...  first byte dropped
    //   D8 FF E0 ...        FF put in front
    //   x x FF D8 FF E0 ... first two bytes dropped
    // and FF D9 appended when the result does not end with it. Returns the buffer and sets
    // nLength to its length, or returns null (nLength unchanged) when no start pattern matches.
    // The buffer stays valid until the next RepairJpeg or Decode; it shrinks by the rule of
    // the pixel buffer (CShrinkWindow), where a decode that needs no repair needs 0 bytes.
    const uint8_t* RepairJpeg(const uint8_t* pData, size_t& nLength);

    // Decodes one JPEG picture into this codec. Returns the channel number read from the
    // picture's channel pattern (0..15) and sets the field flag, or 0 in header-channel mode
    // (field flag left as it was), or kDecodeFailed when the framing cannot be repaired, the
    // header cannot be read, the picture has fewer than 1 or more than kMaxPixels pixels, its
    // component count is not 1, 3 or 4, or the image data is damaged (a premature end or
    // corrupt data; a few zero bytes just before the end marker are no damage). After a
    // failure the pixels are undefined.
    //
    // With a shown size, a grey or colour picture is decoded at the smallest DCT scale whose
    // source rectangle still covers it (ChooseScaleDenominator); its channel code and field flag
    // are still read from full-size rows, decoded on their own, so they read exactly what a
    // full decode reads. Four-component and progressive pictures are always decoded whole.
    uint8_t Decode(const uint8_t* pData, size_t nLength, bool bHeaderChannelMode, const ShownSize& shown = {});

    // Resizes the pixel buffer to the header's image size; none when that is 0.
    void AllocatePixels();

    // A holder takes the decoder's header and pixels; the field flag is not copied (the view
    // keeps it in the channel's slot). Reuses the buffer when the size is unchanged.
    void CopyPictureFrom(const CImageCodec& decoder);
    // The same without copying: the holder takes the decoder's pixel buffer and leaves it its
    // own, which the next decode of the same size reuses. The decoder's pixels are then stale.
    void TakePictureFrom(CImageCodec& decoder);

    const BitmapInfoHeader& ImageHeader() const { return m_imageHeader; }
    // The picture's own size before scaling, and the scale's denominator (1, 2, 4 or 8).
    int SourceWidth() const { return m_nSourceWidth; }
    int SourceHeight() const { return m_nSourceHeight; }
    int ScaleDenominator() const { return m_nScaleDenominator; }
    // Bytes the pixel buffer holds without growing.
    size_t PixelCapacity() const { return m_pixels.capacity(); }
    // Bytes the repair buffer holds.
    size_t RepairCapacity() const { return m_jpegBuffer.capacity(); }
    const uint8_t* Pixels() const { return m_pixels.empty() ? nullptr : m_pixels.data(); }
    // For filling a picture made with SetImageFormat (image-size bytes); null when there are none.
    uint8_t* MutablePixels() { return m_pixels.empty() ? nullptr : m_pixels.data(); }
    uint8_t FieldFlag() const { return m_byFieldFlag; }
    // The flag a header-channel-mode decode leaves as it is, for a codec that takes over a
    // stream from another.
    void SetFieldFlag(uint8_t byFlag) { m_byFieldFlag = byFlag == kFieldOdd ? kFieldOdd : kFieldEven; }
    // Text of the last decode failure ("" after a success), for a debug trace only.
    const char* LastDiagnostic() const { return m_pszDiagnostic; }

    // libjpeg-turbo's fast integer DCT and plain chroma upsampling: on by default. About a fifth
    // faster on camera pictures, and the channel code reads the same on every test picture
    // (the code blocks are neutral and fill whole DCT blocks, which neither shortcut touches).
    void SetFastDecode(bool bFast) { m_bFastDecode = bFast; }
    bool FastDecode() const { return m_bFastDecode; }

    // The channel pattern in the picture's row 1 (0..15); pPixels holds the header's image-size
    // bytes of bottom-up rows. Pixels outside the picture count as black, so a picture too
    // narrow or too short for a block reads that block as clear.
    static uint8_t ReadChannelPattern(const BitmapInfoHeader& header, const uint8_t* pPixels);
    // True when row 2 holds the index pattern (black, white, black) of an odd field; pixels
    // outside the picture count as black.
    static bool FindIndexPattern(const BitmapInfoHeader& header, const uint8_t* pPixels);

private:
    // A picture's channel code (0..15) and field flag.
    struct ChannelCode {
        uint8_t byChannel;
        uint8_t byFieldFlag;
    };

    uint8_t Fail(const char* pszText);
    // Channel code and field flag from the picture's first rows at full size; false when they
    // cannot be read that way.
    bool ReadCodeBand(const uint8_t* pJpeg, size_t nJpeg, ChannelCode& rCode);
    uint8_t FailAndReset(const char* pszText);
    // Makes the repair buffer hold at least nBytes (0 for a decode that needs no repair),
    // shrinking it as the pixel buffer shrinks.
    void ReserveRepair(size_t nBytes);
    // The bytes to decode: the data themselves when well framed, else their repaired copy
    // (nLength set to its length); null when no start pattern matches.
    const uint8_t* FramedJpeg(const uint8_t* pData, size_t& nLength);
    // The TurboJPEG handle, made again after a reset; null when the library cannot make one.
    void* Decompressor();
    // SetImageFormat for a picture of that source size decoded at 1 / nDenominator.
    bool SetDecodedFormat(int nSourceWidth, int nSourceHeight, int nBitsPerPixel, int nDenominator);
    // Keeps the code's field flag and returns its channel.
    uint8_t TakeChannelCode(const ChannelCode& code);
    // TakeChannelCode of the code read from the decoded pixels (0 when there are none).
    uint8_t ReadDecodedChannelCode();
    // The header, source size and scale of the decoder's picture (CopyPictureFrom, TakePictureFrom).
    void CopyFormatFrom(const CImageCodec& decoder);

    BitmapInfoHeader m_imageHeader;
    int m_nSourceWidth = 320;          // pixels of the picture before scaling
    int m_nSourceHeight = 240;
    int m_nScaleDenominator = 1;
    std::vector<uint8_t> m_pixels;     // image-size bytes, or empty
    CShrinkWindow m_pixelWindow;       // one use per AllocatePixels
    uint8_t m_byFieldFlag = kFieldEven;
    std::vector<uint8_t> m_jpegBuffer; // repaired JPEG
    CShrinkWindow m_repairWindow;      // one use per decode or repair
    void* m_hDecompressor = nullptr;   // TurboJPEG handle, created once
    bool m_bFastDecode = true;
    const char* m_pszDiagnostic = "";
    std::unique_ptr<CCodeBandReader> m_pCodeBand; // made at the first scaled decode
};

} // namespace ostrel
