// The "Configurations" dialog offscreen: what each control shows from the settings, what OK
// writes back (and into the address book), what Cancel and the refusals leave alone.
#include "config/config_connections.h"
#include "config/config_dialog.h"
#include "config/ip_history_dlg.h"
#include "config_fixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

#include <cstring>
#include <memory>

using namespace ostrel;
using namespace ostrel::test;

namespace {

QStringList Items(const QComboBox* pList)
{
    QStringList items;
    for (int i = 0; i < pList->count(); ++i)
        items << pList->itemText(i);
    return items;
}

std::string Text(const QLineEdit* pEdit)
{
    return pEdit->text().toStdString();
}

bool SameSettings(const ViewSettings& a, const ViewSettings& b)
{
    return a.szUserId == b.szUserId && a.szPassword == b.szPassword && a.szHostAddress == b.szHostAddress
        && a.szRecordPath == b.szRecordPath && a.nHostPort == b.nHostPort && a.byRotateInterval == b.byRotateInterval
        && a.byReconnectCount == b.byReconnectCount && a.byRequestSpeed == b.byRequestSpeed
        && a.byPtzType == b.byPtzType && a.bUseFullScreen == b.bUseFullScreen && a.bUseAlertMode == b.bUseAlertMode
        && a.byRecordInterval == b.byRecordInterval && a.byDateShow == b.byDateShow
        && a.szPtzFilePath == b.szPtzFilePath && a.szIpLabel == b.szIpLabel;
}

class ConfigDialogTest : public ConfigFolderTest {
protected:
    void SetUp() override
    {
        ConfigFolderTest::SetUp();
        SetText(s.szUserId, "operator");
        SetText(s.szPassword, "secret");
        SetText(s.szHostAddress, "10.20.30.40");
        SetText(s.szRecordPath, "/rec/path");
        s.nHostPort = 9000;
        s.byRotateInterval = 5;
        s.byReconnectCount = 0;
        s.byRequestSpeed = 6;
        s.byPtzType = 2;
        s.bUseFullScreen = 1;
        s.bUseAlertMode = 0;
        s.byRecordInterval = 12;
        s.byDateShow = 0;
        s.byAviCodec = 1;
        SetText(s.szPtzFilePath, "/w/PTZ/user_command.tl");
        SetText(s.szIpLabel, "Depot");
    }
    CConfigDialog& Make()
    {
        pDlg = std::make_unique<CConfigDialog>(ConfigServices{s, Dir(), notifier, files, chooser});
        pDlg->show();
        return *pDlg;
    }
    CConfigConnections& Page() { return pDlg->Page(); }
    void PressOk() { QTest::mouseClick(pDlg->Buttons()->button(QDialogButtonBox::Ok), Qt::LeftButton); }
    // Every control moved away from what SetUp stored.
    void ChangeEveryField()
    {
        CConfigConnections& p = Page();
        p.NameEdit()->setText("Yard");
        p.AddressEdit()->setText("10.1.2.3");
        p.PortEdit()->setText("8100");
        p.UserIdEdit()->setText("u2");
        p.PasswordEdit()->setText("p2");
        p.PtzTypeList()->setCurrentIndex(4);
        p.RotateIntervalList()->setCurrentIndex(0);
        p.ScanRateList()->setCurrentIndex(0);
        p.ReconnectCountList()->setCurrentIndex(4);
        p.FullScreenCheck()->setChecked(false);
        p.ReceiveEventCheck()->setChecked(true);
        p.RecordPathEdit()->setText("/other");
        p.RecordIntervalList()->setCurrentIndex(1);
        p.DateShowCheck()->setChecked(true);
        p.AviCodecList()->setCurrentIndex(0);
    }

    ViewSettings s{};
    std::unique_ptr<CConfigDialog> pDlg;
};

} // namespace

