#include "shell/ostrel_app.h"

#include "alarmlog/alarm_event_dlg.h"
#include "archive/archive_dlg.h"
#include "platform/desktop_alarm_notifier.h"
#include "platform/detectable_auto_repeat.h"
#include "platform/notifier.h"
#include "platform/qt_settings_store.h"
#include "platform/qt_timer_service.h"
#include "res/resource.h"
#include "res/skin_bitmap.h"
#include "shell/about_dlg.h"
#include "shell/command_line.h"
#include "shell/main_frame.h"
#include "shell/ostrel_view.h"
#include "widgets/key_repeat_filter.h"

#include <QApplication>
#include <QDir>
#include <QLocalSocket>
#include <QIcon>
#include <QPixmap>
#include <QStandardPaths>

namespace ostrel {

COstrelApp::COstrelApp(Notifier& rNotifier, const QString& strLockPath, std::optional<SettingsPlaces> places)
    : m_rNotifier(rNotifier), m_instanceLock(strLockPath), m_places(std::move(places))
{
}

COstrelApp::~COstrelApp() = default;

SettingsPlaces COstrelApp::PlacesOfThisProgram(const QString& strProfile)
{
    const QString strData = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return {QCoreApplication::applicationDirPath().toStdString(),
            strData.isEmpty() ? std::string()
                              : (strData + QStringLiteral("/Ostrel/") +
                                 QString::fromStdString(ProfileAppName(strProfile.toStdString())))
                                    .toStdString()};
}

QString COstrelApp::ActivationPath(const InstanceLock& lock)
{
    return lock.Path().isEmpty() ? QString() : lock.Path() + QStringLiteral(".sock");
}

bool COstrelApp::AskFirstToComeForward() const
{
    const QString strPath = ActivationPath(m_instanceLock);
    if (strPath.isEmpty())
        return false;
    QLocalSocket socket;
    socket.connectToServer(strPath);
    if (!socket.waitForConnected(1000))
        return false;
    socket.write("activate\n");
    return socket.waitForBytesWritten(1000);
}

void COstrelApp::ListenForSecondStarts()
{
    const QString strPath = ActivationPath(m_instanceLock);
    if (strPath.isEmpty() || !m_instanceLock.IsHeld())
        return;
    // The lock is ours, so a socket of that name is a crashed instance's.
    QLocalServer::removeServer(strPath);
    m_pActivation = std::make_unique<QLocalServer>();
    m_pActivation->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_pActivation->listen(strPath)) {
        m_pActivation.reset();
        return;
    }
    connect(m_pActivation.get(), &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* pSocket = m_pActivation->nextPendingConnection()) {
            connect(pSocket, &QLocalSocket::disconnected, pSocket, &QObject::deleteLater);
            connect(pSocket, &QLocalSocket::readyRead, this, [this, pSocket] {
                // One short line; anything longer or else is not a second start of ours.
                const QByteArray line = pSocket->readLine(16);
                if (line == "activate\n")
                    BringForward();
                pSocket->disconnectFromServer();
            });
        }
    });
}

void COstrelApp::BringForward()
{
    if (!m_pMainFrame)
        return;
    if (m_pMainFrame->isMinimized())
        m_pMainFrame->showNormal();
    m_pMainFrame->show();
    m_pMainFrame->raise();
    m_pMainFrame->activateWindow();
    emit BroughtForward();
}

bool COstrelApp::InitInstance()
{
    if (!TakeInstanceLock())
        return false;
    SetApplicationIdentity();
    CreateMainFrame();
    CreateSessionAndView();
    CreateArchive();
    // Two profiles' windows side by side are told apart by their titles.
    if (!m_strProfile.isEmpty()) {
        m_pMainFrame->setWindowTitle(QStringLiteral("Ostrel - ") + m_strProfile);
        m_pArchive->setWindowTitle(QStringLiteral("Ostrel - ") + m_strProfile);
    }
    RestoreWindowPlace();
    m_pMainFrame->show();
    return true;
}

