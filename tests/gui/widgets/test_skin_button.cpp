// The skin buttons under the mouse and the keyboard, and how key events become the key tables'
// strokes.
#include "widgets/bitmap_button.h"
#include "widgets/key_event.h"
#include "widgets/skin_button.h"

#include "res/resource.h"
#include "res/skin_bitmap.h"
#include "support/qt_printers.h"

#include <QApplication>
#include <QKeyEvent>
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
        QObject::connect(&btn, &CSkinButton::KeyPosted, [this](int p, int d) { entries << QStringLiteral("posted %1 %2").arg(p).arg(d); });
        QObject::connect(&btn, &CSkinButton::KeySent, [this](int p, int d) { entries << QStringLiteral("sent %1 %2").arg(p).arg(d); });
        QObject::connect(&btn, &CSkinButton::CommandPosted, [this](int id) { entries << QStringLiteral("command %1").arg(id); });
        QObject::connect(&btn, &CSkinButton::StrayReleasePosted, [this] { entries << QStringLiteral("stray"); });
    }
};

// The live view's connect toggle and its PTZ up key (momentary, message 1324), with a log.
struct Toggle {
    CSkinButton btn{IDC_CONNECT};
    ParentLog log;
    Toggle()
    {
        btn.resize(33, 32);
        btn.SetBitmaps(IDB_CONNECT_OFF, 0, IDB_CONNECT_ON, 0, 0, CSkinButton::Toggle);
        log.Attach(btn);
    }
};
struct UpKey {
    CSkinButton btn{IDC_PTZ_UP};
    ParentLog log;
    UpKey()
    {
        btn.resize(51, 34);
        btn.SetBitmaps(IDB_PTZ_UP, IDB_PTZ_UP_PRESSED, 0, 0, 1324, CSkinButton::Momentary);
        log.Attach(btn);
    }
};

void SendKey(QWidget* pTarget, QEvent::Type type, int nKey, bool bRepeat = false)
{
    QKeyEvent event(type, nKey, Qt::NoModifier, QString(), bRepeat);
    QApplication::sendEvent(pTarget, &event);
}

void SendLeave(QWidget& w)
{
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&w, &leave);
}

// A window that records the keys that reach it.
class KeyWindow : public QWidget {
public:
    QStringList keys;

protected:
    void keyPressEvent(QKeyEvent* pEvent) override { keys << QKeySequence(pEvent->key()).toString(); }
};

} // namespace

