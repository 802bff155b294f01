// The skin's bitmaps against the controls placed on them, the time slider, and the bitmap drawn
// with its key colour clear.
#include "widgets/mask_bitmap.h"
#include "widgets/skin_slider.h"

#include "res/resource.h"
#include "res/skin_bitmap.h"
#include "res/skin_layout.h"
#include "support/qt_printers.h"

#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

#include <vector>

using namespace ostrel;

namespace {

// The archive's time slider: 583 x 16, a day of seconds.
void MakeDaySlider(CSkinSlider& slider)
{
    slider.resize(583, 16);
    slider.SetSkin(IDB_SLIDER_TRACK, IDB_SLIDER_THUMB);
    slider.SetRange(0, 86399, true);
    slider.SetPosition(0);
}

QImage Filled(int cx, int cy, QColor col)
{
    QImage img(cx, cy, QImage::Format_RGB32);
    img.fill(col);
    return img;
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

TEST(SkinBitmaps, EveryPlacedControlFitsItsTwoBitmapsWhichDifferClearly)
{
    for (const SkinPlacement& c : ButtonPlacements()) {
        SCOPED_TRACE(::testing::Message() << "control " << c.nControlId << ", bitmaps " << c.nBitmapNormal << " and "
                                        << c.nBitmapActive);
        // The lamp bitmap serves a 40 x 40 and a 33 x 33 control; all others match.
        const QImage normal = SkinBitmap(c.nBitmapNormal), active = SkinBitmap(c.nBitmapActive);
        EXPECT_TRUE(normal.width() >= c.cx && normal.height() >= c.cy);
        ASSERT_EQ(active.size(), normal.size());
        int nDiff = 0;
        for (int y = 0; y < normal.height(); ++y)
            for (int x = 0; x < normal.width(); ++x)
                nDiff += normal.pixel(x, y) != active.pixel(x, y);
        EXPECT_GT(nDiff, normal.width() * normal.height() / 4) << "pressed or lit differs in too few pixels";
    }
    EXPECT_TRUE(SkinBitmap(0).isNull());
    EXPECT_TRUE(SkinBitmap(12345).isNull());
}

TEST(SkinBitmaps, EveryNumberExistsAtItsSizeAndTheBackgroundsHaveABlackDisplayArea)
{
    // {first, last, width, height}: every numbered bitmap, at the size its control or window needs.
    const int ranges[][4] = {
        {162, 162, 877, 685}, {163, 164, 33, 32}, {165, 178, 40, 25}, {189, 190, 51, 34}, {191, 192, 35, 32},
        {193, 194, 36, 51},   {195, 196, 39, 39}, {197, 198, 51, 36}, {199, 200, 40, 39}, {201, 202, 34, 51},
        {203, 204, 45, 38},   {216, 217, 51, 11}, {220, 221, 40, 40}, {222, 225, 25, 18}, {228, 228, 951, 684},
        {229, 229, 583, 16},  {230, 230, 4, 26},  {237, 238, 26, 26}, {241, 242, 26, 26}, {243, 244, 114, 22},
        {245, 246, 62, 51},   {247, 248, 118, 23}, {257, 258, 62, 51}, {265, 296, 31, 30}, {301, 304, 21, 20},
        {310, 310, 31, 30},   {311, 316, 28, 30}, {317, 317, 31, 30}, {318, 320, 28, 30}, {321, 322, 26, 26},
        {323, 324, 25, 26},   {325, 329, 28, 30}, {330, 330, 31, 30}, {331, 336, 28, 30}, {337, 337, 31, 30},
        {338, 345, 28, 30},   {348, 351, 62, 51}, {352, 361, 38, 40}, {380, 387, 38, 40},
    };
    for (const auto& r : ranges)
        for (int nId = r[0]; nId <= r[1]; ++nId)
            EXPECT_EQ(SkinBitmap(nId).size(), QSize(r[2], r[3])) << "bitmap " << nId;
    EXPECT_FALSE(SkinBitmap(IDB_PROGRAM_ICON).isNull());
    for (int nId : {IDB_MAIN_BACKGROUND, IDB_ARCHIVE_BACKGROUND}) {
        const QImage bg = SkinBitmap(nId);
        for (const QPoint& pt : {QPoint(62, 22), QPoint(701, 501), QPoint(382, 262)})
            EXPECT_LT(qGray(bg.pixel(pt)), 16) << "bitmap " << nId << " at " << pt.x() << ", " << pt.y();
    }
}

TEST(SkinSlider, ClickPlacesThumbAndPosition)
{
    const struct {
        const char* pszName;
        int nMouseX, nThumbX, nPos;
    } rows[] = {
        {"left of the track gives the start", 3, 0, 0},
        {"the track's first pixel is thumb x 0", 7, 0, 0},
        {"the middle truncates toward zero", 296, 289, 43199},
        {"the last pixel is the whole span", 585, 578, 86399},
        {"right of the track clamps to 578", 600, 578, 86399},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.pszName);
        CSkinSlider slider(IDC_TIME_SLIDER);
        MakeDaySlider(slider);
        QList<QPair<int, int>> scrolls;
        QObject::connect(&slider, &CSkinSlider::HScroll, &slider, [&](int nCode, int x) { scrolls.append({nCode, x}); });
        QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(row.nMouseX, 8));
        EXPECT_TRUE(slider.IsDragging());
        EXPECT_EQ(slider.ThumbX(), row.nThumbX);
        EXPECT_EQ(slider.GetPos(), row.nPos);
        // Sent, not posted: the listener has it before the press handling returns.
        EXPECT_EQ(scrolls, (QList<QPair<int, int>>{{CSkinSlider::SB_THUMBTRACK, row.nThumbX}}));
        QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(row.nMouseX, 8));
        EXPECT_FALSE(slider.IsDragging());
        EXPECT_EQ(scrolls.size(), 2);
    }
}