bool COstrelApp::TakeInstanceLock()
{
    const InstanceLock::Result lock = m_instanceLock.TryAcquire();
    if (lock == InstanceLock::Result::HeldElsewhere) {
        // The running one comes forward, as with any desktop program; only when it cannot be
        // reached is the operator told.
        m_bHandedOver = AskFirstToComeForward();
        if (!m_bHandedOver)
            m_rNotifier.ShowMessage(kAnotherInstanceText, kErrorCaption);
        return false;
    }
    if (lock == InstanceLock::Result::Failed && m_instanceLock.Path().isEmpty())
        qWarning("Ostrel: no private folder for the instance lock; starting without it");
    else if (lock == InstanceLock::Result::Failed)
        qWarning("Ostrel: no instance lock at %s; starting without it", qPrintable(m_instanceLock.Path()));
    ListenForSecondStarts();
    return true;
}

void COstrelApp::SetApplicationIdentity()
{
    // The profile: QSettings("Ostrel", "Ostrel16"), where the settings keep section "Setting".
    QCoreApplication::setOrganizationName(QStringLiteral("Ostrel"));
    QCoreApplication::setApplicationName(QStringLiteral("Ostrel16"));
    // The window belongs to its launcher: Wayland's app_id is the desktop file's name, and on
    // X11 the class ("Ostrel16", from the application name) is the entry's StartupWMClass.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.ostrel.Ostrel"));
    QApplication::setWindowIcon(QIcon(QPixmap::fromImage(SkinBitmap(IDB_PROGRAM_ICON))));

    // A held key repeats as presses only, where the X server offers it; else the windows tell
    // repeats by time.
    CKeyRepeatFilter::SetServerMarksRepeats(EnableDetectableAutoRepeat());
}

void COstrelApp::CreateMainFrame()
{
    m_pMainFrame = std::make_unique<CMainFrame>();
    connect(m_pMainFrame.get(), &CMainFrame::AppAbout, this, &COstrelApp::OnAppAbout);
    // However the window goes, what EXIT keeps is kept, and where the window stood.
    connect(m_pMainFrame.get(), &CMainFrame::Closing, this, [this] {
        KeepWindowPlace();
        if (m_pView)
            m_pView->Leave();
    });
    // The desktop session is ending: the settings are saved now, in case nothing else runs.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this] {
        if (m_pSession)
            m_pSession->Save();
    });
}

void COstrelApp::CreateSessionAndView()
{
    m_pSettings = std::make_unique<QtSettingsStore>(QStringLiteral("Setting"), ProfileAppName(m_strProfile.toStdString()));
    m_viewNotifier.SetParent(m_pMainFrame.get());
    m_pSession = std::make_unique<CRecorderSession>(SessionServices{m_timers, m_sockets, m_files, m_viewNotifier,
                                                                    *m_pSettings, m_places ? *m_places : PlacesOfThisProgram(m_strProfile),
                                                                    QDir::currentPath().toStdString()});
    m_pAlarmNotifier = std::make_unique<DesktopAlarmNotifier>();
    m_pSession->SetAlarmNotifier(m_pAlarmNotifier.get(), &m_clock);
    m_pSession->SetDecodeWakeups(&m_wakeups);
    m_pView = new COstrelView(*m_pSession, ViewServices{m_clock, m_timers, &m_displayMode}, m_pMainFrame.get());
    m_pMainFrame->SetView(m_pView);
    connect(m_pView, &COstrelView::AboutRequested, this, &COstrelApp::OnAppAbout);
    m_pView->OnInitialUpdate();
    // The PTZ table is loaded once the view has loaded the settings that name its file.
    m_pPtzPanel = std::make_unique<CPtzPanel>(*m_pSession, PtzPanelServices{m_timers, m_files, m_viewNotifier});
    m_pView->SetPtzKeyHandler(m_pPtzPanel.get());
    m_pPtzPanel->LoadPtzTable();
    // After the settings dialog's OK a new camera type brings its command file.
    connect(m_pView, &COstrelView::SettingsAccepted, this, [this] { m_pPtzPanel->ReloadPtzTableIfTypeChanged(); });
}

