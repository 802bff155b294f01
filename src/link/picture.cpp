#include "link/picture.h"

#include "link/image_codec.h"

#include <cstring>
#include <mutex>
#include <utility>
#include <vector>

namespace ostrel {

struct Picture::Buffer {
    std::atomic<int> nRefs{0};
    CImageCodec holder;              // header and pixels; never decodes
    uint8_t byFieldAlign = CImageCodec::kFieldEven;
    std::shared_ptr<PicturePool::Core> pPool; // set while handed out
};

struct PicturePool::Core {
    std::mutex mutex;
    std::vector<Picture::Buffer*> idle;
    size_t nCreated = 0;
    bool bClosed = false; // the pool is gone: returning buffers are freed

    Core() { idle.reserve(kMaxIdle); } // so keeping a buffer never allocates
    ~Core()
    {
        for (Picture::Buffer* pBuffer : idle)
            delete pBuffer;
    }
    // True when the buffer was kept for reuse; otherwise the caller frees it.
    bool Keep(Picture::Buffer* pBuffer)
    {
        const std::lock_guard<std::mutex> lock(mutex);
        if (bClosed || idle.size() >= kMaxIdle)
            return false;
        idle.push_back(pBuffer);
        return true;
    }
};

namespace {

const BitmapInfoHeader kEmptyHeader{};

void Release(Picture::Buffer* pBuffer)
{
    if (!pBuffer || pBuffer->nRefs.fetch_sub(1, std::memory_order_acq_rel) != 1)
        return;
    // The core must outlive Keep even when this was the last reference to it.
    const std::shared_ptr<PicturePool::Core> pCore = std::move(pBuffer->pPool);
    if (!pCore || !pCore->Keep(pBuffer))
        delete pBuffer;
}

void AddRef(Picture::Buffer* pBuffer)
{
    if (pBuffer)
        pBuffer->nRefs.fetch_add(1, std::memory_order_relaxed);
}

} // namespace

Picture::Picture(const Picture& other) noexcept : m_pBuffer(other.m_pBuffer)
{
    AddRef(m_pBuffer);
}

Picture::Picture(Picture&& other) noexcept : m_pBuffer(std::exchange(other.m_pBuffer, nullptr)) {}

Picture& Picture::operator=(const Picture& other) noexcept
{
    if (m_pBuffer != other.m_pBuffer) {
        AddRef(other.m_pBuffer);
        Release(m_pBuffer);
        m_pBuffer = other.m_pBuffer;
    }
    return *this;
}

Picture& Picture::operator=(Picture&& other) noexcept
{
    if (this != &other) {
        Release(m_pBuffer);
        m_pBuffer = std::exchange(other.m_pBuffer, nullptr);
    }
    return *this;
}

Picture::~Picture()
{
    Release(m_pBuffer);
}

void Picture::Reset()
{
    Release(std::exchange(m_pBuffer, nullptr));
}

const BitmapInfoHeader& Picture::Header() const
{
    return m_pBuffer ? m_pBuffer->holder.ImageHeader() : kEmptyHeader;
}

const uint8_t* Picture::Bits() const
{
    return m_pBuffer ? m_pBuffer->holder.Pixels() : nullptr;
}

int Picture::SourceWidth() const
{
    return m_pBuffer ? m_pBuffer->holder.SourceWidth() : 0;
}

int Picture::SourceHeight() const
{
    return m_pBuffer ? m_pBuffer->holder.SourceHeight() : 0;
}

int Picture::ScaleDenominator() const
{
    return m_pBuffer ? m_pBuffer->holder.ScaleDenominator() : 1;
}

uint8_t Picture::FieldAlign() const
{
    return m_pBuffer ? m_pBuffer->byFieldAlign : CImageCodec::kFieldEven;
}

PicturePool::PicturePool() : m_pCore(std::make_shared<Core>()) {}

PicturePool::~PicturePool()
{
    const std::lock_guard<std::mutex> lock(m_pCore->mutex);
    m_pCore->bClosed = true;
}

Picture::Buffer* PicturePool::Acquire(size_t nBytes)
{
    Picture::Buffer* pBuffer = nullptr;
    {
        const std::lock_guard<std::mutex> lock(m_pCore->mutex);
        std::vector<Picture::Buffer*>& idle = m_pCore->idle;
        if (!idle.empty()) {
            // The smallest buffer that holds nBytes, so big buffers stay idle for big pictures
            // and small ones are not grown while a big one would do; else the roomiest, which
            // grows least. Newest first among equals: the one most likely still in the cache.
            size_t nPick = idle.size();
            size_t nRoomiest = idle.size() - 1;
            for (size_t i = idle.size(); i-- > 0;) {
                const size_t nCapacity = idle[i]->holder.PixelCapacity();
                if (nCapacity >= nBytes && (nPick == idle.size() || nCapacity < idle[nPick]->holder.PixelCapacity()))
                    nPick = i;
                if (nCapacity > idle[nRoomiest]->holder.PixelCapacity())
                    nRoomiest = i;
            }
            if (nPick == idle.size())
                nPick = nRoomiest;
            pBuffer = idle[nPick];
            idle[nPick] = idle.back();
            idle.pop_back();
        } else {
            ++m_pCore->nCreated;
        }
    }
    if (!pBuffer)
        pBuffer = new Picture::Buffer;
    pBuffer->nRefs.store(1, std::memory_order_relaxed);
    pBuffer->pPool = m_pCore;
    return pBuffer;
}

Picture PicturePool::Take(CImageCodec& rDecoder)
{
    // The buffer handed back to the decoder must hold its next picture, most likely one of the
    // size it has just decoded.
    Picture::Buffer* pBuffer = Acquire(rDecoder.ImageHeader().biSizeImage);
    pBuffer->holder.TakePictureFrom(rDecoder);
    pBuffer->byFieldAlign = rDecoder.FieldFlag();
    return Picture(pBuffer);
}

Picture PicturePool::Make(const BitmapInfoHeader& header, const uint8_t* pBits, size_t nBytes, uint8_t byFieldAlign)
{
    if (!pBits || nBytes < header.biSizeImage || header.biSizeImage == 0)
        return {};
    CImageCodec source;
    if (!source.SetImageFormat(header.biBitCount, header.biWidth, header.biHeight)
        || source.ImageHeader().biSizeImage != header.biSizeImage)
        return {};
    std::memcpy(source.MutablePixels(), pBits, header.biSizeImage);
    Picture::Buffer* pBuffer = Acquire(0);
    pBuffer->holder.TakePictureFrom(source);
    pBuffer->byFieldAlign = byFieldAlign;
    return Picture(pBuffer);
}

size_t PicturePool::IdleCount() const
{
    const std::lock_guard<std::mutex> lock(m_pCore->mutex);
    return m_pCore->idle.size();
}

size_t PicturePool::IdleBytes() const
{
    const std::lock_guard<std::mutex> lock(m_pCore->mutex);
    size_t nBytes = 0;
    for (const Picture::Buffer* pBuffer : m_pCore->idle)
        nBytes += pBuffer->holder.PixelCapacity();
    return nBytes;
}

size_t PicturePool::BuffersCreated() const
{
    const std::lock_guard<std::mutex> lock(m_pCore->mutex);
    return m_pCore->nCreated;
}

} // namespace ostrel
