#include "platform/dvr_socket.h"

#include "platform/host_name.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QMetaObject>

#include <algorithm>

namespace ostrel {

HostLookup SystemHostLookup()
{
    return [](const QString& strName, QObject* pContext, std::function<void(const QList<QHostAddress>&)> fnDone) {
        QHostInfo::lookupHost(strName, pContext, [fnDone = std::move(fnDone)](const QHostInfo& info) {
            fnDone(info.error() == QHostInfo::NoError ? info.addresses() : QList<QHostAddress>());
        });
    };
}

CDvrSocket::CDvrSocket(StreamSocketEvents& rEvents, HostLookup lookup)
    : m_rEvents(rEvents), m_lookup(std::move(lookup)), m_pTcp(new QTcpSocket)
{
    // Qt reads ahead of the link only this far; beyond it the data waits in the kernel and TCP
    // slows the recorder down, instead of piling up here without limit.
    m_pTcp->setReadBufferSize(kReadAheadBytes);
    connect(m_pTcp, &QTcpSocket::connected, this, &CDvrSocket::OnConnected);
    connect(m_pTcp, &QTcpSocket::errorOccurred, this, &CDvrSocket::OnError);
    connect(m_pTcp, &QTcpSocket::readyRead, this, &CDvrSocket::OnReadyRead);
    m_gatherTimer.setSingleShot(true);
    m_gatherTimer.setTimerType(Qt::PreciseTimer);
    m_gatherTimer.setInterval(kGatherMs);
    connect(&m_gatherTimer, &QTimer::timeout, this, &CDvrSocket::EndGathering);
}

CDvrSocket::~CDvrSocket()
{
    ShutdownAndClose();
}

bool CDvrSocket::Connect(const std::string& strHost, uint16_t wPort)
{
    if (!m_pTcp || !IsConnectableHost(strHost))
        return false;
    m_bConnectReported = false;
    m_failure = ConnectFailure::None;
    QHostAddress address;
    if (address.setAddress(QString::fromStdString(strHost))) {
        m_pTcp->connectToHost(address, wPort);
        return true;
    }
    // A name: looked up first, never on this thread; the first address it has is tried.
    m_lookup(QString::fromStdString(strHost), this, [this, wPort](const QList<QHostAddress>& addresses) {
        if (!m_pTcp || m_bConnectReported)
            return;
        if (addresses.isEmpty())
            ReportFailure(ConnectFailure::UnknownHost);
        else
            m_pTcp->connectToHost(addresses.first(), wPort);
    });
    return true;
}

void CDvrSocket::SetNoDelay()
{
    if (m_pTcp)
        m_pTcp->setSocketOption(QAbstractSocket::LowDelayOption, 1);
}

size_t CDvrSocket::UnsentBytes() const
{
    return m_pTcp ? static_cast<size_t>(std::max<qint64>(m_pTcp->bytesToWrite(), 0)) : 0;
}

int CDvrSocket::Send(const uint8_t* pData, size_t nBytes)
{
    // Like a stream socket, refuse to send before the connection stands instead of queueing.
    if (!m_pTcp || m_pTcp->state() != QAbstractSocket::ConnectedState)
        return -1;
    // Qt's write buffer has no limit of its own: what the kernel cannot take waits there.
    if (nBytes > kMaxUnsentBytes - std::min(UnsentBytes(), kMaxUnsentBytes))
        return 0;
    const qint64 nWritten = m_pTcp->write(reinterpret_cast<const char*>(pData),
                                          static_cast<qint64>(nBytes));
    if (nWritten > 0)
        m_pTcp->flush();
    return static_cast<int>(nWritten);
}

int CDvrSocket::Receive(uint8_t* pData, size_t nMax)
{
    if (!m_pTcp)
        return -1;
    ++m_nReceives;
    const qint64 nRead = m_pTcp->read(reinterpret_cast<char*>(pData), static_cast<qint64>(nMax));
    return static_cast<int>(nRead);
}

void CDvrSocket::ShutdownAndClose()
{
    if (!m_pTcp)
        return;
    QTcpSocket* pTcp = m_pTcp;
    m_pTcp = nullptr;
    m_gatherTimer.stop();
    m_bGathering = false;
    pTcp->disconnect(this);
    pTcp->abort();
    pTcp->deleteLater();
}

size_t CDvrSocket::BytesWaiting() const
{
    // What Qt has taken from the kernel and holds for the reader (at most its read-ahead).
    return m_pTcp ? static_cast<size_t>(std::max<qint64>(0, m_pTcp->bytesAvailable())) : 0;
}

void CDvrSocket::OnConnected()
{
    if (m_bConnectReported)
        return;
    m_bConnectReported = true;
    // The kernel's share of the unsent bytes stays as small as ours: requests are small.
    m_pTcp->setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, static_cast<int>(kMaxUnsentBytes));
    m_rEvents.OnSocketConnected(true);
}

