#pragma once

#include "backup/avi_backup.h"
#include "backup/backup_file_maker.h"
#include "platform/clock.h"
#include "platform/file_store.h"
#include "platform/folder_opener.h"
#include "platform/notifier.h"
#include "platform/printer.h"
#include "platform/timer_service.h"
#include "session/archive_player.h"
#include "models/key_commands.h"
#include "models/snapshot_layout.h"
#include "session/recorder_session.h"
#include "widgets/skin_window.h"

#include <QFont>
#include <QImage>
#include <QPoint>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ostrel {

class CCalendarCtrl;
class CSkinButton;
class CSkinSlider;

// What the dialog is given to work with besides the session.
struct ArchiveServices {
    ArchiveServices(const Clock& clock, TimerFactory& timers, FileStore& files)
        : rClock(clock), rTimers(timers), rFiles(files)
    {
    }
    const Clock& rClock;   // today in the calendar, "now" for the recorded range, snapshot ticks
    TimerFactory& rTimers; // the player's waits and the dialog's screen refresh
    FileStore& rFiles;     // snapshots
    FolderOpener* pFolders = nullptr; // shows the record folder after a snapshot; may be null
    Printer* pPrinter = nullptr;      // null: printing does nothing
    Notifier* pNotifier = nullptr;    // message boxes; may be null
    // The AVI backup's files and its saving thread's reports; without both there is no backup.
    CBackupFileMaker* pBackupFiles = nullptr;
    UiPoster* pPoster = nullptr;
    std::string strStartFolder;       // the starting folder, for backups when the record folder fails
};

// The archive's window: the skinned 954 x 687 dialog with the playback tiles, the status panel,
// the calendar, the time slider and every control. It draws what its player tells it and turns
// clicks into the player's commands; the player (the session's archive window) decides what is
// sent and what is lit. Created hidden, once, beside the live view; the session shows it.
//
// All painting goes into a back store the size of the window, which the snapshot and the
// printout copy too; a play picture updates only its own tile on screen.
//
// The keys of ArchiveKeys click the button they stand for; Space clicks forward while stopped
// and stop while playing.
class CArchiveDlg : public CSkinWindow, private ArchiveScreen, private BackupView {
    Q_OBJECT
public:
    static constexpr int kWidth = 954;
    static constexpr int kHeight = 687;
    static constexpr int kRefreshTimerId = 111;     // tiles with new pictures go on screen
    static constexpr QPoint kLogoPos{25, 616};      // the logo, 165 x 65, below the layout keys
    static const QRect kStatusLineRect;             // (770, 210)-(920, 230)
    static const QRect kTimeTextRect;               // (215, 640)-(315, 660)
    static constexpr const char* kCaption = "Ostrel";
    static constexpr const char* kLogoFile = "./logo/blogo.bmp";
    static constexpr const char* kPrintDocument = "Record Image";
    static constexpr const char* kNoPrinterText = "No Printer Driver is installed";
    static constexpr const char* kSnapshotFailedText = "Snapshot Not Saved";
    static constexpr int kSnapshotQuality = 80;
    static const QRect kPlayAreaRect;               // (62, 22)-(702, 502)

    CArchiveDlg(CRecorderSession& rSession, ArchiveServices services, QWidget* pParent = nullptr);
    ~CArchiveDlg() override;

    // Creates the controls, registers the player with the session and tells the recorder to
    // stop. Call once.
    void Create();
    // At (0, 0) for full screen, else centred on the primary screen by the dialog's nominal
    // 948 x 681 size.
    void Place(bool bFullScreen);
    static QPoint CentredPosition(const QSize& szScreen);

    // The snapshot (1050): the play area as drawn with its camera labels, as a JPEG in the
    // record folder, which is then shown. Returns the file's name, empty when it failed (the
    // status line says so).
    std::string OnSnapshot();
    // The print (1051): the labels on the window, then the play area on the default printer.
    PrintResult OnPrint();

    // The record toggle (1086): a backup run starts while playing forward, or stops.
    void OnAviToggle();
    CAviBackup* Backup() const { return m_pBackup.get(); }

    CArchivePlayer& Player() { return m_player; }
    const CArchivePlayer& Player() const { return m_player; }

