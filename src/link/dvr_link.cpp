#include "link/dvr_link.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace ostrel {

using namespace wire;

namespace {

bool IsCollectingState(uint8_t byState)
{
    return byState == REQ_LIVE || byState == REQ_PLAY || byState == REQ_EVENT_LOG;
}

} // namespace

CDvrLink::CDvrLink(Services services, LinkView* pView)
    : m_rSockets(services.rSockets),
      m_rFiles(services.rFiles),
      m_rNotifier(services.rNotifier),
      m_pView(pView),
      m_pTimers(services.rTimers.Create(*this))
{
}

CDvrLink::~CDvrLink()
{
    // The threads ring the wake-up: they stop before it goes.
    m_pEventLogSaver.reset();
    m_pictures.StartThreads(0, {});
    m_pDecodeWakeup.reset();
    if (m_pSocket)
        m_pSocket->ShutdownAndClose();
    m_pSocket.reset();
    for (int nId : {kImageWatchdogTimerId, kReconnectTimerId, kStopRetryTimerId, kStatusPollTimerId,
                    kLoginStepTimerId, kPostedEventTimerId, kConnectTimeoutTimerId})
        m_pTimers->Stop(nId);
}

void CDvrLink::RegisterArchive(LinkPlayState* pPlayState, LinkPlayback* pPlayback, LinkEventLog* pEventLog)
{
    m_pPlayState = pPlayState;
    m_pPlayback = pPlayback;
    m_pEventLog = pEventLog;
}

// ---- small helpers -----------------------------------------------------------------------

void CDvrLink::ShowStatus(StatusCode code)
{
    if (m_pView)
        m_pView->OnLinkStatus(LinkStatus{code, m_byMissCount, m_alarm,
                                         code == StatusCode::ConnectFail ? m_lastFailure : ConnectFailure::None});
}

void CDvrLink::PostLinkLost(LinkLoss reason)
{
    m_bLossPosted = true;
    m_postedLoss = reason;
    m_pTimers->Start(kPostedEventTimerId, 0);
}

void CDvrLink::AllocateBuffers()
{
    m_framer.Allocate();
    if (m_imageBuf.empty())
        m_imageBuf.assign(kReceiveBytes, 0);
    if (m_sendBuf.empty())
        m_sendBuf.assign(kSendBytes, 0);
}

void CDvrLink::FreeBuffers()
{
    m_framer.Free();
    std::vector<uint8_t>().swap(m_imageBuf);
    std::vector<uint8_t>().swap(m_sendBuf);
    m_nExpected = m_nCollected = 0;
}

void CDvrLink::ResetReassembly()
{
    // Buffer A's old bytes are never read again: a payload is used only once it is complete.
    m_nExpected = 0;
    m_nCollected = 0;
    m_bCollecting = false;
}

// ---- connection lifecycle ----------------------------------------------------------------

bool CDvrLink::Connect(const std::string& strHost, uint16_t wPort)
{
    if (m_pSocket)
        return false;
    std::unique_ptr<StreamSocket> pSocket = m_rSockets.Create(*this);
    if (!pSocket || !pSocket->Connect(strHost, wPort))
        return false;
    m_pSocket = std::move(pSocket);
    ++m_dwConnection;
    m_pTimers->Start(kConnectTimeoutTimerId, m_nConnectTimeoutMs);
    return true;
}

void CDvrLink::SetDecodeThreads(int nThreads, UiWakeupFactory* pWakeups, size_t nInlineBytes)
{
    m_nInlineBytes = nInlineBytes;
    m_pictures.StartThreads(0, {});
    m_pDecodeWakeup.reset();
    if (nThreads <= 0 || !pWakeups) {
        ResumeReading(); // on this thread from now on
        return;
    }
    m_pDecodeWakeup = pWakeups->CreateWakeup([this] { OnDecodesReady(); });
    if (!m_pDecoded)
        m_pDecoded = std::make_unique<std::array<DecodedPicture, CDecodeWorkers::kSlots>>();
    UiWakeup* pWakeup = m_pDecodeWakeup.get();
    m_pictures.StartThreads(nThreads, [pWakeup] { pWakeup->Wake(); });
}

