#include "skin_catalog.h"

#include "skin_art.h"
#include "res/skin_layout.h"

#include <QLinearGradient>
#include <QRadialGradient>

#include <cmath>

// The two window backgrounds. Controls are separate bitmaps placed over them (skin_layout.h);
// the backgrounds carry the wells, seats and printed captions around those places.

namespace ostrel::skin {

namespace {

constexpr Qt::Alignment kLeft = Qt::AlignLeft | Qt::AlignVCenter;
constexpr Qt::Alignment kRight = Qt::AlignRight | Qt::AlignVCenter;

// A one-pixel raised edge along the visible border of a window.
void DrawWindowEdge(QPainter& p, const QRect& rc)
{
    p.setPen(colour::kPanelHigh);
    p.drawLine(rc.topLeft(), rc.topRight());
    p.drawLine(rc.topLeft(), rc.bottomLeft());
    p.setPen(colour::kPanelLow);
    p.drawLine(rc.bottomLeft(), rc.bottomRight());
    p.drawLine(rc.topRight(), rc.bottomRight());
}

void DrawTitle(QPainter& p, const QString& strSubtitle)
{
    DrawCaption(p, QRectF(62, 3, 70, 15), QStringLiteral("OSTREL"), 12, kLeft, colour::kGlyph);
    DrawCaption(p, QRectF(126, 3, 400, 15), strSubtitle, 9, kLeft);
}

// A seat: a one-pixel recess around where a control or a row of controls sits.
void DrawSeat(QPainter& p, int x, int y, int cx, int cy)
{
    DrawWell(p, QRect(x, y, cx, cy), 1, QColor(0x16, 0x18, 0x1b));
}

void DrawBrandPlate(QPainter& p, const QRect& rc, const QString& strLine1, const QString& strLine2,
                    bool bAboutHint)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    QLinearGradient fill(rc.topLeft(), rc.bottomLeft());
    fill.setColorAt(0, QColor(0x35, 0x3a, 0x40));
    fill.setColorAt(1, QColor(0x26, 0x2a, 0x2e));
    p.setPen(QPen(colour::kPanelLow, 1));
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(rc).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    p.setPen(QPen(QColor(0x55, 0x5c, 0x63), 1));
    p.drawLine(QPointF(rc.left() + 5, rc.top() + 1.5), QPointF(rc.right() - 5, rc.top() + 1.5));
    p.restore();

    const int h = rc.height();
    DrawCaption(p, QRectF(rc.left(), rc.top() + h * 0.10, rc.width(), h * 0.34), QStringLiteral("OSTREL"),
                h >= 90 ? 26 : 18, Qt::AlignCenter, colour::kGlyph);
    // Amber underline: the same accent as the lit keys.
    p.fillRect(QRectF(rc.center().x() - 20, rc.top() + h * 0.45, 40, 2), colour::kAccent);
    DrawCaption(p, QRectF(rc.left(), rc.top() + h * 0.50, rc.width(), 13), strLine1, 9);
    DrawCaption(p, QRectF(rc.left(), rc.top() + h * 0.50 + 13, rc.width(), 13), strLine2, 9);
    if (bAboutHint)
        DrawCaption(p, QRectF(rc.left(), rc.bottom() - 16, rc.width(), 12),
                    QStringLiteral("double-click for info"), 8, Qt::AlignCenter, QColor(0x70, 0x78, 0x80), false);
}

void DrawPtzPad(QPainter& p)
{
    // A recessed disc under the four direction keys; its centre holds the camera readout.
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    const QPointF c(798.5, 497);
    QLinearGradient rim(c - QPointF(0, 61), c + QPointF(0, 61));
    rim.setColorAt(0, colour::kPanelLow);
    rim.setColorAt(1, colour::kPanelHigh);
    p.setPen(Qt::NoPen);
    p.setBrush(rim);
    p.drawEllipse(c, 61, 61);
    p.setBrush(QColor(0x21, 0x24, 0x28));
    p.drawEllipse(c, 59.5, 59.5);
    p.restore();

    DrawWell(p, QRect(777, 475, 43, 43), 2);
    DrawCaption(p, QRectF(777, 484, 43, 12), QStringLiteral("CAM"), 9, Qt::AlignCenter, colour::kGreen);
}

} // namespace

