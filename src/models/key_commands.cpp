#include "models/key_commands.h"

#include <array>

namespace ostrel {

namespace {

using K = KeyStroke;
using C = KeyCommand;

constexpr KeyStroke Plain(uint16_t wKey)
{
    return {wKey, K::kNone};
}

constexpr KeyStroke Shift(uint16_t wKey)
{
    return {wKey, K::kShift};
}

constexpr KeyStroke Ctrl(uint16_t wKey)
{
    return {wKey, K::kCtrl};
}

constexpr C Camera(int n)
{
    return static_cast<C>(static_cast<int>(C::Camera1) + n);
}

constexpr uint16_t F(int n)
{
    return static_cast<uint16_t>(K::kF1 + n - 1);
}

// F1..F10 are cameras 1 to 10 and Shift+F1..Shift+F6 cameras 11 to 16, which leaves F11 for
// full screen.
constexpr std::array kLiveViewKeys = {
    KeyBinding{Plain(F(11)), C::ToggleFullScreen},
    KeyBinding{Plain(K::kEscape), C::LeaveFullScreen},
    KeyBinding{Plain('1'), C::LayoutSingle},
    KeyBinding{Plain('4'), C::LayoutFour},
    KeyBinding{Plain('9'), C::LayoutNine},
    KeyBinding{Plain('0'), C::LayoutSixteen},
    KeyBinding{Plain(F(1)), Camera(0)},
    KeyBinding{Plain(F(2)), Camera(1)},
    KeyBinding{Plain(F(3)), Camera(2)},
    KeyBinding{Plain(F(4)), Camera(3)},
    KeyBinding{Plain(F(5)), Camera(4)},
    KeyBinding{Plain(F(6)), Camera(5)},
    KeyBinding{Plain(F(7)), Camera(6)},
    KeyBinding{Plain(F(8)), Camera(7)},
    KeyBinding{Plain(F(9)), Camera(8)},
    KeyBinding{Plain(F(10)), Camera(9)},
    KeyBinding{Shift(F(1)), Camera(10)},
    KeyBinding{Shift(F(2)), Camera(11)},
    KeyBinding{Shift(F(3)), Camera(12)},
    KeyBinding{Shift(F(4)), Camera(13)},
    KeyBinding{Shift(F(5)), Camera(14)},
    KeyBinding{Shift(F(6)), Camera(15)},
    KeyBinding{Plain('R'), C::ToggleRotation},
    KeyBinding{Plain('A'), C::OpenArchive},
    KeyBinding{Plain('S'), C::OpenSettings},
    KeyBinding{Ctrl('K'), C::OpenSites},
    KeyBinding{Plain(K::kUp), C::PtzUp},
    KeyBinding{Plain(K::kDown), C::PtzDown},
    KeyBinding{Plain(K::kLeft), C::PtzLeft},
    KeyBinding{Plain(K::kRight), C::PtzRight},
    KeyBinding{Plain('+'), C::PtzZoomIn},
    KeyBinding{Plain('-'), C::PtzZoomOut},
    KeyBinding{Plain(K::kPageUp), C::PtzFocusIn},
    KeyBinding{Plain(K::kPageDown), C::PtzFocusOut},
    KeyBinding{Plain(']'), C::PtzCameraNext},
    KeyBinding{Plain('['), C::PtzCameraPrevious},
};

constexpr std::array kArchiveKeys = {
    KeyBinding{Plain(K::kSpace), C::PlayForwardOrStop},
    KeyBinding{Shift(K::kSpace), C::PlayReverse},
    KeyBinding{Ctrl(K::kRight), C::FastForward},
    KeyBinding{Ctrl(K::kLeft), C::FastReverse},
    KeyBinding{Plain(K::kPageUp), C::NextHour},
    KeyBinding{Plain(K::kPageDown), C::PreviousHour},
    KeyBinding{Plain(K::kHome), C::GoToStart},
    KeyBinding{Plain(K::kEnd), C::GoToEnd},
    KeyBinding{Plain(K::kEscape), C::BackToLive},
};

constexpr std::array kLiveViewHelp = {
    KeyHelpRow{"F11", "Full screen on or off (kept as \"Use FullScreen\")"},
    KeyHelpRow{"Esc", "Full screen off"},
    KeyHelpRow{"1, 4, 9, 0", "One, four, nine or sixteen cameras"},
    KeyHelpRow{"F1 to F10", "Cameras 1 to 10"},
    KeyHelpRow{"Shift+F1 to Shift+F6", "Cameras 11 to 16"},
    KeyHelpRow{"R", "Rotation on or off"},
    KeyHelpRow{"A", "Archive"},
    KeyHelpRow{"S", "Configurations"},
    KeyHelpRow{"Ctrl+K", "Sites: another recorder of the address book"},
    KeyHelpRow{"Tab, Shift+Tab", "Move the focus frame between the buttons"},
    KeyHelpRow{"Enter", "Press the button in the focus frame"},
};

constexpr std::array kPtzHelp = {
    KeyHelpRow{"Arrow keys", "Pan and tilt while held"},
    KeyHelpRow{"+, -", "Zoom in, out while held"},
    KeyHelpRow{"Page Up, Page Down", "Focus in, out while held"},
    KeyHelpRow{"], [", "Next, previous PTZ camera"},
};

constexpr std::array kArchiveHelp = {
    KeyHelpRow{"Space", "Play forward, or stop"},
    KeyHelpRow{"Shift+Space", "Play in reverse"},
    KeyHelpRow{"Ctrl+Right, Ctrl+Left", "Fast forward, fast reverse"},
    KeyHelpRow{"Page Up, Page Down", "Next, previous hour"},
    KeyHelpRow{"Home, End", "Start, end of the recording"},
    KeyHelpRow{"Esc", "Back to live"},
};

} // namespace

std::span<const KeyBinding> LiveViewKeys()
{
    return kLiveViewKeys;
}

std::span<const KeyBinding> ArchiveKeys()
{
    return kArchiveKeys;
}

KeyCommand FindKeyCommand(std::span<const KeyBinding> keys, const KeyStroke& stroke)
{
    for (const KeyBinding& binding : keys)
        if (binding.stroke == stroke)
            return binding.command;
    return KeyCommand::None;
}

std::optional<KeyStroke> KeyOfCommand(std::span<const KeyBinding> keys, KeyCommand command)
{
    for (const KeyBinding& binding : keys)
        if (binding.command == command)
            return binding.stroke;
    return std::nullopt;
}

bool IsHeldCommand(KeyCommand command)
{
    return command >= KeyCommand::PtzUp && command <= KeyCommand::PtzCameraPrevious;
}

std::string KeyText(const KeyStroke& stroke)
{
    std::string strText;
    if (stroke.byModifiers & KeyStroke::kCtrl)
        strText += "Ctrl+";
    if (stroke.byModifiers & KeyStroke::kShift)
        strText += "Shift+";
    const uint16_t w = stroke.wKey;
    if (w >= KeyStroke::kF1 && w <= KeyStroke::kF12)
        return strText + "F" + std::to_string(w - KeyStroke::kF1 + 1);
    switch (w) {
    case KeyStroke::kSpace: return strText + "Space";
    case KeyStroke::kEscape: return strText + "Esc";
    case KeyStroke::kLeft: return strText + "Left";
    case KeyStroke::kUp: return strText + "Up";
    case KeyStroke::kRight: return strText + "Right";
    case KeyStroke::kDown: return strText + "Down";
    case KeyStroke::kPageUp: return strText + "Page Up";
    case KeyStroke::kPageDown: return strText + "Page Down";
    case KeyStroke::kHome: return strText + "Home";
    case KeyStroke::kEnd: return strText + "End";
    default: break;
    }
    if (w > 0x20 && w < 0x7F)
        return strText + static_cast<char>(w);
    return {};
}

std::span<const KeyHelpRow> LiveViewKeyHelp()
{
    return kLiveViewHelp;
}

std::span<const KeyHelpRow> PtzKeyHelp()
{
    return kPtzHelp;
}

std::span<const KeyHelpRow> ArchiveKeyHelp()
{
    return kArchiveHelp;
}

} // namespace ostrel
