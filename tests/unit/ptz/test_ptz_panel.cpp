// The PTZ panel with the real session and link on a fake socket and a fake clock, its command
// files on disk: which bytes go on the wire, and when, for presses, holds and releases. The
// view's keys and buttons in front of it are the GUI tests'.
#include "ptz/ptz_panel.h"

#include "fakes/fake_clock.h"
#include "fakes/fake_socket.h"
#include "fakes/memory_settings_store.h"
#include "fakes/packet_maker.h"
#include "fakes/recording_notifier.h"
#include "platform/file_store.h"
#include "session/recorder_session.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
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

// The command a test file holds for camera c (1-based) and slot s: 7 bytes, easy to tell apart.
Bytes Command(int c, int s)
{
    return {0xFF, static_cast<uint8_t>(c), 0x00, static_cast<uint8_t>(s), 0x20, 0x20, static_cast<uint8_t>(c + s + 0x40)};
}

// A command file with the thirteen panel slots of the given cameras.
std::string CommandFile(std::initializer_list<int> cameras)
{
    std::string strText;
    for (int c : cameras) {
        strText += "<" + std::to_string(c) + ">\r\n";
        for (int s = 0; s < 13; ++s) {
            strText += "CMD/7";
            for (uint8_t b : Command(c, s)) {
                char field[8];
                std::snprintf(field, sizeof field, "/%x", b);
                strText += field;
            }
            strText += "/\r\n";
        }
    }
    return strText;
}

// The PTZ request with the payload, spelt out: the 28-byte header ("DVR PACKET1.2", total length,
// packet type 3, data type 0x1037), P0 = 2, P1 = the payload's length, then the payload.
Bytes PtzPacket(const Bytes& payload)
{
    const uint32_t dwTotal = static_cast<uint32_t>(60 + payload.size());
    Bytes b = {'D', 'V', 'R', ' ', 'P', 'A', 'C', 'K', 'E', 'T', '1', '.', '2', 0, 0, 0,
               static_cast<uint8_t>(dwTotal), static_cast<uint8_t>(dwTotal >> 8), 0, 0, 3, 0, 0, 0, 0x37, 0x10, 0, 0,
               2, 0, 0, 0, static_cast<uint8_t>(payload.size()), 0, 0, 0};
    b.resize(60, 0);
    b.insert(b.end(), payload.begin(), payload.end());
    return b;
}

class PtzPanelTest : public ::testing::Test {
protected:
    PtzPanelTest()
    {
        fs::create_directories(fs::path(workDir) / "PTZ");
        sockets.pClock = &clock;
    }

    void WriteFile(const std::string& strRelative, const std::string& strText)
    {
        fs::create_directories((fs::path(workDir) / strRelative).parent_path());
        std::ofstream(fs::path(workDir) / strRelative, std::ios::binary) << strText;
    }
    // The view's start-up: settings loaded, then the PTZ table.
    void Start(void (*pAfterLoad)(CRecorderSession&) = nullptr)
    {
        pPanel.reset();
        pSession = std::make_unique<CRecorderSession>(SessionServices{timers, sockets, files, notifier, store, places, workDir});
        pSession->Load();
        if (pAfterLoad)
            pAfterLoad(*pSession);
        pPanel = std::make_unique<CPtzPanel>(*pSession, PtzPanelServices{timers, files, notifier});
        pPanel->LoadPtzTable();
    }
    void LogIn()
    {
        ASSERT_TRUE(pSession->Connect());
        sockets.Last()->CompleteConnect(true);
        sockets.Last()->Deliver(MakePacket(wire::DATATYPE_LOGIN_REPLY, {1, 16}));
        clock.Advance(CDvrLink::kLoginKeyWaitMs + CDvrLink::kLoginStatusWaitMs);
        Mark();
    }
    void StartLoggedIn(std::initializer_list<int> cameras = {1, 3})
    {
        WriteFile("PTZ/pelcoP.tl", CommandFile(cameras));
        Start();
        LogIn();
    }
    void Press(int nKey) { pPanel->OnPtzKey(nKey, true); }
    void Release(int nKey) { pPanel->OnPtzKey(nKey, false); }
    void Tap(int nKey, int nHeldMs)
    {
        Press(nKey);
        clock.Advance(nHeldMs);
        Release(nKey);
    }
    void SelectCamera(int nCamera) // 1-based, through the channel key as the view passes it
    {
        while (pSession->Layout().PtzChannel() != nCamera - 1)
            pSession->OnPtzChannelKey(13, true);
    }
    void Mark()
    {
        m_nFrom = sockets.allSent.size();
        m_nMarkMs = clock.TickMs();
    }
    // PTZ requests (data type 0x1037) since the mark, and when; the link's own requests (the
    // watchdog's live request, the status poll) are left out.
    Sends Sent() const
    {
        Sends sent;
        for (size_t i = m_nFrom; i < sockets.allSent.size(); ++i) {
            const Bytes& p = sockets.allSent[i];
            if (p.size() >= 28 && p[24] == 0x37 && p[25] == 0x10)
                sent.emplace_back(sockets.allSentAtMs[i] - m_nMarkMs, p);
        }
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

private:
    size_t m_nFrom = 0;
    int64_t m_nMarkMs = 0;
};

} // namespace

