#include "dvr_session.h"

#include "dvr_server.h"
#include "event_log_maker.h"
#include "pelco_decoder.h"
#include "scene_painter.h"
#include "sim_log.h"

#include <QDateTime>
#include <QHostAddress>
#include <QTcpSocket>

#include <algorithm>

namespace ostrel::dvrsim {

namespace {

constexpr size_t kCongestedBytes = 2u * 1024u * 1024u; // stop adding pictures past this backlog
constexpr int kMaxPicturesPerTick = 16;
constexpr uint32_t kOversizedLength = 0x7FFFFFFFu;

QString Hex(uint32_t dw)
{
    return QStringLiteral("0x") + QString::number(dw, 16).toUpper();
}

QString Moment(int64_t nSeconds)
{
    return QDateTime::fromSecsSinceEpoch(nSeconds).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString ChannelList(const std::vector<int>& channels)
{
    QStringList names;
    for (int n : channels)
        names << QString::number(n + 1);
    return names.join(QLatin1Char(','));
}

} // namespace

CDvrSession::CDvrSession(int nId, QTcpSocket* pSocket, CDvrServer& server)
    : m_nId(nId), m_pSocket(pSocket), m_server(server),
      m_builder(server.Options().strMagic.toStdString()), m_random(server.Options().dwSeed + static_cast<uint32_t>(nId))
{
    m_pSocket->setParent(this);
    m_pSocket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    m_strPeer = QStringLiteral("#%1 %2:%3").arg(m_nId).arg(m_pSocket->peerAddress().toString()).arg(m_pSocket->peerPort());
    Log(QStringLiteral("connected"));

    QObject::connect(m_pSocket, &QTcpSocket::readyRead, this, [this] { OnReadyRead(); });
    QObject::connect(m_pSocket, &QTcpSocket::disconnected, this, [this] { OnDisconnected(); });
    m_streamTimer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_streamTimer, &QTimer::timeout, this, [this] { OnStreamTick(); });
    QObject::connect(&m_alarmTimer, &QTimer::timeout, this, [this] { OnAlarmTick(); });
    QObject::connect(&m_statsTimer, &QTimer::timeout, this, [this] { OnStatsTick(); });
    m_pieceTimer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_pieceTimer, &QTimer::timeout, this, [this] { DrainPieces(); });
    m_coalesceTimer.setSingleShot(true);
    QObject::connect(&m_coalesceTimer, &QTimer::timeout, this, [this] { FlushCoalesced(); });
    m_floodTimer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_floodTimer, &QTimer::timeout, this, [this] { OnFloodTick(); });
    QObject::connect(&m_eventLogTimer, &QTimer::timeout, this, [this] { OnEventLogFloodTick(); });
    m_trickleTimer.setSingleShot(true);
    m_trickleTimer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_trickleTimer, &QTimer::timeout, this, [this] { OnTrickleTick(); });
    m_statsTimer.start(10000);

    m_timeline.SetDailyGap(server.Options().nGapFrom, server.Options().nGapTo);
    OnFaultsChanged();
}

CDvrSession::~CDvrSession()
{
    m_pSocket->disconnect(this);
}

void CDvrSession::Log(const QString& strText) const
{
    SimLog(m_strPeer, strText);
}

void CDvrSession::OnDisconnected()
{
    if (m_bFinished)
        return;
    m_bFinished = true;
    m_streamTimer.stop();
    m_alarmTimer.stop();
    m_statsTimer.stop();
    m_pieceTimer.stop();
    m_coalesceTimer.stop();
    m_floodTimer.stop();
    m_eventLogTimer.stop();
    m_trickleTimer.stop();
    Log(QStringLiteral("disconnected after %1 packets").arg(m_nPacketsSent));
    if (m_onFinished)
        m_onFinished(this);
}

void CDvrSession::Drop(const QString& strWhy)
{
    if (m_bFinished)
        return;
    Log(strWhy);
    m_pieces.clear();
    m_nPieceBytes = 0;
    m_coalesced.clear();
    m_nCoalesced = 0;
    m_trickle.Rest();
    m_pSocket->abort();
    OnDisconnected(); // in case the abort did not say so
}

