// The "Configurations" dialog offscreen, over the address book ini/cnn.ini on disk: what each
// control shows, what OK writes back, what Cancel and the refusals leave alone.
#include "config/config_connections.h"
#include "config/config_dialog.h"
#include "config/folder_chooser.h"
#include "fakes/gui_fixture.h"
#include "fakes/hostile_files.h"
#include "platform/file_store.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>

#include <filesystem>
#include <optional>
#include <tuple>

using namespace ostrel;
using namespace ostrel::test;

namespace {

class NoFolderChooser final : public FolderChooser {
public:
    std::optional<std::string> ChooseFolder(const std::string&) override { return std::nullopt; }
};

std::string Text(const QLineEdit* pEdit) { return pEdit->text().toStdString(); }

auto Fields(const ViewSettings& v)
{
    return std::tie(v.szUserId, v.szPassword, v.szHostAddress, v.szRecordPath, v.nHostPort, v.byRotateInterval,
                    v.byReconnectCount, v.byRequestSpeed, v.byPtzType, v.bUseFullScreen, v.bUseAlertMode,
                    v.byRecordInterval, v.byDateShow, v.byAviCodec, v.szPtzFilePath, v.szIpLabel);
}

class ConfigDialogTest : public SessionTest {
protected:
    void SetUp() override
    {
        SessionTest::SetUp();
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

    std::string IniPath() const { return Dir() + "/ini/cnn.ini"; }
    bool IniExists() const { return std::filesystem::exists(IniPath()); }

    ViewSettings s{};
    LocalFileStore disk;
    NoFolderChooser chooser;
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
        p.AviCodecList()->setCurrentIndex(2); // "MP4 (H.264)"
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
        EXPECT_EQ((std::vector<std::string_view>{"Yard", "10.1.2.3", "u2", "p2", "/other"}),
                  (std::vector<std::string_view>{GetText(s.szIpLabel), GetText(s.szHostAddress), GetText(s.szUserId),
                                                 GetText(s.szPassword), GetText(s.szRecordPath)}));
        EXPECT_EQ((std::vector<int>{8100, 4, 0, 0, 4, 0, 1, 1, 1, 2}),
                  (std::vector<int>{s.nHostPort, s.byPtzType, s.byRotateInterval, s.byRequestSpeed, s.byReconnectCount,
                                    s.bUseFullScreen, s.bUseAlertMode, s.byRecordInterval, s.byDateShow, s.byAviCodec}));
        EXPECT_EQ("/w/PTZ/user_command.tl", GetText(s.szPtzFilePath)) << "not the page's";
        EXPECT_EQ("[Yard]\nIP=10.1.2.3\nPORT=8100\n", GetBytes(IniPath())) << "the ini folder made for the first entry";
        EXPECT_TRUE(notifier.messages.empty());
    }
}

TEST_F(ConfigDialogTest, BadAddressesAndPortsKeepTheDialogOpenWithOneMessageAndTextsAreCut)
{
    const char* const kAddressMessage = "Configurations: Please Input correct IP/PORT or Press [IP Load] button.";
    const char* const kPortMessage = "Configurations: Please enter an integer between 1 and 65535.";
    const struct {
        const char *pszAddress, *pszPort;
        const char* pszMessage; // none: accepted
        bool bApplied;          // the values are taken even though the dialog stays open
    } rows[] = { // which texts are ports at all is the field rules' test (test_config_fields)
        {"", "8100", kAddressMessage, true},        {"0.0.0.0", "8100", kAddressMessage, true},
        {"10.1.2.3", "", kPortMessage, false},      {"10.1.2.3", "65536", kPortMessage, false},
        {"10.0.0", "8100", kAddressMessage, false}, {"10.1.2.3", "65535", nullptr, true},
        {"dvr.example.com", "8100", nullptr, true}, {"::1", "8100", nullptr, true},
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
    // A record path of 260 bytes in 130 characters is refused as Browse.. refuses it; 259 pass.
    notifier.messages.clear();
    Make();
    Page().AddressEdit()->setText("10.1.2.3");
    const std::string strLong = QString(130, QChar(0xE9)).toStdString(); // e acute, two bytes in UTF-8
    for (const std::string& strPath : {strLong, strLong.substr(0, 258) + "x"}) {
        const bool bRefused = strPath.size() > 259;
        Page().RecordPathEdit()->setText(QString::fromStdString(strPath));
        PressOk();
        EXPECT_EQ(bRefused, pConfig->isVisible());
        EXPECT_EQ(bRefused ? "/rec/path" : strPath, GetText(s.szRecordPath));
    }
    EXPECT_EQ(std::vector<std::string>{"Configurations: The folder's path is longer than 259 bytes; choose a folder "
                                       "with a shorter path."},
              notifier.messages);

    // The fields take only what they can hold: a ']' would end the address book's section name.
    Make();
    const std::tuple<QLineEdit*, const char*, const char*> typed[] = {
        {Page().PortEdit(), "8a0-8", "808"},
        {Page().AddressEdit(), "dvr_1.example com", "dvr1.examplecom"},
        {Page().NameEdit(), "Gate]2", "Gate2"},
    };
    for (const auto& [pEdit, pszTyped, pszKept] : typed) {
        pEdit->clear();
        QTest::keyClicks(pEdit, pszTyped);
        EXPECT_EQ(pszKept, Text(pEdit));
    }
    // What reaches the settings is cut to their fields.
    pConfig->SetIpLabel(std::string(70, 'x'));
    EXPECT_EQ(std::string(64, 'x'), GetText(s.szIpLabel));
    pConfig->SetConnection(std::string(200, '1'), 1, std::string(80, 'u'), std::string(40, 'p'), 0);
    EXPECT_EQ(127u, GetText(s.szHostAddress).size());
    EXPECT_EQ(63u, GetText(s.szUserId).size());
    EXPECT_EQ(31u, GetText(s.szPassword).size());
}
