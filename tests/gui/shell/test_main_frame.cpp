#include "shell/main_frame.h"
#include "shell/ostrel_app.h"

#include "fakes/recording_notifier.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QRegion>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

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

class TestMainFrame : public QObject {
    Q_OBJECT
private slots:
    void frameIsBorderlessWithTwoPixelsCutAway()
    {
        CMainFrame frame;
        QCOMPARE(frame.size(), QSize(877, 685));
        QVERIFY(frame.windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(frame.mask(), QRegion(2, 2, 873, 681));
        QVERIFY(frame.mask().contains(QPoint(874, 682)));
        QVERIFY(!frame.mask().contains(QPoint(875, 683)));
        QVERIFY(!frame.mask().contains(QPoint(1, 300)));
    }

    void normalPositionCentresByIntegerDivision_data()
    {
        QTest::addColumn<QSize>("szScreen");
        QTest::addColumn<QPoint>("ptExpected");
        QTest::newRow("1024 x 768") << QSize(1024, 768) << QPoint(73, 41);
        QTest::newRow("1280 x 1024") << QSize(1280, 1024) << QPoint(201, 169);
        QTest::newRow("exactly the window") << QSize(877, 685) << QPoint(0, 0);
        QTest::newRow("a smaller screen gives a negative position") << QSize(800, 600) << QPoint(-38, -42);
        QTest::newRow("odd overhang rounds toward zero") << QSize(640, 480) << QPoint(-118, -102);
    }

    void normalPositionCentresByIntegerDivision()
    {
        QFETCH(QSize, szScreen);
        QFETCH(QPoint, ptExpected);
        QCOMPARE(CMainFrame::NormalPosition(szScreen), ptExpected);
    }

    void fullScreenMovesWithoutResizing()
    {
        CMainFrame frame;
        const QSize szScreen = QGuiApplication::primaryScreen()->geometry().size();
        QCOMPARE(frame.pos(), ScreenTopLeft() + CMainFrame::NormalPosition(szScreen));
        frame.SetFullScreen(true);
        QVERIFY(frame.IsFullScreenPlaced());
        QCOMPARE(frame.pos(), ScreenTopLeft() + QPoint(-2, -2));
        QCOMPARE(frame.size(), QSize(877, 685));
        frame.SetFullScreen(false);
        QCOMPARE(frame.pos(), ScreenTopLeft() + CMainFrame::NormalPosition(szScreen));
    }

    void theViewFillsTheFrameAndIsOwnedByIt()
    {
        CMainFrame frame;
        QPointer<QWidget> pFirst = new QWidget;
        frame.SetView(pFirst);
        QCOMPARE(pFirst->parentWidget(), &frame);
        QCOMPARE(pFirst->geometry(), QRect(0, 0, 877, 685));
        frame.SetView(new QWidget);
        QVERIFY(pFirst.isNull()); // replaced views are deleted
        QCOMPARE(frame.View()->geometry(), QRect(0, 0, 877, 685));
    }

    void doubleClickOnTheBrandAsksForTheAboutBox()
    {
        CMainFrame frame;
        QSignalSpy about(&frame, &CMainFrame::AppAbout);
        QTest::mouseDClick(&frame, Qt::LeftButton, {}, QPoint(100, 620));
        QCOMPARE(about.count(), 1);
        QTest::mouseDClick(&frame, Qt::LeftButton, {}, QPoint(190, 680)); // just outside
        QTest::mouseDClick(&frame, Qt::LeftButton, {}, QPoint(400, 300));
        QCOMPARE(about.count(), 1);
    }

    void dragWithoutAWindowManagerFollowsThePointer()
    {
        CMainFrame frame;
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        const QPoint ptStart = frame.pos();
        // The offscreen platform has no system move, so the frame follows the pointer itself.
        SendMouse(frame, QEvent::MouseButtonPress, QPoint(300, 300), Qt::LeftButton);
        const QPoint ptGlobal = frame.mapToGlobal(QPoint(300, 300));
        QMouseEvent move(QEvent::MouseMove, QPointF(300, 300), QPointF(ptGlobal + QPoint(25, 15)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&frame, &move);
        QCOMPARE(frame.pos(), ptStart + QPoint(25, 15));
        SendMouse(frame, QEvent::MouseButtonRelease, QPoint(325, 315), Qt::NoButton);
        QMouseEvent after(QEvent::MouseMove, QPointF(300, 300), QPointF(ptGlobal + QPoint(90, 90)), Qt::NoButton,
                          Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&frame, &after);
        QCOMPARE(frame.pos(), ptStart + QPoint(25, 15)); // the drag ended with the release

        // In full-screen placement a press does not move the window.
        frame.SetFullScreen(true);
        SendMouse(frame, QEvent::MouseButtonPress, QPoint(300, 300), Qt::LeftButton);
        QApplication::sendEvent(&frame, &move);
        QCOMPARE(frame.pos(), ScreenTopLeft() + QPoint(-2, -2));
        SendMouse(frame, QEvent::MouseButtonRelease, QPoint(300, 300), Qt::NoButton);
    }

    void aSecondStartIsRefusedOnce()
    {
        QTemporaryDir dir;
        const QString strLock = dir.filePath(QStringLiteral("Ostrel.lock"));
        test::RecordingNotifier notifier;
        COstrelApp first(notifier, strLock);
        QVERIFY(first.InitInstance());
        QVERIFY(first.GetMainWnd() && first.GetMainWnd()->isVisible());
        QCOMPARE(QCoreApplication::organizationName(), QStringLiteral("Ostrel"));
        QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("Ostrel16"));

        COstrelApp second(notifier, strLock);
        QVERIFY(!second.InitInstance());
        QCOMPARE(second.GetMainWnd(), nullptr);
        QCOMPARE(notifier.messages, std::vector<std::string>{"ERROR: Another instance of this program exists"});
        QVERIFY(first.GetMainWnd()->isVisible()); // the first copy is not touched

        first.ExitInstance();
        COstrelApp third(notifier, strLock);
        QVERIFY(third.InitInstance());
        QCOMPARE(notifier.messages.size(), size_t{1});
        third.ExitInstance();
    }
};

QTEST_MAIN(TestMainFrame)
#include "test_main_frame.moc"
