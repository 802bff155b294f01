#include "link/dvr_link.h"

#include <algorithm>
#include <cstring>

namespace ostrel {

using namespace wire;

namespace {

// The longest header fragment ever carried to the next read: one byte short of a header and
// parameter block.
constexpr size_t kMaxCarry = kMinPacketBytes - 1;

bool StartsWithMagic(const uint8_t* p, size_t nBytes)
{
    return nBytes >= kMagicText.size() && std::memcmp(p, kMagicText.data(), kMagicText.size()) == 0;
}

bool IsCollectingState(uint8_t byState)
{
    return byState == REQ_LIVE || byState == REQ_PLAY || byState == REQ_EVENT_LOG;
}

} // namespace

CDvrLink::CDvrLink(Services services, LinkView* pView)
    : m_pTimers(services.pTimers),
      m_rSockets(services.rSockets),
      m_rFiles(services.rFiles),
      m_rNotifier(services.rNotifier),
      m_pView(pView)
{
}

CDvrLink::~CDvrLink()
{
    if (m_pSocket)
        m_pSocket->ShutdownAndClose();
    m_pSocket.reset();
    StopTimer(kImageWatchdogTimerId);
    StopTimer(kReconnectTimerId);
    StopTimer(kStopRetryTimerId);
    StopTimer(kStatusPollTimerId);
    StopTimer(kLoginStepTimerId);
    StopTimer(kPostedEventTimerId);
}

// ---- timers and small helpers ------------------------------------------------------------

void CDvrLink::StartTimer(int nId, int nPeriodMs)
{
    if (m_pTimers)
        m_pTimers->Start(nId, nPeriodMs);
}

void CDvrLink::StopTimer(int nId)
{
    if (m_pTimers)
        m_pTimers->Stop(nId);
}

bool CDvrLink::TimerRunning(int nId) const
{
    return m_pTimers && m_pTimers->IsRunning(nId);
}

void CDvrLink::ShowStatus(uint8_t byCode)
{
    if (m_pView)
        m_pView->DrawConnectStatus(byCode);
}

void CDvrLink::PostLinkLost(LinkLoss reason)
{
    m_bLossPosted = true;
    m_postedLoss = reason;
    StartTimer(kPostedEventTimerId, 0);
}

void CDvrLink::AllocateBuffers()
{
    if (m_receiveBuf.empty())
        m_receiveBuf.assign(kMaxCarry + kReceiveBytes, 0);
    if (m_imageBuf.empty())
        m_imageBuf.assign(kReceiveBytes, 0);
    if (m_sendBuf.empty())
        m_sendBuf.assign(kSendBytes, 0);
}

void CDvrLink::FreeBuffers()
{
    std::vector<uint8_t>().swap(m_receiveBuf);
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
    return true;
}

bool CDvrLink::Disconnect(bool bRelease)
{
    SetImageWatchdog(false);
    // Work that belonged to the connection goes with it.
    StopTimer(kLoginStepTimerId);
    m_loginStep = LoginStep::None;
    StopTimer(kPostedEventTimerId);
    m_bLossPosted = false;
    m_nCarry = 0;
    m_nPacketRemaining = 0;
    m_bCollecting = false;

    if (m_pSocket) {
        m_pSocket->ShutdownAndClose();
        m_pSocket.reset();
        StopTimer(kStatusPollTimerId);
    }
    if (bRelease) {
        FreeBuffers();
        StopTimer(kReconnectTimerId);
        m_byReconnectAttempts = 0;
    }
    return true;
}

void CDvrLink::SetImageWatchdog(bool bArm)
{
    StopTimer(kImageWatchdogTimerId);
    if (bArm && !m_bStopPending)
        StartTimer(kImageWatchdogTimerId, kImageWatchdogMs);
    m_byMissCount = 0;
}

void CDvrLink::StartReconnect(bool bStart)
{
    m_byReconnectAttempts = 0;
    if (bStart) {
        m_byMissCount = 0;
        ShowStatus(STATUS_TRY_RECONNECT);
        StartTimer(kReconnectTimerId, kReconnectMs);
    } else {
        StopTimer(kReconnectTimerId);
    }
}

void CDvrLink::OnSocketConnected(bool bOk)
{
    if (!m_pSocket)
        return;
    if (!bOk) {
        // A failed attempt of a running reconnection waits for the next one.
        if (TimerRunning(kReconnectTimerId))
            ShowStatus(STATUS_CONNECT_FAIL);
        else
            PostLinkLost(LinkLoss::ConnectFailed);
        return;
    }
    m_pSocket->SetNoDelay();
    if (m_pView) {
        StopTimer(kReconnectTimerId);
        m_pView->SetConnectState(1);
        ShowStatus(STATUS_ESTABLISHED);
    }
    m_byReconnectAttempts = 0;
    m_nCarry = 0;
    m_nPacketRemaining = 0;
    m_bCollecting = false;
    AllocateBuffers();
    SendRequest(REQ_LOGIN, true);
}

void CDvrLink::OnLoginReply(const PacketHeader& header, const ParamBlock& p)
{
    m_byProtocolVersion = ProtocolVersionFromMagic(header.magic);
    m_echoedMagic = header.magic;
    if (p[0] != 1) {
        StopTimer(kLoginStepTimerId);
        m_loginStep = LoginStep::None;
        PostLinkLost(LinkLoss::LoginRefused);
        return;
    }
    const uint8_t byChannelInfo = static_cast<uint8_t>(p[1] & 0xFF);
    m_bHeaderChannelMode = !(byChannelInfo == 4 || byChannelInfo == 16 || byChannelInfo == 0);
    if (m_pView && m_byProtocolVersion >= 2 && byChannelInfo != 0)
        m_pView->SetChannelCount(byChannelInfo);
    if (m_pArchive)
        m_pArchive->OnRecordRange(p[2], p[3], p[4], p[5]);

    SendKeyEmul(kLoginKeyCode);
    // The recorder needs a moment between these requests; wait on a timer, not in a sleep.
    m_loginStep = LoginStep::AfterKeyEmul;
    StartTimer(kLoginStepTimerId, kLoginKeyWaitMs);
}

void CDvrLink::RunLoginStep()
{
    StopTimer(kLoginStepTimerId);
    const LoginStep step = m_loginStep;
    m_loginStep = LoginStep::None;
    if (step == LoginStep::None)
        return;
    if (step == LoginStep::AfterKeyEmul && m_pView) {
        SendRequest(REQ_DVR_STATUS2, false);
        m_loginStep = LoginStep::AfterStatus;
        StartTimer(kLoginStepTimerId, kLoginStatusWaitMs);
        return;
    }
    if (ArchiveActive()) {
        if (m_pArchive->IsPlaying())
            SendRequest(REQ_PLAY, true);
        else
            SendRequest(REQ_STOP, true);
    } else {
        SendRequest(REQ_LIVE, true);
    }
    StartTimer(kStatusPollTimerId, kStatusPollMs);
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
    case kPostedEventTimerId:
        StopTimer(kPostedEventTimerId);
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
    ShowStatus(STATUS_TRY_REQUEST_IMAGE);
    // The timer repeats by itself, so the request goes out unarmed.
    SendRequest(m_byState, false);
}

void CDvrLink::OnReconnectTimerExpired()
{
    Disconnect(false);
    bool bGiveUp = m_pView == nullptr;
    if (m_pView) {
        ShowStatus(STATUS_TRY_RECONNECT);
        if (m_pView->ReconnectCount() > m_byReconnectAttempts) {
            if (Connect(m_pView->HostAddress(), m_pView->HostPort())) {
                m_pView->SetConnectState(2);
                ShowStatus(STATUS_CONNECTING);
            }
            ++m_byReconnectAttempts;
        } else {
            bGiveUp = true;
        }
    }
    if (bGiveUp) {
        StopTimer(kReconnectTimerId);
        PostLinkLost(LinkLoss::ReconnectGaveUp);
    }
}

void CDvrLink::OnStopRetryExpired()
{
    StopTimer(kStopRetryTimerId);
    if (m_bStopPending) {
        m_bStopPending = false;
        SendRequest(REQ_STOP, false);
    }
}

// ---- request builder ---------------------------------------------------------------------

void CDvrLink::SendBuilt(const PacketHeader& header, const uint8_t* pBlock, size_t nBlockBytes,
                         const uint8_t* pPayload, size_t nPayloadBytes)
{
    uint8_t* pOut = m_sendBuf.data();
    std::memset(pOut, 0, kSendBytes);
    EncodeHeader(header, pOut);
    std::memcpy(pOut + kHeaderBytes, pBlock, nBlockBytes);
    if (nPayloadBytes > 0)
        std::memcpy(pOut + kHeaderBytes + nBlockBytes, pPayload, nPayloadBytes);
    // One send call; a short send is made good by the watchdog re-sending the request.
    m_pSocket->Send(pOut, header.dwTotalLength);
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

void CDvrLink::SendRequest(uint8_t byKind, bool bArm)
{
    if (!m_pSocket || !HasBuffers())
        return;

    PacketHeader header = RequestHeader(0, PACKET_PARAMS);
    ParamBlock p{};

    switch (byKind) {
    case REQ_LOGIN: {
        header.magic = MakeMagic(kMagicV10);
        header.dwTotalLength = kLoginPacketBytes;
        header.dwPacketType = PACKET_LOGIN;
        header.dwDataType = DATATYPE_LOGIN;
        m_byState = REQ_LOGIN;
        uint8_t block[kLoginBlockBytes];
        EncodeLoginBlock(m_pView ? m_pView->UserId() : std::string(),
                         m_pView ? m_pView->Password() : std::string(), block);
        SendBuilt(header, block, sizeof block, nullptr, 0);
        break;
    }
    case REQ_LIVE: {
        header.dwDataType = DATATYPE_LIVE_REQUEST;
        m_byState = REQ_LIVE;
        ResetReassembly();
        const uint16_t wSingle = m_pView ? m_pView->SingleChannel() : 256;
        p[0] = wSingle >> 8;
        p[1] = (wSingle & 0xFFu) + 1;
        p[2] = m_pView ? m_pView->LiveChannelMask() : 0;
        break;
    }
    case REQ_PLAY: {
        header.dwDataType = DATATYPE_PLAY_REQUEST;
        m_byPrevState = m_byState;
        m_byState = REQ_PLAY;
        ResetReassembly();
        const uint8_t bySel = m_pArchive ? m_pArchive->SelectedChannel() : 255;
        p[0] = bySel == 255 ? 0u : bySel + 1u;
        p[1] = m_dwPlayDate;
        p[2] = m_dwPlayTime;
        p[3] = m_dwPlayCtrl;
        if ((p[3] & 0xFF00) == 0) {
            // Playback stopped: pictures should cease; count the ones that still come.
            SetImageWatchdog(false);
            m_wPlayImageCounter = 0x0101;
        } else {
            m_wPlayImageCounter = 0;
        }
        break;
    }
    case REQ_EVENT_LOG:
        header.dwDataType = DATATYPE_EVENT_LOG_REQUEST;
        m_byState = REQ_EVENT_LOG;
        ResetReassembly();
        p[0] = 1;
        break;
    case REQ_STOP:
        header.dwDataType = DATATYPE_STOP;
        ResetReassembly();
        SetImageWatchdog(false);
        p[0] = 1;
        break;
    case REQ_KEY_EMUL:
        header.dwDataType = DATATYPE_KEY_EMUL;
        ResetReassembly();
        p[0] = m_wKeyCode;
        break;
    case REQ_DVR_STATUS2:
        header.dwDataType = DATATYPE_DVR_STATUS2;
        m_byState = REQ_DVR_STATUS2;
        break;
    default:
        return;
    }

    if (byKind != REQ_LOGIN) {
        uint8_t block[kParamBytes];
        EncodeParams(p, block);
        SendBuilt(header, block, sizeof block, nullptr, 0);
    }

    if (byKind == REQ_STOP) {
        if (bArm) {
            m_bStopPending = true;
            StartTimer(kStopRetryTimerId, kStopRetryMs);
        }
    } else if (byKind != REQ_DVR_STATUS2 && bArm) {
        SetImageWatchdog(true);
    }
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
    SendBuilt(RequestHeader(DATATYPE_PTZ_DATA, PACKET_PAYLOAD, nBytes), block, sizeof block, pData, nBytes);
    return true;
}

void CDvrLink::SendPacket(const uint8_t* pData, size_t nBytes)
{
    if (!m_pSocket || !HasBuffers() || !pData)
        return;
    if (nBytes == 0)
        nBytes = std::strlen(reinterpret_cast<const char*>(pData));
    m_pSocket->Send(pData, nBytes);
}

// ---- receiving ---------------------------------------------------------------------------

void CDvrLink::OnSocketReadable()
{
    if (!m_pSocket || m_receiveBuf.empty())
        return;
    if (m_bCollecting && m_nPacketRemaining > 0) {
        ReadContinuation();
        return;
    }
    // Any header fragment from the last read sits at the start; this read goes after it.
    const int nRead = m_pSocket->Receive(m_receiveBuf.data() + m_nCarry, kReceiveBytes);
    if (nRead <= 0)
        return;
    Dispatch(m_receiveBuf.data(), m_nCarry + static_cast<size_t>(nRead), m_nCarry);
}

void CDvrLink::ReadContinuation()
{
    // The middle of a payload: read it straight into image buffer A, up to its end, so the
    // socket's copy is the only one.
    uint8_t* pTarget = m_imageBuf.data() + m_nCollected;
    const int nRead = m_pSocket->Receive(pTarget, std::min(kReceiveBytes, m_nPacketRemaining));
    if (nRead <= 0)
        return;
    const size_t nBytes = static_cast<size_t>(nRead);
    if (HasPacketMagic(pTarget, nBytes)) {
        // A new packet where the payload should go on: it takes over (rare). Complete the read
        // to its usual size, so the new packet is framed as if read in one go.
        uint8_t* pRead = m_receiveBuf.data();
        std::memcpy(pRead, pTarget, nBytes);
        size_t nTotal = nBytes;
        const int nMore = m_pSocket->Receive(pRead + nTotal, kReceiveBytes - nTotal);
        if (nMore > 0)
            nTotal += static_cast<size_t>(nMore);
        Dispatch(pRead, nTotal, 0);
        return;
    }
    bool bToggle = false;
    m_nPacketRemaining -= nBytes;
    TakeContinuation(pTarget, nBytes, bToggle);
    if (bToggle)
        ToggleActivity();
}

// Cuts one read into packets. Bytes [0, nReadStart) were carried from earlier reads.
void CDvrLink::Dispatch(uint8_t* pBytes, size_t nEnd, size_t nReadStart)
{
    const size_t nRead = nEnd - nReadStart;
    size_t nPos = 0;
    bool bReadStartsPacket = HasPacketMagic(pBytes + nReadStart, nRead);
    if (bReadStartsPacket) {
        // A read that begins with a header starts a new packet, whatever was unfinished.
        nPos = nReadStart;
        m_nPacketRemaining = 0;
        m_bCollecting = false;
    }
    m_nCarry = 0;

    bool bToggle = false;
    while (nPos < nEnd) {
        const size_t nAvail = nEnd - nPos;
        if (m_nPacketRemaining > 0) {
            const size_t nTake = std::min(nAvail, m_nPacketRemaining);
            if (m_bCollecting)
                TakeContinuation(pBytes + nPos, nTake, bToggle);
            nPos += nTake;
            m_nPacketRemaining -= nTake;
            continue;
        }
        const bool bHeaderHere = (bReadStartsPacket && nPos == nReadStart)
            || StartsWithMagic(pBytes + nPos, nAvail);
        if (!bHeaderHere) {
            // Not a packet: skip to the next magic, keeping a tail that may begin one.
            const size_t nSkip = FindPacketMagic(pBytes + nPos, nAvail);
            if (nSkip < nAvail) {
                nPos += nSkip;
                continue;
            }
            const size_t nTail = MagicPrefixTail(pBytes + nPos, nAvail);
            std::memmove(pBytes, pBytes + nEnd - nTail, nTail);
            m_nCarry = nTail;
            break;
        }
        if (nAvail < kMinPacketBytes) {
            std::memmove(pBytes, pBytes + nPos, nAvail);
            m_nCarry = nAvail;
            break;
        }
        nPos += DispatchPacket(pBytes + nPos, nAvail, nPos >= nReadStart, bToggle);
    }
    if (bToggle)
        ToggleActivity();
}

// Acts on the packet at pPacket (nAvailable >= 60 bytes of it are here) and returns how many
// of those bytes it used.
size_t CDvrLink::DispatchPacket(const uint8_t* pPacket, size_t nAvailable,
                                bool bHeaderInThisRead, bool& bToggle)
{
    const PacketHeader header = DecodeHeader(pPacket);
    if (header.dwTotalLength < kMinPacketBytes || header.dwTotalLength > kMaxPacketBytes
        || header.dwPacketType < PACKET_PARAMS || header.dwPacketType > PACKET_PAYLOAD) {
        // Cannot be framed: step over this magic and resynchronise on the next one.
        return 1;
    }
    const size_t nPayloadBytes = header.dwTotalLength - kMinPacketBytes;
    const size_t nPayloadHere = std::min(nAvailable - kMinPacketBytes, nPayloadBytes);
    const size_t nUsed = kMinPacketBytes + nPayloadHere;
    // Whatever of the payload is still to come belongs to this packet.
    m_nPacketRemaining = nPayloadBytes - nPayloadHere;
    m_bCollecting = false;

    const ParamBlock p = DecodeParams(pPacket + kHeaderBytes);
    switch (header.dwDataType) {
    case DATATYPE_LOGIN_REPLY:
        OnLoginReply(header, p);
        break;
    case DATATYPE_DVR_STATUS2_REPLY:
        if (m_pArchive)
            m_pArchive->OnRecordRange(p[2], p[3], p[4], p[5]);
        break;
    case DATATYPE_PTZ_DATA_REPLY:
        m_rNotifier.ShowNotice(kPtzReplyText);
        break;
    case DATATYPE_ALARM_EVENT:
        if (m_pView && m_pView->AlertModeOn()) {
            const uint32_t dwChannel = p[0] & 0xFF;
            if (dwChannel >= 1 && dwChannel <= 4) {
                m_dwAlarmEvent = dwChannel | (p[1] & 0xFF00u) | (p[1] & 0xFFFF0000u);
                ShowStatus(STATUS_CHANNEL_ALARM);
            }
        }
        break;
    case DATATYPE_STOP_REPLY:
        if (p[0] == 1) {
            m_bStopPending = false;
            StopTimer(kStopRetryTimerId);
        }
        SetImageWatchdog(false);
        break;
    case DATATYPE_LIVE_IMAGE:
    case DATATYPE_PLAY_IMAGE:
    case DATATYPE_EVENT_LOG:
        if (m_bStopPending)
            return nUsed; // dropped, payload and all, without showing activity
        if (header.dwDataType == DATATYPE_LIVE_IMAGE) {
            m_byState = REQ_LIVE;
            m_nCurrentChannel = static_cast<uint8_t>(p[3] == 0 ? 0 : std::min<uint32_t>(p[3] - 1, 255));
            SetImageWatchdog(true);
            m_dwRecordPos = p[4];
            if (m_pView)
                m_pView->DrawPositions(p[4], p[0]);
        } else if (header.dwDataType == DATATYPE_PLAY_IMAGE) {
            m_byState = REQ_PLAY;
            if ((m_wPlayImageCounter >> 8) == 1) {
                if ((m_wPlayImageCounter & 0xFF) >= kPlayImageLimit) {
                    // Pictures keep coming after playback was stopped: start over.
                    m_wPlayImageCounter = 0;
                    StartReconnect(true);
                    return nUsed;
                }
                ++m_wPlayImageCounter;
            }
            if (p[3] == PLAY_IMAGE_FOLLOWS) {
                if (m_byProtocolVersion == 1) {
                    m_nCurrentChannel = static_cast<uint8_t>(p[0] & 0xFF);
                    if (ArchiveActive())
                        m_pArchive->OnPlayImageTimeSeconds(p[1]);
                } else {
                    const uint8_t byChannel = static_cast<uint8_t>(p[0] >> 24);
                    m_nCurrentChannel = byChannel == 0 ? 0 : byChannel - 1;
                    if (ArchiveActive()) {
                        m_pArchive->OnPlayImageTimePacked(p[0], p[1]);
                        m_pArchive->OnPlayPosition(p[4]);
                    }
                }
                SetImageWatchdog(m_pArchive && m_pArchive->IsPlaying());
            } else {
                ResetReassembly();
                if (m_pArchive)
                    m_pArchive->OnPlayResult(static_cast<uint8_t>(p[3] & 0xFF));
                SetImageWatchdog(false);
            }
        } else {
            m_byState = REQ_EVENT_LOG;
            SetImageWatchdog(false);
        }
        StartCollecting(header, pPacket + kPayloadOffset, nPayloadHere, bHeaderInThisRead);
        break;
    default:
        break; // accepted and ignored
    }
    bToggle = true;
    return nUsed;
}

void CDvrLink::StartCollecting(const PacketHeader& header, const uint8_t* pPayload,
                               size_t nAvailable, bool bHeaderInThisRead)
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
    m_bCollecting = m_nPacketRemaining > 0;
    if (m_nCollected == m_nExpected && m_nExpected != 0)
        CompleteCollection(bHeaderInThisRead);
}

void CDvrLink::TakeContinuation(const uint8_t* pBytes, size_t nBytes, bool& bToggle)
{
    if (!IsCollectingState(m_byState)) {
        // E.g. the status poll changed the state mid-picture: the rest is dropped and the
        // half-collected picture waits for the next header to replace it.
        bToggle = true;
        return;
    }
    if (m_bStopPending)
        return;
    if (m_byState == REQ_LIVE)
        SetImageWatchdog(true);
    else if (m_byState == REQ_EVENT_LOG)
        SetImageWatchdog(false);
    else
        SetImageWatchdog(m_pArchive && m_pArchive->IsPlaying());

    const size_t nTake = std::min(nBytes, m_nExpected - m_nCollected);
    uint8_t* pTarget = m_imageBuf.data() + m_nCollected;
    if (pTarget != pBytes) // already in place when read straight into the buffer
        std::memmove(pTarget, pBytes, nTake);
    m_nCollected += nTake;
    if (m_nCollected == m_nExpected && m_nExpected != 0)
        CompleteCollection(false);
    bToggle = true;
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
    if (m_imageCompletion)
        m_imageCompletion(bSingleRead);
    else
        m_pictures.Complete(*this, bSingleRead);
    ResetReassembly();
}

void CDvrLink::CompleteEventLog()
{
    if (!m_bStopPending)
        m_byState = m_byPrevState;
    // A failed write leaves the previous file; nothing is reported.
    m_rFiles.WriteWhole(kAlarmEventFile, m_imageBuf.data(), m_nExpected);
    if (m_pArchive)
        m_pArchive->RefreshAlarmEvents();
    ResetReassembly();
}

void CDvrLink::ToggleActivity()
{
    if (!ArchiveActive()) {
        if (m_pView)
            m_pView->ToggleActivityLamp();
    } else if (m_byState == REQ_PLAY) {
        m_pArchive->FlipReceiveIndicator();
    }
}

} // namespace ostrel
