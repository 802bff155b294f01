// The "Configurations" dialog offscreen: what each control shows from the settings, what OK
// writes back (and into the address book), what Cancel and the refusals leave alone; and the
// view's settings button that opens it.
#include "config/config_connections.h"
#include "config/config_dialog.h"
#include "config/ip_history_dlg.h"
#include "config_fixture.h"
#include "fakes/fake_display_mode.h"
#include "widgets/bitmap_button.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTreeWidget>

#include <cstdlib>
#include <tuple>

using namespace ostrel;
using namespace ostrel::test;

namespace {

std::string Text(const QLineEdit* pEdit)
{
    return pEdit->text().toStdString();
}

auto Fields(const ViewSettings& v)
{
    return std::tie(v.szUserId, v.szPassword, v.szHostAddress, v.szRecordPath, v.nHostPort, v.byRotateInterval,
                    v.byReconnectCount, v.byRequestSpeed, v.byPtzType, v.bUseFullScreen, v.bUseAlertMode,
                    v.byRecordInterval, v.byDateShow, v.byAviCodec, v.szPtzFilePath, v.szIpLabel);
}

class ConfigDialogTest : public ConfigTest {
protected:
    void SetUp() override
    {
        ConfigTest::SetUp();
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
    CConfigConnections& Make()
    {
        pConfig = std::make_unique<CConfigDialog>(ConfigServices{s, Dir(), notifier, disk, chooser});
        pConfig->show();
        return pConfig->Page();
    }
    CConfigConnections& Page() { return pConfig->Page(); }
    void PressOk() { QTest::mouseClick(pConfig->Buttons()->button(QDialogButtonBox::Ok), Qt::LeftButton); }

    ViewSettings s{};
    std::unique_ptr<CConfigDialog> pConfig;
};

} // namespace

TEST_F(ConfigDialogTest, EveryControlShowsItsSetting)
{
    CConfigConnections& p = Make();
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

TEST_F(ConfigDialogTest, OkWritesEveryControlBackAndRecordsTheEntryAndCancelNothing)
{
    for (const bool bOk : {false, true}) {
        SCOPED_TRACE(bOk ? "OK" : "Escape");
        const ViewSettings before = s;
        CConfigConnections& p = Make();
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
        if (bOk)
            PressOk();
        else
            QTest::keyClick(pConfig.get(), Qt::Key_Escape);
        EXPECT_FALSE(pConfig->isVisible());
        if (!bOk) {
            EXPECT_EQ(QDialog::Rejected, pConfig->result());
            EXPECT_TRUE(Fields(before) == Fields(s)) << "every setting as it was";
            EXPECT_FALSE(IniExists());
            continue;
        }
        EXPECT_EQ(QDialog::Accepted, pConfig->result());
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
        EXPECT_EQ("/w/PTZ/user_command.tl", GetText(s.szPtzFilePath)) << "not the page's";
        EXPECT_EQ("[Yard]\nIP=10.1.2.3\nPORT=8100\n", ReadIni()) << "the ini folder made for the first entry";
        EXPECT_TRUE(notifier.messages.empty());
    }
}

TEST_F(ConfigDialogTest, EmptyLabelsAndZeroAddressesHaveTheirStandInsAndTextsAreCut)
{
    SetText(s.szIpLabel, "");
    SetText(s.szHostAddress, "0.0.0.0");
    Make();
    EXPECT_EQ("UNTITLE", Text(Page().NameEdit()));
    EXPECT_EQ("192.168.0.100", Text(Page().AddressEdit()));
    Page().NameEdit()->clear();
    PressOk();
    EXPECT_EQ(QDialog::Accepted, pConfig->result());
    EXPECT_EQ("[UNTITLE]\nIP=192.168.0.100\nPORT=9000\n", ReadIni());

    pConfig->SetIpLabel(std::string(70, 'x'));
    EXPECT_EQ(std::string(64, 'x'), GetText(s.szIpLabel));
    pConfig->SetConnection(std::string(40, '1'), 1, std::string(80, 'u'), std::string(40, 'p'), 0);
    EXPECT_EQ(31u, GetText(s.szHostAddress).size());
    EXPECT_EQ(63u, GetText(s.szUserId).size());
    EXPECT_EQ(31u, GetText(s.szPassword).size());
}

TEST_F(ConfigDialogTest, AnEmptyOrZeroAddressKeepsTheDialogOpenWithTheValuesApplied)
{
    for (const char* pAddress : {"", "0.0.0.0"}) {
        SCOPED_TRACE(pAddress);
        notifier.messages.clear();
        s.nHostPort = 9000;
        Make();
        Page().AddressEdit()->setText(pAddress);
        Page().PortEdit()->setText("8100");
        PressOk();
        EXPECT_EQ(std::vector<std::string>{"Configurations: Please Input correct IP/PORT or Press [IP Load] button."},
                  notifier.messages);
        EXPECT_TRUE(pConfig->isVisible());
        EXPECT_EQ(pAddress, GetText(s.szHostAddress));
        pConfig->reject();
        EXPECT_EQ(8100, s.nHostPort) << "Cancel keeps what the refused OK applied";
        EXPECT_FALSE(IniExists());
    }
}

TEST_F(ConfigDialogTest, PortsFrom1To65535PassAndOthersApplyNothing)
{
    const std::pair<const char*, bool> ports[] = {{"1", true},  {"65535", true}, {"0", false},
                                                  {"65536", false}, {"", false}, {"99999999999", false}};
    for (const auto& [pPort, bAccepted] : ports) {
        SCOPED_TRACE(pPort);
        notifier.messages.clear();
        s.nHostPort = 9000;
        SetText(s.szUserId, "operator");
        Make();
        Page().PortEdit()->setText(pPort);
        Page().UserIdEdit()->setText("changed");
        PressOk();
        EXPECT_EQ(bAccepted, !pConfig->isVisible());
        EXPECT_EQ(bAccepted ? std::atoi(pPort) : 9000, s.nHostPort);
        EXPECT_EQ(bAccepted ? "changed" : "operator", GetText(s.szUserId));
        EXPECT_EQ(bAccepted ? 0u : 1u, notifier.messages.size());
    }
    EXPECT_EQ("Configurations: Please enter an integer between 1 and 65535.", notifier.messages.at(0));
}

TEST_F(ConfigDialogTest, TheFieldsTakeOnlyWhatTheyCanHold)
{
    Make();
    const std::tuple<QLineEdit*, const char*, const char*> typed[] = {
        {Page().PortEdit(), "8a0-8", "808"},
        {Page().AddressEdit(), "192.168.1.300x", "192.168.1.30"},
        {Page().NameEdit(), "Gate]2", "Gate2"},
    };
    for (const auto& [pEdit, pszTyped, pszKept] : typed) {
        pEdit->clear();
        QTest::keyClicks(pEdit, pszTyped);
        EXPECT_EQ(pszKept, Text(pEdit));
    }
    // An address left half typed is refused like a bad port: the message, nothing applied.
    Page().AddressEdit()->setText("10.0.0");
    PressOk();
    EXPECT_TRUE(pConfig->isVisible());
    EXPECT_EQ("10.20.30.40", GetText(s.szHostAddress));
    EXPECT_EQ(1u, notifier.messages.size());
}

TEST_F(ConfigDialogTest, BrowseTakesTheChosenFolderAndACancelOrAnOverlongOneKeepsTheOld)
{
    Make();
    chooser.answer = "/media/disk/records";
    QTest::mouseClick(Page().BrowseButton(), Qt::LeftButton);
    EXPECT_EQ(std::vector<std::string>{"/rec/path"}, chooser.starts);
    EXPECT_EQ("/media/disk/records", Text(Page().RecordPathEdit()));
    chooser.answer.reset();
    Page().OnBrowse();
    chooser.answer = "/" + std::string(300, 'd');
    Page().OnBrowse();
    EXPECT_EQ("/media/disk/records", Text(Page().RecordPathEdit()));
    EXPECT_EQ(1u, notifier.messages.size());
}

TEST_F(ConfigDialogTest, EnterIsOk)
{
    CConfigConnections& p = Make();
    QApplication::setActiveWindow(pConfig.get());
    p.NameEdit()->setFocus();
    QTest::keyClick(p.NameEdit(), Qt::Key_Return);
    EXPECT_EQ(QDialog::Accepted, pConfig->result());
}

TEST_F(ConfigDialogTest, IpLoadRecordsTheEntryUnlessItsPortIs0AndTheChosenRowFillsTheFields)
{
    Make();
    Page().PortEdit()->setText("0");
    std::vector<std::string> names;
    const auto listNames = [&names](CIpHistoryDlg& history) {
        for (int i = 0; i < history.List()->topLevelItemCount(); ++i)
            names.push_back(history.List()->topLevelItem(i)->text(0).toStdString());
    };
    WhenModal<CIpHistoryDlg>([&](CIpHistoryDlg& history) { listNames(history); });
    QTest::mouseClick(Page().IpLoadButton(), Qt::LeftButton);
    EXPECT_EQ(std::vector<std::string>{"INTRANET"}, names) << "a new book starts with INTRANET";
    EXPECT_EQ("[INTRANET]\nIP=192.168.1.100\nPORT=8000\n", ReadIni());
    EXPECT_EQ("Depot", Text(Page().NameEdit())) << "a cancelled book changes no field";

    WriteIni("[Lobby]\nIP=10.9.8.7\nPORT=\n");
    Page().PortEdit()->setText("9000");
    names.clear();
    WhenModal<CIpHistoryDlg>([&](CIpHistoryDlg& history) {
        listNames(history);
        QTreeWidget* pList = history.List();
        QTest::mouseClick(pList->viewport(), Qt::LeftButton, {}, pList->visualItemRect(pList->topLevelItem(0)).center());
        QTest::mouseClick(history.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok), Qt::LeftButton);
    });
    QTest::mouseClick(Page().IpLoadButton(), Qt::LeftButton);
    EXPECT_EQ((std::vector<std::string>{"Lobby", "Depot"}), names);
    EXPECT_EQ("[Lobby]\nIP=10.9.8.7\nPORT=\n[Depot]\nIP=10.20.30.40\nPORT=9000\n", ReadIni());
    EXPECT_EQ("Lobby", Text(Page().NameEdit()));
    EXPECT_EQ("10.9.8.7", Text(Page().AddressEdit()));
    EXPECT_EQ("8000", Text(Page().PortEdit())) << "an entry without a port";
    EXPECT_EQ("Depot", GetText(s.szIpLabel)) << "the settings wait for OK";
}

// ---- the view's settings button ------------------------------------------------------------

namespace {

class SettingsButtonTest : public ConfigTest {
protected:
    void SetUp() override
    {
        ConfigTest::SetUp();
        settings.ints["Ptz Type"] = 1;
        MakeView(&display);
    }
    void PressSetting() { QTest::mouseClick(pView->PushButton(IDC_SETTING), Qt::LeftButton); }

