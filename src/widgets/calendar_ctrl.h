#pragma once

#include "models/month_calendar.h"

#include <QWidget>

class QComboBox;
class QLineEdit;
class QSpinBox;

namespace ostrel {

class Clock;

// The archive's date picker: a month page of day cells under a weekday header, with the month
// spin arrows, the month list and the year field with its spin arrows above. The background is
// left transparent and the text is light, for the dark archive skin. Today's date is read from
// the clock whenever the page is rebuilt. After a click has selected a day it posts DateClicked.
class CCalendarCtrl : public QWidget {
    Q_OBJECT
public:
    static constexpr int IDC_MONTH_SPIN = 4096;
    static constexpr int IDC_MONTH_LIST = 4098;
    static constexpr int IDC_YEAR_EDIT = 4099;
    static constexpr int IDC_YEAR_SPIN = 4100;
    static constexpr int kEdge = 2; // frame around the client area, as a sunken window edge
    static constexpr int kWidth = CMonthCalendar::kClientWidth + 2 * kEdge;
    static constexpr int kHeight = CMonthCalendar::kClientHeight + 2 * kEdge;

    // The clock must outlive the control.
    CCalendarCtrl(int nControlId, const Clock& clock, QWidget* pParent = nullptr);

    // Makes the control a child of pParent placed at rc; the size is always kWidth x kHeight.
    static CCalendarCtrl* Create(int nControlId, const Clock& clock, QWidget* pParent, const QRect& rc);

    // Selects the date and shows its month; false (nothing changes) for an impossible date.
    bool SetDate(int nYear, int nMonth, int nDay);
    CalendarDate GetSelectedDate() const { return m_page.Selected(); }

    int ControlId() const { return m_nControlId; }
    const CMonthCalendar& Page() const { return m_page; }
    // Top-left of the client area (where the page's coordinates start) in widget pixels.
    static QPoint ClientOrigin() { return {kEdge, kEdge}; }

signals:
    // Posted (delivered after the click's handling returns) with the control's own ID.
    void DateClicked(int nControlId);

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void leaveEvent(QEvent* pEvent) override;
    void changeEvent(QEvent* pEvent) override;

private:
    CalendarDate Today() const;
    int CellAt(QPoint ptWidget) const;
    void OnMonthSpin(int nValue);
    void OnYearSpin(int nValue);
    void OnYearEdited();
    // Brings the month list, the year field and both spins in line with the page.
    void SyncControls();

    const int m_nControlId;
    const Clock& m_rClock;
    CMonthCalendar m_page;
    QSpinBox* m_pMonthSpin = nullptr;
    QComboBox* m_pMonthList = nullptr;
    QLineEdit* m_pYearEdit = nullptr;
    QSpinBox* m_pYearSpin = nullptr;
    int m_nMonthSpinValue = 0; // the month spin's last position, 0..11, to tell its direction
};

} // namespace ostrel
