#include "alarmlog/alarm_event_dlg.h"

#include "res/resource.h"

#include <QFont>
#include <QFontMetrics>
#include <QHeaderView>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>

#include <optional>

namespace ostrel {

namespace {

constexpr int kColumns = 3;
constexpr int kPackedTimeRole = Qt::UserRole;
constexpr int kPackableRole = Qt::UserRole + 1;

// Dialog units of a font: a quarter of its average character width across, an eighth of its
// height down, as dialog templates are laid out.
class DialogUnits {
public:
    explicit DialogUnits(const QFont& font)
    {
        const QFontMetrics metrics(font);
        static const QString kAlphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
        m_nBaseX = (metrics.horizontalAdvance(kAlphabet) / 26 + 1) / 2;
        m_nBaseY = metrics.height();
    }
    int X(int nDlu) const { return nDlu * m_nBaseX / 4; }
    int Y(int nDlu) const { return nDlu * m_nBaseY / 8; }
    QRect Rect(int x, int y, int cx, int cy) const { return QRect(X(x), Y(y), X(cx), Y(cy)); }

private:
    int m_nBaseX = 6;
    int m_nBaseY = 13;
};

} // namespace

CAlarmEventDlg::CAlarmEventDlg(FileStore& rFiles, PlayEvent playEvent, bool bFileExisted, QWidget* pParent)
    : QDialog(pParent), m_rFiles(rFiles), m_playEvent(std::move(playEvent))
{
    setWindowTitle(QString::fromLatin1(kCaption));
    setModal(true);
    QFont font(QString::fromLatin1(kFontFamily));
    font.setPointSize(kFontPoints);
    setFont(font);
    const DialogUnits dlu(font);
    setFixedSize(dlu.X(kSizeDlu.width()), dlu.Y(kSizeDlu.height()));

    m_pList = new QTableWidget(0, kColumns, this);
    m_pList->setObjectName(QString::number(IDC_EVENT_LOG_LIST));
    m_pList->setGeometry(dlu.Rect(7, 7, 277, 206));
    m_pList->setHorizontalHeaderLabels({QStringLiteral("Channel"), QStringLiteral("Alarm Type"), QStringLiteral("Date/Time")});
    m_pList->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    m_pList->horizontalHeader()->setHighlightSections(false);
    m_pList->verticalHeader()->hide();
    m_pList->setShowGrid(true);
    m_pList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pList->setWordWrap(false);
    m_pList->setVerticalScrollMode(QAbstractItemView::ScrollPerItem); // the scroll value is the top row
    connect(m_pList, &QTableWidget::cellDoubleClicked, this, [this](int nRow, int) { OnDoubleClick(nRow); });
    ApplyColumnWidths();

    m_pOk = new QPushButton(QStringLiteral("OK"), this);
    m_pOk->setObjectName(QString::number(IDC_EVENT_LOG_OK));
    m_pOk->setGeometry(dlu.Rect(120, 222, 50, 14));
    m_pOk->setDefault(true);
    connect(m_pOk, &QPushButton::clicked, this, &QDialog::accept);

    if (bFileExisted)
        LoadList();
}

CAlarmEventDlg::~CAlarmEventDlg() = default;

std::array<int, 3> CAlarmEventDlg::ColumnWidths(int nListWidth)
{
    const int w = nListWidth - 6;
    return {w / 20 * 4, w / 20 * 7, w / 20 * 9};
}

void CAlarmEventDlg::ApplyColumnWidths()
{
    const std::array<int, 3> widths = ColumnWidths(m_pList->width());
    for (int i = 0; i < kColumns; ++i)
        m_pList->setColumnWidth(i, widths[static_cast<size_t>(i)]);
}

void CAlarmEventDlg::LoadList()
{
    // Where the operator was: the selected record and how far down the view it sat.
    std::optional<AlarmEventRow> selected;
    int nSelectedRow = -1;
    const int nOldScroll = m_pList->verticalScrollBar()->value();
    const QList<QTableWidgetItem*> items = m_pList->selectedItems();
    if (!items.isEmpty()) {
        nSelectedRow = items.first()->row();
        if (nSelectedRow >= 0 && static_cast<size_t>(nSelectedRow) < m_rows.size())
            selected = m_rows[static_cast<size_t>(nSelectedRow)];
    }

    m_rows = AlarmEventLog::Load(m_rFiles);
    m_pList->clearSelection();
    m_pList->setRowCount(0);
    m_pList->setRowCount(static_cast<int>(m_rows.size()));
    int nNewRow = -1;
    for (size_t i = 0; i < m_rows.size(); ++i) {
        const AlarmEventRow& row = m_rows[i];
        const int nRow = static_cast<int>(i);
        const QString texts[kColumns] = {QString::fromStdString(row.strChannel), QString::fromStdString(row.strType),
                                         QString::fromStdString(row.strDateTime)};
        for (int c = 0; c < kColumns; ++c) {
            auto* pItem = new QTableWidgetItem(texts[c]);
            pItem->setTextAlignment(Qt::AlignCenter);
            if (c == 0) {
                pItem->setData(kPackedTimeRole, static_cast<uint>(row.dwPackedTime));
                pItem->setData(kPackableRole, row.bTimePackable);
            }
            m_pList->setItem(nRow, c, pItem);
        }
        // The same record: same contents, preferably at the same place in the file (a log
        // may hold two equal records).
        if (selected && row.byChannel == selected->byChannel && row.byEvents == selected->byEvents
            && row.strDateTime == selected->strDateTime
            && (nNewRow < 0 || row.nRecord == selected->nRecord))
            nNewRow = nRow;
    }

    if (nNewRow >= 0) {
        m_pList->selectRow(nNewRow);
        m_pList->verticalScrollBar()->setValue(nOldScroll + (nNewRow - nSelectedRow));
    } else {
        m_pList->verticalScrollBar()->setValue(nOldScroll);
    }
}

void CAlarmEventDlg::OnDoubleClick(int nRow)
{
    if (!m_playEvent || nRow < 0 || nRow >= m_pList->rowCount())
        return;
    const QTableWidgetItem* pItem = m_pList->item(nRow, 0);
    if (!pItem)
        return;
    const int nChannel = AlarmEventLog::PlayChannelOf(pItem->text().toStdString());
    // A year the packed time cannot hold would play another year.
    if (nChannel < 0 || !pItem->data(kPackableRole).toBool())
        return;
    m_playEvent(pItem->data(kPackedTimeRole).toUInt(), nChannel);
}

} // namespace ostrel
