#pragma once

#include <QImage>
#include <QString>

#include <vector>

// Every numbered skin bitmap, drawn in memory.

namespace ostrel::skin {

struct SkinBitmapEntry {
    int nId;
    QString strName; // what it shows, for the contact sheet
    QImage image;
};

std::vector<SkinBitmapEntry> BuildSkinCatalog();

// The two backgrounds (skin_backgrounds.cpp).
QImage DrawMainBackground();
QImage DrawArchiveBackground();

} // namespace ostrel::skin
