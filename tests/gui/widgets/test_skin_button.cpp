#include "widgets/skin_button.h"

#include "res/resource.h"
#include "res/skin_bitmap.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>

#include <memory>

using namespace ostrel;

namespace {

// Everything the button tells its parent, in the order it arrives.
struct ParentLog {
    QStringList entries;

    void Attach(CSkinButton& btn)
    {
        QObject::connect(&btn, &CSkinButton::KeyPosted, [this](int p, int d) {
            entries << QStringLiteral("posted %1 %2").arg(p).arg(d);
        });
        QObject::connect(&btn, &CSkinButton::KeySent, [this](int p, int d) {
            entries << QStringLiteral("sent %1 %2").arg(p).arg(d);
        });
        QObject::connect(&btn, &CSkinButton::CommandPosted, [this](int id) {
            entries << QStringLiteral("command %1").arg(id);
        });
        QObject::connect(&btn, &CSkinButton::StrayReleasePosted, [this] { entries << QStringLiteral("stray"); });
    }
};

// A move with no button held (QTest moves the cursor for those, which reaches no widget here).
void SendHover(QWidget& w, QPoint pt)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(pt), QPointF(w.mapToGlobal(pt)), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(&w, &move);
}

void SendLeave(QWidget& w)
{
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&w, &leave);
}

} // namespace

