// The single-instance start, the window's place and close, and the about box.
#include "shell/about_dlg.h"
#include "shell/main_frame.h"
#include "shell/ostrel_app.h"
#include "shell/ostrel_view.h"
#include "res/resource.h"
#include "res/skin_bitmap.h"
#include "widgets/skin_button.h"

#include "fakes/recording_notifier.h"
#include "support/qt_printers.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QLayout>
#include <QScreen>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace ostrel;

namespace {

// The backup folder goes into the test's folder, not beside the test program.
class MainFrame : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    QTemporaryDir dir;
    const QString strLock = dir.filePath(QStringLiteral("Ostrel.lock"));
    const SettingsPlaces places{dir.path().toStdString(), dir.path().toStdString()};
    test::RecordingNotifier notifier;
};

} // namespace

TEST_F(MainFrame, ASecondStartBringsTheFirstForwardAndIsRefusedOnlyWhenTheFirstCannotBeReached)
{
    COstrelApp first(notifier, strLock, places);
    ASSERT_TRUE(first.InitInstance());
    ASSERT_TRUE(first.GetMainWnd() && first.GetMainWnd()->isVisible());
    EXPECT_EQ(QCoreApplication::organizationName(), QStringLiteral("Ostrel"));
    EXPECT_EQ(QCoreApplication::applicationName(), QStringLiteral("Ostrel16")); // the X11 class
    QSignalSpy forward(&first, &COstrelApp::BroughtForward);
    first.GetMainWnd()->showMinimized();

    COstrelApp second(notifier, strLock, places);
    EXPECT_FALSE(second.InitInstance());
    EXPECT_TRUE(second.HandedOver()) << "the program ends with status 0";
    EXPECT_EQ(second.GetMainWnd(), nullptr);
    EXPECT_TRUE(forward.wait(5000));
    EXPECT_TRUE(notifier.messages.empty());
    EXPECT_FALSE(first.GetMainWnd()->isMinimized());
    first.ExitInstance();

    // A lock whose holder answers nothing (no program of ours behind it): the message of old.
    InstanceLock held(strLock);
    ASSERT_EQ(InstanceLock::Result::Acquired, held.TryAcquire());
    COstrelApp third(notifier, strLock, places);
    EXPECT_FALSE(third.InitInstance());
    EXPECT_FALSE(third.HandedOver());
    EXPECT_EQ(notifier.messages, std::vector<std::string>{"ERROR: Another instance of this program exists"});
    held.Release();
    COstrelApp fourth(notifier, strLock, places);
    EXPECT_TRUE(fourth.InitInstance());
    fourth.ExitInstance();
}

TEST_F(MainFrame, OpensWhereItStoodOnAScreenStillThereAndTheSettingsOkLeavesItThere)
{
    const QRect rcScreen = QGuiApplication::primaryScreen()->geometry();
    QSettings profile; // the program's, as the application's names make it
    profile.remove(QStringLiteral("Setting/Rotate Interval")); // a key only a save writes
    profile.sync();
    {
        COstrelApp app(notifier, strLock, places);
        ASSERT_TRUE(app.InitInstance());
        app.GetMainWnd()->move(rcScreen.topLeft() + QPoint(31, 29)); // dragged there
        app.GetView()->ApplyFullScreen(false);                      // as after the settings' OK
        EXPECT_EQ(rcScreen.topLeft() + QPoint(31, 29), app.GetMainWnd()->pos());
        app.GetMainWnd()->close(); // as Alt+F4 or the dock does: it saves as EXIT does
        app.ExitInstance();
    }
    profile.sync();
    EXPECT_TRUE(profile.contains(QStringLiteral("Setting/Rotate Interval")));
    {
        COstrelApp app(notifier, strLock, places);
        ASSERT_TRUE(app.InitInstance());
        EXPECT_EQ(rcScreen.topLeft() + QPoint(31, 29), app.GetMainWnd()->pos()) << "where it stood";
        app.ExitInstance();
    }
    profile.setValue(QStringLiteral("Setting/Window Screen"), QStringLiteral("HDMI-9"));
    profile.sync();
    {
        COstrelApp app(notifier, strLock, places);
        ASSERT_TRUE(app.InitInstance());
        EXPECT_EQ(rcScreen.topLeft() + QPoint((rcScreen.width() - 877) / 2, (rcScreen.height() - 685) / 2),
                  app.GetMainWnd()->pos())
            << "centred: that screen is gone";
        app.ExitInstance();
    }
    profile.remove(QStringLiteral("Setting/Window Screen"));
}

