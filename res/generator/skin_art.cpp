#include "skin_art.h"

#include <QLinearGradient>
#include <QPolygonF>

#include <cmath>
#include <numbers>
#include <utility>

namespace ostrel::skin {

namespace {

thread_local double t_dDrawScale = 1.0;

} // namespace

double SetDrawScale(double dScale)
{
    return std::exchange(t_dDrawScale, dScale);
}

double DrawScale()
{
    return t_dDrawScale;
}

QImage NewImage(int cx, int cy, const QColor& fill)
{
    const double s = t_dDrawScale;
    QImage img(static_cast<int>(std::lround(cx * s)), static_cast<int>(std::lround(cy * s)), QImage::Format_RGB32);
    img.setDevicePixelRatio(s);
    img.fill(fill);
    return img;
}

QFont SkinFont(int nPixelSize, bool bBold)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(nPixelSize);
    font.setBold(bBold);
    font.setHintingPreference(QFont::PreferFullHinting);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

void DrawKey(QPainter& p, const QRectF& rcKey, KeyLook look, const GlyphFn& glyph, double radius)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    const QRectF rc = rcKey.adjusted(0.5, 0.5, -0.5, -0.5);

    QLinearGradient fill(rc.topLeft(), rc.bottomLeft());
    QColor colGlyph = colour::kGlyph;
    switch (look) {
    case KeyLook::Normal:
        fill.setColorAt(0.0, QColor(0x5a, 0x62, 0x6a));
        fill.setColorAt(1.0, QColor(0x36, 0x3b, 0x41));
        break;
    case KeyLook::Pressed:
        fill.setColorAt(0.0, QColor(0x1c, 0x1f, 0x22));
        fill.setColorAt(1.0, QColor(0x2e, 0x33, 0x38));
        colGlyph = colour::kAccent;
        break;
    case KeyLook::Lit:
        fill.setColorAt(0.0, QColor(0x5e, 0x4a, 0x22));
        fill.setColorAt(1.0, QColor(0x3a, 0x2e, 0x16));
        colGlyph = QColor(0xff, 0xc8, 0x50);
        break;
    }

    // Body and outline.
    p.setPen(QPen(QColor(0x0c, 0x0d, 0x0f), 1.0));
    p.setBrush(fill);
    p.drawRoundedRect(rc, radius, radius);

    // Bevel: light top edge when raised, dark top edge when pushed in.
    const QRectF rcIn = rc.adjusted(1, 1, -1, -1);
    if (look == KeyLook::Pressed) {
        p.setPen(QPen(QColor(0, 0, 0, 200), 1.0));
        p.drawLine(QPointF(rcIn.left() + radius / 2, rcIn.top()), QPointF(rcIn.right() - radius / 2, rcIn.top()));
        p.drawLine(QPointF(rcIn.left(), rcIn.top() + radius / 2), QPointF(rcIn.left(), rcIn.bottom() - radius / 2));
    } else {
        p.setPen(QPen(look == KeyLook::Lit ? QColor(0xff, 0xc0, 0x40, 170) : QColor(0x82, 0x8a, 0x92), 1.0));
        p.drawLine(QPointF(rcIn.left() + radius / 2, rcIn.top()), QPointF(rcIn.right() - radius / 2, rcIn.top()));
        p.setPen(QPen(QColor(0, 0, 0, 110), 1.0));
        p.drawLine(QPointF(rcIn.left() + radius / 2, rcIn.bottom()), QPointF(rcIn.right() - radius / 2, rcIn.bottom()));
    }
    if (look == KeyLook::Lit) {
        // An amber rim makes the lit state readable from across the room.
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(0xff, 0xa8, 0x18, 220), 1.0));
        p.drawRoundedRect(rc.adjusted(1, 1, -1, -1), radius, radius);
    }

    if (glyph) {
        QRectF rcGlyph = rc.adjusted(2, 2, -2, -2);
        if (look == KeyLook::Pressed)
            rcGlyph.translate(1, 1);
        if (look == KeyLook::Lit) {
            // Soft glow behind the lit glyph.
            for (const QPointF& d : {QPointF(-1, 0), QPointF(1, 0), QPointF(0, -1), QPointF(0, 1)})
                glyph(p, rcGlyph.translated(d), QColor(0xff, 0x90, 0x00, 70), look);
        }
        glyph(p, rcGlyph, colGlyph, look);
    }
    p.restore();
}

QImage KeyImage(int cx, int cy, KeyLook look, const GlyphFn& glyph, double radius)
{
    QImage img = NewImage(cx, cy);
    QPainter p(&img);
    DrawKey(p, QRectF(0, 0, cx, cy), look, glyph, radius);
    return img;
}

void DrawWell(QPainter& p, const QRect& rcInner, int nDepth, const QColor& fill)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    for (int i = 1; i <= nDepth; ++i) {
        const QRect rc = rcInner.adjusted(-i, -i, i - 1, i - 1);
        // Shadow on top and left, light on bottom and right: the area sits below the panel.
        p.setPen(i == 1 ? QColor(0, 0, 0) : colour::kPanelLow);
        p.drawLine(rc.topLeft(), rc.topRight());
        p.drawLine(rc.topLeft(), rc.bottomLeft());
        p.setPen(i == nDepth ? colour::kPanelHigh : QColor(0x3a, 0x40, 0x46));
        p.drawLine(rc.bottomLeft() + QPoint(1, 0), rc.bottomRight());
        p.drawLine(rc.topRight() + QPoint(0, 1), rc.bottomRight());
    }
    p.fillRect(rcInner, fill);
    p.restore();
}