void CDvrLink::SaveEventLogsOnThread(UiWakeupFactory* pWakeups)
{
    m_pEventLogSaver.reset();
    if (pWakeups)
        m_pEventLogSaver = std::make_unique<CEventLogSaver>(m_rFiles, kAlarmEventFile, *pWakeups, [this] {
            if (m_pEventLog)
                m_pEventLog->RefreshAlarmEvents();
        });
}

bool CDvrLink::Disconnect(bool bRelease)
{
    SetImageWatchdog(false);
    // Work that belonged to the connection goes with it.
    m_pTimers->Stop(kLoginStepTimerId);
    m_loginStep = LoginStep::None;
    m_pTimers->Stop(kPostedEventTimerId);
    m_pTimers->Stop(kConnectTimeoutTimerId);
    m_bLossPosted = false;
    m_framer.Reset();
    m_bCollecting = false;
    ++m_dwConnection; // nothing still being decoded is drawn
    m_bReadHeld = false;

    if (m_pSocket) {
        m_pSocket->ShutdownAndClose();
        m_pSocket.reset();
        m_pTimers->Stop(kStatusPollTimerId);
    }
    if (bRelease) {
        FreeBuffers();
        m_pTimers->Stop(kReconnectTimerId);
        m_byReconnectAttempts = 0;
    }
    return true;
}

void CDvrLink::SetImageWatchdog(bool bArm)
{
    // A start restarts a running watchdog; with every picture that must cost nothing.
    if (bArm && !m_bStopPending)
        m_pTimers->Start(kImageWatchdogTimerId, kImageWatchdogMs);
    else
        m_pTimers->Stop(kImageWatchdogTimerId);
    m_byMissCount = 0;
}

void CDvrLink::StartReconnect(bool bStart)
{
    m_byReconnectAttempts = 0;
    if (bStart) {
        ++m_dwReconnectsStarted;
        m_byMissCount = 0;
        ShowStatus(StatusCode::TryReconnect);
        m_pTimers->Start(kReconnectTimerId, kReconnectMs);
    } else {
        m_pTimers->Stop(kReconnectTimerId);
    }
}

void CDvrLink::OnSocketConnected(bool bOk)
{
    if (!m_pSocket)
        return;
    m_pTimers->Stop(kConnectTimeoutTimerId);
    if (!bOk) {
        OnConnectFailed(m_pSocket->Failure());
        return;
    }
    m_pSocket->SetNoDelay();
    if (m_pView) {
        m_pTimers->Stop(kReconnectTimerId);
        m_pView->SetConnectState(ConnectState::Established);
        ShowStatus(StatusCode::Established);
    }
    m_byReconnectAttempts = 0;
    m_bCollecting = false;
    AllocateBuffers();
    SendRequest(REQ_LOGIN, true);
}

void CDvrLink::OnConnectFailed(ConnectFailure why)
{
    m_pTimers->Stop(kConnectTimeoutTimerId);
    m_lastFailure = why;
    // The status line says why; a failed attempt of a running reconnection then waits for
    // the next one, a first connect is given up.
    ShowStatus(StatusCode::ConnectFail);
    if (!m_pTimers->IsRunning(kReconnectTimerId))
        PostLinkLost(LinkLoss::ConnectFailed);
}

void CDvrLink::OnLoginReply(const PacketHeader& header, const ParamBlock& p)
{
    m_byProtocolVersion = ProtocolVersionFromMagic(header.magic);
    m_echoedMagic = header.magic;
    if (p[0] != 1) {
        m_pTimers->Stop(kLoginStepTimerId);
        m_loginStep = LoginStep::None;
        PostLinkLost(LinkLoss::LoginRefused);
        return;
    }
    const uint8_t byChannelInfo = static_cast<uint8_t>(p[1] & 0xFF);
    m_bHeaderChannelMode = !(byChannelInfo == 4 || byChannelInfo == 16 || byChannelInfo == 0);
    if (m_pView && m_byProtocolVersion >= 2 && byChannelInfo != 0)
        m_pView->SetChannelCount(byChannelInfo);
    if (m_pPlayback)
        m_pPlayback->OnRecordRange(p[2], p[3], p[4], p[5]);

    SendKeyEmul(kLoginKeyCode);
    // The recorder needs a moment between these requests; wait on a timer, not in a sleep.
    m_loginStep = LoginStep::AfterKeyEmul;
    m_pTimers->Start(kLoginStepTimerId, kLoginKeyWaitMs);
}

