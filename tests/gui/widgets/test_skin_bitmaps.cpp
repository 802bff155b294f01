#include "res/resource.h"
#include "res/skin_bitmap.h"
#include "res/skin_layout.h"
#include "support/qt_printers.h"

#include <QImage>

#include <gtest/gtest.h>

#include <vector>

using namespace ostrel;

namespace {

struct Expected {
    int nFirst;
    int nLast;
    int cx;
    int cy;
};

// Every numbered bitmap the windows use, with the size its control or window needs.
const std::vector<Expected> kExpected = {
    {162, 162, 877, 685}, {163, 164, 33, 32}, {165, 178, 40, 25},
    {189, 190, 51, 34},   {191, 192, 35, 32}, {193, 194, 36, 51}, {195, 196, 39, 39},
    {197, 198, 51, 36},   {199, 200, 40, 39}, {201, 202, 34, 51}, {203, 204, 45, 38},
    {216, 217, 51, 11},   {220, 221, 40, 40}, {222, 225, 25, 18},
    {228, 228, 951, 684}, {229, 229, 583, 16}, {230, 230, 4, 26},
    {237, 238, 26, 26},   {241, 242, 26, 26}, {243, 244, 114, 22}, {245, 246, 62, 51},
    {247, 248, 118, 23},  {257, 258, 62, 51}, {265, 296, 31, 30},  {301, 304, 21, 20},
    {310, 310, 31, 30},   {311, 316, 28, 30}, {317, 317, 31, 30},  {318, 320, 28, 30},
    {321, 322, 26, 26},   {323, 324, 25, 26}, {325, 329, 28, 30},
    {330, 330, 31, 30},   {331, 336, 28, 30}, {337, 337, 31, 30},  {338, 345, 28, 30},
    {348, 351, 62, 51},   {352, 361, 38, 40}, {380, 387, 38, 40},
};

// Share of pixels that differ between two images of one size.
double DifferentShare(const QImage& a, const QImage& b)
{
    int nDiff = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            nDiff += a.pixel(x, y) != b.pixel(x, y);
    return static_cast<double>(nDiff) / (a.width() * a.height());
}

// The controls of the main view and of the archive window, less the time slider, whose two
// bitmaps are a track and a thumb rather than two states of one control.
std::vector<SkinPlacement> ButtonPlacements()
{
    std::vector<SkinPlacement> placements(std::begin(kViewControls), std::end(kViewControls));
    placements.insert(placements.end(), std::begin(kArchiveControls), std::end(kArchiveControls));
    std::erase_if(placements, [](const SkinPlacement& c) { return c.nControlId == IDC_TIME_SLIDER; });
    return placements;
}

} // namespace

TEST(SkinBitmaps, EveryNumberExistsAtItsSize)
{
    for (const Expected& e : kExpected) {
        for (int nId = e.nFirst; nId <= e.nLast; ++nId) {
            const QImage img = SkinBitmap(nId);
            EXPECT_FALSE(img.isNull()) << "bitmap " << nId << " is missing";
            EXPECT_EQ(img.size(), QSize(e.cx, e.cy)) << "bitmap " << nId;
        }
    }
    EXPECT_FALSE(SkinBitmap(IDB_PROGRAM_ICON).isNull());
    EXPECT_TRUE(SkinBitmap(0).isNull());
    EXPECT_TRUE(SkinBitmap(12345).isNull());
}

TEST(SkinBitmaps, EveryPlacedControlFitsItsBitmaps)
{
    for (const SkinPlacement& c : ButtonPlacements()) {
        // The lamp bitmap serves a 40 x 40 and a 33 x 33 control; all others match.
        const QSize sz = SkinBitmap(c.nBitmapNormal).size();
        EXPECT_TRUE(sz.width() >= c.cx && sz.height() >= c.cy)
            << "control " << c.nControlId << " is larger than bitmap " << c.nBitmapNormal;
        EXPECT_EQ(SkinBitmap(c.nBitmapActive).size(), sz) << "control " << c.nControlId;
    }
}

TEST(SkinBitmaps, PressedAndLitImagesDifferClearlyFromNormal)
{
    for (const SkinPlacement& c : ButtonPlacements()) {
        const double dShare = DifferentShare(SkinBitmap(c.nBitmapNormal), SkinBitmap(c.nBitmapActive));
        EXPECT_GT(dShare, 0.25) << "bitmaps " << c.nBitmapNormal << " and " << c.nBitmapActive
                                << " differ in too few of their pixels";
    }
}

TEST(SkinBitmaps, DisplayAreaIsBlackInBothBackgrounds)
{
    for (int nId : {IDB_MAIN_BACKGROUND, IDB_ARCHIVE_BACKGROUND}) {
        const QImage bg = SkinBitmap(nId);
        for (const QPoint& pt : {QPoint(62, 22), QPoint(701, 501), QPoint(382, 262)})
            EXPECT_LT(qGray(bg.pixel(pt)), 16) << "bitmap " << nId << " at " << pt.x() << ", " << pt.y();
    }
}

TEST(SkinBitmaps, ThumbCornerHoldsItsTransparentColour)
{
    const QImage thumb = SkinBitmap(IDB_SLIDER_THUMB);
    EXPECT_EQ(thumb.pixel(3, 25), thumb.pixel(0, 0));
    EXPECT_NE(thumb.pixel(1, 12), thumb.pixel(0, 0));
}
