// The link with its Qt adapter against a recorder played by this test on loopback.
#include "fakes/link_fixture.h"
#include "fakes/qt_link_fixture.h"
#include "fakes/qt_wait.h"

#include <QCoreApplication>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

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
        if (!WaitUntil([this] { return m_pPeer->bytesAvailable() >= static_cast<qint64>(kHeaderBytes); }))
            return {};
        const QByteArray header = m_pPeer->peek(kHeaderBytes);
        const uint32_t dwLength = GetLe32(reinterpret_cast<const uint8_t*>(header.constData()) + 16);
        if (!WaitUntil([&] { return m_pPeer->bytesAvailable() >= static_cast<qint64>(dwLength); }))
            return {};
        const QByteArray bytes = m_pPeer->read(dwLength);
        return {bytes.begin(), bytes.end()};
    }
    uint32_t NextDataType()
    {
        const std::vector<uint8_t> request = NextRequest();
        return request.size() >= kHeaderBytes ? GetLe32(request.data() + 24) : 0;
    }
    void Send(const std::vector<uint8_t>& bytes)
    {
        m_pPeer->write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
        m_pPeer->flush();
    }

private:
    QTcpServer m_server;
    QTcpSocket* m_pPeer = nullptr;
};

using LinkLoopback = QtLinkFixture<>;

} // namespace

TEST_F(LinkLoopback, LogsInStreamsPicturesAndSavesTheEventLog)
{
    std::vector<std::vector<uint8_t>> pictures;
    std::vector<uint8_t> channels;
    Link().SetImageCompletion([&](const CompletedPayload& payload) {
        pictures.push_back({payload.pData, payload.pData + payload.nBytes});
        channels.push_back(payload.byHeaderChannel);
    });
    LoopbackRecorder recorder;
    view.strUserId = "admin";
    view.strPassword = "7";
    ASSERT_TRUE(Link().Connect("127.0.0.1", recorder.Port()));
    view.byConnectState = 2;
    ASSERT_TRUE(recorder.Accept());
    EXPECT_EQ(LoginBytes("admin", "7"), recorder.NextRequest());
    EXPECT_TRUE(WaitUntil([&] { return view.byConnectState == 1; }));

    recorder.Send(MakePacket(DATATYPE_LOGIN_REPLY, {1, 16}, {}, kMagicV12));
    EXPECT_EQ(DATATYPE_KEY_EMUL, recorder.NextDataType());
    EXPECT_EQ(DATATYPE_DVR_STATUS2, recorder.NextDataType());
    EXPECT_EQ(RequestBytes(0x1011, {1, 1, 0xFFFF}), recorder.NextRequest());

    // Three pictures in one write, then one larger than a read.
    recorder.Send(Concat({MakePacket(DATATYPE_LIVE_IMAGE, {0, 0, 0, 1}, NumberedPayload(3100)),
                          MakePacket(DATATYPE_LIVE_IMAGE, {0, 0, 0, 2}, NumberedPayload(3200)),
                          MakePacket(DATATYPE_LIVE_IMAGE, {0, 0, 0, 3}, NumberedPayload(3300))}));
    recorder.Send(MakePacket(DATATYPE_LIVE_IMAGE, {0, 0, 0, 16}, NumberedPayload(40000)));
    ASSERT_TRUE(WaitUntil([&] { return pictures.size() == 4; }));
    EXPECT_EQ(NumberedPayload(3300), pictures[2]);
    EXPECT_EQ(NumberedPayload(40000), pictures[3]);
    EXPECT_EQ((std::vector<uint8_t>{0, 1, 2, 15}), channels);

    Link().SendRequest(REQ_EVENT_LOG, false);
    EXPECT_EQ(DATATYPE_EVENT_LOG_REQUEST, recorder.NextDataType());
    const std::vector<uint8_t> log = NumberedPayload(25000);
    recorder.Send(MakePacket(DATATYPE_EVENT_LOG, {}, log));
    ASSERT_TRUE(WaitUntil([&] { return QFile::exists("AlarmEvent.am") && Link().State() == REQ_LIVE; }));
    QFile file("AlarmEvent.am");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray saved = file.readAll();
    EXPECT_EQ(log, std::vector<uint8_t>(saved.begin(), saved.end()));
    EXPECT_FALSE(QFile::exists("AlarmEvent.am.part"));
    EXPECT_TRUE(Link().Disconnect(true));
}

TEST_F(LinkLoopback, RefusedLoginAndAClosedPortEndTheLinkWithTheirReason)
{
    {
        LoopbackRecorder recorder;
        ASSERT_TRUE(Link().Connect("127.0.0.1", recorder.Port()));
        view.byConnectState = 2;
        ASSERT_TRUE(recorder.Accept());
        ASSERT_EQ(300u, recorder.NextRequest().size());
        recorder.Send(MakePacket(DATATYPE_LOGIN_REPLY, {0, 16}, {}, kMagicV12));
        ASSERT_TRUE(WaitUntil([&] { return !view.losses.empty(); }));
        EXPECT_EQ(std::vector<LinkLoss>{LinkLoss::LoginRefused}, view.losses);
        EXPECT_FALSE(Link().HasSocket());
        QCoreApplication::processEvents(); // the socket's deferred deletion
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    uint16_t wPort = 0;
    {
        LoopbackRecorder closed;
        wPort = closed.Port();
    }
    ASSERT_TRUE(Link().Connect("127.0.0.1", wPort));
    view.byConnectState = 2;
    ASSERT_TRUE(WaitUntil([&] { return view.losses.size() == 2; }));
    EXPECT_EQ(LinkLoss::ConnectFailed, view.losses[1]);
    EXPECT_FALSE(Link().HasSocket());
    EXPECT_FALSE(Link().Connect("no such host", 8000)) << "only dotted addresses are taken";
}