void CDvrSocket::OnError(QAbstractSocket::SocketError error)
{
    // Only a connect that never stood is reported. Later errors show up as silence for the
    // link's watchdog.
    if (m_bConnectReported || !m_pTcp)
        return;
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return ReportFailure(ConnectFailure::Refused);
    case QAbstractSocket::HostNotFoundError:
        return ReportFailure(ConnectFailure::UnknownHost);
    case QAbstractSocket::SocketTimeoutError:
        return ReportFailure(ConnectFailure::TimedOut);
    case QAbstractSocket::NetworkError: // no route to the host or its network
        return ReportFailure(ConnectFailure::Unreachable);
    default:
        return ReportFailure(ConnectFailure::Other);
    }
}

void CDvrSocket::ReportFailure(ConnectFailure why)
{
    // Always queued: the error can be raised from inside connectToHost.
    m_bConnectReported = true;
    m_failure = why;
    QMetaObject::invokeMethod(this, [this] { m_rEvents.OnSocketConnected(false); },
                              Qt::QueuedConnection);
}

void CDvrSocket::OnReadyRead()
{
    if (m_bGathering)
        return;
    // Bytes Qt has already taken from the kernel are handed on at once, one bounded read per
    // notification, so a picture does not wait a turn of the event loop for each read; what
    // is left after that goes round the loop, so timers and input still get their turn.
    for (int nTurn = 0; nTurn < kReadsPerNotification; ++nTurn) {
        const uint64_t nReceivesBefore = m_nReceives;
        m_rEvents.OnSocketReadable();
        // The handler may have closed this socket (m_pTcp is then null); it is never
        // destroyed from inside this call (the link posts that step).
        if (!m_pTcp)
            return;
        if (m_pTcp->bytesAvailable() <= 0) {
            StartGathering();
            return;
        }
        // A reader that read nothing holds back (its decoders are busy): it comes for the
        // bytes itself, and telling it again would only spin.
        if (m_nReceives == nReceivesBefore)
            return;
    }
    RenotifyIfUnread();
}

void CDvrSocket::RenotifyIfUnread()
{
    if (!m_pTcp || m_bRenotifyQueued || m_pTcp->bytesAvailable() <= 0)
        return;
    m_bRenotifyQueued = true;
    QMetaObject::invokeMethod(this, [this] {
        m_bRenotifyQueued = false;
        if (m_pTcp && m_pTcp->bytesAvailable() > 0)
            OnReadyRead();
    }, Qt::QueuedConnection);
}

void CDvrSocket::StartGathering()
{
    if (m_pTcp->state() != QAbstractSocket::ConnectedState)
        return;
    // Qt stops watching the socket once its buffer holds what this allows (one byte), so the
    // rest waits in the kernel without waking anyone until the timer.
    m_bGathering = true;
    m_pTcp->setReadBufferSize(1);
    m_gatherTimer.start();
}

void CDvrSocket::EndGathering()
{
    if (!m_bGathering || !m_pTcp)
        return;
    m_bGathering = false;
    m_pTcp->setReadBufferSize(kReadAheadBytes); // Qt watches the socket again
    // What the kernel gathered is taken now, and the reader told, rather than at the next turn
    // of the loop; the byte Qt took before it stopped watching is read either way.
    if (!m_pTcp->waitForReadyRead(0) && m_pTcp && m_pTcp->bytesAvailable() > 0)
        OnReadyRead();
}

std::unique_ptr<StreamSocket> CDvrSocketFactory::Create(StreamSocketEvents& rEvents)
{
    return std::make_unique<CDvrSocket>(rEvents, m_lookup);
}

} // namespace ostrel
