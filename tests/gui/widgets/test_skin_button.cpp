#include "widgets/skin_button.h"

#include "res/resource.h"
#include "res/skin_bitmap.h"
#include "support/qt_printers.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>

#include <gtest/gtest.h>

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

TEST(SkinButton, ToggleClickedTwiceFlipsImageAndCheck)
{
    CSkinButton btn(IDC_CONNECT);
    btn.resize(33, 32);
    btn.SetBitmaps(IDB_CONNECT_OFF, 0, IDB_CONNECT_ON, 0, 0, CSkinButton::Toggle);
    EXPECT_EQ(btn.CurrentBitmapId(), IDB_CONNECT_OFF);

    // When the command arrives the image already shows the new state and the flag has
    // flipped: the command is posted after the image change and before the flip.
    QList<QPair<int, bool>> seenAtCommand;
    QObject::connect(&btn, &CSkinButton::CommandPosted, &btn, [&](int id) {
        EXPECT_EQ(id, IDC_CONNECT);
        seenAtCommand.append({btn.CurrentBitmapId(), btn.GetCheck()});
    });

    QTest::mousePress(&btn, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(btn.CurrentBitmapId(), IDB_CONNECT_OFF); // state 3 has no image: nothing changes
    QTest::mouseRelease(&btn, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(btn.CurrentBitmapId(), IDB_CONNECT_ON);
    EXPECT_TRUE(btn.GetCheck());
    EXPECT_TRUE(seenAtCommand.isEmpty()); // posted, not yet delivered
    QCoreApplication::processEvents();
    ASSERT_EQ(seenAtCommand.size(), 1);
    EXPECT_EQ(seenAtCommand.at(0), qMakePair(IDB_CONNECT_ON, true));

    QTest::mouseClick(&btn, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(btn.CurrentBitmapId(), IDB_CONNECT_OFF);
    EXPECT_FALSE(btn.GetCheck());
    QCoreApplication::processEvents();
    ASSERT_EQ(seenAtCommand.size(), 2);
    EXPECT_EQ(seenAtCommand.at(1), qMakePair(IDB_CONNECT_OFF, false));
}

TEST(SkinButton, ToggleSendsNoKeyMessages)
{
    CSkinButton btn(IDC_ROTATE);
    btn.resize(51, 11);
    btn.SetBitmaps(IDB_SMALL_KEY, 0, IDB_SMALL_KEY_PRESSED, 0, 7, CSkinButton::Toggle);
    ParentLog log;
    log.Attach(btn);
    QTest::mouseClick(&btn, Qt::LeftButton, {}, QPoint(5, 5));
    btn.SetCheck(0);
    QCoreApplication::processEvents();
    EXPECT_EQ(log.entries, QStringList{QStringLiteral("command %1").arg(IDC_ROTATE)});
    EXPECT_EQ(btn.CurrentBitmapId(), IDB_SMALL_KEY);
}

TEST(SkinButton, MomentaryPressThenLeaveReleasesAtTheLeave)
{
    struct Row {
        const char* pszName;
        bool bLeaveByMove;
    };
    const Row rows[] = {
        {"the pointer is moved off while held", true},
        {"the window system reports the leave", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pszName);
        CSkinButton btn(IDC_PTZ_CH_PLUS);
        btn.resize(21, 20);
        btn.SetBitmaps(IDB_PTZ_CH_PLUS, IDB_PTZ_CH_PLUS_PRESSED, 0, 0, 13, CSkinButton::Momentary);
        ParentLog log;
        log.Attach(btn);

        QTest::mousePress(&btn, Qt::LeftButton, {}, QPoint(5, 5));
        EXPECT_EQ(btn.CurrentBitmapId(), IDB_PTZ_CH_PLUS_PRESSED);
        EXPECT_TRUE(btn.GetCheck());
        EXPECT_EQ(log.entries, QStringList{"sent 13 1"}); // sent at once, the post waits

        if (row.bLeaveByMove)
            QTest::mouseMove(&btn, QPoint(40, 5));
        else
            SendLeave(btn);
        EXPECT_EQ(btn.CurrentBitmapId(), IDB_PTZ_CH_PLUS);
        EXPECT_FALSE(btn.GetCheck());
        EXPECT_EQ(log.entries, (QStringList{"sent 13 1", "sent 13 0"}));

        QCoreApplication::processEvents();
        const QStringList expected{"sent 13 1", "sent 13 0", "posted 13 1", "posted 13 0",
                                   QStringLiteral("command %1").arg(IDC_PTZ_CH_PLUS)};
        EXPECT_EQ(log.entries, expected);

        // The release outside belongs to whatever is there now; the click is already complete.
        QTest::mouseRelease(&btn, Qt::LeftButton, {}, QPoint(40, 5));
        SendLeave(btn);
        QCoreApplication::processEvents();
        EXPECT_EQ(log.entries, expected);
    }
}

TEST(SkinButton, MomentaryClickReportsPressReleaseAndCommand)
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
    EXPECT_EQ(log.entries, (QStringList{"sent 1324 1", "posted 1324 1", "sent 1324 0", "posted 1324 0",
                                        QStringLiteral("command %1").arg(IDC_PTZ_UP)}));
}

TEST(SkinButton, ReleaseOrLeaveWithoutPressIsStray)
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
    EXPECT_EQ(log.entries, QStringList{"stray"});
    EXPECT_EQ(btn.CurrentBitmapId(), IDB_PTZ_DOWN);
}

TEST(SkinButton, MomentarySetCheckPostsOnlyChanges)
{
    CSkinButton btn(IDC_PTZ_LEFT);
    btn.resize(36, 51);
    btn.SetBitmaps(IDB_PTZ_LEFT, IDB_PTZ_LEFT_PRESSED, 0, 0, 1326, CSkinButton::Momentary);
    ParentLog log;
    log.Attach(btn);
    btn.SetCheck(1);
    btn.SetCheck(1);
    EXPECT_EQ(btn.CurrentBitmapId(), IDB_PTZ_LEFT_PRESSED);
    btn.SetCheck(0);
    btn.SetCheck(2); // anything but 1 releases
    EXPECT_EQ(btn.CurrentBitmapId(), IDB_PTZ_LEFT);
    EXPECT_TRUE(log.entries.isEmpty());
    QCoreApplication::processEvents();
    EXPECT_EQ(log.entries, (QStringList{"posted 1326 1", "posted 1326 0"}));
}

TEST(SkinButton, RightButtonDoesNothing)
{
    CSkinButton btn(IDC_CONNECT);
    btn.resize(33, 32);
    btn.SetBitmaps(IDB_CONNECT_OFF, 0, IDB_CONNECT_ON, 0, 0, CSkinButton::Toggle);
    ParentLog log;
    log.Attach(btn);
    QTest::mouseClick(&btn, Qt::RightButton, {}, QPoint(5, 5));
    QCoreApplication::processEvents();
    EXPECT_TRUE(log.entries.isEmpty());
    EXPECT_FALSE(btn.GetCheck());
}

TEST(SkinButton, PostedMessagesOfADeletedButtonAreDropped)
{
    ParentLog log;
    auto pBtn = std::make_unique<CSkinButton>(IDC_CONNECT);
    pBtn->resize(33, 32);
    pBtn->SetBitmaps(IDB_CONNECT_OFF, 0, IDB_CONNECT_ON, 0, 0, CSkinButton::Toggle);
    log.Attach(*pBtn);
    QTest::mouseClick(pBtn.get(), Qt::LeftButton, {}, QPoint(5, 5));
    pBtn.reset();
    QCoreApplication::processEvents();
    EXPECT_TRUE(log.entries.isEmpty());
}

TEST(SkinButton, PaintShowsTheStateImageCutToTheControl)
{
    // The lamp bitmap is 40 x 40; the archive's lamp control is 33 x 33 and shows its top left.
    QWidget parent;
    parent.resize(60, 60);
    CSkinButton btn(IDC_RECEIVE_LAMP, &parent);
    btn.setGeometry(0, 0, 33, 33);
    btn.SetBitmaps(IDB_LAMP_OFF, 0, IDB_LAMP_ON, 0, 0, CSkinButton::Toggle);
    btn.SetCheck(1);
    const QImage shot = btn.grab().toImage();
    ASSERT_EQ(shot.size(), QSize(33, 33));
    const QImage lamp = SkinBitmap(IDB_LAMP_ON);
    for (const QPoint& pt : {QPoint(16, 16), QPoint(3, 3), QPoint(32, 32)})
        EXPECT_EQ(shot.pixelColor(pt).rgb(), lamp.pixelColor(pt).rgb()) << "at " << pt.x() << ", " << pt.y();
}