TEST(AboutBox, OpensFromTheBrandListsTheKeysAndEveryKeyTextFitsItsLabel)
{
    CMainFrame frame;
    QSignalSpy about(&frame, &CMainFrame::AppAbout);
    QTest::mouseDClick(&frame, Qt::LeftButton, {}, QPoint(100, 620));
    QTest::mouseDClick(&frame, Qt::LeftButton, {}, QPoint(190, 680)); // just outside the brand plate
    EXPECT_EQ(about.count(), 1);

    CAboutDlg dlg;
    dlg.layout()->activate();
    QStringList keys, actions;
    for (QLabel* pLabel : dlg.findChildren<QLabel*>()) {
        if (pLabel->objectName() == QLatin1String("keys"))
            keys << pLabel->text();
        else if (pLabel->objectName() == QLatin1String("action"))
            actions << pLabel->text();
        else
            continue;
        // The dialog's size is fixed: each text must fit the label the layout gave it, and the
        // label must lie inside the dialog.
        const QFontMetrics fm(pLabel->font());
        const QRect rcText = pLabel->contentsRect();
        EXPECT_GE(rcText.width(), fm.horizontalAdvance(pLabel->text())) << pLabel->text().toStdString();
        EXPECT_GE(rcText.height(), fm.height()) << pLabel->text().toStdString();
        EXPECT_TRUE(dlg.rect().contains(QRect(pLabel->mapTo(&dlg, QPoint(0, 0)), pLabel->size())))
            << pLabel->text().toStdString();
    }
    for (const char* psz : {"F11", "Esc", "1, 4, 9, 0", "F1 to F10", "Shift+F1 to Shift+F6", "R", "A", "S",
                            "Arrow keys", "+, -", "Page Up, Page Down", "], [", "Space", "Shift+Space",
                            "Ctrl+Right, Ctrl+Left", "Home, End"})
        EXPECT_TRUE(keys.contains(QString::fromLatin1(psz))) << psz;
    EXPECT_EQ(keys.size(), actions.size());
    EXPECT_TRUE(actions.contains(QStringLiteral("Back to live")));
}

// Where the screen's mode cannot be switched (here: no X display), full screen is the window
// system's, with the view scaled to fit in black and its controls answering where they are shown.
TEST_F(MainFrame, FullScreenWithoutAModeSwitchScalesTheViewToFitAndItsButtonsFollow)
{
    COstrelApp app(notifier, strLock, places);
    ASSERT_TRUE(app.InitInstance());
    CMainFrame* pFrame = app.GetMainWnd();
    COstrelView* pView = app.GetView();
    const QPoint ptNormal = pFrame->pos();
    QTest::keyClick(pView, Qt::Key_F11);
    ASSERT_TRUE(pFrame->IsScaledFullScreen());
    const QSize szScreen = QGuiApplication::primaryScreen()->geometry().size();
    ASSERT_TRUE(QTest::qWaitFor([&] { return pFrame->size() == szScreen; }, 5000)) << pFrame->size().width();
    EXPECT_TRUE(pFrame->isFullScreen());

    // The 873 x 681 visible region scaled by the smaller of the two ratios, centred.
    const double dScale = std::min(szScreen.width() / 873.0, szScreen.height() / 681.0);
    const QPointF ptOrigin((szScreen.width() - 873 * dScale) / 2, (szScreen.height() - 681 * dScale) / 2);
    const auto shown = [&](QPoint ptView) { return (ptOrigin + QPointF(ptView - QPoint(2, 2)) * dScale).toPoint(); };
    const QImage screen = pFrame->grab().toImage().scaled(szScreen); // at the frame's own pixels
    // The left bar, or the top one on a screen taller than the view.
    const QRect rcBar = ptOrigin.x() >= 1 ? QRect(0, 0, int(ptOrigin.x()), szScreen.height())
                                          : QRect(0, 0, szScreen.width(), int(ptOrigin.y()));
    for (int y = rcBar.top(); y <= rcBar.bottom(); y += 7)
        for (int x = rcBar.left(); x <= rcBar.right(); x += 3)
            ASSERT_EQ(qRgb(0, 0, 0), screen.pixel(x, y) | 0xFF000000u) << x << "," << y;
    const QColor shownColour = screen.pixelColor(shown(QPoint(800, 600))); // a plain stretch of the panel
    const QColor skinColour = SkinBitmap(IDB_MAIN_BACKGROUND).pixelColor(800, 600);
    EXPECT_LE(std::abs(shownColour.red() - skinColour.red()) + std::abs(shownColour.green() - skinColour.green()), 24);

    CSkinButton* pOne = pView->SkinButton(IDC_LAYOUT_FIRST); // the single view's button
    ASSERT_FALSE(pOne->GetCheck());
    QWidget* pShown = pFrame->childAt(shown(pOne->geometry().center()));
    ASSERT_NE(pShown, nullptr);
    QTest::mouseClick(pShown, Qt::LeftButton, {}, pShown->mapFrom(pFrame, shown(pOne->geometry().center())));
    QCoreApplication::processEvents();
    EXPECT_TRUE(pOne->GetCheck()) << "the click where the button is shown reaches it";

    ASSERT_NE(QApplication::focusWidget(), nullptr);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape); // the keys still go to the view
    EXPECT_FALSE(pFrame->IsScaledFullScreen());
    EXPECT_EQ(QSize(877, 685), pFrame->size());
    EXPECT_EQ(pFrame, pView->parentWidget());
    EXPECT_EQ(ptNormal, pFrame->pos());
    CSkinButton* pFour = pView->SkinButton(IDC_LAYOUT_FIRST + 1);
    QTest::mouseClick(pFour, Qt::LeftButton, {}, pFour->rect().center());
    QCoreApplication::processEvents();
    EXPECT_TRUE(pFour->GetCheck() && !pOne->GetCheck());
    app.ExitInstance();
}