void CDvrSession::OnReadyRead()
{
    if (m_bDeaf)
        return;
    // No more than one request's worth at a time: the reader keeps only that much unparsed, so a
    // backlog of many small requests read in one go would lose some.
    uint8_t buffer[CRequestReader::kMaxRequestBytes];
    for (;;) {
        const qint64 n = m_pSocket->read(reinterpret_cast<char*>(buffer), sizeof buffer);
        if (n <= 0)
            break;
        const size_t nSkippedBefore = m_reader.SkippedBytes();
        m_reader.Feed(buffer, static_cast<size_t>(n));
        DvrRequest request;
        while (m_reader.Next(request))
            Handle(request);
        if (m_reader.SkippedBytes() != nSkippedBefore)
            Log(QStringLiteral("skipped %1 bytes that were no request").arg(m_reader.SkippedBytes() - nSkippedBefore));
    }
}

void CDvrSession::Handle(const DvrRequest& request)
{
    const uint32_t dwType = request.header.dwDataType;
    if (dwType == wire::DATATYPE_LOGIN) {
        HandleLogin(request);
        return;
    }
    if (!m_bLoggedIn) {
        Log(QStringLiteral("request %1 before a login: ignored").arg(Hex(dwType)));
        return;
    }
    const wire::ParamBlock& p = request.params;
    switch (dwType) {
    case wire::DATATYPE_LIVE_REQUEST:
        HandleLive(request);
        break;
    case wire::DATATYPE_PLAY_REQUEST:
        HandlePlay(request);
        break;
    case wire::DATATYPE_STOP:
        Log(QStringLiteral("stop request: streams stopped, stop confirmed"));
        StopStreams();
        m_packet.clear();
        m_builder.AppendStopReply(m_packet);
        Emit(m_packet);
        break;
    case wire::DATATYPE_DVR_STATUS2: {
        const RecordedRange range = m_server.Range();
        Log(QStringLiteral("status request: recorded %1 .. %2").arg(Moment(range.nStart), Moment(range.nEnd)));
        m_packet.clear();
        m_builder.AppendStatusReply(m_packet, range);
        Emit(m_packet);
        break;
    }
    case wire::DATATYPE_EVENT_LOG_REQUEST: {
        const std::vector<uint8_t> records = CEventLogMaker::Make(
            m_server.Range(), m_server.Options().nChannels, static_cast<size_t>(m_server.Options().nEventCount),
            m_server.Options().dwSeed, [this](int64_t nSeconds) { return !m_timeline.InGap(nSeconds); });
        Log(QStringLiteral("event log request: %1 records").arg(records.size() / kAlarmEventRecordBytes));
        m_packet.clear();
        m_builder.AppendEventLog(m_packet, records);
        Emit(m_packet);
        break;
    }
    case wire::DATATYPE_KEY_EMUL: {
        // The client sends 0x201 after its login and 0x204 when archive play is pressed before
        // it knows the range; the status request it sends next brings the range. A key changes
        // nothing here: no reply, and a running stream goes on. A client answering a flood of
        // login replies sends thousands: a line a second at most, and a count every 10 s.
        ++m_nKeysUnlogged;
        ++m_nKeysSinceStats;
        if (m_keyLogClock.isValid() && m_keyLogClock.elapsed() < 1000)
            break;
        m_keyLogClock.start();
        const uint32_t dwKey = p[0] & 0xFFFFu;
        const char* pszWhy = dwKey == 0x201u ? " (after login)" : dwKey == 0x204u ? " (archive play control)" : "";
        Log(QStringLiteral("key emulation %1%2: noted, nothing sent%3").arg(Hex(dwKey), QLatin1String(pszWhy),
                m_nKeysUnlogged > 1 ? QStringLiteral(" (%1 since the last such line)").arg(m_nKeysUnlogged) : QString()));
        m_nKeysUnlogged = 0;
        break;
    }
    case wire::DATATYPE_PTZ_DATA: {
        const size_t n = std::min<size_t>(p[1], request.payload.size());
        const QByteArray bytes(reinterpret_cast<const char*>(request.payload.data()), static_cast<qsizetype>(n));
        Log(QStringLiteral("PTZ data, %1 bytes: %2%3").arg(n).arg(QString::fromLatin1(bytes.toHex(' ')),
                                                                  m_server.Options().bPtzReply ? QStringLiteral(" (replied)") : QString()));
        for (const PelcoCommand& command : DecodePelco(request.payload.data(), n)) {
            CPtzHead* pHead = m_server.Head(command.nCamera);
            if (pHead)
                pHead->Apply(command, CDvrServer::NowMs());
            Log(QStringLiteral("  %1%2").arg(QString::fromStdString(DescribePelco(command)),
                                            pHead ? QString() : QStringLiteral(" (a fixed camera: nothing moves)")));
        }
        if (m_server.Options().bPtzReply) {
            m_packet.clear();
            m_builder.AppendPtzReply(m_packet);
            Emit(m_packet);
        }
        break;
    }
    default:
        Log(QStringLiteral("request %1: not known, ignored").arg(Hex(dwType)));
        break;
    }
}

