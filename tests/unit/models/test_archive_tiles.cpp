// The archive's tiles: which channels get a tile, where, and what is lit, for each layout key.
#include "models/archive_tiles.h"

#include <gtest/gtest.h>

#include <vector>

using namespace ostrel;

namespace {

std::vector<int> ChannelsWithTiles(const CArchiveTiles& tiles)
{
    std::vector<int> channels;
    for (int n = 0; n < CArchiveTiles::kChannels; ++n)
        if (tiles.ChannelLit(n))
            channels.push_back(n + 1);
    return channels;
}

} // namespace

TEST(ArchiveTiles, PagesFromAChannelWrapAndTheWrappedChannelsComeFirst)
{
    CArchiveTiles tiles;
    EXPECT_EQ(16u, ChannelsWithTiles(tiles).size());
    EXPECT_EQ((CellRect{223, 23, 381, 141}), tiles.Tile(1)) << "sixteen tiles of 158 x 118 at the start";
    EXPECT_EQ((CellRect{543, 383, 701, 501}), tiles.Tile(15));
    tiles.OnTilesFewer(); // 3 x 3 from channel 1
    tiles.OnTilesFewer(); // 2 x 2 from channel 1
    tiles.OnChannel(13);  // channel 14
    EXPECT_EQ((std::vector<int>{1, 14, 15, 16}), ChannelsWithTiles(tiles));
    EXPECT_EQ((CellRect{63, 23, 381, 261}), tiles.Tile(0)) << "channel 1 top left";
    EXPECT_EQ((CellRect{383, 23, 701, 261}), tiles.Tile(13));
    EXPECT_EQ((CellRect{63, 263, 381, 501}), tiles.Tile(14));
    EXPECT_EQ((CellRect{383, 263, 701, 501}), tiles.Tile(15));
    EXPECT_EQ(255, tiles.SelChannel()) << "several channels shown";

    tiles.OnTilesMore();  // 3 x 3 from channel 1 again
    tiles.OnChannel(10);  // channel 11: 11..16, then 1..3
    EXPECT_EQ((std::vector<int>{1, 2, 3, 11, 12, 13, 14, 15, 16}), ChannelsWithTiles(tiles));
    EXPECT_EQ((CellRect{63, 23, 274, 181}), tiles.Tile(0));
    EXPECT_EQ((CellRect{63, 183, 274, 341}), tiles.Tile(10)) << "fourth tile: second row";
}

TEST(ArchiveTiles, LayoutKeysStopAtTheirEndsAndSingleAndMultiSwitchOnlyFromTheOtherMode)
{
    CArchiveTiles tiles;
    tiles.OnTilesMore();
    tiles.OnMultiView(); // already several: only relit
    EXPECT_EQ(4, tiles.GridDiv()) << "four stays four";
    for (int i = 0; i < 5; ++i)
        tiles.OnTilesFewer();
    EXPECT_EQ(1, tiles.GridDiv()) << "one stays one";
    EXPECT_EQ(0x0100, tiles.LayoutMode());
    EXPECT_EQ(0, tiles.SelChannel());
    EXPECT_TRUE(tiles.SingleLit() && !tiles.MultiLit());
    EXPECT_EQ((CellRect{63, 23, 701, 501}), tiles.Tile(0));
    tiles.OnChannel(6);
    tiles.OnSingleView(); // already single: the channel stays
    EXPECT_EQ(std::vector<int>{7}, ChannelsWithTiles(tiles));
    EXPECT_EQ(6, tiles.SelChannel());

    tiles.OnMultiView();
    EXPECT_EQ(2, tiles.GridDiv());
    EXPECT_EQ(0x0401, tiles.LayoutMode());
    EXPECT_EQ((std::vector<int>{1, 2, 3, 4}), ChannelsWithTiles(tiles));
    // An alarm event selects its channel only in single view.
    tiles.ShowSingle(9);
    EXPECT_EQ((std::vector<int>{1, 2, 3, 4}), ChannelsWithTiles(tiles));
    tiles.OnSingleView();
    tiles.ShowSingle(9);
    tiles.OnChannel(16);
    tiles.OnChannel(-1);
    EXPECT_EQ(std::vector<int>{10}, ChannelsWithTiles(tiles)) << "no such channel";
}