QImage DrawMainBackground()
{
    QImage img = NewImage(kMainWidth, kMainHeight);
    QPainter p(&img);
    DrawWindowEdge(p, QRect(2, 2, 872, 680)); // the visible region ends at (875, 683)
    DrawTitle(p, QStringLiteral("16 CHANNEL NETWORK DVR CLIENT"));

    // Live display: black 640 x 480 in a three-pixel recess.
    DrawWell(p, QRect(kDisplayLeft, kDisplayTop, kDisplayWidth, kDisplayHeight), 3);

    // Status readout; the clock, positions and connection line are drawn into it at run time
    // on black, so the well is black too (a lighter well showed each text's box).
    DrawWell(p, QRect(736, 64, 124, 164), 2, Qt::black);
    DrawCaption(p, QRectF(740, 181, 100, 13), QStringLiteral("STATUS :"), 10, kLeft, colour::kGreen);
    DrawCaption(p, QRectF(782, 230, 80, 33), QStringLiteral("ACTIVITY"), 9, kLeft);

    DrawGroove(p, 736, 290, 860, 290);
    struct Label {
        int y;
        const char* pszText;
    };
    for (const Label& l : {Label{311, "ROTATE"}, Label{329, "SETUP"}, Label{345, "ARCHIVE"}}) {
        DrawSeat(p, 807, l.y, 51, 11);
        DrawCaption(p, QRectF(730, l.y - 2, 70, 15), QString::fromLatin1(l.pszText), 10, kRight, colour::kGlyph);
    }
    DrawGroove(p, 736, 366, 860, 366);

    // PTZ panel.
    DrawCaption(p, QRectF(737, 372, 50, 13), QStringLiteral("ZOOM"), 9);
    DrawCaption(p, QRectF(813, 372, 49, 13), QStringLiteral("FOCUS"), 9);
    DrawSeat(p, 737, 386, 50, 18);
    DrawSeat(p, 813, 386, 49, 18);
    DrawCaption(p, QRectF(730, 418, 136, 13), QStringLiteral("PAN / TILT"), 9);
    DrawPtzPad(p);
    DrawCaption(p, QRectF(746, 560, 98, 13), QStringLiteral("PTZ CAMERA"), 9);

    // Bottom row: brand (also the about hotspot), link keys, layouts and cameras.
    DrawBrandPlate(p, QRect(34, 574, 152, 102), QStringLiteral("NETWORK DVR CLIENT"),
                   QStringLiteral("16 CHANNELS"), true);
    DrawCaption(p, QRectF(199, 561, 91, 12), QStringLiteral("CONNECT"), 9);
    DrawCaption(p, QRectF(199, 610, 91, 12), QStringLiteral("DISCONNECT"), 9);
    DrawCaption(p, QRectF(368, 582, 200, 13), QStringLiteral("SCREEN LAYOUT"), 9, kLeft);
    DrawSeat(p, 367, 597, 348, 27);
    DrawCaption(p, QRectF(311, 626, 120, 13), QStringLiteral("CAMERAS"), 9, kLeft);
    DrawSeat(p, 310, 639, 457, 32);
    return img;
}

QImage DrawArchiveBackground()
{
    QImage img = NewImage(kArchiveBitmapWidth, kArchiveBitmapHeight);
    QPainter p(&img);
    DrawWindowEdge(p, QRect(0, 0, kArchiveBitmapWidth - 1, kArchiveBitmapHeight - 1));
    DrawTitle(p, QStringLiteral("ARCHIVE SEARCH AND PLAYBACK"));

    DrawWell(p, QRect(kDisplayLeft, kDisplayTop, kDisplayWidth, kDisplayHeight), 3);

    // Status readout; labels, times, positions and the status line are drawn at run time on
    // black, so the well is black too. The receive lamp sits on its lower left corner.
    DrawWell(p, QRect(736, 62, 200, 174), 2, Qt::black);

    DrawCaption(p, QRectF(732, 240, 200, 13), QStringLiteral("PLAYBACK"), 9, kLeft);
    DrawSeat(p, 731, 254, 209, 42);
    DrawSeat(p, 750, 305, 172, 42);
    DrawCaption(p, QRectF(722, 360, 200, 13), QStringLiteral("DATE"), 9, kLeft);
    DrawWell(p, QRect(722, 376, 224, 180), 2, QColor(0x10, 0x12, 0x14));

    // Picture layout keys under the playback area.
    DrawCaption(p, QRectF(57, 511, 56, 12), QStringLiteral("VIEW"), 9);
    DrawCaption(p, QRectF(117, 511, 58, 12), QStringLiteral("TILES"), 9);
    DrawSeat(p, 56, 524, 57, 28);
    DrawSeat(p, 116, 524, 59, 28);

    // Time of day: hour marks above the track, the readout below it.
    DrawCaption(p, QRectF(100, 602, 100, 16), QStringLiteral("TIME OF DAY"), 9, kRight);
    // The site's logo ("./logo/blogo.bmp", 165 x 65) is drawn at run time at (25, 616).
    for (int h = 0; h <= 24; h += 3) {
        const double x = 206 + h * 3600 / 149.0 + 1.5;
        DrawCaption(p, QRectF(x - 12, 589, 24, 12), QStringLiteral("%1").arg(h, 2, 10, QLatin1Char('0')), 9,
                    Qt::AlignCenter, h % 6 == 0 ? colour::kGlyph : colour::kCaption, h % 6 == 0);
    }
    DrawWell(p, QRect(215, 640, 100, 20), 2);
    DrawSeat(p, 341, 634, 454, 32);
    DrawCaption(p, QRectF(342, 667, 120, 12), QStringLiteral("CAMERAS"), 9, kLeft);
    return img;
}

} // namespace ostrel::skin
