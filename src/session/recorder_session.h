#pragma once

#include "link/dvr_link.h"
#include "models/alarm_notice_gate.h"
#include "models/live_layout.h"
#include "platform/alarm_notifier.h"
#include "platform/clock.h"
#include "platform/file_store.h"
#include "platform/notifier.h"
#include "platform/settings_store.h"
#include "platform/stream_socket.h"
#include "platform/timer_service.h"
#include "session/archive_window.h"
#include "session/live_window.h"
#include "session/view_settings.h"

#include <cstdint>
#include <string>
#include <utility>

namespace ostrel {

// Everything the session is given to work with.
struct SessionServices {
    TimerFactory& rTimers;
    SocketFactory& rSockets;
    FileStore& rFiles;
    Notifier& rNotifier;
    SettingsStore& rSettings;
    SettingsPlaces places;
    std::string strWorkDir; // the current folder: ini/, PTZ/ and "AlarmEvent.am" are below it
};

// One operator's session with one recorder: the program's state without its windows. It owns
// the link, the settings, the PTZ intervals and path, the connection state and the live layout,
// answers the link's questions, and passes what the link reports to the live window and, while
// the archive is active, to the archive window. The windows hold it, paint, and turn input into
// its commands; they never call each other: switching between live and archive is ShowArchive.
//
// Drive it from the user-interface thread: Load once, then the commands; the link's events
// arrive through LinkView. No call re-enters the link from a link event, except the disconnect
// after a lost link, which the link delivers from a posted step.
class CRecorderSession final : private LinkView {
public:
    static constexpr const char* kPtzUserFile = "/PTZ/user_command.tl"; // under the work folder
    // What the exit command says when the settings profile could not be written.
    static constexpr const char* kSettingsNotSavedText =
        "The settings could not be saved; the settings saved before are kept.";
    static constexpr const char* kSettingsNotSavedTitle = "Settings";

    explicit CRecorderSession(SessionServices services);
    // Disconnects and deletes "AlarmEvent.am".
    ~CRecorderSession() override;
    CRecorderSession(const CRecorderSession&) = delete;
    CRecorderSession& operator=(const CRecorderSession&) = delete;

    void SetLiveWindow(LiveWindow* pWindow) { m_pLive = pWindow; }
    // The archive window's parts go to the link as well; null unregisters.
    void SetArchiveWindow(ArchiveWindow* pWindow);
    // Alarm notices the link accepts (only while "Use AlertMode" is on) also go to the desktop,
    // at most one per channel in ten seconds of the clock. Null turns them off.
    void SetAlarmNotifier(AlarmNotifier* pNotifier, const Clock* pClock);

    // Pictures are decoded on threads ("THREADS" of section "DECODE" in ini/opt.ini) from the
    // next Load on, their results coming back through these wake-ups; without, or with 0
    // threads, on this thread. Event logs are then written on a thread too. Set before Load.
    void SetDecodeWakeups(UiWakeupFactory* pWakeups) { m_pDecodeWakeups = pWakeups; }

    // Reads ini/opt.ini, builds the PTZ file path and loads the settings (cleared first).
    void Load();
    // Writes the settings back; false when the store could not keep them.
    bool Save();

    // The connect command: with no connection, starts one (state 2 when under way). True when
    // there was no connection before.
    bool Connect();
    // The disconnect command: with a connection, drops it (pictures and drawn marks cleared,
    // "AlarmEvent.am" deleted, the live window told). True when there was one.
    bool Disconnect();
    // Another recorder in one step (the site list): a connection there is dropped as by
    // Disconnect, the site's name, address and port become the settings' ("Ip Label", "Host
    // IPAddress", "Host Port"), and a connection to it starts with the current login. False,
    // with nothing changed, for an empty address or a port outside 1..65535.
    bool SwitchSite(std::string_view strName, std::string_view strAddress, int nPort);
    // The exit command's part: disconnect and save. False when the settings were not saved;
    // the operator is then told (the store keeps the ones saved before).
    bool Shutdown();
    // Live or archive. Nothing without an archive window; the archive is not shown while not
    // connected, but going back to live always works.
    void ShowArchive(bool bShow);
    // The archive button: the status request first, so the archive opens on a fresh recorded
    // range, then ShowArchive(true).
    void OpenArchive();

