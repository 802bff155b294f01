#pragma once

// The font of the status panel's texts (clock, connection line, positions, PTZ camera number),
// shared by the live view and the archive dialog.
//
// The face is Roboto Condensed Bold, built into the program from the Debian package
// fonts-roboto-unhinted, so every machine draws the same glyphs whatever fonts it has. Its
// line (ascent + descent) is just under 12 pixels high and its characters about 5 pixels wide
// on average: the 12-pixel cell and the 5-pixel width the panel's boxes were laid out for.
//
// Needs a QGuiApplication. Call from the GUI thread.

#include <QFont>
#include <QString>

namespace ostrel {

// The overlay font; registers the built-in face with the application's font database when it
// is not registered yet.
QFont OverlayFont();

// Family name of the built-in face as the font database knows it ("Roboto Condensed"), or ""
// when the face could not be registered (a broken build; the font then draws in whatever
// Qt substitutes, which the tests catch).
QString OverlayFontFamily();

// Path of the built-in face and of its licence text in Qt's resource system.
inline constexpr char kOverlayFontResource[] = ":/ostrel/fonts/RobotoCondensed-Bold.ttf";
inline constexpr char kOverlayFontLicenceResource[] = ":/ostrel/fonts/RobotoCondensed-LICENSE.txt";

} // namespace ostrel
