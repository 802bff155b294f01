// What every StreamSocket promises, on CDvrSocket with a real peer on loopback and on the fake
// socket with a small simulated network.
#include "fakes/fake_socket.h"
#include "fakes/qt_wait.h"
#include "platform/dvr_socket.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <memory>
#include <type_traits>
#include <vector>

using namespace ostrel;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Pattern(size_t nBytes)
{
    Bytes bytes(nBytes);
    std::generate(bytes.begin(), bytes.end(), [i = 0u]() mutable { return static_cast<uint8_t>(i++ % 251); });
    return bytes;
}

// Records the notifications; on a readable one reads once, at most 1000 bytes, or closes.
class RecordingEvents final : public StreamSocketEvents {
public:
    void OnSocketConnected(bool bOk) override
    {
        connected.push_back(bOk);
        nInsideCall += bInsideCall;
    }
    void OnSocketReadable() override
    {
        ++nReadable;
        nInsideCall += bInsideCall;
        if (bCloseOnReadable)
            return pSocket->ShutdownAndClose();
        Bytes buf(kReadLimit + 16);
        const int n = pSocket->Receive(buf.data(), kReadLimit);
        EXPECT_LE(n, static_cast<int>(kReadLimit));
        received.insert(received.end(), buf.begin(), buf.begin() + std::max(n, 0));
    }

    static constexpr size_t kReadLimit = 1000;
    StreamSocket* pSocket = nullptr;
    bool bCloseOnReadable = false;
    std::vector<bool> connected;
    int nReadable = 0;
    Bytes received;
    bool bInsideCall = false;
    int nInsideCall = 0;
};

// A recorder on loopback: a QTcpServer, and the socket it accepted.
class QtNetwork {
public:
    QtNetwork() { m_server.listen(QHostAddress::LocalHost, 0); }
    ~QtNetwork()
    {
        delete m_pPeer.data();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    SocketFactory& Factory() { return m_factory; }
    uint16_t OpenPort() const { return m_server.serverPort(); }
    bool RunUntil(const std::function<bool()>& pred)
    {
        return test::WaitUntil([&] {
            if (!m_pPeer && m_server.hasPendingConnections())
                m_pPeer = m_server.nextPendingConnection();
            return pred();
        }, 10000);
    }
    void Settle()
    {
        for (int i = 0; i < 20; ++i)
            QCoreApplication::processEvents();
    }
    void PeerSend(const Bytes& bytes)
    {
        ASSERT_TRUE(RunUntil([&] { return m_pPeer != nullptr; }));
        m_pPeer->write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
        m_pPeer->flush();
    }
    Bytes PeerReceived(size_t nBytes)
    {
        Bytes bytes;
        RunUntil([&] {
            if (m_pPeer) {
                const QByteArray chunk = m_pPeer->readAll();
                bytes.insert(bytes.end(), chunk.begin(), chunk.end());
            }
            return bytes.size() >= nBytes;
        });
        return bytes;
    }
    bool PeerSeesClose()
    {
        return RunUntil([&] { return m_pPeer && m_pPeer->state() == QAbstractSocket::UnconnectedState; });
    }
    // Qt's socket stops taking bytes from the kernel once its read buffer is full.
    void PeerReading(bool bOn)
    {
        ASSERT_TRUE(RunUntil([&] { return m_pPeer != nullptr; }));
        m_pPeer->setReadBufferSize(bOn ? 0 : 1);
    }

private:
    QTcpServer m_server;
    QPointer<QTcpSocket> m_pPeer;
    CDvrSocketFactory m_factory;
};

// Between the test's steps, as an event loop would, connects complete or are refused and sent
// bytes arrive.
class FakeNetwork {
public:
    SocketFactory& Factory() { return m_factory; }
    uint16_t OpenPort() const { return 8000; }
    bool RunUntil(const std::function<bool()>& pred)
    {
        for (int nTurn = 0; nTurn < 1000 && !pred(); ++nTurn)
            Turn();
        return pred();
    }
    void Settle() { Turn(); }
    void PeerSend(const Bytes& bytes) { m_inFlight.push_back(bytes); }
    Bytes PeerReceived(size_t nBytes)
    {
        Bytes bytes;
        for (const Bytes& sent : m_factory.allSent)
            bytes.insert(bytes.end(), sent.begin(), sent.end());
        EXPECT_GE(bytes.size(), nBytes);
        return bytes;
    }
    bool PeerSeesClose() { return m_factory.Last() && m_factory.Last()->m_bClosed; }
    void PeerReading(bool bOn)
    {
        if (!bOn)
            m_factory.Last()->StopReading();
    }

private:
    void Turn()
    {
        test::FakeSocket* pSocket = m_factory.Last();
        if (!pSocket)
            return;
        if (pSocket->m_bConnectStarted && !m_bConnectDone) {
            m_bConnectDone = true;
            pSocket->CompleteConnect(pSocket->wPort == OpenPort());
            return;
        }
        if (!m_inFlight.empty() && pSocket->m_bConnected && !pSocket->m_bClosed) {
            const Bytes bytes = std::move(m_inFlight.front());
            m_inFlight.pop_front();
            pSocket->Deliver(bytes);
        }
    }

