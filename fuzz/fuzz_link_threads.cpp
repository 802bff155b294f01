// The recorder link with its decoder threads on: pictures are decoded on real threads and come
// back through the link's own completion rules when the fuzz thread, standing in for the
// user-interface thread, runs the wake-up they rang (a fake wake-up: nothing runs by itself).
// The fuzzer plays the recorder and the operator with a list of steps; the pictures it sends
// are made here, each a flat colour that names it, so that every picture handed out can be
// traced to the one sent.
//
// Input: a settings byte, then steps until the input ends (at most kMaxSteps).
//   settings: bit 0 two decoder threads (else one), bit 1 the old protocol's magic, bits 2-3
//   the login reply's channel word (8 or 1: the header names the channel; 16 or 4: the
//   picture's painted code must agree, which a flat picture never does).
//   step: a byte whose low 3 bits say what, the high 5 bits an argument, then its own bytes:
//     0 live picture: channel byte, split byte (0: one read, else where the second read starts)
//     1 play picture: channel byte, split byte
//     2 raw bytes from the recorder: a length byte and that many bytes, one read
//     3 the operator's state: a byte (bit 0 archive open, bit 1 searching), a 16-bit live mask
//     4 the user-interface thread's turn: wait for the threads, then run the wake-ups rung
//     5 run the wake-ups rung without waiting for the threads
//     6 the clock moves on 0, 200, 5000 or 30000 ms (argument bits 0-1)
//     7 a command (argument bits 0-2): disconnect, stop, play, live, threads off and on again,
//       the recorder's stop reply, a channel's shown size (channel, width, height bytes),
//       threads off
//   A picture or raw step on a link without a connection connects and logs in first.
//
// Oracles: every picture handed out is in bounds; it is one that was sent (by its colour; only
// raw bytes can bring one made elsewhere), sent on the connection it is handed out on, never
// after a later one of the same stream and channel, and, without raw bytes in the stream, on
// the stream and channel it was sent to; once the fuzz thread takes every result at the end,
// the stream drains; every request sent is 60..1024 bytes.
#include "fuzz_support.h"

#include "fakes/fake_ui_wakeup.h"
#include "fakes/link_harness.h"
#include "link/jpeg_writer.h"

#include <array>
#include <cstdlib>
#include <vector>

using namespace ostrel;
using namespace ostrel::wire;
using ostrel::fuzz::InputReader;

namespace {

constexpr size_t kMaxSteps = 256;
constexpr int kMaxPictures = 512; // 8 levels in each of 3 colours
constexpr int64_t kPausesMs[4] = {0, 200, CDvrLink::kImageWatchdogMs, CDvrLink::kStatusPollMs};
constexpr uint8_t kChannelWords[4] = {8, 1, 16, 4};
constexpr int kLevelStep = 32;
constexpr int kLevelSlack = 10; // a flat colour comes back from the codec within a few steps

int Level(int nId, int nShift)
{
    return 16 + kLevelStep * (nId >> nShift & 7);
}

// The flat 32 x 16 picture whose blue, green and red levels spell nId in base 8.
const std::vector<uint8_t>& PictureJpeg(int nId)
{
    static std::array<std::vector<uint8_t>, kMaxPictures> cache;
    std::vector<uint8_t>& jpeg = cache[static_cast<size_t>(nId)];
    if (jpeg.empty()) {
        std::vector<uint8_t> rgb(32u * 16u * 3u);
        for (size_t i = 0; i < rgb.size(); i += 3) {
            rgb[i] = static_cast<uint8_t>(Level(nId, 6));
            rgb[i + 1] = static_cast<uint8_t>(Level(nId, 3));
            rgb[i + 2] = static_cast<uint8_t>(Level(nId, 0));
        }
        FUZZ_CHECK(EncodeJpeg(rgb.data(), 32, 16, 32 * 3, 90, jpeg));
    }
    return jpeg;
}

// The picture's id from its first pixel (stored B, G, R), or -1 when no id has that colour.
int IdOf(const Picture& picture)
{
    const uint8_t* p = picture.Bits();
    int nId = 0;
    for (int i = 0; i < 3; ++i) {
        const int nLevel = (p[i] - 16 + kLevelStep / 2) / kLevelStep;
        if (p[i] < 16 - kLevelSlack || nLevel > 7 || std::abs(p[i] - (16 + kLevelStep * nLevel)) > kLevelSlack)
            return -1;
        nId |= nLevel << (3 * i); // blue holds the lowest digit
    }
    return nId;
}

void CheckLayout(const Picture& picture)
{
    FUZZ_CHECK(int64_t{picture.SourceWidth()} * picture.SourceHeight() <= CImageCodec::kMaxPixels);
    fuzz::CheckPictureLayout(picture.Header(), picture.Bits(),
                             ScaledDimension(picture.SourceWidth(), picture.ScaleDenominator()),
                             ScaledDimension(picture.SourceHeight(), picture.ScaleDenominator()));
}

// The archive's side, which also reports each play picture as it is handed out.
class TracingArchive final : public test::FakeLinkArchive {
public:
    std::function<void(uint8_t, const Picture&)> onPicture;
    void OnPlayImage(uint8_t byChannel, const Picture& picture) override
    {
        onPicture(byChannel, picture);
        FakeLinkArchive::OnPlayImage(byChannel, picture);
    }
};

struct Sent {
    int nStream = 0; // 0 live, 1 play
    int nChannel = 0;
    int nConnection = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    InputReader in(pData, nSize);
    const uint8_t bySettings = in.Byte();
    const int nThreads = 1 + (bySettings & 1);
    const bool bOldProtocol = (bySettings & 2) != 0;
    const std::string_view magic = bOldProtocol ? kMagicV10 : kMagicV12;
    const uint32_t dwChannelWord = kChannelWords[bySettings >> 2 & 3];
    // Every picture to the threads, or this thread's decode between them while few bytes wait.
    const size_t nInlineBytes = (bySettings & 16) != 0 ? 0 : 4096;

