#pragma once

#include "config/ip_history_book.h"

#include <QDialog>

#include <string>

class QPushButton;
class QTreeWidget;

namespace ostrel {

class FileStore;
class Notifier;

// "IP/PORT HISTORY TABLE": the address book as a list of Name, IP and Port. A click chooses a
// row, OK (or a double-click on a row) returns it, "Delete" removes the chosen entry from the
// book. Without a book it starts one with the default entry. After OK the caller reads
// SelectedName, SelectedIp and SelectedPort ("8000" for an entry without a port).
class CIpHistoryDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "IP/PORT HISTORY TABLE";
    static constexpr const char* kSelectMessage = "Please Select IP/PORT";
    static constexpr int kColumnWidth = 100;

    CIpHistoryDlg(const std::string& strWorkDir, FileStore& rFiles, Notifier& rNotifier, QWidget* pParent = nullptr);

    // The rows again from the book (creating it when missing); the choice is cleared.
    void FillList();

    // A click at a row of the list, -1 for empty space: that row's texts become the choice.
    void OnListClick(int nRow);
    // A double-click: on a row, or anywhere in an empty list, close with that row (empty texts
    // without one); nothing on empty space of a non-empty list.
    void OnListDoubleClick(int nRow);
    void OnDelete();
    void OnOK();
    void accept() override { OnOK(); }

    const std::string& SelectedName() const { return m_strSelName; }
    const std::string& SelectedIp() const { return m_strSelIp; }
    const std::string& SelectedPort() const { return m_strSelPort; }
    bool IsSelected() const { return m_bSelected; }
    int RowCount() const { return m_nRowCount; }
    QTreeWidget* List() const { return m_pList; }
    QPushButton* DeleteButton() const { return m_pDelete; }

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    void TakeRow(int nRow);
    void CloseWithChoice();

    IpHistoryBook m_book;
    Notifier& m_rNotifier;
    QTreeWidget* m_pList = nullptr;
    QPushButton* m_pDelete = nullptr;
    int m_nRowCount = 0;
    std::string m_strSelName;
    std::string m_strSelIp;
    std::string m_strSelPort;
    bool m_bSelected = false;
};

} // namespace ostrel