TEST(SkinButton, ToggleClickedTwiceFlipsImageAndCheckAndPostsOnlyItsCommand)
{
    Toggle t;
    // When the command arrives the image already shows the new state and the flag has
    // flipped: the command is posted after the image change and before the flip.
    QList<QPair<int, bool>> seenAtCommand;
    QObject::connect(&t.btn, &CSkinButton::CommandPosted, &t.btn,
                     [&] { seenAtCommand.append({t.btn.CurrentBitmapId(), t.btn.GetCheck()}); });
    QTest::mousePress(&t.btn, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(t.btn.CurrentBitmapId(), IDB_CONNECT_OFF) << "state 3 has no image: nothing changes";
    QTest::mouseRelease(&t.btn, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(t.btn.CurrentBitmapId(), IDB_CONNECT_ON);
    EXPECT_TRUE(t.btn.GetCheck());
    EXPECT_TRUE(seenAtCommand.isEmpty()) << "posted, not yet delivered";
    QCoreApplication::processEvents();
    QTest::mouseClick(&t.btn, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(t.btn.CurrentBitmapId(), IDB_CONNECT_OFF);
    QCoreApplication::processEvents();
    EXPECT_EQ(seenAtCommand, (QList<QPair<int, bool>>{{IDB_CONNECT_ON, true}, {IDB_CONNECT_OFF, false}}));
    const QString strCommand = QStringLiteral("command %1").arg(IDC_CONNECT);
    EXPECT_EQ(t.log.entries, (QStringList{strCommand, strCommand})) << "no key messages from a toggle";
}

TEST(SkinButton, MomentaryPressAndReleaseByMouseOrHeldEnterReportPressReleaseAndCommand)
{
    for (const bool bEnter : {false, true}) {
        SCOPED_TRACE(bEnter ? "Enter, with the keyboard's repeats" : "mouse");
        UpKey k;
        if (bEnter) {
            SendKey(&k.btn, QEvent::KeyPress, Qt::Key_Return);
            QCoreApplication::processEvents();
            EXPECT_EQ(k.btn.CurrentBitmapId(), IDB_PTZ_UP_PRESSED);
            for (int i = 0; i < 3; ++i) {
                SendKey(&k.btn, QEvent::KeyRelease, Qt::Key_Return, true);
                SendKey(&k.btn, QEvent::KeyPress, Qt::Key_Return, true);
            }
            SendKey(&k.btn, QEvent::KeyRelease, Qt::Key_Return);
        } else {
            QTest::mousePress(&k.btn, Qt::LeftButton, {}, QPoint(20, 10));
            QCoreApplication::processEvents();
            QTest::mouseRelease(&k.btn, Qt::LeftButton, {}, QPoint(20, 10));
        }
        QCoreApplication::processEvents();
        EXPECT_EQ(k.log.entries, (QStringList{"sent 1324 1", "posted 1324 1", "sent 1324 0", "posted 1324 0",
                                              QStringLiteral("command %1").arg(IDC_PTZ_UP)}));
        EXPECT_EQ(k.btn.CurrentBitmapId(), IDB_PTZ_UP);
    }
}

TEST(SkinButton, MomentaryPressThenLeaveReleasesAtTheLeave)
{
    for (const bool bLeaveByMove : {true, false}) {
        SCOPED_TRACE(bLeaveByMove ? "the pointer is moved off while held" : "the window system reports the leave");
        UpKey k;
        QTest::mousePress(&k.btn, Qt::LeftButton, {}, QPoint(5, 5));
        EXPECT_EQ(k.btn.CurrentBitmapId(), IDB_PTZ_UP_PRESSED);
        EXPECT_EQ(k.log.entries, QStringList{"sent 1324 1"}) << "sent at once, the post waits";
        if (bLeaveByMove)
            QTest::mouseMove(&k.btn, QPoint(60, 5));
        else
            SendLeave(k.btn);
        EXPECT_EQ(k.btn.CurrentBitmapId(), IDB_PTZ_UP);
        EXPECT_FALSE(k.btn.GetCheck());
        QCoreApplication::processEvents();
        const QStringList expected{"sent 1324 1", "sent 1324 0", "posted 1324 1", "posted 1324 0",
                                   QStringLiteral("command %1").arg(IDC_PTZ_UP)};
        EXPECT_EQ(k.log.entries, expected);
        // The release outside belongs to whatever is there now; the click is already complete.
        QTest::mouseRelease(&k.btn, Qt::LeftButton, {}, QPoint(60, 5));
        SendLeave(k.btn);
        QCoreApplication::processEvents();
        EXPECT_EQ(k.log.entries, expected);
    }
}

TEST(SkinButton, PassingOverWithoutAPressIsOneStrayRelease)
{
    UpKey k;
    QMouseEvent hover(QEvent::MouseMove, QPointF(10, 10), QPointF(k.btn.mapToGlobal(QPoint(10, 10))), Qt::NoButton,
                      Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&k.btn, &hover);
    SendLeave(k.btn);
    SendLeave(k.btn); // a leave while the pointer is not known to be inside says nothing
    QCoreApplication::processEvents();
    EXPECT_EQ(k.log.entries, QStringList{"stray"});
    EXPECT_EQ(k.btn.CurrentBitmapId(), IDB_PTZ_UP);
}

TEST(SkinButton, MomentarySetCheckPostsOnlyChanges)
{
    UpKey k;
    k.btn.SetCheck(1);
    k.btn.SetCheck(1);
    EXPECT_EQ(k.btn.CurrentBitmapId(), IDB_PTZ_UP_PRESSED);
    k.btn.SetCheck(0);
    k.btn.SetCheck(2); // anything but 1 releases
    EXPECT_EQ(k.btn.CurrentBitmapId(), IDB_PTZ_UP);
    EXPECT_TRUE(k.log.entries.isEmpty());
    QCoreApplication::processEvents();
    EXPECT_EQ(k.log.entries, (QStringList{"posted 1324 1", "posted 1324 0"}));
}

TEST(SkinButton, TheRightButtonADisabledButtonAndADeletedOnesPostsDoNothing)
{
    Toggle t;
    QTest::mouseClick(&t.btn, Qt::RightButton, {}, QPoint(5, 5));
    t.btn.setEnabled(false);
    t.btn.Click();
    t.btn.Press();
    SendKey(&t.btn, QEvent::KeyPress, Qt::Key_Enter);
    SendKey(&t.btn, QEvent::KeyRelease, Qt::Key_Enter);
    QCoreApplication::processEvents();
    EXPECT_TRUE(t.log.entries.isEmpty());
    EXPECT_FALSE(t.btn.GetCheck());
    EXPECT_FALSE(t.btn.IsPressed());

    ParentLog log; // outlives the button
    auto pGone = std::make_unique<CSkinButton>(IDC_CONNECT);
    pGone->resize(33, 32);
    pGone->SetBitmaps(IDB_CONNECT_OFF, 0, IDB_CONNECT_ON, 0, 0, CSkinButton::Toggle);
    log.Attach(*pGone);
    QTest::mouseClick(pGone.get(), Qt::LeftButton, {}, QPoint(5, 5));
    pGone.reset();
    QCoreApplication::processEvents();
    EXPECT_TRUE(log.entries.isEmpty());
}

TEST(SkinButton, KeysOtherThanEnterGoOnToTheWindow)
{
    KeyWindow window;
    auto* pSkin = new CSkinButton(IDC_PTZ_UP, &window);
    pSkin->SetBitmaps(IDB_PTZ_UP, IDB_PTZ_UP_PRESSED, 0, 0, 1324, CSkinButton::Momentary);
    auto* pPush = new CBitmapButton(IDC_EXIT, &window);
    pPush->LoadBitmaps(IDB_EXIT, IDB_EXIT_PRESSED);
    int nClicks = 0;
    QObject::connect(pPush, &QAbstractButton::clicked, [&nClicks] { ++nClicks; });
    for (QWidget* pButton : {static_cast<QWidget*>(pSkin), static_cast<QWidget*>(pPush)})
        for (Qt::Key key : {Qt::Key_Space, Qt::Key_Up, Qt::Key_Left, Qt::Key_F1})
            QTest::keyClick(pButton, key);
    EXPECT_EQ(window.keys, (QStringList{"Space", "Up", "Left", "F1", "Space", "Up", "Left", "F1"}));
    EXPECT_FALSE(pSkin->IsPressed());
    EXPECT_EQ(0, nClicks) << "Space is the window's, not the push button's";
    QTest::keyClick(pPush, Qt::Key_Return);
    EXPECT_EQ(1, nClicks);
}

TEST(SkinButton, TabDrawsTheFocusFrameOnTheButtonItReaches)
{
    QWidget window;
    window.resize(200, 60);
    auto* pFirst = new CSkinButton(IDC_PTZ_UP, &window);
    pFirst->setGeometry(0, 0, 51, 34);
    pFirst->SetBitmaps(IDB_PTZ_UP, IDB_PTZ_UP_PRESSED, 0, 0, 1324, CSkinButton::Momentary);
    auto* pSecond = new CBitmapButton(IDC_EXIT, &window);
    pSecond->setGeometry(60, 0, 114, 22);
    pSecond->LoadBitmaps(IDB_EXIT, IDB_EXIT_PRESSED);
    window.setFocusPolicy(Qt::ClickFocus);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    window.setFocus();
    const QImage up = SkinBitmap(IDB_PTZ_UP).convertToFormat(QImage::Format_RGB32);
    const auto look = [](QWidget* p) { return p->grab().toImage().convertToFormat(QImage::Format_RGB32); };
    EXPECT_EQ(up.pixel(0, 0), look(pFirst).pixel(0, 0)) << "no frame without the focus";

    QTest::keyClick(&window, Qt::Key_Tab);
    ASSERT_TRUE(pFirst->hasFocus());
    QImage shown = look(pFirst);
    for (const QPoint& pt : {QPoint(0, 0), QPoint(50, 33)})
        EXPECT_EQ(CSkinButton::kFocusOuter, shown.pixel(pt)) << pt.x();
    for (const QPoint& pt : {QPoint(1, 1), QPoint(25, 32)})
        EXPECT_EQ(CSkinButton::kFocusInner, shown.pixel(pt)) << pt.x();
    EXPECT_EQ(up.pixel(25, 17), shown.pixel(25, 17)) << "the image inside the frame is untouched";

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_TRUE(pSecond->hasFocus());
    EXPECT_EQ(up.pixel(0, 0), look(pFirst).pixel(0, 0)) << "the frame went with the focus";
    shown = look(pSecond);
    EXPECT_EQ(CSkinButton::kFocusOuter, shown.pixel(113, 0));
    EXPECT_EQ(CSkinButton::kFocusInner, shown.pixel(1, 20));
    EXPECT_EQ(SkinBitmap(IDB_EXIT).convertToFormat(QImage::Format_RGB32).pixel(50, 11), shown.pixel(50, 11));
}

TEST(KeyEvents, BecomeTheStrokesOfTheKeyTables)
{
    const struct {
        const char* pszWhat;
        int nKey;
        Qt::KeyboardModifiers mods;
        std::optional<KeyStroke> expected;
    } cases[] = {
        {"F1", Qt::Key_F1, {}, KeyStroke{KeyStroke::kF1, KeyStroke::kNone}},
        {"Shift+F6", Qt::Key_F6, Qt::ShiftModifier, KeyStroke{KeyStroke::kF1 + 5, KeyStroke::kShift}},
        {"F11", Qt::Key_F11, {}, KeyStroke{KeyStroke::kF1 + 10, KeyStroke::kNone}},
        {"Shift+Space", Qt::Key_Space, Qt::ShiftModifier, KeyStroke{KeyStroke::kSpace, KeyStroke::kShift}},
        {"Ctrl+Left", Qt::Key_Left, Qt::ControlModifier, KeyStroke{KeyStroke::kLeft, KeyStroke::kCtrl}},
        {"keypad Up (no NumLock)", Qt::Key_Up, Qt::KeypadModifier, KeyStroke{KeyStroke::kUp, KeyStroke::kNone}},
        {"+ typed with Shift", Qt::Key_Plus, Qt::ShiftModifier, KeyStroke{'+', KeyStroke::kNone}},
        {"keypad +", Qt::Key_Plus, Qt::KeypadModifier, KeyStroke{'+', KeyStroke::kNone}},
        {"keypad 4", Qt::Key_4, Qt::KeypadModifier, KeyStroke{'4', KeyStroke::kNone}},
        {"[ through AltGr", Qt::Key_BracketLeft, Qt::GroupSwitchModifier, KeyStroke{'[', KeyStroke::kNone}},
        {"Shift+R is R", Qt::Key_R, Qt::ShiftModifier, KeyStroke{'R', KeyStroke::kNone}},
        {"Ctrl+R stays Ctrl", Qt::Key_R, Qt::ControlModifier, KeyStroke{'R', KeyStroke::kCtrl}},
        {"Alt+R is no stroke", Qt::Key_R, Qt::AltModifier, std::nullopt},
        {"Meta+F1 is no stroke", Qt::Key_F1, Qt::MetaModifier, std::nullopt},
        {"Tab is no stroke", Qt::Key_Tab, {}, std::nullopt},
        {"a dead key is no stroke", Qt::Key_Dead_Grave, {}, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, ToKeyStroke(QKeyEvent(QEvent::KeyPress, c.nKey, c.mods))) << c.pszWhat;
}
