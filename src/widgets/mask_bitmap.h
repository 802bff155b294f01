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

    // The whole bitmap at (x, y), every pixel copied.
    void Draw(QPainter& painter, int x, int y) const;
    // The whole bitmap at (x, y); pixels of the top-left pixel's colour keep the destination.
    void DrawTransparent(QPainter& painter, int x, int y);

private:
    void CacheSize();

    QImage m_image;
    QImage m_masked;   // m_image with the key colour made transparent; built at first use
    int m_nWidth = 0;  // 0 until first asked
    int m_nHeight = 0;
};

} // namespace ostrel
