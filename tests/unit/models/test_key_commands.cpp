// Which key stands for which command in the live view and the archive, as the README lists
// them, and how the help and the tooltips write the keys.
#include "models/key_commands.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>

using namespace ostrel;

namespace {

KeyStroke Key(uint16_t wKey, uint8_t byModifiers = KeyStroke::kNone)
{
    return {wKey, byModifiers};
}

uint16_t F(int n)
{
    return static_cast<uint16_t>(KeyStroke::kF1 + n - 1);
}

KeyCommand Camera(int nOneBased)
{
    return static_cast<KeyCommand>(static_cast<int>(KeyCommand::Camera1) + nOneBased - 1);
}

} // namespace

TEST(KeyCommands, KeysOfTheLiveViewAndTheArchive)
{
    struct Row {
        bool bLive;
        KeyStroke stroke;
        KeyCommand command;
        const char* pszText;
    } rows[] = {
        {true, Key(F(11)), KeyCommand::ToggleFullScreen, "F11"},
        {true, Key(KeyStroke::kEscape), KeyCommand::LeaveFullScreen, "Esc"},
        {true, Key('0'), KeyCommand::LayoutSixteen, "0"},
        {true, Key('2'), KeyCommand::None, "2"},
        {true, Key(F(10)), Camera(10), "F10"},
        {true, Key(F(1), KeyStroke::kShift), Camera(11), "Shift+F1"},
        {true, Key(F(6), KeyStroke::kShift), Camera(16), "Shift+F6"},
        {true, Key(F(7), KeyStroke::kShift), KeyCommand::None, "Shift+F7"},
        {true, Key(F(1), KeyStroke::kCtrl), KeyCommand::None, "Ctrl+F1"},
        {true, Key('R', KeyStroke::kCtrl), KeyCommand::None, "Ctrl+R"},
        {true, Key(KeyStroke::kRight, KeyStroke::kShift), KeyCommand::None, "Shift+Right"},
        {true, Key('+'), KeyCommand::PtzZoomIn, "+"},
        {true, Key(KeyStroke::kPageDown), KeyCommand::PtzFocusOut, "Page Down"},
        {true, Key('['), KeyCommand::PtzCameraPrevious, "["},
        {true, Key(KeyStroke::kSpace), KeyCommand::None, "Space"},
        {false, Key(KeyStroke::kSpace), KeyCommand::PlayForwardOrStop, "Space"},
        {false, Key(KeyStroke::kSpace, KeyStroke::kShift), KeyCommand::PlayReverse, "Shift+Space"},
        {false, Key(KeyStroke::kRight, KeyStroke::kCtrl), KeyCommand::FastForward, "Ctrl+Right"},
        {false, Key(KeyStroke::kRight), KeyCommand::None, "Right"},
        {false, Key(KeyStroke::kPageUp), KeyCommand::NextHour, "Page Up"},
        {false, Key(KeyStroke::kHome), KeyCommand::GoToStart, "Home"},
        {false, Key(KeyStroke::kEscape), KeyCommand::BackToLive, "Esc"},
        {false, Key(F(11)), KeyCommand::None, "F11"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(row.command, FindKeyCommand(row.bLive ? LiveViewKeys() : ArchiveKeys(), row.stroke)) << row.pszText;
        EXPECT_EQ(row.pszText, KeyText(row.stroke));
    }
    EXPECT_EQ("", KeyText(Key(0x07))) << "a control character has no name";
}

TEST(KeyCommands, NoKeyStandsForTwoCommandsAndEveryCameraHasOne)
{
    for (const auto& [pszTable, keys] : {std::pair{"live", LiveViewKeys()}, std::pair{"archive", ArchiveKeys()}}) {
        std::set<std::pair<uint16_t, uint8_t>> seen;
        for (const KeyBinding& binding : keys)
            EXPECT_TRUE(seen.insert({binding.stroke.wKey, binding.stroke.byModifiers}).second)
                << pszTable << ": " << KeyText(binding.stroke);
    }
    std::set<std::string> cameraKeys;
    for (int n = 1; n <= 16; ++n) {
        const std::optional<KeyStroke> key = KeyOfCommand(LiveViewKeys(), Camera(n));
        ASSERT_TRUE(key.has_value()) << n;
        cameraKeys.insert(KeyText(*key));
    }
    EXPECT_EQ(16u, cameraKeys.size());
    EXPECT_TRUE(IsHeldCommand(KeyCommand::PtzCameraNext)) << "PTZ commands act while the key is held";
    EXPECT_FALSE(IsHeldCommand(KeyCommand::PlayForwardOrStop));
}
