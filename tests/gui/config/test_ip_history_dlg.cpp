// The "IP/PORT HISTORY TABLE" offscreen: clicks, double-clicks, keys, OK and Delete over an
// address book on disk.
#include "config/ip_history_dlg.h"
#include "config_fixture.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTreeWidget>

using namespace ostrel;
using namespace ostrel::test;

namespace {

const char* const kThree = "[A]\nIP=10.0.0.1\nPORT=8001\n[B]\nIP=10.0.0.2\nPORT=\n[C]\nIP=10.0.0.3\nPORT=8003\n";

class HistoryDlgTest : public ConfigTest {
protected:
    void Make(const std::string& strBook = kThree)
    {
        WriteIni(strBook);
        pHistory = std::make_unique<CIpHistoryDlg>(Dir(), disk, notifier);
        pHistory->show();
    }
    QPoint RowCentre(int nRow) const { return pHistory->List()->visualItemRect(pHistory->List()->topLevelItem(nRow)).center(); }
    QPoint EmptySpace() const { return QPoint(10, pHistory->List()->viewport()->height() - 5); }
    void Click(QPoint pt) { QTest::mouseClick(pHistory->List()->viewport(), Qt::LeftButton, {}, pt); }
    void DoubleClick(QPoint pt) // as the window system delivers it: press, release, then the double
    {
        Click(pt);
        QTest::mouseDClick(pHistory->List()->viewport(), Qt::LeftButton, {}, pt);
    }
    void PressOk() { QTest::mouseClick(pHistory->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok), Qt::LeftButton); }
    std::vector<std::string> Rows() const
    {
        std::vector<std::string> rows;
        for (int i = 0; i < pHistory->List()->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* p = pHistory->List()->topLevelItem(i);
            rows.push_back((p->text(0) + "|" + p->text(1) + "|" + p->text(2)).toStdString());
        }
        return rows;
    }
    std::string Chosen() const { return pHistory->SelectedName() + "|" + pHistory->SelectedIp() + "|" + pHistory->SelectedPort(); }

    std::unique_ptr<CIpHistoryDlg> pHistory;
};

} // namespace

TEST_F(HistoryDlgTest, OkNeedsAChosenRowAndAnEmptyPortComesBackAs8000)
{
    Make();
    EXPECT_EQ((std::vector<std::string>{"A|10.0.0.1|8001", "B|10.0.0.2|", "C|10.0.0.3|8003"}), Rows());
    PressOk();
    EXPECT_EQ(std::vector<std::string>{"IP/PORT HISTORY TABLE: Please Select IP/PORT"}, notifier.messages);
    EXPECT_TRUE(pHistory->isVisible());
    Click(RowCentre(1));
    PressOk();
    EXPECT_EQ(QDialog::Accepted, pHistory->result());
    EXPECT_EQ("B|10.0.0.2|8000", Chosen());

    Make(); // a click on empty space chooses nothing but counts as a choice
    Click(RowCentre(0));
    Click(EmptySpace());
    PressOk();
    EXPECT_EQ(QDialog::Accepted, pHistory->result());
    EXPECT_EQ("||8000", Chosen());
}

TEST_F(HistoryDlgTest, DoubleClicksCloseOnARowOrOnAnEmptyList)
{
    Make();
    DoubleClick(EmptySpace());
    EXPECT_TRUE(pHistory->isVisible()) << "empty space of a list with rows does nothing";
    DoubleClick(RowCentre(2));
    EXPECT_FALSE(pHistory->isVisible());
    EXPECT_EQ("C|10.0.0.3|8003", Chosen());

    Make("");
    DoubleClick(EmptySpace());
    EXPECT_FALSE(pHistory->isVisible());
    EXPECT_EQ("||8000", Chosen());
    Make("");
    PressOk();
    EXPECT_EQ(QDialog::Accepted, pHistory->result()) << "OK on an empty list needs no choice";
    EXPECT_TRUE(notifier.messages.empty());
}

TEST_F(HistoryDlgTest, ArrowKeysChooseARowForEnter)
{
    Make();
    QApplication::setActiveWindow(pHistory.get());
    pHistory->List()->setFocus();
    QTest::keyClick(pHistory->List(), Qt::Key_Down);
    QTest::keyClick(pHistory->List(), Qt::Key_Down);
    QTest::keyClick(pHistory->List(), Qt::Key_Return);
    EXPECT_EQ(QDialog::Accepted, pHistory->result());
    EXPECT_EQ("B", pHistory->SelectedName());
}

TEST_F(HistoryDlgTest, DeleteRemovesTheChosenEntryAndClearsTheChoice)
{
    Make();
    Click(RowCentre(1));
    QTest::mouseClick(pHistory->DeleteButton(), Qt::LeftButton);
    EXPECT_EQ((std::vector<std::string>{"A|10.0.0.1|8001", "C|10.0.0.3|8003"}), Rows());
    EXPECT_EQ("[A]\nIP=10.0.0.1\nPORT=8001\n[C]\nIP=10.0.0.3\nPORT=8003\n", ReadIni());
    EXPECT_FALSE(pHistory->IsSelected());
    PressOk();
    EXPECT_EQ(1u, notifier.messages.size()) << "the choice went with the deleted row";
    QTest::mouseClick(pHistory->DeleteButton(), Qt::LeftButton);
    EXPECT_EQ(2, pHistory->RowCount()) << "Delete without a choice deletes nothing";
}

TEST_F(HistoryDlgTest, ABookPastTheCapIsListedButNotRewritten)
{
    const std::string strBook = kThree + std::string(1024 * 1024, ';');
    Make(strBook);
    EXPECT_EQ(3, pHistory->RowCount());
    Click(RowCentre(0));
    QTest::mouseClick(pHistory->DeleteButton(), Qt::LeftButton);
    ASSERT_EQ(1u, notifier.messages.size());
    EXPECT_NE(std::string::npos, notifier.messages[0].find("larger than 1 MiB"));
    EXPECT_EQ(3, pHistory->RowCount());
    EXPECT_TRUE(ReadIni() == strBook);
}
