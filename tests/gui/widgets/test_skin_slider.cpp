#include "widgets/mask_bitmap.h"
#include "widgets/skin_slider.h"

#include "res/resource.h"
#include "res/skin_bitmap.h"
#include "support/qt_printers.h"

#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

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

} // namespace

TEST(SkinSlider, ClickPlacesThumbAndPosition)
{
    struct Row {
        const char* pszName;
        int nMouseX;
        int nThumbX;
        int nPos;
    };
    const Row rows[] = {
        {"left of the track gives the start", 3, 0, 0},
        {"the track's first pixel is thumb x 0", 7, 0, 0},
        {"the middle truncates toward zero", 296, 289, 43199},
        {"the last pixel is the whole span", 585, 578, 86399},
        {"right of the track clamps to 578", 600, 578, 86399},
    };
    for (const Row& row : rows) {
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
    EXPECT_EQ(slider.GetPos(), static_cast<int>(86399.0 * 393 / 578));
}

TEST(SkinSlider, TrackedPositionIsAShareOfTheSpanWithoutTheMinimum)
{
    CSkinSlider slider(IDC_TIME_SLIDER);
    slider.resize(583, 16);
    slider.SetRange(50, 150, false);
    EXPECT_EQ(slider.GetPos(), 50);
    QTest::mouseClick(&slider, Qt::LeftButton, {}, QPoint(600, 8));
    EXPECT_EQ(slider.GetPos(), 100); // max - min, not max
}

TEST(SkinSlider, SetPositionPlacesThumbByDivision)
{
    struct Row {
        const char* pszName;
        int nPos;
        int nThumbX;
    };
    const Row rows[] = {
        {"midnight", 0, 0},
        {"noon", 43200, 289},
        {"the last second lies one pixel past the mouse limit", 86399, 579},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pszName);
        CSkinSlider slider(IDC_TIME_SLIDER);
        MakeDaySlider(slider);
        slider.SetPosition(row.nPos);
        EXPECT_EQ(slider.GetPos(), row.nPos);
        EXPECT_EQ(slider.ThumbX(), row.nThumbX);
    }
}

TEST(SkinSlider, SetRangeMovesPositionButNotThumb)
{
    CSkinSlider slider(IDC_TIME_SLIDER);
    MakeDaySlider(slider);
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
    EXPECT_EQ(bmp.GetWidth(), 4);
    EXPECT_EQ(bmp.GetHeight(), 3);

    QImage dst = Filled(8, 6, Qt::blue);
    {
        QPainter p(&dst);
        bmp.DrawTransparent(p, 1, 2);
        bmp.DrawTransparent(p, 1, 2); // the cached mask gives the same result
    }
    EXPECT_EQ(dst.pixelColor(1, 2), QColor(Qt::blue));
    EXPECT_EQ(dst.pixelColor(3, 3), QColor(Qt::blue));
    EXPECT_EQ(dst.pixelColor(2, 2), QColor(Qt::green));
    EXPECT_EQ(dst.pixelColor(4, 4), QColor(Qt::green));
    EXPECT_EQ(dst.pixelColor(0, 2), QColor(Qt::blue)); // outside the bitmap
    EXPECT_EQ(dst.pixelColor(5, 2), QColor(Qt::blue));

    QImage copy = Filled(8, 6, Qt::blue);
    {
        QPainter p(&copy);
        bmp.Draw(p, 1, 2);
    }
    EXPECT_EQ(copy.pixelColor(1, 2), QColor(Qt::red)); // a plain copy keeps every pixel
    EXPECT_EQ(copy.pixelColor(3, 3), QColor(Qt::red));
}

TEST(MaskBitmap, OfAMissingResourceDrawsNothing)
{
    CMaskBitmap bmp;
    EXPECT_FALSE(bmp.LoadBitmap(99999));
    EXPECT_EQ(bmp.GetWidth(), 0);
    QImage dst = Filled(4, 4, Qt::blue);
    QPainter p(&dst);
    bmp.Draw(p, 0, 0);
    bmp.DrawTransparent(p, 0, 0);
    p.end();
    EXPECT_EQ(dst.pixelColor(0, 0), QColor(Qt::blue));
}
