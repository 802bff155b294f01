#pragma once

#include "link/dvr_link.h"
#include "link/link_view.h"
#include "platform/clock.h"
#include "platform/display_mode.h"
#include "platform/file_store.h"
#include "platform/notifier.h"
#include "platform/settings_store.h"
#include "platform/stream_socket.h"
#include "platform/timer_service.h"
#include "shell/cell_painter.h"
#include "shell/live_layout.h"
#include "shell/view_settings.h"

#include <QFont>
#include <QImage>
#include <QRegion>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <string>

class QComboBox;

namespace ostrel {

class CBitmapButton;
class CMainFrame;
class CSkinButton;

// What the view is given to work with: the platform services it and its link use.
struct ViewServices {
    SocketFactory& rSockets;
    FileStore& rFiles;
    Notifier& rNotifier;
    Clock& rClock;
    SettingsStore& rSettings;
    SettingsPlaces places;
    // Makes the timers of one owner (the view's timer 100, the link's 101..107).
    std::function<std::unique_ptr<TimerService>(TimerTarget&)> makeTimers;
    DisplayMode* pDisplayMode = nullptr; // null: full screen only places the window
};

// Where presses of the PTZ keys go; the PTZ panel fills it in.
class PtzKeyHandler {
public:
    virtual ~PtzKeyHandler() = default;
    virtual void OnPtzKey(int nParameter, bool bPressed) = 0;
};

// The one window the operator works in: the skinned form with the live display, the status
// panel and every control. It owns the recorder link, hands the live requests to it, and draws
// what the link decodes. All painting goes into a back store the size of the window; a picture
// updates only its own cell on screen.
//
// Call OnInitialUpdate once after construction. The link calls back through LinkView.
class COstrelView : public QWidget, public LinkView, public TimerTarget {
    Q_OBJECT
public:
    static constexpr int kClockTimerId = 100;
    static constexpr int kClockPeriodMs = 1000;
    static constexpr int kRefreshTimerId = 99;    // cells with new pictures go on screen
    static constexpr int kRefreshPerSecond = 60;
    static constexpr uint32_t kFrameColour = 0xFFFFFFFFu; // cell frames: white
    static const QRect kStatusRect;                       // the connection line's box

    COstrelView(ViewServices services, CMainFrame* pFrame, QWidget* pParent = nullptr);
    ~COstrelView() override;

    void OnInitialUpdate();

    // Commands behind the buttons.
    void OnConnectButton();
    void OnDisconnectButton();
    void OnArchiveButton();
    void OnSettingButton();
    void OnExitButton();
    void OnLayoutButton(int nIndex);
    void OnChannelButton(int nChannel);
    void OnRotateButton();

    // Status panel.
    void DrawClock();
    void DrawPtzChannel();
    void ApplyFullScreen(bool bFull);

    // LinkView.
    uint16_t SingleChannel() const override { return m_layout.m_wSingleCh; }
    uint32_t LiveChannelMask() const override { return m_layout.m_dwLiveChMask; }
    std::string HostAddress() const override;
    uint16_t HostPort() const override;
    std::string UserId() const override;
    std::string Password() const override;
    uint8_t ReconnectCount() const override { return m_settings.byReconnectCount; }
    bool AlertModeOn() const override { return m_settings.bUseAlertMode != 0; }
    void SetConnectState(uint8_t byState) override { m_byConnectState = byState; }
    void SetChannelCount(uint8_t byCount) override;
    void DrawConnectStatus(uint8_t byCode) override;
    void DrawPositions(uint32_t dwRecordPos, uint32_t dwPlayPos) override;
    void ToggleActivityLamp() override;
    void OnLinkLost(LinkLoss reason) override;
    ChannelPicture* ChannelSlots() override { return m_channels.data(); }
    void DrawChannel(uint8_t byChannel) override;

    void OnTimer(int nId) override;

    void SetPtzKeyHandler(PtzKeyHandler* pHandler) { m_pPtzHandler = pHandler; }