void CDvrSession::HandleLogin(const DvrRequest& request)
{
    const SimOptions& o = m_server.Options();
    const bool bUserOk = !o.user || QString::fromStdString(request.strUser) == *o.user;
    const bool bPasswordOk = !o.password || QString::fromStdString(request.strPassword) == *o.password;
    m_bLoggedIn = bUserOk && bPasswordOk;
    const RecordedRange range = m_server.Range();
    m_timeline.SetRange(range);
    m_packet.clear();
    m_builder.AppendLoginReply(m_packet, m_bLoggedIn, static_cast<uint8_t>(o.nModel), static_cast<uint8_t>(o.nChannels), range);
    if (m_bLoggedIn) {
        Log(QStringLiteral("login \"%1\" accepted: \"%2\", %3 channels").arg(QString::fromStdString(request.strUser), o.strMagic).arg(o.nChannels));
        if (o.nAlarmEverySec > 0)
            m_alarmTimer.start(o.nAlarmEverySec * 1000);
    } else {
        Log(QStringLiteral("login \"%1\" refused: wrong %2").arg(QString::fromStdString(request.strUser),
                                                                   bUserOk ? QStringLiteral("password") : QStringLiteral("user ID")));
        StopStreams();
        m_alarmTimer.stop();
    }
    Emit(m_packet);
}

void CDvrSession::HandleLive(const DvrRequest& request)
{
    const wire::ParamBlock& p = request.params;
    std::vector<int> channels = LiveChannels(p, m_server.Options().nChannels);
    // One camera alone comes at the single view's rate, whatever the view's fields say.
    const bool bSingle = channels.size() == 1;
    const int nFps = bSingle ? m_server.Options().nSingleFps : m_server.Options().nFps;
    if (channels.empty())
        Log(QStringLiteral("live request (P0 %1, P1 %2, mask %3): no channel to send").arg(p[0]).arg(p[1]).arg(Hex(p[2])));
    else
        Log(QStringLiteral("live request (P0 %1, P1 %2): channels %3 at %4 pictures/s each%5")
                .arg(p[0]).arg(p[1]).arg(ChannelList(channels)).arg(nFps)
                .arg(m_server.Ring() ? QStringLiteral(", pre-encoded") : QString()));
    const Stream stream = channels.empty() ? Stream::None : Stream::Live;
    StartStream(stream, std::move(channels), nFps);
}

