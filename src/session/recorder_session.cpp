#include "session/recorder_session.h"

#include <cmath>
#include <thread>

namespace ostrel {

CRecorderSession::CRecorderSession(SessionServices services)
    : m_services(std::move(services)),
      m_link({m_services.rTimers, m_services.rSockets, m_services.rFiles, m_services.rNotifier}, this)
{
    ShareCellSizes();
}

CRecorderSession::~CRecorderSession()
{
    m_link.Disconnect(true);
    m_services.rFiles.Remove(kAlarmEventFile);
}

void CRecorderSession::SetArchiveWindow(ArchiveWindow* pWindow)
{
    m_pArchive = pWindow;
    m_link.RegisterArchive(pWindow, pWindow, pWindow);
}

void CRecorderSession::SetAlarmNotifier(AlarmNotifier* pNotifier, const Clock* pClock)
{
    m_pAlarmNotifier = pClock ? pNotifier : nullptr;
    m_pClock = pClock;
}

void CRecorderSession::Load()
{
    m_ptzIntervals = ReadPtzIntervals(m_services.strWorkDir + "/" + kOptIniPath);
    m_nConnectTimeoutMs = ReadConnectTimeoutMs(m_services.strWorkDir + "/" + kOptIniPath);
    if (m_pDecodeWakeups) {
        const int nThreads = ReadDecodeThreads(static_cast<int>(std::thread::hardware_concurrency()),
                                               m_services.strWorkDir + "/" + kOptIniPath);
        m_link.SetDecodeThreads(nThreads, m_pDecodeWakeups);
        m_link.SaveEventLogsOnThread(m_pDecodeWakeups);
    }
    m_strPtzFile = m_services.strWorkDir + kPtzUserFile;
    m_settings = ViewSettings{};
    LoadSettings(m_settings, m_services.rSettings, m_services.places, m_strPtzFile);
}

bool CRecorderSession::Save()
{
    return SaveSettings(m_settings, m_services.rSettings, m_strPtzFile);
}

// ---- commands ----------------------------------------------------------------------------

bool CRecorderSession::Connect()
{
    if (m_byConnectState != ConnectState::Idle)
        return false;
    m_link.SetConnectTimeoutMs(m_nConnectTimeoutMs);
    if (m_link.Connect(HostAddress(), HostPort()))
        m_byConnectState = ConnectState::Connecting;
    return true;
}

bool CRecorderSession::Disconnect()
{
    if (m_byConnectState == ConnectState::Idle)
        return false;
    m_byConnectState = ConnectState::Idle;
    m_link.Disconnect(true);
    m_layout.ClearDrawn();
    m_services.rFiles.Remove(kAlarmEventFile);
    if (m_pLive)
        m_pLive->OnConnectionDropped();
    return true;
}

bool CRecorderSession::SwitchSite(std::string_view strName, std::string_view strAddress, int nPort)
{
    if (strAddress.empty() || strAddress.size() >= m_settings.szHostAddress.size() || nPort < 1 || nPort > 65535)
        return false;
    Disconnect();
    SetText(m_settings.szIpLabel, strName);
    SetText(m_settings.szHostAddress, strAddress);
    m_settings.nHostPort = nPort;
    Connect();
    return true;
}

bool CRecorderSession::Shutdown()
{
    m_link.Disconnect(true);
    if (Save())
        return true;
    m_services.rNotifier.ShowMessage(kSettingsNotSavedText, kSettingsNotSavedTitle);
    return false;
}

void CRecorderSession::ShowArchive(bool bShow)
{
    // A connection lost while the archive is in front must not keep the operator there.
    if (!m_pArchive || (bShow && m_byConnectState == ConnectState::Idle))
        return;
    m_pArchive->SetArchiveActive(bShow);
    if (m_pLive)
        m_pLive->OnArchiveShown(bShow);
    if (bShow) {
        m_link.SendRequest(wire::REQ_STOP, false);
        m_link.SendRequest(wire::REQ_STOP, false);
        m_pArchive->Activate();
    } else {
        m_link.SendRequest(wire::REQ_LIVE, true);
    }
}

void CRecorderSession::OpenArchive()
{
    m_link.SendDvrStatus2();
    ShowArchive(true);
}

void CRecorderSession::ShareCellSizes()
{
    PictureCompletion& pictures = m_link.Pictures();
    for (int n = 0; n < CLiveLayout::kChannels; ++n) {
        const CellRect& rcCell = m_layout.Cell(n);
        pictures.SetShownSize(wire::REQ_LIVE, n, DeviceSize(rcCell));
    }
}

void CRecorderSession::SetDeviceScale(double dScale)
{
    if (!std::isfinite(dScale) || dScale < 1.0 || dScale > 8.0 || dScale == m_dDeviceScale)
        return;
    m_dDeviceScale = dScale;
    ShareCellSizes();
}

ShownSize CRecorderSession::DeviceSize(const CellRect& rc) const
{
    if (rc.IsEmpty())
        return {};
    return {static_cast<int>(std::lround(rc.Width() * m_dDeviceScale)),
            static_cast<int>(std::lround(rc.Height() * m_dDeviceScale))};
}

CLiveLayout::Effects CRecorderSession::Apply(const CLiveLayout::Effects& effects)
{
    // Every layout command may move channels between cells (rotation included).
    ShareCellSizes();
    if (effects.bSendLive)
        m_link.SendRequest(wire::REQ_LIVE, true);
    return effects;
}

CLiveLayout::Effects CRecorderSession::ApplyLayout()
{
    return Apply(m_layout.ApplyLayout(m_layout.SplitMode()));
}

CLiveLayout::Effects CRecorderSession::OnLayoutButton(int nIndex)
{
    return Apply(m_layout.OnLayoutButton(nIndex));
}

CLiveLayout::Effects CRecorderSession::OnChannelButton(int nChannel)
{
    return Apply(m_layout.OnChannelButton(nChannel));
}

CLiveLayout::Effects CRecorderSession::OnRotateButton()
{
    return Apply(m_layout.OnRotateButton(m_byConnectState == ConnectState::Established, m_settings.byRotateInterval));
}

CLiveLayout::Effects CRecorderSession::OnDoubleClick(int x, int y)
{
    return Apply(m_layout.OnDoubleClick(x, y));
}

CLiveLayout::Effects CRecorderSession::RotationTick()
{
    return Apply(m_layout.RotationTick());
}

bool CRecorderSession::OnPtzChannelKey(int nParameter, bool bPressed)
{
    return m_layout.OnPtzChannelKey(nParameter, bPressed);
}

// ---- what the link asks and tells --------------------------------------------------------

std::string CRecorderSession::HostAddress() const
{
    return std::string(GetText(m_settings.szHostAddress));
}

uint16_t CRecorderSession::HostPort() const
{
    return static_cast<uint16_t>(m_settings.nHostPort);
}

std::string CRecorderSession::UserId() const
{
    return std::string(GetText(m_settings.szUserId));
}

std::string CRecorderSession::Password() const
{
    return std::string(GetText(m_settings.szPassword));
}

void CRecorderSession::SetChannelCount(uint8_t byCount)
{
    m_layout.SetChannelCount(byCount);
    if (m_pLive)
        m_pLive->OnChannelCount();
}

void CRecorderSession::OnLinkStatus(const LinkStatus& status)
{
    if (status.code == StatusCode::ConnectFail)
        m_lastConnectFail = status;
    if (m_pLive)
        m_pLive->OnConnectStatus(status);
    if (ArchiveActive())
        m_pArchive->SetConnectionStatus(status);
    if (status.code == StatusCode::ChannelAlarm)
        NotifyAlarm(status.alarm);
}

void CRecorderSession::NotifyAlarm(const AlarmWord& alarm)
{
    if (!m_pAlarmNotifier || m_settings.bUseAlertMode == 0)
        return;
    const std::optional<std::string> title = m_alarmGate.Admit(alarm, m_pClock->TickMs());
    if (title)
        m_pAlarmNotifier->NotifyAlarm(
            AlarmNotice{alarm.byChannel, *title, std::string(GetText(m_settings.szIpLabel))});
}

void CRecorderSession::DrawPositions(uint32_t dwRecordPos, uint32_t dwPlayPos)
{
    m_dwRecordPos = dwRecordPos;
    if (m_pLive)
        m_pLive->OnPositions(dwRecordPos, dwPlayPos);
}

void CRecorderSession::ToggleActivityLamp()
{
    if (m_pLive)
        m_pLive->OnActivity();
}

void CRecorderSession::OnLinkLost(LinkLoss reason)
{
    // Answered as the disconnect button is, and the line says so; a connect that failed goes
    // on saying why.
    Disconnect();
    OnLinkStatus(reason == LinkLoss::ConnectFailed ? m_lastConnectFail : ConnectionStatus());
}

void CRecorderSession::OnPicture(uint8_t byChannel, const Picture& picture)
{
    m_layout.SetDrawn(byChannel);
    if (m_pLive)
        m_pLive->OnLivePicture(byChannel, picture);
}

} // namespace ostrel
