#include "config/ip_history_dlg.h"

#include "platform/notifier.h"
#include "session/view_settings.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace ostrel {

CIpHistoryDlg::CIpHistoryDlg(const std::string& strWorkDir, FileStore& rFiles, Notifier& rNotifier, QWidget* pParent)
    : QDialog(pParent), m_book(strWorkDir, rFiles), m_rNotifier(rNotifier)
{
    setWindowTitle(QString::fromLatin1(kTitle));
    setObjectName(QStringLiteral("ipHistoryDialog"));

    m_pList = new QTreeWidget(this);
    m_pList->setColumnCount(3);
    m_pList->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("IP"), QStringLiteral("Port")});
    m_pList->setRootIsDecorated(false);
    m_pList->setUniformRowHeights(true);
    m_pList->setAllColumnsShowFocus(true);
    m_pList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pList->header()->setStretchLastSection(false);
    m_pList->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    for (int nColumn = 0; nColumn < 3; ++nColumn)
        m_pList->setColumnWidth(nColumn, kColumnWidth);
    m_pList->setMinimumWidth(3 * kColumnWidth + 2 * m_pList->frameWidth() + 24);
    m_pList->viewport()->installEventFilter(this);
    // Arrow keys choose a row as a click does (the focus alone selects nothing).
    connect(m_pList, &QTreeWidget::itemSelectionChanged, this, [this] {
        const QList<QTreeWidgetItem*> selected = m_pList->selectedItems();
        if (!selected.isEmpty())
            OnListClick(m_pList->indexOfTopLevelItem(selected.front()));
    });

    auto* pButtons = new QDialogButtonBox(this);
    QPushButton* pOk = pButtons->addButton(QDialogButtonBox::Ok);
    m_pDelete = pButtons->addButton(QStringLiteral("Delete"), QDialogButtonBox::ActionRole);
    m_pDelete->setAutoDefault(false);
    pOk->setDefault(true);
    connect(pOk, &QPushButton::clicked, this, &CIpHistoryDlg::OnOK);
    connect(m_pDelete, &QPushButton::clicked, this, &CIpHistoryDlg::OnDelete);
    // Cancel has no button: Escape closes without a choice.

    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(m_pList);
    pLayout->addWidget(pButtons);

    FillList();
    m_pList->setFocus();
}

void CIpHistoryDlg::FillList()
{
    m_nRowCount = 0;
    IpHistoryBook::Result result = IpHistoryBook::Result::Ok;
    const std::vector<IpHistoryEntry> entries = m_book.LoadOrCreate(kDefaultHostAddress, &result);
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(entries.size()));
    for (const IpHistoryEntry& entry : entries)
        items.append(new QTreeWidgetItem(QStringList{QString::fromStdString(entry.strName),
                                                     QString::fromStdString(entry.strIp),
                                                     QString::fromStdString(entry.strPort)}));
    {
        const QSignalBlocker block(m_pList);
        m_pList->clear();
        m_pList->addTopLevelItems(items);
        m_pList->setCurrentItem(nullptr);
    }
    m_nRowCount = static_cast<int>(entries.size());
    if (result == IpHistoryBook::Result::Failed)
        m_rNotifier.ShowMessage(HistoryMessage(result), kTitle);
}

void CIpHistoryDlg::TakeRow(int nRow)
{
    const QTreeWidgetItem* pItem = nRow >= 0 ? m_pList->topLevelItem(nRow) : nullptr;
    m_strSelName = pItem ? pItem->text(0).toStdString() : std::string();
    m_strSelIp = pItem ? pItem->text(1).toStdString() : std::string();
    m_strSelPort = pItem ? pItem->text(2).toStdString() : std::string();
}

void CIpHistoryDlg::OnListClick(int nRow)
{
    TakeRow(nRow);
    m_bSelected = true;
}

void CIpHistoryDlg::OnListDoubleClick(int nRow)
{
    if (m_nRowCount > 0 && nRow < 0)
        return;
    TakeRow(nRow);
    CloseWithChoice();
}

void CIpHistoryDlg::OnDelete()
{
    if (m_bSelected) {
        const IpHistoryBook::Result result = m_book.DeleteHistoryEntry(m_strSelName);
        const std::string strRefused = HistoryMessage(result);
        if (!strRefused.empty())
            m_rNotifier.ShowMessage(strRefused, kTitle);
    }
    FillList();
    TakeRow(-1);
    m_bSelected = false;
}

void CIpHistoryDlg::OnOK()
{
    if (!m_bSelected && m_nRowCount > 0) {
        m_rNotifier.ShowMessage(kSelectMessage, kTitle);
        return;
    }
    CloseWithChoice();
}

void CIpHistoryDlg::CloseWithChoice()
{
    if (m_strSelPort.empty())
        m_strSelPort = IpHistoryBook::kDefaultPort;
    QDialog::accept();
}

bool CIpHistoryDlg::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    if (pWatched == m_pList->viewport()
        && (pEvent->type() == QEvent::MouseButtonRelease || pEvent->type() == QEvent::MouseButtonDblClick)) {
        const auto* pMouse = static_cast<QMouseEvent*>(pEvent);
        if (pMouse->button() == Qt::LeftButton) {
            const QModelIndex index = m_pList->indexAt(pMouse->position().toPoint());
            const int nRow = index.isValid() ? index.row() : -1;
            if (pEvent->type() == QEvent::MouseButtonRelease)
                OnListClick(nRow);
            else
                OnListDoubleClick(nRow);
        }
    }
    return QDialog::eventFilter(pWatched, pEvent);
}

} // namespace ostrel
