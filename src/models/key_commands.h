#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace ostrel {

// A key as the windows see it, without the toolkit: either a printable character (an upper-case
// letter, a digit, '+', '-', '[' or ']'), whose Shift state does not count because layouts need
// Shift to type some of them, or one of the named keys below, whose Shift and Ctrl do count.
struct KeyStroke {
    enum Named : uint16_t {
        kF1 = 0x100, // F1..F12 follow in order
        kF12 = kF1 + 11,
        kSpace = 0x110,
        kEscape,
        kLeft,
        kUp,
        kRight,
        kDown,
        kPageUp,
        kPageDown,
        kHome,
        kEnd,
    };
    enum Modifier : uint8_t { kNone = 0, kShift = 1, kCtrl = 2 };

    uint16_t wKey = 0;      // a character below 0x80, or a Named key
    uint8_t byModifiers = kNone;

    friend bool operator==(const KeyStroke&, const KeyStroke&) = default;
};

// What a key does in a window. Each command is the same as a click on one of the window's
// buttons (the PTZ ones as a press held for as long as the key is), except the two full-screen
// commands, which have no button and act as the settings dialog's "Use FullScreen" box.
enum class KeyCommand : uint8_t {
    None,
    // Live view.
    ToggleFullScreen,
    LeaveFullScreen,
    LayoutSingle,
    LayoutFour,
    LayoutNine,
    LayoutSixteen,
    Camera1, // Camera1 + n for camera n + 1, up to Camera16
    Camera16 = Camera1 + 15,
    ToggleRotation,
    OpenArchive,
    OpenSettings,
    OpenSites, // the site list (no control of the skin)
    // PTZ panel of the live view: pressed and released with the key.
    PtzUp,
    PtzDown,
    PtzLeft,
    PtzRight,
    PtzZoomIn,
    PtzZoomOut,
    PtzFocusIn,
    PtzFocusOut,
    PtzCameraNext,
    PtzCameraPrevious,
    // Archive.
    PlayForwardOrStop,
    PlayReverse,
    FastForward,
    FastReverse,
    NextHour,
    PreviousHour,
    GoToStart,
    GoToEnd,
    BackToLive,
};

struct KeyBinding {
    KeyStroke stroke;
    KeyCommand command;
};

// One line of the keyboard help: the keys as written, and what they do.
struct KeyHelpRow {
    const char* pszKeys;
    const char* pszAction;
};

// The keys of the live view (the PTZ panel's among them) and of the archive.
std::span<const KeyBinding> LiveViewKeys();
std::span<const KeyBinding> ArchiveKeys();

// The command a key stands for in that table; None when it stands for nothing.
KeyCommand FindKeyCommand(std::span<const KeyBinding> keys, const KeyStroke& stroke);
// The key of a command, for its button's tooltip; none when no key does it.
std::optional<KeyStroke> KeyOfCommand(std::span<const KeyBinding> keys, KeyCommand command);
// PTZ commands follow the key down and up; the others act once on the press.
bool IsHeldCommand(KeyCommand command);

// The key as the help and the tooltips write it: "F11", "Shift+F1", "Ctrl+Right", "Page Up",
// "Space", "Esc", "[".
std::string KeyText(const KeyStroke& stroke);

// The keyboard help of the about box and the README, window by window.
std::span<const KeyHelpRow> LiveViewKeyHelp();
std::span<const KeyHelpRow> PtzKeyHelp();
std::span<const KeyHelpRow> ArchiveKeyHelp();

} // namespace ostrel
