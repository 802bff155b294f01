// The "IP/PORT HISTORY TABLE" offscreen: clicks, double-clicks, OK and Delete over a book on disk.
#include "config/ip_history_dlg.h"
#include "config_fixture.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <memory>

using namespace ostrel;
using namespace ostrel::test;

namespace {

class HistoryDlgTest : public ConfigFolderTest {
protected:
    CIpHistoryDlg& Make()
    {
        pDlg = std::make_unique<CIpHistoryDlg>(Dir(), files, notifier);
        pDlg->show();
        return *pDlg;
    }
    QPoint RowCentre(int nRow) const
    {
        return pDlg->List()->visualItemRect(pDlg->List()->topLevelItem(nRow)).center();
    }
    QPoint EmptySpace() const { return QPoint(10, pDlg->List()->viewport()->height() - 5); }
    void Click(QPoint pt) { QTest::mouseClick(pDlg->List()->viewport(), Qt::LeftButton, {}, pt); }
    void DoubleClick(QPoint pt)
    {
        // A double-click as the window system delivers it: press, release, then the double.
        Click(pt);
        QTest::mouseDClick(pDlg->List()->viewport(), Qt::LeftButton, {}, pt);
    }
    void PressOk() { QTest::mouseClick(pDlg->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok), Qt::LeftButton); }
    std::vector<std::string> Rows() const
    {
        std::vector<std::string> rows;
        for (int i = 0; i < pDlg->List()->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* p = pDlg->List()->topLevelItem(i);
            rows.push_back((p->text(0) + "|" + p->text(1) + "|" + p->text(2)).toStdString());
        }
        return rows;
    }

    std::unique_ptr<CIpHistoryDlg> pDlg;
};

const char* const kThree = "[A]\nIP=10.0.0.1\nPORT=8001\n[B]\nIP=10.0.0.2\nPORT=\n[C]\nIP=10.0.0.3\nPORT=8003\n";

} // namespace

TEST_F(HistoryDlgTest, TheListHasNameIpAndPortColumnsOf100Pixels)
{
    WriteIni(kThree);
    Make();
    EXPECT_EQ("IP/PORT HISTORY TABLE", pDlg->windowTitle());
    QTreeWidgetItem* pHeader = pDlg->List()->headerItem();
    EXPECT_EQ("Name", pHeader->text(0));
    EXPECT_EQ("IP", pHeader->text(1));
    EXPECT_EQ("Port", pHeader->text(2));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(100, pDlg->List()->columnWidth(i));
    EXPECT_EQ((std::vector<std::string>{"A|10.0.0.1|8001", "B|10.0.0.2|", "C|10.0.0.3|8003"}), Rows());
    EXPECT_EQ(3, pDlg->RowCount());
    EXPECT_EQ("Delete", pDlg->DeleteButton()->text());
}

TEST_F(HistoryDlgTest, OkNeedsAChosenRowAndAnEmptyPortComesBackAs8000)
{
    WriteIni(kThree);
    Make();
    PressOk();
    EXPECT_EQ(std::vector<std::string>{"IP/PORT HISTORY TABLE: Please Select IP/PORT"}, notifier.messages);
    EXPECT_TRUE(pDlg->isVisible());

    Click(RowCentre(1));
    EXPECT_TRUE(pDlg->IsSelected());
    PressOk();
    EXPECT_EQ(QDialog::Accepted, pDlg->result());
    EXPECT_EQ("B", pDlg->SelectedName());
    EXPECT_EQ("10.0.0.2", pDlg->SelectedIp());
    EXPECT_EQ("8000", pDlg->SelectedPort());
}

TEST_F(HistoryDlgTest, AClickOnEmptySpaceChoosesNothingButCountsAsAChoice)
{
    WriteIni(kThree);
    Make();
    Click(RowCentre(0));
    Click(EmptySpace());
    PressOk();
    EXPECT_EQ(QDialog::Accepted, pDlg->result());
    EXPECT_EQ("", pDlg->SelectedName());
    EXPECT_EQ("", pDlg->SelectedIp());
    EXPECT_EQ("8000", pDlg->SelectedPort());
}

TEST_F(HistoryDlgTest, DoubleClicksCloseOnARowOrOnAnEmptyList)
{
    WriteIni(kThree);
    Make();
    DoubleClick(EmptySpace());
    EXPECT_TRUE(pDlg->isVisible()) << "empty space of a list with rows does nothing";
    DoubleClick(RowCentre(2));
    EXPECT_FALSE(pDlg->isVisible());
    EXPECT_EQ("C", pDlg->SelectedName());
    EXPECT_EQ("8003", pDlg->SelectedPort());

    WriteIni("");
    Make();
    EXPECT_EQ(0, pDlg->RowCount());
    DoubleClick(EmptySpace());
    EXPECT_FALSE(pDlg->isVisible());
    EXPECT_EQ("", pDlg->SelectedName());
    EXPECT_EQ("8000", pDlg->SelectedPort());

    Make();
    PressOk();
    EXPECT_EQ(QDialog::Accepted, pDlg->result()) << "OK on an empty list needs no choice";
    EXPECT_TRUE(notifier.messages.empty());
}

TEST_F(HistoryDlgTest, DeleteRemovesTheChosenEntryAndClearsTheChoice)
{
    WriteIni(kThree);
    Make();
    Click(RowCentre(1));
    QTest::mouseClick(pDlg->DeleteButton(), Qt::LeftButton);
    EXPECT_EQ((std::vector<std::string>{"A|10.0.0.1|8001", "C|10.0.0.3|8003"}), Rows());
    EXPECT_EQ("[A]\nIP=10.0.0.1\nPORT=8001\n[C]\nIP=10.0.0.3\nPORT=8003\n", ReadIni());
    EXPECT_FALSE(pDlg->IsSelected());
    EXPECT_EQ("", pDlg->SelectedName());
    PressOk();
    EXPECT_EQ(1u, notifier.messages.size()) << "the choice went with the deleted row";

    // Delete without a choice deletes nothing.
    QTest::mouseClick(pDlg->DeleteButton(), Qt::LeftButton);
    EXPECT_EQ(2, pDlg->RowCount());
}

TEST_F(HistoryDlgTest, ABookPastTheCapIsListedButNotRewritten)
{
    std::string strBook = kThree;
    strBook += std::string(1024 * 1024, ';');
    WriteIni(strBook);
    Make();
    EXPECT_EQ(3, pDlg->RowCount());
    Click(RowCentre(0));
    QTest::mouseClick(pDlg->DeleteButton(), Qt::LeftButton);
    ASSERT_EQ(1u, notifier.messages.size());
    EXPECT_NE(std::string::npos, notifier.messages[0].find("larger than 1 MiB"));
    EXPECT_EQ(3, pDlg->RowCount());
    EXPECT_TRUE(ReadIni() == strBook);
}

TEST_F(HistoryDlgTest, ArrowKeysChooseARowForEnter)
{
    WriteIni(kThree);
    Make();
    QApplication::setActiveWindow(pDlg.get());
    pDlg->List()->setFocus();
    QTest::keyClick(pDlg->List(), Qt::Key_Down);
    QTest::keyClick(pDlg->List(), Qt::Key_Down);
    QTest::keyClick(pDlg->List(), Qt::Key_Return);
    EXPECT_EQ(QDialog::Accepted, pDlg->result());
    EXPECT_EQ("B", pDlg->SelectedName());
}