void CDvrSession::HandlePlay(const DvrRequest& request)
{
    const PlayRequest play = PlayRequest::FromParams(request.params.data());
    const uint8_t byVersion = m_builder.Version();
    m_timeline.SetRange(m_server.Range());

    if (play.byCommand == CPlayTimeline::kPlayCommandStop) {
        Log(QStringLiteral("play request: stop"));
        StopStreams();
        return;
    }
    const bool bChange = play.byCommand == CPlayTimeline::kPlayCommandChange && m_stream == Stream::Play
        && m_timeline.IsPlaying();
    if (bChange) {
        m_timeline.Change(play.bySpeed, play.bReverse);
        Log(QStringLiteral("play request: now %1 at %2 x (speed byte %3) from %4")
                .arg(play.bReverse ? "reverse" : "forward").arg(m_timeline.Speed()).arg(play.bySpeed)
                .arg(Moment(m_timeline.MomentSeconds())));
        return;
    }

    StopStreams();
    const auto reply = [this](uint8_t byCode, const QString& strWhy) {
        Log(QStringLiteral("play request: %1 (status %2)").arg(strWhy).arg(byCode));
        m_packet.clear();
        m_builder.AppendPlayStatus(m_packet, byCode);
        Emit(m_packet);
    };
    int64_t nStart = 0;
    if (!CPlayTimeline::DecodeStart(byVersion, play.dwStartA, play.dwStartB, nStart)) {
        reply(PLAY_INVALID_DATE, QStringLiteral("no such date %1 %2").arg(Hex(play.dwStartA), Hex(play.dwStartB)));
        return;
    }
    std::vector<int> channels;
    const int nCount = m_server.Options().nChannels;
    if (play.nChannel < 0) {
        for (int i = 0; i < nCount; ++i)
            channels.push_back(i);
    } else if (play.nChannel < nCount) {
        channels.push_back(play.nChannel);
    } else {
        reply(PLAY_NO_IMAGE, QStringLiteral("channel %1 is not recorded").arg(play.nChannel + 1));
        return;
    }
    const uint8_t byStatus = m_timeline.Start(nStart, play.bySpeed, play.bReverse);
    if (byStatus == PLAY_INVALID_DATE) {
        reply(byStatus, QStringLiteral("%1 is outside the recording").arg(Moment(nStart)));
        return;
    }
    if (byStatus == PLAY_NO_IMAGE) {
        reply(byStatus, QStringLiteral("nothing recorded at %1").arg(Moment(nStart)));
        return;
    }
    Log(QStringLiteral("play request: channels %1 %2 at %3 x (speed byte %4) from %5")
            .arg(ChannelList(channels), play.bReverse ? "reverse" : "forward").arg(m_timeline.Speed()).arg(play.bySpeed)
            .arg(Moment(nStart)));
    StartStream(Stream::Play, std::move(channels), m_server.Options().nPlayFps);
}

void CDvrSession::StopStreams()
{
    m_stream = Stream::None;
    m_streamTimer.stop();
    m_timeline.Stop();
    m_channels.clear();
}

void CDvrSession::StartStream(Stream stream, std::vector<int> channels, int nFps)
{
    m_stream = stream;
    m_channels = std::move(channels);
    m_nFps = std::max(1, nFps);
    m_nNext = 0;
    m_nStreamSent = 0;
    m_nAdvancedMs = 0;
    m_streamClock.start();
    if (m_stream == Stream::None || m_channels.empty()) {
        m_streamTimer.stop();
        return;
    }
    const int nTotal = m_nFps * static_cast<int>(m_channels.size());
    m_streamTimer.start(std::clamp(1000 / nTotal, 1, 20));
    OnStreamTick();
}

void CDvrSession::OnStreamTick()
{
    if (m_stream == Stream::None || m_channels.empty() || m_bSilenced || m_bClosing || m_server.Silent())
        return;
    const int64_t nElapsed = m_streamClock.elapsed();

    if (m_stream == Stream::Play) {
        if (!m_server.Options().rangeEnd)
            m_timeline.SetRange(m_server.Range());
        const uint8_t byStatus = m_timeline.Advance(nElapsed - m_nAdvancedMs);
        m_nAdvancedMs = nElapsed;
        if (byStatus != wire::PLAY_IMAGE_FOLLOWS) {
            Log(QStringLiteral("end of play at %1 (status %2)").arg(Moment(m_timeline.MomentSeconds())).arg(byStatus));
            StopStreams();
            m_packet.clear();
            m_builder.AppendPlayStatus(m_packet, PLAY_END);
            Emit(m_packet);
            return;
        }
    }

    const int64_t nTotalRate = static_cast<int64_t>(m_nFps) * static_cast<int64_t>(m_channels.size());
    const int64_t nDue = nElapsed * nTotalRate / 1000 + 1;
    if (nDue - m_nStreamSent > nTotalRate) { // more than a second behind: let it go
        m_nSkippedSinceStats += nDue - 1 - m_nStreamSent;
        m_nStreamSent = nDue - 1;
    }
    for (int i = 0; i < kMaxPicturesPerTick && m_nStreamSent < nDue && m_stream != Stream::None; ++i) {
        if (Congested()) {
            m_nSkippedSinceStats += nDue - m_nStreamSent;
            m_nStreamSent = nDue;
            break;
        }
        const int nChannel = m_channels[m_nNext];
        m_nNext = (m_nNext + 1) % m_channels.size();
        ++m_nStreamSent;
        if (m_stream == Stream::Live)
            SendLivePicture(nChannel);
        else
            SendPlayPicture(nChannel);
    }
}

