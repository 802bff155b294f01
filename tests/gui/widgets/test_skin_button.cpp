// The skin buttons' paths the live view's tests do not reach (a held key let go by Enter or by the
// pointer leaving, the focus frame), and how key events become the key tables' strokes.
#include "widgets/key_event.h"
#include "widgets/skin_button.h"

#include "res/resource.h"
#include "res/skin_bitmap.h"
#include "support/qt_printers.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace ostrel;

namespace {

// The live view's PTZ up key (momentary, message 1324) and everything it tells its parent.
struct UpKey {
    std::unique_ptr<CSkinButton> pBtn = std::make_unique<CSkinButton>(IDC_PTZ_UP);
    std::shared_ptr<QStringList> pLog = std::make_shared<QStringList>(); // outlives the button

    UpKey()
    {
        pBtn->resize(51, 34);
        pBtn->SetBitmaps(IDB_PTZ_UP, IDB_PTZ_UP_PRESSED, 0, 0, 1324, CSkinButton::Momentary);
        const auto log = pLog;
        QObject::connect(pBtn.get(), &CSkinButton::KeyPosted, [log](int p, int d) { *log << QStringLiteral("posted %1 %2").arg(p).arg(d); });
        QObject::connect(pBtn.get(), &CSkinButton::KeySent, [log](int p, int d) { *log << QStringLiteral("sent %1 %2").arg(p).arg(d); });
        QObject::connect(pBtn.get(), &CSkinButton::CommandPosted, [log](int id) { *log << QStringLiteral("command %1").arg(id); });
    }
};

void SendKey(QWidget* pTarget, QEvent::Type type, int nKey, bool bRepeat = false)
{
    QKeyEvent event(type, nKey, Qt::NoModifier, QString(), bRepeat);
    QApplication::sendEvent(pTarget, &event);
}

const QString kCommand = QStringLiteral("command %1").arg(IDC_PTZ_UP);

} // namespace

TEST(SkinButton, AHeldKeyIsLetGoByEnterComingUpOrByThePointerLeaving)
{
    enum How { Enter, MoveOff, Leave };
    for (const How how : {Enter, MoveOff, Leave}) {
        SCOPED_TRACE(how);
        UpKey k;
        if (how == Enter) {
            SendKey(k.pBtn.get(), QEvent::KeyPress, Qt::Key_Return);
            QCoreApplication::processEvents();
            for (int i = 0; i < 3; ++i) { // the keyboard's repeats
                SendKey(k.pBtn.get(), QEvent::KeyRelease, Qt::Key_Return, true);
                SendKey(k.pBtn.get(), QEvent::KeyPress, Qt::Key_Return, true);
            }
            EXPECT_EQ(k.pBtn->CurrentBitmapId(), IDB_PTZ_UP_PRESSED);
            SendKey(k.pBtn.get(), QEvent::KeyRelease, Qt::Key_Return);
        } else {
            QTest::mousePress(k.pBtn.get(), Qt::LeftButton, {}, QPoint(5, 5));
            EXPECT_EQ(*k.pLog, QStringList{"sent 1324 1"}) << "sent at once, the post waits";
            if (how == MoveOff) {
                QTest::mouseMove(k.pBtn.get(), QPoint(60, 5));
            } else {
                QEvent leave(QEvent::Leave);
                QApplication::sendEvent(k.pBtn.get(), &leave);
            }
        }
        EXPECT_EQ(k.pBtn->CurrentBitmapId(), IDB_PTZ_UP);
        QCoreApplication::processEvents();
        const QStringList expected = how == Enter
            ? QStringList{"sent 1324 1", "posted 1324 1", "sent 1324 0", "posted 1324 0", kCommand}
            : QStringList{"sent 1324 1", "sent 1324 0", "posted 1324 1", "posted 1324 0", kCommand};
        EXPECT_EQ(*k.pLog, expected);
        // The release outside belongs to whatever is there now; the click is already complete.
        QTest::mouseRelease(k.pBtn.get(), Qt::LeftButton, {}, QPoint(60, 5));
        QCoreApplication::processEvents();
        EXPECT_EQ(*k.pLog, expected);
    }
}

