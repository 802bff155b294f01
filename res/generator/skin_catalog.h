#pragma once

#include <QImage>
#include <QString>

#include <vector>

// Every numbered skin bitmap, drawn in memory: at scale 1 the embedded bitmaps, at another
// scale the same drawings with that many device pixels per pixel (and that device pixel ratio).

namespace ostrel::skin {

struct SkinBitmapEntry {
    int nId;
    QString strName; // what it shows, for the contact sheet
    QImage image;
};

std::vector<SkinBitmapEntry> BuildSkinCatalog(double dScale = 1.0);

// The two backgrounds (skin_backgrounds.cpp).
QImage DrawMainBackground();
QImage DrawArchiveBackground();

} // namespace ostrel::skin
