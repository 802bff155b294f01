#include "alarmlog/alarm_event_dlg.h"

#include "alarmlog/alarm_event_model.h"
#include "res/resource.h"

#include <QFont>
#include <QFontMetrics>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>

#include <optional>
#include <utility>

namespace ostrel {

namespace {

constexpr int kColumns = CAlarmEventModel::kColumns;

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

    m_pModel = new CAlarmEventModel(this);
    m_pList = new QTableView(this);
    m_pList->setModel(m_pModel);
    m_pList->setObjectName(QString::number(IDC_EVENT_LOG_LIST));
    m_pList->setGeometry(dlu.Rect(7, 7, 277, 206));
    m_pList->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    m_pList->horizontalHeader()->setHighlightSections(false);
    m_pList->verticalHeader()->hide();
    // Every row as high as the font: no row is measured, however many there are.
    m_pList->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_pList->verticalHeader()->setDefaultSectionSize(QFontMetrics(font).height() + 4);
    m_pList->setShowGrid(true);
    m_pList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pList->setWordWrap(false);
    m_pList->setVerticalScrollMode(QAbstractItemView::ScrollPerItem); // the scroll value is the top row
    connect(m_pList, &QTableView::doubleClicked, this, [this](const QModelIndex& index) { OnDoubleClick(index.row()); });
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

const std::vector<AlarmEventRow>& CAlarmEventDlg::Rows() const
{
    return m_pModel->Rows();
}

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
    const QModelIndexList picked = m_pList->selectionModel()->selectedRows();
    if (!picked.isEmpty()) {
        nSelectedRow = picked.first().row();
        if (nSelectedRow >= 0 && static_cast<size_t>(nSelectedRow) < Rows().size())
            selected = Rows()[static_cast<size_t>(nSelectedRow)];
    }

    std::vector<AlarmEventRow> rows = AlarmEventLog::Load(m_rFiles);
    int nNewRow = -1;
    for (size_t i = 0; selected && i < rows.size(); ++i) {
        const AlarmEventRow& row = rows[i];
        // The same record: same contents, preferably at the same place in the file (a log
        // may hold two equal records).
        if (row.SameEvent(*selected) && (nNewRow < 0 || row.nRecord == selected->nRecord))
            nNewRow = static_cast<int>(i);
    }
    m_pList->clearSelection();
    m_pModel->SetRows(std::move(rows));

    if (nNewRow >= 0) {
        m_pList->selectRow(nNewRow);
        m_pList->verticalScrollBar()->setValue(nOldScroll + (nNewRow - nSelectedRow));
    } else {
        m_pList->verticalScrollBar()->setValue(nOldScroll);
    }
}

void CAlarmEventDlg::OnDoubleClick(int nRow)
{
    if (!m_playEvent || nRow < 0 || static_cast<size_t>(nRow) >= Rows().size())
        return;
    const AlarmEventRow& row = Rows()[static_cast<size_t>(nRow)];
    const int nChannel = AlarmEventLog::PlayChannelOf(row.ChannelText());
    // A year the packed time cannot hold would play another year.
    if (nChannel < 0 || !row.bTimePackable)
        return;
    m_playEvent(row.dwPackedTime, nChannel);
}

} // namespace ostrel