void CDvrLink::RunLoginStep()
{
    m_pTimers->Stop(kLoginStepTimerId);
    const LoginStep step = m_loginStep;
    m_loginStep = LoginStep::None;
    if (step == LoginStep::None)
        return;
    if (step == LoginStep::AfterKeyEmul && m_pView) {
        SendRequest(REQ_DVR_STATUS2, false);
        m_loginStep = LoginStep::AfterStatus;
        m_pTimers->Start(kLoginStepTimerId, kLoginStatusWaitMs);
        return;
    }
    if (ArchiveActive()) {
        if (ArchivePlaying())
            SendRequest(REQ_PLAY, true);
        else
            SendRequest(REQ_STOP, true);
    } else {
        SendRequest(REQ_LIVE, true);
    }
    m_pTimers->Start(kStatusPollTimerId, kStatusPollMs);
}

void CDvrLink::OnTimer(int nId)
{
    switch (nId) {
    case kStatusPollTimerId:
        SendRequest(REQ_DVR_STATUS2, false);
        break;
    case kImageWatchdogTimerId:
        OnImageWatchdogExpired();
        break;
    case kReconnectTimerId:
        OnReconnectTimerExpired();
        break;
    case kStopRetryTimerId:
        OnStopRetryExpired();
        break;
    case kLoginStepTimerId:
        RunLoginStep();
        break;
    case kConnectTimeoutTimerId:
        // Nothing more is heard from the attempt: its socket is closed (it goes with the
        // next attempt or the disconnect).
        if (m_pSocket)
            m_pSocket->ShutdownAndClose();
        OnConnectFailed(ConnectFailure::TimedOut);
        break;
    case kPostedEventTimerId:
        m_pTimers->Stop(kPostedEventTimerId);
        if (m_bLossPosted) {
            m_bLossPosted = false;
            if (m_pView)
                m_pView->OnLinkLost(m_postedLoss);
        }
        break;
    default:
        break;
    }
}

void CDvrLink::OnImageWatchdogExpired()
{
    ++m_byMissCount;
    if (m_byMissCount >= 3) {
        SetImageWatchdog(false);
        StartReconnect(true);
        return;
    }
    ShowStatus(StatusCode::TryRequestImage);
    // The timer repeats by itself, so the request goes out unarmed.
    SendRequest(m_byState, false);
}

void CDvrLink::OnReconnectTimerExpired()
{
    Disconnect(false);
    bool bGiveUp = m_pView == nullptr;
    if (m_pView) {
        ShowStatus(StatusCode::TryReconnect);
        if (m_pView->ReconnectCount() > m_byReconnectAttempts) {
            if (Connect(m_pView->HostAddress(), m_pView->HostPort())) {
                m_pView->SetConnectState(ConnectState::Connecting);
                ShowStatus(StatusCode::Connecting);
            }
            ++m_byReconnectAttempts;
        } else {
            bGiveUp = true;
        }
    }
    if (bGiveUp) {
        m_pTimers->Stop(kReconnectTimerId);
        PostLinkLost(LinkLoss::ReconnectGaveUp);
    }
}

void CDvrLink::OnStopRetryExpired()
{
    m_pTimers->Stop(kStopRetryTimerId);
    if (m_bStopPending) {
        m_bStopPending = false;
        SendRequest(REQ_STOP, false);
    }
}

// ---- request builder ---------------------------------------------------------------------

bool CDvrLink::SendBuilt(const PacketHeader& header, const uint8_t* pBlock, size_t nBlockBytes,
                         const uint8_t* pPayload, size_t nPayloadBytes)
{
    uint8_t* pOut = m_sendBuf.data();
    std::memset(pOut, 0, kSendBytes);
    EncodeHeader(header, pOut);
    std::memcpy(pOut + kHeaderBytes, pBlock, nBlockBytes);
    if (nPayloadBytes > 0)
        std::memcpy(pOut + kHeaderBytes + nBlockBytes, pPayload, nPayloadBytes);
    return SendBytes(pOut, header.dwTotalLength);
}

