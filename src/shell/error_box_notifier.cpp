#include "shell/error_box_notifier.h"

#include <QMessageBox>

namespace ostrel {

void ErrorBoxNotifier::ShowMessage(const std::string& strText, const std::string& strTitle)
{
    QMessageBox::critical(nullptr, QString::fromStdString(strTitle), QString::fromStdString(strText));
}

void ErrorBoxNotifier::ShowNotice(const std::string& strText)
{
    auto* pBox = new QMessageBox(QMessageBox::Critical, QString(), QString::fromStdString(strText), QMessageBox::Ok);
    pBox->setAttribute(Qt::WA_DeleteOnClose);
    pBox->open();
}

} // namespace ostrel
