#include "config/site_list_dlg.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace ostrel {

CSiteListDlg::CSiteListDlg(std::vector<IpHistoryEntry> entries, QWidget* pParent)
    : QDialog(pParent), m_entries(std::move(entries))
{
    setWindowTitle(QString::fromLatin1(kTitle));
    setModal(true);
    m_pFilter = new QLineEdit(this);
    m_pFilter->setPlaceholderText(QStringLiteral("Type a site's name"));
    m_pFilter->setClearButtonEnabled(true);
    m_pList = new QTreeWidget(this);
    m_pList->setColumnCount(3);
    m_pList->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Address"), QStringLiteral("Port")});
    m_pList->setRootIsDecorated(false);
    m_pList->setAllColumnsShowFocus(true);
    m_pList->setMinimumSize(420, 220);
    m_pHint = new QLabel(this);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(m_pFilter);
    pLayout->addWidget(m_pList, 1);
    pLayout->addWidget(m_pHint);

    // The typing stays in the filter; the arrow keys reach the list from there.
    m_pFilter->installEventFilter(this);
    connect(m_pFilter, &QLineEdit::textChanged, this, &CSiteListDlg::Refill);
    connect(m_pFilter, &QLineEdit::returnPressed, this, &CSiteListDlg::TakeCurrent);
    connect(m_pList, &QTreeWidget::itemActivated, this, &CSiteListDlg::TakeCurrent);
    Refill();
}

void CSiteListDlg::Refill()
{
    m_shown = FilterSites(m_entries, m_pFilter->text().toStdString());
    m_pList->clear();
    for (const IpHistoryEntry& entry : m_shown)
        new QTreeWidgetItem(m_pList, {QString::fromStdString(entry.strName), QString::fromStdString(entry.strIp),
                                      QString::fromUtf8(entry.PortOrDefault().data(),
                                                        static_cast<qsizetype>(entry.PortOrDefault().size()))});
    for (int nColumn = 0; nColumn < 2; ++nColumn) { // room between the columns
        m_pList->resizeColumnToContents(nColumn);
        m_pList->setColumnWidth(nColumn, std::max(m_pList->columnWidth(nColumn) + 24, 120));
    }
    if (!m_shown.empty())
        m_pList->setCurrentItem(m_pList->topLevelItem(0));
    m_pHint->setText(m_entries.empty() ? QString::fromLatin1(kEmptyText)
                     : m_shown.empty() ? QString::fromLatin1(kNoMatchText)
                                       : QStringLiteral("Enter connects, Esc closes"));
}

void CSiteListDlg::TakeCurrent()
{
    const int nRow = m_pList->indexOfTopLevelItem(m_pList->currentItem());
    if (nRow < 0 || static_cast<size_t>(nRow) >= m_shown.size())
        return;
    m_chosen = m_shown[static_cast<size_t>(nRow)];
    accept();
}

bool CSiteListDlg::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    if (pWatched == m_pFilter && pEvent->type() == QEvent::KeyPress) {
        const int nKey = static_cast<QKeyEvent*>(pEvent)->key();
        if (nKey == Qt::Key_Up || nKey == Qt::Key_Down || nKey == Qt::Key_PageUp || nKey == Qt::Key_PageDown) {
            QCoreApplication::sendEvent(m_pList, pEvent);
            return true;
        }
    }
    return QDialog::eventFilter(pWatched, pEvent);
}

} // namespace ostrel
