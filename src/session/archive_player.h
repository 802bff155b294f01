#pragma once

#include "link/dvr_link.h"
#include "link/picture.h"
#include "models/archive_clock.h"
#include "models/archive_tiles.h"
#include "models/month_calendar.h"
#include "platform/clock.h"
#include "platform/timer_service.h"
#include "session/archive_window.h"

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace ostrel {

class CRecorderSession;

// What the archive's logic asks of its window. Every call comes from the user-interface thread.
class ArchiveScreen {
public:
    virtual ~ArchiveScreen() = default;
    // Show and raise the window, or hide it.
    virtual void ShowWindow(bool bShow) = 0;
    // The status line, filled black and the text centred.
    virtual void DrawStatusLine(const std::string& strText) = 0;
    // START, END and REQUEST TIME from the player's texts.
    virtual void DrawStatusPanel() = 0;
    virtual void DrawPositions(const std::string& strRecord, const std::string& strPlay) = 0;
    // The time slider at nSeconds of the day, and the time text under it.
    virtual void DrawTimeOfDay(int nSeconds) = 0;
    // The calendar's selected date; nothing when there is no calendar.
    virtual std::optional<CalendarDate> SelectedDate() const = 0;
    virtual void SetCalendarDate(const CalendarDate& date) = 0;
    // Calendar and slider together.
    virtual void EnableSearch(bool bEnable) = 0;
    // The layout, channel and play control lights follow the player.
    virtual void SyncLights() = 0;
    // The tiles moved: the play area is drawn again, each picture in its new tile.
    virtual void RelayoutTiles() = 0;
    virtual void DrawPlayImage(uint8_t byChannel, const Picture& picture) = 0;
    virtual void ClearPlayImages() = 0;
    virtual void FlipReceiveIndicator() = 0;
    // The alarm event list: opened after its request went out; bFileExisted tells whether a
    // saved list was there to show at once. Told to reload when a new list has been saved.
    virtual void ShowAlarmEvents(bool bFileExisted) = 0;
    virtual void RefreshAlarmEvents() = 0;
    // The AVI backup: the stop control, "Viewer" and a link that gets no pictures end a
    // recording run; while a file is still being written the dialog may not be left.
    virtual void StopBackup() = 0;
    virtual bool BackupBusy() const = 0;
    virtual void ShowMessageBox(const std::string& strText) = 0;
};

// The archive's search and playback without its window: the play state, the recorded range,
// the requested position and time of day, the tiles, the lights and the status line, and what
// each control sends through the session's link. It is the session's archive window; the dialog
// holds it, draws what it is told through ArchiveScreen and turns clicks into its commands.
//
// Two steps wait: going back to live waits 500 ms after the stop, and playing an alarm event
// while playing waits 1000 ms after its stop. The waits are timer steps, never sleeps; operator
// commands that arrive during one are kept and run after it in the order they came, except
// after the way back to live, where the window they were meant for is gone and they are
// dropped; a pending step dies with the player.
class CArchivePlayer final : public ArchiveWindow, public TimerTarget {
public:
    static constexpr int kStepTimerId = 110;
    static constexpr int kBackToLiveMs = 500;
    static constexpr int kEventRestartMs = 1000;
    static constexpr uint16_t kSearchKeyCode = 0x0204; // pressed when no recorded range is known
    static constexpr const char* kSavingRefusalText = "Saving AVI File Now.So Can Not Close This Window!";

    CArchivePlayer(CRecorderSession& rSession, ArchiveScreen& rScreen, const Clock& clock, TimerFactory& rTimers);
    ~CArchivePlayer() override;
    CArchivePlayer(const CArchivePlayer&) = delete;
    CArchivePlayer& operator=(const CArchivePlayer&) = delete;

    // The dialog is created: four tiles per row, and the recorder is told to stop.
    void Start();

    // Operator commands (queued while a step waits).
    void OnPlayControl(PlayControl control);   // 1075..1079
    void OnViewer();                           // 1049
    void OnJumpToStart();                      // 1080
    void OnJumpToEnd();                        // 1083
    void OnPreviousHour();                     // 1081
    void OnNextHour();                         // 1082
    void OnSliderMoved(int nSeconds);          // 1085
    void OnSingleView();                       // 1057
    void OnMultiView();                        // 1058
    void OnTilesMore();                        // 1053
    void OnTilesFewer();                       // 1054
    void OnChannelButton(int nChannel);        // 1059..1074, 0-based
    void OnAlarmList();                        // 1052
    // A text of the window's own (a snapshot that failed) on the status line.
    void ShowMessage(const std::string& strText) { ShowStatus(strText); }
    // From the alarm event list: play from the packed event time on the 0-based channel.
    void PlayEventAt(uint32_t dwPackedTime, int nChannel);

    // State, for the window and the tests.
    const CArchiveTiles& Tiles() const { return m_tiles; }
    const ArchiveRange& Range() const { return m_range; }
    const ArchiveDateTime& Request() const { return m_dtRequest; }     // m_dtRequest
    const ArchiveDateTime& ImageStamp() const { return m_stampImage; } // m_stampImage
    int SliderSeconds() const;
    bool PlayLit(PlayControl control) const { return m_bPlayLit[control]; }
    bool Waiting() const { return m_step != Step::None; }
    const std::string& StatusLine() const { return m_strStatusLine; }
    // The panel's value texts as drawn.
    std::string StartText() const;
    std::string EndText() const;
    std::string RequestText() const;

private:
    // ArchiveWindow.
    bool IsArchiveActive() const override { return m_bArchiveActive; }
    bool IsSearching() const override { return m_bSearching; }
    PlayState State() const override { return m_wPlayState; }
    void SetArchiveActive(bool bActive) override;
    void Activate() override;
    void SetConnectionStatus(const LinkStatus& status) override;
    void OnRecordRange(uint32_t dwP2, uint32_t dwP3, uint32_t dwP4, uint32_t dwP5) override;
    void OnPlayImageTimeSeconds(uint32_t dwSeconds) override;
    void OnPlayImageTimePacked(uint32_t dwP0, uint32_t dwP1) override;
    void OnPlayPosition(uint32_t dwPosition) override;
    void OnPlayResult(PlayResult result) override;
    void FlipReceiveIndicator() override;
    void OnPlayImage(uint8_t byChannel, const Picture& picture) override;
    void RefreshAlarmEvents() override;

    // TimerTarget.
    void OnTimer(int nId) override;

    enum class Step : uint8_t { None, BackToLive, PlayEvent };

    // Runs an operator command now, or after the waiting step.
    void Run(std::function<void()> command);
    void Wait(Step step, int nMs);
    void RunQueued();

    // The stop control; false when a backup file is still being written (the stop is done, but
    // the dialog may not be left yet).
    bool Stop();
    void PlayFrom(PlayControl control);
    // PlayFrom's steps: the request for the date and the slider's time, kept by the link; the
    // play request sent; or, with no recorded range known, the search key pressed instead.
    void KeepPlayRequest(const CalendarDate& date, uint32_t dwPlayCtrl);
    void SendKeptPlayRequest();
    void NudgeWithSearchKey(PlayControl control);
    void PlayEventNow(uint32_t dwPackedTime, int nChannel);
    // The link's play fields with the given control word and the selected channel.
    PlayRequest MakeRequest(uint32_t dwCtrl) const;
    void SendStopOnly();
    void ShowResult(PlayResult result);
    void ShowStatus(const std::string& strText);
    void ApplyImageTime(const ImageTimeUpdate& update);
    void MoveRequest(const ArchiveDateTime& dt);
    void LightOnly(PlayControl control);
    void TilesChanged();
    ArchiveDateTime Now() const;

    CRecorderSession& m_rSession;
    ArchiveScreen& m_rScreen;
    const Clock& m_rClock;
    std::unique_ptr<TimerService> m_pTimers;

    CArchiveTiles m_tiles;
    PlayState m_wPlayState;
    ArchiveRange m_range;
    bool m_bSearching = false;
    bool m_bArchiveActive = false;
    ArchiveDateTime m_dtRequest;
    CalendarDate m_dtImageDate;          // day of the last play image
    ArchiveDateTime m_stampImage;
    PosTime m_dwPosTime;
    std::array<bool, 5> m_bPlayLit{};    // 1075..1079
    std::string m_strStatusLine;

    Step m_step = Step::None;
    uint32_t m_dwEventTime = 0;          // the alarm event waiting for its restart
    int m_nEventChannel = 0;
    std::deque<std::function<void()>> m_queued;
};

} // namespace ostrel
