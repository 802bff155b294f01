#pragma once

// Which simulator camera a cell on screen shows, told from the simulator's own drawing of each
// camera's still scene: an oracle for what is on screen that owes nothing to the client's
// decoder or cell painter.

#include "scene_painter.h"

#include <QImage>

#include <array>
#include <cmath>
#include <cstdint>

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

// The camera (0..15) whose scene, drawn by the simulator for the moment nMomentMs (seconds
// since 1970, in milliseconds, as the simulator's clock counts) and cut as a cell shows a 640 x
// 240 field, is nearest to the cell's pixels. The light of the scenes follows the time of day,
// so the moment must be within a few seconds of the picture's. pDistance gets the mean
// difference per colour value, for a sanity bound.
inline int IdentifyCamera(const QImage& cell, int64_t nMomentMs, double* pDistance = nullptr)
{
    const auto seen = BlockMeans(cell);
    int nBest = -1;
    double dBest = 1e300;
    for (int n = 0; n < 16; ++n) {
        QImage scene(640, 240, QImage::Format_RGB32);
        scene.fill(Qt::black);
        dvrsim::CScenePainter::Paint(scene, n, nMomentMs);
        // What a cell shows of a 240-row field: 3 columns left, 11 right and 11 rows above off.
        const auto look = BlockMeans(scene.copy(3, 11, 626, 228));
        double d = 0;
        for (size_t i = 0; i < seen.size(); ++i)
            d += std::abs(seen[i] - look[i]);
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