    // Layout commands; each sends the live request when the layout changed.
    CLiveLayout::Effects ApplyLayout();                     // the current mode again (start-up)
    CLiveLayout::Effects OnLayoutButton(int nIndex);
    CLiveLayout::Effects OnChannelButton(int nChannel);
    CLiveLayout::Effects OnRotateButton();
    CLiveLayout::Effects OnDoubleClick(int x, int y);
    CLiveLayout::Effects RotationTick();                    // once a second
    bool OnPtzChannelKey(int nParameter, bool bPressed);

    CDvrLink& Link() { return m_link; }
    const CLiveLayout& Layout() const { return m_layout; }
    ConnectState ConnectionState() const { return m_byConnectState; }
    // The status line's state when nothing more is to be said: waiting, connecting or connected.
    LinkStatus ConnectionStatus() const { return LinkStatus{StatusOf(m_byConnectState)}; }
    const ViewSettings& Settings() const { return m_settings; }
    ViewSettings& Settings() { return m_settings; }
    const PtzIntervals& PtzTiming() const { return m_ptzIntervals; }
    PtzIntervals& PtzTiming() { return m_ptzIntervals; }           // the PTZ panel raises them
    const std::string& PtzFile() const { return m_strPtzFile; }    // m_strPtzFile
    void SetPtzFile(std::string strPath) { m_strPtzFile = std::move(strPath); }
    const std::string& WorkDir() const { return m_services.strWorkDir; }
    bool ArchiveActive() const { return m_pArchive && m_pArchive->IsArchiveActive(); }
    // The record position the recorder last reported with a live picture.
    uint32_t RecordPosition() const { return m_dwRecordPos; }
    FileStore& Files() { return m_services.rFiles; }
    TimerFactory& Timers() { return m_services.rTimers; }
    // The windows' device pixels per window pixel (their screen's device pixel ratio): pictures
    // are decoded for the device size of their cells and tiles. Sets the live sizes again.
    void SetDeviceScale(double dScale);
    // What a cell or tile of rc (window pixels) shows in device pixels; empty for an empty rc.
    ShownSize DeviceSize(const CellRect& rc) const;

private:
    CLiveLayout::Effects Apply(const CLiveLayout::Effects& effects);
    // Tells the link the size of every channel's live cell, so each picture is decoded at the
    // size it is shown.
    void ShareCellSizes();
    void NotifyAlarm(const AlarmWord& alarm);

    // LinkView.
    uint16_t SingleChannel() const override { return m_layout.SingleCh(); }
    uint32_t LiveChannelMask() const override { return m_layout.LiveChMask(); }
    std::string HostAddress() const override;
    uint16_t HostPort() const override;
    std::string UserId() const override;
    std::string Password() const override;
    uint8_t ReconnectCount() const override { return m_settings.byReconnectCount; }
    bool AlertModeOn() const override { return m_settings.bUseAlertMode != 0; }
    void SetConnectState(ConnectState state) override { m_byConnectState = state; }
    void SetChannelCount(uint8_t byCount) override;
    void OnLinkStatus(const LinkStatus& status) override;
    void DrawPositions(uint32_t dwRecordPos, uint32_t dwPlayPos) override;
    void ToggleActivityLamp() override;
    void OnLinkLost(LinkLoss reason) override;
    void OnPicture(uint8_t byChannel, const Picture& picture) override;

    SessionServices m_services;
    CDvrLink m_link;
    LiveWindow* m_pLive = nullptr;
    ArchiveWindow* m_pArchive = nullptr;
    CLiveLayout m_layout;
    ViewSettings m_settings;
    PtzIntervals m_ptzIntervals;
    UiWakeupFactory* m_pDecodeWakeups = nullptr;
    int m_nConnectTimeoutMs = CDvrLink::kDefaultConnectTimeoutMs; // ini/opt.ini [CONNECT] TIMEOUT
    LinkStatus m_lastConnectFail{StatusCode::ConnectFail}; // says why the last connect failed
    std::string m_strPtzFile;
    ConnectState m_byConnectState = ConnectState::Idle;
    double m_dDeviceScale = 1.0;
    uint32_t m_dwRecordPos = 0;
    AlarmNotifier* m_pAlarmNotifier = nullptr;
    const Clock* m_pClock = nullptr;
    AlarmNoticeGate m_alarmGate;
};

} // namespace ostrel
