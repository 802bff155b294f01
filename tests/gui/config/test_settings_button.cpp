// The view's settings button: it opens "Configurations" modally over the session's settings;
// OK applies full screen and says so, Cancel changes nothing.
#include "config/config_connections.h"
#include "config/config_dialog.h"
#include "config_fixture.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_display_mode.h"
#include "fakes/fake_file_store.h"
#include "fakes/fake_socket.h"
#include "fakes/memory_settings_store.h"
#include "res/resource.h"
#include "session/recorder_session.h"
#include "shell/ostrel_view.h"
#include "widgets/bitmap_button.h"
#include "widgets/skin_button.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace ostrel;
using namespace ostrel::test;

namespace {

class SettingsButtonTest : public ConfigFolderTest {
protected:
    void SetUp() override
    {
        ConfigFolderTest::SetUp();
        store.texts["Host IPAddress"] = "127.0.0.1";
        store.ints["Host Port"] = 8000;
        store.ints["Ptz Type"] = 1;
        pSession = std::make_unique<CRecorderSession>(
            SessionServices{timers, sockets, sessionFiles, notifier, store, {Dir(), Dir()}, Dir()});
        pView = std::make_unique<COstrelView>(*pSession, ViewServices{clock, timers, &display}, nullptr);
        pView->OnInitialUpdate();
    }
    void TearDown() override
    {
        pView.reset();
        pSession.reset();
    }
    void PressSetting() { QTest::mouseClick(pView->PushButton(IDC_SETTING), Qt::LeftButton); }

    FakeClock clock;
    FakeTimerFactory timers{clock};
    FakeSocketFactory sockets;
    FakeFileStore sessionFiles;
    MemorySettingsStore store;
    FakeDisplayMode display;
    std::unique_ptr<CRecorderSession> pSession;
    std::unique_ptr<COstrelView> pView;
};

} // namespace

TEST_F(SettingsButtonTest, OkAppliesFullScreenAndReportsTheNewSettings)
{
    QSignalSpy accepted(pView.get(), &COstrelView::SettingsAccepted);
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
    EXPECT_EQ(std::vector<std::string>{"enter 1024x768"}, display.calls);
    EXPECT_EQ("[INTRANET]\nIP=127.0.0.1\nPORT=8000\n", ReadIni());
    EXPECT_TRUE(sockets.Last() == nullptr) << "settings alone connect nowhere";
}

TEST_F(SettingsButtonTest, CancelChangesNothingAndReportsNothing)
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
    EXPECT_TRUE(display.calls.empty());
    EXPECT_FALSE(IniExists());
}

TEST_F(SettingsButtonTest, F11DoesWhatTickingUseFullScreenAndOkDoes)
{
    // By the dialog: the box ticked and OK.
    WhenModal<CConfigDialog>([](CConfigDialog& dlg) {
        dlg.Page().FullScreenCheck()->setChecked(true);
        QTest::mouseClick(dlg.Buttons()->button(QDialogButtonBox::Ok), Qt::LeftButton);
    });
    PressSetting();
    const std::vector<std::string> byDialog = display.calls;
    const int32_t nByDialog = pSession->Settings().bUseFullScreen;
    QTest::mouseClick(pView->PushButton(IDC_EXIT), Qt::LeftButton);
    const int nSavedByDialog = store.ints["Use FullScreen"];

    // By the key, on a fresh view over the same stored settings, with the box as it was.
    store.ints["Use FullScreen"] = 0;
    pView.reset();
    pSession = std::make_unique<CRecorderSession>(
        SessionServices{timers, sockets, sessionFiles, notifier, store, {Dir(), Dir()}, Dir()});
    FakeDisplayMode keyDisplay;
    pView = std::make_unique<COstrelView>(*pSession, ViewServices{clock, timers, &keyDisplay}, nullptr);
    pView->OnInitialUpdate();
    QTest::keyClick(pView.get(), Qt::Key_F11);
    EXPECT_EQ(byDialog, keyDisplay.calls);
    EXPECT_EQ(nByDialog, pSession->Settings().bUseFullScreen);
    QTest::mouseClick(pView->PushButton(IDC_EXIT), Qt::LeftButton);
    EXPECT_EQ(nSavedByDialog, store.ints["Use FullScreen"]);
    EXPECT_EQ(1, nSavedByDialog);
    pView.reset(); // before the display it holds
}

TEST_F(SettingsButtonTest, SOpensTheDialogAndNoKeyActsWhileItIsOpen)
{
    pView->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(pView.get()));
    QSignalSpy accepted(pView.get(), &COstrelView::SettingsAccepted);
    bool bOpened = false;
    QWidget* pView_ = pView.get();
    WhenModal<CConfigDialog>([&bOpened, pView_](CConfigDialog&) {
        bOpened = true;
        // Through the window system, as a real keyboard would reach the blocked view, and
        // straight to the view's handler.
        for (Qt::Key key : {Qt::Key_1, Qt::Key_F11, Qt::Key_R, Qt::Key_A, Qt::Key_F1, Qt::Key_Up}) {
            QTest::keyClick(pView_->windowHandle(), key);
            QTest::keyClick(pView_, key);
        }
    });
    QTest::keyClick(pView.get(), Qt::Key_S);
    QCoreApplication::processEvents(); // a click would have posted its command
    EXPECT_TRUE(bOpened);
    EXPECT_EQ(0, accepted.count());
    EXPECT_EQ(CLiveLayout::MODE_SIXTEEN, pSession->Layout().SplitMode());
    EXPECT_EQ(0, pSession->Settings().bUseFullScreen);
    EXPECT_TRUE(display.calls.empty());
    EXPECT_EQ(0, pSession->Layout().PtzChannel());
    EXPECT_FALSE(pView->SkinButton(IDC_PTZ_UP)->IsPressed());
    EXPECT_TRUE(sockets.Last() == nullptr);

    QTest::keyClick(pView.get(), Qt::Key_1); // and act again once it is closed
    QCoreApplication::processEvents();
    EXPECT_EQ(CLiveLayout::MODE_SINGLE, pSession->Layout().SplitMode());
}