TEST_F(PtzPanelTest, ATapSendsTheMoveOnceAndTheStopFiveTimes)
{
    StartLoggedIn();
    Tap(kUp, 30);
    clock.Advance(2000);
    const Bytes up = PtzPacket(Command(1, 3));
    const Bytes stop = PtzPacket(Command(1, 0));
    ASSERT_EQ(67u, up.size()) << "a 7-byte command makes a 67-byte request";
    // At the press, at the release, then every 70 ms four times.
    EXPECT_EQ((Sends{{0, up}, {30, stop}, {100, stop}, {170, stop}, {240, stop}, {310, stop}}), Sent());
    EXPECT_EQ(0, pPanel->StopTicks());
}

TEST_F(PtzPanelTest, AHeldKeyRepeatsEveryCommandIntervalAndIntervalsBelowSeventyAreRaised)
{
    WriteFile("ini/opt.ini", "[PTZ_CMD_INTERVAL]\r\nCMD=100\r\nSTOP=250\r\n");
    StartLoggedIn();
    Tap(kLeft, 350);
    clock.Advance(2000);
    const Bytes left = PtzPacket(Command(1, 1));
    const Bytes stop = PtzPacket(Command(1, 0));
    EXPECT_EQ((Sends{{0, left}, {100, left}, {200, left}, {300, left}, {350, stop}, {600, stop}, {850, stop},
                     {1100, stop}, {1350, stop}}),
              Sent());

    // Raised to 70 and kept so, but the ini file is not written.
    const std::string strIni = "[PTZ_CMD_INTERVAL]\r\nCMD=5\r\nSTOP=10\r\n";
    WriteFile("ini/opt.ini", strIni);
    StartLoggedIn();
    EXPECT_EQ(10, pSession->PtzTiming().nPtzStopInterval) << "read as written";
    Tap(kDown, 150);
    clock.Advance(1000);
    const Bytes down = PtzPacket(Command(1, 4));
    EXPECT_EQ((Sends{{0, down}, {70, down}, {140, down}, {150, stop}, {220, stop}, {290, stop}, {360, stop}, {430, stop}}),
              Sent());
    EXPECT_EQ(70, pSession->PtzTiming().nPtzCmdInterval);
    EXPECT_EQ(70, pSession->PtzTiming().nPtzStopInterval);
    std::ifstream in(fs::path(workDir) / "ini" / "opt.ini", std::ios::binary);
    EXPECT_EQ(strIni, std::string(std::istreambuf_iterator<char>(in), {}));
}

TEST_F(PtzPanelTest, APressCancelsPendingStopsOnlyOnceTheStopTimerHasTicked)
{
    StartLoggedIn();
    const Bytes up = PtzPacket(Command(1, 3));
    const Bytes stop = PtzPacket(Command(1, 0));
    const Bytes right = PtzPacket(Command(1, 2));
    const Bytes zoom = PtzPacket(Command(1, 9));

    // Pressed again before the first stop tick: the four stop ticks go on between the repeats.
    Tap(kUp, 10);
    clock.Advance(30);
    Press(kRight);
    clock.Advance(300);
    EXPECT_EQ((Sends{{0, up}, {10, stop}, {40, right}, {80, stop}, {110, right}, {150, stop}, {180, right},
                     {220, stop}, {250, right}, {290, stop}, {320, right}}),
              Sent());
    Release(kRight);
    clock.Advance(1000);

    // Pressed after one stop tick: no stop follows until this key is released.
    Mark();
    Tap(kUp, 10);
    clock.Advance(80); // the first stop tick at 80
    Press(kZoomIn);
    clock.Advance(200);
    EXPECT_EQ((Sends{{0, up}, {10, stop}, {80, stop}, {90, zoom}, {160, zoom}, {230, zoom}}), Sent());
    EXPECT_EQ(0, pPanel->StopTicks());
}