    // For the program, the tests and the benchmarks.
    // The window as drawn, with the newest picture of every channel in its tile.
    const QImage& BackStore();
    CSkinSlider* Slider() const { return m_pSlider; }
    CCalendarCtrl* Calendar() const { return m_pCalendar; }
    // Pictures handed to a visible tile since the start.
    uint64_t PicturesDrawn() const { return m_nPicturesDrawn; }
    // The time text as it stands (drawn at the next refresh at the latest).
    const std::string& TimeText() const { return m_strTimeText; }
    const std::string& PositionTexts() const { return m_strPositions; }

signals:
    // The alarm list button: the event log has been asked for; bFileExisted tells whether a
    // list saved by an earlier fetch is there to show at once. Whoever owns the list window
    // opens it (modally) and plays a picked event with Player().PlayEventAt.
    void AlarmEventsRequested(bool bFileExisted);
    // A fetched event log has been saved: an open list reloads it.
    void AlarmEventsRefreshed();

protected:
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;
    void closeEvent(QCloseEvent* pEvent) override;

private:
    // CSkinWindow.
    void OnCommand(int nControlId) override;
    // Space is forward while stopped and stop while playing; the other keys click their button.
    void OnKeyCommand(KeyCommand command) override;
    // The texts and the lamp that pictures changed, then the backup's capture.
    void OnRefresh() override;
    void OnDeviceScale() override;
    void PaintBackground(const QRect& rc) override;
    CellRect PictureCell(int nChannel) const override { return m_player.Tiles().Tile(nChannel); }

    // ArchiveScreen.
    void ShowWindow(bool bShow) override;
    void DrawStatusLine(const std::string& strText) override;
    void DrawStatusPanel() override;
    void DrawPositions(const std::string& strRecord, const std::string& strPlay) override;
    void DrawTimeOfDay(int nSeconds) override;
    std::optional<CalendarDate> SelectedDate() const override;
    void SetCalendarDate(const CalendarDate& date) override;
    void EnableSearch(bool bEnable) override;
    void SyncLights() override;
    void RelayoutTiles() override;
    void DrawPlayImage(uint8_t byChannel, const Picture& picture) override;
    void ClearPlayImages() override;
    void FlipReceiveIndicator() override;
    void ShowAlarmEvents(bool bFileExisted) override;
    void RefreshAlarmEvents() override;
    void StopBackup() override;
    bool BackupBusy() const override;
    void ShowMessageBox(const std::string& strText) override;

    // BackupView.
    void ShowBackupStatus(const std::string& strText) override { m_player.ShowMessage(strText); }
    void SetBackupLit(bool bLit) override;
    void ShowBackupMessage(const std::string& strText) override { ShowMessageBox(strText); }
    bool CapturePlayArea(uint8_t* pDst, int nStrideBytes) override;
    std::string StampText() override;
    std::string RecordFolder() override;

    // The controls the dialog keeps at hand, and the calendar beside them.
    void TakeControls();
    void CreateCalendar();
    void OnSliderScroll();
    void PaintAll();
    void SetLit(int nControlId, bool bLit);
    void DrawLabels(QImage& image, const std::vector<CameraLabel>& labels);

    CRecorderSession& m_rSession;
    ArchiveServices m_services;
    CArchivePlayer m_player;
    std::unique_ptr<CAviBackup> m_pBackup; // made by Create when the services allow
    QImage m_logo;       // may be null
    QFont m_timeFont;
    // What play pictures change is drawn at the next refresh, at most 60 times a second and only
    // when it changed, so that a picture costs no text drawing and allocates nothing.
    std::string m_strTimeText;
    int m_nTimeSeconds = -1;       // as last asked for
    int m_nTimeShown = -1;         // as drawn
    std::string m_strRecordPos;    // as last asked for
    std::string m_strPlayPos;
    bool m_bPositionsDirty = false;
    std::string m_strStatusLine;   // as last asked for, drawn at the next refresh
    bool m_bStatusLineDirty = false;
    std::string m_strPositions;    // as drawn
    int m_nLampFlips = 0;          // receive lamp flips not yet shown
    uint64_t m_nPicturesDrawn = 0;
    bool m_bManualDrag = false;
    QPoint m_ptDragOffset;

    CSkinButton* m_pReceive = nullptr;
    CSkinSlider* m_pSlider = nullptr;
    CCalendarCtrl* m_pCalendar = nullptr;
};

} // namespace ostrel
