#pragma once

#include "config/ip_history_book.h"

#include <QDialog>

#include <optional>
#include <vector>

class QLabel;
class QLineEdit;
class QTreeWidget;

namespace ostrel {

// "SITES": the address book's entries (name, address, port), to switch recorder in one step.
// Typing filters
// the list (the name holds what is typed); Up and Down move the choice, Enter or a double-click
// takes it, Escape closes. The book itself is only read.
class CSiteListDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "SITES";
    static constexpr const char* kEmptyText = "No sites yet: add recorders with SETUP, IP Load.";
    static constexpr const char* kNoMatchText = "No site's name holds this text.";

    explicit CSiteListDlg(std::vector<IpHistoryEntry> entries, QWidget* pParent = nullptr);

    // The entry Enter took; empty before, or when the dialog was closed.
    const std::optional<IpHistoryEntry>& Chosen() const { return m_chosen; }
    // The rows shown now, in order.
    const std::vector<IpHistoryEntry>& Shown() const { return m_shown; }
    QLineEdit* FilterEdit() const { return m_pFilter; }
    QTreeWidget* List() const { return m_pList; }

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    void Refill();
    void TakeCurrent();

    std::vector<IpHistoryEntry> m_entries;
    std::vector<IpHistoryEntry> m_shown;
    std::optional<IpHistoryEntry> m_chosen;
    QLineEdit* m_pFilter = nullptr;
    QTreeWidget* m_pList = nullptr; // Name, Address, Port
    QLabel* m_pHint = nullptr;
};

} // namespace ostrel
