// The client's link against a simulator serving pre-encoded live pictures, in-process on
// loopback: every picture must pass the link's channel check and be drawn in its own channel.
#include "dvr_server.h"
#include "fakes/qt_link_fixture.h"
#include "fakes/qt_wait.h"
#include "link/image_codec.h"

#include <gtest/gtest.h>

#include <set>

using namespace ostrel;
using namespace ostrel::test;

namespace {

// A view that reads the code painted into every picture it is asked to draw.
class CodeReadingView : public FakeLinkView {
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

class PrerenderedLink : public QtLinkFixture<CodeReadingView> {
protected:
    static dvrsim::SimOptions Options()
    {
        dvrsim::SimOptions options;
        options.wPort = 0;
        options.strBind = QStringLiteral("127.0.0.1");
        options.nFps = 8;
        options.nPrerendered = 4;
        return options;
    }
    void ConnectTo(const dvrsim::CDvrServer& server)
    {
        view.wPort = server.Port();
        ASSERT_TRUE(Link().Connect(view.strHost, view.wPort));
        view.byConnectState = 2;
    }
};

} // namespace

TEST_F(PrerenderedLink, SixteenCamerasArriveEachInItsOwnChannel)
{
    dvrsim::CDvrServer server(Options());
    ASSERT_TRUE(server.Listen());
    ConnectTo(server);
    ASSERT_TRUE(WaitUntil([&] { return view.seen.size() == 16; }, 20000)) << view.seen.size() << " channels seen";
    // Past the first round of the ring in every channel: 16 channels x 4 pictures.
    ASSERT_TRUE(WaitUntil([&] { return view.drawn.size() > 16 * 4 + 16; }, 20000)) << view.drawn.size() << " drawn";
    EXPECT_EQ(0, view.nWrongPictures);
    EXPECT_EQ(1, view.byConnectState);
    EXPECT_TRUE(view.losses.empty());
}

TEST_F(PrerenderedLink, WrongCodesAndCutPicturesAreStillInjectedAndDropped)
{
    dvrsim::SimOptions options = Options();
    options.nWrongChannelEvery = 3;
    options.nTruncateEvery = 5;
    dvrsim::CDvrServer server(options);
    ASSERT_TRUE(server.Listen());
    ConnectTo(server);
    ASSERT_TRUE(WaitUntil([&] { return view.seen.size() == 16; }, 20000)) << view.seen.size() << " channels seen";
    const size_t nDrawn = view.drawn.size();
    ASSERT_TRUE(WaitUntil([&] { return view.drawn.size() > nDrawn + 30; }, 20000));
    EXPECT_EQ(0, view.nWrongPictures) << "a picture with another channel's code was shown";
    EXPECT_EQ(1, view.byConnectState);
}