    test::FakeSocketFactory m_factory;
    std::deque<Bytes> m_inFlight;
    bool m_bConnectDone = false;
};

template <typename Network>
class StreamSocketContract : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_pSocket = network.Factory().Create(events);
        ASSERT_NE(nullptr, m_pSocket);
        events.pSocket = m_pSocket.get();
    }
    bool Connect(const std::string& strHost, uint16_t wPort)
    {
        events.bInsideCall = true;
        const bool bStarted = m_pSocket->Connect(strHost, wPort);
        events.bInsideCall = false;
        return bStarted;
    }
    int Send(const Bytes& bytes)
    {
        events.bInsideCall = true;
        const int n = m_pSocket->Send(bytes.data(), bytes.size());
        events.bInsideCall = false;
        return n;
    }
    StreamSocket& Socket() { return *m_pSocket; }

    Network network;
    RecordingEvents events;

private:
    std::unique_ptr<StreamSocket> m_pSocket;
};

using Networks = ::testing::Types<QtNetwork, FakeNetwork>;
TYPED_TEST_SUITE(StreamSocketContract, Networks);

} // namespace

TYPED_TEST(StreamSocketContract, ConnectsSendsReadsInBoundedStepsToldAgainUntilAllIsReadAndClosesSilently)
{
    const Bytes request = Pattern(60);
    ASSERT_TRUE(this->Connect("127.0.0.1", this->network.OpenPort()));
    EXPECT_EQ(-1, this->Send(request)) << "nothing is sent before the connection stands";
    ASSERT_TRUE(this->network.RunUntil([&] { return !this->events.connected.empty(); }));
    EXPECT_EQ(std::vector<bool>{true}, this->events.connected);
    this->Socket().SetNoDelay();
    EXPECT_EQ(60, this->Send(request));
    EXPECT_EQ(request, this->network.PeerReceived(60));

    // The rest of what one read left is announced again without the peer sending more.
    const Bytes picture = Pattern(20000);
    this->network.PeerSend(picture);
    ASSERT_TRUE(this->network.RunUntil([&] { return this->events.received.size() >= picture.size(); }));
    EXPECT_EQ(picture, this->events.received);
    EXPECT_GE(this->events.nReadable, 20);
    uint8_t byte = 0;
    EXPECT_EQ(0, this->Socket().Receive(&byte, 1)) << "nothing waits";
    EXPECT_EQ(0, this->events.nInsideCall);

    // Closed inside its notification, the socket is silent from then on.
    this->events.bCloseOnReadable = true;
    const int nReadable = this->events.nReadable;
    this->network.PeerSend(Pattern(5000));
    ASSERT_TRUE(this->network.RunUntil([&] { return this->events.nReadable > nReadable; }));
    this->network.PeerSend(Pattern(100)); // under way while the socket closes
    this->network.Settle();
    EXPECT_EQ(nReadable + 1, this->events.nReadable) << "the unread bytes are not announced to a closed socket";
    EXPECT_TRUE(this->network.PeerSeesClose());
    EXPECT_EQ(-1, this->Send(Pattern(10)));
    EXPECT_EQ(-1, this->Socket().Receive(&byte, 1));
}

