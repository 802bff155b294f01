// The skin buttons at the keyboard and to screen readers: Enter on the button with the focus
// frame acts as the mouse does, other keys go on to the window, the frame is drawn, and the
// accessibility tree names them. Also how key events become the key tables' strokes.
#include "widgets/bitmap_button.h"
#include "widgets/key_event.h"
#include "widgets/skin_button.h"

#include "res/resource.h"
#include "res/skin_bitmap.h"

#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
#include <QTest>

#include <gtest/gtest.h>

using namespace ostrel;

namespace {

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

void SendKey(QWidget* pTarget, QEvent::Type type, int nKey, Qt::KeyboardModifiers mods = {}, bool bRepeat = false)
{
    QKeyEvent event(type, nKey, mods, QString(), bRepeat);
    QApplication::sendEvent(pTarget, &event);
}

// A window that records the keys that reach it.
class KeyWindow : public QWidget {
public:
    QStringList keys;

protected:
    void keyPressEvent(QKeyEvent* pEvent) override { keys << QKeySequence(pEvent->key()).toString(); }
};

std::optional<KeyStroke> Stroke(int nKey, Qt::KeyboardModifiers mods = {})
{
    const QKeyEvent event(QEvent::KeyPress, nKey, mods);
    return ToKeyStroke(event);
}

} // namespace

TEST(SkinButtonKeys, EnterHeldOnAMomentaryButtonIsTheMouseHeldOnIt)
{
    CSkinButton btn(IDC_PTZ_UP);
    btn.resize(51, 34);
    btn.SetBitmaps(IDB_PTZ_UP, IDB_PTZ_UP_PRESSED, 0, 0, 1324, CSkinButton::Momentary);
    ParentLog log;
    log.Attach(btn);
    SendKey(&btn, QEvent::KeyPress, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(btn.CurrentBitmapId(), IDB_PTZ_UP_PRESSED);
    for (int i = 0; i < 3; ++i) { // the keyboard's repeats: release and press again
        SendKey(&btn, QEvent::KeyRelease, Qt::Key_Return, {}, true);
        SendKey(&btn, QEvent::KeyPress, Qt::Key_Return, {}, true);
    }
    SendKey(&btn, QEvent::KeyRelease, Qt::Key_Return);
    QCoreApplication::processEvents();
    // The same as the mouse's press and release (SkinButton.MomentaryClickReportsPressReleaseAndCommand).
    EXPECT_EQ(log.entries, (QStringList{"sent 1324 1", "posted 1324 1", "sent 1324 0", "posted 1324 0",
                                        QStringLiteral("command %1").arg(IDC_PTZ_UP)}));
    EXPECT_EQ(btn.CurrentBitmapId(), IDB_PTZ_UP);
}

TEST(SkinButtonKeys, ClickOnAToggleFlipsItAndADisabledButtonIgnoresEveryKeyPath)
{
    CSkinButton btn(IDC_CONNECT);
    btn.resize(33, 32);
    btn.SetBitmaps(IDB_CONNECT_OFF, 0, IDB_CONNECT_ON, 0, 0, CSkinButton::Toggle);
    ParentLog log;
    log.Attach(btn);
    btn.Click();
    QCoreApplication::processEvents();
    EXPECT_TRUE(btn.GetCheck());
    EXPECT_EQ(btn.CurrentBitmapId(), IDB_CONNECT_ON);
    EXPECT_EQ(log.entries, QStringList{QStringLiteral("command %1").arg(IDC_CONNECT)});

    log.entries.clear();
    btn.setEnabled(false);
    btn.Click();
    btn.Press();
    SendKey(&btn, QEvent::KeyPress, Qt::Key_Enter);
    SendKey(&btn, QEvent::KeyRelease, Qt::Key_Enter);
    QCoreApplication::processEvents();
    EXPECT_TRUE(log.entries.isEmpty());
    EXPECT_FALSE(btn.IsPressed());
}

TEST(SkinButtonKeys, KeysOtherThanEnterGoOnToTheWindow)
{
    KeyWindow window;
    auto* pSkin = new CSkinButton(IDC_PTZ_UP, &window);
    pSkin->SetBitmaps(IDB_PTZ_UP, IDB_PTZ_UP_PRESSED, 0, 0, 1324, CSkinButton::Momentary);
    auto* pPush = new CBitmapButton(IDC_EXIT, &window);
    pPush->LoadBitmaps(IDB_EXIT, IDB_EXIT_PRESSED);
    int nClicks = 0;
    QObject::connect(pPush, &QAbstractButton::clicked, [&nClicks] { ++nClicks; });
    for (QWidget* pButton : {static_cast<QWidget*>(pSkin), static_cast<QWidget*>(pPush)})
        for (int nKey : {Qt::Key_Space, Qt::Key_Up, Qt::Key_Left, Qt::Key_F1})
            QTest::keyClick(pButton, static_cast<Qt::Key>(nKey));
    EXPECT_EQ(window.keys, (QStringList{"Space", "Up", "Left", "F1", "Space", "Up", "Left", "F1"}));
    EXPECT_FALSE(pSkin->IsPressed());
    EXPECT_EQ(0, nClicks) << "Space is the window's, not the push button's";
    QTest::keyClick(pPush, Qt::Key_Return);
    EXPECT_EQ(1, nClicks);
}

TEST(SkinButtonKeys, TabDrawsTheFocusFrameOnTheButtonItReaches)
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
    const QImage exitUp = SkinBitmap(IDB_EXIT).convertToFormat(QImage::Format_RGB32);
    const auto look = [](QWidget* p) { return p->grab().toImage().convertToFormat(QImage::Format_RGB32); };
    EXPECT_EQ(up.pixel(0, 0), look(pFirst).pixel(0, 0)) << "no frame without the focus";

    QTest::keyClick(&window, Qt::Key_Tab);
    ASSERT_TRUE(pFirst->hasFocus());
    QImage shown = look(pFirst);
    EXPECT_EQ(CSkinButton::kFocusOuter, shown.pixel(0, 0));
    EXPECT_EQ(CSkinButton::kFocusOuter, shown.pixel(50, 33));
    EXPECT_EQ(CSkinButton::kFocusInner, shown.pixel(1, 1));
    EXPECT_EQ(CSkinButton::kFocusInner, shown.pixel(25, 32));
    EXPECT_EQ(up.pixel(25, 17), shown.pixel(25, 17)) << "the image inside the frame is untouched";

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_TRUE(pSecond->hasFocus());
    EXPECT_EQ(up.pixel(0, 0), look(pFirst).pixel(0, 0)) << "the frame went with the focus";
    shown = look(pSecond);
    EXPECT_EQ(CSkinButton::kFocusOuter, shown.pixel(113, 0));
    EXPECT_EQ(CSkinButton::kFocusInner, shown.pixel(1, 20));
    EXPECT_EQ(exitUp.pixel(50, 11), shown.pixel(50, 11));
}

