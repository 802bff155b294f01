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

namespace {

FaultPlanSettings PlanSettings(const SimOptions& o)
{
    FaultPlanSettings settings;
    settings.nCycleMs = static_cast<int64_t>(o.nFaultCycleSec) * 1000;
    settings.nOutageAtMs = static_cast<int64_t>(o.nOutageAtSec) * 1000;
    settings.nOutageMs = static_cast<int64_t>(o.nOutageSec) * 1000;
    settings.nDeafAtMs = static_cast<int64_t>(o.nDeafAtSec) * 1000;
    settings.nDeafMs = static_cast<int64_t>(o.nDeafSec) * 1000;
    return settings;
}

} // namespace

CDvrServer::CDvrServer(const SimOptions& options)
    : m_options(options), m_faults(options), m_plan(PlanSettings(options))
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
    m_planTimer.setSingleShot(true);
    m_planTimer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_planTimer, &QTimer::timeout, this, [this] { OnPlanTick(); });
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
    if (o.nAlarmFloodPerSec > 0)
        faults << QStringLiteral("%1 alarm notices a second").arg(o.nAlarmFloodPerSec);
    if (o.nEventLogFloodMs > 0)
        faults << QStringLiteral("an unasked event log every %1 ms").arg(o.nEventLogFloodMs);
    if (o.nTrickleByteMs > 0)
        faults << QStringLiteral("a header, then one byte every %1 ms").arg(o.nTrickleByteMs);
    if (!faults.isEmpty())
        SimLog({}, QStringLiteral("faults: ") + faults.join(QStringLiteral(", ")));

    m_address = address;
    m_wListenPort = Port();
    if (m_plan.Active()) {
        const FaultPlanSettings& plan = m_plan.Settings();
        if (plan.nCycleMs > 0) {
            QStringList windows;
            for (int n = 0; n < CFaultPlan::kSlots; ++n) {
                if (m_plan.SlotFault(n) != PlannedFault::None)
                    windows << QStringLiteral("%1 %2-%3 s").arg(QLatin1String(PlannedFaultName(m_plan.SlotFault(n))))
                                   .arg(m_plan.SlotStartMs(n) / 1000.0).arg(m_plan.SlotEndMs(n) / 1000.0);
            }
            SimLog({}, QStringLiteral("fault plan: a %1 s cycle, every connection closed at its end; %2")
                           .arg(plan.nCycleMs / 1000.0).arg(windows.join(QStringLiteral(", "))));
        }
        if (plan.nOutageMs > 0)
            SimLog({}, QStringLiteral("fault plan: an outage of %1 s at %2 s").arg(plan.nOutageMs / 1000.0)
                           .arg(plan.nOutageAtMs / 1000.0));
        if (plan.nDeafMs > 0)
            SimLog({}, QStringLiteral("fault plan: the connections of the moment go unread for %1 s at %2 s")
                           .arg(plan.nDeafMs / 1000.0).arg(plan.nDeafAtMs / 1000.0));
        m_planClock.start();
        OnPlanTick();
    }
    return true;
}

void CDvrServer::OnPlanTick()
{
    const int64_t nElapsed = m_planClock.elapsed();
    const CFaultPlan::State state = m_plan.At(nElapsed);
    const CFaultPlan::State was = m_planState;
    m_planState = state;
    const QString strAt = QStringLiteral("%1 s").arg(nElapsed / 1000.0, 0, 'f', 1);

    if (state.bOutage && !was.bOutage) {
        m_server.close();
        SimLog({}, QStringLiteral("fault plan, %1: outage for %2 s: not listening").arg(strAt)
                       .arg(m_plan.Settings().nOutageMs / 1000.0));
        DropEverySession(QStringLiteral("fault plan: dropped by the outage"));
    } else if (!state.bOutage && was.bOutage) {
        if (m_server.listen(m_address, m_wListenPort))
            SimLog({}, QStringLiteral("fault plan, %1: outage over, listening again on port %2").arg(strAt).arg(Port()));
        else
            SimLog({}, QStringLiteral("fault plan, %1: cannot listen again on port %2: %3")
                           .arg(strAt).arg(m_wListenPort).arg(m_server.errorString()));
    }
    if (state.nCloses > was.nCloses && !state.bOutage) {
        SimLog({}, QStringLiteral("fault plan, %1: end of cycle %2, closing every connection").arg(strAt).arg(state.nCloses));
        DropEverySession(QStringLiteral("fault plan: closed at the end of the cycle"));
    }
    if (state.fault != was.fault) {
        m_faults = WithPlannedFault(m_options, state.fault);
        m_bSilent = state.fault == PlannedFault::Silence;
        SimLog({}, QStringLiteral("fault plan, %1: now %2").arg(strAt, QLatin1String(PlannedFaultName(state.fault))));
        for (const auto& pSession : m_sessions)
            pSession->OnFaultsChanged();
    }
    if (state.bDeaf != was.bDeaf) {
        // Only the connections open now: one that comes later is read, so a client that gives
        // this one up gets through.
        SimLog({}, QStringLiteral("fault plan, %1: %2 reading the %3 connection(s) open").arg(strAt)
                       .arg(state.bDeaf ? QStringLiteral("stops") : QStringLiteral("resumes")).arg(m_sessions.size()));
        for (const auto& pSession : m_sessions)
            pSession->SetDeaf(state.bDeaf);
    }

    const int64_t nNext = m_plan.NextChangeMs(nElapsed);
    if (nNext >= 0)
        m_planTimer.start(static_cast<int>(std::clamp<int64_t>(nNext - m_planClock.elapsed(), 0, 1 << 30)));
}

void CDvrServer::DropEverySession(const QString& strWhy)
{
    // Sessions are deleted later, so the list stays whole while this walks it.
    for (const auto& pSession : m_sessions)
        pSession->Drop(strWhy);
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
