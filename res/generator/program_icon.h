#pragma once

#include <QImage>
#include <QString>

// The program icon: a graphite key cap holding a lens with an amber iris, in the skin's colours.
// One list of shapes on a 64-unit square draws both the bitmap at any size and the scalable SVG,
// so the installed icons are one drawing.

namespace ostrel::skin {

inline constexpr double kProgramIconUnits = 64.0;

// The icon, nSize x nSize pixels, transparent outside the cap.
QImage ProgramIconImage(int nSize);
// The same shapes as an SVG document of kProgramIconUnits square.
QString ProgramIconSvg();

} // namespace ostrel::skin
