#pragma once

// Which simulator camera a cell on screen shows, told from the simulator's own drawing of each
// camera's still scene: an oracle for what is on screen that owes nothing to the client's
// decoder or cell painter.

#include "scene_painter.h"

#include <QImage>

#include <array>
#include <cmath>
#include <cstdlib>

namespace ostrel::test {

// Mean colour of a grid of blocks over the image: coarse enough that the moving parts, the
// text and the scaling matter little, fine enough to tell the scenes apart.
inline std::array<double, 8 * 6 * 3> BlockMeans(const QImage& image)
{
    std::array<double, 8 * 6 * 3> means{};
    const QImage small = image.convertToFormat(QImage::Format_RGB32).scaled(8, 6, Qt::IgnoreAspectRatio,
                                                                            Qt::SmoothTransformation);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x) {
            const QRgb rgb = small.pixel(x, y);
            const size_t i = static_cast<size_t>((y * 8 + x) * 3);
            means[i] = qRed(rgb);
            means[i + 1] = qGreen(rgb);
            means[i + 2] = qBlue(rgb);
        }
    return means;
}

// The camera (0..15) whose still scene, as a cell shows a 640 x 240 field of it, is nearest to
// the cell's pixels; nDistance gets the mean difference per colour value, for a sanity bound.
inline int IdentifyCamera(const QImage& cell, double* pDistance = nullptr)
{
    static const auto looks = [] {
        std::array<std::array<double, 8 * 6 * 3>, 16> all{};
        for (int n = 0; n < 16; ++n) {
            QImage scene(640, 240, QImage::Format_RGB32);
            scene.fill(Qt::black);
            dvrsim::CScenePainter::PaintBackground(scene, n);
            // What a cell shows of a 240-row field: 3 columns left, 11 right and 11 rows above off.
            all[static_cast<size_t>(n)] = BlockMeans(scene.copy(3, 11, 626, 228));
        }
        return all;
    }();
    const auto seen = BlockMeans(cell);
    int nBest = -1;
    double dBest = 1e300;
    for (int n = 0; n < 16; ++n) {
        double d = 0;
        for (size_t i = 0; i < seen.size(); ++i)
            d += std::abs(seen[i] - looks[static_cast<size_t>(n)][i]);
        if (d < dBest) {
            dBest = d;
            nBest = n;
        }
    }
    if (pDistance)
        *pDistance = dBest / static_cast<double>(seen.size());
    return nBest;
}

} // namespace ostrel::test
