#pragma once

#include "models/key_commands.h"
#include "models/ptz_key_handler.h"
#include "platform/clock.h"
#include "platform/display_mode.h"
#include "platform/timer_service.h"
#include "session/live_window.h"
#include "session/recorder_session.h"
#include "widgets/skin_window.h"

#include <QImage>

#include <string>

class QComboBox;

namespace ostrel {

class CMainFrame;
class CSkinButton;

// What the view is given to work with besides the session.
struct ViewServices {
    Clock& rClock;
    TimerFactory& rTimers;               // the view's timer 100 and its screen refresh
    DisplayMode* pDisplayMode = nullptr; // null: full screen only places the window
};

// The one window the operator works in: the skinned form with the live display, the status
// panel and every control. It paints what the session reports and turns clicks into the
// session's commands; the session owns the link, the settings and the layout. All painting goes
// into a back store the size of the window; a picture updates only its own cell on screen.
//
// The keys of LiveViewKeys act through the buttons: a key clicks its button (nothing when the
// button is disabled), a PTZ key holds its button for as long as the key is down; only F11 and
// Escape, which have no button, change "Use FullScreen" as the settings dialog's OK would.
//
// Call OnInitialUpdate once after construction; the session must outlive the view.
class COstrelView : public CSkinWindow, public LiveWindow {
    Q_OBJECT
public:
    static constexpr int kClockTimerId = 100;
    static constexpr int kClockPeriodMs = 1000;
    static constexpr int kRefreshTimerId = 99;    // cells with new pictures go on screen
    static const QRect kStatusRect;               // the connection line's box

    COstrelView(CRecorderSession& rSession, ViewServices services, CMainFrame* pFrame, QWidget* pParent = nullptr);
    ~COstrelView() override;

    void OnInitialUpdate();

    // Commands behind the buttons.
    void OnConnectButton();
    void OnDisconnectButton();
    void OnArchiveButton();
    void OnSettingButton();
    // Ctrl+K: the site list over the address book; the site taken is connected at once.
    void OnSitesKey();
    void OnExitButton();
    // What every way out runs, once: the clock stops, the connection closes and the settings
    // are saved. EXIT runs it and closes the window; the window's close and the quit signals
    // run it through the application.
    void Leave();
    void OnLayoutButton(int nIndex);
    void OnChannelButton(int nChannel);
    void OnRotateButton();

    // Status panel. The connection line, the positions and the lamp change as often as packets
    // arrive; they are drawn at the next screen refresh, once, with what is newest then.
    void DrawConnectStatus(const LinkStatus& status);
    void DrawClock();
    void DrawPtzChannel();
    void DrawPositions(uint32_t dwRecordPos, uint32_t dwPlayPos);
    void ApplyFullScreen(bool bFull);
    // "Use FullScreen" set and applied as after the settings dialog's OK (kept at exit).
    void SetUseFullScreen(bool bFull);

    void ToggleActivityLamp();

    void SetPtzKeyHandler(PtzKeyHandler* pHandler) { m_pPtzHandler = pHandler; }

    // For the program, the tests and the benchmarks.
    CRecorderSession& Session() const { return m_rSession; }
    // The window as drawn, with the newest picture of every channel in its cell.
    const QImage& BackStore();
    // Pictures painted into the window since the start, each once (not again after a layout
    // change), and not those merely waiting for the next refresh.
    uint64_t PicturesDrawn() const { return PicturesPainted(); }
    // Pictures handed to a visible cell, painted or replaced by a newer one before the refresh.
    uint64_t PicturesShown() const { return m_nPicturesShown; }
    // Texts of the status panel, as they stand (on screen from the next refresh at most).
    const std::string& StatusLine() const { return m_strStatusLine; }
    const std::string& DateText() const { return m_strDate; }
    const std::string& TimeText() const { return m_strTime; }
    const std::string& PositionTexts() const { return m_strPositions; }

signals:
    // The exit command finished its work; the program may end.
    void ExitRequested();
    // A double-click on the brand plate asks for the about box.
    void AboutRequested();
    // The settings dialog closed with OK and full screen is applied; the PTZ table may need
    // reloading for a new camera type.
    void SettingsAccepted();

protected:
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseDoubleClickEvent(QMouseEvent* pEvent) override;

private:
    // LiveWindow.
    void OnConnectStatus(const LinkStatus& status) override { DrawConnectStatus(status); }
    void OnLivePicture(uint8_t byChannel, const Picture& picture) override;
    void OnPositions(uint32_t dwRecordPos, uint32_t dwPlayPos) override { DrawPositions(dwRecordPos, dwPlayPos); }
    void OnActivity() override { ToggleActivityLamp(); }
    void OnChannelCount() override { SyncButtons(); }
    void OnConnectionDropped() override;
    void OnArchiveShown(bool bShown) override;

    // TimerTarget.
    void OnTimer(int nId) override;

    // CSkinWindow.
    void OnCommand(int nControlId) override;
    // A PTZ button's press and release: sent to the PTZ handler, posted to the session's PTZ
    // camera keys.
    void OnKeySent(int nParameter, int nPressed) override;
    void OnKeyPosted(int nParameter, int nPressed) override;
    // The full-screen keys and the site list's have no button; the others click theirs.
    void OnKeyCommand(KeyCommand command) override;
    void OnRefresh() override { DrawPendingPanel(); }
    void OnDeviceScale() override;
    void PaintBackground(const QRect& rc) override;
    CellRect PictureCell(int nChannel) const override { return m_rSession.Layout().Cell(nChannel); }

    // The controls the view keeps at hand, and the hidden PTZ type list beside them.
    void TakeControls();
    // The connect control's lights after a connect was asked for (bStarted: one started).
    void ShowConnectStarted(bool bStarted);
    void ApplyEffects(const CLiveLayout::Effects& effects);
    void SyncButtons();
    void DrawPendingPanel();
    void RepaintDisplay() { RepaintPictures(CLiveLayout::kDisplay); }

    CRecorderSession& m_rSession;
    ViewServices m_services;
    CMainFrame* m_pFrame;
    PtzKeyHandler* m_pPtzHandler = nullptr;

    bool m_bLeft = false;     // Leave has run
    uint32_t m_nFullScreenAsks = 0; // ApplyFullScreen calls; only the last one's answer places the frame
    QImage m_logo;        // ./logo/slogo.bmp, may be null
    std::string m_strStatusLine;
    bool m_bStatusDirty = false;      // m_strStatusLine waits to be drawn
    uint64_t m_nPicturesShown = 0;
    bool m_bPositionsShown = false;   // the position texts below are on screen
    bool m_bPositionsDirty = false;   // the positions below wait to be drawn
    uint32_t m_dwShownRecordPos = 0;
    uint32_t m_dwShownPlayPos = 0;
    bool m_bActivity = false;         // traffic since the last refresh: the lamp flips
    std::string m_strDate;
    std::string m_strTime;
    std::string m_strPositions;

    CSkinButton* m_pConnect = nullptr;
    CSkinButton* m_pDisconnect = nullptr;
    CSkinButton* m_pRotate = nullptr;
    CSkinButton* m_pLamp = nullptr;
    QComboBox* m_pPtzCombo = nullptr;
};

} // namespace ostrel
