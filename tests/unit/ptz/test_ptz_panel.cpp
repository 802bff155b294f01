// The PTZ panel with the real session and link on a fake socket and a fake clock, its command
// files on disk: which bytes go on the wire, and when, for presses, holds and releases.
#include "ptz/ptz_panel.h"

#include "fakes/fake_clock.h"
#include "fakes/fake_socket.h"
#include "fakes/memory_settings_store.h"
#include "fakes/packet_maker.h"
#include "fakes/recording_notifier.h"
#include "platform/file_store.h"
#include "session/recorder_session.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace ostrel;
using namespace ostrel::test;

namespace {

using Bytes = std::vector<uint8_t>;
using Times = std::vector<int64_t>;

// Key IDs of the pad.
constexpr int kUp = 1324, kLeftUp = 1325, kLeft = 1326, kLeftDown = 1327, kDown = 1328, kRightDown = 1329,
              kRight = 1330, kRightUp = 1331, kZoomIn = 1332, kZoomOut = 1033, kFocusIn = 1334, kFocusOut = 1035;

// The command a test file holds for camera c (1-based) and slot s: 7 bytes, easy to tell apart.
Bytes Command(int c, int s)
{
    return {0xFF, static_cast<uint8_t>(c), 0x00, static_cast<uint8_t>(s), 0x20, 0x20,
            static_cast<uint8_t>(c + s + 0x40)};
}

// A command file with the thirteen panel slots of the given cameras.
std::string CommandFile(std::initializer_list<int> cameras)
{
    std::ostringstream out;
    out << std::hex;
    for (int c : cameras) {
        out << "<" << std::dec << c << std::hex << ">\r\n";
        for (int s = 0; s < 13; ++s) {
            out << "CMD" << std::dec << s << std::hex << "/7";
            for (uint8_t b : Command(c, s))
                out << "/" << static_cast<int>(b);
            out << "/\r\n";
        }
    }
    return out.str();
}

// The PTZ request with payload p, spelt out: the 28-byte header ("DVR PACKET1.2", total length,
// packet type 3, data type 0x1037), P0 = 2, P1 = the payload's length, then the payload.
Bytes PtzPacket(const Bytes& payload)
{
    const uint32_t dwTotal = static_cast<uint32_t>(60 + payload.size());
    Bytes b = {'D', 'V', 'R', ' ', 'P', 'A', 'C', 'K', 'E', 'T', '1', '.', '2', 0, 0, 0,
               static_cast<uint8_t>(dwTotal), static_cast<uint8_t>(dwTotal >> 8), 0, 0,
               3, 0, 0, 0,
               0x37, 0x10, 0, 0,
               2, 0, 0, 0,
               static_cast<uint8_t>(payload.size()), 0, 0, 0};
    b.resize(60, 0);
    b.insert(b.end(), payload.begin(), payload.end());
    return b;
}

// A session and its PTZ panel in a folder of their own, the recorder played on a fake socket.
class PtzPanelTest : public ::testing::Test {
protected:
    PtzPanelTest()
    {
        std::string strTemplate = (fs::temp_directory_path() / "ostrel-ptz-XXXXXX").string();
        if (::mkdtemp(strTemplate.data()) == nullptr)
            throw std::runtime_error("no temporary folder");
        root = strTemplate;
        workDir = (root / "work").string();
        places = {(root / "bin").string(), (root / "data").string()};
        fs::create_directories(root / "bin");
        fs::create_directories(fs::path(workDir) / "PTZ");
        sockets.pClock = &clock;
    }
    ~PtzPanelTest() override
    {
        pPanel.reset();
        pSession.reset();
        std::error_code ec;
        fs::remove_all(root, ec);
    }

