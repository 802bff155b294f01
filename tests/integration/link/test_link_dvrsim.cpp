// The link with its Qt adapter on real sockets against the bundled recorder simulator on
// loopback. A refused connect is the socket contract's (a closed port) and the link's lifecycle
// test's (what the link makes of it).
#include "fakes/qt_link_fixture.h"
#include "fakes/qt_wait.h"
#include "fakes/simulator_process.h"

#include <gtest/gtest.h>

#include <set>

using namespace ostrel;
using namespace ostrel::test;

namespace {

// A view that reads the code painted into every picture it is asked to draw: it must name the
// channel the picture is drawn for.
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
        ASSERT_NE(0, sim.Port()) << "dvrsim did not start";
        view.strHost = "127.0.0.1";
        view.wPort = sim.Port();
        ASSERT_TRUE(Link().Connect(view.strHost, view.wPort));
        view.byConnectState = 2;
    }
};

} // namespace

TEST_F(LinkDvrsim, EveryCameraArrivesInItsOwnChannelWhateverTheRecorderDoesToTheStream)
{
    struct Row {
        const char* name;
        QStringList options;
        int nVersion;
    } rows[] = {
        {"version 1", {"--magic", "1.0"}, 1},
        {"wrong codes, damaged pictures, garbage",
         {"--wrong-channel-every", "3", "--truncate-every", "5", "--garbage-every", "4", "--oversize-every", "7"}, 2},
        {"pre-encoded, wrong codes and cut pictures", {"--prerendered", "4", "--wrong-channel-every", "3", "--truncate-every", "5"}, 2},
        {"coalesced writes", {"--coalesce", "5"}, 2},
        {"writes split anywhere", {"--split", "random", "--split-max", "700"}, 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        view.seen.clear();
        SimulatorProcess sim(row.options + QStringList{"--fps", "8"});
        Connect(sim);
        ASSERT_TRUE(WaitUntil([&] { return view.seen.size() == 16; }, 20000)) << view.seen.size() << " channels seen";
        const size_t nDrawn = view.drawn.size();
        ASSERT_TRUE(WaitUntil([&] { return view.drawn.size() > nDrawn + 30; }, 20000));
        EXPECT_EQ(row.nVersion, Link().ProtocolVersion());
        EXPECT_EQ(0, view.nWrongPictures) << "a picture with another channel's code was shown";
        EXPECT_EQ(1, view.byConnectState);
        EXPECT_TRUE(view.losses.empty());
        Link().Disconnect(true);
        view.byConnectState = 0;
    }
}

TEST_F(LinkDvrsim, RecorderClosingIsNoticedAndTheLinkReconnectsAndLogsInAgain)
{
    SimulatorProcess sim({"--fps", "4", "--close-after", "30"});
    Connect(sim);
    ASSERT_TRUE(WaitUntil([&] { return view.drawn.size() >= 10; }, 10000));
    // Silence: two requests again at 5 s and 10 s, the reconnection from 15 s, the new
    // connection at 20 s.
    ASSERT_TRUE(WaitUntil([&] {
        return std::count(view.statuses.begin(), view.statuses.end(), 4) > 0;
    }, 20000));
    const size_t nDrawn = view.drawn.size();
    ASSERT_TRUE(WaitUntil([&] { return view.drawn.size() > nDrawn + 5; }, 15000));
    EXPECT_EQ(1, view.byConnectState);
    EXPECT_EQ(0, Link().Probe().byReconnectAttempts) << "a successful reconnection starts the count afresh";
    EXPECT_TRUE(view.losses.empty());
}
