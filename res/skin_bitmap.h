#pragma once

#include <QImage>
#include <QRect>
#include <QRectF>

class QPainter;

// The skin's bitmaps, looked up by their resource number (resource.h). Images are decoded once
// and shared; safe to call from any thread.

namespace ostrel {

// The bitmap with resource number nId, or a null image when the skin has none.
QImage SkinBitmap(int nId);
// The same bitmap drawn for a screen of device pixel ratio dScale: at 1 the one above, otherwise
// drawn again from the skin's shapes at that scale (once per number and scale), with dScale as
// its device pixel ratio. Its size in device pixels is the 1x size times dScale, rounded.
QImage SkinBitmap(int nId, double dScale);

// The device pixels of image that show rcLogical (1x pixels): the source rectangle to draw the
// part rcLogical of a scaled bitmap or back store.
inline QRectF DevicePart(const QImage& image, const QRectF& rcLogical)
{
    const double s = image.devicePixelRatio();
    return QRectF(rcLogical.topLeft() * s, rcLogical.size() * s);
}

// Draws the part rcLogical (1x pixels) of a skin bitmap of any scale with its top-left at ptAt;
// a part reaching past the bitmap draws only what the bitmap has.
void DrawSkinPart(QPainter& painter, const QPointF& ptAt, const QImage& image, const QRectF& rcLogical);

} // namespace ostrel
