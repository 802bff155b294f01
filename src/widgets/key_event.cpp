#include "widgets/key_event.h"

#include <QKeyEvent>

namespace ostrel {

std::optional<KeyStroke> ToKeyStroke(const QKeyEvent& event)
{
    const Qt::KeyboardModifiers mods = event.modifiers() & ~(Qt::KeypadModifier | Qt::GroupSwitchModifier);
    if (mods & (Qt::AltModifier | Qt::MetaModifier))
        return std::nullopt;
    uint8_t byModifiers = KeyStroke::kNone;
    if (mods & Qt::ShiftModifier)
        byModifiers |= KeyStroke::kShift;
    if (mods & Qt::ControlModifier)
        byModifiers |= KeyStroke::kCtrl;

    const int nKey = event.key();
    const auto named = [byModifiers](uint16_t wKey) { return KeyStroke{wKey, byModifiers}; };
    if (nKey >= Qt::Key_F1 && nKey <= Qt::Key_F12)
        return named(static_cast<uint16_t>(KeyStroke::kF1 + (nKey - Qt::Key_F1)));
    switch (nKey) {
    case Qt::Key_Space: return named(KeyStroke::kSpace);
    case Qt::Key_Escape: return named(KeyStroke::kEscape);
    case Qt::Key_Left: return named(KeyStroke::kLeft);
    case Qt::Key_Up: return named(KeyStroke::kUp);
    case Qt::Key_Right: return named(KeyStroke::kRight);
    case Qt::Key_Down: return named(KeyStroke::kDown);
    case Qt::Key_PageUp: return named(KeyStroke::kPageUp);
    case Qt::Key_PageDown: return named(KeyStroke::kPageDown);
    case Qt::Key_Home: return named(KeyStroke::kHome);
    case Qt::Key_End: return named(KeyStroke::kEnd);
    default: break;
    }
    // Characters: Shift is how some layouts type them, so only Ctrl tells them apart.
    const uint8_t byCharModifiers = byModifiers & KeyStroke::kCtrl;
    if ((nKey >= Qt::Key_0 && nKey <= Qt::Key_9) || (nKey >= Qt::Key_A && nKey <= Qt::Key_Z))
        return KeyStroke{static_cast<uint16_t>(nKey), byCharModifiers};
    switch (nKey) {
    case Qt::Key_Plus:
    case Qt::Key_Minus:
    case Qt::Key_BracketLeft:
    case Qt::Key_BracketRight: return KeyStroke{static_cast<uint16_t>(nKey), byCharModifiers};
    default: return std::nullopt;
    }
}

uint32_t KeyId(const QKeyEvent& event)
{
    if (event.nativeScanCode() != 0)
        return 0x10000u | event.nativeScanCode();
    const std::optional<KeyStroke> key = ToKeyStroke(event);
    return key ? key->wKey : 0;
}

} // namespace ostrel