void COstrelApp::CreateArchive()
{
    // The archive dialog lives, hidden, as long as the view; the session shows it.
    ArchiveServices archiveServices(m_clock, m_timers, m_files);
    archiveServices.pFolders = &m_folders;
    const std::optional<std::string> printFile = m_pSettings->ReadString(kPrintFileKey);
    m_pPrinter = printFile && !printFile->empty()
                     ? std::make_unique<QtPrinter>(QString::fromStdString(*printFile), QPageSize(QPageSize::A4), 300)
                     : std::make_unique<QtPrinter>();
    archiveServices.pPrinter = m_pPrinter.get();
    archiveServices.pNotifier = &m_viewNotifier;
    archiveServices.pPoster = &m_poster;
    archiveServices.pBackupFiles = &m_backupFiles;
    archiveServices.strStartFolder = QDir::currentPath().toStdString();
    m_pArchive = new CArchiveDlg(*m_pSession, archiveServices, m_pMainFrame.get());
    m_pArchive->Create();
    connect(m_pArchive, &CArchiveDlg::AlarmEventsRequested, this, &COstrelApp::OnAlarmEventsRequested);
    connect(m_pArchive, &CArchiveDlg::AlarmEventsRefreshed, this, &COstrelApp::OnAlarmEventsRefreshed);
}

// Wayland places windows itself and tells a client nothing of where: nothing is kept there.
static bool ClientPlacesWindows()
{
    return !QGuiApplication::platformName().startsWith(QStringLiteral("wayland"));
}

void COstrelApp::KeepWindowPlace()
{
    if (!m_pMainFrame || !m_pSettings || !ClientPlacesWindows() || m_pMainFrame->IsFullScreenPlaced())
        return;
    m_pSettings->WriteString(kWindowScreenKey, m_pMainFrame->ScreenName().toStdString());
    m_pSettings->WriteInt(kWindowLeftKey, m_pMainFrame->x());
    m_pSettings->WriteInt(kWindowTopKey, m_pMainFrame->y());
}

void COstrelApp::RestoreWindowPlace()
{
    const std::optional<std::string> screen = m_pSettings->ReadString(kWindowScreenKey);
    const std::optional<int32_t> left = m_pSettings->ReadInt(kWindowLeftKey);
    const std::optional<int32_t> top = m_pSettings->ReadInt(kWindowTopKey);
    if (screen && left && top && ClientPlacesWindows())
        m_pMainFrame->RestorePlace(QString::fromStdString(*screen), QPoint(*left, *top));
}

int COstrelApp::ExitInstance()
{
    // The view and the archive dialog go with the frame, before the session they hold.
    m_pView = nullptr;
    m_pArchive = nullptr;
    m_pMainFrame.reset();
    m_pPtzPanel.reset();
    m_pSession.reset();
    m_pAlarmNotifier.reset();
    m_pActivation.reset();
    m_instanceLock.Release();
    return 0;
}

void COstrelApp::Quit()
{
    if (m_pMainFrame)
        m_pMainFrame->close();
    QCoreApplication::quit();
}

void COstrelApp::OnAppAbout()
{
    CAboutDlg dlg(m_strProfile, m_pMainFrame.get());
    dlg.exec();
}

void COstrelApp::OnAlarmEventsRequested(bool bFileExisted)
{
    if (!m_pArchive || m_pAlarmEvents)
        return;
    // Modal without a nested event loop: the link keeps being served while the list is open.
    CArchiveDlg* pArchive = m_pArchive;
    auto* pDlg = new CAlarmEventDlg(
        m_files, [pArchive](uint32_t dwPackedTime, int nChannel) { pArchive->Player().PlayEventAt(dwPackedTime, nChannel); },
        bFileExisted, pArchive);
    pDlg->setAttribute(Qt::WA_DeleteOnClose);
    pDlg->setWindowModality(Qt::ApplicationModal);
    m_pAlarmEvents = pDlg;
    pDlg->show();
}

void COstrelApp::OnAlarmEventsRefreshed()
{
    if (m_pAlarmEvents)
        m_pAlarmEvents->LoadList();
}

} // namespace ostrel
