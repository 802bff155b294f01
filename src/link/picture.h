#pragma once

// Decoded pictures as the link hands them out. A Picture is a counted handle on one accepted
// picture: its 40-byte header, its bottom-up pixel rows and its field flag stay exactly as they
// are for as long as any handle holds them, on any thread. The link's next picture of the same
// channel goes into another buffer, so a window, a printout or an AVI recorder that still holds
// the old one never sees its pixels change. Buffers come back to their pool when the last handle
// lets go, so a steady stream allocates nothing per picture.

#include "link/bitmap_info_header.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace ostrel {

class CImageCodec;

constexpr int kChannelCount = 16;

class Picture {
public:
    Picture() = default;
    Picture(const Picture& other) noexcept;
    Picture(Picture&& other) noexcept;
    Picture& operator=(const Picture& other) noexcept;
    Picture& operator=(Picture&& other) noexcept;
    ~Picture();

    explicit operator bool() const { return m_pBuffer != nullptr; }
    // The header describes Bits(): biSizeImage bytes, rows bottom-up. Empty handles give a zero
    // header and null bits.
    const BitmapInfoHeader& Header() const;
    const uint8_t* Bits() const;
    // A picture decoded for a small cell holds its rows at 1 / ScaleDenominator() of the size
    // the recorder sent, SourceWidth() x SourceHeight(), whose rules choose the part a cell
    // shows. Unscaled pictures (and empty handles) give their header's size and 1.
    int SourceWidth() const;
    int SourceHeight() const;
    int ScaleDenominator() const;
    // 1 = even field (the index pattern was absent), 0 = odd: the view draws the even field
    // one line lower.
    uint8_t FieldAlign() const;
    // Lets go of the picture; the handle is empty afterwards.
    void Reset();
    // True when both handles hold the same picture (or both are empty).
    bool SameAs(const Picture& other) const { return m_pBuffer == other.m_pBuffer; }

    struct Buffer; // pool-owned storage; defined in picture.cpp

private:
    friend class PicturePool;
    explicit Picture(Buffer* pBuffer) : m_pBuffer(pBuffer) {} // adopts one reference

    Buffer* m_pBuffer = nullptr;
};

// Where pictures come from. Owned by the link; handles may outlive it (the storage of a picture
// still held then is freed by its last handle). Take and Make may run on any thread (decoder
// threads take their pictures from it); handles may be copied and released on any thread.
class PicturePool {
public:
    static constexpr size_t kMaxIdle = 64; // idle buffers kept for reuse; more are freed

    PicturePool();
    ~PicturePool();
    PicturePool(const PicturePool&) = delete;
    PicturePool& operator=(const PicturePool&) = delete;

    // A picture of the decoder's header, pixels and field flag. The decoder's pixel buffer is
    // exchanged for an idle one, which the next decode reuses: no copy, and no allocation once
    // the stream is steady. Pictures of several sizes (cells of several sizes, a switch to the
    // single view) are served from idle buffers big enough for the decoder's current size, so
    // a small buffer is not handed to a decoder that needs a big one while a big one is idle.
    // The decoder's own pixels are stale afterwards.
    Picture Take(CImageCodec& rDecoder);
    // A picture holding a copy of nBytes of pBits described by header (for pictures that do not
    // come from a decoder, and for tests). An empty handle when nBytes is smaller than the
    // header's image size.
    Picture Make(const BitmapInfoHeader& header, const uint8_t* pBits, size_t nBytes, uint8_t byFieldAlign);

    size_t IdleCount() const;
    // Pixel bytes the idle buffers hold.
    size_t IdleBytes() const;
    // Buffers allocated since construction: flat once the stream is steady.
    size_t BuffersCreated() const;

    struct Core; // shared with the buffers handed out

private:
    // An idle buffer whose pixels hold nBytes without growing, else the roomiest idle one, else
    // a new one.
    Picture::Buffer* Acquire(size_t nBytes);

    std::shared_ptr<Core> m_pCore;
};

} // namespace ostrel