TEST_F(PtzPanelTest, KeysSendTheSelectedCamerasSlotsAndNothingForCamerasNineToSixteen)
{
    StartLoggedIn({1, 2, 3, 4, 5, 6, 7, 8});
    SelectCamera(3);
    Tap(kZoomOut, 20);
    clock.Advance(1000);
    const Bytes stop = PtzPacket(Command(3, 0));
    EXPECT_EQ((Sends{{0, PtzPacket(Command(3, 10))}, {20, stop}, {90, stop}, {160, stop}, {230, stop}, {300, stop}}),
              Sent());
    SelectCamera(9);
    Mark();
    Tap(kUp, 200);
    clock.Advance(1000);
    EXPECT_TRUE(Sent().empty());

    // An empty command file loads nothing, and is no missing file.
    WriteFile("PTZ/pelcoP.tl", "");
    Start();
    LogIn();
    Tap(kUp, 200);
    clock.Advance(1000);
    EXPECT_TRUE(Sent().empty());
    EXPECT_TRUE(notifier.messages.empty());
}

TEST_F(PtzPanelTest, AMissingFileIsCreatedEmptyAndReportedOnceWithTheUserFileSaved)
{
    store.ints["Ptz Type"] = 0;
    Start([](CRecorderSession& s) { s.Settings().nHostPort = 8123; }); // changed since the start: saved too
    const std::string strFile = workDir + "/PTZ/pelcoD.tl";
    EXPECT_EQ((std::vector<std::string>{"Ostrel: Can't not open file!!"}), notifier.messages);
    ASSERT_TRUE(fs::exists(strFile));
    EXPECT_EQ(0u, fs::file_size(strFile));
    EXPECT_EQ(workDir + "/PTZ/user_command.tl", store.texts.at("Ptz File Path")) << "what was saved";
    EXPECT_EQ(0, store.ints.at("Ptz Type"));
    EXPECT_EQ(8123, store.ints.at("Host Port"));
    EXPECT_EQ(strFile, pSession->PtzFile()) << "and then set back";
    EXPECT_TRUE(pPanel->ReloadPtzTableIfTypeChanged());
    EXPECT_EQ(1u, notifier.messages.size()) << "the next load finds the (empty) file";
}

TEST_F(PtzPanelTest, NoMessageForAFileThatCannotBeMadeOrATypeBeyondTheList)
{
    fs::remove_all(fs::path(workDir) / "PTZ");
    store.ints["Ptz Type"] = 1;
    Start();
    EXPECT_TRUE(notifier.messages.empty());
    EXPECT_FALSE(fs::exists(fs::path(workDir) / "PTZ"));
    EXPECT_EQ(workDir + "/PTZ/user_command.tl", store.texts.at("Ptz File Path")) << "saved all the same";

    store.ints["Ptz Type"] = 6;
    StartLoggedIn({1});
    Tap(kUp, 100);
    clock.Advance(1000);
    EXPECT_TRUE(Sent().empty());
    EXPECT_TRUE(notifier.messages.empty());
    EXPECT_EQ("", pSession->PtzFile());
}

TEST_F(PtzPanelTest, TheTableIsReloadedWhenTheTypeChangesAndOnTheFirstOkWhatever)
{
    WriteFile("PTZ/pelcoD.tl", "<1>\nSTOP/2/d0/d1\nLEFT/1/d2\n");
    StartLoggedIn({1, 2});
    EXPECT_EQ(-1, pPanel->LoadedType()) << "the start-up load records no type";
    EXPECT_TRUE(pPanel->ReloadPtzTableIfTypeChanged()) << "the first OK reloads even with the same type";
    EXPECT_EQ(1, pPanel->LoadedType());
    EXPECT_FALSE(pPanel->ReloadPtzTableIfTypeChanged());

    pSession->Settings().byPtzType = 0;
    EXPECT_TRUE(pPanel->ReloadPtzTableIfTypeChanged());
    EXPECT_EQ(0, pPanel->LoadedType());
    EXPECT_EQ(workDir + "/PTZ/pelcoD.tl", pSession->PtzFile());
    Tap(kLeft, 10);
    Tap(kUp, 10); // no up in the new file: the old type's command is gone
    SelectCamera(2);
    Tap(kDown, 10); // nor any camera 2, and the stop ticks now go to camera 2
    clock.Advance(1000);
    const Bytes stop = PtzPacket({0xD0, 0xD1});
    EXPECT_EQ((Sends{{0, PtzPacket({0xD2})}, {10, stop}, {20, stop}}), Sent());
    EXPECT_TRUE(notifier.messages.empty());
}
