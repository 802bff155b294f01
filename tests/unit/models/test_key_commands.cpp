// Which key stands for which command in the live view and the archive, and how the help and the
// tooltips write the keys.
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

struct Row {
    const char* pszWhat;
    KeyStroke stroke;
    KeyCommand command;
};

} // namespace

TEST(KeyCommands, LiveViewKeysAreTheOnesOfTheIssue)
{
    const Row rows[] = {
        {"F11 flips full screen", Key(F(11)), KeyCommand::ToggleFullScreen},
        {"Escape leaves it", Key(KeyStroke::kEscape), KeyCommand::LeaveFullScreen},
        {"1 is one camera", Key('1'), KeyCommand::LayoutSingle},
        {"4 is four", Key('4'), KeyCommand::LayoutFour},
        {"9 is nine", Key('9'), KeyCommand::LayoutNine},
        {"0 is sixteen", Key('0'), KeyCommand::LayoutSixteen},
        {"2 has no layout", Key('2'), KeyCommand::None},
        {"F1 is camera 1", Key(F(1)), Camera(1)},
        {"F10 is camera 10", Key(F(10)), Camera(10)},
        {"Shift+F1 is camera 11", Key(F(1), KeyStroke::kShift), Camera(11)},
        {"Shift+F6 is camera 16", Key(F(6), KeyStroke::kShift), Camera(16)},
        {"Shift+F7 is nothing", Key(F(7), KeyStroke::kShift), KeyCommand::None},
        {"F12 is nothing", Key(F(12)), KeyCommand::None},
        {"Ctrl+F1 is nothing", Key(F(1), KeyStroke::kCtrl), KeyCommand::None},
        {"R rotates", Key('R'), KeyCommand::ToggleRotation},
        {"Ctrl+R does not", Key('R', KeyStroke::kCtrl), KeyCommand::None},
        {"A opens the archive", Key('A'), KeyCommand::OpenArchive},
        {"S opens the settings", Key('S'), KeyCommand::OpenSettings},
        {"Up tilts up", Key(KeyStroke::kUp), KeyCommand::PtzUp},
        {"Down tilts down", Key(KeyStroke::kDown), KeyCommand::PtzDown},
        {"Left pans left", Key(KeyStroke::kLeft), KeyCommand::PtzLeft},
        {"Right pans right", Key(KeyStroke::kRight), KeyCommand::PtzRight},
        {"Shift+Right is nothing", Key(KeyStroke::kRight, KeyStroke::kShift), KeyCommand::None},
        {"+ zooms in", Key('+'), KeyCommand::PtzZoomIn},
        {"- zooms out", Key('-'), KeyCommand::PtzZoomOut},
        {"Page Up focuses in", Key(KeyStroke::kPageUp), KeyCommand::PtzFocusIn},
        {"Page Down focuses out", Key(KeyStroke::kPageDown), KeyCommand::PtzFocusOut},
        {"] is the next PTZ camera", Key(']'), KeyCommand::PtzCameraNext},
        {"[ is the previous one", Key('['), KeyCommand::PtzCameraPrevious},
        {"Space is nothing live", Key(KeyStroke::kSpace), KeyCommand::None},
    };
    for (const Row& row : rows)
        EXPECT_EQ(row.command, FindKeyCommand(LiveViewKeys(), row.stroke)) << row.pszWhat;
}

TEST(KeyCommands, ArchiveKeysAreTheOnesOfTheIssue)
{
    const Row rows[] = {
        {"Space plays forward or stops", Key(KeyStroke::kSpace), KeyCommand::PlayForwardOrStop},
        {"Shift+Space plays in reverse", Key(KeyStroke::kSpace, KeyStroke::kShift), KeyCommand::PlayReverse},
        {"Ctrl+Right is fast forward", Key(KeyStroke::kRight, KeyStroke::kCtrl), KeyCommand::FastForward},
        {"Ctrl+Left is fast reverse", Key(KeyStroke::kLeft, KeyStroke::kCtrl), KeyCommand::FastReverse},
        {"Right alone is nothing", Key(KeyStroke::kRight), KeyCommand::None},
        {"Page Up is the next hour", Key(KeyStroke::kPageUp), KeyCommand::NextHour},
        {"Page Down the previous", Key(KeyStroke::kPageDown), KeyCommand::PreviousHour},
        {"Home is the start", Key(KeyStroke::kHome), KeyCommand::GoToStart},
        {"End is the end", Key(KeyStroke::kEnd), KeyCommand::GoToEnd},
        {"Escape is back to live", Key(KeyStroke::kEscape), KeyCommand::BackToLive},
        {"F11 is live only", Key(F(11)), KeyCommand::None},
    };
    for (const Row& row : rows)
        EXPECT_EQ(row.command, FindKeyCommand(ArchiveKeys(), row.stroke)) << row.pszWhat;
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
    EXPECT_FALSE(KeyOfCommand(ArchiveKeys(), KeyCommand::OpenArchive).has_value());
}

TEST(KeyCommands, HeldCommandsAreThePtzOnes)
{
    for (KeyCommand c : {KeyCommand::PtzUp, KeyCommand::PtzFocusOut, KeyCommand::PtzCameraNext,
                         KeyCommand::PtzCameraPrevious})
        EXPECT_TRUE(IsHeldCommand(c));
    for (KeyCommand c : {KeyCommand::OpenSettings, KeyCommand::PlayForwardOrStop, KeyCommand::Camera16,
                         KeyCommand::None})
        EXPECT_FALSE(IsHeldCommand(c));
}

TEST(KeyCommands, KeysAreWrittenAsTheOperatorReadsThem)
{
    EXPECT_EQ("F11", KeyText(Key(F(11))));
    EXPECT_EQ("Shift+F6", KeyText(Key(F(6), KeyStroke::kShift)));
    EXPECT_EQ("Ctrl+Right", KeyText(Key(KeyStroke::kRight, KeyStroke::kCtrl)));
    EXPECT_EQ("Shift+Space", KeyText(Key(KeyStroke::kSpace, KeyStroke::kShift)));
    EXPECT_EQ("Page Up", KeyText(Key(KeyStroke::kPageUp)));
    EXPECT_EQ("Page Down", KeyText(Key(KeyStroke::kPageDown)));
    EXPECT_EQ("Esc", KeyText(Key(KeyStroke::kEscape)));
    EXPECT_EQ("Home", KeyText(Key(KeyStroke::kHome)));
    EXPECT_EQ("[", KeyText(Key('[')));
    EXPECT_EQ("+", KeyText(Key('+')));
    EXPECT_EQ("0", KeyText(Key('0')));
    EXPECT_EQ("", KeyText(Key(0x07))) << "a control character has no name";
}