    test::FakeUiWakeupFactory wakeups; // outlives the link, whose threads ring it
    TracingArchive archive;
    test::LinkHarness h;
    h.Link().RegisterArchive(&archive, &archive, &archive);
    h.Link().SetDecodeThreads(nThreads, &wakeups, nInlineBytes);

    std::vector<Sent> sent;
    bool bRawSent = false;
    int nLastId[2][kChannelCount];
    for (auto& stream : nLastId)
        for (int& nId : stream)
            nId = -1;

    auto delivered = [&](int nStream, uint8_t byChannel, const Picture& picture) {
        if (!picture)
            return;
        FUZZ_CHECK(byChannel < kChannelCount);
        CheckLayout(picture);
        const int nId = IdOf(picture);
        if (nId < 0) {
            FUZZ_CHECK(bRawSent); // only the fuzzer's own bytes can hold a picture not made here
            return;
        }
        FUZZ_CHECK(static_cast<size_t>(nId) < sent.size());
        const Sent& s = sent[static_cast<size_t>(nId)];
        FUZZ_CHECK(h.sockets.Last() != nullptr && s.nConnection == h.sockets.nCreated);
        if (!bRawSent)
            FUZZ_CHECK(s.nStream == nStream && s.nChannel == byChannel);
        FUZZ_CHECK(nId > nLastId[nStream][byChannel]);
        nLastId[nStream][byChannel] = nId;
    };
    h.view.onPicture = [&](uint8_t byChannel, const Picture& picture) { delivered(0, byChannel, picture); };
    archive.onPicture = [&](uint8_t byChannel, const Picture& picture) { delivered(1, byChannel, picture); };

