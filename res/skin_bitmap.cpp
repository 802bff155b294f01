#include "res/skin_bitmap.h"

#include <QString>

#include <map>
#include <mutex>

// The embedded resources live in a static library; register them before the first lookup.
// Q_INIT_RESOURCE has to be used outside any namespace.
static void InitSkinResources()
{
    Q_INIT_RESOURCE(skin);
}

namespace ostrel {

QImage SkinBitmap(int nId)
{
    static std::once_flag s_init;
    static std::mutex s_lock;
    static std::map<int, QImage> s_cache;
    std::call_once(s_init, InitSkinResources);

    const std::lock_guard<std::mutex> guard(s_lock);
    const auto it = s_cache.find(nId);
    if (it != s_cache.end())
        return it->second;
    QImage img(QStringLiteral(":/skin/%1.png").arg(nId));
    if (!img.isNull())
        img = img.convertToFormat(img.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                        : QImage::Format_RGB32);
    s_cache.emplace(nId, img);
    return img;
}

} // namespace ostrel
