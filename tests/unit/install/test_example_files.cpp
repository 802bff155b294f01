// The example PTZ command files an installation ships, read by the client's reader: cameras 1 to
// 8 have the thirteen panel commands, each a Pelco D or P frame for that camera moving its way.
#include "ptz/ptz_command.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using namespace ostrel;

namespace {

using Bytes = std::vector<uint8_t>;

struct Table {
    PtzCommandTable table;
    int nCounter = -1;
};

Table ReadExample(const char* pszFile)
{
    std::ifstream file(std::string(OSTREL_EXAMPLES_DIR) + "/PTZ/" + pszFile, std::ios::binary);
    const Bytes text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    Table t;
    t.nCounter = ParseCameraTable(text.data(), text.size(), t.table);
    return t;
}

Bytes BytesOf(const PtzCommand& c)
{
    return Bytes(c.bytes.begin(), c.bytes.begin() + c.nLength);
}

constexpr std::array<const char*, kPtzPanelSlots> kNames = {
    "STOP", "LEFT", "RIGHT", "UP", "DOWN", "LEFTUP", "RIGHTUP", "RIGHTDOWN", "LEFTDOWN",
    "ZOOMIN", "ZOOMOUT", "FOCUSOUT", "FOCUSIN"};

// The protocols' motion bits, by slot. Pan/tilt/zoom are one byte in both (right 02, left 04,
// up 08, down 10, zoom tele 20, wide 40); focus far is bit 7 of that byte in D and bit 0 of the
// byte before in P, focus near bit 0 of the byte before in D and bit 1 in P.
struct Motion {
    uint8_t byFocus; // D: command 1; P: data 1
    uint8_t byMove;  // D: command 2; P: data 2
    bool bPan;
    bool bTilt;
};
constexpr std::array<Motion, kPtzPanelSlots> kMotionD = {{
    {0, 0, false, false},    {0, 0x04, true, false}, {0, 0x02, true, false}, {0, 0x08, false, true},
    {0, 0x10, false, true},  {0, 0x0C, true, true},  {0, 0x0A, true, true},  {0, 0x12, true, true},
    {0, 0x14, true, true},   {0, 0x20, false, false}, {0, 0x40, false, false}, {0, 0x80, false, false},
    {0x01, 0, false, false}}};
constexpr std::array<Motion, kPtzPanelSlots> kMotionP = {{
    {0, 0, false, false},    {0, 0x04, true, false}, {0, 0x02, true, false}, {0, 0x08, false, true},
    {0, 0x10, false, true},  {0, 0x0C, true, true},  {0, 0x0A, true, true},  {0, 0x12, true, true},
    {0, 0x14, true, true},   {0, 0x20, false, false}, {0, 0x40, false, false}, {0x01, 0, false, false},
    {0x02, 0, false, false}}};

void ExpectOnlyPanelSlotsOfEightCameras(const Table& t)
{
    EXPECT_EQ(t.nCounter, kPtzPanelSlots); // camera 8's section, the last one, has 13 lines
    for (int nCamera = 0; nCamera < PtzCommandTable::kCameras; ++nCamera)
        for (int nSlot = 0; nSlot < PtzCommandTable::kSlots; ++nSlot) {
            const PtzCommand& c = t.table.At(nCamera, nSlot);
            const bool bFilled = nCamera < 8 && nSlot < kPtzPanelSlots;
            EXPECT_EQ(c.nLength > 0, bFilled) << "camera " << nCamera + 1 << " slot " << nSlot;
            EXPECT_EQ(c.Name(), bFilled ? kNames[static_cast<size_t>(nSlot)] : c.Name()) << "camera " << nCamera + 1;
        }
}

TEST(ExamplePtzFiles, EveryPanelCommandIsAFrameForItsCamera)
{
    const Table d = ReadExample("pelcoD.tl");
    const Table p = ReadExample("pelcoP.tl");
    ExpectOnlyPanelSlotsOfEightCameras(d);
    ExpectOnlyPanelSlotsOfEightCameras(p);
    for (int nCamera = 1; nCamera <= 8; ++nCamera)
        for (int nSlot = 0; nSlot < kPtzPanelSlots; ++nSlot) {
            SCOPED_TRACE(testing::Message() << "camera " << nCamera << " slot " << nSlot);
            // D: sync, address, command 1 and 2, pan and tilt speed, sum.
            const Bytes b = BytesOf(d.table.At(nCamera - 1, nSlot));
            const Motion& m = kMotionD[static_cast<size_t>(nSlot)];
            ASSERT_EQ(b.size(), 7u);
            EXPECT_EQ((Bytes{0xFF, static_cast<uint8_t>(nCamera), m.byFocus, m.byMove, uint8_t(m.bPan ? 0x20 : 0),
                             uint8_t(m.bTilt ? 0x20 : 0), uint8_t((b[1] + b[2] + b[3] + b[4] + b[5]) & 0xFF)}),
                      b);
            // P: start, address (from 0), data 1 to 4, end, check.
            const Bytes c = BytesOf(p.table.At(nCamera - 1, nSlot));
            const Motion& n = kMotionP[static_cast<size_t>(nSlot)];
            ASSERT_EQ(c.size(), 8u);
            EXPECT_EQ((Bytes{0xA0, static_cast<uint8_t>(nCamera - 1), n.byFocus, n.byMove, uint8_t(n.bPan ? 0x20 : 0),
                             uint8_t(n.bTilt ? 0x20 : 0), 0xAF, uint8_t(c[0] ^ c[1] ^ c[2] ^ c[3] ^ c[4] ^ c[5] ^ c[6])}),
                      c);
        }
    // A few frames worked out by hand, so that a shared mistake in the rules above shows.
    EXPECT_EQ(BytesOf(d.table.At(2, kPtzLeft)), (Bytes{0xFF, 0x03, 0x00, 0x04, 0x20, 0x00, 0x27}));
    EXPECT_EQ(BytesOf(d.table.At(7, kPtzRightDown)), (Bytes{0xFF, 0x08, 0x00, 0x12, 0x20, 0x20, 0x5A}));
    EXPECT_EQ(BytesOf(p.table.At(1, kPtzUp)), (Bytes{0xA0, 0x01, 0x00, 0x08, 0x00, 0x20, 0xAF, 0x26}));
    EXPECT_EQ(BytesOf(p.table.At(4, kPtzZoomIn)), (Bytes{0xA0, 0x04, 0x00, 0x20, 0x00, 0x00, 0xAF, 0x2B}));
}

} // namespace
