#include "session/archive_player.h"

#include "link/wire_format.h"
#include "models/status_text.h"
#include "session/recorder_session.h"

#include <utility>
#include <vector>

namespace ostrel {

namespace {

CalendarDate DateOf(const ArchiveDateTime& dt)
{
    return CalendarDate{dt.nYear, dt.nMonth, dt.nDay};
}

std::string DateTimeText(const ArchiveDateTime& dt)
{
    return status_text::ArchiveDateTime(dt.nYear, dt.nMonth, dt.nDay, dt.nHour, dt.nMinute, dt.nSecond);
}

} // namespace

CArchivePlayer::CArchivePlayer(CRecorderSession& rSession, ArchiveScreen& rScreen, const Clock& clock,
                               TimerFactory& rTimers)
    : m_rSession(rSession), m_rScreen(rScreen), m_rClock(clock), m_pTimers(rTimers.Create(*this))
{
    // Start, end and request begin as the local time at construction.
    m_range.m_dtStart = Now();
    m_range.m_dtEnd = m_range.m_dtStart;
    m_dtRequest = m_range.m_dtStart;
    m_dtImageDate = DateOf(m_dtRequest);
    m_stampImage = m_dtRequest;
}

CArchivePlayer::~CArchivePlayer()
{
    m_pTimers->Stop(kStepTimerId);
}

void CArchivePlayer::Start()
{
    TilesChanged();
    m_rSession.Link().SendRequest(wire::REQ_STOP, false);
}

ArchiveDateTime CArchivePlayer::Now() const
{
    return m_rClock.LocalNow();
}

int CArchivePlayer::SliderSeconds() const
{
    return m_dwPosTime.SecondOfDay();
}

std::string CArchivePlayer::StartText() const
{
    return m_range.m_bRangeKnown ? DateTimeText(m_range.m_dtStart) : status_text::kUnknownDateTime;
}

std::string CArchivePlayer::EndText() const
{
    return m_range.m_bRangeKnown ? DateTimeText(m_range.m_dtEnd) : status_text::kUnknownDateTime;
}

std::string CArchivePlayer::RequestText() const
{
    return DateTimeText(m_dtRequest);
}

// ---- waiting steps -----------------------------------------------------------------------

void CArchivePlayer::Run(std::function<void()> command)
{
    if (m_step != Step::None) {
        m_queued.push_back(std::move(command));
        return;
    }
    command();
}

void CArchivePlayer::Wait(Step step, int nMs)
{
    m_step = step;
    m_pTimers->Start(kStepTimerId, nMs);
}

void CArchivePlayer::OnTimer(int nId)
{
    if (nId != kStepTimerId || m_step == Step::None)
        return;
    m_pTimers->Stop(kStepTimerId);
    const Step step = std::exchange(m_step, Step::None);
    if (step == Step::BackToLive) {
        // The archive's window is gone: what was pressed in it during the pause is dropped, or
        // a play start would follow the live request.
        m_queued.clear();
        m_rSession.ShowArchive(false);
        return;
    }
    PlayEventNow(m_dwEventTime, m_nEventChannel);
    RunQueued();
}

void CArchivePlayer::RunQueued()
{
    // A queued command may start another wait; the rest then wait for that one.
    while (m_step == Step::None && !m_queued.empty()) {
        std::function<void()> command = std::move(m_queued.front());
        m_queued.pop_front();
        command();
    }
}

// ---- play controls -----------------------------------------------------------------------

PlayRequest CArchivePlayer::MakeRequest(uint32_t dwCtrl) const
{
    PlayRequest request = m_rSession.Link().LastPlayRequest();
    request.dwCtrl = dwCtrl;
    request.byChannel = m_tiles.SelChannel();
    return request;
}

void CArchivePlayer::SendStopOnly()
{
    ShowStatus(status_text::kBlankLine);
    m_rSession.Link().SendPlay(MakeRequest(kPlayCtrlStop), false);
    m_wPlayState = PlayState{};
    LightOnly(PLAY_STOP);
}

void CArchivePlayer::LightOnly(PlayControl control)
{
    m_bPlayLit.fill(false);
    m_bPlayLit[control] = true;
}

void CArchivePlayer::ShowStatus(const std::string& strText)
{
    m_strStatusLine = strText;
    m_rScreen.DrawStatusLine(strText);
}

void CArchivePlayer::OnPlayControl(PlayControl control)
{
    Run([this, control] {
        if (control == PLAY_STOP)
            Stop();
        else
            PlayFrom(control);
        m_rScreen.SyncLights();
    });
}

bool CArchivePlayer::Stop()
{
    m_rScreen.StopBackup();
    ShowStatus(status_text::kBlankLine);
    m_rScreen.EnableSearch(true);
    CDvrLink& link = m_rSession.Link();
    link.SendPlay(MakeRequest(kPlayCtrlStop), false);
    m_wPlayState = PlayState{};
    link.StartReconnect(false);
    LightOnly(PLAY_STOP);
    if (m_rScreen.BackupBusy())
        return false;
    link.SendDvrStatus2();
    return true;
}

void CArchivePlayer::PlayFrom(PlayControl control)
{
    const bool bWasPlaying = m_wPlayState.IsPlaying();
    const PlayControlWord word = BuildPlayControl(control, m_wPlayState, m_rSession.Settings().byRequestSpeed);
    m_wPlayState = word.playState;

    bool bKeyPressed = false;
    if (const std::optional<CalendarDate> date = m_rScreen.SelectedDate()) {
        KeepPlayRequest(*date, word.dwPlayCtrl);
        if (m_range.m_bRangeKnown && !IsRequestInRange(m_dtRequest, m_range, m_wPlayState.IsReverse())) {
            if (bWasPlaying)
                SendStopOnly();
            OnPlayResult(PlayResult::InvalidDate);
            m_rScreen.DrawStatusPanel();
            return;
        }
        if (m_range.m_bRangeKnown) {
            SendKeptPlayRequest();
        } else {
            NudgeWithSearchKey(control);
            bKeyPressed = true;
        }
    }
    m_rScreen.DrawStatusPanel();

    CDvrLink& link = m_rSession.Link();
    link.StartReconnect(false);
    LightOnly(control);
    if (m_wPlayState.IsStopped())
        LightOnly(PLAY_STOP);
    // After the key the status request goes through the request builder, so the watchdog the key
    // armed re-sends it, not a live request. After a play request the direct one keeps the
    // state REQ_PLAY, so the watchdog re-sends a lost play request.
    if (bKeyPressed)
        link.SendRequest(wire::REQ_DVR_STATUS2, false);
    else
        link.SendDvrStatus2();
}

void CArchivePlayer::KeepPlayRequest(const CalendarDate& date, uint32_t dwPlayCtrl)
{
    CDvrLink& link = m_rSession.Link();
    m_dtRequest = ArchiveDateTime{date.nYear, date.nMonth, date.nDay,
                                  m_dwPosTime.Hour(), m_dwPosTime.Minute(), m_dwPosTime.Second()};
    const PlayStartFields fields = BuildPlayStart(link.ProtocolVersion(), m_dtRequest, m_range.m_dtEnd);
    PlayRequest request = MakeRequest(dwPlayCtrl);
    request.dwDate = fields.dwPlayDate;
    request.dwTime = fields.dwPlayTime;
    link.SetPlayRequest(request);
}

void CArchivePlayer::SendKeptPlayRequest()
{
    m_rSession.Link().SendRequest(wire::REQ_PLAY, true);
    ShowStatus(status_text::kBlankLine);
    ShowStatus(status_text::kSearching);
    m_bSearching = true;
    m_rScreen.EnableSearch(false);
}

void CArchivePlayer::NudgeWithSearchKey(PlayControl control)
{
    // No recorded range yet: the recorder is nudged with a key instead of a request.
    if (control == PLAY_REVERSE) {
        ShowStatus(status_text::kBlankLine);
        m_bSearching = false;
    } else {
        ShowStatus(status_text::kSearching);
        m_bSearching = true;
    }
    m_rSession.Link().SendKeyEmul(kSearchKeyCode);
}

void CArchivePlayer::OnPlayResult(PlayResult result)
{
    ShowResult(result);
    m_rScreen.SyncLights();
}

void CArchivePlayer::ShowResult(PlayResult result)
{
    const std::string_view text = PlayResultText(result);
    // An unknown result still ends the search: the line is blanked.
    ShowStatus(text.empty() ? std::string(status_text::kBlankLine) : std::string(text));
    m_rSession.Link().SetImageWatchdog(false);
    m_wPlayState = PlayState{};
    LightOnly(PLAY_STOP);
}

// ---- back to live, alarm events ----------------------------------------------------------

void CArchivePlayer::OnViewer()
{
    Run([this] {
        const bool bMayLeave = Stop();
        m_rScreen.SyncLights();
        if (!bMayLeave) {
            m_rScreen.ShowMessageBox(kSavingRefusalText);
            return;
        }
        Wait(Step::BackToLive, kBackToLiveMs);
    });
}

void CArchivePlayer::PlayEventAt(uint32_t dwPackedTime, int nChannel)
{
    Run([this, dwPackedTime, nChannel] {
        if (m_wPlayState.IsPlaying()) {
            SendStopOnly();
            m_rScreen.SyncLights();
            m_dwEventTime = dwPackedTime;
            m_nEventChannel = nChannel;
            Wait(Step::PlayEvent, kEventRestartMs);
            return;
        }
        PlayEventNow(dwPackedTime, nChannel);
    });
}

void CArchivePlayer::PlayEventNow(uint32_t dwPackedTime, int nChannel)
{
    if (m_tiles.IsSingle() && m_tiles.SelChannel() != nChannel) {
        m_tiles.ShowSingle(nChannel);
        TilesChanged();
    }
    m_wPlayState = PlayState::Playing(false);
    m_dtRequest = wire::SplitTimeCost(dwPackedTime);
    CDvrLink& link = m_rSession.Link();
    // Both forms carry the requested moment first and, on a version 1 recorder, the end of the
    // recorded range second, as every other play request does.
    const PlayStartFields fields = BuildPlayStart(link.ProtocolVersion(), m_dtRequest, m_range.m_dtEnd);
    PlayRequest request = MakeRequest(kPlayCtrlStartForward);
    request.dwDate = fields.dwPlayDate;
    request.dwTime = fields.dwPlayTime;
    link.SendPlay(request, true);
    ShowStatus(status_text::kBlankLine);
    m_rScreen.DrawStatusPanel();
    link.StartReconnect(false);
    LightOnly(PLAY_FORWARD);
    m_rScreen.SyncLights();
}

void CArchivePlayer::OnAlarmList()
{
    Run([this] {
        std::vector<uint8_t> probe;
        const bool bExisted =
            m_rSession.Files().ReadAtMost(kAlarmEventFile, 0, probe).kind == FileReadResult::Kind::Ok;
        m_rSession.Link().SendRequest(wire::REQ_EVENT_LOG, false);
        m_rScreen.ShowAlarmEvents(bExisted);
    });
}

void CArchivePlayer::RefreshAlarmEvents()
{
    m_rScreen.RefreshAlarmEvents();
}

// ---- time of day and date ----------------------------------------------------------------

void CArchivePlayer::ApplyImageTime(const ImageTimeUpdate& update)
{
    if (!update.bDateAccepted)
        return;
    m_dtImageDate = DateOf(update.stamp);
    m_stampImage = update.stamp;
    const std::optional<CalendarDate> selected = m_rScreen.SelectedDate();
    if (selected && *selected != m_dtImageDate)
        m_rScreen.SetCalendarDate(m_dtImageDate);
    if (update.bTimeMoves) {
        m_dwPosTime = update.posTime;
        m_rScreen.DrawTimeOfDay(update.nSliderSeconds);
    }
}

void CArchivePlayer::MoveRequest(const ArchiveDateTime& dt)
{
    m_dtRequest = dt;
    ApplyImageTime(ImageTimeFromDateTime(dt, m_dwPosTime));
    m_rScreen.DrawStatusPanel();
}

void CArchivePlayer::OnJumpToStart()
{
    Run([this] { MoveRequest(JumpToStart(m_range)); });
}

void CArchivePlayer::OnJumpToEnd()
{
    Run([this] { MoveRequest(JumpToEnd(m_range)); });
}

void CArchivePlayer::OnPreviousHour()
{
    Run([this] {
        if (const std::optional<CalendarDate> date = m_rScreen.SelectedDate())
            MoveRequest(PreviousHour(*date, m_dwPosTime.Hour()));
    });
}

void CArchivePlayer::OnNextHour()
{
    Run([this] {
        if (const std::optional<CalendarDate> date = m_rScreen.SelectedDate())
            MoveRequest(NextHour(*date, m_dwPosTime.Hour()));
    });
}

void CArchivePlayer::OnSliderMoved(int nSeconds)
{
    Run([this, nSeconds] {
        m_dwPosTime = PosTime::FromSlider(nSeconds);
        m_rScreen.DrawTimeOfDay(SliderSeconds());
    });
}

void CArchivePlayer::OnPlayImageTimePacked(uint32_t dwP0, uint32_t dwP1)
{
    ApplyImageTime(ImageTimeFromWords(dwP0, dwP1, m_dwPosTime));
}

void CArchivePlayer::OnPlayImageTimeSeconds(uint32_t dwSeconds)
{
    ApplyImageTime(ImageTimeFromSeconds(dwSeconds, m_dwPosTime));
}

// ---- tiles -------------------------------------------------------------------------------

void CArchivePlayer::TilesChanged()
{
    // A resend after a new login names the channel now selected.
    PlayRequest request = m_rSession.Link().LastPlayRequest();
    request.byChannel = m_tiles.SelChannel();
    m_rSession.Link().SetPlayRequest(request);
    // Play pictures are decoded at the size of their tiles.
    PictureCompletion& pictures = m_rSession.Link().Pictures();
    for (int n = 0; n < CArchiveTiles::kChannels; ++n) {
        const CellRect& rcTile = m_tiles.Tile(n);
        pictures.SetShownSize(wire::REQ_PLAY, n, m_rSession.DeviceSize(rcTile));
    }
    m_rScreen.RelayoutTiles();
    m_rScreen.SyncLights();
}

void CArchivePlayer::OnSingleView()
{
    Run([this] {
        m_tiles.OnSingleView();
        TilesChanged();
    });
}

void CArchivePlayer::OnMultiView()
{
    Run([this] {
        m_tiles.OnMultiView();
        TilesChanged();
    });
}

void CArchivePlayer::OnTilesMore()
{
    Run([this] {
        m_tiles.OnTilesMore();
        TilesChanged();
    });
}

void CArchivePlayer::OnTilesFewer()
{
    Run([this] {
        m_tiles.OnTilesFewer();
        TilesChanged();
    });
}

void CArchivePlayer::OnChannelButton(int nChannel)
{
    Run([this, nChannel] {
        m_tiles.OnChannel(nChannel);
        TilesChanged();
    });
}

// ---- what the session and the link report ------------------------------------------------

void CArchivePlayer::SetArchiveActive(bool bActive)
{
    m_bArchiveActive = bActive;
    m_rScreen.ShowWindow(bActive);
}

void CArchivePlayer::Activate()
{
    m_dtRequest = m_range.m_dtStart;
    m_dwPosTime = PosTime::Of(m_dtRequest.nHour, m_dtRequest.nMinute, m_dtRequest.nSecond);
    m_dtImageDate = DateOf(m_dtRequest);
    m_rScreen.SetCalendarDate(m_dtImageDate);
    m_rScreen.EnableSearch(true);
    m_rScreen.DrawTimeOfDay(SliderSeconds());
    m_bPlayLit[PLAY_STOP] = true;
    m_rScreen.ClearPlayImages();
    if (m_rSession.Link().ProtocolVersion() > 1 && !m_range.m_bEndKnown)
        m_range.m_dtEnd = Now();
    m_rScreen.SyncLights();
    m_rScreen.DrawStatusPanel();
}

void CArchivePlayer::SetConnectionStatus(const LinkStatus& status)
{
    // A link that gets no pictures ends a backup run, as the record toggle does.
    if (status.code == StatusCode::TryRequestImage)
        m_rScreen.StopBackup();
    ShowStatus(status_text::ArchiveConnectStatus(status));
}

void CArchivePlayer::OnRecordRange(uint32_t dwP2, uint32_t dwP3, uint32_t dwP4, uint32_t dwP5)
{
    if (m_rSession.Link().ProtocolVersion() == 1)
        ApplyRecordRangeSeconds(m_range, dwP2, dwP3, m_dtRequest);
    else
        ApplyRecordRangeWords(m_range, dwP2, dwP3, dwP4, dwP5, Now());
    if (m_bArchiveActive)
        m_rScreen.DrawStatusPanel();
}

void CArchivePlayer::OnPlayPosition(uint32_t dwPosition)
{
    m_rScreen.DrawPositions(status_text::ArchivePosition(m_rSession.RecordPosition()),
                            status_text::ArchivePosition(dwPosition));
}

void CArchivePlayer::FlipReceiveIndicator()
{
    m_rScreen.FlipReceiveIndicator();
}

void CArchivePlayer::OnPlayImage(uint8_t byChannel, const Picture& picture)
{
    if (m_bSearching) {
        m_bSearching = false;
        ShowStatus(status_text::kBlankLine);
    }
    if (picture && byChannel < CArchiveTiles::kChannels)
        m_rScreen.DrawPlayImage(byChannel, picture);
}

} // namespace ostrel
