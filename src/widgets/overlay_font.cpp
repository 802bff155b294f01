#include "widgets/overlay_font.h"

#include <QFontDatabase>
#include <QStringList>
#include <QtGlobal>

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

QString RegisterOverlayFace()
{
    InitOverlayFontResources();
    const int nId = QFontDatabase::addApplicationFont(QString::fromLatin1(kOverlayFontResource));
    const QString strFamily = nId < 0 ? QString() : QFontDatabase::applicationFontFamilies(nId).value(0);
    if (strFamily.isEmpty())
        qWarning("ostrel: the built-in overlay font %s could not be registered", kOverlayFontResource);
    return strFamily;
}

} // namespace

QString OverlayFontFamily()
{
    static const QString s_strFamily = RegisterOverlayFace();
    return s_strFamily;
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