const std::vector<uint8_t>& CDvrSession::FaultedPicture(CCameraFeed& feed, int64_t nMomentMs, bool bOddField, size_t& nLength,
                                                        const std::vector<uint8_t>* pReady)
{
    const SimOptions& o = m_server.Faults();
    ++m_nPictures;
    const std::vector<uint8_t>* pJpeg = nullptr;
    if (o.nWrongChannelEvery > 0 && m_nPictures % o.nWrongChannelEvery == 0) {
        const int nWrong = (feed.Camera() + 1 + static_cast<int>(m_random() % 15)) % 16;
        pJpeg = &feed.PictureWithCode(nMomentMs, bOddField, nWrong);
        CountFault(kFaultWrongCode, QStringLiteral("fault: channel %1 picture painted with channel %2's code (one picture in %3)")
                                        .arg(feed.Camera() + 1).arg(nWrong + 1).arg(o.nWrongChannelEvery));
    } else {
        pJpeg = pReady != nullptr ? pReady : &feed.Picture(nMomentMs, bOddField);
    }
    nLength = pJpeg->size();
    if (o.nTruncateEvery > 0 && m_nPictures % o.nTruncateEvery == 0) {
        const size_t nWhole = nLength;
        nLength = nLength / 4 + m_random() % (nLength / 2 + 1); // a quarter to three quarters survive
        CountFault(kFaultTruncated, QStringLiteral("fault: JPEG cut from %1 to %2 bytes (one picture in %3)")
                                        .arg(nWhole).arg(nLength).arg(o.nTruncateEvery));
    }
    return *pJpeg;
}

void CDvrSession::SendLivePicture(int nChannel)
{
    const bool bOdd = m_oddField[static_cast<size_t>(nChannel)];
    m_oddField[static_cast<size_t>(nChannel)] = !bOdd;
    const int64_t nNowMs = CDvrServer::NowMs();
    int64_t nMomentMs = nNowMs;
    const std::vector<uint8_t>* pReady = nullptr;
    if (const CPictureRing* pRing = m_server.Ring(); pRing != nullptr && nChannel < pRing->Cameras()) {
        int& nNext = m_ringNext[static_cast<size_t>(nChannel)];
        nMomentMs = pRing->MomentMs(nNext);
        pReady = &pRing->Picture(nChannel, nNext, bOdd);
        nNext = (nNext + 1) % pRing->Size();
    }
    size_t nLength = 0;
    const std::vector<uint8_t>& jpeg = FaultedPicture(m_server.LiveFeed(nChannel), nMomentMs, bOdd, nLength, pReady);
    if (jpeg.empty())
        return;
    // Record position: how full the disk is, creeping round once every ten days.
    const uint32_t dwRecordPos = static_cast<uint32_t>((nNowMs / 1000) % 864000 * 1000000 / 864000);
    const int nCount = m_server.Options().nChannels;
    const uint32_t dwVideo = nCount >= 16 ? 0xFFFFu : (1u << nCount) - 1u;
    m_packet.clear();
    m_builder.AppendLiveImage(m_packet, nChannel, m_timeline.Position(), dwRecordPos, dwVideo, 0, jpeg.data(), nLength);
    ++m_nPicturesSinceStats;
    Emit(m_packet);
}

void CDvrSession::SendPlayPicture(int nChannel)
{
    auto& pFeed = m_playFeeds[static_cast<size_t>(nChannel)];
    if (!pFeed)
        pFeed = std::make_unique<CCameraFeed>(nChannel, m_server.Options().format);
    const bool bOdd = m_oddField[static_cast<size_t>(nChannel)];
    m_oddField[static_cast<size_t>(nChannel)] = !bOdd;
    size_t nLength = 0;
    const std::vector<uint8_t>& jpeg = FaultedPicture(*pFeed, m_timeline.MomentMs(), bOdd, nLength);
    if (jpeg.empty())
        return;
    m_packet.clear();
    m_builder.AppendPlayImage(m_packet, nChannel, m_timeline.MomentSeconds(), m_timeline.Position(), jpeg.data(), nLength);
    ++m_nPicturesSinceStats;
    Emit(m_packet);
}

