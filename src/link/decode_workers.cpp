#include "link/decode_workers.h"

#include <algorithm>
#include <cstring>

#ifdef __linux__
#include <pthread.h>
#endif

namespace ostrel {

CDecodeWorkers::CDecodeWorkers(int nThreads, PicturePool& rPool, std::function<void()> fnReady)
    : m_rPool(rPool), m_fnReady(std::move(fnReady))
{
    nThreads = std::clamp(nThreads, 1, kMaxThreads);
    m_threads.reserve(static_cast<size_t>(nThreads));
    for (int i = 0; i < nThreads; ++i)
        m_threads.emplace_back([this] { Run(); });
}

CDecodeWorkers::~CDecodeWorkers()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_bStop = true;
    }
    m_wakeWorkers.notify_all();
    for (std::thread& thread : m_threads)
        thread.join();
}

bool CDecodeWorkers::Submit(const DecodeJob& job, const uint8_t* pData, size_t nBytes)
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (m_nTail - m_nHead == kSlots) {
            ++m_nOverflowed;
            return false;
        }
    }
    // The slot at the tail is free and no thread looks at free slots: fill it unlocked.
    Slot& slot = m_slots[m_nTail % kSlots];
    slot.job = job;
    slot.job.payload.pData = nullptr;
    if (slot.bytes.size() < nBytes)
        slot.bytes.resize(nBytes);
    if (nBytes > 0)
        std::memcpy(slot.bytes.data(), pData, nBytes);
    slot.nBytes = nBytes;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        slot.state = SlotState::Queued;
        ++m_nTail;
    }
    m_wakeWorkers.notify_one();
    return true;
}

CDecodeWorkers::Slot* CDecodeWorkers::NextQueued()
{
    for (uint64_t n = m_nHead; n < m_nTail; ++n) {
        Slot& slot = m_slots[n % kSlots];
        if (slot.state == SlotState::Queued)
            return &slot;
    }
    return nullptr;
}

void CDecodeWorkers::Run()
{
#ifdef __linux__
    pthread_setname_np(pthread_self(), "ostrel-decode");
#endif
    CImageCodec codec; // each thread decodes with its own
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        Slot* pSlot = nullptr;
        m_wakeWorkers.wait(lock, [&] { return m_bStop || (pSlot = NextQueued()) != nullptr; });
        if (m_bStop)
            return;
        pSlot->state = SlotState::Decoding;
        lock.unlock();
        Decode(*pSlot, codec);
        lock.lock();
        pSlot->state = SlotState::Done;
        if (m_fnReady)
            m_fnReady();
    }
}

void CDecodeWorkers::Decode(Slot& slot, CImageCodec& codec)
{
    CompletedPayload payload = slot.job.payload;
    payload.pData = slot.bytes.data();
    payload.nBytes = slot.nBytes;
    DecodedPicture& out = slot.out;
    out.payload = slot.job.payload;
    out.dwConnection = slot.job.dwConnection;
    out.result = {};
    out.result.bSkipped = false;
    codec.SetFieldFlag(slot.job.byFieldFlag);
    out.result.byChannel = PictureCompletion::DecodeAndCheck(payload, codec, slot.job.shown);
    if (out.result.byChannel < kChannelCount && codec.Pixels())
        out.result.picture = m_rPool.Take(codec);
    out.byFieldFlag = codec.FieldFlag();
    if (slot.bytes.capacity() > kKeepBytes)
        std::vector<uint8_t>().swap(slot.bytes);
}

bool CDecodeWorkers::DecodeOneHere()
{
    Slot* pSlot = nullptr;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        pSlot = NextQueued();
        if (!pSlot)
            return false;
        pSlot->state = SlotState::Decoding;
    }
    Decode(*pSlot, m_hereCodec);
    const std::lock_guard<std::mutex> lock(m_mutex);
    pSlot->state = SlotState::Done;
    return true;
}

size_t CDecodeWorkers::TakeReady(DecodedPicture* pOut, size_t nMax)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    size_t nTaken = 0;
    while (m_nHead < m_nTail && nTaken < nMax) {
        Slot& slot = m_slots[m_nHead % kSlots];
        if (slot.state == SlotState::Done)
            pOut[nTaken++] = std::move(slot.out);
        else
            break;
        slot.state = SlotState::Free;
        ++m_nHead;
    }
    return nTaken;
}

size_t CDecodeWorkers::Outstanding() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return static_cast<size_t>(m_nTail - m_nHead);
}

size_t CDecodeWorkers::Undecoded() const
{
    return Count([](SlotState state) { return state == SlotState::Queued || state == SlotState::Decoding; });
}

size_t CDecodeWorkers::Waiting() const
{
    return Count([](SlotState state) { return state == SlotState::Queued; });
}

template <typename Predicate>
size_t CDecodeWorkers::Count(Predicate fnCounts) const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    size_t nCount = 0;
    for (uint64_t n = m_nHead; n < m_nTail; ++n)
        nCount += fnCounts(m_slots[n % kSlots].state) ? 1 : 0;
    return nCount;
}

uint64_t CDecodeWorkers::Overflowed() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_nOverflowed;
}

} // namespace ostrel
