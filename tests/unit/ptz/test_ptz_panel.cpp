// The PTZ panel with the real session and link on a fake socket and a fake clock, its command
// files on disk: which bytes go on the wire, and when, for presses, holds and releases. The
// view's keys and buttons in front of it are the GUI tests'.
#include "ptz/ptz_panel.h"

#include "fakes/fake_clock.h"
#include "fakes/fake_socket.h"
#include "fakes/hostile_files.h"
#include "fakes/memory_settings_store.h"
#include "fakes/packet_maker.h"
#include "fakes/recording_notifier.h"
#include "platform/file_store.h"
#include "session/recorder_session.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace ostrel;
using namespace ostrel::test;

namespace {

using Bytes = std::vector<uint8_t>;
using Sends = std::vector<std::pair<int64_t, Bytes>>; // ms after the mark, request

constexpr int kUp = 1324, kLeft = 1326, kDown = 1328, kRight = 1330, kZoomIn = 1332, kZoomOut = 1033;

// The PTZ request with the payload, spelt out: the 28-byte header ("DVR PACKET1.2", total length,
// packet type 3, data type 0x1037), P0 = 2, P1 = the payload's length, then the payload.
Bytes Request(const Bytes& payload)
{
    Bytes b = {'D', 'V', 'R', ' ', 'P', 'A', 'C', 'K', 'E', 'T', '1', '.', '2', 0, 0, 0, static_cast<uint8_t>(60 + payload.size()),
               0, 0, 0, 3, 0, 0, 0, 0x37, 0x10, 0, 0, 2, 0, 0, 0, static_cast<uint8_t>(payload.size()), 0, 0, 0};
    b.resize(60, 0);
    b.insert(b.end(), payload.begin(), payload.end());
    return b;
}
// The command the test files hold for camera c (1-based) and slot s.
Bytes Ptz(int c, int s)
{
    return Request({0xFF, static_cast<uint8_t>(c), static_cast<uint8_t>(s)});
}

class PtzPanelTest : public ::testing::Test {
protected:
    // Settings loaded, then the PTZ table, as the view starts; logged in with a command file of
    // the thirteen panel slots of these cameras.
    void Start()
    {
        fs::create_directories(fs::path(workDir) / "ini");
        pPanel.reset();
        pSession = std::make_unique<CRecorderSession>(SessionServices{timers, sockets, files, notifier, store, places, workDir});
        pSession->Load();
        pPanel = std::make_unique<CPtzPanel>(*pSession, PtzPanelServices{timers, files, notifier});
        pPanel->LoadPtzTable();
    }
    void StartLoggedIn(std::initializer_list<int> cameras = {1, 3})
    {
        std::string strText;
        for (int c : cameras) {
            strText += "<" + std::to_string(c) + ">\r\n";
            for (int s = 0; s < 13; ++s)
                strText += "CMD/3/ff/" + std::to_string(c) + "/" + "0123456789abc"[s] + "\r\n";
        }
        fs::create_directories(fs::path(workDir) / "PTZ");
        PutBytes(fs::path(workDir) / "PTZ" / "pelcoP.tl", strText);
        Start();
        sockets.pClock = &clock;
        ASSERT_TRUE(pSession->Connect());
        sockets.Last()->CompleteConnect(true);
        sockets.Last()->Deliver(MakePacket(wire::DATATYPE_LOGIN_REPLY, {1, 16}));
        clock.Advance(CDvrLink::kLoginKeyWaitMs + CDvrLink::kLoginStatusWaitMs);
        Mark();
    }
    void Tap(int nKey, int nHeldMs)
    {
        pPanel->OnPtzKey(nKey, true);
        clock.Advance(nHeldMs);
        pPanel->OnPtzKey(nKey, false);
    }
    void Mark()
    {
        m_nFrom = sockets.allSent.size();
        m_nMarkMs = clock.TickMs();
    }
    // PTZ requests (data type 0x1037) since the mark, and when: the link's own are left out.
    Sends Sent() const
    {
        Sends sent;
        for (size_t i = m_nFrom; i < sockets.allSent.size(); ++i)
            if (sockets.allSent[i].size() >= 28 && sockets.allSent[i][24] == 0x37 && sockets.allSent[i][25] == 0x10)
                sent.emplace_back(sockets.allSentAtMs[i] - m_nMarkMs, sockets.allSent[i]);
        return sent;
    }

    const fs::path root = fs::current_path() / "ptz" / ::testing::UnitTest::GetInstance()->current_test_info()->name();
    const std::string workDir = (root / "work").string();
    SettingsPlaces places{(root / "bin").string(), (root / "data").string()};
    FakeClock clock;
    FakeTimerFactory timers{clock};
    FakeSocketFactory sockets;
    LocalFileStore files;
    RecordingNotifier notifier;
    MemorySettingsStore store;
    std::unique_ptr<CRecorderSession> pSession;
    std::unique_ptr<CPtzPanel> pPanel;
    size_t m_nFrom = 0;
    int64_t m_nMarkMs = 0;
};

} // namespace

