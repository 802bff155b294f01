// Framing and reassembly of a stream of 20 KB picture packets, delivered in reads of varying
// size, beside a plain memcpy of the same bytes in the same run. The decoder is stubbed.
#include "common/link_bench_support.h"
#include "fakes/fake_file_store.h"
#include "fakes/packet_maker.h"
#include "fakes/recording_notifier.h"
#include "link/dvr_link.h"

#include <benchmark/benchmark.h>

#include <cstring>

using namespace ostrel;
using namespace ostrel::test;
using namespace ostrel::wire;
using namespace ostrel::bench;

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

void BM_LinkFraming(benchmark::State& state)
{
    FlagTimerFactory timers;
    StreamingFactory sockets(Stream(), {std::begin(kReadSizes), std::end(kReadSizes)});
    FakeFileStore files;
    RecordingNotifier notifier;
    QuietView view;
    CDvrLink link({timers, sockets, files, notifier}, &view);
    size_t nPictures = 0;
    uint8_t byCheck = 0;
    link.SetImageCompletion([&](const CompletedPayload& payload) {
        ++nPictures;
        byCheck ^= payload.pData[payload.nBytes - 1]; // touch the payload, as a decoder would
    });
    link.Connect("127.0.0.1", 8000);
    static_cast<StreamSocketEvents&>(link).OnSocketConnected(true);

    const size_t nStream = Stream().size();
    for (auto _ : state) {
        const size_t nStart = sockets.pSocket->m_nBytes;
        while (sockets.pSocket->m_nBytes - nStart < nStream)
            static_cast<StreamSocketEvents&>(link).OnSocketReadable();
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
