// Framing and reassembly of a stream of 20 KB picture packets, delivered in reads of varying
// size, beside a plain memcpy of the same bytes in the same run. The decoder is stubbed.
#include "fakes/fake_file_store.h"
#include "fakes/packet_maker.h"
#include "fakes/recording_notifier.h"
#include "link/dvr_link.h"

#include <benchmark/benchmark.h>

#include <cstring>

using namespace ostrel;
using namespace ostrel::test;
using namespace ostrel::wire;

namespace {

constexpr size_t kPackets = 256;
constexpr size_t kPayloadBytes = 20000;
// What a TCP stream hands over per receive call: segments, coalesced bursts and odd tails.
constexpr size_t kReadSizes[] = {1448, 9129, 4096, 2896, 9129, 700, 6000, 9129, 3000, 9129};

const std::vector<uint8_t>& Stream()
{
    static const std::vector<uint8_t> stream = [] {
        std::vector<uint8_t> all;
        for (size_t i = 0; i < kPackets; ++i) {
            const auto packet = MakePacket(DATATYPE_LIVE_IMAGE, {0, 0, 0, 1 + static_cast<uint32_t>(i % 16)},
                                           NumberedPayload(kPayloadBytes));
            all.insert(all.end(), packet.begin(), packet.end());
        }
        return all;
    }();
    return stream;
}

// Serves the stream round and round, each receive call giving the next read size at most.
class StreamingSocket final : public StreamSocket {
public:
    bool Connect(const std::string&, uint16_t) override { return true; }
    void SetNoDelay() override {}
    int Send(const uint8_t*, size_t nBytes) override { return static_cast<int>(nBytes); }
    int Receive(uint8_t* pData, size_t nMax) override
    {
        const auto& stream = Stream();
        size_t n = std::min({nMax, kReadSizes[m_nRead++ % std::size(kReadSizes)], stream.size() - m_nPos});
        std::memcpy(pData, stream.data() + m_nPos, n);
        m_nPos += n;
        if (m_nPos == stream.size())
            m_nPos = 0;
        m_nBytes += n;
        return static_cast<int>(n);
    }
    void ShutdownAndClose() override {}

    size_t m_nPos = 0;
    size_t m_nRead = 0;
    size_t m_nBytes = 0;
};

// Timers that only remember whether they run: the link restarts its watchdog on every read,
// and that should cost what a real timer restart costs, not a test log entry.
class FlagTimers final : public TimerService {
public:
    void Start(int nId, int) override { m_running[Slot(nId)] = true; }
    void Stop(int nId) override { m_running[Slot(nId)] = false; }
    bool IsRunning(int nId) const override { return m_running[Slot(nId)]; }

private:
    static size_t Slot(int nId) { return static_cast<size_t>(nId) % 16; }
    bool m_running[16] = {};
};

// A view that only counts, as the real one only paints.
class QuietView final : public LinkView {
public:
    uint16_t SingleChannel() const override { return 256; }
    uint32_t LiveChannelMask() const override { return 0xFFFF; }
    std::string HostAddress() const override { return "127.0.0.1"; }
    uint16_t HostPort() const override { return 8000; }
    std::string UserId() const override { return "admin"; }
    std::string Password() const override { return "1"; }
    uint8_t ReconnectCount() const override { return 3; }
    bool AlertModeOn() const override { return false; }
    void SetConnectState(uint8_t) override {}
    void SetChannelCount(uint8_t) override {}
    void DrawConnectStatus(uint8_t) override {}
    void DrawPositions(uint32_t dwRecordPos, uint32_t) override { m_dwLastPos = dwRecordPos; }
    void ToggleActivityLamp() override { m_bLamp = !m_bLamp; }
    void OnLinkLost(LinkLoss) override {}
    ChannelPicture* ChannelSlots() override { return m_slots; }
    void DrawChannel(uint8_t) override {}

    ChannelPicture m_slots[kChannelCount];

    uint32_t m_dwLastPos = 0;
    bool m_bLamp = false;
};

class StreamingFactory final : public SocketFactory {
public:
    std::unique_ptr<StreamSocket> Create(StreamSocketEvents&) override
    {
        auto p = std::make_unique<StreamingSocket>();
        pSocket = p.get();
        return p;
    }
    StreamingSocket* pSocket = nullptr;
};

void BM_LinkFraming(benchmark::State& state)
{
    FlagTimers timers;
    StreamingFactory sockets;
    FakeFileStore files;
    RecordingNotifier notifier;
    QuietView view;
    CDvrLink link({&timers, sockets, files, notifier}, &view);
    size_t nPictures = 0;
    uint8_t byCheck = 0;
    link.SetImageCompletion([&](bool) {
        ++nPictures;
        byCheck ^= link.ImagePayload()[link.ExpectedSize() - 1]; // touch the payload, as a decoder would
    });
    link.Connect("127.0.0.1", 8000);
    link.OnSocketConnected(true);

    const size_t nStream = Stream().size();
    for (auto _ : state) {
        const size_t nStart = sockets.pSocket->m_nBytes;
        while (sockets.pSocket->m_nBytes - nStart < nStream)
            link.OnSocketReadable();
    }
    benchmark::DoNotOptimize(byCheck);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * nStream));
    state.counters["pictures"] = benchmark::Counter(static_cast<double>(nPictures), benchmark::Counter::kIsRate);
    if (nPictures < kPackets * static_cast<size_t>(state.iterations()) - 1)
        state.SkipWithError("pictures were lost");
}
BENCHMARK(BM_LinkFraming);

void BM_PlainMemcpy(benchmark::State& state)
{
    // The same bytes copied once, in the same read sizes, into a 20 KB destination.
    const auto& stream = Stream();
    std::vector<uint8_t> target(kPayloadBytes + kMinPacketBytes);
    for (auto _ : state) {
        size_t nPos = 0, nTarget = 0, nRead = 0;
        while (nPos < stream.size()) {
            const size_t n = std::min({kReadSizes[nRead++ % std::size(kReadSizes)], stream.size() - nPos,
                                       target.size() - nTarget});
            std::memcpy(target.data() + nTarget, stream.data() + nPos, n);
            nPos += n;
            nTarget = (nTarget + n) % target.size();
        }
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * stream.size()));
}
BENCHMARK(BM_PlainMemcpy);

} // namespace

BENCHMARK_MAIN();
