#pragma once

// A CRecorderSession on fakes: its own folder, a fake clock and socket, settings in memory.

#include "fakes/fake_clock.h"
#include "fakes/fake_file_store.h"
#include "fakes/fake_socket.h"
#include "fakes/memory_settings_store.h"
#include "fakes/packet_maker.h"
#include "fakes/recording_notifier.h"
#include "session/recorder_session.h"

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace ostrel::test {

struct SessionRig {
    using Bytes = std::vector<uint8_t>;

    SessionRig()
    {
        std::string strTemplate = (std::filesystem::temp_directory_path() / "ostrel-session-XXXXXX").string();
        if (::mkdtemp(strTemplate.data()) == nullptr)
            throw std::runtime_error("no temporary folder");
        root = strTemplate;
        places = {(root / "bin").string(), (root / "data").string()};
        workDir = (root / "work").string();
        std::filesystem::create_directories(places.strProgramDir);
        std::filesystem::create_directories(workDir);
        sockets.pClock = &clock;
    }
    ~SessionRig()
    {
        pSession.reset();
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }

    // As the live view does at start-up: settings loaded, layout applied.
    CRecorderSession& MakeSession(LiveWindow* pLive, bool bLoad = true)
    {
        pSession = std::make_unique<CRecorderSession>(
            SessionServices{timers, sockets, files, notifier, store, places, workDir});
        pSession->SetLiveWindow(pLive);
        if (bLoad) {
            pSession->Load();
            pSession->ApplyLayout();
        }
        return *pSession;
    }
    CRecorderSession& Session() { return *pSession; }
    FakeSocket& Socket() { return *sockets.Last(); }
    FakeTimerService& Timers() { return timers.Made(0); }

    // Connected and logged in, the login's waits passed: live pictures are asked for.
    void LogIn(std::string_view magic = wire::kMagicV12, uint32_t dwChannelInfo = 16)
    {
        if (!Session().Connect())
            throw std::runtime_error("the connect did not start");
        Socket().CompleteConnect(true);
        Socket().Deliver(MakePacket(wire::DATATYPE_LOGIN_REPLY, {1, dwChannelInfo}, {}, magic));
        clock.Advance(CDvrLink::kLoginKeyWaitMs + CDvrLink::kLoginStatusWaitMs);
    }
    size_t Mark() const { return sockets.allSent.size(); }
    std::vector<Bytes> SentSince(size_t nFrom) const
    {
        return {sockets.allSent.begin() + static_cast<std::ptrdiff_t>(nFrom), sockets.allSent.end()};
    }

    std::filesystem::path root;
    SettingsPlaces places;
    std::string workDir;
    FakeClock clock;
    FakeTimerFactory timers{clock};
    FakeSocketFactory sockets;
    FakeFileStore files;
    RecordingNotifier notifier;
    MemorySettingsStore store;
    std::unique_ptr<CRecorderSession> pSession;
};

} // namespace ostrel::test
