#include "alarmlog/alarm_event_model.h"

#include <utility>

namespace ostrel {

void CAlarmEventModel::SetRows(std::vector<AlarmEventRow> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

int CAlarmEventModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int CAlarmEventModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumns;
}

QVariant CAlarmEventModel::data(const QModelIndex& index, int nRole) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= kColumns)
        return {};
    if (nRole == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    if (nRole != Qt::DisplayRole)
        return {};
    const AlarmEventRow& row = m_rows[static_cast<size_t>(index.row())];
    switch (index.column()) {
    case 0:
        return QString::fromStdString(row.ChannelText());
    case 1:
        return QString::fromStdString(row.TypeText());
    default:
        return QString::fromStdString(row.DateTimeText());
    }
}

QVariant CAlarmEventModel::headerData(int nSection, Qt::Orientation orientation, int nRole) const
{
    static const char* const kTitles[kColumns] = {"Channel", "Alarm Type", "Date/Time"};
    if (orientation != Qt::Horizontal || nSection < 0 || nSection >= kColumns)
        return {};
    if (nRole == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    if (nRole != Qt::DisplayRole)
        return {};
    return QString::fromLatin1(kTitles[nSection]);
}

} // namespace ostrel
