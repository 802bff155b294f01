// The "Configurations" dialog and the "IP/PORT HISTORY TABLE" offscreen, over the address book
// ini/cnn.ini on disk: what each control shows, what OK writes back, what Cancel and the
// refusals leave alone; and the view's settings button that opens the dialog.
#include "config/config_connections.h"
#include "config/config_dialog.h"
#include "config/folder_chooser.h"
#include "config/ip_history_dlg.h"
#include "fakes/fake_display_mode.h"
#include "fakes/gui_fixture.h"
#include "platform/file_store.h"
#include "widgets/bitmap_button.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTreeWidget>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <tuple>

using namespace ostrel;
using namespace ostrel::test;

namespace {

class FakeFolderChooser final : public FolderChooser {
public:
    std::optional<std::string> ChooseFolder(const std::string& strStart) override
    {
        starts.push_back(strStart);
        return answer;
    }
    std::optional<std::string> answer;
    std::vector<std::string> starts;
};

class ConfigTest : public SessionTest {
protected:
    std::string IniPath() const { return Dir() + "/ini/cnn.ini"; }
    bool IniExists() const { return std::filesystem::exists(IniPath()); }
    void WriteIni(const std::string& strBytes) const
    {
        std::filesystem::create_directories(Dir() + "/ini");
        std::ofstream(IniPath(), std::ios::binary) << strBytes;
    }
    std::string ReadIni() const
    {
        std::ifstream in(IniPath(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    LocalFileStore disk;
    FakeFolderChooser chooser;
};

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

TEST_F(ConfigDialogTest, EveryControlShowsItsSettingOkWritesItBackAndRecordsTheEntryEscapeNothing)
{
    for (const bool bOk : {false, true}) {
        SCOPED_TRACE(bOk ? "OK" : "Escape");
        const ViewSettings before = s;
        CConfigConnections& p = Make();
        const std::vector<std::string> shown = {
            Text(p.NameEdit()), Text(p.AddressEdit()), Text(p.PortEdit()), Text(p.UserIdEdit()),
            Text(p.PasswordEdit()), p.PtzTypeList()->currentText().toStdString(),
            p.RotateIntervalList()->currentText().toStdString(), p.ScanRateList()->currentText().toStdString(),
            p.ReconnectCountList()->currentText().toStdString(), p.RecordIntervalList()->currentText().toStdString(),
            Text(p.RecordPathEdit()), p.AviCodecList()->currentText().toStdString()};
        EXPECT_EQ((std::vector<std::string>{"Depot", "10.20.30.40", "9000", "operator", "secret", "SCC641", "10 SEC", "64X",
                                            "1", "60SEC", "/rec/path", "Motion JPEG"}),
                  shown);
        EXPECT_EQ(QLineEdit::Password, p.PasswordEdit()->echoMode());
        EXPECT_TRUE(p.FullScreenCheck()->isChecked() && !p.ReceiveEventCheck()->isChecked() && !p.DateShowCheck()->isChecked());

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
        EXPECT_EQ((std::vector<int>{4, 0, 0, 4, 0, 1, 1, 1, 0}),
                  (std::vector<int>{s.byPtzType, s.byRotateInterval, s.byRequestSpeed, s.byReconnectCount, s.bUseFullScreen,
                                    s.bUseAlertMode, s.byRecordInterval, s.byDateShow, s.byAviCodec}));
        EXPECT_EQ("/other", GetText(s.szRecordPath));
        EXPECT_EQ("/w/PTZ/user_command.tl", GetText(s.szPtzFilePath)) << "not the page's";
        EXPECT_EQ("[Yard]\nIP=10.1.2.3\nPORT=8100\n", ReadIni()) << "the ini folder made for the first entry";
        EXPECT_TRUE(notifier.messages.empty());
    }
}

TEST_F(ConfigDialogTest, BadAddressesAndPortsKeepTheDialogOpenWithOneMessage)
{
    const char* const kAddressMessage = "Configurations: Please Input correct IP/PORT or Press [IP Load] button.";
    const char* const kPortMessage = "Configurations: Please enter an integer between 1 and 65535.";
    const struct {
        const char *pszAddress, *pszPort;
        const char* pszMessage; // none: accepted
        bool bApplied;          // the values are taken even though the dialog stays open
    } rows[] = {
        {"", "8100", kAddressMessage, true},        {"0.0.0.0", "8100", kAddressMessage, true},
        {"10.1.2.3", "0", kPortMessage, false},     {"10.1.2.3", "65536", kPortMessage, false},
        {"10.1.2.3", "", kPortMessage, false},      {"10.1.2.3", "99999999999", kPortMessage, false},
        {"10.0.0", "8100", kAddressMessage, false}, {"10.1.2.3", "1", nullptr, true},
        {"10.1.2.3", "65535", nullptr, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(::testing::Message() << row.pszAddress << ":" << row.pszPort);
        notifier.messages.clear();
        s.nHostPort = 9000;
        SetText(s.szUserId, "operator");
        Make();
        Page().AddressEdit()->setText(row.pszAddress);
        Page().PortEdit()->setText(row.pszPort);
        Page().UserIdEdit()->setText("changed");
        PressOk();
        EXPECT_EQ(row.pszMessage != nullptr, pConfig->isVisible());
        EXPECT_EQ(row.pszMessage ? std::vector<std::string>{row.pszMessage} : std::vector<std::string>{}, notifier.messages);
        EXPECT_EQ(row.bApplied ? "changed" : "operator", GetText(s.szUserId));
        pConfig->reject();
        if (row.pszMessage) {
            EXPECT_FALSE(IniExists()) << "Cancel keeps what the refused OK applied, and records no entry";
        }
    }
    // The fields take only what they can hold: a ']' would end the address book's section name.
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
}

TEST_F(ConfigDialogTest, StandInsForEmptyValuesAndOverlongTextsAreCut)
{
    SetText(s.szIpLabel, "");
    SetText(s.szHostAddress, "0.0.0.0");
    Make();
    EXPECT_EQ("UNTITLE", Text(Page().NameEdit()));
    EXPECT_EQ("192.168.0.100", Text(Page().AddressEdit()));
    Page().NameEdit()->clear();
    PressOk();
    EXPECT_EQ("[UNTITLE]\nIP=192.168.0.100\nPORT=9000\n", ReadIni());

    pConfig->SetIpLabel(std::string(70, 'x'));
    EXPECT_EQ(std::string(64, 'x'), GetText(s.szIpLabel));
    pConfig->SetConnection(std::string(40, '1'), 1, std::string(80, 'u'), std::string(40, 'p'), 0);
    EXPECT_EQ(31u, GetText(s.szHostAddress).size());
    EXPECT_EQ(63u, GetText(s.szUserId).size());
    EXPECT_EQ(31u, GetText(s.szPassword).size());

    // Browse: the chosen folder; a cancel or an overlong one keeps the old.
    chooser.answer = "/media/disk/records";
    QTest::mouseClick(Page().BrowseButton(), Qt::LeftButton);
    EXPECT_EQ("/media/disk/records", Text(Page().RecordPathEdit()));
    chooser.answer.reset();
    Page().OnBrowse();
    chooser.answer = "/" + std::string(300, 'd');
    Page().OnBrowse();
    EXPECT_EQ("/media/disk/records", Text(Page().RecordPathEdit()));
    EXPECT_EQ(1u, notifier.messages.size());
}

TEST_F(ConfigDialogTest, IpLoadRecordsTheEntryUnlessItsPortIs0AndTheChosenRowFillsTheFields)
{
    Make();
    Page().PortEdit()->setText("0");
    WhenModal<CIpHistoryDlg>([](CIpHistoryDlg& history) { EXPECT_EQ(1, history.RowCount()); });
    QTest::mouseClick(Page().IpLoadButton(), Qt::LeftButton);
    EXPECT_EQ("[INTRANET]\nIP=192.168.1.100\nPORT=8000\n", ReadIni()) << "a new book starts with INTRANET";
    EXPECT_EQ("Depot", Text(Page().NameEdit())) << "a cancelled book changes no field";

    WriteIni("[Lobby]\nIP=10.9.8.7\nPORT=\n");
    Page().PortEdit()->setText("9000");
    WhenModal<CIpHistoryDlg>([&](CIpHistoryDlg& history) {
        QTreeWidget* pList = history.List();
        QTest::mouseClick(pList->viewport(), Qt::LeftButton, {}, pList->visualItemRect(pList->topLevelItem(0)).center());
        QTest::mouseClick(history.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok), Qt::LeftButton);
    });
    QTest::mouseClick(Page().IpLoadButton(), Qt::LeftButton);
    EXPECT_EQ("[Lobby]\nIP=10.9.8.7\nPORT=\n[Depot]\nIP=10.20.30.40\nPORT=9000\n", ReadIni());
    EXPECT_EQ("Lobby", Text(Page().NameEdit()));
    EXPECT_EQ("10.9.8.7", Text(Page().AddressEdit()));
    EXPECT_EQ("8000", Text(Page().PortEdit())) << "an entry without a port";
    EXPECT_EQ("Depot", GetText(s.szIpLabel)) << "the settings wait for OK";
}

// ---- the address book's own window ---------------------------------------------------------

namespace {

class HistoryDlgTest : public ConfigTest {
protected:
    void Make(const std::string& strBook = "[A]\nIP=10.0.0.1\nPORT=8001\n[B]\nIP=10.0.0.2\nPORT=\n[C]\nIP=10.0.0.3\nPORT=8003\n")
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
    std::string Chosen() const { return pHistory->SelectedName() + "|" + pHistory->SelectedIp() + "|" + pHistory->SelectedPort(); }

    std::unique_ptr<CIpHistoryDlg> pHistory;
};

} // namespace

TEST_F(HistoryDlgTest, OkNeedsAChosenRowADoubleClickChoosesOneAndAnEmptyPortComesBackAs8000)
{
    Make();
    PressOk();
    EXPECT_EQ(std::vector<std::string>{"IP/PORT HISTORY TABLE: Please Select IP/PORT"}, notifier.messages);
    EXPECT_TRUE(pHistory->isVisible());
    Click(RowCentre(1));
    PressOk();
    EXPECT_EQ(QDialog::Accepted, pHistory->result());
    EXPECT_EQ("B|10.0.0.2|8000", Chosen());

    Make();
    DoubleClick(EmptySpace());
    EXPECT_TRUE(pHistory->isVisible()) << "empty space of a list with rows does nothing";
    DoubleClick(RowCentre(2));
    EXPECT_FALSE(pHistory->isVisible());
    EXPECT_EQ("C|10.0.0.3|8003", Chosen());
}

TEST_F(HistoryDlgTest, DeleteRemovesTheChosenEntryFromTheFileUnlessTheBookIsPastItsCap)
{
    Make();
    Click(RowCentre(1));
    QTest::mouseClick(pHistory->DeleteButton(), Qt::LeftButton);
    EXPECT_EQ(2, pHistory->RowCount());
    EXPECT_EQ("[A]\nIP=10.0.0.1\nPORT=8001\n[C]\nIP=10.0.0.3\nPORT=8003\n", ReadIni());
    EXPECT_FALSE(pHistory->IsSelected());
    QTest::mouseClick(pHistory->DeleteButton(), Qt::LeftButton);
    EXPECT_EQ(2, pHistory->RowCount()) << "Delete without a choice deletes nothing";

    const std::string strBook = "[A]\nIP=10.0.0.1\nPORT=8001\n" + std::string(1024 * 1024, ';');
    Make(strBook);
    EXPECT_EQ(1, pHistory->RowCount());
    Click(RowCentre(0));
    QTest::mouseClick(pHistory->DeleteButton(), Qt::LeftButton);
    ASSERT_EQ(1u, notifier.messages.size());
    EXPECT_NE(std::string::npos, notifier.messages[0].find("larger than 1 MiB"));
    EXPECT_EQ(1, pHistory->RowCount());
    EXPECT_TRUE(ReadIni() == strBook);
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
        dlg.reject();
    });
    PressSetting();
    EXPECT_EQ(0, accepted.count());
    EXPECT_EQ(1, pSession->Settings().byPtzType);
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
    EXPECT_TRUE(display.calls.empty());
    EXPECT_FALSE(pView->SkinButton(IDC_PTZ_UP)->IsPressed());
    EXPECT_EQ(nullptr, sockets.Last());
    QTest::keyClick(pView.get(), Qt::Key_1); // and act again once it is closed
    QCoreApplication::processEvents();
    EXPECT_EQ(CLiveLayout::MODE_SINGLE, pSession->Layout().SplitMode());
}