TEST_F(ConfigDialogTest, EveryControlShowsItsSetting)
{
    Make();
    CConfigConnections& p = Page();
    EXPECT_EQ("Depot", Text(p.NameEdit()));
    EXPECT_EQ("10.20.30.40", Text(p.AddressEdit()));
    EXPECT_EQ("9000", Text(p.PortEdit()));
    EXPECT_EQ("operator", Text(p.UserIdEdit()));
    EXPECT_EQ("secret", Text(p.PasswordEdit()));
    EXPECT_EQ(QLineEdit::Password, p.PasswordEdit()->echoMode());
    EXPECT_EQ("SCC641", p.PtzTypeList()->currentText());
    EXPECT_EQ("10 SEC", p.RotateIntervalList()->currentText());
    EXPECT_EQ("64X", p.ScanRateList()->currentText());
    EXPECT_EQ("1", p.ReconnectCountList()->currentText());
    EXPECT_EQ("60SEC", p.RecordIntervalList()->currentText());
    EXPECT_TRUE(p.FullScreenCheck()->isChecked());
    EXPECT_FALSE(p.ReceiveEventCheck()->isChecked());
    EXPECT_EQ("/rec/path", Text(p.RecordPathEdit()));
    EXPECT_FALSE(p.DateShowCheck()->isChecked());
    EXPECT_EQ("Motion JPEG", p.AviCodecList()->currentText());
}

TEST_F(ConfigDialogTest, OkWritesEveryControlBackAndRecordsTheEntry)
{
    Make();
    ChangeEveryField();
    PressOk();
    EXPECT_EQ(QDialog::Accepted, pDlg->result());
    EXPECT_FALSE(pDlg->isVisible());
    EXPECT_EQ("Yard", GetText(s.szIpLabel));
    EXPECT_EQ("10.1.2.3", GetText(s.szHostAddress));
    EXPECT_EQ(8100, s.nHostPort);
    EXPECT_EQ("u2", GetText(s.szUserId));
    EXPECT_EQ("p2", GetText(s.szPassword));
    EXPECT_EQ(4, s.byPtzType);
    EXPECT_EQ(0, s.byRotateInterval);
    EXPECT_EQ(0, s.byRequestSpeed);
    EXPECT_EQ(4, s.byReconnectCount);
    EXPECT_EQ(0, s.bUseFullScreen);
    EXPECT_EQ(1, s.bUseAlertMode);
    EXPECT_EQ("/other", GetText(s.szRecordPath));
    EXPECT_EQ(1, s.byRecordInterval);
    EXPECT_EQ(1, s.byDateShow);
    EXPECT_EQ(0, s.byAviCodec);
    EXPECT_EQ("/w/PTZ/user_command.tl", GetText(s.szPtzFilePath)); // not the page's
    EXPECT_EQ("[Yard]\nIP=10.1.2.3\nPORT=8100\n", ReadIni());
    EXPECT_TRUE(notifier.messages.empty());
}

