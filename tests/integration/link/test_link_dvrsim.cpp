// The link with its Qt adapter against the bundled recorder simulator on loopback.
#include "event_log_maker.h"
#include "fakes/qt_link_fixture.h"
#include "fakes/qt_wait.h"
#include "fakes/simulator_process.h"
#include "fakes/fake_link_listeners.h"
#include "fakes/recording_notifier.h"
#include "link/qt_dvr_link.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <set>

using namespace ostrel;
using namespace ostrel::test;
using namespace ostrel::wire;

namespace {


// A view that checks every picture it is asked to draw: the code painted into it must name
// the channel it is drawn for.
class CheckingView : public FakeLinkView {
public:
    void OnPicture(uint8_t byChannel, const Picture& picture) override
    {
        FakeLinkView::OnPicture(byChannel, picture);
        if (CImageCodec::ReadChannelPattern(picture.Header(), picture.Bits()) != byChannel)
            ++nWrongPictures;
        seen.insert(byChannel);
    }
    int nWrongPictures = 0;
    std::set<uint8_t> seen;
};

class LinkDvrsim : public QtLinkFixture<CheckingView> {
protected:
    void Connect(const SimulatorProcess& sim)
    {
        view.strHost = "127.0.0.1";
        view.wPort = sim.Port();
        ASSERT_NE(0, sim.Port()) << "dvrsim did not start";
        ASSERT_TRUE(Link().Connect(view.strHost, view.wPort));
        view.byConnectState = 2;
    }
    bool AllChannelsSeen(int nMs) { return WaitUntil([&] { return view.seen.size() == 16; }, nMs); }
};

} // namespace

TEST_F(LinkDvrsim, SixteenCamerasArriveEachInItsOwnChannelOnBothVersions)
{
    for (const char* pszMagic : {"1.0", "1.2"}) {
        SCOPED_TRACE(pszMagic);
        view.seen.clear();
        SimulatorProcess sim({"--magic", pszMagic, "--fps", "8"});
        Connect(sim);
        ASSERT_TRUE(AllChannelsSeen(15000)) << view.seen.size() << " channels seen";
        EXPECT_EQ(std::string(pszMagic) == "1.0" ? 1 : 2, Link().ProtocolVersion());
        EXPECT_EQ(0, view.nWrongPictures);
        EXPECT_EQ(1, view.byConnectState);
        Link().Disconnect(true);
        view.byConnectState = 0;
    }
}

TEST_F(LinkDvrsim, WrongCodesDamagedPicturesAndGarbageAreDroppedAndTheStreamGoesOn)
{
    SimulatorProcess sim({"--fps", "8", "--wrong-channel-every", "3", "--truncate-every", "5",
                   "--garbage-every", "4", "--oversize-every", "7"});
    Connect(sim);
    ASSERT_TRUE(AllChannelsSeen(20000)) << view.seen.size() << " channels seen";
    const size_t nDrawn = view.drawn.size();
    ASSERT_TRUE(WaitUntil([&] { return view.drawn.size() > nDrawn + 30; }, 15000));
    EXPECT_EQ(0, view.nWrongPictures) << "a picture with another channel's code was shown";
}

TEST_F(LinkDvrsim, CoalescedAndSplitWritesLoseNoChannel)
{
    for (QStringList options : {QStringList{"--coalesce", "5"}, QStringList{"--split", "random", "--split-max", "700"}}) {
        SCOPED_TRACE(options.join(' ').toStdString());
        view.seen.clear();
        options += {"--fps", "8"};
        SimulatorProcess sim(options);
        Connect(sim);
        ASSERT_TRUE(AllChannelsSeen(20000)) << view.seen.size() << " channels seen";
        EXPECT_EQ(0, view.nWrongPictures);
        Link().Disconnect(true);
        view.byConnectState = 0;
    }
}

TEST_F(LinkDvrsim, EventLogIsSavedByteForByte)
{
    const QString strStart = "2026-11-01 00:00:00", strEnd = "2026-11-08 12:00:00";
    SimulatorProcess sim({"--range-start", strStart, "--range-end", strEnd, "--event-count", "300", "--seed", "7"});
    Connect(sim);
    ASSERT_TRUE(WaitUntil([&] { return Link().State() == REQ_LIVE; }, 10000));
    Link().SendRequest(REQ_EVENT_LOG, false);
    ASSERT_TRUE(WaitUntil([&] { return QFile::exists("AlarmEvent.am") && Link().State() == REQ_LIVE; }, 10000));

    dvrsim::RecordedRange range;
    range.nStart = MakeSecondsValue({2026, 11, 1, 0, 0, 0});
    range.nEnd = MakeSecondsValue({2026, 11, 8, 12, 0, 0});
    const std::vector<uint8_t> expected = dvrsim::CEventLogMaker::Make(range, 16, 300, 7);
    ASSERT_FALSE(expected.empty());
    QFile file("AlarmEvent.am");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray saved = file.readAll();
    EXPECT_EQ(expected, std::vector<uint8_t>(saved.begin(), saved.end()));
}

TEST_F(LinkDvrsim, RecorderClosingIsNoticedAndTheLinkReconnectsAndLogsInAgain)
{
    SimulatorProcess sim({"--fps", "4", "--close-after", "30"});
    Connect(sim);
    ASSERT_TRUE(WaitUntil([&] { return view.drawn.size() >= 10; }, 10000));
    // Silence: two requests again at 5 s and 10 s, the reconnection from 15 s, the new
    // connection at 20 s.
    ASSERT_TRUE(WaitUntil([&] {
        return std::count(view.statuses.begin(), view.statuses.end(), CDvrLink::STATUS_TRY_RECONNECT) > 0;
    }, 20000));
    const size_t nDrawn = view.drawn.size();
    ASSERT_TRUE(WaitUntil([&] { return view.drawn.size() > nDrawn + 5; }, 15000));
    EXPECT_EQ(1, view.byConnectState);
    EXPECT_EQ(0, Link().ReconnectAttempts()) << "a successful reconnection starts the count afresh";
    EXPECT_TRUE(view.losses.empty());
}
