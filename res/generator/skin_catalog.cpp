#include "skin_catalog.h"

#include "program_icon.h"
#include "res/resource.h"
#include "skin_art.h"

#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>

namespace ostrel::skin {

namespace {

using Entries = std::vector<SkinBitmapEntry>;

void AddPair(Entries& out, int nIdNormal, int nIdActive, KeyLook activeLook, int cx, int cy,
             const GlyphFn& glyph, const QString& strName, double radius = 3.0)
{
    out.push_back({nIdNormal, strName, KeyImage(cx, cy, KeyLook::Normal, glyph, radius)});
    out.push_back({nIdActive, strName + (activeLook == KeyLook::Lit ? " lit" : " pressed"),
                   KeyImage(cx, cy, activeLook, glyph, radius)});
}

// An icon above a short text line.
GlyphFn IconOverText(GlyphFn icon, const QString& strText, int nTextPx, double dIconShare = 0.62)
{
    return [icon, strText, nTextPx, dIconShare](QPainter& p, const QRectF& rc, const QColor& col, [[maybe_unused]] KeyLook look) {
        const double h = rc.height() * dIconShare;
        icon(p, QRectF(rc.left(), rc.top() + 1, rc.width(), h), col, look);
        DrawCaption(p, QRectF(rc.left(), rc.top() + h, rc.width(), rc.height() - h - 1), strText,
                    nTextPx, Qt::AlignCenter, col);
    };
}

// A triangle with a stop bar at its tip or its back: go to the end or the start of a range.
GlyphFn BarTriangle(bool bForward, double dSize)
{
    return [bForward, dSize](QPainter& p, const QRectF& rc, const QColor& col, [[maybe_unused]] KeyLook look) {
        const QPointF c = rc.center();
        const double h = dSize * 0.9;
        const double x0 = c.x() - (h + 3) / 2;
        const QRectF rcBar(bForward ? x0 + h + 1 : x0, c.y() - dSize / 2, 2, dSize);
        const QRectF rcTri(bForward ? x0 : x0 + 3, c.y() - dSize / 2, h, dSize);
        p.fillRect(rcBar, col);
        TriangleGlyph(bForward ? 0 : 180, dSize)(p, rcTri, col, look);
    };
}

GlyphFn BarGlyph(double w, double h)
{
    return [w, h](QPainter& p, const QRectF& rc, const QColor& col, [[maybe_unused]] KeyLook look) {
        const QPointF c = rc.center();
        p.fillRect(QRectF(c.x() - w / 2, c.y() - h / 2, w, h), col);
    };
}

// Two triangles touching, pointing the same way (fast wind).
GlyphFn DoubleTriangle(double dAngle, double dSize)
{
    return [dAngle, dSize](QPainter& p, const QRectF& rc, const QColor& col, [[maybe_unused]] KeyLook look) {
        const double dx = dAngle == 0 ? dSize * 0.42 : -dSize * 0.42;
        TriangleGlyph(dAngle, dSize)(p, rc.translated(-dx, 0), col, look);
        TriangleGlyph(dAngle, dSize)(p, rc.translated(dx, 0), col, look);
    };
}

GlyphFn CameraIcon()
{
    return [](QPainter& p, const QRectF& rc, const QColor& col, [[maybe_unused]] KeyLook look) {
        p.save();
        p.setRenderHint(QPainter::Antialiasing, true);
        const QPointF c = rc.center();
        const QRectF body(c.x() - 14, c.y() - 8, 28, 18);
        p.setPen(Qt::NoPen);
        p.setBrush(col);
        p.drawRoundedRect(body, 3, 3);
        p.drawRect(QRectF(c.x() - 6, c.y() - 11, 11, 4));
        p.setBrush(QColor(0x20, 0x23, 0x26));
        p.drawEllipse(QPointF(c.x(), c.y() + 1), 6.5, 6.5);
        p.setBrush(col);
        p.drawEllipse(QPointF(c.x(), c.y() + 1), 3.5, 3.5);
        p.restore();
    };
}

GlyphFn PrinterIcon()
{
    return [](QPainter& p, const QRectF& rc, const QColor& col, [[maybe_unused]] KeyLook look) {
        p.save();
        p.setRenderHint(QPainter::Antialiasing, true);
        const QPointF c = rc.center();
        p.setPen(Qt::NoPen);
        p.setBrush(col);
        p.drawRect(QRectF(c.x() - 8, c.y() - 12, 16, 7));        // paper in
        p.drawRoundedRect(QRectF(c.x() - 14, c.y() - 5, 28, 11), 2, 2);
        p.setBrush(QColor(0x20, 0x23, 0x26));
        p.drawRect(QRectF(c.x() - 9, c.y() + 2, 18, 3));
        p.setBrush(col);
        p.drawRect(QRectF(c.x() - 8, c.y() + 5, 16, 6));          // paper out
        p.setBrush(QColor(0x20, 0x23, 0x26));
        p.drawRect(QRectF(c.x() - 5, c.y() + 7, 10, 1));
        p.restore();
    };
}

GlyphFn EventListIcon()
{
    return [](QPainter& p, const QRectF& rc, const QColor& col, [[maybe_unused]] KeyLook look) {
        p.save();
        p.setRenderHint(QPainter::Antialiasing, true);
        const QPointF c = rc.center();
        // A warning sign beside three list lines.
        QPolygonF tri{QPointF(c.x() - 9, c.y() - 10), QPointF(c.x() - 17, c.y() + 6), QPointF(c.x() - 1, c.y() + 6)};
        p.setPen(Qt::NoPen);
        p.setBrush(col);
        p.drawPolygon(tri);
        p.setBrush(QColor(0x20, 0x23, 0x26));
        p.drawRect(QRectF(c.x() - 10, c.y() - 4, 2, 6));
        p.drawRect(QRectF(c.x() - 10, c.y() + 3, 2, 2));
        p.setBrush(col);
        for (int i = 0; i < 3; ++i)
            p.drawRect(QRectF(c.x() + 3, c.y() - 8 + i * 6, 13, 3));
        p.restore();
    };
}

GlyphFn RecordDotIcon(bool bLit)
{
    return [bLit](QPainter& p, const QRectF& rc, const QColor& col, KeyLook) {
        if (col.alpha() < 255)
            return;
        p.save();
        p.setRenderHint(QPainter::Antialiasing, true);
        const QPointF c = rc.center();
        if (bLit) {
            QRadialGradient glow(c, 13);
            glow.setColorAt(0.0, QColor(0xff, 0x60, 0x50, 200));
            glow.setColorAt(1.0, QColor(0xff, 0x30, 0x20, 0));
            p.setPen(Qt::NoPen);
            p.setBrush(glow);
            p.drawEllipse(c, 13, 13);
            QRadialGradient dot(c - QPointF(2, 2), 9);
            dot.setColorAt(0.0, QColor(0xff, 0xd0, 0xc8));
            dot.setColorAt(0.4, QColor(0xff, 0x40, 0x30));
            dot.setColorAt(1.0, QColor(0xb0, 0x10, 0x08));
            p.setBrush(dot);
        } else {
            p.setPen(QPen(QColor(0x20, 0x10, 0x10), 1));
            p.setBrush(QColor(0x7a, 0x26, 0x22));
        }
        p.drawEllipse(c, 7.5, 7.5);
        p.restore();
    };
}

GlyphFn PowerGlyph(const QString& strText)
{
    return [strText](QPainter& p, const QRectF& rc, const QColor& colText, [[maybe_unused]] KeyLook look) {
        if (colText.alpha() < 255)
            return;
        const QColor col = look == KeyLook::Pressed ? colour::kAccent : colour::kRed;
        p.save();
        p.setRenderHint(QPainter::Antialiasing, true);
        const QPointF c(rc.left() + 28, rc.center().y());
        p.setPen(QPen(col, 2.0, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(c.x() - 6, c.y() - 6, 12, 12), 120 * 16, 300 * 16);
        p.drawLine(QPointF(c.x(), c.y() - 7.5), QPointF(c.x(), c.y() - 1));
        p.restore();
        DrawCaption(p, rc.adjusted(14, 0, 0, 0), strText, 12, Qt::AlignCenter, colText);
    };
}

GlyphFn BackToLiveGlyph()
{
    return [](QPainter& p, const QRectF& rc, const QColor& col, [[maybe_unused]] KeyLook look) {
        TriangleGlyph(180, 9)(p, QRectF(rc.left() + 8, rc.top(), 14, rc.height()), col, look);
        DrawCaption(p, rc.adjusted(16, 0, 0, 0), QStringLiteral("LIVE VIEW"), 11, Qt::AlignCenter, col);
    };
}

GlyphFn ConnectRing()
{
    return [](QPainter& p, const QRectF& rc, const QColor& col, [[maybe_unused]] KeyLook look) {
        if (col.alpha() < 255)
            return;
        p.save();
        p.setRenderHint(QPainter::Antialiasing, true);
        const QPointF c = rc.center();
        const bool bLit = look == KeyLook::Lit;
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(bLit ? colour::kAccent : QColor(0x1a, 0x1d, 0x20), 3.0));
        p.drawEllipse(c, 8.5, 8.5);
        if (bLit) {
            p.setPen(QPen(QColor(0xff, 0xa0, 0x10, 90), 6.0));
            p.drawEllipse(c, 8.5, 8.5);
        }
        p.setPen(Qt::NoPen);
        p.setBrush(bLit ? QColor(0xff, 0xd8, 0x80) : QColor(0x7c, 0x84, 0x8c));
        p.drawEllipse(c, 3, 3);
        p.restore();
    };
}

GlyphFn TileGlyph(int nSide, bool bPlus)
{
    return [nSide, bPlus](QPainter& p, const QRectF& rc, const QColor& col, [[maybe_unused]] KeyLook look) {
        GridGlyph(nSide, 12, 10)(p, rc.adjusted(-4, -3, -4, -3), col, look);
        const QRectF rcSign(rc.right() - 10, rc.bottom() - 10, 10, 10);
        if (bPlus)
            PlusGlyph(8)(p, rcSign, col, look);
        else
            MinusGlyph(8)(p, rcSign, col, look);
    };
}

// The hour labels of the archive's step keys: a triangle over a short text.
GlyphFn StepGlyph(GlyphFn top, const QString& strText)
{
    return IconOverText(std::move(top), strText, 9, 0.6);
}

QImage LampImage(bool bOn)
{
    // 40 x 40 for the main view; the lamp and its housing fill the top-left 33 x 33, which is
    // all the archive's 33 x 33 control shows. The rest is plain panel.
    QImage img = NewImage(40, 40);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(colour::kPanelHigh, 1));
    p.setBrush(QColor(0x0b, 0x0c, 0x0e));
    p.drawRoundedRect(QRectF(0.5, 0.5, 32, 32), 4, 4);
    const QPointF c(16.5, 16.5);
    if (bOn) {
        QRadialGradient halo(c, 15);
        halo.setColorAt(0.0, QColor(0x60, 0xff, 0x70, 160));
        halo.setColorAt(1.0, QColor(0x20, 0xff, 0x40, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(halo);
        p.drawEllipse(c, 15, 15);
        QRadialGradient bulb(c - QPointF(3, 3), 11);
        bulb.setColorAt(0.0, QColor(0xe8, 0xff, 0xe0));
        bulb.setColorAt(0.35, QColor(0x5c, 0xf0, 0x68));
        bulb.setColorAt(1.0, QColor(0x10, 0x90, 0x28));
        p.setBrush(bulb);
    } else {
        QRadialGradient bulb(c - QPointF(3, 3), 11);
        bulb.setColorAt(0.0, QColor(0x3c, 0x55, 0x40));
        bulb.setColorAt(1.0, QColor(0x0e, 0x22, 0x12));
        p.setPen(QPen(QColor(0, 0, 0), 1));
        p.setBrush(bulb);
    }
    p.drawEllipse(c, 9, 9);
    return img;
}

QImage SliderTrack()
{
    QImage img = NewImage(583, 16);
    QPainter p(&img);
    // The groove the thumb rides in; the thumb's left edge is at position / 149 pixels.
    DrawWell(p, QRect(2, 6, 579, 4), 1, QColor(0x0a, 0x0b, 0x0c));
    for (int h = 0; h <= 24; ++h) {
        const int x = static_cast<int>(std::lround(h * 3600 / 149.0 + 1.5));
        const bool bMajor = h % 6 == 0;
        const bool bMid = h % 3 == 0;
        const QColor col = bMajor ? colour::kGlyph : (bMid ? colour::kCaption : QColor(0x6a, 0x72, 0x7a));
        const int len = bMajor ? 4 : (bMid ? 3 : 2);
        p.fillRect(QRect(std::min(x, 582), 0, 1, len), col);
        p.fillRect(QRect(std::min(x, 582), 16 - len, 1, len), col);
    }
    return img;
}

QImage SliderThumb()
{
    // Corners in the key colour (the top-left pixel decides it) leave a rounded 4 x 26 bar.
    QImage img = NewImage(4, 26, colour::kAccent);
    QPainter p(&img);
    p.fillRect(QRect(1, 1, 1, 24), QColor(0xff, 0xf0, 0xc0));
    p.fillRect(QRect(2, 1, 1, 24), QColor(0xff, 0xe0, 0x90));
    for (const QPoint& pt : {QPoint(0, 0), QPoint(3, 0), QPoint(0, 25), QPoint(3, 25)})
        p.fillRect(QRect(pt, QSize(1, 1)), colour::kKey);
    return img;
}

QImage ProgramIcon()
{
    const double s = DrawScale();
    QImage img = ProgramIconImage(static_cast<int>(std::lround(64 * s)));
    img.setDevicePixelRatio(s);
    return img;
}

} // namespace

std::vector<SkinBitmapEntry> BuildSkinCatalog(double dScale)
{
    const double dOldScale = SetDrawScale(dScale);
    Entries out;
    out.push_back({IDB_PROGRAM_ICON, QStringLiteral("program icon"), ProgramIcon()});
    out.push_back({IDB_MAIN_BACKGROUND, QStringLiteral("main background"), DrawMainBackground()});
    out.push_back({IDB_ARCHIVE_BACKGROUND, QStringLiteral("archive background"), DrawArchiveBackground()});

    // ---- Main view.
    AddPair(out, IDB_CONNECT_OFF, IDB_CONNECT_ON, KeyLook::Lit, 33, 32, ConnectRing(),
            QStringLiteral("connect / disconnect"), 8.0);
    const int kLayoutSides[kLayoutButtonCount] = {1, 2, 0, 3, 0, 0, 4};
    for (int i = 0; i < kLayoutButtonCount; ++i) {
        const int nSide = kLayoutSides[i];
        const GlyphFn glyph = nSide ? GridGlyph(nSide, 22, 15) : BlankGlyph();
        const QString strName = nSide ? QStringLiteral("layout %1").arg(nSide * nSide)
                                      : QStringLiteral("no layout");
        AddPair(out, IdbLayoutOff(i), IdbLayoutOn(i), KeyLook::Lit, 40, 25, glyph, strName);
    }
    for (int n = 0; n < 16; ++n) {
        const int cx = (n == 0 || n == 15) ? 31 : 28;
        AddPair(out, IdbViewChannelOff(n), IdbViewChannelOn(n), KeyLook::Lit, cx, 30,
                TextGlyph(QString::number(n + 1), 13), QStringLiteral("channel %1").arg(n + 1));
    }
    AddPair(out, IDB_EXIT, IDB_EXIT_PRESSED, KeyLook::Pressed, 114, 22, PowerGlyph(QStringLiteral("EXIT")),
            QStringLiteral("exit"));
    AddPair(out, IDB_SMALL_KEY, IDB_SMALL_KEY_PRESSED, KeyLook::Lit, 51, 11,
            [](QPainter& p, const QRectF& rc, const QColor& col, [[maybe_unused]] KeyLook look) {
                // A slot LED: dark when released, amber when pressed or switched on.
                if (col.alpha() < 255)
                    return;
                const bool bLit = look != KeyLook::Normal;
                const QPointF c = rc.center();
                p.fillRect(QRectF(c.x() - 12, c.y() - 1, 24, 2), bLit ? colour::kAccent : QColor(0x1c, 0x1f, 0x22));
            },
            QStringLiteral("small key"), 2.0);
    out.push_back({IDB_LAMP_OFF, QStringLiteral("lamp off"), LampImage(false)});
    out.push_back({IDB_LAMP_ON, QStringLiteral("lamp on"), LampImage(true)});

    AddPair(out, IDB_PTZ_UP, IDB_PTZ_UP_PRESSED, KeyLook::Pressed, 51, 34, TriangleGlyph(90, 16), QStringLiteral("tilt up"));
    AddPair(out, IDB_PTZ_LEFT_UP, IDB_PTZ_LEFT_UP_PRESSED, KeyLook::Pressed, 35, 32, ArrowGlyph(135, 20), QStringLiteral("left and up"));
    AddPair(out, IDB_PTZ_LEFT, IDB_PTZ_LEFT_PRESSED, KeyLook::Pressed, 36, 51, TriangleGlyph(180, 16), QStringLiteral("pan left"));
    AddPair(out, IDB_PTZ_LEFT_DOWN, IDB_PTZ_LEFT_DOWN_PRESSED, KeyLook::Pressed, 39, 39, ArrowGlyph(225, 20), QStringLiteral("left and down"));
    AddPair(out, IDB_PTZ_DOWN, IDB_PTZ_DOWN_PRESSED, KeyLook::Pressed, 51, 36, TriangleGlyph(270, 16), QStringLiteral("tilt down"));
    AddPair(out, IDB_PTZ_RIGHT_DOWN, IDB_PTZ_RIGHT_DOWN_PRESSED, KeyLook::Pressed, 40, 39, ArrowGlyph(315, 20), QStringLiteral("right and down"));
    AddPair(out, IDB_PTZ_RIGHT, IDB_PTZ_RIGHT_PRESSED, KeyLook::Pressed, 34, 51, TriangleGlyph(0, 16), QStringLiteral("pan right"));
    AddPair(out, IDB_PTZ_RIGHT_UP, IDB_PTZ_RIGHT_UP_PRESSED, KeyLook::Pressed, 45, 38, ArrowGlyph(45, 20), QStringLiteral("right and up"));
    AddPair(out, IDB_PTZ_IN, IDB_PTZ_IN_PRESSED, KeyLook::Pressed, 25, 18, PlusGlyph(9), QStringLiteral("zoom/focus in"));
    AddPair(out, IDB_PTZ_OUT, IDB_PTZ_OUT_PRESSED, KeyLook::Pressed, 25, 18, MinusGlyph(9), QStringLiteral("zoom/focus out"));
    AddPair(out, IDB_PTZ_CH_PLUS, IDB_PTZ_CH_PLUS_PRESSED, KeyLook::Pressed, 21, 20, PlusGlyph(9), QStringLiteral("PTZ camera +"));
    AddPair(out, IDB_PTZ_CH_MINUS, IDB_PTZ_CH_MINUS_PRESSED, KeyLook::Pressed, 21, 20, MinusGlyph(9), QStringLiteral("PTZ camera -"));

    // ---- Archive dialog.
    out.push_back({IDB_SLIDER_TRACK, QStringLiteral("time track"), SliderTrack()});
    out.push_back({IDB_SLIDER_THUMB, QStringLiteral("time thumb"), SliderThumb()});
    AddPair(out, IDB_TILES_MORE, IDB_TILES_MORE_PRESSED, KeyLook::Pressed, 26, 26, TileGlyph(3, true), QStringLiteral("more tiles"));
    AddPair(out, IDB_TILES_FEWER, IDB_TILES_FEWER_PRESSED, KeyLook::Pressed, 26, 26, TileGlyph(2, false), QStringLiteral("fewer tiles"));
    AddPair(out, IDB_SNAPSHOT, IDB_SNAPSHOT_PRESSED, KeyLook::Pressed, 62, 51,
            IconOverText(CameraIcon(), QStringLiteral("SNAPSHOT"), 9), QStringLiteral("snapshot"));
    AddPair(out, IDB_VIEWER, IDB_VIEWER_PRESSED, KeyLook::Pressed, 118, 23, BackToLiveGlyph(), QStringLiteral("live view"));
    out.push_back({IDB_AVI_OFF, QStringLiteral("AVI record"),
                   KeyImage(62, 51, KeyLook::Normal, IconOverText(RecordDotIcon(false), QStringLiteral("AVI REC"), 9))});
    out.push_back({IDB_AVI_ON, QStringLiteral("AVI record lit"),
                   KeyImage(62, 51, KeyLook::Lit, IconOverText(RecordDotIcon(true), QStringLiteral("AVI REC"), 9))});
    for (int i = 0; i < 16; ++i)
        AddPair(out, IdbArchiveChannelOff(i), IdbArchiveChannelOn(i), KeyLook::Lit, 31, 30,
                TextGlyph(QString::number(i + 1), 13), QStringLiteral("channel %1").arg(i + 1));
    AddPair(out, IDB_MULTI_VIEW_OFF, IDB_MULTI_VIEW_ON, KeyLook::Lit, 26, 26, GridGlyph(2, 14, 12), QStringLiteral("multi view"));
    AddPair(out, IDB_SINGLE_VIEW_OFF, IDB_SINGLE_VIEW_ON, KeyLook::Lit, 25, 26, GridGlyph(1, 14, 12), QStringLiteral("single view"));
    AddPair(out, IDB_PRINT, IDB_PRINT_PRESSED, KeyLook::Pressed, 62, 51,
            IconOverText(PrinterIcon(), QStringLiteral("PRINT"), 9), QStringLiteral("print"));
    AddPair(out, IDB_EVENT_LIST, IDB_EVENT_LIST_PRESSED, KeyLook::Pressed, 62, 51,
            IconOverText(EventListIcon(), QStringLiteral("EVENTS"), 9), QStringLiteral("event list"));

    AddPair(out, IDB_FAST_REVERSE_OFF, IDB_FAST_REVERSE_ON, KeyLook::Lit, 38, 40, DoubleTriangle(180, 12), QStringLiteral("fast reverse"));
    AddPair(out, IDB_REVERSE_OFF, IDB_REVERSE_ON, KeyLook::Lit, 38, 40, TriangleGlyph(180, 14), QStringLiteral("reverse"));
    AddPair(out, IDB_STOP_OFF, IDB_STOP_ON, KeyLook::Lit, 38, 40, BarGlyph(12, 12), QStringLiteral("stop"));
    AddPair(out, IDB_FORWARD_OFF, IDB_FORWARD_ON, KeyLook::Lit, 38, 40, TriangleGlyph(0, 14), QStringLiteral("forward"));
    AddPair(out, IDB_FAST_FORWARD_OFF, IDB_FAST_FORWARD_ON, KeyLook::Lit, 38, 40, DoubleTriangle(0, 12), QStringLiteral("fast forward"));

    AddPair(out, IDB_GO_START, IDB_GO_START_PRESSED, KeyLook::Pressed, 38, 40,
            StepGlyph(BarTriangle(false, 11), QStringLiteral("START")),
            QStringLiteral("go to start"));
    AddPair(out, IDB_PREV_HOUR, IDB_PREV_HOUR_PRESSED, KeyLook::Pressed, 38, 40,
            StepGlyph(TriangleGlyph(180, 11), QStringLiteral("-1H")), QStringLiteral("previous hour"));
    AddPair(out, IDB_NEXT_HOUR, IDB_NEXT_HOUR_PRESSED, KeyLook::Pressed, 38, 40,
            StepGlyph(TriangleGlyph(0, 11), QStringLiteral("+1H")), QStringLiteral("next hour"));
    AddPair(out, IDB_GO_END, IDB_GO_END_PRESSED, KeyLook::Pressed, 38, 40,
            StepGlyph(BarTriangle(true, 11), QStringLiteral("END")),
            QStringLiteral("go to end"));
    SetDrawScale(dOldScale);
    return out;
}

} // namespace ostrel::skin