void CDvrSession::OnAlarmTick()
{
    if (!m_bLoggedIn)
        return;
    const int nChannel = 1 + m_nAlarmCount % std::min(4, m_server.Options().nChannels);
    const int nKind = (m_nAlarmCount / 4) % 3;
    ++m_nAlarmCount;
    const bool bMotion = nKind == 0 || m_nAlarmCount % 5 == 0;
    const bool bLoss = nKind == 1;
    const bool bAlarm = nKind == 2;
    Log(QStringLiteral("alarm notice: channel %1, alarm %2 loss %3 motion %4").arg(nChannel).arg(bAlarm).arg(bLoss).arg(bMotion));
    m_packet.clear();
    m_builder.AppendAlarmEvent(m_packet, nChannel, bMotion, bLoss, bAlarm);
    Emit(m_packet);
}

void CDvrSession::OnFaultsChanged()
{
    if (m_bFinished)
        return;
    const SimOptions& o = m_server.Faults();
    if (m_trickle.Busy() && o.nTrickleByteMs <= 0) {
        m_trickleTimer.stop();
        const std::vector<uint8_t> rest = m_trickle.Rest();
        Write(rest.data(), rest.size());
        Log(QStringLiteral("trickle over: the last %1 bytes at once; %2 packets were not sent meanwhile")
                .arg(rest.size()).arg(m_nTrickleDropped));
        m_nTrickleDropped = 0;
    }
    const bool bFlood = o.nAlarmFloodPerSec > 0 || m_bDeaf;
    if (bFlood && !m_floodTimer.isActive()) {
        m_floodClock.restart();
        m_nFloodDue = 0;
        m_nFlooded = 0;
        m_floodTimer.start(10);
        if (!m_bDeaf)
            Log(QStringLiteral("fault: %1 alarm notices a second").arg(o.nAlarmFloodPerSec));
    } else if (!bFlood && m_floodTimer.isActive()) {
        m_floodTimer.stop();
        Log(QStringLiteral("flood over: %1 packets sent").arg(m_nFlooded));
    }
    if (o.nEventLogFloodMs > 0 && !m_eventLogTimer.isActive()) {
        m_floodLog = CEventLogMaker::Make(m_server.Range(), o.nChannels, static_cast<size_t>(o.nEventCount), o.dwSeed,
                                          [this](int64_t nSeconds) { return !m_timeline.InGap(nSeconds); });
        m_nUnaskedLogs = 0;
        m_eventLogTimer.start(o.nEventLogFloodMs);
    } else if (o.nEventLogFloodMs <= 0 && m_eventLogTimer.isActive()) {
        m_eventLogTimer.stop();
        m_floodLog.clear();
        m_floodLog.shrink_to_fit();
        Log(QStringLiteral("event-log flood over: %1 unasked logs sent").arg(m_nUnaskedLogs));
    }
}

void CDvrSession::SetDeaf(bool bDeaf)
{
    if (m_bFinished || bDeaf == m_bDeaf)
        return;
    m_bDeaf = bDeaf;
    if (bDeaf) {
        // Qt would otherwise go on reading into a buffer of its own without limit.
        m_pSocket->setReadBufferSize(1);
        Log(QStringLiteral("fault: not reading this connection; answering a login %1 times a second meanwhile")
                .arg(kDeafAnswersPerSecond));
        OnFaultsChanged();
        return;
    }
    OnFaultsChanged();
    m_pSocket->setReadBufferSize(0);
    Log(QStringLiteral("reading again"));
    OnReadyRead();
}

void CDvrSession::OnFloodTick()
{
    if (!m_bLoggedIn || m_bSilenced || m_bClosing || m_server.Silent())
        return;
    const SimOptions& o = m_server.Faults();
    const int nPerSecond = m_bDeaf ? kDeafAnswersPerSecond : o.nAlarmFloodPerSec;
    const int64_t nDue = m_floodClock.elapsed() * nPerSecond / 1000;
    // A client that does not keep up gets what it takes; the rest is let go.
    for (int i = 0; i < 1000 && m_nFloodDue < nDue && !Congested(); ++i, ++m_nFloodDue) {
        m_packet.clear();
        if (m_bDeaf) {
            m_builder.AppendLoginReply(m_packet, true, static_cast<uint8_t>(o.nModel), static_cast<uint8_t>(o.nChannels),
                                       m_server.Range());
        } else {
            const int nChannel = 1 + static_cast<int>(m_nFloodDue % std::min(4, o.nChannels));
            m_builder.AppendAlarmEvent(m_packet, nChannel, true, m_nFloodDue % 3 == 1, m_nFloodDue % 3 == 2);
        }
        Emit(m_packet);
        ++m_nFlooded;
    }
    m_nFloodDue = nDue;
}

