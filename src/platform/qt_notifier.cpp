#include "platform/qt_notifier.h"

#include <QMessageBox>

namespace ostrel {

void QtNotifier::ShowMessage(const std::string& strText, const std::string& strTitle)
{
    QMessageBox::information(m_pParent, QString::fromStdString(strTitle),
                             QString::fromStdString(strText));
}

void QtNotifier::ShowNotice(const std::string& strText)
{
    QPointer<QMessageBox>& pBox = m_openNotices[strText];
    if (pBox)
        return;
    pBox = new QMessageBox(QMessageBox::Information, QString(), QString::fromStdString(strText),
                           QMessageBox::Ok, m_pParent);
    pBox->setAttribute(Qt::WA_DeleteOnClose);
    pBox->open();
}

} // namespace ostrel
