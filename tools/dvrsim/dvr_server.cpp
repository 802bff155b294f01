#include "dvr_server.h"

#include "dvr_session.h"
#include "sim_log.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QHostAddress>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>

namespace ostrel::dvrsim {

CDvrServer::CDvrServer(const SimOptions& options) : m_options(options)
{
    for (int i = 0; i < 16; ++i)
    {
        m_liveFeeds[static_cast<size_t>(i)] = std::make_unique<CCameraFeed>(i, m_options.format);
        m_liveFeeds[static_cast<size_t>(i)]->SetHead(Head(i + 1));
    }
    if (m_options.nPrerendered > 0) {
        // Made before listening, so no client waits while it is drawn.
        QElapsedTimer clock;
        clock.start();
        m_ring = std::make_unique<CPictureRing>(m_options.nChannels, m_options.nPrerendered, m_options.format, NowMs());
        SimLog({}, QStringLiteral("pre-encoded %1 live pictures x 2 fields for %2 cameras in %3 ms: %4 kB")
                       .arg(m_ring->Size()).arg(m_ring->Cameras()).arg(clock.elapsed()).arg(m_ring->Bytes() / 1024));
    }
    m_nRangeStart = m_options.rangeStart ? *m_options.rangeStart
                                         : NowMs() / 1000 - static_cast<int64_t>(m_options.nRangeDays) * 86400;
    QObject::connect(&m_server, &QTcpServer::newConnection, this, [this] { OnNewConnection(); });
}

CDvrServer::~CDvrServer() = default;

CPtzHead* CDvrServer::Head(int nCamera)
{
    return nCamera >= 1 && nCamera <= kMovableCameras ? &m_heads[static_cast<size_t>(nCamera - 1)] : nullptr;
}

int64_t CDvrServer::NowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

RecordedRange CDvrServer::Range() const
{
    RecordedRange range;
    range.nStart = m_nRangeStart;
    range.nEnd = m_options.rangeEnd ? *m_options.rangeEnd : NowMs() / 1000;
    range.nEnd = std::max(range.nEnd, range.nStart + 1);
    return range;
}

bool CDvrServer::Listen()
{
    const QHostAddress address = m_options.strBind.isEmpty() ? QHostAddress(QHostAddress::Any)
                                                             : QHostAddress(m_options.strBind);
    if (address.isNull()) {
        SimLog({}, QStringLiteral("cannot listen: \"%1\" is not an address").arg(m_options.strBind));
        return false;
    }
    if (!m_server.listen(address, m_options.wPort)) {
        SimLog({}, QStringLiteral("cannot listen on %1:%2: %3")
                       .arg(address.toString()).arg(m_options.wPort).arg(m_server.errorString()));
        return false;
    }
    if (!m_options.strPortFile.isEmpty()) {
        QFile file(m_options.strPortFile);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(QByteArray::number(Port()) + '\n');
    }
    const RecordedRange range = Range();
    SimLog({}, QStringLiteral("listening on %1:%2, magic \"%3\", %4 channels, %5x%6 pictures, recorded %7 .. %8")
                   .arg(address.toString()).arg(Port()).arg(m_options.strMagic).arg(m_options.nChannels)
                   .arg(m_options.format.nWidth).arg(m_options.format.nHeight)
                   .arg(QDateTime::fromSecsSinceEpoch(range.nStart).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                        m_options.rangeEnd ? QDateTime::fromSecsSinceEpoch(range.nEnd).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                                           : QStringLiteral("now")));
    QStringList faults;
    const SimOptions& o = m_options;
    if (o.nSilenceAfter > 0)
        faults << QStringLiteral("silent after %1 packets").arg(o.nSilenceAfter);
    if (o.nCloseAfter > 0)
        faults << QStringLiteral("close after %1 packets").arg(o.nCloseAfter);
    if (o.split == SplitMode::Fixed)
        faults << QStringLiteral("writes split into %1-byte pieces").arg(o.nSplitBytes);
    if (o.split == SplitMode::Random)
        faults << QStringLiteral("writes split into random pieces of up to %1 bytes").arg(o.nSplitBytes);
    if (o.nCoalesce > 1)
        faults << QStringLiteral("%1 packets per write").arg(o.nCoalesce);
    if (o.nGarbageEvery > 0)
        faults << QStringLiteral("%1 garbage bytes after one packet in %2").arg(o.nGarbageBytes).arg(o.nGarbageEvery);
    if (o.nWrongChannelEvery > 0)
        faults << QStringLiteral("wrong code in one picture in %1").arg(o.nWrongChannelEvery);
    if (o.nTruncateEvery > 0)
        faults << QStringLiteral("one JPEG in %1 cut short").arg(o.nTruncateEvery);
    if (o.nOversizeEvery > 0)
        faults << QStringLiteral("huge length in one packet in %1").arg(o.nOversizeEvery);
    if (!faults.isEmpty())
        SimLog({}, QStringLiteral("faults: ") + faults.join(QStringLiteral(", ")));
    return true;
}

uint16_t CDvrServer::Port() const
{
    return m_server.serverPort();
}

void CDvrServer::OnNewConnection()
{
    while (QTcpSocket* pSocket = m_server.nextPendingConnection()) {
        auto session = std::make_unique<CDvrSession>(m_nNextId++, pSocket, *this);
        session->SetOnFinished([this](CDvrSession* p) { OnSessionFinished(p); });
        m_sessions.push_back(std::move(session));
    }
}

void CDvrServer::OnSessionFinished(CDvrSession* pSession)
{
    // Deleted later: the session is still inside its own handler.
    QTimer::singleShot(0, this, [this, pSession] {
        m_sessions.erase(std::remove_if(m_sessions.begin(), m_sessions.end(),
                                        [pSession](const auto& p) { return p.get() == pSession; }),
                         m_sessions.end());
    });
}

} // namespace ostrel::dvrsim
