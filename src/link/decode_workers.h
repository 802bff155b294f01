#pragma once

#include "link/picture_completion.h"

#include <array>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace ostrel {

// A picture payload handed to the decoder threads, besides its bytes.
struct DecodeJob {
    CompletedPayload payload;       // as the link completed it; its pData is not used
    ShownSize shown;                // the channel's cell or tile at submission
    uint8_t byFieldFlag = 1;        // the stream's field flag before this picture
    uint32_t dwConnection = 0;      // the link's connection count at submission
};

// A decoded payload on its way back to the user-interface thread.
struct DecodedPicture {
    CompletedPayload payload;       // as submitted, pData null
    uint32_t dwConnection = 0;
    CompletedPicture result;        // never skipped: channel, or kRejected with an empty picture
    uint8_t byFieldFlag = 1;        // the stream's field flag after this picture
};

// Decoder threads for the link's pictures. The user-interface thread submits payloads in the
// order they complete and takes the results back in that same order, so every rule that reads
// the order of pictures (each channel's newest one is shown; a search takes its first answer)
// holds as with one thread. The bytes are copied into one of kSlots slots whose buffers are
// kept, so a steady stream allocates nothing.
//
// The threads start the payloads in the order they were submitted, so several pictures of one
// channel may be in work at once and none is ever overtaken by a newer one while it waits: none
// is dropped for being stale. The submitter bounds how many wait (the link stops reading); when
// every slot is taken all the same (nobody takes the results) a new payload is dropped.
//
// fnReady is called from the decoder threads (and from Submit) whenever results may be ready;
// it must only ring the user-interface thread, which then calls TakeReady.
class CDecodeWorkers {
public:
    static constexpr size_t kSlots = 48;             // two streams x 16 channels, and those in work
    static constexpr size_t kKeepBytes = 1u << 20;   // larger payload buffers are freed after use
    static constexpr int kMaxThreads = 16;

    CDecodeWorkers(int nThreads, PicturePool& rPool, std::function<void()> fnReady);
    // Stops the threads after their current decode; results not taken are dropped.
    ~CDecodeWorkers();
    CDecodeWorkers(const CDecodeWorkers&) = delete;
    CDecodeWorkers& operator=(const CDecodeWorkers&) = delete;

    // User-interface thread. False when the payload was dropped for want of a slot.
    bool Submit(const DecodeJob& job, const uint8_t* pData, size_t nBytes);
    // User-interface thread: decodes the oldest payload still waiting here, as a thread would;
    // false when none waits. For a submitter that would otherwise sit idle on a full backlog.
    bool DecodeOneHere();
    // User-interface thread: moves the results that are ready, in submission order, into
    // pOut[0..nMax-1]; how many. Stops at the first payload still waiting or in work.
    size_t TakeReady(DecodedPicture* pOut, size_t nMax);

    int Threads() const { return static_cast<int>(m_threads.size()); }
    // Payloads submitted whose results were not taken yet (waiting, in work or ready), and
    // those of them still waiting or in work.
    size_t Outstanding() const;
    size_t Undecoded() const;
    size_t Waiting() const; // of those, not started yet
    // Payloads dropped unseen for want of a slot.
    uint64_t Overflowed() const;

private:
    enum class SlotState : uint8_t { Free, Queued, Decoding, Done };
    struct Slot {
        SlotState state = SlotState::Free;
        DecodeJob job;
        std::vector<uint8_t> bytes;
        size_t nBytes = 0;
        DecodedPicture out;
    };

    void Run();
    // Decodes the slot's payload into its result; the slot is marked Decoding meanwhile.
    void Decode(Slot& slot, CImageCodec& codec);
    // Payloads in use whose state fnCounts accepts; takes the lock.
    template <typename Predicate>
    size_t Count(Predicate fnCounts) const;
    // The oldest waiting payload, or null; under the lock.
    Slot* NextQueued();

    PicturePool& m_rPool;
    std::function<void()> m_fnReady;

    mutable std::mutex m_mutex;
    std::condition_variable m_wakeWorkers;
    bool m_bStop = false;
    std::array<Slot, kSlots> m_slots;
    // Submissions are numbered; slot = number % kSlots. [m_nHead, m_nTail) are in use. Only the
    // user-interface thread changes them, under the lock.
    uint64_t m_nHead = 0;
    uint64_t m_nTail = 0;
    uint64_t m_nOverflowed = 0;

    CImageCodec m_hereCodec; // DecodeOneHere's, on the user-interface thread
    std::vector<std::thread> m_threads;
};

} // namespace ostrel