TYPED_TEST(StreamSocketContract, PeerThatStopsReadingCostsAQueueOf64KiBAndGetsWholePacketsOnly)
{
    ASSERT_TRUE(this->Connect("127.0.0.1", this->network.OpenPort()));
    ASSERT_TRUE(this->network.RunUntil([&] { return !this->events.connected.empty(); }));
    this->network.PeerReading(false);
    const Bytes request = Pattern(1000);
    size_t nTaken = 0;
    int nResult = 1000;
    for (int i = 0; i < 100000 && nResult == 1000; ++i) { // 100 MB if nothing stopped it
        nResult = this->Send(request);
        nTaken += nResult == 1000 ? 1 : 0;
        ASSERT_LE(this->Socket().UnsentBytes(), 65536u);
        if (i % 16 == 0)
            this->network.Settle(); // the kernel takes what it can meanwhile
    }
    EXPECT_EQ(0, nResult) << "refused whole once the queue is full";
    EXPECT_GT(this->Socket().UnsentBytes(), 65536u - 1000);
    EXPECT_EQ(0, this->Send(request)) << "and refused again while the peer reads nothing";
    if constexpr (std::is_same_v<TypeParam, QtNetwork>) {
        // Reading again, the peer gets every packet taken, whole and in order.
        this->network.PeerReading(true);
        const Bytes received = this->network.PeerReceived(nTaken * request.size());
        ASSERT_EQ(nTaken * request.size(), received.size());
        for (size_t i = 0; i < nTaken; ++i)
            ASSERT_TRUE(std::equal(request.begin(), request.end(), received.begin() + i * request.size())) << i;
    }
}

TEST(DvrSocket, NamesAreLookedUpThroughItsResolverAndAFailedConnectSaysWhy)
{
    // A resolver that knows one name, as /etc/hosts or a DNS server would, answering later.
    HostLookup lookup = [](const QString& strName, QObject* pContext,
                           std::function<void(const QList<QHostAddress>&)> fnDone) {
        QList<QHostAddress> addresses;
        if (strName == QStringLiteral("recorder.test"))
            addresses.append(QHostAddress(QHostAddress::LocalHost));
        QMetaObject::invokeMethod(pContext, [fnDone, addresses] { fnDone(addresses); }, Qt::QueuedConnection);
    };
    CDvrSocketFactory factory(lookup);
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
    const uint16_t wClosedPort = closed.serverPort();
    closed.close(); // nothing listens there now

    const struct Row {
        const char* pszName;
        std::string strHost;
        uint16_t wPort;
        bool bStarts;
        bool bConnects;
        ConnectFailure failure;
    } rows[] = {
        {"a name the resolver knows", "recorder.test", server.serverPort(), true, true, ConnectFailure::None},
        {"a name it does not know", "nowhere.test", server.serverPort(), true, false, ConnectFailure::UnknownHost},
        {"a closed port", "127.0.0.1", wClosedPort, true, false, ConnectFailure::Refused},
        {"an IPv6 address", "::1", server.serverPort(), true, false, ConnectFailure::Refused}, // listens on IPv4 only
        {"not a name", "bad..name", server.serverPort(), false, false, ConnectFailure::None},
        {"a dotted address cut short", "10.1.2", server.serverPort(), false, false, ConnectFailure::None},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pszName);
        RecordingEvents events;
        std::unique_ptr<StreamSocket> pSocket = factory.Create(events);
        events.pSocket = pSocket.get();
        ASSERT_EQ(row.bStarts, pSocket->Connect(row.strHost, row.wPort));
        if (!row.bStarts)
            continue;
        ASSERT_TRUE(test::WaitUntil([&] { return !events.connected.empty(); }, 10000));
        EXPECT_EQ(std::vector<bool>{row.bConnects}, events.connected);
        EXPECT_EQ(row.failure, pSocket->Failure());
    }
}
