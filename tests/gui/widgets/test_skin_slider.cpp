// The archive's time slider, 583 x 16 over a day of seconds: where a click or a drag puts the
// thumb and which second that is, and where a second puts the thumb.
#include "widgets/skin_slider.h"

#include "res/resource.h"
#include "support/qt_printers.h"

#include <QTest>

#include <gtest/gtest.h>

using namespace ostrel;

namespace {

void MakeDaySlider(CSkinSlider& slider)
{
    slider.resize(583, 16);
    slider.SetSkin(IDB_SLIDER_TRACK, IDB_SLIDER_THUMB);
    slider.SetRange(0, 86399, true);
    slider.SetPosition(0);
}

} // namespace

TEST(SkinSlider, ClickPlacesThumbAndPositionAndADragReportsEveryStep)
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
        EXPECT_EQ(slider.ThumbX(), row.nThumbX);
        EXPECT_EQ(slider.GetPos(), row.nPos);
        // Sent, not posted: the listener has it before the press handling returns.
        EXPECT_EQ(scrolls, (QList<QPair<int, int>>{{CSkinSlider::SB_THUMBTRACK, row.nThumbX}}));
        QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(row.nMouseX, 8));
        EXPECT_FALSE(slider.IsDragging());
    }

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

TEST(SkinSlider, SetPositionPlacesThumbByDivisionAndSetRangeMovesOnlyThePosition)
{
    const struct {
        int nPos, nThumbX;
    } rows[] = {{0, 0}, {43200, 289}, {86399, 579}}; // the last second lies one pixel past the mouse limit
    CSkinSlider slider(IDC_TIME_SLIDER);
    MakeDaySlider(slider);
    for (const auto& row : rows) {
        slider.SetPosition(row.nPos);
        EXPECT_EQ(slider.GetPos(), row.nPos);
        EXPECT_EQ(slider.ThumbX(), row.nThumbX) << row.nPos;
    }
    slider.SetPosition(43200);
    slider.SetRange(0, 86399, true);
    EXPECT_EQ(slider.GetPos(), 0);
    EXPECT_EQ(slider.ThumbX(), 289);
}