    FakeDisplayMode display; // outlives the view
};

} // namespace

TEST_F(SettingsButtonTest, OkAppliesFullScreenAndReportsTheNewSettingsCancelNothing)
{
    QSignalSpy accepted(pView.get(), &COstrelView::SettingsAccepted);
    WhenModal<CConfigDialog>([](CConfigDialog& dlg) {
        dlg.Page().PtzTypeList()->setCurrentIndex(3);
        dlg.Page().PortEdit()->setText("9999");
        dlg.reject();
    });
    PressSetting();
    EXPECT_EQ(0, accepted.count());
    EXPECT_EQ(1, pSession->Settings().byPtzType);
    EXPECT_EQ(8000, pSession->Settings().nHostPort);
    EXPECT_FALSE(IniExists());

    WhenModal<CConfigDialog>([](CConfigDialog& dlg) {
        EXPECT_EQ("127.0.0.1", dlg.Page().AddressEdit()->text().toStdString());
        dlg.Page().PtzTypeList()->setCurrentIndex(3);
        dlg.Page().FullScreenCheck()->setChecked(true);
        QTest::mouseClick(dlg.Buttons()->button(QDialogButtonBox::Ok), Qt::LeftButton);
    });
    PressSetting();
    EXPECT_EQ(1, accepted.count());
    EXPECT_EQ(3, pSession->Settings().byPtzType);
    EXPECT_EQ(1, pSession->Settings().bUseFullScreen);
    EXPECT_EQ(std::vector<std::string>{"enter 1024x768"}, display.calls) << "as F11 does";
    EXPECT_EQ("[INTRANET]\nIP=127.0.0.1\nPORT=8000\n", ReadIni());
    EXPECT_EQ(nullptr, sockets.Last()) << "settings alone connect nowhere";
}

TEST_F(SettingsButtonTest, SOpensTheDialogAndNoKeyActsWhileItIsOpen)
{
    pView->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(pView.get()));
    bool bOpened = false;
    QWidget* pViewWidget = pView.get();
    WhenModal<CConfigDialog>([&bOpened, pViewWidget](CConfigDialog&) {
        bOpened = true;
        // Through the window system, as a real keyboard would reach the blocked view, and
        // straight to the view's handler.
        for (Qt::Key key : {Qt::Key_1, Qt::Key_F11, Qt::Key_R, Qt::Key_A, Qt::Key_F1, Qt::Key_Up}) {
            QTest::keyClick(pViewWidget->windowHandle(), key);
            QTest::keyClick(pViewWidget, key);
        }
    });
    QTest::keyClick(pView.get(), Qt::Key_S);
    QCoreApplication::processEvents(); // a click would have posted its command
    EXPECT_TRUE(bOpened);
    EXPECT_EQ(CLiveLayout::MODE_SIXTEEN, pSession->Layout().SplitMode());
    EXPECT_EQ(0, pSession->Settings().bUseFullScreen);
    EXPECT_TRUE(display.calls.empty());
    EXPECT_EQ(0, pSession->Layout().PtzChannel());
    EXPECT_FALSE(pView->SkinButton(IDC_PTZ_UP)->IsPressed());
    EXPECT_EQ(nullptr, sockets.Last());
    QTest::keyClick(pView.get(), Qt::Key_1); // and act again once it is closed
    QCoreApplication::processEvents();
    EXPECT_EQ(CLiveLayout::MODE_SINGLE, pSession->Layout().SplitMode());
}