bool CDvrLink::SendBytes(const uint8_t* pData, size_t nBytes)
{
    // One send call; a failed send is made good by the watchdog re-sending the request.
    if (m_pSocket->Send(pData, nBytes) != 0 || nBytes == 0)
        return true;
    // The socket's bounded queue is full: the recorder reads nothing of what it is sent, even
    // if it still sends pictures. Nothing the operator asks would reach it, so the connection
    // is begun anew, as when it falls silent; a reconnection under way is left to run.
    if (!m_pTimers->IsRunning(kReconnectTimerId)) {
        SetImageWatchdog(false);
        StartReconnect(true);
    }
    return false;
}

PacketHeader CDvrLink::RequestHeader(uint32_t dwDataType, uint32_t dwPacketType, size_t nPayloadBytes) const
{
    PacketHeader header;
    header.magic = m_echoedMagic;
    header.dwTotalLength = static_cast<uint32_t>(kMinPacketBytes + nPayloadBytes);
    header.dwPacketType = dwPacketType;
    header.dwDataType = dwDataType;
    return header;
}

bool CDvrLink::IsRequestKind(uint8_t byKind)
{
    switch (byKind) {
    case REQ_LOGIN:
    case REQ_LIVE:
    case REQ_PLAY:
    case REQ_EVENT_LOG:
    case REQ_STOP:
    case REQ_KEY_EMUL:
    case REQ_DVR_STATUS2: return true;
    default: return false;
    }
}

void CDvrLink::SendRequest(uint8_t byKind, bool bArm)
{
    if (!m_pSocket || !HasBuffers() || !IsRequestKind(byKind))
        return;
    EnterState(byKind);
    bool bSent = false;
    if (byKind == REQ_LOGIN) {
        bSent = SendLogin();
    } else {
        const RequestParams request = BuildParams(byKind);
        uint8_t block[kParamBytes];
        EncodeParams(request.p, block);
        bSent = SendBuilt(RequestHeader(request.dwDataType, PACKET_PARAMS), block, sizeof block, nullptr, 0);
    }
    if (bSent) // otherwise a reconnection began: nothing to wait for
        ArmAfter(byKind, bArm);
}

void CDvrLink::EnterState(uint8_t byKind)
{
    switch (byKind) {
    case REQ_LOGIN:
    case REQ_DVR_STATUS2: m_byState = byKind; break;
    case REQ_LIVE:
    case REQ_EVENT_LOG:
        m_byState = byKind;
        ResetReassembly();
        break;
    case REQ_PLAY:
        m_byPrevState = m_byState;
        m_byState = REQ_PLAY;
        ResetReassembly();
        if ((m_lastPlay.dwCtrl & 0xFF00) == 0) {
            // Playback stopped: pictures should cease; count the ones that still come.
            SetImageWatchdog(false);
            m_playImages = PlayImageCount{true, 1};
        } else {
            m_playImages = PlayImageCount{};
        }
        break;
    case REQ_STOP:
        ResetReassembly();
        SetImageWatchdog(false);
        break;
    case REQ_KEY_EMUL: ResetReassembly(); break;
    default: break;
    }
}

