#pragma once

#include "alarmlog/alarm_event_log.h"
#include "platform/file_store.h"

#include <QDialog>
#include <QSize>

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

class QPushButton;
class QTableView;

namespace ostrel {

class CAlarmEventModel;

// "Event": the recorder's event log as a list, one row per listed record of "AlarmEvent.am",
// with the columns "Channel", "Alarm Type" and "Date/Time". A double-click on a row plays the
// event: PlayEvent gets the row's packed event time and the 0-based channel. Run it modally;
// whoever opened it calls LoadList when the link has saved a newer log meanwhile.
class CAlarmEventDlg : public QDialog {
    Q_OBJECT
public:
    // Plays from the packed event time on the 0-based channel (the archive's PlayEventAt).
    using PlayEvent = std::function<void(uint32_t dwPackedTime, int nChannel)>;

    static constexpr const char* kCaption = "Event";
    static constexpr const char* kFontFamily = "DejaVu Sans"; // stands in for the dialog font
    static constexpr int kFontPoints = 9;
    static constexpr QSize kSizeDlu{291, 245};                // dialog units

    // bFileExisted: a log saved by an earlier fetch was there when the list was asked for;
    // it is shown at once. Otherwise the list stays empty until LoadList.
    CAlarmEventDlg(FileStore& rFiles, PlayEvent playEvent, bool bFileExisted, QWidget* pParent = nullptr);
    ~CAlarmEventDlg() override;

    // Rebuilds the list from the file. The selected record stays selected, and at the same
    // place in the view, when the new log still holds it.
    void LoadList();

    // The three column widths for a list nListWidth pixels wide.
    static std::array<int, 3> ColumnWidths(int nListWidth);

    QTableView* List() const { return m_pList; }
    QPushButton* OkButton() const { return m_pOk; }
    // The listed rows, in list order.
    const std::vector<AlarmEventRow>& Rows() const;

private:
    void OnDoubleClick(int nRow);
    void ApplyColumnWidths();

    FileStore& m_rFiles;
    PlayEvent m_playEvent;
    CAlarmEventModel* m_pModel = nullptr;
    QTableView* m_pList = nullptr;
    QPushButton* m_pOk = nullptr;
};

} // namespace ostrel