TEST(SkinButton, ADeletedButtonsPostsAreDropped)
{
    UpKey k;
    QTest::mouseClick(k.pBtn.get(), Qt::LeftButton, {}, QPoint(5, 5));
    k.pBtn.reset();
    QCoreApplication::processEvents();
    EXPECT_EQ(*k.pLog, (QStringList{"sent 1324 1", "sent 1324 0"})) << "only what was sent before it went";
}

TEST(SkinButton, TabDrawsTheFocusFrameOnTheButtonItReachesAndTakesItAway)
{
    QWidget window;
    auto* pFirst = new CSkinButton(IDC_PTZ_UP, &window);
    auto* pSecond = new CSkinButton(IDC_PTZ_DOWN, &window);
    for (CSkinButton* pButton : {pFirst, pSecond}) {
        pButton->setGeometry(pButton == pFirst ? 0 : 60, 0, 51, 34);
        pButton->SetBitmaps(IDB_PTZ_UP, IDB_PTZ_UP_PRESSED, 0, 0, 1324, CSkinButton::Momentary);
    }
    window.setFocusPolicy(Qt::ClickFocus);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    window.setFocus();
    const QImage up = SkinBitmap(IDB_PTZ_UP).convertToFormat(QImage::Format_RGB32);
    const auto look = [](QWidget* p) { return p->grab().toImage().convertToFormat(QImage::Format_RGB32); };
    QTest::keyClick(&window, Qt::Key_Tab);
    ASSERT_TRUE(pFirst->hasFocus());
    const QImage shown = look(pFirst); // the frame's two lines, the image inside untouched
    EXPECT_EQ((std::vector<QRgb>{qRgb(0, 0, 0), qRgb(255, 200, 0), up.pixel(25, 17)}), // black outside, amber inside
              (std::vector<QRgb>{shown.pixel(0, 0), shown.pixel(1, 1), shown.pixel(25, 17)}));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_TRUE(pSecond->hasFocus());
    EXPECT_EQ(up.pixel(0, 0), look(pFirst).pixel(0, 0)) << "the frame went with the focus";
}

TEST(KeyEvents, BecomeTheStrokesOfTheKeyTables)
{
    const struct {
        const char* pszWhat;
        int nKey;
        Qt::KeyboardModifiers mods;
        std::optional<KeyStroke> expected;
    } cases[] = {
        {"Shift+F6", Qt::Key_F6, Qt::ShiftModifier, KeyStroke{KeyStroke::kF1 + 5, KeyStroke::kShift}},
        {"Shift+Space", Qt::Key_Space, Qt::ShiftModifier, KeyStroke{KeyStroke::kSpace, KeyStroke::kShift}},
        {"Ctrl+Left", Qt::Key_Left, Qt::ControlModifier, KeyStroke{KeyStroke::kLeft, KeyStroke::kCtrl}},
        {"keypad Up (no NumLock)", Qt::Key_Up, Qt::KeypadModifier, KeyStroke{KeyStroke::kUp, KeyStroke::kNone}},
        {"+ typed with Shift", Qt::Key_Plus, Qt::ShiftModifier, KeyStroke{'+', KeyStroke::kNone}},
        {"keypad 4", Qt::Key_4, Qt::KeypadModifier, KeyStroke{'4', KeyStroke::kNone}},
        {"[ through AltGr", Qt::Key_BracketLeft, Qt::GroupSwitchModifier, KeyStroke{'[', KeyStroke::kNone}},
        {"Ctrl+R stays Ctrl", Qt::Key_R, Qt::ControlModifier, KeyStroke{'R', KeyStroke::kCtrl}},
        {"Alt+R is no stroke", Qt::Key_R, Qt::AltModifier, std::nullopt},
        {"Meta+F1 is no stroke", Qt::Key_F1, Qt::MetaModifier, std::nullopt},
        {"a dead key is no stroke", Qt::Key_Dead_Grave, {}, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, ToKeyStroke(QKeyEvent(QEvent::KeyPress, c.nKey, c.mods))) << c.pszWhat;
}