TEST_F(ConfigDialogTest, TheDialogCarriesOnePageWithTheListedTextsAndEntries)
{
    Make();
    EXPECT_EQ("Configurations", pDlg->windowTitle());
    ASSERT_EQ(1, pDlg->Sheet()->count());
    EXPECT_EQ("Connections", pDlg->Sheet()->tabText(0));
    CConfigConnections& p = Page();
    EXPECT_EQ(QStringList({"PELCOD", "PELCOP", "SCC641", "HMC250", "HID2404", "DSC_230S"}), Items(p.PtzTypeList()));
    EXPECT_EQ(QStringList({"01 SEC", "02 SEC", "03 SEC", "04 SEC", "05 SEC", "10 SEC"}), Items(p.RotateIntervalList()));
    EXPECT_EQ(QStringList({"1X", "2X", "4X", "8X", "16X", "32X", "64X"}), Items(p.ScanRateList()));
    EXPECT_EQ(QStringList({"1", "2", "3", "4", "5"}), Items(p.ReconnectCountList()));
    EXPECT_EQ(QStringList({"03SEC", "05SEC", "10SEC", "15SEC", "20SEC", "25SEC", "30SEC", "35SEC", "40SEC", "45SEC",
                           "50SEC", "55SEC", "60SEC"}),
              Items(p.RecordIntervalList()));
    EXPECT_EQ(QStringList({"Uncompressed", "Motion JPEG"}), Items(p.AviCodecList()));

    QStringList labels;
    for (const QLabel* pLabel : p.findChildren<QLabel*>())
        labels << pLabel->text();
    labels.sort();
    EXPECT_EQ(QStringList({"Avi Codec", "Circula Monitoring Interval", "IP Address :", "Name :", "PT Types", "Password :",
                           "Port :", "Reconnecting Count", "Scan Rate", "Set Path to Save Recored Images",
                           "Set Record Interval", "User ID :"}),
              labels);
    QStringList groups;
    for (const QGroupBox* pGroup : p.findChildren<QGroupBox*>())
        groups << pGroup->title();
    EXPECT_EQ(QStringList({"CONNECTION", "OPTION", "SAVE OPTION"}), groups);
    EXPECT_EQ("IP Load", p.IpLoadButton()->text());
    EXPECT_EQ("Browse..", p.BrowseButton()->text());
    EXPECT_EQ("Run in Full Screen Mode", p.FullScreenCheck()->text());
    EXPECT_EQ("Receive Event", p.ReceiveEventCheck()->text());
    EXPECT_EQ("Display Date ", p.DateShowCheck()->text());
}

TEST_F(ConfigDialogTest, CancelAfterChangingEverythingLeavesEverySetting)
{
    const ViewSettings before = s;
    Make();
    ChangeEveryField();
    QTest::keyClick(pDlg.get(), Qt::Key_Escape);
    EXPECT_EQ(QDialog::Rejected, pDlg->result());
    EXPECT_FALSE(pDlg->isVisible());
    EXPECT_TRUE(SameSettings(before, s));
    EXPECT_FALSE(IniExists());
}

TEST_F(ConfigDialogTest, Hmc250StoresType3WhoseCommandFileIsHmc250)
{
    Make();
    Page().PtzTypeList()->setCurrentIndex(Page().PtzTypeList()->findText("HMC250"));
    PressOk();
    EXPECT_EQ(3, s.byPtzType);
    EXPECT_EQ(Dir() + "/PTZ/hmc250.tl", pDlg->GetPtzFilePath(s.byPtzType));
    EXPECT_EQ("", pDlg->GetPtzFilePath(6));
}

TEST_F(ConfigDialogTest, AnEmptyLabelShowsUntitleAndAnEmptyNameIsRecordedAsUntitle)
{
    SetText(s.szIpLabel, "");
    Make();
    EXPECT_EQ("UNTITLE", Text(Page().NameEdit()));
    Page().NameEdit()->clear();
    PressOk();
    EXPECT_EQ(QDialog::Accepted, pDlg->result());
    EXPECT_EQ("[UNTITLE]\nIP=10.20.30.40\nPORT=9000\n", ReadIni());
}

TEST_F(ConfigDialogTest, AZeroAddressShowsTheSubstituteAndLabelsKeep64Bytes)
{
    SetText(s.szHostAddress, "0.0.0.0");
    Make();
    EXPECT_EQ("192.168.0.100", Text(Page().AddressEdit()));
    EXPECT_NE(std::string(kDefaultHostAddress), Text(Page().AddressEdit()));

    pDlg->SetIpLabel(std::string(70, 'x'));
    EXPECT_EQ(std::string(64, 'x'), GetText(s.szIpLabel));
    pDlg->SetConnection(std::string(40, '1'), 1, std::string(80, 'u'), std::string(40, 'p'), 0);
    EXPECT_EQ(31u, GetText(s.szHostAddress).size());
    EXPECT_EQ(63u, GetText(s.szUserId).size());
    EXPECT_EQ(31u, GetText(s.szPassword).size());
}

