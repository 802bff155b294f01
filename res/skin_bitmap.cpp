#include "res/skin_bitmap.h"

#include "res/generator/skin_catalog.h"

#include <QPainter>
#include <QString>

#include <cmath>
#include <map>
#include <mutex>
#include <utility>

// The embedded resources live in a static library; register them before the first lookup.
// Q_INIT_RESOURCE has to be used outside any namespace.
static void InitSkinResources()
{
    Q_INIT_RESOURCE(skin);
}

namespace ostrel {

namespace {

// Scales are kept in thousandths: the ratios screens report (1.25, 1.5, 2) are exact there.
constexpr double kScaleUnits = 1000.0;
// A bound on what a screen can ask for, so that a bogus ratio cannot ask for a huge drawing.
constexpr double kMaxScale = 8.0;

QImage Prepared(QImage img)
{
    if (img.isNull())
        return img;
    const double dRatio = img.devicePixelRatio();
    img = img.convertToFormat(img.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    img.setDevicePixelRatio(dRatio);
    return img;
}

} // namespace

QImage SkinBitmap(int nId)
{
    return SkinBitmap(nId, 1.0);
}

QImage SkinBitmap(int nId, double dScale)
{
    static std::once_flag s_init;
    static std::mutex s_lock;
    static std::map<std::pair<int, int>, QImage> s_cache; // (scale in thousandths, number)
    static std::map<int, bool> s_drawnScales;
    std::call_once(s_init, InitSkinResources);

    const int nScale = std::isfinite(dScale) && dScale > 0
                           ? static_cast<int>(std::lround(std::min(dScale, kMaxScale) * kScaleUnits))
                           : static_cast<int>(kScaleUnits);
    const std::lock_guard<std::mutex> guard(s_lock);
    if (nScale == static_cast<int>(kScaleUnits)) {
        const auto it = s_cache.find({nScale, nId});
        if (it != s_cache.end())
            return it->second;
        QImage img = Prepared(QImage(QStringLiteral(":/skin/%1.png").arg(nId)));
        s_cache.emplace(std::pair(nScale, nId), img);
        return img;
    }
    // The whole skin is drawn at once: a window asks for most of it right after the first.
    if (!s_drawnScales[nScale])
        for (skin::SkinBitmapEntry& entry : skin::BuildSkinCatalog(nScale / kScaleUnits))
            s_cache[{nScale, entry.nId}] = Prepared(std::move(entry.image));
    s_drawnScales[nScale] = true;
    const auto it = s_cache.find({nScale, nId});
    return it != s_cache.end() ? it->second : QImage();
}

void DrawSkinPart(QPainter& painter, const QPointF& ptAt, const QImage& image, const QRectF& rcLogical)
{
    painter.drawImage(QRectF(ptAt, rcLogical.size()), image, DevicePart(image, rcLogical));
}

} // namespace ostrel
