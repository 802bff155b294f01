#include "widgets/mask_bitmap.h"
#include "widgets/skin_slider.h"

#include "res/resource.h"
#include "res/skin_bitmap.h"

#include <QPainter>
#include <QTest>

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

class TestSkinSlider : public QObject {
    Q_OBJECT
private slots:
    void clickPlacesThumbAndPosition_data()
    {
        QTest::addColumn<int>("nMouseX");
        QTest::addColumn<int>("nThumbX");
        QTest::addColumn<int>("nPos");
        QTest::newRow("left of the track gives the start") << 3 << 0 << 0;
        QTest::newRow("the track's first pixel is thumb x 0") << 7 << 0 << 0;
        QTest::newRow("the middle truncates toward zero") << 296 << 289 << 43199;
        QTest::newRow("the last pixel is the whole span") << 585 << 578 << 86399;
        QTest::newRow("right of the track clamps to 578") << 600 << 578 << 86399;
    }

    void clickPlacesThumbAndPosition()
    {
        QFETCH(int, nMouseX);
        QFETCH(int, nThumbX);
        QFETCH(int, nPos);
        CSkinSlider slider(IDC_TIME_SLIDER);
        MakeDaySlider(slider);
        QList<QPair<int, int>> scrolls;
        connect(&slider, &CSkinSlider::HScroll, this, [&](int nCode, int x) { scrolls.append({nCode, x}); });

        QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(nMouseX, 8));
        QVERIFY(slider.IsDragging());
        QCOMPARE(slider.ThumbX(), nThumbX);
        QCOMPARE(slider.GetPos(), nPos);
        // Sent, not posted: the listener has it before the press handling returns.
        QCOMPARE(scrolls, (QList<QPair<int, int>>{{CSkinSlider::SB_THUMBTRACK, nThumbX}}));
        QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(nMouseX, 8));
        QVERIFY(!slider.IsDragging());
        QCOMPARE(scrolls.size(), 2);
    }

    void dragReportsEveryStepInPixels()
    {
        CSkinSlider slider(IDC_TIME_SLIDER);
        MakeDaySlider(slider);
        QList<int> thumbs;
        connect(&slider, &CSkinSlider::HScroll, this, [&](int, int x) { thumbs.append(x); });
        QTest::mouseMove(&slider, QPoint(50, 8)); // not dragging: nothing
        QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(10, 8));
        QTest::mouseMove(&slider, QPoint(300, 8));
        QTest::mouseMove(&slider, QPoint(900, 8));
        QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(400, 8));
        QTest::mouseMove(&slider, QPoint(100, 8));
        QCOMPARE(thumbs, (QList<int>{3, 293, 578, 393}));
        QCOMPARE(slider.GetPos(), static_cast<int>(86399.0 * 393 / 578));
    }

    void trackedPositionIsAShareOfTheSpanWithoutTheMinimum()
    {
        CSkinSlider slider(IDC_TIME_SLIDER);
        slider.resize(583, 16);
        slider.SetRange(50, 150, false);
        QCOMPARE(slider.GetPos(), 50);
        QTest::mouseClick(&slider, Qt::LeftButton, {}, QPoint(600, 8));
        QCOMPARE(slider.GetPos(), 100); // max - min, not max
    }

    void setPositionPlacesThumbByDivision_data()
    {
        QTest::addColumn<int>("nPos");
        QTest::addColumn<int>("nThumbX");
        QTest::newRow("midnight") << 0 << 0;
        QTest::newRow("noon") << 43200 << 289;
        QTest::newRow("the last second lies one pixel past the mouse limit") << 86399 << 579;
    }

    void setPositionPlacesThumbByDivision()
    {
        QFETCH(int, nPos);
        QFETCH(int, nThumbX);
        CSkinSlider slider(IDC_TIME_SLIDER);
        MakeDaySlider(slider);
        slider.SetPosition(nPos);
        QCOMPARE(slider.GetPos(), nPos);
        QCOMPARE(slider.ThumbX(), nThumbX);
    }

    void setRangeMovesPositionButNotThumb()
    {
        CSkinSlider slider(IDC_TIME_SLIDER);
        MakeDaySlider(slider);
        slider.SetPosition(43200);
        slider.SetRange(0, 86399, true);
        QCOMPARE(slider.GetPos(), 0);
        QCOMPARE(slider.ThumbX(), 289);
    }

    void paintDrawsTrackThenThumbWithItsKeyColourClear()
    {
        CSkinSlider slider(IDC_TIME_SLIDER);
        MakeDaySlider(slider);
        slider.SetPosition(43200);
        const QImage shot = slider.grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QImage track = SkinBitmap(IDB_SLIDER_TRACK);
        const QImage thumb = SkinBitmap(IDB_SLIDER_THUMB);
        QCOMPARE(shot.pixel(100, 8), track.pixel(100, 8));
        QCOMPARE(shot.pixel(289 + 1, 8), thumb.pixel(1, 8));
        // The thumb's corner has the key colour: the track shows there.
        QCOMPARE(shot.pixel(289, 0), track.pixel(289, 0));
        QVERIFY(thumb.pixel(0, 0) != track.pixel(289, 0));
    }

    void maskBitmapKeepsDestinationWhereverTheKeyColourIs()
    {
        // Red is the top-left colour and also occurs inside: both places show the blue below.
        QImage src = Filled(4, 3, Qt::green);
        src.setPixelColor(0, 0, Qt::red);
        src.setPixelColor(2, 1, Qt::red);
        CMaskBitmap bmp(src);
        QCOMPARE(bmp.GetWidth(), 4);
        QCOMPARE(bmp.GetHeight(), 3);

        QImage dst = Filled(8, 6, Qt::blue);
        {
            QPainter p(&dst);
            bmp.DrawTransparent(p, 1, 2);
            bmp.DrawTransparent(p, 1, 2); // the cached mask gives the same result
        }
        QCOMPARE(dst.pixelColor(1, 2), QColor(Qt::blue));
        QCOMPARE(dst.pixelColor(3, 3), QColor(Qt::blue));
        QCOMPARE(dst.pixelColor(2, 2), QColor(Qt::green));
        QCOMPARE(dst.pixelColor(4, 4), QColor(Qt::green));
        QCOMPARE(dst.pixelColor(0, 2), QColor(Qt::blue));  // outside the bitmap
        QCOMPARE(dst.pixelColor(5, 2), QColor(Qt::blue));

        QImage copy = Filled(8, 6, Qt::blue);
        {
            QPainter p(&copy);
            bmp.Draw(p, 1, 2);
        }
        QCOMPARE(copy.pixelColor(1, 2), QColor(Qt::red)); // a plain copy keeps every pixel
        QCOMPARE(copy.pixelColor(3, 3), QColor(Qt::red));
    }

    void maskBitmapOfAMissingResourceDrawsNothing()
    {
        CMaskBitmap bmp;
        QVERIFY(!bmp.LoadBitmap(99999));
        QCOMPARE(bmp.GetWidth(), 0);
        QImage dst = Filled(4, 4, Qt::blue);
        QPainter p(&dst);
        bmp.Draw(p, 0, 0);
        bmp.DrawTransparent(p, 0, 0);
        p.end();
        QCOMPARE(dst.pixelColor(0, 0), QColor(Qt::blue));
    }
};

QTEST_MAIN(TestSkinSlider)
#include "test_skin_slider.moc"