TEST_F(ConfigDialogTest, AnEmptyOrZeroAddressKeepsTheDialogOpenWithTheValuesApplied)
{
    for (const char* pAddress : {"", "0.0.0.0"}) {
        notifier.messages.clear();
        Make();
        Page().AddressEdit()->setText(pAddress);
        Page().PortEdit()->setText("8100");
        PressOk();
        EXPECT_EQ(std::vector<std::string>{"Configurations: Please Input correct IP/PORT or Press [IP Load] button."},
                  notifier.messages)
            << pAddress;
        EXPECT_TRUE(pDlg->isVisible()) << pAddress;
        EXPECT_EQ(pAddress, GetText(s.szHostAddress));
        EXPECT_EQ(8100, s.nHostPort);
        // Cancel now keeps what the refused OK applied.
        pDlg->reject();
        EXPECT_EQ(8100, s.nHostPort);
        EXPECT_FALSE(IniExists());
        s.nHostPort = 9000;
    }
}

TEST_F(ConfigDialogTest, PortsFrom1To65535PassAndOthersApplyNothing)
{
    struct Case {
        const char* pPort;
        bool bAccepted;
    };
    for (const Case c : {Case{"1", true}, Case{"65535", true}, Case{"0", false}, Case{"65536", false},
                         Case{"", false}, Case{"99999999999", false}}) {
        notifier.messages.clear();
        s.nHostPort = 9000;
        SetText(s.szUserId, "operator");
        Make();
        Page().PortEdit()->setText(c.pPort);
        Page().UserIdEdit()->setText("changed");
        PressOk();
        EXPECT_EQ(c.bAccepted, !pDlg->isVisible()) << c.pPort;
        if (c.bAccepted) {
            EXPECT_EQ(std::atoi(c.pPort), s.nHostPort);
            EXPECT_TRUE(notifier.messages.empty());
            continue;
        }
        EXPECT_EQ(std::vector<std::string>{"Configurations: Please enter an integer between 1 and 65535."},
                  notifier.messages)
            << c.pPort;
        EXPECT_EQ(9000, s.nHostPort);
        EXPECT_EQ("operator", GetText(s.szUserId)) << "nothing is applied";
    }
}

TEST_F(ConfigDialogTest, TheFieldsTakeOnlyWhatTheyCanHold)
{
    Make();
    Page().PortEdit()->clear();
    QTest::keyClicks(Page().PortEdit(), "8a0-8");
    EXPECT_EQ("808", Text(Page().PortEdit()));

    Page().AddressEdit()->clear();
    QTest::keyClicks(Page().AddressEdit(), "192.168.1.300x");
    EXPECT_EQ("192.168.1.30", Text(Page().AddressEdit()));

    Page().NameEdit()->clear();
    QTest::keyClicks(Page().NameEdit(), "Gate]2");
    EXPECT_EQ("Gate2", Text(Page().NameEdit()));

    // An address left half typed is refused like a bad port: the message, nothing applied.
    Page().AddressEdit()->setText("10.0.0");
    PressOk();
    EXPECT_TRUE(pDlg->isVisible());
    EXPECT_EQ("10.20.30.40", GetText(s.szHostAddress));
    EXPECT_EQ(1u, notifier.messages.size());
}

TEST_F(ConfigDialogTest, BrowseTakesTheChosenFolderAndACancelKeepsTheOldOne)
{
    Make();
    chooser.answer = "/media/disk/records";
    QTest::mouseClick(Page().BrowseButton(), Qt::LeftButton);
    EXPECT_EQ(std::vector<std::string>{"/rec/path"}, chooser.starts);
    EXPECT_EQ("/media/disk/records", Text(Page().RecordPathEdit()));

    chooser.answer.reset();
    Page().OnBrowse();
    EXPECT_EQ("/media/disk/records", Text(Page().RecordPathEdit()));

    chooser.answer = "/" + std::string(300, 'd');
    Page().OnBrowse();
    EXPECT_EQ("/media/disk/records", Text(Page().RecordPathEdit()));
    EXPECT_EQ(1u, notifier.messages.size());
}

