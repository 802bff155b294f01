#pragma once

#include "platform/notifier.h"

#include <QPointer>
#include <QWidget>

#include <map>

class QMessageBox;

namespace ostrel {

// Message boxes over a parent window. Notices are window-modal but do not block the event
// loop, and one text is on screen at most once.
class QtNotifier final : public Notifier {
public:
    explicit QtNotifier(QWidget* pParent = nullptr) : m_pParent(pParent) {}

    void SetParent(QWidget* pParent) { m_pParent = pParent; }
    void ShowMessage(const std::string& strText, const std::string& strTitle) override;
    void ShowNotice(const std::string& strText) override;

private:
    QPointer<QWidget> m_pParent;
    std::map<std::string, QPointer<QMessageBox>> m_openNotices; // by text
};

} // namespace ostrel
