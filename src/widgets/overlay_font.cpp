#include "widgets/overlay_font.h"

#include <QFontDatabase>
#include <QStringList>
#include <QtGlobal>

#include <mutex>

// The embedded face lives in a static library; register the resource before the first use.
// Q_INIT_RESOURCE has to be used outside any namespace.
static void InitOverlayFontResources()
{
    Q_INIT_RESOURCE(overlay_font);
}

namespace ostrel {

namespace {

// Qt's pixel size is the em; this face's line is 1.32 em, so a 9-pixel em gives the 12-pixel
// line that the 12-pixel PTZ box and the 15-pixel clock rows hold.
constexpr int kOverlayPixelSize = 9;

// Registers the embedded face; its database ID, or -1 when the face cannot be registered.
int RegisterOverlayFace()
{
    static std::once_flag s_resources;
    std::call_once(s_resources, InitOverlayFontResources);
    const int nId = QFontDatabase::addApplicationFont(QString::fromLatin1(kOverlayFontResource));
    if (nId < 0)
        qWarning("ostrel: the built-in overlay font %s could not be registered", kOverlayFontResource);
    return nId;
}

} // namespace

QString OverlayFontFamily()
{
    // A new QGuiApplication starts without application fonts, so check the registration.
    static int s_nId = -1;
    QStringList families = QFontDatabase::applicationFontFamilies(s_nId);
    if (families.isEmpty()) {
        s_nId = RegisterOverlayFace();
        families = QFontDatabase::applicationFontFamilies(s_nId);
    }
    return families.value(0);
}

QFont OverlayFont()
{
    QFont font;
    font.setFamilies({OverlayFontFamily()});
    font.setPixelSize(kOverlayPixelSize);
    font.setWeight(QFont::Bold);
    font.setStretch(QFont::Unstretched);
    // Pinned rendering: hinting only on the vertical axis (crisp baselines and stems, advances
    // as designed), grey antialiasing whatever the desktop asks for, and no glyph borrowed
    // from another font.
    font.setHintingPreference(QFont::PreferVerticalHinting);
    font.setStyleStrategy(
        static_cast<QFont::StyleStrategy>(QFont::PreferAntialias | QFont::NoSubpixelAntialias | QFont::NoFontMerging));
    return font;
}

} // namespace ostrel
