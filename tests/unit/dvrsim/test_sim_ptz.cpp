// The simulated PTZ heads: Pelco frames written out by hand with their checksums worked out
// by hand, and the motion they start.
#include "pelco_decoder.h"
#include "ptz_head.h"

#include <gtest/gtest.h>

#include <vector>

using namespace ostrel::dvrsim;

namespace {

std::vector<PelcoCommand> Decode(const std::vector<uint8_t>& bytes)
{
    return DecodePelco(bytes.data(), bytes.size());
}

} // namespace

TEST(SimPelco, ReadsBothProtocolsTheirDirectionsAndStopsAndSkipsWhatIsNotAFrame)
{
    // Pelco D, camera 1, up at tilt speed 0x20: 01 + 00 + 08 + 00 + 20 = 29.
    // Pelco P, camera 3 (address 2), left at pan speed 0x20: A0^02^00^04^20^00^AF = 29.
    // Pelco D, camera 8, right and down at 3F / 10, zoom out: 08+00+52+3F+10 = A9.
    const std::vector<PelcoCommand> c = Decode({0xFF, 0x01, 0x00, 0x08, 0x00, 0x20, 0x29,
                                                0xA0, 0x02, 0x00, 0x04, 0x20, 0x00, 0xAF, 0x29,
                                                0xFF, 0x08, 0x00, 0x52, 0x3F, 0x10, 0xA9});
    ASSERT_EQ(3u, c.size());
    EXPECT_EQ("Pelco D camera 1: up at 32", DescribePelco(c[0]));
    EXPECT_EQ(0, c[0].nPan);
    EXPECT_EQ(1, c[0].nTilt);
    EXPECT_EQ("Pelco P camera 3: left at 32", DescribePelco(c[1]));
    EXPECT_EQ(-1, c[1].nPan);
    EXPECT_EQ("Pelco D camera 8: right at 63, down at 16, zoom out", DescribePelco(c[2]));
    EXPECT_EQ(-1, c[2].nZoom);

    const std::vector<PelcoCommand> d = Decode({
        0xFF, 0x02, 0x00, 0x00, 0x00, 0x00, 0x02,              // D stop, camera 2
        0xA0, 0x00, 0x00, 0x00, 0x00, 0x00, 0xAF, 0x0F,        // P stop, camera 1: A0^AF = 0F
        0xFF, 0x01, 0x01, 0x00, 0x00, 0x00, 0x02,              // D focus near
        0xFF, 0x01, 0x00, 0x02, 0xFF, 0x00, 0x02,              // D right at turbo: 01+02+FF = 102
        0xFF, 0x01, 0x00, 0x07, 0x00, 0x01, 0x09,              // D extended (bit 0 of command 2)
        0xFF, 0x01, 0x00, 0x08, 0x00, 0x20, 0x30,              // bad checksum: skipped byte by byte
        0xA0, 0x00, 0x00, 0x08, 0x00, 0x20, 0xAE, 0x27,        // P without its AF: no frame
        0xFF, 0x01, 0x00, 0x08,                                // cut short
    });
    ASSERT_EQ(5u, d.size());
    EXPECT_EQ("Pelco D camera 2: stop", DescribePelco(d[0]));
    EXPECT_EQ("Pelco P camera 1: stop", DescribePelco(d[1]));
    EXPECT_EQ("Pelco D camera 1: focus near", DescribePelco(d[2]));
    EXPECT_EQ("Pelco D camera 1: right at 64", DescribePelco(d[3]));
    EXPECT_TRUE(d[4].bExtended);
}

TEST(SimPtzHead, MovesFromACommandUntilTheNextAndStaysWithinItsLimits)
{
    CPtzHead head;
    PelcoCommand up;
    up.nTilt = 1;
    up.nTiltSpeed = 63; // half a scene height per second
    head.Apply(up, 1000);
    EXPECT_DOUBLE_EQ(0.0, head.PoseAt(1000).dTilt);
    EXPECT_DOUBLE_EQ(0.25, head.PoseAt(1500).dTilt);
    EXPECT_DOUBLE_EQ(0.4, head.PoseAt(9000).dTilt) << "the tilt limit";

    PelcoCommand stop;
    head.Apply(stop, 1600);
    EXPECT_FALSE(head.Moving());
    EXPECT_DOUBLE_EQ(0.3, head.PoseAt(60000).dTilt) << "stopped where it was";

    PelcoCommand left; // speed 31: an eighth of a width per second
    left.nPan = -1;
    left.nPanSpeed = 31;
    left.nZoom = 1;    // 0.75 doublings per second
    head.Apply(left, 2000);
    const PtzPose pose = head.PoseAt(4000);
    EXPECT_DOUBLE_EQ(0.75, pose.dPan) << "a quarter turn left wraps round to three quarters";
    EXPECT_NEAR(2.8284, pose.dZoom, 1e-4) << "1.5 doublings in two seconds";
    EXPECT_DOUBLE_EQ(4.0, head.PoseAt(10000).dZoom) << "the zoom limit";

    PelcoCommand preset;
    preset.bExtended = true;
    head.Apply(preset, 4000);
    EXPECT_TRUE(head.Moving()) << "an extended command is no stop";
}