CDvrLink::RequestParams CDvrLink::BuildParams(uint8_t byKind) const
{
    RequestParams r;
    switch (byKind) {
    case REQ_LIVE: {
        r.dwDataType = DATATYPE_LIVE_REQUEST;
        const uint16_t wSingle = m_pView ? m_pView->SingleChannel() : 256;
        r.p[0] = wSingle >> 8;
        r.p[1] = (wSingle & 0xFFu) + 1;
        r.p[2] = m_pView ? m_pView->LiveChannelMask() : 0;
        break;
    }
    case REQ_PLAY:
        r.dwDataType = DATATYPE_PLAY_REQUEST;
        r.p[0] = m_lastPlay.byChannel == 255 ? 0u : m_lastPlay.byChannel + 1u;
        r.p[1] = m_lastPlay.dwDate;
        r.p[2] = m_lastPlay.dwTime;
        r.p[3] = m_lastPlay.dwCtrl;
        break;
    case REQ_EVENT_LOG:
        r.dwDataType = DATATYPE_EVENT_LOG_REQUEST;
        r.p[0] = 1;
        break;
    case REQ_STOP:
        r.dwDataType = DATATYPE_STOP;
        r.p[0] = 1;
        break;
    case REQ_KEY_EMUL:
        r.dwDataType = DATATYPE_KEY_EMUL;
        r.p[0] = m_wKeyCode;
        break;
    case REQ_DVR_STATUS2: r.dwDataType = DATATYPE_DVR_STATUS2; break;
    default: break;
    }
    return r;
}

bool CDvrLink::SendLogin()
{
    PacketHeader header = RequestHeader(DATATYPE_LOGIN, PACKET_LOGIN);
    header.magic = MakeMagic(kMagicV10);
    header.dwTotalLength = kLoginPacketBytes;
    uint8_t block[kLoginBlockBytes];
    EncodeLoginBlock(m_pView ? m_pView->UserId() : std::string(), m_pView ? m_pView->Password() : std::string(),
                     block);
    return SendBuilt(header, block, sizeof block, nullptr, 0);
}

void CDvrLink::ArmAfter(uint8_t byKind, bool bArm)
{
    if (!bArm || byKind == REQ_DVR_STATUS2)
        return;
    if (byKind == REQ_STOP) {
        m_bStopPending = true;
        m_pTimers->Start(kStopRetryTimerId, kStopRetryMs);
    } else {
        SetImageWatchdog(true);
    }
}

LinkProbe CDvrLink::Probe() const
{
    LinkProbe probe;
    probe.bHasSocket = m_pSocket != nullptr;
    probe.bHasBuffers = HasBuffers();
    probe.byState = m_byState;
    probe.byPrevState = m_byPrevState;
    probe.bHeaderChannelMode = m_bHeaderChannelMode;
    probe.byMissCount = m_byMissCount;
    probe.byReconnectAttempts = m_byReconnectAttempts;
    probe.bStopPending = m_bStopPending;
    probe.bCountingPlayImages = m_playImages.bArmed;
    probe.byPlayImages = m_playImages.byCount;
    probe.nExpected = m_nExpected;
    probe.nCollected = m_nCollected;
    probe.nImageBufferCapacity = m_imageBuf.size();
    return probe;
}

void CDvrLink::SendPlay(const PlayRequest& request, bool bArm)
{
    m_lastPlay = request;
    SendRequest(REQ_PLAY, bArm);
}

void CDvrLink::SendKeyEmul(uint16_t wKeyCode)
{
    m_wKeyCode = wKeyCode;
    SendRequest(REQ_KEY_EMUL, true);
}

void CDvrLink::SendDvrStatus2()
{
    if (!m_pSocket || !HasBuffers())
        return;
    uint8_t block[kParamBytes] = {};
    SendBuilt(RequestHeader(DATATYPE_DVR_STATUS2, PACKET_PARAMS), block, sizeof block, nullptr, 0);
}

bool CDvrLink::SendPtzData(const uint8_t* pData, size_t nBytes)
{
    if (!m_pSocket || !HasBuffers() || nBytes > kMaxPtzPayload || (nBytes > 0 && !pData))
        return false;
    uint8_t block[kParamBytes];
    EncodeParams(ParamBlock{2, static_cast<uint32_t>(nBytes)}, block);
    return SendBuilt(RequestHeader(DATATYPE_PTZ_DATA, PACKET_PAYLOAD, nBytes), block, sizeof block, pData, nBytes);
}

void CDvrLink::SendPacket(const uint8_t* pData, size_t nBytes)
{
    if (!m_pSocket || !HasBuffers() || !pData)
        return;
    if (nBytes == 0)
        nBytes = std::strlen(reinterpret_cast<const char*>(pData));
    SendBytes(pData, nBytes);
}

// ---- receiving ---------------------------------------------------------------------------

