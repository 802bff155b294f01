#include "program_icon.h"

#include "skin_art.h"

#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>
#include <QTextStream>

#include <vector>

namespace ostrel::skin {

namespace {

struct Stop {
    double dAt;
    QColor colour;
};

// A solid colour, or a gradient along p1 -> p2 (linear) or around p1 out to dRadius (radial).
struct Paint {
    enum class Kind { Solid, Linear, Radial };
    Kind kind = Kind::Solid;
    QColor colour;
    QPointF p1, p2;
    double dRadius = 0;
    std::vector<Stop> stops;
};

// A rounded rectangle, or an ellipse when dCorner is negative; in icon units.
struct Shape {
    QRectF rc;
    double dCorner;
    Paint fill;
    double dOutline = 0; // pen width, 0 for none
    QColor outline;
};

const QColor kOutline(0x0c, 0x0d, 0x0f);

Paint Solid(const QColor& colour)
{
    Paint paint;
    paint.colour = colour;
    return paint;
}

QRectF Circle(double cx, double cy, double r)
{
    return {cx - r, cy - r, 2 * r, 2 * r};
}

const std::vector<Shape>& IconShapes()
{
    static const std::vector<Shape> shapes = [] {
        std::vector<Shape> v;
        // The cap, lit from above like the skin's keys.
        Paint body;
        body.kind = Paint::Kind::Linear;
        body.p1 = {0, 0};
        body.p2 = {0, 64};
        body.stops = {{0, QColor(0x5a, 0x62, 0x6a)}, {1, QColor(0x26, 0x2a, 0x2e)}};
        v.push_back({QRectF(3, 3, 58, 58), 10, body, 2, kOutline});
        // The lens: a black well, the amber iris (the skin's lit colour), pupil and glint.
        v.push_back({Circle(32, 32, 20), -1, Solid(QColor(0x0b, 0x0c, 0x0e)), 2, kOutline});
        Paint iris;
        iris.kind = Paint::Kind::Radial;
        iris.p1 = {28, 28};
        iris.dRadius = 14;
        iris.stops = {{0, QColor(0xff, 0xe0, 0x90)}, {0.5, colour::kAccent}, {1, QColor(0x60, 0x38, 0x00)}};
        v.push_back({Circle(32, 32, 11), -1, iris, 0, {}});
        v.push_back({Circle(32, 32, 4.5), -1, Solid(QColor(0x05, 0x05, 0x05)), 0, {}});
        v.push_back({Circle(27, 27, 2.5), -1, Solid(QColor(255, 255, 255, 200)), 0, {}});
        return v;
    }();
    return shapes;
}

QBrush BrushOf(const Paint& paint)
{
    if (paint.kind == Paint::Kind::Solid)
        return paint.colour;
    QGradientStops stops;
    for (const Stop& s : paint.stops)
        stops.append({s.dAt, s.colour});
    if (paint.kind == Paint::Kind::Linear) {
        QLinearGradient g(paint.p1, paint.p2);
        g.setStops(stops);
        return g;
    }
    QRadialGradient g(paint.p1, paint.dRadius);
    g.setStops(stops);
    return g;
}

QString Num(double d)
{
    return QString::number(d, 'g', 6);
}

// Colour attributes: the colour and, when not opaque, its opacity.
QString ColourAttributes(const char* pszName, const QColor& colour)
{
    QString str = QStringLiteral(" %1=\"%2\"").arg(QLatin1String(pszName), colour.name(QColor::HexRgb));
    if (colour.alpha() != 255)
        str += QStringLiteral(" %1-opacity=\"%2\"").arg(QLatin1String(pszName), Num(colour.alphaF()));
    return str;
}

} // namespace

QImage ProgramIconImage(int nSize)
{
    QImage img(nSize, nSize, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.scale(nSize / kProgramIconUnits, nSize / kProgramIconUnits);
    for (const Shape& s : IconShapes()) {
        p.setPen(s.dOutline > 0 ? QPen(s.outline, s.dOutline) : QPen(Qt::NoPen));
        p.setBrush(BrushOf(s.fill));
        if (s.dCorner < 0)
            p.drawEllipse(s.rc);
        else
            p.drawRoundedRect(s.rc, s.dCorner, s.dCorner);
    }
    return img;
}

QString ProgramIconSvg()
{
    QString strDefs;
    QString strBody;
    QTextStream defs(&strDefs);
    QTextStream body(&strBody);
    int nGradient = 0;
    for (const Shape& s : IconShapes()) {
        QString strFill;
        if (s.fill.kind == Paint::Kind::Solid) {
            strFill = ColourAttributes("fill", s.fill.colour);
        } else {
            const QString strId = QStringLiteral("g%1").arg(nGradient++);
            if (s.fill.kind == Paint::Kind::Linear)
                defs << "    <linearGradient id=\"" << strId << "\" gradientUnits=\"userSpaceOnUse\" x1=\""
                     << Num(s.fill.p1.x()) << "\" y1=\"" << Num(s.fill.p1.y()) << "\" x2=\"" << Num(s.fill.p2.x())
                     << "\" y2=\"" << Num(s.fill.p2.y()) << "\">\n";
            else
                defs << "    <radialGradient id=\"" << strId << "\" gradientUnits=\"userSpaceOnUse\" cx=\""
                     << Num(s.fill.p1.x()) << "\" cy=\"" << Num(s.fill.p1.y()) << "\" r=\"" << Num(s.fill.dRadius)
                     << "\">\n";
            for (const Stop& stop : s.fill.stops)
                defs << "      <stop offset=\"" << Num(stop.dAt) << "\"" << ColourAttributes("stop-color", stop.colour)
                     << "/>\n";
            defs << (s.fill.kind == Paint::Kind::Linear ? "    </linearGradient>\n" : "    </radialGradient>\n");
            strFill = QStringLiteral(" fill=\"url(#%1)\"").arg(strId);
        }
        const QString strOutline = s.dOutline > 0
            ? ColourAttributes("stroke", s.outline) + QStringLiteral(" stroke-width=\"%1\"").arg(Num(s.dOutline))
            : QString();
        if (s.dCorner < 0)
            body << "  <ellipse cx=\"" << Num(s.rc.center().x()) << "\" cy=\"" << Num(s.rc.center().y()) << "\" rx=\""
                 << Num(s.rc.width() / 2) << "\" ry=\"" << Num(s.rc.height() / 2) << "\"" << strFill << strOutline
                 << "/>\n";
        else
            body << "  <rect x=\"" << Num(s.rc.x()) << "\" y=\"" << Num(s.rc.y()) << "\" width=\"" << Num(s.rc.width())
                 << "\" height=\"" << Num(s.rc.height()) << "\" rx=\"" << Num(s.dCorner) << "\" ry=\""
                 << Num(s.dCorner) << "\"" << strFill << strOutline << "/>\n";
    }
    defs.flush();
    body.flush();
    const QString strUnits = Num(kProgramIconUnits);
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                          "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%1\" viewBox=\"0 0 %1 %1\">\n"
                          "  <title>Ostrel</title>\n"
                          "  <defs>\n%2  </defs>\n%3</svg>\n")
        .arg(strUnits, strDefs, strBody);
}

} // namespace ostrel::skin
