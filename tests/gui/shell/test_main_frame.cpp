#include "shell/about_dlg.h"
#include "shell/main_frame.h"
#include "shell/ostrel_app.h"

#include "fakes/recording_notifier.h"
#include "support/qt_printers.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QLayout>
#include <QMouseEvent>
#include <QPointer>
#include <QRegion>
#include <QScreen>
#include <QSignalSpy>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>


using namespace ostrel;

namespace {

void SendMouse(QWidget& w, QEvent::Type type, QPoint ptLocal, Qt::MouseButtons buttons)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent ev(type, QPointF(ptLocal), QPointF(w.mapToGlobal(ptLocal)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(&w, &ev);
}

QPoint ScreenTopLeft()
{
    return QGuiApplication::primaryScreen()->geometry().topLeft();
}

} // namespace

TEST(MainFrame, FrameIsBorderlessWithTwoPixelsCutAway)
{
    CMainFrame frame;
    EXPECT_EQ(frame.size(), QSize(877, 685));
    EXPECT_TRUE(frame.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(frame.mask(), QRegion(2, 2, 873, 681));
    EXPECT_TRUE(frame.mask().contains(QPoint(874, 682)));
    EXPECT_FALSE(frame.mask().contains(QPoint(875, 683)));
    EXPECT_FALSE(frame.mask().contains(QPoint(1, 300)));
}

TEST(MainFrame, NormalPositionCentresByIntegerDivision)
{
    struct Row {
        const char* pszName;
        QSize szScreen;
        QPoint ptExpected;
    };
    const Row rows[] = {
        {"1024 x 768", QSize(1024, 768), QPoint(73, 41)},
        {"1280 x 1024", QSize(1280, 1024), QPoint(201, 169)},
        {"exactly the window", QSize(877, 685), QPoint(0, 0)},
        {"a smaller screen gives a negative position", QSize(800, 600), QPoint(-38, -42)},
        {"odd overhang rounds toward zero", QSize(640, 480), QPoint(-118, -102)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pszName);
        EXPECT_EQ(CMainFrame::NormalPosition(row.szScreen), row.ptExpected);
    }
}

TEST(MainFrame, FullScreenMovesWithoutResizing)
{
    CMainFrame frame;
    const QSize szScreen = QGuiApplication::primaryScreen()->geometry().size();
    EXPECT_EQ(frame.pos(), ScreenTopLeft() + CMainFrame::NormalPosition(szScreen));
    frame.SetFullScreen(true);
    EXPECT_TRUE(frame.IsFullScreenPlaced());
    EXPECT_EQ(frame.pos(), ScreenTopLeft() + QPoint(-2, -2));
    EXPECT_EQ(frame.size(), QSize(877, 685));
    frame.SetFullScreen(false);
    EXPECT_EQ(frame.pos(), ScreenTopLeft() + CMainFrame::NormalPosition(szScreen));
}

TEST(MainFrame, TheViewFillsTheFrameAndIsOwnedByIt)
{
    CMainFrame frame;
    QPointer<QWidget> pFirst = new QWidget;
    frame.SetView(pFirst);
    EXPECT_EQ(pFirst->parentWidget(), &frame);
    EXPECT_EQ(pFirst->geometry(), QRect(0, 0, 877, 685));
    frame.SetView(new QWidget);
    EXPECT_TRUE(pFirst.isNull()); // replaced views are deleted
    EXPECT_EQ(frame.View()->geometry(), QRect(0, 0, 877, 685));
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
    const QPoint ptStart = frame.pos();
    // The offscreen platform has no system move, so the frame follows the pointer itself.
    SendMouse(frame, QEvent::MouseButtonPress, QPoint(300, 300), Qt::LeftButton);
    const QPoint ptGlobal = frame.mapToGlobal(QPoint(300, 300));
    QMouseEvent move(QEvent::MouseMove, QPointF(300, 300), QPointF(ptGlobal + QPoint(25, 15)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&frame, &move);
    EXPECT_EQ(frame.pos(), ptStart + QPoint(25, 15));
    SendMouse(frame, QEvent::MouseButtonRelease, QPoint(325, 315), Qt::NoButton);
    QMouseEvent after(QEvent::MouseMove, QPointF(300, 300), QPointF(ptGlobal + QPoint(90, 90)), Qt::NoButton,
                      Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&frame, &after);
    EXPECT_EQ(frame.pos(), ptStart + QPoint(25, 15)); // the drag ended with the release

    // In full-screen placement a press does not move the window.
    frame.SetFullScreen(true);
    SendMouse(frame, QEvent::MouseButtonPress, QPoint(300, 300), Qt::LeftButton);
    QApplication::sendEvent(&frame, &move);
    EXPECT_EQ(frame.pos(), ScreenTopLeft() + QPoint(-2, -2));
    SendMouse(frame, QEvent::MouseButtonRelease, QPoint(300, 300), Qt::NoButton);
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
    EXPECT_TRUE(first.GetMainWnd()->isVisible()); // the first copy is not touched

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