void CDvrLink::OnSocketReadable()
{
    if (!m_pSocket)
        return;
    // While the decoder threads have a full backlog the stream waits in the socket, so the
    // recorder is held back by TCP, as it is when decoding on this thread, instead of every
    // picture being read and then dropped for a newer one.
    if (DecodeBacklogFull()) {
        HoldReading();
        return;
    }
    m_framer.OnReadable(*m_pSocket, *this);
}

void CDvrLink::HoldReading()
{
    m_bReadHeld = true;
    // Rather than wait idle for the threads, this thread decodes a waiting picture itself at
    // its next turn: one a turn, so that input, timers and painting keep theirs.
    if (m_pDecodeWakeup && m_pictures.Waiting() > 0)
        m_pDecodeWakeup->Wake();
}

bool CDvrLink::DecodeBacklogFull() const
{
    const int nThreads = m_pictures.Threads();
    // Each thread has one picture in work and the next waiting, so none idles while this
    // thread takes results back and reads on. Results not taken yet are bounded apart: they
    // are taken at the next turn, and never hold a thread.
    return nThreads > 0
        && (m_pictures.Undecoded() >= static_cast<size_t>(nThreads + kBacklogWaiting)
            || m_pictures.Outstanding() >= kMaxUntaken);
}

void CDvrLink::OnReadFramed()
{
    if (!std::exchange(m_bActivity, false))
        return;
    if (!ArchiveActive()) {
        if (m_pView)
            m_pView->ToggleActivityLamp();
    } else if (m_byState == REQ_PLAY && m_pPlayback) {
        m_pPlayback->FlipReceiveIndicator();
    }
}

void CDvrLink::OnPacket(const PacketHeader& header, const ParamBlock& p, const uint8_t* pPayload, size_t nPayloadHere,
                        bool bHeaderInThisRead)
{
    // Whatever was being collected is over: the rest of its payload never comes.
    m_bCollecting = false;
    switch (header.dwDataType) {
    case DATATYPE_LOGIN_REPLY:
        OnLoginReply(header, p);
        break;
    case DATATYPE_DVR_STATUS2_REPLY:
        if (m_pPlayback)
            m_pPlayback->OnRecordRange(p[2], p[3], p[4], p[5]);
        break;
    case DATATYPE_PTZ_DATA_REPLY:
        m_rNotifier.ShowNotice(kPtzReplyText);
        break;
    case DATATYPE_ALARM_EVENT:
        if (m_pView && m_pView->AlertModeOn()) {
            const AlarmWord alarm = AlarmWord::FromWire(p[0], p[1]);
            if (alarm.byChannel >= 1 && alarm.byChannel <= 4) {
                m_alarm = alarm;
                ShowStatus(StatusCode::ChannelAlarm);
            }
        }
        break;
    case DATATYPE_STOP_REPLY:
        if (p[0] == 1) {
            m_bStopPending = false;
            m_pTimers->Stop(kStopRetryTimerId);
        }
        SetImageWatchdog(false);
        break;
    case DATATYPE_LIVE_IMAGE:
    case DATATYPE_PLAY_IMAGE:
    case DATATYPE_EVENT_LOG:
        if (!OnCollectingHeader(header, p))
            return; // dropped, payload and all, without showing activity
        StartCollecting(header, pPayload, nPayloadHere, bHeaderInThisRead);
        break;
    default:
        break; // accepted and ignored
    }
    m_bActivity = true;
}

