// The recorder link as the network feeds it: the fuzzer's bytes are the recorder's stream,
// cut into socket reads of the fuzzer's sizes, with the fuzzer's pauses between them on the
// fake clock. Framing, dispatch, reassembly and the real picture completion (decode, channel
// check, pool) all run; the view and the archive are the recording fakes.
//
// Input: a settings byte, four shown-size bytes, a count K of cuts, K cut words, the stream.
//   settings: bit 0 archive registered, bit 1 archive active, bit 2 single view, bit 3 view absent
//   shown size: width and height of every live and play cell (0 = full size)
//   cut word: low 14 bits the read's size (0 = the rest), top 2 bits the pause after it
//   (0, 200, 5000 or 30000 ms), taken in turn until the stream is used up.
#include "fuzz_support.h"

#include "fakes/link_harness.h"

#include <vector>

using namespace ostrel;
using ostrel::fuzz::InputReader;

namespace {

constexpr int64_t kPausesMs[4] = {0, 200, CDvrLink::kImageWatchdogMs, CDvrLink::kStatusPollMs};
constexpr size_t kMaxCuts = 64;

// What any picture the link hands out must satisfy.
void CheckPicture(const Picture& picture)
{
    if (!picture)
        return;
    FUZZ_CHECK(int64_t{picture.SourceWidth()} * picture.SourceHeight() <= CImageCodec::kMaxPixels);
    fuzz::CheckPictureLayout(picture.Header(), picture.Bits(), ScaledDimension(picture.SourceWidth(), picture.ScaleDenominator()),
                             ScaledDimension(picture.SourceHeight(), picture.ScaleDenominator()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    InputReader in(pData, nSize);
    const uint8_t bySettings = in.Byte();
    const uint16_t wShownWidth = in.Le16() & 0x3FF;
    const uint16_t wShownHeight = in.Le16() & 0x3FF;
    std::vector<uint16_t> cuts(std::min<size_t>(in.Byte(), kMaxCuts));
    for (uint16_t& wCut : cuts)
        wCut = in.Le16();

    test::LinkHarness h((bySettings & 8) == 0);
    if (bySettings & 1)
        h.RegisterArchive();
    h.archive.bActive = (bySettings & 2) != 0;
    if (bySettings & 4)
        h.view.wSingleCh = 3;
    const ShownSize shown{wShownWidth, wShownHeight};
    for (int nChannel = 0; nChannel < kChannelCount; ++nChannel) {
        h.Link().Pictures().SetShownSize(wire::REQ_LIVE, nChannel, shown);
        h.Link().Pictures().SetShownSize(wire::REQ_PLAY, nChannel, shown);
    }
    h.ConnectTcp();

    const uint8_t* pStream = in.Rest();
    size_t nLeft = in.Remaining();
    size_t nCut = 0;
    while (nLeft > 0) {
        const uint16_t wCut = cuts.empty() ? 0 : cuts[nCut++ % cuts.size()];
        size_t nRead = wCut & 0x3FFF;
        if (nRead == 0 || nRead > nLeft)
            nRead = nLeft;
        // A lost link was closed by the view; a reconnection's socket waits for its connect.
        if (!h.sockets.Last())
            h.ConnectTcp();
        test::FakeSocket* pSocket = h.sockets.Last();
        if (pSocket && !pSocket->m_bConnected && pSocket->m_bConnectStarted)
            pSocket->CompleteConnect(true);
        if ((pSocket = h.sockets.Last()) != nullptr && pSocket->m_bConnected)
            pSocket->Deliver(std::vector<uint8_t>(pStream, pStream + nRead));
        pStream += nRead;
        nLeft -= nRead;
        h.clock.Advance(kPausesMs[wCut >> 14]);

        FUZZ_CHECK(h.Link().Probe().nCollected <= h.Link().Probe().nImageBufferCapacity);
        FUZZ_CHECK(h.Link().Probe().nCollected <= h.Link().Probe().nExpected || h.Link().Probe().nExpected == 0);
    }
    h.clock.Advance(CDvrLink::kImageWatchdogMs);

    for (const Picture& picture : h.view.pictures)
        CheckPicture(picture);
    for (const Picture& picture : h.archive.pictures)
        CheckPicture(picture);
    for (uint8_t byChannel : h.view.drawn)
        FUZZ_CHECK(byChannel < kChannelCount);
    for (const auto& sent : h.sockets.allSent)
        FUZZ_CHECK(sent.size() >= wire::kMinPacketBytes && sent.size() <= CDvrLink::kSendBytes);
    return 0;
}
