// The PTZ panel with the real session and link on a fake socket and a fake clock: which bytes go
// on the wire, and when, for presses, holds and releases. The view's keys are the GUI tests'.
#include "ptz/ptz_panel.h"

#include "fakes/core_fixture.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace ostrel;
using namespace ostrel::test;

namespace {

using Bytes = std::vector<uint8_t>;
using Sends = std::vector<std::pair<int64_t, Bytes>>; // ms after the mark, request

constexpr int kUp = 1324, kLeft = 1326, kDown = 1328, kRight = 1330, kZoomIn = 1332; // the keys' parameters

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

// The rig's session logged in, its PTZ table loaded from camera 1's thirteen panel slots.
class PtzPanelTest : public ::testing::Test, public SessionRig {
protected:
    void Start()
    {
        pPanel.reset();
        MakeSession(nullptr);
        pPanel = std::make_unique<CPtzPanel>(Session(), PtzPanelServices{timers, files, notifier});
        pPanel->LoadPtzTable();
    }
    void StartLoggedIn()
    {
        std::string strText;
        for (const char* pszCamera : {"1", "2"}) {
            strText += std::string("<") + pszCamera + ">\r\n";
            for (int s = 0; s < 13; ++s)
                strText += std::string("CMD/3/ff/") + pszCamera + "/" + "0123456789abc"[s] + "\r\n";
        }
        files.files[workDir + "/PTZ/pelcoP.tl"].assign(strText.begin(), strText.end());
        Start();
        LogIn();
        nFrom = sockets.allSent.size();
        nMarkMs = clock.TickMs();
    }
    void Tap(int nKey, int nHeldMs)
    {
        pPanel->OnPtzKey(nKey, true);
        clock.Advance(nHeldMs);
        pPanel->OnPtzKey(nKey, false);
    }
    // PTZ requests (data type 0x1037) since the mark, and when: the link's own are left out.
    Sends Sent() const
    {
        Sends sent;
        for (size_t i = nFrom; i < sockets.allSent.size(); ++i)
            if (sockets.allSent[i].size() >= 28 && sockets.allSent[i][24] == 0x37 && sockets.allSent[i][25] == 0x10)
                sent.emplace_back(sockets.allSentAtMs[i] - nMarkMs, sockets.allSent[i]);
        return sent;
    }

    std::unique_ptr<CPtzPanel> pPanel;
    size_t nFrom = 0;
    int64_t nMarkMs = 0;
};

} // namespace

// A move at the press and every 70 ms while held; the stop at the release and on four ticks 70
// ms apart. A press cancels the pending stops only once the stop timer has ticked. Moves and
// stops stay with the camera the key was pressed for.
TEST_F(PtzPanelTest, KeysSendTheirCommandsAtTheirTimesToTheCameraTheyWerePressedFor)
{
    StartLoggedIn();
    Tap(kUp, 30);
    clock.Advance(2000);
    EXPECT_EQ((Sends{{0, Ptz(1, 3)}, {30, Ptz(1, 0)}, {100, Ptz(1, 0)}, {170, Ptz(1, 0)}, {240, Ptz(1, 0)}, {310, Ptz(1, 0)}}),
              Sent());

    // Pressed again before the first stop tick: the four stop ticks go on between the repeats.
    StartLoggedIn();
    Tap(kUp, 10);
    clock.Advance(30);
    pPanel->OnPtzKey(kRight, true);
    clock.Advance(300);
    EXPECT_EQ((Sends{{0, Ptz(1, 3)}, {10, Ptz(1, 0)}, {40, Ptz(1, 2)}, {80, Ptz(1, 0)}, {110, Ptz(1, 2)}, {150, Ptz(1, 0)},
                     {180, Ptz(1, 2)}, {220, Ptz(1, 0)}, {250, Ptz(1, 2)}, {290, Ptz(1, 0)}, {320, Ptz(1, 2)}}),
              Sent());

    // Pressed after one stop tick: no stop follows until this key is released.
    StartLoggedIn();
    Tap(kUp, 10);
    clock.Advance(80);
    pPanel->OnPtzKey(kZoomIn, true);
    clock.Advance(200);
    EXPECT_EQ((Sends{{0, Ptz(1, 3)}, {10, Ptz(1, 0)}, {80, Ptz(1, 0)}, {90, Ptz(1, 9)}, {160, Ptz(1, 9)}, {230, Ptz(1, 9)}}),
              Sent());

    // Held on camera 2 while the selector goes back to camera 1: moves and stops go to camera 2,
    // the camera that moved.
    StartLoggedIn();
    Session().OnPtzChannelKey(13, true);
    pPanel->OnPtzKey(kUp, true);
    clock.Advance(100);
    Session().OnPtzChannelKey(14, true);
    clock.Advance(50);
    pPanel->OnPtzKey(kUp, false);
    clock.Advance(1000);
    EXPECT_EQ((Sends{{0, Ptz(2, 3)}, {70, Ptz(2, 3)}, {140, Ptz(2, 3)}, {150, Ptz(2, 0)}, {220, Ptz(2, 0)}, {290, Ptz(2, 0)},
                     {360, Ptz(2, 0)}, {430, Ptz(2, 0)}}),
              Sent());
}

// A missing file is made empty and reported once, with the user command file saved as the path
// (then set back). A type change reloads the table, and nothing of the old type's stays.
TEST_F(PtzPanelTest, AMissingCommandFileIsMadeAndReportedOnceAndATypeChangeReloads)
{
    store.ints["Ptz Type"] = 0;
    Start();
    const std::string strFile = workDir + "/PTZ/pelcoD.tl";
    EXPECT_EQ((std::vector<std::string>{"Ostrel: Can't not open file!!"}), notifier.messages);
    EXPECT_EQ(std::vector<uint8_t>{}, files.files.at(strFile));
    EXPECT_EQ(workDir + "/PTZ/user_command.tl", store.texts.at("Ptz File Path")) << "what was saved";
    EXPECT_EQ(strFile, Session().PtzFile());
    EXPECT_TRUE(pPanel->ReloadPtzTableIfTypeChanged()) << "the first OK reloads whatever the type";
    EXPECT_EQ(1u, notifier.messages.size()) << "the next load finds the (empty) file";

    const std::string strD = "<1>\nSTOP/2/d0/d1\nLEFT/1/d2\n";
    files.files[strFile].assign(strD.begin(), strD.end());
    store.ints["Ptz Type"] = 1;
    StartLoggedIn();
    EXPECT_TRUE(pPanel->ReloadPtzTableIfTypeChanged());
    EXPECT_FALSE(pPanel->ReloadPtzTableIfTypeChanged());
    Session().Settings().byPtzType = 0;
    EXPECT_TRUE(pPanel->ReloadPtzTableIfTypeChanged());
    Tap(kLeft, 10);
    Tap(kUp, 10); // no up in the new file
    Session().OnPtzChannelKey(13, true);
    Tap(kDown, 10); // nor any camera 16, and the stop ticks now go to it
    clock.Advance(1000);
    EXPECT_EQ((Sends{{0, Request({0xD2})}, {10, Request({0xD0, 0xD1})}, {20, Request({0xD0, 0xD1})}}), Sent());
    EXPECT_EQ(1u, notifier.messages.size());
}
