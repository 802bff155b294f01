#pragma once

#include "alarmlog/alarm_event_dlg.h"
#include "backup/backup_file_maker.h"
#include "platform/clock.h"
#include "platform/display_mode.h"
#include "platform/desktop_folder_opener.h"
#include "platform/dvr_socket.h"
#include "platform/file_store.h"
#include "platform/instance_lock.h"
#include "platform/qt_notifier.h"
#include "platform/qt_printer.h"
#include "platform/qt_ui_poster.h"
#include "platform/qt_ui_wakeup.h"
#include "platform/settings_store.h"
#include "platform/qt_timer_service.h"
#include "ptz/ptz_panel.h"
#include "session/recorder_session.h"

#include <QLocalServer>
#include <QObject>
#include <QPointer>

#include <memory>
#include <optional>

namespace ostrel {

class CArchiveDlg;
class DesktopAlarmNotifier;
class CMainFrame;
class COstrelView;
class Notifier;

// The application: one instance per user, the settings profile, the main frame.
// Call InitInstance once after the QApplication exists; when it returns false the program ends
// (its message, if any, has been shown). ExitInstance releases the instance lock.
class COstrelApp : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kAnotherInstanceText = "Another instance of this program exists";
    static constexpr const char* kErrorCaption = "ERROR";
    // A PDF file that printouts go into instead of the default printer, for desks without one
    // (and the headless demo); set in the settings profile, not in the settings dialog.
    static constexpr const char* kPrintFileKey = "Print File";
    // Where the window stood at the end of the last run (not in the settings dialog either).
    static constexpr const char* kWindowScreenKey = "Window Screen";
    static constexpr const char* kWindowLeftKey = "Window Left";
    static constexpr const char* kWindowTopKey = "Window Top";

    // places: where the settings' backup folder goes; by default beside this program (tests give
    // their own, so that no run leaves a folder in the build tree).
    explicit COstrelApp(Notifier& rNotifier, const QString& strLockPath = InstanceLock::DefaultPath(),
                        std::optional<SettingsPlaces> places = std::nullopt);
    ~COstrelApp() override;

    // The instance of a named profile (--profile): its settings profile, backup folder, window
    // title and about box; empty for the default one. Before InitInstance.
    void SetProfile(const QString& strProfile) { m_strProfile = strProfile; }
    const QString& Profile() const { return m_strProfile; }
    // False when the program is to end: another instance runs (it was brought forward, or the
    // operator was told), see HandedOver.
    bool InitInstance();
    int ExitInstance();
    // InitInstance found another instance and brought its window forward: nothing went wrong.
    bool HandedOver() const { return m_bHandedOver; }
    // The window comes forward, as for a second start.
    void BringForward();
    // Ends the program as EXIT does (the quit signals, the session's end): the window
    // closes, keeping the settings, and the event loop ends; ExitInstance does the rest.
    void Quit();

    CMainFrame* GetMainWnd() const { return m_pMainFrame.get(); }
    CRecorderSession* Session() const { return m_pSession.get(); }
    COstrelView* GetView() const { return m_pView; }
    CArchiveDlg* GetArchive() const { return m_pArchive; }
    CPtzPanel* PtzPanel() const { return m_pPtzPanel.get(); }
    // The alarm event list while it is open, else null.
    CAlarmEventDlg* GetAlarmEvents() const { return m_pAlarmEvents.data(); }
    // Opens the about box modally.
    void OnAppAbout();
    // The archive's alarm list button: the "Event" list, modal over the archive, whose
    // double-click plays in the archive.
    void OnAlarmEventsRequested(bool bFileExisted);
    // A fetched event log was saved: the open list reloads it.
    void OnAlarmEventsRefreshed();

    // The program's folder and the user's data folder of the profile ($XDG_DATA_HOME/Ostrel/
    // Ostrel16 or Ostrel16-NAME), for the settings and the backup folder.
    static SettingsPlaces PlacesOfThisProgram(const QString& strProfile = {});

signals:
    // A second start asked this instance to come forward, and its window did.
    void BroughtForward();

private:
    // InitInstance's steps, in order.
    bool TakeInstanceLock();
    void SetApplicationIdentity();
    void CreateMainFrame();
    void CreateSessionAndView();
    void CreateArchive();
    // The instance lock's name with ".sock": a second start asks the first there to come forward.
    static QString ActivationPath(const InstanceLock& lock);
    bool AskFirstToComeForward() const;
    void ListenForSecondStarts();
    void KeepWindowPlace();
    void RestoreWindowPlace();

    Notifier& m_rNotifier;
    bool m_bHandedOver = false;
    std::unique_ptr<QLocalServer> m_pActivation; // a second start's request to come forward
    InstanceLock m_instanceLock;
    std::optional<SettingsPlaces> m_places;
    QString m_strProfile;
    // What the session and the view work with; declared before the session, which the view
    // holds, and the session before the frame, which owns the view.
    CDvrSocketFactory m_sockets;
    LocalFileStore m_files;
    SystemClock m_clock;
    QtTimerFactory m_timers;
    XrandrDisplayMode m_displayMode;
    QtNotifier m_viewNotifier;
    DesktopFolderOpener m_folders;
    std::unique_ptr<QtPrinter> m_pPrinter;
    QtUiPoster m_poster;
    QtUiWakeupFactory m_wakeups;
    CBackupFileMaker m_backupFiles{m_files};
    std::unique_ptr<SettingsStore> m_pSettings;
    std::unique_ptr<DesktopAlarmNotifier> m_pAlarmNotifier;
    std::unique_ptr<CRecorderSession> m_pSession;
    std::unique_ptr<CPtzPanel> m_pPtzPanel; // the view's PTZ keys act through it
    std::unique_ptr<CMainFrame> m_pMainFrame;
    COstrelView* m_pView = nullptr;       // owned by the frame
    CArchiveDlg* m_pArchive = nullptr;    // owned by the frame
    QPointer<CAlarmEventDlg> m_pAlarmEvents; // owned by the archive dialog while open
};

} // namespace ostrel