bool CDvrLink::OnCollectingHeader(const PacketHeader& header, const ParamBlock& p)
{
    if (m_bStopPending)
        return false;
    if (header.dwDataType == DATATYPE_LIVE_IMAGE) {
        m_byState = REQ_LIVE;
        m_nCurrentChannel = static_cast<uint8_t>(p[3] == 0 ? 0 : std::min<uint32_t>(p[3] - 1, 255));
        SetImageWatchdog(true);
        if (m_pView)
            m_pView->DrawPositions(p[4], p[0]);
        return true;
    }
    if (header.dwDataType == DATATYPE_EVENT_LOG) {
        m_byState = REQ_EVENT_LOG;
        SetImageWatchdog(false);
        return true;
    }
    m_byState = REQ_PLAY;
    if (m_playImages.bArmed) {
        if (m_playImages.byCount >= kPlayImageLimit) {
            // Pictures keep coming after playback was stopped: start over.
            m_playImages = PlayImageCount{};
            StartReconnect(true);
            return false;
        }
        ++m_playImages.byCount;
    }
    if (p[3] == PLAY_IMAGE_FOLLOWS) {
        if (m_byProtocolVersion == 1) {
            m_nCurrentChannel = static_cast<uint8_t>(p[0] & 0xFF);
            if (ArchiveActive() && m_pPlayback)
                m_pPlayback->OnPlayImageTimeSeconds(p[1]);
        } else {
            const uint8_t byChannel = static_cast<uint8_t>(p[0] >> 24);
            m_nCurrentChannel = byChannel == 0 ? 0 : byChannel - 1;
            if (ArchiveActive() && m_pPlayback) {
                m_pPlayback->OnPlayImageTimePacked(p[0], p[1]);
                m_pPlayback->OnPlayPosition(p[4]);
            }
        }
        SetImageWatchdog(ArchivePlaying());
    } else {
        ResetReassembly();
        if (m_pPlayback)
            m_pPlayback->OnPlayResult(static_cast<PlayResult>(p[3] & 0xFF));
        SetImageWatchdog(false);
    }
    return true;
}

void CDvrLink::StartCollecting(const PacketHeader& header, const uint8_t* pPayload, size_t nAvailable,
                               bool bHeaderInThisRead)
{
    m_imageHeader = header;
    m_nExpected = header.dwTotalLength - kMinPacketBytes;
    if (m_nExpected > m_imageBuf.size()) {
        // Bounded by kMaxPacketBytes; the old contents are not needed.
        std::vector<uint8_t>().swap(m_imageBuf);
        m_imageBuf.assign(m_nExpected + 1, 0);
    }
    m_nCollected = std::min(nAvailable, m_nExpected);
    if (m_nCollected > 0)
        std::memcpy(m_imageBuf.data(), pPayload, m_nCollected);
    m_bCollecting = m_nCollected < m_nExpected;
    if (m_nCollected == m_nExpected && m_nExpected != 0)
        CompleteCollection(bHeaderInThisRead);
}

uint8_t* CDvrLink::ContinuationTarget()
{
    return m_bCollecting ? m_imageBuf.data() + m_nCollected : nullptr;
}

void CDvrLink::OnContinuation(const uint8_t* pBytes, size_t nBytes)
{
    if (!m_bCollecting)
        return;
    if (!IsCollectingState(m_byState)) {
        // E.g. the status poll changed the state mid-picture: the rest is dropped and the
        // half-collected picture waits for the next header to replace it.
        m_bActivity = true;
        return;
    }
    if (m_bStopPending)
        return;
    if (m_byState == REQ_LIVE)
        SetImageWatchdog(true);
    else if (m_byState == REQ_EVENT_LOG)
        SetImageWatchdog(false);
    else
        SetImageWatchdog(ArchivePlaying());

    const size_t nTake = std::min(nBytes, m_nExpected - m_nCollected);
    uint8_t* pTarget = m_imageBuf.data() + m_nCollected;
    if (pTarget != pBytes) // already in place when read straight into the buffer
        std::memmove(pTarget, pBytes, nTake);
    m_nCollected += nTake;
    if (m_nCollected == m_nExpected && m_nExpected != 0)
        CompleteCollection(false);
    m_bActivity = true;
}

void CDvrLink::CompleteCollection(bool bSingleRead)
{
    m_bCollecting = false;
    if (m_byState == REQ_EVENT_LOG) {
        CompleteEventLog();
        return;
    }
    if (m_bStopPending)
        return;
    CompletePicture(bSingleRead);
    ResetReassembly();
}

