#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRectF>
#include <QString>

#include <functional>

// Drawing vocabulary of the Ostrel skin: one dark console look shared by every bitmap.
// Flat graphite panel, bevelled key caps, recessed black wells, amber for lit and pressed
// states, green for lamps and readouts.

namespace ostrel::skin {

namespace colour {
inline const QColor kPanel(0x2c, 0x30, 0x35);      // the flat panel every key sits on
inline const QColor kPanelHigh(0x4a, 0x51, 0x58);  // bevel light edge
inline const QColor kPanelLow(0x15, 0x17, 0x1a);   // bevel dark edge
inline const QColor kWell(0x05, 0x06, 0x07);       // recessed display wells
inline const QColor kCaption(0x9a, 0xa3, 0xac);    // captions printed on the panel
inline const QColor kGlyph(0xe2, 0xe6, 0xea);      // glyphs and labels on released keys
inline const QColor kAccent(0xff, 0xb0, 0x20);     // lit and pressed
inline const QColor kGreen(0x3d, 0xe0, 0x5a);      // lamps and readouts
inline const QColor kRed(0xff, 0x55, 0x48);        // exit and recording
inline const QColor kKey(255, 0, 255);             // transparent key colour of the thumb
} // namespace colour

enum class KeyLook {
    Normal,  // released, unlit
    Pressed, // held down
    Lit,     // checked toggle
};

// Draws what a glyph is, in one colour; the key decides the colour and the offset.
// The glow pass of a lit key calls it with a translucent colour; glyphs that pick their own
// colours skip that pass.
using GlyphFn = std::function<void(QPainter& p, const QRectF& rc, const QColor& colour, KeyLook look)>;

// The scale the drawing code below draws at on this thread: 1 for the embedded bitmaps, the
// screen's device pixel ratio for a sharp copy. NewImage makes images of that many device pixels
// per unit with the matching device pixel ratio, so every drawing keeps its 1x coordinates.
// Returns the scale it replaces.
double SetDrawScale(double dScale);
double DrawScale();

// cx x cy units filled with fill, at the current draw scale.
QImage NewImage(int cx, int cy, const QColor& fill = colour::kPanel);
QFont SkinFont(int nPixelSize, bool bBold = true);

// A raised, pressed or lit key cap filling rc, with the glyph drawn on it.
void DrawKey(QPainter& p, const QRectF& rc, KeyLook look, const GlyphFn& glyph, double radius = 3.0);
// Convenience: a whole image that is one key.
QImage KeyImage(int cx, int cy, KeyLook look, const GlyphFn& glyph, double radius = 3.0);

// A sunken black area with a bevel of nDepth pixels around rcInner (drawn outside it).
void DrawWell(QPainter& p, const QRect& rcInner, int nDepth = 2, const QColor& fill = colour::kWell);
// A thin engraved line, as used between panel sections.
void DrawGroove(QPainter& p, int x1, int y1, int x2, int y2);
// Text in a rectangle on the panel.
void DrawCaption(QPainter& p, const QRectF& rc, const QString& strText, int nPixelSize,
                 Qt::Alignment align = Qt::AlignCenter, const QColor& col = colour::kCaption,
                 bool bBold = true);

// Glyphs.
GlyphFn TextGlyph(const QString& strText, int nPixelSize);
GlyphFn TriangleGlyph(double dAngleDeg, double dSize); // pointing at dAngleDeg (0 = right, 90 = up)
GlyphFn ArrowGlyph(double dAngleDeg, double dLength); // shaft and head, for diagonals
GlyphFn PlusGlyph(double dSize);
GlyphFn MinusGlyph(double dSize);
GlyphFn GridGlyph(int nSide, double cx, double cy);    // an nSide x nSide screen layout
GlyphFn BlankGlyph();                                  // a short engraved dash: nothing here

} // namespace ostrel::skin
