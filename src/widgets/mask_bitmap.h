#pragma once

#include <QImage>

class QPainter;

namespace ostrel {

// A skin bitmap that can be drawn as it is or with one colour transparent: the colour of its
// top-left pixel, wherever else it occurs in the image.
class CMaskBitmap {
public:
    CMaskBitmap() = default;
    explicit CMaskBitmap(QImage image) { SetImage(std::move(image)); }

    // Takes the skin bitmap nId; false (and an empty bitmap) when the skin has none.
    bool LoadBitmap(int nId);
    void SetImage(QImage image);
    bool IsNull() const { return m_image.isNull(); }

    // Sizes in pixels, read once and cached.
    int GetWidth();
    int GetHeight();

    // The whole bitmap at (x, y), every pixel copied. A bitmap of the skin is drawn at the
    // painter's device pixel ratio; sizes and positions stay in 1x pixels.
    void Draw(QPainter& painter, int x, int y) const;
    // The whole bitmap at (x, y); pixels of the top-left pixel's colour keep the destination.
    void DrawTransparent(QPainter& painter, int x, int y);

private:
    void CacheSize();
    const QImage& ImageAt(double dScale) const;
    static QImage Masked(const QImage& image);

    int m_nId = 0;     // the skin bitmap's number, 0 for an image set directly
    QImage m_image;    // at 1x: sizes and hit tests use it
    QImage m_masked;   // m_image with the key colour made transparent; built at first use
    // The skin bitmap drawn at another device pixel ratio, and its masked copy.
    mutable QImage m_scaled;
    QImage m_scaledMasked;
    int m_nWidth = 0;  // 0 until first asked
    int m_nHeight = 0;
};

} // namespace ostrel