    void WriteFile(const std::string& strRelative, const std::string& strText)
    {
        fs::create_directories((fs::path(workDir) / strRelative).parent_path());
        std::ofstream(fs::path(workDir) / strRelative, std::ios::binary) << strText;
    }
    // The view's start-up: settings loaded, then the PTZ table.
    void Start()
    {
        pSession = std::make_unique<CRecorderSession>(
            SessionServices{timers, sockets, files, notifier, store, places, workDir});
        pSession->Load();
        pSession->ApplyLayout();
        pPanel = std::make_unique<CPtzPanel>(*pSession, PtzPanelServices{timers, files, notifier});
        pPanel->LoadPtzTable();
    }
    void LogIn()
    {
        ASSERT_TRUE(pSession->Connect());
        sockets.Last()->CompleteConnect(true);
        sockets.Last()->Deliver(MakePacket(wire::DATATYPE_LOGIN_REPLY, {1, 16}));
        clock.Advance(CDvrLink::kLoginKeyWaitMs + CDvrLink::kLoginStatusWaitMs);
        nSentBefore = sockets.allSent.size();
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
    void SelectCamera(int nCamera) // 1-based, through the channel keys as the view passes them
    {
        while (pSession->Layout().PtzChannel() != nCamera - 1)
            pSession->OnPtzChannelKey(13, true);
    }

    // PTZ requests (data type 0x1037) sent since the login, and when; the link's own requests
    // (the watchdog's live request, the status poll) are left out.
    static bool IsPtz(const Bytes& packet) { return packet.size() >= 28 && packet[24] == 0x37 && packet[25] == 0x10; }
    std::vector<Bytes> Sent() const
    {
        std::vector<Bytes> sent;
        for (size_t i = nSentBefore; i < sockets.allSent.size(); ++i)
            if (IsPtz(sockets.allSent[i]))
                sent.push_back(sockets.allSent[i]);
        return sent;
    }
    std::vector<Bytes> SentFrom(size_t nFrom) const
    {
        const std::vector<Bytes> sent = Sent();
        return {sent.begin() + static_cast<std::ptrdiff_t>(std::min(nFrom, sent.size())), sent.end()};
    }
    Times SentAtFrom(size_t nFrom) const
    {
        const Times at = SentAt();
        return {at.begin() + static_cast<std::ptrdiff_t>(std::min(nFrom, at.size())), at.end()};
    }
    Times SentAt() const
    {
        Times at;
        for (size_t i = nSentBefore; i < sockets.allSent.size(); ++i)
            if (IsPtz(sockets.allSent[i]))
                at.push_back(sockets.allSentAtMs[i]);
        return at;
    }

    fs::path root;
    std::string workDir;
    SettingsPlaces places;
    FakeClock clock;
    FakeTimerFactory timers{clock};
    FakeSocketFactory sockets;
    LocalFileStore files;
    RecordingNotifier notifier;
    MemorySettingsStore store;
    std::unique_ptr<CRecorderSession> pSession;
    std::unique_ptr<CPtzPanel> pPanel;
    size_t nSentBefore = 0;
};

} // namespace

// ---- presses, holds and releases ---------------------------------------------------------

TEST_F(PtzPanelTest, ATapSendsTheMoveOnceAndTheStopFiveTimes)
{
    StartLoggedIn();
    const int64_t t0 = clock.TickMs();
    Tap(kUp, 30);
    clock.Advance(2000);

    const Bytes up = PtzPacket(Command(1, 3));
    const Bytes stop = PtzPacket(Command(1, 0));
    ASSERT_EQ(67u, up.size()) << "a 7-byte command makes a 67-byte request";
    EXPECT_EQ((std::vector<Bytes>{up, stop, stop, stop, stop, stop}), Sent());
    EXPECT_EQ((Times{t0, t0 + 30, t0 + 100, t0 + 170, t0 + 240, t0 + 310}), SentAt())
        << "at the press, at the release, then every 70 ms four times";
    EXPECT_EQ(0, pPanel->StopTicks());
}

TEST_F(PtzPanelTest, AHeldKeyRepeatsEveryCommandInterval)
{
    WriteFile("ini/opt.ini", "[PTZ_CMD_INTERVAL]\r\nCMD=100\r\nSTOP=250\r\n");
    StartLoggedIn();
    const int64_t t0 = clock.TickMs();
    Tap(kLeft, 350);
    clock.Advance(2000);

    const Bytes left = PtzPacket(Command(1, 1));
    const Bytes stop = PtzPacket(Command(1, 0));
    EXPECT_EQ((std::vector<Bytes>{left, left, left, left, stop, stop, stop, stop, stop}), Sent());
    EXPECT_EQ((Times{t0, t0 + 100, t0 + 200, t0 + 300, t0 + 350, t0 + 600, t0 + 850, t0 + 1100, t0 + 1350}),
              SentAt());
}

TEST_F(PtzPanelTest, IntervalsBelowSeventyAreRaisedAndKeptButTheIniFileIsNotWritten)
{
    const std::string strIni = "[PTZ_CMD_INTERVAL]\r\nCMD=5\r\nSTOP=10\r\n";
    WriteFile("ini/opt.ini", strIni);
    StartLoggedIn();
    EXPECT_EQ(10, pSession->PtzTiming().nPtzStopInterval) << "read as written";

    const int64_t t0 = clock.TickMs();
    Tap(kDown, 150);
    clock.Advance(1000);
    EXPECT_EQ((Times{t0, t0 + 70, t0 + 140, t0 + 150, t0 + 220, t0 + 290, t0 + 360, t0 + 430}), SentAt());
    EXPECT_EQ(70, pSession->PtzTiming().nPtzCmdInterval);
    EXPECT_EQ(70, pSession->PtzTiming().nPtzStopInterval);

    std::ifstream in(fs::path(workDir) / "ini" / "opt.ini", std::ios::binary);
    EXPECT_EQ(strIni, std::string(std::istreambuf_iterator<char>(in), {}));
}

TEST_F(PtzPanelTest, APressCancelsPendingStopsOnlyOnceTheStopTimerHasTicked)
{
    StartLoggedIn();
    const Bytes stop = PtzPacket(Command(1, 0));
    const Bytes right = PtzPacket(Command(1, 2));
    const Bytes zoom = PtzPacket(Command(1, 9));

    // Pressed again before the first stop tick: the four stop ticks go on between the repeats.
    int64_t t0 = clock.TickMs();
    Tap(kUp, 10);
    clock.Advance(30);
    Press(kRight); // at t0 + 40
    clock.Advance(300);
    size_t nFrom = 2;
    EXPECT_EQ((std::vector<Bytes>{right, stop, right, stop, right, stop, right, stop, right}),
              SentFrom(nFrom));
    EXPECT_EQ((Times{t0 + 40, t0 + 80, t0 + 110, t0 + 150, t0 + 180, t0 + 220, t0 + 250, t0 + 290, t0 + 320}),
              SentAtFrom(nFrom));
    Release(kRight);
    clock.Advance(1000);

    // Pressed after one stop tick: no stop follows until this key is released.
    nFrom = Sent().size();
    t0 = clock.TickMs();
    Tap(kUp, 10);
    clock.Advance(80); // the first stop tick at t0 + 80
    Press(kZoomIn);    // at t0 + 90
    clock.Advance(200);
    EXPECT_EQ((std::vector<Bytes>{PtzPacket(Command(1, 3)), stop, stop, zoom, zoom, zoom}),
              SentFrom(nFrom));
    EXPECT_EQ((Times{t0, t0 + 10, t0 + 80, t0 + 90, t0 + 160, t0 + 230}),
              SentAtFrom(nFrom));
    EXPECT_EQ(0, pPanel->StopTicks());
}

TEST_F(PtzPanelTest, EveryKeySendsItsSlotOfTheSelectedCameraAndItsReleaseThatCamerasStop)
{
    StartLoggedIn({1, 3});
    SelectCamera(3);
    const std::pair<int, int> keys[] = {{kUp, 3},        {kLeftUp, 5},   {kLeft, 1},      {kLeftDown, 8},
                                        {kDown, 4},      {kRightDown, 7}, {kRight, 2},    {kRightUp, 6},
                                        {kZoomIn, 9},    {kZoomOut, 10}, {kFocusIn, 12},  {kFocusOut, 11}};
    for (const auto& [nKey, nSlot] : keys) {
        SCOPED_TRACE(nKey);
        const size_t nFrom = Sent().size();
        Tap(nKey, 20);
        clock.Advance(1000);
        const std::vector<Bytes> sent = SentFrom(nFrom);
        const Bytes stop = PtzPacket(Command(3, 0));
        EXPECT_EQ((std::vector<Bytes>{PtzPacket(Command(3, nSlot)), stop, stop, stop, stop, stop}), sent);
    }
}

TEST_F(PtzPanelTest, KeysAreSilentWithAnEmptyTableAndForCamerasNineToSixteen)
{
    StartLoggedIn({1, 2, 3, 4, 5, 6, 7, 8});
    SelectCamera(9);
    Tap(kUp, 200);
    SelectCamera(16);
    Tap(kZoomIn, 200);
    clock.Advance(1000);
    EXPECT_TRUE(Sent().empty());

    // The channel keys choose the camera and send nothing, pressed, held or released.
    SelectCamera(2);
    pPanel->OnPtzKey(13, true);
    clock.Advance(500);
    pPanel->OnPtzKey(13, false);
    pPanel->OnPtzKey(14, true);
    pPanel->OnPtzKey(14, false);
    clock.Advance(1000);
    EXPECT_TRUE(Sent().empty());

    // An empty command file loads nothing.
    pPanel.reset();
    pSession.reset();
    WriteFile("PTZ/pelcoP.tl", "");
    Start();
    LogIn();
    Tap(kUp, 200);
    clock.Advance(1000);
    EXPECT_TRUE(Sent().empty());
    EXPECT_TRUE(notifier.messages.empty()) << "an empty file is no missing file";
}

// ---- the command table --------------------------------------------------------------------

TEST_F(PtzPanelTest, AMissingFileIsCreatedEmptyAndReportedOnceWithTheUserFileSaved)
{
    store.ints["Ptz Type"] = 0;
    pSession = std::make_unique<CRecorderSession>(SessionServices{timers, sockets, files, notifier, store, places, workDir});
    pSession->Load();
    pSession->Settings().nHostPort = 8123; // changed since the start: saved too
    pPanel = std::make_unique<CPtzPanel>(*pSession, PtzPanelServices{timers, files, notifier});
    pPanel->LoadPtzTable();
    const std::string strFile = workDir + "/PTZ/pelcoD.tl";
    EXPECT_EQ((std::vector<std::string>{"Ostrel: Can't not open file!!"}), notifier.messages);
    ASSERT_TRUE(fs::exists(strFile));
    EXPECT_EQ(0u, fs::file_size(strFile));
    EXPECT_EQ(workDir + "/PTZ/user_command.tl", store.texts.at("Ptz File Path")) << "what was saved";
    EXPECT_EQ(0, store.ints.at("Ptz Type"));
    EXPECT_EQ(8123, store.ints.at("Host Port"));
    EXPECT_EQ(strFile, pSession->PtzFile()) << "and then set back";

    // The next load finds the (empty) file: nothing to tell.
    EXPECT_TRUE(pPanel->ReloadPtzTableIfTypeChanged());
    EXPECT_EQ(1u, notifier.messages.size());
    LogIn();
    Tap(kUp, 100);
    clock.Advance(1000);
    EXPECT_TRUE(Sent().empty());
}

TEST_F(PtzPanelTest, NoMessageWhenTheMissingFileCannotBeCreated)
{
    fs::remove_all(fs::path(workDir) / "PTZ");
    store.ints["Ptz Type"] = 1;
    Start();
    EXPECT_TRUE(notifier.messages.empty());
    EXPECT_FALSE(fs::exists(fs::path(workDir) / "PTZ"));
    EXPECT_EQ(workDir + "/PTZ/user_command.tl", store.texts.at("Ptz File Path")) << "the settings are saved all the same";
}

TEST_F(PtzPanelTest, ATypeBeyondTheListLoadsNothingAndSaysNothing)
{
    store.ints["Ptz Type"] = 6;
    WriteFile("PTZ/pelcoP.tl", CommandFile({1}));
    Start();
    LogIn();
    Tap(kUp, 100);
    clock.Advance(1000);
    EXPECT_TRUE(Sent().empty());
    EXPECT_TRUE(notifier.messages.empty());
    EXPECT_EQ("", pSession->PtzFile());
}

TEST_F(PtzPanelTest, TheTableIsReloadedWhenTheTypeChangesAndOnTheFirstOkWhatever)
{
    WriteFile("PTZ/pelcoP.tl", CommandFile({1, 2}));
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
    EXPECT_EQ((std::vector<Bytes>{PtzPacket({0xD2}), stop, stop}), Sent());
    EXPECT_TRUE(notifier.messages.empty());
}
