#include "shell/ostrel_view.h"

#include "config/config_dialog.h"
#include "config/config_fields.h"
#include "config/desktop_folder_chooser.h"
#include "config/site_list_dlg.h"
#include "platform/file_store.h"
#include "platform/qt_notifier.h"
#include "res/resource.h"
#include "res/skin_bitmap.h"
#include "res/skin_layout.h"
#include "models/status_text.h"
#include "shell/main_frame.h"
#include "widgets/logo_image.h"
#include "widgets/skin_button.h"

#include <QApplication>
#include <QComboBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

#include <utility>

namespace ostrel {

namespace {

const QRect kDateCaptionRect = Box(740, 70, 840, 85);
const QRect kDateRect = Box(740, 85, 840, 100);
const QRect kTimeCaptionRect = Box(740, 100, 840, 115);
const QRect kTimeRect = Box(740, 115, 840, 130);
const QRect kRecordPosRect = Box(740, 140, 855, 155);
const QRect kPlayPosRect = Box(740, 155, 855, 170);
const QRect kPtzChannelRect = Box(790, 500, 811, 512);

using Kind = SkinControlKind;

// Every control of kViewControls: what it is, what it is called, the key command that acts as
// it and, for the PTZ keys, the parameter their presses and releases report.
constexpr SkinControl kControls[] = {
    {IDC_EXIT, Kind::Push, "Exit"},
    {IDC_SETTING, Kind::Push, "Configurations", KeyCommand::OpenSettings},
    {IDC_ARCHIVE, Kind::Push, "Archive", KeyCommand::OpenArchive},
    {IDC_LAYOUT_FIRST + 0, Kind::Toggle, "One camera", KeyCommand::LayoutSingle},
    {IDC_LAYOUT_FIRST + 1, Kind::Toggle, "Four cameras", KeyCommand::LayoutFour},
    {IDC_LAYOUT_FIRST + 2, Kind::Toggle, "No layout"},
    {IDC_LAYOUT_FIRST + 3, Kind::Toggle, "Nine cameras", KeyCommand::LayoutNine},
    {IDC_LAYOUT_FIRST + 4, Kind::Toggle, "No layout"},
    {IDC_LAYOUT_FIRST + 5, Kind::Toggle, "No layout"},
    {IDC_LAYOUT_FIRST + 6, Kind::Toggle, "Sixteen cameras", KeyCommand::LayoutSixteen},
    {IDC_CONNECT, Kind::Toggle, "Connect"},
    {IDC_DISCONNECT, Kind::Toggle, "Disconnect"},
    {.nControlId = IDC_CHANNEL_FIRST,
     .kind = Kind::Toggle,
     .pszName = "Camera",
     .command = KeyCommand::Camera1,
     .nCount = kChannelCount},
    {IDC_ROTATE, Kind::Toggle, "Rotation", KeyCommand::ToggleRotation},
    {IDC_ACTIVITY_LAMP, Kind::Indicator, "Activity lamp"},
    {IDC_PTZ_UP, Kind::Momentary, "Tilt up", KeyCommand::PtzUp, 1324},
    {IDC_PTZ_LEFT_UP, Kind::Momentary, "Pan left and tilt up", KeyCommand::None, 1325},
    {IDC_PTZ_LEFT, Kind::Momentary, "Pan left", KeyCommand::PtzLeft, 1326},
    {IDC_PTZ_LEFT_DOWN, Kind::Momentary, "Pan left and tilt down", KeyCommand::None, 1327},
    {IDC_PTZ_DOWN, Kind::Momentary, "Tilt down", KeyCommand::PtzDown, 1328},
    {IDC_PTZ_RIGHT_DOWN, Kind::Momentary, "Pan right and tilt down", KeyCommand::None, 1329},
    {IDC_PTZ_RIGHT, Kind::Momentary, "Pan right", KeyCommand::PtzRight, 1330},
    {IDC_PTZ_RIGHT_UP, Kind::Momentary, "Pan right and tilt up", KeyCommand::None, 1331},
    {IDC_PTZ_ZOOM_IN, Kind::Momentary, "Zoom in", KeyCommand::PtzZoomIn, 1332},
    {IDC_PTZ_ZOOM_OUT, Kind::Momentary, "Zoom out", KeyCommand::PtzZoomOut, 1033},
    {IDC_PTZ_FOCUS_IN, Kind::Momentary, "Focus in", KeyCommand::PtzFocusIn, 1334},
    {IDC_PTZ_FOCUS_OUT, Kind::Momentary, "Focus out", KeyCommand::PtzFocusOut, 1035},
    {IDC_PTZ_CH_PLUS, Kind::Momentary, "Next PTZ camera", KeyCommand::PtzCameraNext, 13},
    {IDC_PTZ_CH_MINUS, Kind::Momentary, "Previous PTZ camera", KeyCommand::PtzCameraPrevious, 14},
};

const SkinWindowParts kParts{.nWidth = kMainWidth,
                             .nHeight = kMainHeight,
                             .nBackgroundId = IDB_MAIN_BACKGROUND,
                             .nRefreshTimerId = COstrelView::kRefreshTimerId,
                             .places = kViewControls,
                             .controls = kControls,
                             .keys = LiveViewKeys(),
                             .bOpaqueText = true};

} // namespace

const QRect COstrelView::kStatusRect = Box(740, 195, 840, 225);

COstrelView::COstrelView(CRecorderSession& rSession, ViewServices services, CMainFrame* pFrame, QWidget* pParent)
    : CSkinWindow(kParts, services.rTimers, pParent), m_rSession(rSession), m_services(services), m_pFrame(pFrame)
{
    m_logo = LoadLogo(m_rSession.Files(), "./logo/slogo.bmp");
    m_rSession.SetLiveWindow(this);
}

COstrelView::~COstrelView()
{
    m_rSession.SetLiveWindow(nullptr);
    if (m_services.pDisplayMode)
        m_services.pDisplayMode->Restore();
    Timers().Stop(kClockTimerId);
}

void COstrelView::OnInitialUpdate()
{
    m_rSession.Load();
    CreateSkin();
    m_rSession.SetDeviceScale(m_backStore.Scale());
    TakeControls();
    PaintBackground(rect());

    ApplyEffects(m_rSession.ApplyLayout());
    if (m_rSession.Settings().bUseFullScreen)
        ApplyFullScreen(true);
    Timers().Start(kClockTimerId, kClockPeriodMs);

    DrawClock();
    DrawConnectStatus(m_rSession.ConnectionStatus());
    if (m_rSession.Settings().bRecordPathReplaced)
        m_strStatusLine = status_text::kRecordFolderUnusable; // once: the next state replaces it
    DrawPtzChannel();
    // The keys come here unless a button has the focus frame, and go on to here from it.
    setFocusPolicy(Qt::ClickFocus);
    setFocus(Qt::OtherFocusReason);
}

// ---- controls ----------------------------------------------------------------------------

void COstrelView::TakeControls()
{
    m_pConnect = SkinButton(IDC_CONNECT);
    m_pDisconnect = SkinButton(IDC_DISCONNECT);
    m_pRotate = SkinButton(IDC_ROTATE);
    m_pLamp = SkinButton(IDC_ACTIVITY_LAMP);
    m_pDisconnect->SetCheck(1);
    m_pPtzCombo = new QComboBox(this);
    m_pPtzCombo->setObjectName(QStringLiteral("ptzCombo"));
    m_pPtzCombo->setAccessibleName(QStringLiteral("PTZ camera type"));
    m_pPtzCombo->hide();
    setAccessibleName(QStringLiteral("Live view"));
}

void COstrelView::OnCommand(int nControlId)
{
    if (nControlId >= IDC_LAYOUT_FIRST && nControlId < IDC_LAYOUT_FIRST + CLiveLayout::kLayoutButtons)
        OnLayoutButton(nControlId - IDC_LAYOUT_FIRST);
    else if (nControlId >= IDC_CHANNEL_FIRST && nControlId < IDC_CHANNEL_FIRST + kChannelCount)
        OnChannelButton(nControlId - IDC_CHANNEL_FIRST);
    else {
        switch (nControlId) {
        case IDC_EXIT: OnExitButton(); break;
        case IDC_SETTING: OnSettingButton(); break;
        case IDC_ARCHIVE: OnArchiveButton(); break;
        case IDC_CONNECT: OnConnectButton(); break;
        case IDC_DISCONNECT: OnDisconnectButton(); break;
        case IDC_ROTATE: OnRotateButton(); break;
        default: break;
        }
    }
}

void COstrelView::SyncButtons()
{
    const CLiveLayout& layout = m_rSession.Layout();
    for (int n = 0; n < kChannelCount; ++n) {
        CSkinButton* pButton = SkinButton(IDC_CHANNEL_FIRST + n);
        if (!pButton)
            continue;
        if (pButton->GetCheck() != layout.ChannelChecked(n))
            pButton->SetCheck(layout.ChannelChecked(n) ? 1 : 0);
        pButton->setEnabled(layout.ChannelEnabled(n));
    }
    for (int i = 0; i < CLiveLayout::kLayoutButtons; ++i) {
        CSkinButton* pButton = SkinButton(IDC_LAYOUT_FIRST + i);
        if (pButton && pButton->GetCheck() != layout.LayoutChecked(i))
            pButton->SetCheck(layout.LayoutChecked(i) ? 1 : 0);
    }
    if (m_pRotate && m_pRotate->GetCheck() != layout.RotateChecked())
        m_pRotate->SetCheck(layout.RotateChecked() ? 1 : 0);
}

void COstrelView::ApplyEffects(const CLiveLayout::Effects& effects)
{
    // A clicked toggle has flipped its own check; the layout decides what stays checked.
    SyncButtons();
    if (effects.bBeep)
        QApplication::beep();
    if (effects.bSendLive)
        DrawPtzChannel();
    if (effects.bRedrawDisplay)
        RepaintDisplay();
}

// ---- commands ----------------------------------------------------------------------------

void COstrelView::OnLayoutButton(int nIndex)
{
    ApplyEffects(m_rSession.OnLayoutButton(nIndex));
}

void COstrelView::OnChannelButton(int nChannel)
{
    ApplyEffects(m_rSession.OnChannelButton(nChannel));
}

void COstrelView::OnRotateButton()
{
    ApplyEffects(m_rSession.OnRotateButton());
}

void COstrelView::OnConnectButton()
{
    ShowConnectStarted(m_rSession.Connect());
}

void COstrelView::ShowConnectStarted(bool bStarted)
{
    if (bStarted) {
        m_pConnect->setEnabled(true);
        m_pDisconnect->SetCheck(0);
    }
    if (!m_pConnect->GetCheck())
        m_pConnect->SetCheck(1);
    DrawConnectStatus(m_rSession.ConnectionStatus());
}

void COstrelView::OnSitesKey()
{
    LocalFileStore files;
    std::vector<IpHistoryEntry> entries;
    IpHistoryBook(m_rSession.WorkDir(), files).ReadEntries(entries);
    QWidget* pParent = m_pFrame ? static_cast<QWidget*>(m_pFrame) : this;
    CSiteListDlg dlg(std::move(entries), pParent);
    ReleaseHeldKeys(); // the list takes the input, as the settings dialog does
    if (dlg.exec() != QDialog::Accepted || !dlg.Chosen())
        return;
    const IpHistoryEntry& site = *dlg.Chosen();
    const std::optional<int> port = ParsePort(site.PortOrDefault());
    if (!port || !m_rSession.SwitchSite(site.strName, site.strIp, *port)) {
        QtNotifier notifier;
        notifier.SetParent(pParent);
        notifier.ShowMessage("The site " + site.strName + " has no usable address or port.", CSiteListDlg::kTitle);
        return;
    }
    ShowConnectStarted(true);
}

void COstrelView::OnDisconnectButton()
{
    // A dropped connection comes back through OnConnectionDropped.
    m_rSession.Disconnect();
    if (!m_pDisconnect->GetCheck())
        m_pDisconnect->SetCheck(1);
    DrawConnectStatus(m_rSession.ConnectionStatus());
}

void COstrelView::OnConnectionDropped()
{
    m_backStore.Clear();
    RepaintDisplay();
    m_pDisconnect->setEnabled(true);
    m_pConnect->SetCheck(0);
    if (!m_pDisconnect->GetCheck())
        m_pDisconnect->SetCheck(1);
}

void COstrelView::OnArchiveButton()
{
    m_rSession.OpenArchive();
}

void COstrelView::OnArchiveShown(bool bShown)
{
    if (bShown) {
        m_backStore.Clear();
        RepaintDisplay();
        if (m_pFrame)
            m_pFrame->hide();
        return;
    }
    ApplyFullScreen(m_rSession.Settings().bUseFullScreen != 0);
    if (m_pFrame)
        m_pFrame->show();
}

void COstrelView::OnSettingButton()
{
    LocalFileStore files;
    QtNotifier notifier;
    DesktopFolderChooser folders;
    // Over the frame: while full screen is scaled the view has no window of its own.
    QWidget* pParent = m_pFrame ? static_cast<QWidget*>(m_pFrame) : this;
    CConfigDialog dlg(ConfigServices{m_rSession.Settings(), m_rSession.WorkDir(), notifier, files, folders}, pParent);
    notifier.SetParent(&dlg);
    folders.SetParent(&dlg);
    ReleaseHeldKeys(); // the dialog takes the input: a held PTZ key would keep its camera moving
    if (dlg.exec() != QDialog::Accepted)
        return;
    ApplyFullScreen(m_rSession.Settings().bUseFullScreen != 0);
    emit SettingsAccepted();
}

void COstrelView::OnExitButton()
{
    Leave();
    if (m_pFrame)
        QMetaObject::invokeMethod(m_pFrame, &QWidget::close, Qt::QueuedConnection);
}

void COstrelView::Leave()
{
    if (std::exchange(m_bLeft, true))
        return;
    Timers().Stop(kClockTimerId);
    m_rSession.Shutdown();
    emit ExitRequested();
}

void COstrelView::ApplyFullScreen(bool bFull)
{
    DisplayMode* pMode = m_services.pDisplayMode;
    ++m_nFullScreenAsks; // an answer to an earlier ask no longer counts
    if (!bFull) {
        // Only a mode this program changed is put back, and to what it was before.
        if (pMode)
            pMode->Restore();
        if (m_pFrame)
            m_pFrame->SetFullScreen(false);
        return;
    }
    // The screen switched to 1024 x 768 with the window placed on it where the output has that
    // mode; otherwise the window system's full screen, the view scaled to fit.
    const uint32_t nAsk = m_nFullScreenAsks;
    const QPointer<COstrelView> pThis(this);
    const auto place = [pThis, nAsk](bool bHasSize) {
        if (!pThis || nAsk != pThis->m_nFullScreenAsks || !pThis->m_pFrame)
            return;
        if (bHasSize)
            pThis->m_pFrame->SetFullScreen(true);
        else
            pThis->m_pFrame->SetScaledFullScreen();
    };
    if (pMode)
        pMode->EnterSize(1024, 768, place);
    else
        place(false);
}

void COstrelView::SetUseFullScreen(bool bFull)
{
    m_rSession.Settings().bUseFullScreen = bFull ? 1 : 0;
    ApplyFullScreen(bFull);
}

// ---- keys --------------------------------------------------------------------------------

void COstrelView::OnKeyCommand(KeyCommand command)
{
    switch (command) {
    case KeyCommand::ToggleFullScreen:
        SetUseFullScreen(m_rSession.Settings().bUseFullScreen == 0);
        return;
    case KeyCommand::LeaveFullScreen:
        if (m_rSession.Settings().bUseFullScreen != 0)
            SetUseFullScreen(false);
        return;
    case KeyCommand::OpenSites:
        OnSitesKey();
        return;
    default:
        CSkinWindow::OnKeyCommand(command);
    }
}

void COstrelView::OnKeySent(int nParameter, int nPressed)
{
    if (m_pPtzHandler)
        m_pPtzHandler->OnPtzKey(nParameter, nPressed != 0);
}

void COstrelView::OnKeyPosted(int nParameter, int nPressed)
{
    if (m_rSession.OnPtzChannelKey(nParameter, nPressed != 0))
        DrawPtzChannel();
}

// ---- what the session tells ---------------------------------------------------------------

void COstrelView::ToggleActivityLamp()
{
    m_bActivity = true;
    ScheduleRefresh();
}

void COstrelView::OnTimer(int nId)
{
    if (nId != kClockTimerId) {
        CSkinWindow::OnTimer(nId);
        return;
    }
    DrawClock();
    ApplyEffects(m_rSession.RotationTick());
}

// ---- drawing -----------------------------------------------------------------------------

void COstrelView::OnLivePicture(uint8_t byChannel, const Picture& picture)
{
    if (ShowPicture(byChannel, picture))
        ++m_nPicturesShown;
}

const QImage& COstrelView::BackStore()
{
    DrawPendingPanel();
    m_backStore.Flush();
    return m_backStore.Image();
}

void COstrelView::PaintBackground(const QRect& rc)
{
    if (rc.intersects(kRecordPosRect) || rc.intersects(kPlayPosRect))
        m_bPositionsShown = false;
    QPainter painter(&m_backStore.Image());
    DrawSkinPart(painter, rc.topLeft(), Background(), rc);
    if (!m_logo.isNull() && rc.intersects(QRect(705, 15, 85, 55))) {
        // The site's own bitmap has only its 1x pixels.
        painter.setRenderHint(QPainter::SmoothPixmapTransform, m_backStore.Scale() != 1.0);
        painter.drawImage(QPoint(705, 15), m_logo, QRect(0, 0, 85, 55));
    }
    update(rc);
}

void COstrelView::OnDeviceScale()
{
    m_rSession.SetDeviceScale(m_backStore.Scale());
    const bool bPositions = m_bPositionsShown || m_bPositionsDirty;
    PaintBackground(rect());
    RepaintDisplay();
    DrawClock();
    DrawPtzChannel();
    m_bStatusDirty = true;
    m_bPositionsDirty = bPositions;
    DrawPendingPanel();
}

void COstrelView::DrawConnectStatus(const LinkStatus& status)
{
    m_strStatusLine = status_text::ConnectStatus(status);
    m_bStatusDirty = true;
    ScheduleRefresh();
}

void COstrelView::DrawPendingPanel()
{
    if (std::exchange(m_bStatusDirty, false))
        DrawText(kStatusRect, QString::fromStdString(m_strStatusLine), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                 true);
    if (std::exchange(m_bPositionsDirty, false)) {
        const int nFlags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
        m_bPositionsShown = true;
        DrawText(kRecordPosRect, QString::fromStdString(status_text::RecordPosition(m_dwShownRecordPos)), nFlags, false);
        DrawText(kPlayPosRect, QString::fromStdString(status_text::PlayPosition(m_dwShownPlayPos)), nFlags, false);
    }
    // One blink per refresh with traffic: a count of reads would leave the lamp still when
    // an even number of them fell between two refreshes.
    if (m_pLamp && std::exchange(m_bActivity, false))
        m_pLamp->SetCheck(m_pLamp->GetCheck() ? 0 : 1);
}

void COstrelView::DrawClock()
{
    const LocalDateTime now = m_services.rClock.LocalNow();
    const int nFlags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
    m_strDate = status_text::Date(now);
    m_strTime = status_text::Time(now);
    DrawText(kDateCaptionRect, QStringLiteral("DATE :"), nFlags, false);
    DrawText(kDateRect, QString::fromStdString(m_strDate), nFlags, false);
    DrawText(kTimeCaptionRect, QStringLiteral("TIME :"), nFlags, false);
    DrawText(kTimeRect, QString::fromStdString(m_strTime), nFlags, false);
}

void COstrelView::DrawPtzChannel()
{
    DrawText(kPtzChannelRect, QString::fromStdString(status_text::PtzChannel(m_rSession.Layout().PtzChannel())),
             Qt::AlignCenter | Qt::TextSingleLine, true);
}

void COstrelView::DrawPositions(uint32_t dwRecordPos, uint32_t dwPlayPos)
{
    // Every live picture reports the positions; they change far less often, and drawing the
    // same text again would show nothing new.
    if ((m_bPositionsShown || m_bPositionsDirty) && dwRecordPos == m_dwShownRecordPos && dwPlayPos == m_dwShownPlayPos)
        return;
    m_dwShownRecordPos = dwRecordPos;
    m_dwShownPlayPos = dwPlayPos;
    m_strPositions = status_text::RecordPosition(dwRecordPos) + "\n" + status_text::PlayPosition(dwPlayPos);
    m_bPositionsDirty = true;
    ScheduleRefresh();
}

void COstrelView::mousePressEvent(QMouseEvent* pEvent)
{
    if (pEvent->button() == Qt::LeftButton && !m_rSession.Settings().bUseFullScreen && m_pFrame)
        m_pFrame->BeginDrag(pEvent->globalPosition().toPoint());
    QWidget::mousePressEvent(pEvent);
}

void COstrelView::mouseDoubleClickEvent(QMouseEvent* pEvent)
{
    if (pEvent->button() != Qt::LeftButton)
        return;
    const QPoint pt = pEvent->position().toPoint();
    const CLiveLayout::Effects effects = m_rSession.OnDoubleClick(pt.x(), pt.y());
    if (effects.bShowAbout)
        emit AboutRequested();
    ApplyEffects(effects);
}

} // namespace ostrel