void CDvrSession::OnEventLogFloodTick()
{
    if (!m_bLoggedIn || Congested())
        return;
    if (m_nUnaskedLogs++ == 0)
        Log(QStringLiteral("fault: an unasked event log of %1 records every %2 ms")
                .arg(m_floodLog.size() / kAlarmEventRecordBytes).arg(m_server.Faults().nEventLogFloodMs));
    m_packet.clear();
    m_builder.AppendEventLog(m_packet, m_floodLog);
    Emit(m_packet);
}

void CDvrSession::OnTrickleTick()
{
    if (!m_trickle.Busy())
        return;
    const std::vector<uint8_t> bytes = m_trickle.Due(CDvrServer::NowMs());
    Write(bytes.data(), bytes.size());
    if (m_trickle.Busy())
        m_trickleTimer.start(static_cast<int>(std::max<int64_t>(1, m_trickle.NextDueMs() - CDvrServer::NowMs())));
}

void CDvrSession::CountFault(FaultKind kind, const QString& strFirst)
{
    if (m_faults[kind]++ == 0)
        Log(strFirst + QStringLiteral("; further ones are counted in the 10 s lines"));
}

void CDvrSession::OnStatsTick()
{
    if (m_nKeysSinceStats > 1) {
        Log(QStringLiteral("%1 key emulations in the last 10 s").arg(m_nKeysSinceStats));
        m_nKeysSinceStats = 0;
    }
    if (m_nPicturesSinceStats == 0 && m_nSkippedSinceStats == 0)
        return;
    QString strFaults;
    const char* names[kFaultKinds] = {"wrong codes", "cut JPEGs", "oversized lengths", "garbage runs"};
    for (int i = 0; i < kFaultKinds; ++i) {
        if (m_faults[static_cast<size_t>(i)] > 0)
            strFaults += QStringLiteral("%1%2 %3").arg(strFaults.isEmpty() ? QStringLiteral("; faults so far: ") : QStringLiteral(", "))
                             .arg(m_faults[static_cast<size_t>(i)]).arg(QLatin1String(names[i]));
    }
    Log(QStringLiteral("%1 pictures, %2 kB in the last 10 s%3%4")
            .arg(m_nPicturesSinceStats).arg(m_nBytesSinceStats / 1024)
            .arg(m_nSkippedSinceStats > 0 ? QStringLiteral("; %1 skipped, the client did not keep up").arg(m_nSkippedSinceStats)
                                          : QString(), strFaults));
    m_nPicturesSinceStats = m_nBytesSinceStats = m_nSkippedSinceStats = 0;
}

bool CDvrSession::Congested() const
{
    return static_cast<size_t>(m_pSocket->bytesToWrite()) + m_nPieceBytes + m_coalesced.size() > kCongestedBytes;
}