class TestSkinButton : public QObject {
    Q_OBJECT
private slots:
    void toggleClickedTwiceFlipsImageAndCheck()
    {
        CSkinButton btn(IDC_CONNECT);
        btn.resize(33, 32);
        btn.SetBitmaps(IDB_CONNECT_OFF, 0, IDB_CONNECT_ON, 0, 0, CSkinButton::Toggle);
        QCOMPARE(btn.CurrentBitmapId(), IDB_CONNECT_OFF);

        // When the command arrives the image already shows the new state and the flag has
        // flipped: the command is posted after the image change and before the flip.
        QList<QPair<int, bool>> seenAtCommand;
        connect(&btn, &CSkinButton::CommandPosted, this, [&](int id) {
            QCOMPARE(id, IDC_CONNECT);
            seenAtCommand.append({btn.CurrentBitmapId(), btn.GetCheck()});
        });

        QTest::mousePress(&btn, Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(btn.CurrentBitmapId(), IDB_CONNECT_OFF); // state 3 has no image: nothing changes
        QTest::mouseRelease(&btn, Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(btn.CurrentBitmapId(), IDB_CONNECT_ON);
        QVERIFY(btn.GetCheck());
        QVERIFY(seenAtCommand.isEmpty()); // posted, not yet delivered
        QCoreApplication::processEvents();
        QCOMPARE(seenAtCommand.size(), 1);
        QCOMPARE(seenAtCommand.at(0), qMakePair(IDB_CONNECT_ON, true));

        QTest::mouseClick(&btn, Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(btn.CurrentBitmapId(), IDB_CONNECT_OFF);
        QVERIFY(!btn.GetCheck());
        QCoreApplication::processEvents();
        QCOMPARE(seenAtCommand.size(), 2);
        QCOMPARE(seenAtCommand.at(1), qMakePair(IDB_CONNECT_OFF, false));
    }

    void toggleSendsNoKeyMessages()
    {
        CSkinButton btn(IDC_ROTATE);
        btn.resize(51, 11);
        btn.SetBitmaps(IDB_SMALL_KEY, 0, IDB_SMALL_KEY_PRESSED, 0, 7, CSkinButton::Toggle);
        ParentLog log;
        log.Attach(btn);
        QTest::mouseClick(&btn, Qt::LeftButton, {}, QPoint(5, 5));
        btn.SetCheck(0);
        QCoreApplication::processEvents();
        QCOMPARE(log.entries, QStringList{QStringLiteral("command %1").arg(IDC_ROTATE)});
        QCOMPARE(btn.CurrentBitmapId(), IDB_SMALL_KEY);
    }

    void momentaryPressThenLeaveReleasesAtTheLeave_data()
    {
        QTest::addColumn<bool>("bLeaveByMove");
        QTest::newRow("the pointer is moved off while held") << true;
        QTest::newRow("the window system reports the leave") << false;
    }

    void momentaryPressThenLeaveReleasesAtTheLeave()
    {
        QFETCH(bool, bLeaveByMove);
        CSkinButton btn(IDC_PTZ_CH_PLUS);
        btn.resize(21, 20);
        btn.SetBitmaps(IDB_PTZ_CH_PLUS, IDB_PTZ_CH_PLUS_PRESSED, 0, 0, 13, CSkinButton::Momentary);
        ParentLog log;
        log.Attach(btn);

        QTest::mousePress(&btn, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(btn.CurrentBitmapId(), IDB_PTZ_CH_PLUS_PRESSED);
        QVERIFY(btn.GetCheck());
        QCOMPARE(log.entries, QStringList{"sent 13 1"}); // sent at once, the post waits

        if (bLeaveByMove)
            QTest::mouseMove(&btn, QPoint(40, 5));
        else
            SendLeave(btn);
        QCOMPARE(btn.CurrentBitmapId(), IDB_PTZ_CH_PLUS);
        QVERIFY(!btn.GetCheck());
        QCOMPARE(log.entries, (QStringList{"sent 13 1", "sent 13 0"}));

        QCoreApplication::processEvents();
        const QStringList expected{"sent 13 1", "sent 13 0", "posted 13 1", "posted 13 0",
                                   QStringLiteral("command %1").arg(IDC_PTZ_CH_PLUS)};
        QCOMPARE(log.entries, expected);

        // The release outside belongs to whatever is there now; the click is already complete.
        QTest::mouseRelease(&btn, Qt::LeftButton, {}, QPoint(40, 5));
        SendLeave(btn);
        QCoreApplication::processEvents();
        QCOMPARE(log.entries, expected);
    }

    void momentaryClickReportsPressReleaseAndCommand()
    {
        CSkinButton btn(IDC_PTZ_UP);
        btn.resize(51, 34);
        btn.SetBitmaps(IDB_PTZ_UP, IDB_PTZ_UP_PRESSED, 0, 0, 1324, CSkinButton::Momentary);
        ParentLog log;
        log.Attach(btn);
        QTest::mousePress(&btn, Qt::LeftButton, {}, QPoint(20, 10));
        QCoreApplication::processEvents();
        QTest::mouseRelease(&btn, Qt::LeftButton, {}, QPoint(20, 10));
        QCoreApplication::processEvents();
        QCOMPARE(log.entries, (QStringList{"sent 1324 1", "posted 1324 1", "sent 1324 0", "posted 1324 0",
                                           QStringLiteral("command %1").arg(IDC_PTZ_UP)}));
    }

    void releaseOrLeaveWithoutPressIsStray()
    {
        CSkinButton btn(IDC_PTZ_DOWN);
        btn.resize(51, 36);
        btn.SetBitmaps(IDB_PTZ_DOWN, IDB_PTZ_DOWN_PRESSED, 0, 0, 1328, CSkinButton::Momentary);
        ParentLog log;
        log.Attach(btn);

        // Passing over the button without pressing it: one stray release at the leave.
        SendHover(btn, QPoint(10, 10));
        SendLeave(btn);
        // A leave while the pointer is not known to be inside says nothing.
        SendLeave(btn);
        QCoreApplication::processEvents();
        QCOMPARE(log.entries, QStringList{"stray"});
        QCOMPARE(btn.CurrentBitmapId(), IDB_PTZ_DOWN);
    }

    void momentarySetCheckPostsOnlyChanges()
    {
        CSkinButton btn(IDC_PTZ_LEFT);
        btn.resize(36, 51);
        btn.SetBitmaps(IDB_PTZ_LEFT, IDB_PTZ_LEFT_PRESSED, 0, 0, 1326, CSkinButton::Momentary);
        ParentLog log;
        log.Attach(btn);
        btn.SetCheck(1);
        btn.SetCheck(1);
        QCOMPARE(btn.CurrentBitmapId(), IDB_PTZ_LEFT_PRESSED);
        btn.SetCheck(0);
        btn.SetCheck(2); // anything but 1 releases
        QCOMPARE(btn.CurrentBitmapId(), IDB_PTZ_LEFT);
        QVERIFY(log.entries.isEmpty());
        QCoreApplication::processEvents();
        QCOMPARE(log.entries, (QStringList{"posted 1326 1", "posted 1326 0"}));
    }

    void rightButtonDoesNothing()
    {
        CSkinButton btn(IDC_CONNECT);
        btn.resize(33, 32);
        btn.SetBitmaps(IDB_CONNECT_OFF, 0, IDB_CONNECT_ON, 0, 0, CSkinButton::Toggle);
        ParentLog log;
        log.Attach(btn);
        QTest::mouseClick(&btn, Qt::RightButton, {}, QPoint(5, 5));
        QCoreApplication::processEvents();
        QVERIFY(log.entries.isEmpty());
        QVERIFY(!btn.GetCheck());
    }

    void postedMessagesOfADeletedButtonAreDropped()
    {
        ParentLog log;
        auto pBtn = std::make_unique<CSkinButton>(IDC_CONNECT);
        pBtn->resize(33, 32);
        pBtn->SetBitmaps(IDB_CONNECT_OFF, 0, IDB_CONNECT_ON, 0, 0, CSkinButton::Toggle);
        log.Attach(*pBtn);
        QTest::mouseClick(pBtn.get(), Qt::LeftButton, {}, QPoint(5, 5));
        pBtn.reset();
        QCoreApplication::processEvents();
        QVERIFY(log.entries.isEmpty());
    }

    void paintShowsTheStateImageCutToTheControl()
    {
        // The lamp bitmap is 40 x 40; the archive's lamp control is 33 x 33 and shows its top left.
        QWidget parent;
        parent.resize(60, 60);
        CSkinButton btn(IDC_RECEIVE_LAMP, &parent);
        btn.setGeometry(0, 0, 33, 33);
        btn.SetBitmaps(IDB_LAMP_OFF, 0, IDB_LAMP_ON, 0, 0, CSkinButton::Toggle);
        btn.SetCheck(1);
        const QImage shot = btn.grab().toImage();
        QCOMPARE(shot.size(), QSize(33, 33));
        const QImage lamp = SkinBitmap(IDB_LAMP_ON);
        for (const QPoint& pt : {QPoint(16, 16), QPoint(3, 3), QPoint(32, 32)})
            QCOMPARE(shot.pixelColor(pt).rgb(), lamp.pixelColor(pt).rgb());
    }
};

QTEST_MAIN(TestSkinButton)
#include "test_skin_button.moc"
