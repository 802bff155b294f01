#pragma once

#include "alarmlog/alarm_event_log.h"

#include <QAbstractTableModel>

#include <vector>

namespace ostrel {

// The event list's rows as a table of three columns, "Channel", "Alarm Type" and "Date/Time".
// The view asks only for the cells it shows, so a log of 100,000 records costs the window no
// more than one of ten.
class CAlarmEventModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kColumns = 3;

    using QAbstractTableModel::QAbstractTableModel;

    // Replaces every row.
    void SetRows(std::vector<AlarmEventRow> rows);
    const std::vector<AlarmEventRow>& Rows() const { return m_rows; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int nRole = Qt::DisplayRole) const override;
    QVariant headerData(int nSection, Qt::Orientation orientation, int nRole = Qt::DisplayRole) const override;

private:
    std::vector<AlarmEventRow> m_rows;
};

} // namespace ostrel