void CDvrSession::Emit(std::vector<uint8_t>& packet)
{
    const SimOptions& o = m_server.Faults();
    if (m_bSilenced || m_bClosing || m_server.Silent() || packet.size() < wire::kMinPacketBytes)
        return;
    ++m_nPacketsSent;
    if (o.nOversizeEvery > 0 && m_nPacketsSent % o.nOversizeEvery == 0) {
        CountFault(kFaultOversized, QStringLiteral("fault: total length %1 announced for a %2-byte packet (one packet in %3)")
                                        .arg(Hex(kOversizedLength)).arg(packet.size()).arg(o.nOversizeEvery));
        wire::PutLe32(packet.data() + 16, kOversizedLength);
    }
    m_nBytesSinceStats += static_cast<int64_t>(packet.size());

    if (m_trickle.Busy()) {
        ++m_nTrickleDropped;
        return;
    }
    if (o.nTrickleByteMs > 0 && packet.size() > wire::kHeaderBytes) {
        FlushCoalesced();
        const std::vector<uint8_t> header = m_trickle.Start(packet.data(), packet.size(), CDvrServer::NowMs(), o.nTrickleByteMs);
        Write(header.data(), header.size());
        Log(QStringLiteral("fault: a %1-byte packet trickles: its header now, then one byte every %2 ms; nothing else is sent")
                .arg(packet.size()).arg(o.nTrickleByteMs));
        m_trickleTimer.start(o.nTrickleByteMs);
        return;
    }

    if (o.nCoalesce <= 1 && !m_coalesced.empty())
        FlushCoalesced(); // coalescing has just ended: what it held goes first
    if (o.nCoalesce > 1) {
        m_coalesced.insert(m_coalesced.end(), packet.begin(), packet.end());
        if (++m_nCoalesced >= o.nCoalesce)
            FlushCoalesced();
        else if (!m_coalesceTimer.isActive())
            m_coalesceTimer.start(50);
    } else {
        Write(packet.data(), packet.size());
    }

    if (o.nGarbageEvery > 0 && m_nPacketsSent % o.nGarbageEvery == 0) {
        // Random bytes that can never spell a header: no 'D' among them.
        std::vector<uint8_t> garbage(static_cast<size_t>(o.nGarbageBytes));
        for (uint8_t& by : garbage) {
            by = static_cast<uint8_t>(m_random());
            if (by == 'D')
                by = 'd';
        }
        CountFault(kFaultGarbage, QStringLiteral("fault: %1 garbage bytes after the packet (one packet in %2)")
                                      .arg(garbage.size()).arg(o.nGarbageEvery));
        if (o.nCoalesce > 1)
            m_coalesced.insert(m_coalesced.end(), garbage.begin(), garbage.end());
        else
            Write(garbage.data(), garbage.size());
    }

    if (o.nSilenceAfter > 0 && m_nPacketsSent >= o.nSilenceAfter) {
        FlushCoalesced();
        m_bSilenced = true;
        m_streamTimer.stop();
        m_alarmTimer.stop();
        Log(QStringLiteral("fault: silent after %1 packets (connection kept open)").arg(m_nPacketsSent));
    }
    if (o.nCloseAfter > 0 && m_nPacketsSent >= o.nCloseAfter) {
        FlushCoalesced();
        m_bClosing = true;
        m_streamTimer.stop();
        m_alarmTimer.stop();
        Log(QStringLiteral("fault: closing after %1 packets").arg(m_nPacketsSent));
        if (m_pieces.empty())
            m_pSocket->disconnectFromHost();
    }
}

void CDvrSession::FlushCoalesced()
{
    m_coalesceTimer.stop();
    if (!m_coalesced.empty())
        Write(m_coalesced.data(), m_coalesced.size());
    m_coalesced.clear();
    m_nCoalesced = 0;
}

void CDvrSession::Write(const uint8_t* pData, size_t nBytes)
{
    const SimOptions& o = m_server.Faults();
    if (o.split == SplitMode::None) {
        if (m_pieces.empty()) {
            m_pSocket->write(reinterpret_cast<const char*>(pData), static_cast<qint64>(nBytes));
        } else {
            // Splitting has just ended: these bytes wait behind the pieces still queued.
            m_pieces.emplace_back(pData, pData + nBytes);
            m_nPieceBytes += nBytes;
        }
        return;
    }
    while (nBytes > 0) {
        size_t nPiece = static_cast<size_t>(std::max(1, o.nSplitBytes));
        if (o.split == SplitMode::Random)
            nPiece = 1 + m_random() % nPiece;
        nPiece = std::min(nPiece, nBytes);
        m_pieces.emplace_back(pData, pData + nPiece);
        m_nPieceBytes += nPiece;
        pData += nPiece;
        nBytes -= nPiece;
    }
    if (!m_pieceTimer.isActive())
        m_pieceTimer.start(o.nSplitGapMs);
}

void CDvrSession::DrainPieces()
{
    // One piece per turn, flushed on its own, so pieces tend to arrive as separate reads.
    if (!m_pieces.empty()) {
        const std::vector<uint8_t>& piece = m_pieces.front();
        m_pSocket->write(reinterpret_cast<const char*>(piece.data()), static_cast<qint64>(piece.size()));
        m_pSocket->flush();
        m_nPieceBytes -= piece.size();
        m_pieces.pop_front();
    }
    if (m_pieces.empty()) {
        m_pieceTimer.stop();
        if (m_bClosing)
            m_pSocket->disconnectFromHost();
    }
}

} // namespace ostrel::dvrsim
