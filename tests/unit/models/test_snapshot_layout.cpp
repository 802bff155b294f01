// Snapshot names, camera labels and the printed picture's place, worked out by hand.
#include "models/snapshot_layout.h"

#include <gtest/gtest.h>

using namespace ostrel;

TEST(SnapshotLayout, FileNameNamesTheChannelShownAloneAndCollapsesADoubledSeparator)
{
    const ArchiveDateTime stamp{2005, 6, 30, 14, 5, 9};
    EXPECT_EQ("2005-06-30 14-05-09", StampString(stamp));
    EXPECT_EQ("/rec/CAM3_2005-06-30 14-05-09_12345.jpg", SnapshotFileName("/rec", 2, StampString(stamp), 12345));
    EXPECT_EQ("/rec/CAM0_2005-06-30 14-05-09_12345.jpg", SnapshotFileName("/rec/", 255, StampString(stamp), 12345))
        << "several channels: CAM0; a trailing separator leaves one";
    EXPECT_EQ("/rec/CAM16_x_00007.jpg", SnapshotFileName("/rec", 15, "x", 7));
    // The tick suffix wraps at 100,000 milliseconds.
    EXPECT_EQ("/rec/CAM1_x_99999.jpg", SnapshotFileName("/rec", 0, "x", 99999));
    EXPECT_EQ("/rec/CAM1_x_00000.jpg", SnapshotFileName("/rec", 0, "x", 100000));
    EXPECT_EQ("/rec/CAM1_x_00001.jpg", SnapshotFileName("/rec", 0, "x", 1234500001));
}

TEST(SnapshotLayout, LabelsFollowTheGridNotTheChannels)
{
    // One tile: the channel and the stamp at the top.
    auto labels = CameraLabels(1, 6, "S", LabelPlace::Picture);
    ASSERT_EQ(1u, labels.size());
    EXPECT_EQ("CAM7 S", labels[0].strText);
    EXPECT_EQ((CellRect{240, 5, 600, 35}), labels[0].rc);

    // Four per row: the stamp, then CAM1..CAM16 row by row, 250 x 30 each, just above each
    // cell's bottom: left = 160·col + 5 + 60, bottom = 120·row + 7.
    labels = CameraLabels(4, 255, "S", LabelPlace::Picture);
    ASSERT_EQ(17u, labels.size());
    EXPECT_EQ("S", labels[0].strText);
    EXPECT_EQ("CAM1", labels[1].strText);
    EXPECT_EQ((CellRect{65, 97, 315, 127}), labels[1].rc);
    EXPECT_EQ("CAM6", labels[6].strText);
    EXPECT_EQ((CellRect{225, 217, 475, 247}), labels[6].rc);
    EXPECT_EQ("CAM16", labels[16].strText);
    EXPECT_EQ((CellRect{545, 457, 795, 487}), labels[16].rc);

    // On the window for a printout: two per row, x0 100, bottoms 27 lower.
    labels = CameraLabels(2, 255, "S", LabelPlace::Window);
    ASSERT_EQ(5u, labels.size());
    EXPECT_EQ((CellRect{312, 25, 672, 55}), labels[0].rc);
    EXPECT_EQ((CellRect{105, 237, 355, 267}), labels[1].rc);
    EXPECT_EQ((CellRect{425, 477, 675, 507}), labels[4].rc);
}

TEST(SnapshotLayout, PrintedPictureIsAnInchInAndFourByThree)
{
    // A4 (8.27 in wide) and US Letter (8.5 in) at 300 and 600 dots per inch.
    EXPECT_EQ((CellRect{300, 300, 2030, 1597}), PrintPlacement(300, 300, 2480));
    EXPECT_EQ((CellRect{600, 600, 4060, 3195}), PrintPlacement(600, 600, 4960));
    EXPECT_EQ((CellRect{300, 300, 2100, 1650}), PrintPlacement(300, 300, 2550));
    EXPECT_EQ((CellRect{600, 600, 4200, 3300}), PrintPlacement(600, 600, 5100));
    EXPECT_EQ((CellRect{300, 150, 2100, 1500}), PrintPlacement(300, 150, 2550)) << "the width follows dx alone";
}