void DrawGroove(QPainter& p, int x1, int y1, int x2, int y2)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(colour::kPanelLow);
    p.drawLine(x1, y1, x2, y2);
    p.setPen(QColor(0x40, 0x46, 0x4c));
    if (y1 == y2)
        p.drawLine(x1, y1 + 1, x2, y2 + 1);
    else
        p.drawLine(x1 + 1, y1, x2 + 1, y2);
    p.restore();
}

void DrawCaption(QPainter& p, const QRectF& rc, const QString& strText, int nPixelSize,
                 Qt::Alignment align, const QColor& col, bool bBold)
{
    p.save();
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setFont(SkinFont(nPixelSize, bBold));
    p.setPen(col);
    p.drawText(rc, static_cast<int>(align), strText);
    p.restore();
}

GlyphFn TextGlyph(const QString& strText, int nPixelSize)
{
    return [strText, nPixelSize](QPainter& p, const QRectF& rc, const QColor& col, [[maybe_unused]] KeyLook look) {
        DrawCaption(p, rc, strText, nPixelSize, Qt::AlignCenter, col);
    };
}

GlyphFn TriangleGlyph(double dAngleDeg, double dSize)
{
    return [dAngleDeg, dSize](QPainter& p, const QRectF& rc, const QColor& col, [[maybe_unused]] KeyLook look) {
        const double a = dAngleDeg * std::numbers::pi / 180.0;
        const QPointF c = rc.center();
        // Tip along the angle, the base behind it; y grows downwards.
        const QPointF dir(std::cos(a), -std::sin(a));
        const QPointF nrm(-dir.y(), dir.x());
        const double h = dSize * 0.9;
        const QPointF tip = c + dir * (h / 2);
        const QPointF base = c - dir * (h / 2);
        QPolygonF tri{tip, base + nrm * (dSize / 2), base - nrm * (dSize / 2)};
        p.save();
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(Qt::NoPen);
        p.setBrush(col);
        p.drawPolygon(tri);
        p.restore();
    };
}

GlyphFn ArrowGlyph(double dAngleDeg, double dLength)
{
    return [dAngleDeg, dLength](QPainter& p, const QRectF& rc, const QColor& col, [[maybe_unused]] KeyLook look) {
        const double a = dAngleDeg * std::numbers::pi / 180.0;
        const QPointF dir(std::cos(a), -std::sin(a));
        const QPointF nrm(-dir.y(), dir.x());
        const QPointF c = rc.center();
        const QPointF tip = c + dir * (dLength / 2);
        const QPointF tail = c - dir * (dLength / 2);
        const double head = dLength * 0.55;
        p.save();
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(QPen(col, 3.0, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(tail, tip - dir * (head * 0.6));
        p.setPen(Qt::NoPen);
        p.setBrush(col);
        const QPointF base = tip - dir * head;
        p.drawPolygon(QPolygonF{tip, base + nrm * (head * 0.6), base - nrm * (head * 0.6)});
        p.restore();
    };
}

GlyphFn PlusGlyph(double dSize)
{
    return [dSize](QPainter& p, const QRectF& rc, const QColor& col, [[maybe_unused]] KeyLook look) {
        const QPointF c = rc.center();
        const double t = std::max(2.0, std::round(dSize / 4));
        p.fillRect(QRectF(c.x() - dSize / 2, c.y() - t / 2, dSize, t), col);
        p.fillRect(QRectF(c.x() - t / 2, c.y() - dSize / 2, t, dSize), col);
    };
}

GlyphFn MinusGlyph(double dSize)
{
    return [dSize](QPainter& p, const QRectF& rc, const QColor& col, [[maybe_unused]] KeyLook look) {
        const QPointF c = rc.center();
        const double t = std::max(2.0, std::round(dSize / 4));
        p.fillRect(QRectF(c.x() - dSize / 2, c.y() - t / 2, dSize, t), col);
    };
}

GlyphFn GridGlyph(int nSide, double cx, double cy)
{
    return [nSide, cx, cy](QPainter& p, const QRectF& rc, const QColor& col, [[maybe_unused]] KeyLook look) {
        const QPointF c = rc.center();
        const QRectF box(std::round(c.x() - cx / 2), std::round(c.y() - cy / 2), cx, cy);
        const double gap = nSide >= 4 ? 1.0 : 2.0;
        const double w = (cx - gap * (nSide - 1)) / nSide;
        const double h = (cy - gap * (nSide - 1)) / nSide;
        for (int r = 0; r < nSide; ++r)
            for (int k = 0; k < nSide; ++k)
                p.fillRect(QRectF(box.left() + k * (w + gap), box.top() + r * (h + gap), w, h), col);
    };
}

GlyphFn BlankGlyph()
{
    return [](QPainter& p, const QRectF& rc, const QColor&, KeyLook) {
        const QPointF c = rc.center();
        p.fillRect(QRectF(c.x() - 5, c.y() - 1, 10, 1), QColor(0x1e, 0x21, 0x24));
        p.fillRect(QRectF(c.x() - 5, c.y(), 10, 1), QColor(0x66, 0x6d, 0x74));
    };
}

} // namespace ostrel::skin
