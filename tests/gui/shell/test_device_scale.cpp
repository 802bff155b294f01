// The live view on a screen of device pixel ratio 2 (CTest runs this program with
// QT_SCALE_FACTOR=2): drawn at the device's resolution, not enlarged from 1x. The 1x reference is
// the same test run again at scale 1. (The archive's tests of the files the operator keeps run at
// ratio 2 as well: test_archive_dlg_scale2.)
#include "fakes/gui_fixture.h"

#include "channel_code_painter.h"
#include "jpeg_encoder.h"

#include <QProcess>

#include <algorithm>
#include <cstdlib>

using namespace ostrel;
using namespace ostrel::test;
using namespace ostrel::wire;

namespace {

constexpr const char* kGrabToVariable = "OSTREL_SCALE_ONE_GRAB";

class DeviceScaleTest : public SessionTest {
protected:
    // Channel 1 shows a 704 x 240 field of one-pixel black and white columns.
    void DeliverStripes()
    {
        QImage field(704, 240, QImage::Format_RGB32);
        for (int x = 0; x < field.width(); ++x)
            for (int y = 0; y < field.height(); ++y)
                field.setPixel(x, y, x % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
        const int nPitch = static_cast<int>(field.bytesPerLine());
        dvrsim::CChannelCodePainter::Paint(field.bits(), field.width(), nPitch, field.height(), 0, false, false);
        std::vector<uint8_t> jpeg;
        dvrsim::CJpegEncoder().Encode(field.constBits(), field.width(), nPitch, field.height(), 95,
                                      dvrsim::JpegSubsampling::S444, jpeg);
        sockets.Last()->Deliver(MakePacket(DATATYPE_LIVE_IMAGE, {0, 0, 0, 1, 0}, jpeg));
        clock.Advance(100);
    }
    QImage Grab() { return pView->grab().toImage().convertToFormat(QImage::Format_RGB32); }
};

int Luma(const QImage& image, int x, int y) { return qGray(image.pixel(x, y)); }

// Of the pixels with ink in rc (lighter than a fifth of the way from the darkest to the
// lightest), the share in the edges' transitions (not yet four fifths of the way). An image
// enlarged from 1x keeps the share of the 1x image; one drawn at twice the resolution has
// fewer transition pixels for the same ink.
double TransitionShare(const QImage& image, const QRect& rc)
{
    std::vector<int> lumas;
    for (int y = rc.top(); y <= rc.bottom(); ++y)
        for (int x = rc.left(); x <= rc.right(); ++x)
            lumas.push_back(Luma(image, x, y));
    const auto [itLow, itHigh] = std::minmax_element(lumas.begin(), lumas.end());
    const int nInkFrom = *itLow + (*itHigh - *itLow) / 5, nSolidFrom = *itLow + (*itHigh - *itLow) * 4 / 5;
    const auto nInk = std::count_if(lumas.begin(), lumas.end(), [&](int v) { return v > nInkFrom; });
    const auto nSolid = std::count_if(lumas.begin(), lumas.end(), [&](int v) { return v >= nSolidFrom; });
    return nInk ? static_cast<double>(nInk - nSolid) / static_cast<double>(nInk) : 1.0;
}

// Changes between black and white (luma across 128) along row y of rc.
int StripeEdges(const QImage& image, const QRect& rc, int y)
{
    int nEdges = 0;
    for (int x = rc.left() + 1; x <= rc.right(); ++x)
        nEdges += (Luma(image, x, y) >= 128) != (Luma(image, x - 1, y) >= 128);
    return nEdges;
}

QRect Twice(const QRect& rc) { return QRect(rc.topLeft() * 2, rc.size() * 2); }

// The status panel's overlay texts and the brand plate's captions, in window pixels.
const QRect kTextAreas[] = {QRect(740, 70, 100, 60), QRect(740, 140, 115, 30), QRect(45, 620, 140, 50)};

} // namespace

TEST_F(DeviceScaleTest, ViewIsDrawnAtTheDeviceResolution)
{
    MakeView();
    ClickMiddle(pView->SkinButton(IDC_CONNECT));
    AcceptLogin({1, 16});
    ClickMiddle(pView->SkinButton(IDC_LAYOUT_FIRST + 0)); // channel 1 alone
    DeliverStripes();
    if (const char* pszTo = std::getenv(kGrabToVariable)) { // the run at scale 1 for the reference
        EXPECT_TRUE(Grab().save(QString::fromLocal8Bit(pszTo), "PNG"));
        return;
    }
    ASSERT_EQ(2.0, pView->devicePixelRatioF()) << "run with QT_SCALE_FACTOR=2, as CTest does";
    const QImage grab = Grab();
    ASSERT_EQ(QSize(1754, 1370), grab.size());

    const QString strReference = QString::fromStdString(Dir() + "/scale1.png");
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_SCALE_FACTOR"), QStringLiteral("1"));
    env.insert(QString::fromLatin1(kGrabToVariable), strReference);
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=DeviceScaleTest.ViewIsDrawnAtTheDeviceResolution")});
    ASSERT_TRUE(child.waitForFinished(120000) && child.exitCode() == 0) << child.readAll().toStdString();
    const QImage reference(strReference);
    ASSERT_EQ(QSize(877, 685), reference.size());

    // The single cell (63, 23)-(701, 501) shows the field's 690 middle columns: 689 edges in
    // its 1276 device pixels, which its 638 window pixels could not hold.
    EXPECT_GE(StripeEdges(grab, Twice(QRect(63, 23, 638, 478)), 524), 680);

    // Texts and skin drawn at scale 2: markedly fewer transition pixels than scale 1 enlarged,
    // which keeps the share exactly (about 0.6 here, against 0.37 to 0.45 when drawn sharp).
    const QImage enlarged = reference.scaled(reference.size() * 2);
    for (const QRect& rc : kTextAreas) {
        const double dEnlarged = TransitionShare(enlarged, Twice(rc));
        const double dSharp = TransitionShare(grab, Twice(rc));
        EXPECT_LT(dSharp, 0.85 * dEnlarged) << rc.x() << "," << rc.y() << ": " << dSharp << " vs " << dEnlarged;
    }

    // In four cells the field is decoded for the cell's 636 device columns, at full size, not
    // at half size for its 318 window pixels (which would average each pair of columns to grey).
    ClickMiddle(pView->SkinButton(IDC_LAYOUT_FIRST + 1));
    DeliverStripes();
    EXPECT_GE(StripeEdges(Grab(), Twice(QRect(63, 23, 318, 238)), 240), 500);
}
