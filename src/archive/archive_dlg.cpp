#include "archive/archive_dlg.h"

#include "link/jpeg_writer.h"
#include "models/status_text.h"
#include "res/resource.h"
#include "res/skin_bitmap.h"
#include "res/skin_layout.h"
#include "widgets/calendar_ctrl.h"
#include "widgets/logo_image.h"
#include "widgets/skin_button.h"
#include "widgets/skin_slider.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>

#include <cstring>
#include <utility>

namespace ostrel {

namespace {

struct PanelRow {
    QRect rcLabel;
    QRect rcValue;
    const char* pszLabel;
};

const PanelRow kStartRow{Box(740, 69, 920, 79), Box(740, 79, 930, 94), "START TIME :"};
const PanelRow kEndRow{Box(740, 94, 920, 109), Box(740, 109, 930, 124), "END TIME :"};
const PanelRow kRequestRow{Box(740, 124, 920, 139), Box(740, 139, 930, 149), "REQUEST TIME :"};
const PanelRow kRecordPosRow{Box(740, 159, 920, 169), Box(740, 169, 930, 179), "R-POSITION:"};
const PanelRow kPlayPosRow{Box(740, 184, 920, 194), Box(740, 194, 930, 204), "P-POSITION:"};
const QRect kCalendarRect = Box(722, 376, 946, 556);
constexpr int kCalendarId = 1100;
constexpr int kLabelFlags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
constexpr int kValueFlags = Qt::AlignCenter | Qt::TextSingleLine;

// The dialog's nominal size, by which it is centred.
constexpr int kPlaceWidth = 948;
constexpr int kPlaceHeight = 681;

using Kind = SkinControlKind;

// Every control of kArchiveControls: what it is, what it is called and the key command that
// acts as it.
constexpr SkinControl kControls[] = {
    {IDC_VIEWER, Kind::Momentary, "Back to live", KeyCommand::BackToLive},
    {IDC_SNAPSHOT, Kind::Momentary, "Snapshot"},
    {IDC_PRINT, Kind::Momentary, "Print"},
    {IDC_EVENT_LIST, Kind::Momentary, "Alarm events"},
    {IDC_AVI_RECORD, Kind::Toggle, "AVI backup"},
    {IDC_TILES_MORE, Kind::Momentary, "More tiles per row"},
    {IDC_TILES_FEWER, Kind::Momentary, "Fewer tiles per row"},
    {IDC_SINGLE_VIEW, Kind::Toggle, "One camera"},
    {IDC_MULTI_VIEW, Kind::Toggle, "Several cameras"},
    {.nControlId = IDC_ARCHIVE_CHANNEL_FIRST,
     .kind = Kind::Toggle,
     .pszName = "Camera",
     .nCount = CArchiveTiles::kChannels},
    {IDC_FAST_REVERSE, Kind::Toggle, "Fast reverse", KeyCommand::FastReverse},
    {IDC_REVERSE, Kind::Toggle, "Play in reverse", KeyCommand::PlayReverse},
    {IDC_STOP, Kind::Toggle, "Stop", KeyCommand::PlayForwardOrStop},
    {IDC_FORWARD, Kind::Toggle, "Play forward", KeyCommand::PlayForwardOrStop},
    {IDC_FAST_FORWARD, Kind::Toggle, "Fast forward", KeyCommand::FastForward},
    {IDC_GO_START, Kind::Momentary, "Start of the recording", KeyCommand::GoToStart},
    {IDC_PREV_HOUR, Kind::Momentary, "Previous hour", KeyCommand::PreviousHour},
    {IDC_NEXT_HOUR, Kind::Momentary, "Next hour", KeyCommand::NextHour},
    {IDC_GO_END, Kind::Momentary, "End of the recording", KeyCommand::GoToEnd},
    {IDC_RECEIVE_LAMP, Kind::Indicator, "Receive lamp"},
    {IDC_TIME_SLIDER, Kind::Slider, "Time of day"},
};

const SkinWindowParts kParts{.nWidth = CArchiveDlg::kWidth,
                             .nHeight = CArchiveDlg::kHeight,
                             .nBackgroundId = IDB_ARCHIVE_BACKGROUND,
                             .nRefreshTimerId = CArchiveDlg::kRefreshTimerId,
                             .places = kArchiveControls,
                             .controls = kControls,
                             .keys = ArchiveKeys(),
                             .bOpaqueText = false};

} // namespace

const QRect CArchiveDlg::kStatusLineRect = Box(770, 210, 920, 230);
const QRect CArchiveDlg::kTimeTextRect = Box(215, 640, 315, 660);
const QRect CArchiveDlg::kPlayAreaRect = Box(62, 22, 702, 502);

CArchiveDlg::CArchiveDlg(CRecorderSession& rSession, ArchiveServices services, QWidget* pParent)
    : CSkinWindow(kParts, services.rTimers, pParent, Qt::Window | Qt::FramelessWindowHint), m_rSession(rSession),
      m_services(services), m_player(rSession, *this, services.rClock, services.rTimers)
{
    setWindowTitle(QString::fromLatin1(kCaption));
    setFocusPolicy(Qt::ClickFocus);
    m_logo = LoadLogo(services.rFiles, kLogoFile);
}

CArchiveDlg::~CArchiveDlg()
{
    // A run still recording keeps what it captured: its file is finished before the dialog goes.
    m_pBackup.reset();
    if (IsCreated())
        m_rSession.SetArchiveWindow(nullptr);
}

void CArchiveDlg::Create()
{
    if (IsCreated())
        return;
    CreateSkin();
    m_timeFont = font();
    m_rSession.SetDeviceScale(m_backStore.Scale());
    TakeControls();
    if (m_services.pBackupFiles && m_services.pPoster)
        m_pBackup = std::make_unique<CAviBackup>(
            CAviBackup::Services{m_services.rTimers, m_services.rClock, *m_services.pPoster, *m_services.pBackupFiles,
                                 m_services.pFolders, m_services.strStartFolder},
            static_cast<BackupView&>(*this));
    m_rSession.SetArchiveWindow(&m_player);
    PaintAll();
    m_player.Start();
}

QPoint CArchiveDlg::CentredPosition(const QSize& szScreen)
{
    return {(szScreen.width() - kPlaceWidth) / 2, (szScreen.height() - kPlaceHeight) / 2};
}

void CArchiveDlg::Place(bool bFullScreen)
{
    if (bFullScreen) {
        move(0, 0);
        return;
    }
    const QScreen* pScreen = QGuiApplication::primaryScreen();
    move(CentredPosition(pScreen ? pScreen->geometry().size() : QSize(kPlaceWidth, kPlaceHeight)));
}

// ---- controls ----------------------------------------------------------------------------

void CArchiveDlg::TakeControls()
{
    m_pSlider = SkinSlider(IDC_TIME_SLIDER);
    m_pSlider->SetRange(0, kSliderMaxSeconds, false);
    m_pSlider->SetPosition(0);
    connect(m_pSlider, &CSkinSlider::HScroll, this, [this] { OnSliderScroll(); });
    m_pReceive = SkinButton(IDC_RECEIVE_LAMP);
    setAccessibleName(QStringLiteral("Archive"));
    CreateCalendar();
}

void CArchiveDlg::CreateCalendar()
{
    m_pCalendar = CCalendarCtrl::Create(kCalendarId, m_services.rClock, this, kCalendarRect);
    if (!m_pCalendar)
        return;
    m_pCalendar->setAccessibleName(QStringLiteral("Play date"));
    const std::pair<int, const char*> parts[] = {
        {CCalendarCtrl::IDC_MONTH_SPIN, "Month up or down"},
        {CCalendarCtrl::IDC_MONTH_LIST, "Month"},
        {CCalendarCtrl::IDC_YEAR_EDIT, "Year"},
        {CCalendarCtrl::IDC_YEAR_SPIN, "Year up or down"},
    };
    for (const auto& [nId, pszName] : parts)
        if (QWidget* pPart = m_pCalendar->findChild<QWidget*>(QString::number(nId)))
            pPart->setAccessibleName(QString::fromLatin1(pszName));
}

void CArchiveDlg::OnCommand(int nControlId)
{
    if (nControlId >= IDC_FAST_REVERSE && nControlId <= IDC_FAST_FORWARD) {
        m_player.OnPlayControl(static_cast<PlayControl>(nControlId - IDC_FAST_REVERSE));
    } else if (nControlId >= IDC_ARCHIVE_CHANNEL_FIRST &&
               nControlId < IDC_ARCHIVE_CHANNEL_FIRST + CArchiveTiles::kChannels) {
        m_player.OnChannelButton(nControlId - IDC_ARCHIVE_CHANNEL_FIRST);
    } else {
        switch (nControlId) {
        case IDC_VIEWER: m_player.OnViewer(); break;
        case IDC_SNAPSHOT: OnSnapshot(); break;
        case IDC_PRINT: OnPrint(); break;
        case IDC_AVI_RECORD: OnAviToggle(); break;
        case IDC_EVENT_LIST: m_player.OnAlarmList(); break;
        case IDC_TILES_MORE: m_player.OnTilesMore(); break;
        case IDC_TILES_FEWER: m_player.OnTilesFewer(); break;
        case IDC_SINGLE_VIEW: m_player.OnSingleView(); break;
        case IDC_MULTI_VIEW: m_player.OnMultiView(); break;
        case IDC_GO_START: m_player.OnJumpToStart(); break;
        case IDC_PREV_HOUR: m_player.OnPreviousHour(); break;
        case IDC_NEXT_HOUR: m_player.OnNextHour(); break;
        case IDC_GO_END: m_player.OnJumpToEnd(); break;
        default: break;
        }
    }
    // A clicked toggle has flipped its own check; the player decides what stays lit.
    SyncLights();
}

void CArchiveDlg::OnKeyCommand(KeyCommand command)
{
    if (command != KeyCommand::PlayForwardOrStop)
        CSkinWindow::OnKeyCommand(command);
    else if (CSkinButton* pButton = SkinButton(m_player.IsPlaying() ? IDC_STOP : IDC_FORWARD))
        pButton->Click();
}

void CArchiveDlg::OnSliderScroll()
{
    m_player.OnSliderMoved(m_pSlider->GetPos());
}

void CArchiveDlg::SetLit(int nControlId, bool bLit)
{
    CSkinButton* pButton = SkinButton(nControlId);
    if (pButton && pButton->GetCheck() != bLit)
        pButton->SetCheck(bLit ? 1 : 0);
}

void CArchiveDlg::SyncLights()
{
    for (int i = 0; i < 5; ++i)
        SetLit(IDC_FAST_REVERSE + i, m_player.PlayLit(static_cast<PlayControl>(i)));
    const CArchiveTiles& tiles = m_player.Tiles();
    for (int n = 0; n < CArchiveTiles::kChannels; ++n)
        SetLit(IDC_ARCHIVE_CHANNEL_FIRST + n, tiles.ChannelLit(n));
    SetLit(IDC_SINGLE_VIEW, tiles.SingleLit());
    SetLit(IDC_MULTI_VIEW, tiles.MultiLit());
    SetLit(IDC_AVI_RECORD, m_pBackup && m_pBackup->IsRecording());
}

// ---- what the player asks ----------------------------------------------------------------

void CArchiveDlg::ShowWindow(bool bShow)
{
    if (!bShow) {
        hide();
        return;
    }
    Place(m_rSession.Settings().bUseFullScreen != 0);
    show();
    raise();
    activateWindow();
    // The keys come here, not to the calendar's month list, unless a button has the focus frame.
    setFocus(Qt::ActiveWindowFocusReason);
}

void CArchiveDlg::DrawStatusLine(const std::string& strText)
{
    // The connection's state reaches this line as often as packets come (an alarm flood).
    m_strStatusLine = strText;
    m_bStatusLineDirty = true;
    ScheduleRefresh();
}

void CArchiveDlg::DrawStatusPanel()
{
    for (const PanelRow* pRow : {&kStartRow, &kEndRow, &kRequestRow, &kRecordPosRow, &kPlayPosRow})
        DrawText(pRow->rcLabel, QString::fromLatin1(pRow->pszLabel), kLabelFlags, true);
    DrawText(kStartRow.rcValue, QString::fromStdString(m_player.StartText()), kValueFlags, true);
    DrawText(kEndRow.rcValue, QString::fromStdString(m_player.EndText()), kValueFlags, true);
    DrawText(kRequestRow.rcValue, QString::fromStdString(m_player.RequestText()), kValueFlags, true);
}

void CArchiveDlg::DrawPositions(const std::string& strRecord, const std::string& strPlay)
{
    if (strRecord == m_strRecordPos && strPlay == m_strPlayPos && !m_strPositions.empty())
        return;
    m_strRecordPos = strRecord;
    m_strPlayPos = strPlay;
    m_bPositionsDirty = true;
    ScheduleRefresh();
}

void CArchiveDlg::DrawTimeOfDay(int nSeconds)
{
    if (nSeconds == m_nTimeSeconds)
        return;
    m_nTimeSeconds = nSeconds;
    m_strTimeText = status_text::TimeOfDay(nSeconds);
    ScheduleRefresh();
}

std::optional<CalendarDate> CArchiveDlg::SelectedDate() const
{
    if (!m_pCalendar)
        return std::nullopt;
    return m_pCalendar->GetSelectedDate();
}

void CArchiveDlg::SetCalendarDate(const CalendarDate& date)
{
    if (m_pCalendar)
        m_pCalendar->SetDate(date.nYear, date.nMonth, date.nDay);
}

void CArchiveDlg::EnableSearch(bool bEnable)
{
    if (m_pCalendar)
        m_pCalendar->setEnabled(bEnable);
    if (m_pSlider)
        m_pSlider->setEnabled(bEnable);
}

void CArchiveDlg::RelayoutTiles()
{
    RepaintPictures(CArchiveTiles::kPlayArea);
}

void CArchiveDlg::DrawPlayImage(uint8_t byChannel, const Picture& picture)
{
    if (!ShowPicture(byChannel, picture))
        return;
    if (m_pBackup)
        m_pBackup->OnPictureDrawn();
    ++m_nPicturesDrawn;
}

void CArchiveDlg::ClearPlayImages()
{
    m_backStore.Clear();
    RelayoutTiles();
}

void CArchiveDlg::FlipReceiveIndicator()
{
    ++m_nLampFlips;
    ScheduleRefresh();
}

void CArchiveDlg::ShowAlarmEvents(bool bFileExisted)
{
    emit AlarmEventsRequested(bFileExisted);
}

void CArchiveDlg::RefreshAlarmEvents()
{
    emit AlarmEventsRefreshed();
}

// ---- AVI backup ----------------------------------------------------------------------------

void CArchiveDlg::OnAviToggle()
{
    if (m_pBackup) {
        if (!m_pBackup->IsRecording())
            m_services.pBackupFiles->SetCodec(BackupCodecFromSetting(m_rSession.Settings().byAviCodec));
        m_pBackup->Toggle(static_cast<const LinkPlayState&>(m_player).State(), m_rSession.Settings().byRecordInterval);
    }
    m_rSession.Link().StartReconnect(false);
    SyncLights();
}

void CArchiveDlg::StopBackup()
{
    if (m_pBackup)
        m_pBackup->Stop();
}

bool CArchiveDlg::BackupBusy() const
{
    return m_pBackup && m_pBackup->IsBusy();
}

void CArchiveDlg::ShowMessageBox(const std::string& strText)
{
    if (m_services.pNotifier)
        m_services.pNotifier->ShowMessage(strText, kCaption);
}

void CArchiveDlg::SetBackupLit(bool bLit)
{
    SetLit(IDC_AVI_RECORD, bLit);
}

bool CArchiveDlg::CapturePlayArea(uint8_t* pDst, int nStrideBytes)
{
    const int nRowBytes = kPlayAreaRect.width() * 4;
    if (nStrideBytes < nRowBytes)
        return false;
    // The frames keep their 1x size on any screen.
    const bool bDevice = m_backStore.Scale() != 1.0;
    const QImage part = bDevice ? m_backStore.LogicalCopy(kPlayAreaRect) : QImage();
    const QImage& image = bDevice ? part : m_backStore.Image();
    const QPoint ptFrom = bDevice ? QPoint(0, 0) : kPlayAreaRect.topLeft();
    for (int y = 0; y < kPlayAreaRect.height(); ++y)
        std::memcpy(pDst + static_cast<size_t>(y) * static_cast<size_t>(nStrideBytes),
                    image.constScanLine(ptFrom.y() + y) + ptFrom.x() * 4, static_cast<size_t>(nRowBytes));
    return true;
}

std::string CArchiveDlg::StampText()
{
    return StampString(m_player.ImageStamp());
}

std::string CArchiveDlg::RecordFolder()
{
    return std::string(GetText(m_rSession.Settings().szRecordPath));
}

// ---- snapshot and print ------------------------------------------------------------------

void CArchiveDlg::DrawLabels(QImage& image, const std::vector<CameraLabel>& labels)
{
    QPainter painter(&image);
    painter.setFont(font());
    painter.setPen(Qt::red);
    for (const CameraLabel& label : labels)
        painter.drawText(CBackStore::ToQRect(label.rc), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                         QString::fromStdString(label.strText));
}

std::string CArchiveDlg::OnSnapshot()
{
    // The newest picture of every tile is painted first, so a covered or minimised window
    // gives what the operator would see.
    m_backStore.Flush();
    QImage picture = m_backStore.LogicalCopy(kPlayAreaRect);
    const CArchiveTiles& tiles = m_player.Tiles();
    const std::string strStamp = StampString(m_player.ImageStamp());
    DrawLabels(picture, CameraLabels(tiles.GridDiv(), tiles.SelChannel(), strStamp, LabelPlace::Picture));

    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    std::vector<uint8_t> jpeg;
    const std::string strFolder(GetText(m_rSession.Settings().szRecordPath));
    const std::string strName =
        SnapshotFileName(strFolder, tiles.SelChannel(), strStamp, m_services.rClock.TickMs());
    const bool bSaved = EncodeJpeg(rgb.constBits(), rgb.width(), rgb.height(), static_cast<int>(rgb.bytesPerLine()),
                                   kSnapshotQuality, jpeg) &&
                        !strFolder.empty() && m_services.rFiles.MakeFolder(strFolder) &&
                        m_services.rFiles.WriteWhole(strName, jpeg.data(), jpeg.size());
    if (!bSaved) {
        m_player.ShowMessage(kSnapshotFailedText);
        return {};
    }
    if (m_services.pFolders)
        m_services.pFolders->OpenFolder(strFolder);
    return strName;
}

PrintResult CArchiveDlg::OnPrint()
{
    // The labels go on the window itself, where they stay until the tiles are painted again;
    // the capture carries them.
    m_backStore.Flush();
    const std::string strStamp = StampString(m_services.rClock.LocalNow());
    const CArchiveTiles& tiles = m_player.Tiles();
    DrawLabels(m_backStore.Image(), CameraLabels(tiles.GridDiv(), tiles.SelChannel(), strStamp, LabelPlace::Window));
    update(kPlayAreaRect);
    if (!m_services.pPrinter)
        return PrintResult::NoPrinter;

    PrintJob job;
    job.strDocumentName = QString::fromLatin1(kPrintDocument);
    job.image = m_backStore.LogicalCopy(kPlayAreaRect);
    job.fnPlace = [](const PrinterPage& page) {
        return CBackStore::ToQRect(PrintPlacement(page.nDpiX, page.nDpiY, page.nWidth));
    };
    PrintResult result = PrintResult::NoPrinter;
    if (!m_services.pPrinter->DefaultPrinterName().isEmpty())
        result = m_services.pPrinter->Print(job);
    if (result == PrintResult::NoPrinter && m_services.pNotifier)
        m_services.pNotifier->ShowMessage(kNoPrinterText, kCaption);
    return result;
}

// ---- drawing -----------------------------------------------------------------------------

void CArchiveDlg::OnRefresh()
{
    if (m_nTimeSeconds != m_nTimeShown && m_nTimeSeconds >= 0) {
        m_nTimeShown = m_nTimeSeconds;
        if (m_pSlider && m_pSlider->GetPos() != m_nTimeSeconds)
            m_pSlider->SetPosition(m_nTimeSeconds);
        DrawText(kTimeTextRect, QString::fromStdString(m_strTimeText), kValueFlags, m_timeFont, true);
    }
    if (std::exchange(m_bStatusLineDirty, false))
        DrawText(kStatusLineRect, QString::fromStdString(m_strStatusLine), kValueFlags, true);
    if (m_bPositionsDirty) {
        m_bPositionsDirty = false;
        m_strPositions = m_strRecordPos + "\n" + m_strPlayPos;
        DrawText(kRecordPosRow.rcValue, QString::fromStdString(m_strRecordPos), kValueFlags, true);
        DrawText(kPlayPosRow.rcValue, QString::fromStdString(m_strPlayPos), kValueFlags, true);
    }
    // One blink per refresh with pictures coming, however many came.
    if (m_pReceive && m_nLampFlips != 0)
        m_pReceive->SetCheck(m_pReceive->GetCheck() ? 0 : 1);
    m_nLampFlips = 0;
    // New pictures are painted into the back store before the backup copies them.
    if (m_pBackup && m_pBackup->WantsCapture()) {
        m_backStore.Flush();
        m_pBackup->Capture();
    }
}

const QImage& CArchiveDlg::BackStore()
{
    m_backStore.Flush();
    return m_backStore.Image();
}

void CArchiveDlg::PaintAll()
{
    m_backStore.Image().fill(Qt::black);
    PaintBackground(rect());
    m_nTimeShown = -1;
    DrawTimeOfDay(m_player.SliderSeconds());
    DrawStatusPanel();
    DrawStatusLine(m_player.StatusLine());
    RelayoutTiles();
    SyncLights();
}

void CArchiveDlg::PaintBackground(const QRect& rc)
{
    QPainter painter(&m_backStore.Image());
    painter.setClipRect(rc);
    painter.drawImage(QPoint(0, 0), Background());
    if (!m_logo.isNull()) {
        // The site's own bitmap has only its 1x pixels.
        painter.setRenderHint(QPainter::SmoothPixmapTransform, m_backStore.Scale() != 1.0);
        painter.drawImage(kLogoPos, m_logo, QRect(0, 0, 165, 65));
    }
    update(rc);
}

void CArchiveDlg::OnDeviceScale()
{
    m_rSession.SetDeviceScale(m_backStore.Scale());
    PaintAll();
}

void CArchiveDlg::mousePressEvent(QMouseEvent* pEvent)
{
    // The body drags the window, as a caption would, unless it fills the screen.
    if (pEvent->button() != Qt::LeftButton || m_rSession.Settings().bUseFullScreen)
        return;
    QWindow* pWindow = window()->windowHandle();
    if (pWindow && pWindow->startSystemMove())
        return;
    m_bManualDrag = true;
    m_ptDragOffset = pEvent->globalPosition().toPoint() - pos();
}

void CArchiveDlg::mouseMoveEvent(QMouseEvent* pEvent)
{
    if (m_bManualDrag)
        move(pEvent->globalPosition().toPoint() - m_ptDragOffset);
}

void CArchiveDlg::mouseReleaseEvent(QMouseEvent* /*pEvent*/)
{
    m_bManualDrag = false;
}

void CArchiveDlg::closeEvent(QCloseEvent* pEvent)
{
    // The window system's close goes back to live, as "Viewer" does; the dialog lives on.
    pEvent->ignore();
    m_player.OnViewer();
}

} // namespace ostrel