// A move at the press and every 70 ms while held; the stop at the release and on four ticks 70
// ms apart. A press cancels the pending stops only once the stop timer has ticked.
TEST_F(PtzPanelTest, KeysSendTheSelectedCamerasCommandsAtTheirTimes)
{
    StartLoggedIn();
    Tap(kUp, 30);
    clock.Advance(2000);
    EXPECT_EQ((Sends{{0, Ptz(1, 3)}, {30, Ptz(1, 0)}, {100, Ptz(1, 0)}, {170, Ptz(1, 0)}, {240, Ptz(1, 0)}, {310, Ptz(1, 0)}}),
              Sent());

    // Pressed again before the first stop tick: the four stop ticks go on between the repeats.
    Mark();
    Tap(kUp, 10);
    clock.Advance(30);
    pPanel->OnPtzKey(kRight, true);
    clock.Advance(300);
    EXPECT_EQ((Sends{{0, Ptz(1, 3)}, {10, Ptz(1, 0)}, {40, Ptz(1, 2)}, {80, Ptz(1, 0)}, {110, Ptz(1, 2)}, {150, Ptz(1, 0)},
                     {180, Ptz(1, 2)}, {220, Ptz(1, 0)}, {250, Ptz(1, 2)}, {290, Ptz(1, 0)}, {320, Ptz(1, 2)}}),
              Sent());
    pPanel->OnPtzKey(kRight, false);
    clock.Advance(1000);

    // Pressed after one stop tick: no stop follows until this key is released.
    Mark();
    Tap(kUp, 10);
    clock.Advance(80);
    pPanel->OnPtzKey(kZoomIn, true);
    clock.Advance(200);
    EXPECT_EQ((Sends{{0, Ptz(1, 3)}, {10, Ptz(1, 0)}, {80, Ptz(1, 0)}, {90, Ptz(1, 9)}, {160, Ptz(1, 9)}, {230, Ptz(1, 9)}}),
              Sent());
    pPanel->OnPtzKey(kZoomIn, false);

    // Camera 3 (the channel key steps back from 1 to 16, 15, ...); cameras 9 to 16 have none.
    for (int nCamera : {3, 9}) {
        while (pSession->Layout().PtzChannel() != nCamera - 1)
            pSession->OnPtzChannelKey(13, true);
        clock.Advance(1000);
        Mark();
        Tap(kZoomOut, 20);
        clock.Advance(1000);
        const Sends expected = {{0, Ptz(3, 10)}, {20, Ptz(3, 0)}, {90, Ptz(3, 0)}, {160, Ptz(3, 0)}, {230, Ptz(3, 0)}, {300, Ptz(3, 0)}};
        EXPECT_EQ(nCamera == 3 ? expected : Sends{}, Sent()) << "camera " << nCamera;
    }
}

TEST_F(PtzPanelTest, TheIntervalsOfOptIniTimeTheRepeatsAndTheStops)
{
    fs::create_directories(fs::path(workDir) / "ini");
    PutBytes(fs::path(workDir) / "ini" / "opt.ini", "[PTZ_CMD_INTERVAL]\r\nCMD=100\r\nSTOP=250\r\n");
    StartLoggedIn();
    Tap(kLeft, 350);
    clock.Advance(2000);
    const Bytes stop = Ptz(1, 0);
    EXPECT_EQ((Sends{{0, Ptz(1, 1)}, {100, Ptz(1, 1)}, {200, Ptz(1, 1)}, {300, Ptz(1, 1)}, {350, stop}, {600, stop},
                     {850, stop}, {1100, stop}, {1350, stop}}),
              Sent());
}

// A missing file is made empty and reported once, with the user command file saved as the path
// (then set back). A type change reloads the table, and nothing of the old type's stays.
TEST_F(PtzPanelTest, AMissingCommandFileIsMadeAndReportedOnceAndATypeChangeReloads)
{
    store.ints["Ptz Type"] = 0;
    fs::create_directories(fs::path(workDir) / "PTZ");
    Start();
    const std::string strFile = workDir + "/PTZ/pelcoD.tl";
    EXPECT_EQ((std::vector<std::string>{"Ostrel: Can't not open file!!"}), notifier.messages);
    EXPECT_EQ("", GetBytes(strFile));
    EXPECT_EQ(workDir + "/PTZ/user_command.tl", store.texts.at("Ptz File Path")) << "what was saved";
    EXPECT_EQ(strFile, pSession->PtzFile());
    EXPECT_TRUE(pPanel->ReloadPtzTableIfTypeChanged()) << "the first OK reloads whatever the type";
    EXPECT_EQ(1u, notifier.messages.size()) << "the next load finds the (empty) file";

    PutBytes(strFile, "<1>\nSTOP/2/d0/d1\nLEFT/1/d2\n");
    store.ints["Ptz Type"] = 1;
    StartLoggedIn({1, 2});
    EXPECT_TRUE(pPanel->ReloadPtzTableIfTypeChanged());
    EXPECT_FALSE(pPanel->ReloadPtzTableIfTypeChanged());
    pSession->Settings().byPtzType = 0;
    EXPECT_TRUE(pPanel->ReloadPtzTableIfTypeChanged());
    Tap(kLeft, 10);
    Tap(kUp, 10); // no up in the new file
    pSession->OnPtzChannelKey(13, true);
    Tap(kDown, 10); // nor any camera 16, and the stop ticks now go to it
    clock.Advance(1000);
    EXPECT_EQ((Sends{{0, Request({0xD2})}, {10, Request({0xD0, 0xD1})}, {20, Request({0xD0, 0xD1})}}), Sent());
    EXPECT_EQ(1u, notifier.messages.size());
}
