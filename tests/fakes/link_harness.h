#pragma once

#include "fakes/fake_clock.h"
#include "fakes/fake_file_store.h"
#include "fakes/fake_link_listeners.h"
#include "fakes/fake_socket.h"
#include "fakes/packet_maker.h"
#include "fakes/recording_notifier.h"
#include "link/dvr_link.h"

#include <memory>

namespace ostrel::test {

// A CDvrLink wired to fakes: a socket the test plays the recorder on, timers on a fake clock,
// files in memory, a recording view and archive dialog.
struct LinkHarness {
    FakeClock clock;
    FakeSocketFactory sockets;
    FakeFileStore files;
    RecordingNotifier notifier;
    FakeLinkView view;
    FakeLinkArchive archive;
    FakeTimerFactory timers{clock};
    std::unique_ptr<CDvrLink> pLink;

    explicit LinkHarness(bool bWithView = true)
    {
        pLink = std::make_unique<CDvrLink>(CDvrLink::Services{timers, sockets, files, notifier},
                                           bWithView ? &view : nullptr);
        sockets.pClock = &clock;
        // The view answers a lost link with its disconnect command, as the real one does.
        view.onLinkLost = [this](LinkLoss) { DisconnectButton(); };
    }
    // The archive's parts, as the session registers them.
    void RegisterArchive() { pLink->RegisterArchive(&archive, &archive, &archive); }

    CDvrLink& Link() { return *pLink; }
    FakeSocket& Socket() { return *sockets.Last(); }
    FakeTimerService& Timers() { return timers.Made(0); }

    // Connect and let the TCP connection stand: the login request goes out.
    void ConnectTcp()
    {
        pLink->Connect(view.strHost, view.wPort);
        view.byConnectState = 2;
        sockets.Last()->CompleteConnect(true);
    }
    // ConnectTcp, then an accepting login reply and the deferred steps: live streaming.
    void LogIn(std::string_view magic = wire::kMagicV12, uint32_t dwChannelInfo = 16)
    {
        ConnectTcp();
        Socket().Deliver(MakePacket(wire::DATATYPE_LOGIN_REPLY, {1, dwChannelInfo}, {}, magic));
        clock.Advance(CDvrLink::kLoginKeyWaitMs + CDvrLink::kLoginStatusWaitMs);
    }
    // The view's disconnect command: what OnDisconnectButton does to the link.
    void DisconnectButton()
    {
        if (view.byConnectState != 0) {
            view.byConnectState = 0;
            pLink->Disconnect(true);
        }
    }
    // Data type of every request sent so far, in order.
    std::vector<uint32_t> SentTypes() const
    {
        std::vector<uint32_t> types;
        for (const auto& packet : sockets.allSent)
            types.push_back(packet.size() >= wire::kHeaderBytes ? wire::GetLe32(packet.data() + 24) : 0);
        return types;
    }
    // Moments at which requests of one data type were sent.
    std::vector<int64_t> SentAt(uint32_t dwDataType) const
    {
        std::vector<int64_t> at;
        for (size_t i = 0; i < sockets.allSent.size(); ++i)
            if (wire::GetLe32(sockets.allSent[i].data() + 24) == dwDataType)
                at.push_back(sockets.allSentAtMs[i]);
        return at;
    }
};

} // namespace ostrel::test
