// The link with its Qt adapter against a recorder played by this test on loopback.
#include "fakes/qt_link_fixture.h"
#include "fakes/qt_wait.h"
#include "fakes/fake_link_listeners.h"
#include "fakes/packet_maker.h"
#include "fakes/recording_notifier.h"
#include "link/qt_dvr_link.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

using namespace ostrel;
using namespace ostrel::test;
using namespace ostrel::wire;

namespace {


// A recorder side: accepts one connection and reads whole requests.
class LoopbackRecorder {
public:
    LoopbackRecorder() { EXPECT_TRUE(m_server.listen(QHostAddress::LocalHost, 0)); }

    uint16_t Port() const { return m_server.serverPort(); }
    bool Accept()
    {
        if (!WaitUntil([this] { return m_server.hasPendingConnections(); }))
            return false;
        m_pPeer = m_server.nextPendingConnection();
        return m_pPeer != nullptr;
    }
    // The next request, whole; empty when none came in time.
    std::vector<uint8_t> NextRequest()
    {
        std::vector<uint8_t> request;
        if (!WaitUntil([this] { return m_pPeer->bytesAvailable() >= static_cast<qint64>(kHeaderBytes); }))
            return request;
        const QByteArray header = m_pPeer->peek(kHeaderBytes);
        const uint32_t dwLength = GetLe32(reinterpret_cast<const uint8_t*>(header.constData()) + 16);
        if (!WaitUntil([&] { return m_pPeer->bytesAvailable() >= static_cast<qint64>(dwLength); }))
            return request;
        const QByteArray bytes = m_pPeer->read(dwLength);
        return {bytes.begin(), bytes.end()};
    }
    void Send(const std::vector<uint8_t>& bytes)
    {
        m_pPeer->write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
        m_pPeer->flush();
    }
    void Close() { m_pPeer->close(); }

private:
    QTcpServer m_server;
    QTcpSocket* m_pPeer = nullptr;
};

uint32_t DataType(const std::vector<uint8_t>& request)
{
    return request.size() >= kHeaderBytes ? GetLe32(request.data() + 24) : 0;
}

class LinkLoopback : public QtLinkFixture<> {
protected:
    void SetUp() override
    {
        QtLinkFixture::SetUp();
        Link().SetImageCompletion([this](const CompletedPayload& payload) {
            pictures.push_back({payload.pData, payload.pData + payload.nBytes});
            singleReads.push_back(payload.bSingleRead);
            channels.push_back(payload.byHeaderChannel);
        });
    }

    std::vector<std::vector<uint8_t>> pictures;
    std::vector<bool> singleReads;
    std::vector<uint8_t> channels;
};

} // namespace

TEST_F(LinkLoopback, LogsInStreamsPicturesAndSavesTheEventLog)
{
    LoopbackRecorder recorder;
    view.strUserId = "admin";
    view.strPassword = "7";
    ASSERT_TRUE(Link().Connect("127.0.0.1", recorder.Port()));
    view.byConnectState = 2;
    ASSERT_TRUE(recorder.Accept());

    const std::vector<uint8_t> login = recorder.NextRequest();
    ASSERT_EQ(300u, login.size());
    EXPECT_EQ(DATATYPE_LOGIN, DataType(login));
    EXPECT_EQ(0, std::memcmp(login.data(), "DVR PACKET1.0", 14));
    EXPECT_EQ('7', login[156]);
    EXPECT_TRUE(WaitUntil([&] { return view.byConnectState == 1; }));

    recorder.Send(MakePacket(DATATYPE_LOGIN_REPLY, {1, 16}, {}, kMagicV12));
    EXPECT_EQ(DATATYPE_KEY_EMUL, DataType(recorder.NextRequest()));
    EXPECT_EQ(DATATYPE_DVR_STATUS2, DataType(recorder.NextRequest()));
    const std::vector<uint8_t> live = recorder.NextRequest();
    ASSERT_EQ(DATATYPE_LIVE_REQUEST, DataType(live));
    EXPECT_EQ(0, std::memcmp(live.data(), "DVR PACKET1.2", 14));

    // Three pictures in one write, then one larger than a read.
    recorder.Send(Concat({MakePacket(DATATYPE_LIVE_IMAGE, {0, 0, 0, 1}, NumberedPayload(3100)),
                          MakePacket(DATATYPE_LIVE_IMAGE, {0, 0, 0, 2}, NumberedPayload(3200)),
                          MakePacket(DATATYPE_LIVE_IMAGE, {0, 0, 0, 3}, NumberedPayload(3300))}));
    recorder.Send(MakePacket(DATATYPE_LIVE_IMAGE, {0, 0, 0, 16}, NumberedPayload(40000)));
    ASSERT_TRUE(WaitUntil([&] { return pictures.size() == 4; }));
    EXPECT_EQ(NumberedPayload(3300), pictures[2]);
    EXPECT_EQ(NumberedPayload(40000), pictures[3]);
    EXPECT_EQ(15, channels[3]);

    Link().SendRequest(REQ_EVENT_LOG, false);
    EXPECT_EQ(DATATYPE_EVENT_LOG_REQUEST, DataType(recorder.NextRequest()));
    const std::vector<uint8_t> log = NumberedPayload(25000);
    recorder.Send(MakePacket(DATATYPE_EVENT_LOG, {}, log));
    ASSERT_TRUE(WaitUntil([&] { return QFile::exists("AlarmEvent.am") && Link().State() == REQ_LIVE; }));
    QFile file("AlarmEvent.am");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray saved = file.readAll();
    EXPECT_EQ(log, std::vector<uint8_t>(saved.begin(), saved.end()));
    EXPECT_FALSE(QFile::exists("AlarmEvent.am.part"));

    EXPECT_TRUE(Link().Disconnect(true));
    EXPECT_FALSE(Link().HasSocket());
}

TEST_F(LinkLoopback, RefusedLoginDisconnectsCleanly)
{
    LoopbackRecorder recorder;
    ASSERT_TRUE(Link().Connect("127.0.0.1", recorder.Port()));
    view.byConnectState = 2;
    ASSERT_TRUE(recorder.Accept());
    ASSERT_EQ(300u, recorder.NextRequest().size());
    recorder.Send(MakePacket(DATATYPE_LOGIN_REPLY, {0, 16}, {}, kMagicV12));
    ASSERT_TRUE(WaitUntil([&] { return !view.losses.empty(); }));
    EXPECT_EQ(LinkLoss::LoginRefused, view.losses[0]);
    EXPECT_FALSE(Link().HasSocket());
    // Let the socket's deferred deletion run.
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST_F(LinkLoopback, ConnectToAClosedPortIsReportedAsAFailedConnect)
{
    uint16_t wPort = 0;
    {
        LoopbackRecorder closed;
        wPort = closed.Port();
    }
    ASSERT_TRUE(Link().Connect("127.0.0.1", wPort));
    view.byConnectState = 2;
    ASSERT_TRUE(WaitUntil([&] { return !view.losses.empty(); }));
    EXPECT_EQ(LinkLoss::ConnectFailed, view.losses[0]);
    EXPECT_FALSE(Link().HasSocket());
    EXPECT_FALSE(Link().Connect("no such host", 8000)) << "only dotted addresses are taken";
}