TEST(SkinSlider, DragReportsEveryStepInPixels)
{
    CSkinSlider slider(IDC_TIME_SLIDER);
    MakeDaySlider(slider);
    QList<int> thumbs;
    QObject::connect(&slider, &CSkinSlider::HScroll, &slider, [&](int, int x) { thumbs.append(x); });
    QTest::mouseMove(&slider, QPoint(50, 8)); // not dragging: nothing
    QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(10, 8));
    QTest::mouseMove(&slider, QPoint(300, 8));
    QTest::mouseMove(&slider, QPoint(900, 8));
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(400, 8));
    QTest::mouseMove(&slider, QPoint(100, 8));
    EXPECT_EQ(thumbs, (QList<int>{3, 293, 578, 393}));
    EXPECT_EQ(slider.GetPos(), 58745) << "86399 * 393 / 578, truncated";
}

TEST(SkinSlider, TrackedPositionIsAShareOfTheSpanWithoutTheMinimum)
{
    CSkinSlider slider(IDC_TIME_SLIDER);
    slider.resize(583, 16);
    slider.SetRange(50, 150, false);
    EXPECT_EQ(slider.GetPos(), 50);
    QTest::mouseClick(&slider, Qt::LeftButton, {}, QPoint(600, 8));
    EXPECT_EQ(slider.GetPos(), 100) << "max - min, not max";
}

TEST(SkinSlider, SetPositionPlacesThumbByDivisionAndSetRangeMovesOnlyThePosition)
{
    const struct {
        const char* pszName;
        int nPos, nThumbX;
    } rows[] = {
        {"midnight", 0, 0},
        {"noon", 43200, 289},
        {"the last second lies one pixel past the mouse limit", 86399, 579},
    };
    CSkinSlider slider(IDC_TIME_SLIDER);
    MakeDaySlider(slider);
    for (const auto& row : rows) {
        slider.SetPosition(row.nPos);
        EXPECT_EQ(slider.GetPos(), row.nPos) << row.pszName;
        EXPECT_EQ(slider.ThumbX(), row.nThumbX) << row.pszName;
    }
    slider.SetPosition(43200);
    slider.SetRange(0, 86399, true);
    EXPECT_EQ(slider.GetPos(), 0);
    EXPECT_EQ(slider.ThumbX(), 289);
}

TEST(SkinSlider, PaintDrawsTrackThenThumbWithItsKeyColourClear)
{
    CSkinSlider slider(IDC_TIME_SLIDER);
    MakeDaySlider(slider);
    slider.SetPosition(43200);
    const QImage shot = slider.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage track = SkinBitmap(IDB_SLIDER_TRACK);
    const QImage thumb = SkinBitmap(IDB_SLIDER_THUMB);
    EXPECT_EQ(shot.pixel(100, 8), track.pixel(100, 8));
    EXPECT_EQ(shot.pixel(289 + 1, 8), thumb.pixel(1, 8));
    // The thumb's corner has the key colour: the track shows there.
    EXPECT_EQ(shot.pixel(289, 0), track.pixel(289, 0));
    EXPECT_NE(thumb.pixel(0, 0), track.pixel(289, 0));
}

TEST(MaskBitmap, KeepsDestinationWhereverTheKeyColourIs)
{
    // Red is the top-left colour and also occurs inside: both places show the blue below.
    QImage src = Filled(4, 3, Qt::green);
    src.setPixelColor(0, 0, Qt::red);
    src.setPixelColor(2, 1, Qt::red);
    CMaskBitmap bmp(src);
    QImage dst = Filled(8, 6, Qt::blue), copy = dst;
    {
        QPainter p(&dst);
        bmp.DrawTransparent(p, 1, 2);
        bmp.DrawTransparent(p, 1, 2); // the cached mask gives the same result
        QPainter pc(&copy);
        bmp.Draw(pc, 1, 2);
    }
    for (const QPoint& pt : {QPoint(1, 2), QPoint(3, 3), QPoint(0, 2), QPoint(5, 2)})
        EXPECT_EQ(dst.pixelColor(pt), QColor(Qt::blue)) << pt.x() << "," << pt.y();
    for (const QPoint& pt : {QPoint(2, 2), QPoint(4, 4)})
        EXPECT_EQ(dst.pixelColor(pt), QColor(Qt::green)) << pt.x() << "," << pt.y();
    EXPECT_EQ(copy.pixelColor(1, 2), QColor(Qt::red)) << "a plain copy keeps every pixel";
    EXPECT_EQ(copy.pixelColor(3, 3), QColor(Qt::red));

    CMaskBitmap missing;
    EXPECT_FALSE(missing.LoadBitmap(99999));
    QPainter p(&dst);
    missing.Draw(p, 0, 0);
    missing.DrawTransparent(p, 0, 0);
    p.end();
    EXPECT_EQ(dst.pixelColor(0, 0), QColor(Qt::blue)) << "a missing resource draws nothing";
}
