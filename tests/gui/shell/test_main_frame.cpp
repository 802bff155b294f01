// The frame around the live view, the single-instance start and the about box.
#include "shell/about_dlg.h"
#include "shell/main_frame.h"
#include "shell/ostrel_app.h"

#include "fakes/recording_notifier.h"
#include "support/qt_printers.h"

#include <QApplication>
#include <QDir>
#include <QFontMetrics>
#include <QLabel>
#include <QLayout>
#include <QMouseEvent>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace ostrel;

namespace {

// A mouse event at ptLocal whose global position is moved by offset, as a drag delivers it.
void SendMouse(QWidget& w, QEvent::Type type, QPoint ptLocal, Qt::MouseButtons buttons, QPoint offset = {})
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent ev(type, QPointF(ptLocal), QPointF(w.mapToGlobal(ptLocal) + offset), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(&w, &ev);
}

QPoint ScreenTopLeft()
{
    return QGuiApplication::primaryScreen()->geometry().topLeft();
}

} // namespace

TEST(MainFrame, IsBorderlessWithTwoPixelsCutAwayAndMovesToFullScreenWithoutResizing)
{
    CMainFrame frame;
    EXPECT_EQ(frame.size(), QSize(877, 685));
    EXPECT_TRUE(frame.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(frame.mask(), QRegion(2, 2, 873, 681));
    const QSize szScreen = QGuiApplication::primaryScreen()->geometry().size();
    EXPECT_EQ(frame.pos(), ScreenTopLeft() + CMainFrame::NormalPosition(szScreen));
    frame.SetFullScreen(true);
    EXPECT_EQ(frame.pos(), ScreenTopLeft() + QPoint(-2, -2));
    EXPECT_EQ(frame.size(), QSize(877, 685));
    frame.SetFullScreen(false);
    EXPECT_EQ(frame.pos(), ScreenTopLeft() + CMainFrame::NormalPosition(szScreen));
}

TEST(MainFrame, NormalPositionCentresByIntegerDivision)
{
    const struct {
        const char* pszName;
        QSize szScreen;
        QPoint ptExpected;
    } rows[] = {
        {"1024 x 768", QSize(1024, 768), QPoint(73, 41)},
        {"exactly the window", QSize(877, 685), QPoint(0, 0)},
        {"a smaller screen gives a negative position", QSize(800, 600), QPoint(-38, -42)},
        {"odd overhang rounds toward zero", QSize(640, 480), QPoint(-118, -102)},
    };
    for (const auto& row : rows)
        EXPECT_EQ(CMainFrame::NormalPosition(row.szScreen), row.ptExpected) << row.pszName;
}

TEST(MainFrame, DoubleClickOnTheBrandAsksForTheAboutBox)
{
    CMainFrame frame;
    QSignalSpy about(&frame, &CMainFrame::AppAbout);
    QTest::mouseDClick(&frame, Qt::LeftButton, {}, QPoint(100, 620));
    EXPECT_EQ(about.count(), 1);
    QTest::mouseDClick(&frame, Qt::LeftButton, {}, QPoint(190, 680)); // just outside
    QTest::mouseDClick(&frame, Qt::LeftButton, {}, QPoint(400, 300));
    EXPECT_EQ(about.count(), 1);
}

TEST(MainFrame, DragWithoutAWindowManagerFollowsThePointer)
{
    CMainFrame frame;
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    const QPoint ptStart = frame.pos(), pt(300, 300);
    // The offscreen platform has no system move, so the frame follows the pointer itself.
    SendMouse(frame, QEvent::MouseButtonPress, pt, Qt::LeftButton);
    SendMouse(frame, QEvent::MouseMove, pt, Qt::LeftButton, QPoint(25, 15));
    EXPECT_EQ(frame.pos(), ptStart + QPoint(25, 15));
    SendMouse(frame, QEvent::MouseButtonRelease, pt, Qt::NoButton);
    SendMouse(frame, QEvent::MouseMove, pt, Qt::NoButton, QPoint(90, 90));
    EXPECT_EQ(frame.pos(), ptStart + QPoint(25, 15)) << "the drag ended with the release";

    frame.SetFullScreen(true); // placed full screen, a press does not move the window
    SendMouse(frame, QEvent::MouseButtonPress, pt, Qt::LeftButton);
    SendMouse(frame, QEvent::MouseMove, pt, Qt::LeftButton, QPoint(25, 15));
    EXPECT_EQ(frame.pos(), ScreenTopLeft() + QPoint(-2, -2));
    SendMouse(frame, QEvent::MouseButtonRelease, pt, Qt::NoButton);
}

TEST(MainFrame, ASecondStartIsRefusedOnce)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString strLock = dir.filePath(QStringLiteral("Ostrel.lock"));
    // The backup folder goes into the test's folder, not beside the test program.
    const SettingsPlaces places{dir.path().toStdString(), dir.path().toStdString()};
    test::RecordingNotifier notifier;
    COstrelApp first(notifier, strLock, places);
    ASSERT_TRUE(first.InitInstance());
    ASSERT_TRUE(first.GetMainWnd() && first.GetMainWnd()->isVisible());
    EXPECT_EQ(QCoreApplication::organizationName(), QStringLiteral("Ostrel"));
    EXPECT_EQ(QCoreApplication::applicationName(), QStringLiteral("Ostrel16"));

    COstrelApp second(notifier, strLock, places);
    EXPECT_FALSE(second.InitInstance());
    EXPECT_EQ(second.GetMainWnd(), nullptr);
    EXPECT_EQ(notifier.messages, std::vector<std::string>{"ERROR: Another instance of this program exists"});
    EXPECT_TRUE(first.GetMainWnd()->isVisible()) << "the first copy is not touched";

    first.ExitInstance();
    COstrelApp third(notifier, strLock, places);
    EXPECT_TRUE(third.InitInstance());
    EXPECT_EQ(notifier.messages.size(), size_t{1});
    third.ExitInstance();
    EXPECT_TRUE(QDir(dir.filePath(QStringLiteral("Backup"))).exists());
}

TEST(AboutBox, ListsTheKeysAndEveryKeyTextFitsItsLabel)
{
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