TEST_F(ConfigDialogTest, TheKeyboardReachesEveryControlAndEnterIsOk)
{
    Make();
    CConfigConnections& p = Page();
    const std::vector<QWidget*> expected = {p.NameEdit(),         p.IpLoadButton(),     p.AddressEdit(),
                                            p.PortEdit(),         p.UserIdEdit(),       p.PasswordEdit(),
                                            p.PtzTypeList(),      p.RotateIntervalList(), p.ScanRateList(),
                                            p.ReconnectCountList(), p.FullScreenCheck(), p.ReceiveEventCheck(),
                                            p.RecordPathEdit(),   p.BrowseButton(),     p.RecordIntervalList(),
                                            p.AviCodecList(),     p.DateShowCheck(),    pDlg->Buttons()->button(QDialogButtonBox::Ok),
                                            pDlg->Buttons()->button(QDialogButtonBox::Cancel)};
    QApplication::setActiveWindow(pDlg.get());
    p.NameEdit()->setFocus();
    ASSERT_EQ(p.NameEdit(), QApplication::focusWidget());
    for (size_t i = 1; i < expected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(expected[i], QApplication::focusWidget()) << "step " << i;
    }

    p.NameEdit()->setFocus();
    QTest::keyClick(p.NameEdit(), Qt::Key_Return);
    EXPECT_EQ(QDialog::Accepted, pDlg->result());
}

TEST_F(ConfigDialogTest, IpLoadWithPort0OpensTheBookWithoutRecordingTheEntry)
{
    Make();
    Page().PortEdit()->setText("0");
    std::vector<std::string> names;
    WhenModal<CIpHistoryDlg>([&](CIpHistoryDlg& history) {
        for (int i = 0; i < history.List()->topLevelItemCount(); ++i)
            names.push_back(history.List()->topLevelItem(i)->text(0).toStdString());
        history.reject();
    });
    QTest::mouseClick(Page().IpLoadButton(), Qt::LeftButton);
    EXPECT_EQ(std::vector<std::string>{"INTRANET"}, names);
    EXPECT_EQ("[INTRANET]\nIP=192.168.1.100\nPORT=8000\n", ReadIni());
    EXPECT_EQ("Depot", Text(Page().NameEdit())) << "a cancelled book changes no field";
}

TEST_F(ConfigDialogTest, IpLoadRecordsTheEntryAndTheChosenRowFillsTheFields)
{
    WriteIni("[Lobby]\nIP=10.9.8.7\nPORT=\n");
    Make();
    std::vector<std::string> names;
    WhenModal<CIpHistoryDlg>([&](CIpHistoryDlg& history) {
        QTreeWidget* pList = history.List();
        for (int i = 0; i < pList->topLevelItemCount(); ++i)
            names.push_back(pList->topLevelItem(i)->text(0).toStdString());
        const QRect rc = pList->visualItemRect(pList->topLevelItem(0));
        QTest::mouseClick(pList->viewport(), Qt::LeftButton, {}, rc.center());
        QTest::mouseClick(history.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok), Qt::LeftButton);
    });
    QTest::mouseClick(Page().IpLoadButton(), Qt::LeftButton);
    EXPECT_EQ((std::vector<std::string>{"Lobby", "Depot"}), names);
    EXPECT_EQ("[Lobby]\nIP=10.9.8.7\nPORT=\n[Depot]\nIP=10.20.30.40\nPORT=9000\n", ReadIni());
    EXPECT_EQ("Lobby", Text(Page().NameEdit()));
    EXPECT_EQ("10.9.8.7", Text(Page().AddressEdit()));
    EXPECT_EQ("8000", Text(Page().PortEdit())); // an entry without a port
    EXPECT_EQ("Depot", GetText(s.szIpLabel)) << "the settings wait for OK";
}
