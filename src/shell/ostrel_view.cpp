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
#include "widgets/bitmap_button.h"
#include "widgets/key_event.h"
#include "widgets/logo_image.h"
#include "widgets/overlay_font.h"
#include "widgets/skin_button.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>

#include <algorithm>
#include <utility>

namespace ostrel {

namespace {

// Rectangles of the status panel, (left, top)-(right, bottom) as the panel is laid out.
QRect Box(int l, int t, int r, int b)
{
    return QRect(l, t, r - l, b - t);
}

const QRect kDateCaptionRect = Box(740, 70, 840, 85);
const QRect kDateRect = Box(740, 85, 840, 100);
const QRect kTimeCaptionRect = Box(740, 100, 840, 115);
const QRect kTimeRect = Box(740, 115, 840, 130);
const QRect kRecordPosRect = Box(740, 140, 855, 155);
const QRect kPlayPosRect = Box(740, 155, 855, 170);
const QRect kPtzChannelRect = Box(790, 500, 811, 512);
const QColor kTextColour(0, 255, 0);

// Parameters the PTZ keys report, by control ID 1087..1098.
constexpr int kPtzParameters[] = {1324, 1325, 1326, 1327, 1328, 1329, 1330, 1331, 1332, 1033, 1334, 1035};

// What each control is called, for tooltips and screen readers, and the key command that acts
// as it. The channel buttons are "Camera 1".."Camera 16" with the commands Camera1..Camera16.
struct ControlText {
    int nControlId;
    const char* pszName;
    KeyCommand command;
};

constexpr ControlText kControlTexts[] = {
    {IDC_EXIT, "Exit", KeyCommand::None},
    {IDC_SETTING, "Configurations", KeyCommand::OpenSettings},
    {IDC_ARCHIVE, "Archive", KeyCommand::OpenArchive},
    {IDC_LAYOUT_FIRST + 0, "One camera", KeyCommand::LayoutSingle},
    {IDC_LAYOUT_FIRST + 1, "Four cameras", KeyCommand::LayoutFour},
    {IDC_LAYOUT_FIRST + 2, "No layout", KeyCommand::None},
    {IDC_LAYOUT_FIRST + 3, "Nine cameras", KeyCommand::LayoutNine},
    {IDC_LAYOUT_FIRST + 4, "No layout", KeyCommand::None},
    {IDC_LAYOUT_FIRST + 5, "No layout", KeyCommand::None},
    {IDC_LAYOUT_FIRST + 6, "Sixteen cameras", KeyCommand::LayoutSixteen},
    {IDC_CONNECT, "Connect", KeyCommand::None},
    {IDC_DISCONNECT, "Disconnect", KeyCommand::None},
    {IDC_ROTATE, "Rotation", KeyCommand::ToggleRotation},
    {IDC_ACTIVITY_LAMP, "Activity lamp", KeyCommand::None},
    {IDC_PTZ_UP, "Tilt up", KeyCommand::PtzUp},
    {IDC_PTZ_LEFT_UP, "Pan left and tilt up", KeyCommand::None},
    {IDC_PTZ_LEFT, "Pan left", KeyCommand::PtzLeft},
    {IDC_PTZ_LEFT_DOWN, "Pan left and tilt down", KeyCommand::None},
    {IDC_PTZ_DOWN, "Tilt down", KeyCommand::PtzDown},
    {IDC_PTZ_RIGHT_DOWN, "Pan right and tilt down", KeyCommand::None},
    {IDC_PTZ_RIGHT, "Pan right", KeyCommand::PtzRight},
    {IDC_PTZ_RIGHT_UP, "Pan right and tilt up", KeyCommand::None},
    {IDC_PTZ_ZOOM_IN, "Zoom in", KeyCommand::PtzZoomIn},
    {IDC_PTZ_ZOOM_OUT, "Zoom out", KeyCommand::PtzZoomOut},
    {IDC_PTZ_FOCUS_IN, "Focus in", KeyCommand::PtzFocusIn},
    {IDC_PTZ_FOCUS_OUT, "Focus out", KeyCommand::PtzFocusOut},
    {IDC_PTZ_CH_PLUS, "Next PTZ camera", KeyCommand::PtzCameraNext},
    {IDC_PTZ_CH_MINUS, "Previous PTZ camera", KeyCommand::PtzCameraPrevious},
};

KeyCommand CameraCommand(int nChannel)
{
    return static_cast<KeyCommand>(static_cast<int>(KeyCommand::Camera1) + nChannel);
}

// The control a key command acts as; 0 for none (the full-screen commands).
int ControlOfCommand(KeyCommand command)
{
    if (command >= KeyCommand::Camera1 && command <= KeyCommand::Camera16)
        return IDC_CHANNEL_FIRST + (static_cast<int>(command) - static_cast<int>(KeyCommand::Camera1));
    for (const ControlText& text : kControlTexts)
        if (text.command == command && command != KeyCommand::None)
            return text.nControlId;
    return 0;
}

std::string ControlName(int nControlId, KeyCommand* pCommand)
{
    if (nControlId >= IDC_CHANNEL_FIRST && nControlId < IDC_CHANNEL_FIRST + kChannelCount) {
        *pCommand = CameraCommand(nControlId - IDC_CHANNEL_FIRST);
        return "Camera " + std::to_string(nControlId - IDC_CHANNEL_FIRST + 1);
    }
    for (const ControlText& text : kControlTexts)
        if (text.nControlId == nControlId) {
            *pCommand = text.command;
            return text.pszName;
        }
    *pCommand = KeyCommand::None;
    return {};
}

} // namespace

const QRect COstrelView::kStatusRect = Box(740, 195, 840, 225);

COstrelView::COstrelView(CRecorderSession& rSession, ViewServices services, CMainFrame* pFrame, QWidget* pParent)
    : QWidget(pParent), m_rSession(rSession), m_services(services), m_pFrame(pFrame),
      m_pTimers(services.rTimers.Create(*this)), m_backStore(kMainWidth, kMainHeight, kFrameColour)
{
    setFixedSize(kMainWidth, kMainHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_logo = LoadLogo(m_rSession.Files(), "./logo/slogo.bmp");
    m_rSession.SetLiveWindow(this);
}

COstrelView::~COstrelView()
{
    m_rSession.SetLiveWindow(nullptr);
    if (m_services.pDisplayMode)
        m_services.pDisplayMode->Restore();
    m_pTimers->Stop(kClockTimerId);
    m_pTimers->Stop(kRefreshTimerId);
}

void COstrelView::OnInitialUpdate()
{
    m_rSession.Load();
    m_overlayFont = OverlayFont();
    m_backStore.SetScale(devicePixelRatioF());
    m_rSession.SetDeviceScale(m_backStore.Scale());
    m_background = SkinBitmap(IDB_MAIN_BACKGROUND, m_backStore.Scale()).convertToFormat(QImage::Format_RGB32);
    CreateControls();
    PaintBackground(rect());

    ApplyEffects(m_rSession.ApplyLayout());
    if (m_rSession.Settings().bUseFullScreen)
        ApplyFullScreen(true);
    m_pTimers->Start(kClockTimerId, kClockPeriodMs);

    DrawClock();
    DrawConnectStatus(LinkStatus{StatusOf(m_rSession.ConnectionState())});
    if (m_rSession.Settings().bRecordPathReplaced)
        m_strStatusLine = status_text::kRecordFolderUnusable; // once: the next state replaces it
    DrawPtzChannel();
    // The keys come here unless a button has the focus frame, and go on to here from it.
    setFocusPolicy(Qt::ClickFocus);
    setFocus(Qt::OtherFocusReason);
}

// ---- controls ----------------------------------------------------------------------------

void COstrelView::CreateControls()
{
    for (const SkinPlacement& place : kViewControls) {
        const int nId = place.nControlId;
        if (nId == IDC_EXIT || nId == IDC_SETTING || nId == IDC_ARCHIVE) {
            auto* pButton = new CBitmapButton(nId, this);
            pButton->LoadBitmaps(place.nBitmapNormal, place.nBitmapActive);
            pButton->setGeometry(place.x, place.y, place.cx, place.cy);
            pButton->setVisible(place.bVisible);
            connect(pButton, &QAbstractButton::clicked, this, [this, nId] {
                if (nId == IDC_EXIT)
                    OnExitButton();
                else if (nId == IDC_SETTING)
                    OnSettingButton();
                else
                    OnArchiveButton();
            });
            (nId == IDC_EXIT ? m_pExit : nId == IDC_SETTING ? m_pSetting : m_pArchive) = pButton;
            continue;
        }

        auto* pButton = new CSkinButton(nId, this);
        pButton->setGeometry(place.x, place.y, place.cx, place.cy);
        pButton->setVisible(place.bVisible);
        const bool bPtzKey = nId >= IDC_PTZ_UP && nId <= IDC_PTZ_FOCUS_OUT;
        if (bPtzKey) {
            pButton->SetBitmaps(place.nBitmapNormal, place.nBitmapActive, 0, 0, kPtzParameters[nId - IDC_PTZ_UP],
                                CSkinButton::Momentary);
            m_ptzButtons[static_cast<size_t>(nId - IDC_PTZ_UP)] = pButton;
        } else if (nId == IDC_PTZ_CH_PLUS || nId == IDC_PTZ_CH_MINUS) {
            pButton->SetBitmaps(place.nBitmapNormal, place.nBitmapActive, 0, 0, nId == IDC_PTZ_CH_PLUS ? 13 : 14,
                                CSkinButton::Momentary);
            m_ptzButtons[nId == IDC_PTZ_CH_PLUS ? 12 : 13] = pButton;
        } else {
            pButton->SetBitmaps(place.nBitmapNormal, 0, place.nBitmapActive, 0, 0, CSkinButton::Toggle);
        }
        if (pButton->Parameter() != 0) {
            connect(pButton, &CSkinButton::KeySent, this, &COstrelView::OnPtzKeySent);
            connect(pButton, &CSkinButton::KeyPosted, this, &COstrelView::OnPtzChannelKey);
        }
        connect(pButton, &CSkinButton::CommandPosted, this, [this](int nControlId) {
            if (nControlId >= IDC_LAYOUT_FIRST && nControlId < IDC_LAYOUT_FIRST + CLiveLayout::kLayoutButtons)
                OnLayoutButton(nControlId - IDC_LAYOUT_FIRST);
            else if (nControlId >= IDC_CHANNEL_FIRST && nControlId < IDC_CHANNEL_FIRST + kChannelCount)
                OnChannelButton(nControlId - IDC_CHANNEL_FIRST);
            else if (nControlId == IDC_CONNECT)
                OnConnectButton();
            else if (nControlId == IDC_DISCONNECT)
                OnDisconnectButton();
            else if (nControlId == IDC_ROTATE)
                OnRotateButton();
        });

        if (nId >= IDC_LAYOUT_FIRST && nId < IDC_LAYOUT_FIRST + CLiveLayout::kLayoutButtons)
            m_layoutButtons[static_cast<size_t>(nId - IDC_LAYOUT_FIRST)] = pButton;
        else if (nId >= IDC_CHANNEL_FIRST && nId < IDC_CHANNEL_FIRST + kChannelCount)
            m_channelButtons[static_cast<size_t>(nId - IDC_CHANNEL_FIRST)] = pButton;
        else if (nId == IDC_CONNECT)
            m_pConnect = pButton;
        else if (nId == IDC_DISCONNECT)
            m_pDisconnect = pButton;
        else if (nId == IDC_ROTATE)
            m_pRotate = pButton;
        else if (nId == IDC_ACTIVITY_LAMP)
            m_pLamp = pButton;
    }
    m_pDisconnect->SetCheck(1);
    m_pLamp->setEnabled(false);
    m_pLamp->SetAccessibleRole(QAccessible::Indicator);
    m_pPtzCombo = new QComboBox(this);
    m_pPtzCombo->setObjectName(QStringLiteral("ptzCombo"));
    m_pPtzCombo->setAccessibleName(QStringLiteral("PTZ camera type"));
    m_pPtzCombo->hide();

    for (const SkinPlacement& place : kViewControls) {
        QWidget* pControl = SkinButton(place.nControlId);
        if (!pControl)
            pControl = PushButton(place.nControlId);
        if (!pControl)
            continue;
        KeyCommand command = KeyCommand::None;
        pControl->setAccessibleName(QString::fromStdString(ControlName(place.nControlId, &command)));
        pControl->setToolTip(QString::fromStdString(ControlToolTip(place.nControlId)));
    }
    setAccessibleName(QStringLiteral("Live view"));
}

std::string COstrelView::ControlToolTip(int nControlId)
{
    KeyCommand command = KeyCommand::None;
    std::string strTip = ControlName(nControlId, &command);
    if (const std::optional<KeyStroke> key = KeyOfCommand(LiveViewKeys(), command))
        strTip += " (" + KeyText(*key) + ")";
    return strTip;
}

CSkinButton* COstrelView::SkinButton(int nControlId) const
{
    for (CSkinButton* pButton : findChildren<CSkinButton*>())
        if (pButton->ControlId() == nControlId)
            return pButton;
    return nullptr;
}

CBitmapButton* COstrelView::PushButton(int nControlId) const
{
    for (CBitmapButton* pButton : {m_pExit, m_pSetting, m_pArchive})
        if (pButton && pButton->ControlId() == nControlId)
            return pButton;
    return nullptr;
}

void COstrelView::SyncButtons()
{
    const CLiveLayout& layout = m_rSession.Layout();
    for (int n = 0; n < kChannelCount; ++n) {
        CSkinButton* pButton = m_channelButtons[static_cast<size_t>(n)];
        if (!pButton)
            continue;
        if (pButton->GetCheck() != layout.ChannelChecked(n))
            pButton->SetCheck(layout.ChannelChecked(n) ? 1 : 0);
        pButton->setEnabled(layout.ChannelEnabled(n));
    }
    for (int i = 0; i < CLiveLayout::kLayoutButtons; ++i) {
        CSkinButton* pButton = m_layoutButtons[static_cast<size_t>(i)];
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
    DrawConnectStatus(LinkStatus{StatusOf(m_rSession.ConnectionState())});
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
    DrawConnectStatus(LinkStatus{StatusOf(m_rSession.ConnectionState())});
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
    m_pTimers->Stop(kClockTimerId);
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

void COstrelView::OnKeyCommand(KeyCommand command, uint32_t dwPhysicalKey)
{
    if (IsHeldCommand(command)) {
        CSkinButton* pButton = SkinButton(ControlOfCommand(command));
        if (!pButton || pButton->IsPressed() || !pButton->isEnabled())
            return;
        m_heldKeys.push_back(HeldKey{dwPhysicalKey, pButton});
        pButton->Press();
        return;
    }
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
        break;
    }
    const int nControlId = ControlOfCommand(command);
    if (CSkinButton* pButton = SkinButton(nControlId))
        pButton->Click();
    else if (CBitmapButton* pPush = PushButton(nControlId))
        pPush->click();
}

void COstrelView::keyPressEvent(QKeyEvent* pEvent)
{
    const std::optional<KeyStroke> key = ToKeyStroke(*pEvent);
    const KeyCommand command = key ? FindKeyCommand(LiveViewKeys(), *key) : KeyCommand::None;
    if (command == KeyCommand::None) {
        QWidget::keyPressEvent(pEvent);
        return;
    }
    // The keyboard's own repeats would toggle and step again; a held PTZ key repeats by timer.
    const QWidget* pModal = QApplication::activeModalWidget();
    if (m_keyRepeats.Press(*pEvent) && (!pModal || pModal == window()))
        OnKeyCommand(command, KeyId(*pEvent));
    pEvent->accept();
}

void COstrelView::keyReleaseEvent(QKeyEvent* pEvent)
{
    // A held key is let go through the filter, once no repeat's press follows.
    const uint32_t dwKey = KeyId(*pEvent);
    const bool bHolds = std::any_of(m_heldKeys.begin(), m_heldKeys.end(),
                                    [dwKey](const HeldKey& held) { return held.dwKey == dwKey; });
    m_keyRepeats.Release(*pEvent);
    const std::optional<KeyStroke> key = ToKeyStroke(*pEvent);
    if (bHolds || (key && FindKeyCommand(LiveViewKeys(), *key) != KeyCommand::None))
        pEvent->accept();
    else
        QWidget::keyReleaseEvent(pEvent);
}

bool COstrelView::ReleaseHeldKey(uint32_t dwPhysicalKey)
{
    if (dwPhysicalKey == 0)
        return false;
    const auto it = std::find_if(m_heldKeys.begin(), m_heldKeys.end(),
                                 [dwPhysicalKey](const HeldKey& held) { return held.dwKey == dwPhysicalKey; });
    if (it == m_heldKeys.end())
        return false;
    CSkinButton* pButton = it->pButton;
    m_heldKeys.erase(it);
    pButton->Release();
    return true;
}

void COstrelView::ReleaseHeldKeys()
{
    // Key and mouse releases no longer come here: what they hold is let go now, so no camera
    // keeps moving.
    m_keyRepeats.Forget();
    std::vector<HeldKey> held;
    held.swap(m_heldKeys);
    for (const HeldKey& key : held)
        key.pButton->Release();
    for (CSkinButton* pButton : m_ptzButtons)
        if (pButton && pButton->IsPressed())
            pButton->Release();
}

void COstrelView::changeEvent(QEvent* pEvent)
{
    if (pEvent->type() == QEvent::ActivationChange && !isActiveWindow())
        ReleaseHeldKeys();
    QWidget::changeEvent(pEvent);
}

void COstrelView::hideEvent(QHideEvent* pEvent)
{
    ReleaseHeldKeys();
    QWidget::hideEvent(pEvent);
}

void COstrelView::OnPtzKeySent(int nParameter, int nPressed)
{
    if (m_pPtzHandler)
        m_pPtzHandler->OnPtzKey(nParameter, nPressed != 0);
}

void COstrelView::OnPtzChannelKey(int nParameter, int nPressed)
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
    if (nId == kRefreshTimerId) {
        RefreshPendingCells();
        return;
    }
    if (nId != kClockTimerId)
        return;
    DrawClock();
    ApplyEffects(m_rSession.RotationTick());
}

// ---- drawing -----------------------------------------------------------------------------

void COstrelView::OnLivePicture(uint8_t byChannel, const Picture& picture)
{
    if (byChannel >= kChannelCount)
        return;
    m_backStore.Show(byChannel, picture, m_rSession.Layout().Cell(byChannel));
    if (!m_backStore.Pending(byChannel))
        return;
    ++m_nPicturesShown;
    ScheduleRefresh();
}

void COstrelView::ScheduleRefresh()
{
    // The cell is painted when the screen is next refreshed, at most kRefreshPerSecond times a
    // second: pictures that arrive faster than that replace each other without being painted
    // in vain.
    if (!m_bRefreshScheduled) {
        m_bRefreshScheduled = true;
        m_pTimers->Start(kRefreshTimerId, 1000 / kRefreshPerSecond);
    }
}

void COstrelView::RefreshPendingCells()
{
    m_pTimers->Stop(kRefreshTimerId);
    m_bRefreshScheduled = false;
    DrawPendingPanel();
    for (int n = 0; n < kChannelCount; ++n)
        if (m_backStore.Pending(n))
            update(m_backStore.PendingRect(n));
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
    DrawSkinPart(painter, rc.topLeft(), m_background, rc);
    if (!m_logo.isNull() && rc.intersects(QRect(705, 15, 85, 55))) {
        // The site's own bitmap has only its 1x pixels.
        painter.setRenderHint(QPainter::SmoothPixmapTransform, m_backStore.Scale() != 1.0);
        painter.drawImage(QPoint(705, 15), m_logo, QRect(0, 0, 85, 55));
    }
    update(rc);
}

void COstrelView::ApplyDeviceScale()
{
    // Moved to a screen of another device pixel ratio: everything is drawn again at the new one.
    if (!m_backStore.SetScale(devicePixelRatioF()))
        return;
    m_rSession.SetDeviceScale(m_backStore.Scale());
    m_background = SkinBitmap(IDB_MAIN_BACKGROUND, m_backStore.Scale()).convertToFormat(QImage::Format_RGB32);
    const bool bPositions = m_bPositionsShown || m_bPositionsDirty;
    PaintBackground(rect());
    RepaintDisplay();
    DrawClock();
    DrawPtzChannel();
    m_bStatusDirty = true;
    m_bPositionsDirty = bPositions;
    DrawPendingPanel();
}

void COstrelView::RepaintDisplay()
{
    const CellRect& display = CLiveLayout::kDisplay;
    PaintBackground(QRect(display.nLeft - 1, display.nTop - 1, display.Width() + 2, display.Height() + 2));
    const CLiveLayout& layout = m_rSession.Layout();
    bool bAnyPicture = false;
    for (int n = 0; n < kChannelCount; ++n) {
        if (m_backStore.Repaint(n, layout.Cell(n)))
            bAnyPicture = true;
        else
            m_backStore.PaintFrame(layout.Cell(n));
    }
    if (bAnyPicture)
        ScheduleRefresh();
}

void COstrelView::DrawText(const QRect& rc, const QString& strText, int nFlags, bool bFillFirst)
{
    QPainter painter(&m_backStore.Image());
    painter.setClipRect(rc);
    if (bFillFirst)
        painter.fillRect(rc, Qt::black);
    painter.setFont(m_overlayFont);
    painter.setPen(kTextColour);
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.setBackground(Qt::black);
    painter.drawText(rc, nFlags, strText);
    update(rc);
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

void COstrelView::paintEvent(QPaintEvent* pEvent)
{
    ApplyDeviceScale();
    const uint64_t nPaintedBefore = m_backStore.NewPicturesPainted();
    m_backStore.Flush(&pEvent->region());
    m_nPicturesDrawn += m_backStore.NewPicturesPainted() - nPaintedBefore; // reached the window
    QPainter painter(this);
    m_backStore.DrawOnto(painter, pEvent->region());
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