    // For the program, the tests and the benchmarks.
    CDvrLink* Link() const { return m_pLink.get(); }
    const CLiveLayout& Layout() const { return m_layout; }
    uint8_t ConnectState() const { return m_byConnectState; }
    const ViewSettings& Settings() const { return m_settings; }
    ViewSettings& Settings() { return m_settings; }
    // The window as drawn, with every picture received so far in its cell.
    const QImage& BackStore();
    CSkinButton* SkinButton(int nControlId) const;
    CBitmapButton* PushButton(int nControlId) const;
    const std::string& PtzFile() const { return m_strPtzFile; }
    const PtzIntervals& PtzTiming() const { return m_ptzIntervals; }
    // Pictures painted into their cells since the start.
    uint64_t PicturesDrawn() const { return m_nPicturesDrawn; }
    // Texts drawn in the status panel, as last drawn.
    const std::string& StatusLine() const { return m_strStatusLine; }
    const std::string& DateText() const { return m_strDate; }
    const std::string& TimeText() const { return m_strTime; }
    const std::string& PositionTexts() const { return m_strPositions; }

signals:
    // The exit command finished its work; the program may end.
    void ExitRequested();
    // A double-click on the brand plate asks for the about box.
    void AboutRequested();

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseDoubleClickEvent(QMouseEvent* pEvent) override;

private:
    void CreateControls();
    void ApplyEffects(const CLiveLayout::Effects& effects);
    void SyncButtons();
    void PaintBackground(const QRect& rc);
    // Paints the cells whose newest picture is not yet in the back store; with pOnly, only
    // those that meet that region.
    void PaintPendingCells(const QRegion* pOnly = nullptr);
    void RefreshPendingCells();
    void RepaintDisplay();
    void DrawText(const QRect& rc, const QString& strText, int nFlags, bool bFillFirst);
    void ClearPictures();
    void OnPtzKeySent(int nParameter, int nPressed);
    void OnPtzChannelKey(int nParameter, int nPressed);
    void DeleteAlarmEventFile();

    ViewServices m_services;
    CMainFrame* m_pFrame;
    std::unique_ptr<TimerService> m_pTimers;      // timer 100
    std::unique_ptr<TimerService> m_pLinkTimers;  // the link's timers
    std::unique_ptr<CDvrLink> m_pLink;
    PtzKeyHandler* m_pPtzHandler = nullptr;

    CLiveLayout m_layout;
    ViewSettings m_settings;
    PtzIntervals m_ptzIntervals;
    std::string m_strPtzFile;
    uint8_t m_byConnectState = 0;
    bool m_bDisplayModeChanged = false;
    std::array<ChannelPicture, kChannelCount> m_channels{}; // m_pChBits, m_ChBmi, m_bChFieldAlign
    std::array<bool, kChannelCount> m_bCellPending{};       // a picture waits to be painted
    bool m_bRefreshScheduled = false;                       // the refresh timer runs

    QImage m_backStore;   // the whole window as drawn; paintEvent copies from it
    QImage m_background;  // bitmap 162
    QImage m_logo;        // ./logo/slogo.bmp, may be null
    QFont m_overlayFont;
    CCellPainter m_cellPainter;
    std::string m_strStatusLine;
    uint64_t m_nPicturesDrawn = 0;
    bool m_bPositionsShown = false;   // the position texts below are on screen
    uint32_t m_dwShownRecordPos = 0;
    uint32_t m_dwShownPlayPos = 0;
    std::string m_strDate;
    std::string m_strTime;
    std::string m_strPositions;

    CBitmapButton* m_pExit = nullptr;
    CBitmapButton* m_pSetting = nullptr;
    CBitmapButton* m_pArchive = nullptr;
    std::array<CSkinButton*, CLiveLayout::kLayoutButtons> m_layoutButtons{};
    std::array<CSkinButton*, kChannelCount> m_channelButtons{};
    CSkinButton* m_pConnect = nullptr;
    CSkinButton* m_pDisconnect = nullptr;
    CSkinButton* m_pRotate = nullptr;
    CSkinButton* m_pLamp = nullptr;
    std::array<CSkinButton*, 14> m_ptzButtons{};
    QComboBox* m_pPtzCombo = nullptr;
};

} // namespace ostrel