    auto connected = [&]() -> test::FakeSocket* {
        test::FakeSocket* pSocket = h.sockets.Last();
        if (pSocket && pSocket->m_bConnected)
            return pSocket;
        if (!pSocket)
            h.ConnectTcp();
        else if (pSocket->m_bConnectStarted)
            pSocket->CompleteConnect(true);
        pSocket = h.sockets.Last();
        if (!pSocket || !pSocket->m_bConnected)
            return nullptr;
        pSocket->Deliver(test::MakePacket(DATATYPE_LOGIN_REPLY, {1, dwChannelWord}, {}, magic));
        h.clock.Advance(CDvrLink::kLoginKeyWaitMs + CDvrLink::kLoginStatusWaitMs);
        return h.sockets.Last();
    };
    // Waits until the threads have decoded everything handed to them.
    auto waitDecoded = [&] {
        for (;;) {
            const uint64_t nRings = wakeups.Rings(); // before the look, so no ring is missed
            if (h.Link().Pictures().Undecoded() == 0)
                return;
            FUZZ_CHECK(wakeups.WaitForRingAfter(nRings, 20000)); // else a decode never finished
        }
    };
    auto sendPicture = [&](int nStream, uint8_t byChannel, uint8_t bySplit) {
        if (sent.size() >= static_cast<size_t>(kMaxPictures))
            return;
        test::FakeSocket* pSocket = connected();
        if (!pSocket)
            return;
        const int nId = static_cast<int>(sent.size());
        const std::vector<uint8_t>& jpeg = PictureJpeg(nId);
        std::vector<uint8_t> packet;
        if (nStream == 0) {
            packet = test::MakePacket(DATATYPE_LIVE_IMAGE, {0, 0, 0, byChannel + 1u}, jpeg, magic);
        } else {
            // The old protocol names the channel (0-based) in the low byte of the first word,
            // the new one (1-based) in its top byte, before the date.
            const uint32_t dwP0 = bOldProtocol ? byChannel : (byChannel + 1u) << 24 | 2026u << 8 | 12u;
            packet = test::MakePacket(DATATYPE_PLAY_IMAGE, {dwP0, 0x110D2D0A, 0, PLAY_IMAGE_FOLLOWS, 5000}, jpeg, magic);
        }
        sent.push_back({nStream, byChannel, h.sockets.nCreated});
        const size_t nSplit = bySplit == 0 ? packet.size() : 1 + bySplit * (packet.size() - 1) / 256;
        if (nSplit >= packet.size())
            pSocket->Deliver(packet);
        else
            pSocket->Deliver({std::vector<uint8_t>(packet.begin(), packet.begin() + static_cast<long>(nSplit)),
                              std::vector<uint8_t>(packet.begin() + static_cast<long>(nSplit), packet.end())});
    };

    for (size_t nStep = 0; nStep < kMaxSteps && in.Remaining() > 0; ++nStep) {
        const uint8_t byStep = in.Byte();
        const int nArg = byStep >> 3;
        switch (byStep & 7) {
        case 0:
        case 1: {
            const uint8_t byChannel = in.Byte() & 15;
            sendPicture(byStep & 7, byChannel, in.Byte());
            break;
        }
        case 2: {
            const std::string_view bytes = in.Text(255);
            bRawSent = true;
            test::FakeSocket* pSocket = bytes.empty() ? nullptr : connected();
            if (pSocket)
                pSocket->Deliver(std::vector<uint8_t>(bytes.begin(), bytes.end()));
            break;
        }
        case 3: {
            const uint8_t byState = in.Byte();
            archive.bActive = (byState & 1) != 0;
            archive.bSearching = (byState & 2) != 0;
            h.view.dwLiveChMask = in.Le16();
            break;
        }
        case 4:
            waitDecoded();
            wakeups.RunRung();
            break;
        case 5:
            wakeups.RunRung();
            break;
        case 6:
            h.clock.Advance(kPausesMs[nArg & 3]);
            break;
        default:
            switch (nArg & 7) {
            case 0:
                h.DisconnectButton();
                break;
            case 1:
                h.Link().SendRequest(REQ_STOP, true);
                break;
            case 2:
                h.Link().SendPlay(PlayRequest{0, 0, 0x00010100}, true);
                break;
            case 3:
                h.Link().SendRequest(REQ_LIVE, true);
                break;
            case 4:
                h.Link().SetDecodeThreads(0, nullptr);
                h.Link().SetDecodeThreads(nThreads, &wakeups, nInlineBytes);
                break;
            case 5:
                if (test::FakeSocket* pSocket = h.sockets.Last(); pSocket && pSocket->m_bConnected)
                    pSocket->Deliver(test::MakePacket(DATATYPE_STOP_REPLY, {}, {}, magic));
                break;
            case 6: {
                const int nChannel = in.Byte() & 15;
                const ShownSize shown{in.Byte(), in.Byte()};
                h.Link().Pictures().SetShownSize(REQ_LIVE, nChannel, shown);
                h.Link().Pictures().SetShownSize(REQ_PLAY, nChannel, shown);
                break;
            }
            default:
                h.Link().SetDecodeThreads(0, nullptr);
                break;
            }
            break;
        }
    }

    // The user-interface thread takes every result back; reading held for them goes on.
    for (int nRound = 0;; ++nRound) {
        waitDecoded();
        wakeups.RunRung();
        test::FakeSocket* pSocket = h.sockets.Last();
        if (h.Link().Pictures().Outstanding() == 0 && (!pSocket || pSocket->Unread() == 0))
            break;
        FUZZ_CHECK(nRound < 4 * kMaxPictures); // the stream never drained
    }
    for (const auto& packet : h.sockets.allSent)
        FUZZ_CHECK(packet.size() >= kMinPacketBytes && packet.size() <= CDvrLink::kSendBytes);
    return 0;
}