void CDvrLink::CompletePicture(bool bSingleRead)
{
    CompletedPayload payload;
    payload.pData = m_imageBuf.data();
    payload.nBytes = m_nExpected;
    payload.byState = m_byState;
    payload.byHeaderChannel = m_nCurrentChannel;
    payload.dwPacketType = m_imageHeader.dwPacketType;
    payload.bSingleRead = bSingleRead;
    payload.bHeaderChannelMode = m_bHeaderChannelMode;
    payload.bArchiveActive = ArchiveActive();
    payload.dwLiveChMask = m_pView ? m_pView->LiveChannelMask() : 0;
    payload.bSearching = ArchiveSearching();
    if (m_imageCompletion) {
        m_imageCompletion(payload);
        return;
    }
    if (m_pictures.Threads() > 0 && !DecodeHere()) {
        m_pictures.Submit(payload, m_dwConnection);
        return;
    }
    const CompletedPicture result = m_pictures.Complete(payload);
    if (!result.bSkipped)
        DeliverPicture(payload, result);
}

bool CDvrLink::DecodeHere() const
{
    // Only with nothing on its way, so that pictures still come out in the order they came in.
    return m_pictures.Outstanding() == 0 && m_pSocket && m_pSocket->BytesWaiting() < m_nInlineBytes;
}

bool CDvrLink::StillWanted(const CompletedPayload& payload, uint32_t dwConnection) const
{
    if (dwConnection != m_dwConnection || m_bStopPending)
        return false;
    if (payload.byState == REQ_LIVE) {
        const uint32_t dwMask = m_pView ? m_pView->LiveChannelMask() : 0;
        return !ArchiveActive() && (dwMask & (1u << payload.byHeaderChannel)) != 0;
    }
    // A play picture complete before a search began is not its answer.
    return ArchiveActive() && !(ArchiveSearching() && !payload.bSearching);
}

void CDvrLink::OnDecodesReady()
{
    DeliverDecoded();
    if (m_bReadHeld && DecodeBacklogFull() && m_pictures.DecodeOneHere())
        DeliverDecoded();
    ResumeReading();
}

void CDvrLink::DeliverDecoded()
{
    if (!m_pDecoded)
        return;
    std::array<DecodedPicture, CDecodeWorkers::kSlots>& decoded = *m_pDecoded;
    const size_t nReady = m_pictures.TakeReady(decoded.data(), decoded.size());
    for (size_t i = 0; i < nReady; ++i) {
        // Each is checked when its turn comes: the one before may have changed the state.
        if (StillWanted(decoded[i].payload, decoded[i].dwConnection))
            DeliverPicture(decoded[i].payload, decoded[i].result);
        decoded[i].result.picture.Reset();
    }
}

void CDvrLink::ResumeReading()
{
    // The socket tells nothing new about bytes it already holds, so reading held for the
    // backlog goes on here until they are read or the backlog is full again.
    if (!m_bReadHeld)
        return;
    m_bReadHeld = false;
    for (int nRead = 0; nRead < kResumeReads && m_pSocket; ++nRead) {
        if (DecodeBacklogFull()) {
            HoldReading();
            return;
        }
        if (!m_framer.OnReadable(*m_pSocket, *this))
            return;
    }
}

void CDvrLink::DeliverPicture(const CompletedPayload& payload, const CompletedPicture& result)
{
    if (payload.byState == REQ_LIVE) {
        if (result.picture && m_pView)
            m_pView->OnPicture(result.byChannel, result.picture);
    } else if (m_pPlayback) {
        m_pPlayback->OnPlayImage(result.byChannel, result.picture);
    }
}

void CDvrLink::CompleteEventLog()
{
    if (!m_bStopPending)
        m_byState = m_byPrevState;
    if (m_pEventLogSaver) {
        // Written on the saver's thread; the list is refreshed when it is on disk.
        m_pEventLogSaver->Save(m_imageBuf, m_nExpected);
        if (m_imageBuf.size() < kReceiveBytes)
            m_imageBuf.assign(kReceiveBytes, 0);
    } else {
        // A failed write leaves the previous file; nothing is reported.
        m_rFiles.WriteWhole(kAlarmEventFile, m_imageBuf.data(), m_nExpected);
        if (m_pEventLog)
            m_pEventLog->RefreshAlarmEvents();
    }
    ResetReassembly();
}

} // namespace ostrel