TEST(SkinButtonKeys, ScreenReadersSeeNamedButtonsIndicatorsAndTheirState)
{
    QWidget window;
    auto* pToggle = new CSkinButton(IDC_ROTATE, &window);
    pToggle->SetBitmaps(IDB_CONNECT_OFF, 0, IDB_CONNECT_ON, 0, 0, CSkinButton::Toggle);
    pToggle->setAccessibleName(QStringLiteral("Rotation"));
    auto* pLamp = new CSkinButton(IDC_ACTIVITY_LAMP, &window);
    pLamp->SetBitmaps(IDB_LAMP_OFF, 0, IDB_LAMP_ON, 0, 0, CSkinButton::Toggle);
    pLamp->SetAccessibleRole(QAccessible::Indicator);
    pLamp->setEnabled(false);
    int nCommands = 0;
    QObject::connect(pToggle, &CSkinButton::CommandPosted, [&nCommands] { ++nCommands; });

    QAccessibleInterface* pIface = QAccessible::queryAccessibleInterface(pToggle);
    ASSERT_NE(nullptr, pIface);
    EXPECT_EQ(QAccessible::Button, pIface->role());
    EXPECT_EQ(QStringLiteral("Rotation"), pIface->text(QAccessible::Name));
    EXPECT_TRUE(pIface->state().checkable);
    EXPECT_FALSE(pIface->state().checked);
    EXPECT_TRUE(pIface->state().focusable);
    QAccessibleActionInterface* pActions = pIface->actionInterface();
    ASSERT_NE(nullptr, pActions);
    ASSERT_TRUE(pActions->actionNames().contains(QAccessibleActionInterface::pressAction()));
    pActions->doAction(QAccessibleActionInterface::pressAction());
    QCoreApplication::processEvents();
    EXPECT_EQ(1, nCommands) << "the press action is a click";
    EXPECT_TRUE(pIface->state().checked);

    QAccessibleInterface* pLampIface = QAccessible::queryAccessibleInterface(pLamp);
    ASSERT_NE(nullptr, pLampIface);
    EXPECT_EQ(QAccessible::Indicator, pLampIface->role());
    EXPECT_TRUE(pLampIface->state().disabled);
    EXPECT_FALSE(pLampIface->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));
}

TEST(KeyEvents, BecomeTheStrokesOfTheKeyTables)
{
    struct Case {
        const char* pszWhat;
        int nKey;
        Qt::KeyboardModifiers mods;
        std::optional<KeyStroke> expected;
    };
    const Case cases[] = {
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
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, Stroke(c.nKey, c.mods)) << c.pszWhat;
}
