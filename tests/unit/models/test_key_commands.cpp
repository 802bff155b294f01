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

// What the view's and the dialog's key tests cannot see: keys that must stand for nothing.
TEST(KeyCommands, ModifiersMakeAnotherKeyAndEachTableHasItsOwnKeys)
{
    const std::pair<KeyStroke, const char*> live[] = {
        {Key(F(7), KeyStroke::kShift), "Shift+F7"}, {Key(F(1), KeyStroke::kCtrl), "Ctrl+F1"},
        {Key('R', KeyStroke::kCtrl), "Ctrl+R"},      {Key(KeyStroke::kRight, KeyStroke::kShift), "Shift+Right"},
        {Key('2'), "2"},                             {Key(KeyStroke::kSpace), "Space"},
    };
    for (const auto& [stroke, pszText] : live) {
        EXPECT_EQ(KeyCommand::None, FindKeyCommand(LiveViewKeys(), stroke)) << pszText;
        EXPECT_EQ(pszText, KeyText(stroke));
    }
    EXPECT_EQ(KeyCommand::None, FindKeyCommand(ArchiveKeys(), Key(KeyStroke::kRight))) << "only Ctrl+Right";
    EXPECT_EQ(KeyCommand::None, FindKeyCommand(ArchiveKeys(), Key(F(11))));
    EXPECT_EQ(KeyCommand::PlayReverse, FindKeyCommand(ArchiveKeys(), Key(KeyStroke::kSpace, KeyStroke::kShift)));
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
