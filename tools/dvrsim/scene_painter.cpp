#include "scene_painter.h"

#include "channel_code_painter.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>

#include <array>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace ostrel::dvrsim {

namespace {

constexpr double kCanvasWidth = 640.0;
constexpr double kCanvasHeight = 224.0;
constexpr double kPi = 3.14159265358979323846;

const std::array<const char*, CScenePainter::kCameraCount> kNames = {
    "ROAD", "CORRIDOR", "PARKING LOT", "LOBBY", "WAREHOUSE", "SHOP", "GARDEN", "STREET",
    "LOADING DOCK", "ELEVATORS", "ROOFTOP", "GATE", "OFFICE", "STAIRS", "PLAYGROUND", "HARBOUR"};

// Scene clock: seconds within the hour, so the phases keep their precision. Every period used
// below divides 3600, so nothing jumps at the top of the hour.
double SceneSeconds(int64_t nMomentMs)
{
    int64_t nMs = nMomentMs % 3600000;
    if (nMs < 0)
        nMs += 3600000;
    return static_cast<double>(nMs) / 1000.0;
}

double Frac(double t, double dPeriod)
{
    return std::fmod(t, dPeriod) / dPeriod;
}

// 0 -> 1 -> 0 over one period.
double Tri(double t, double dPeriod)
{
    const double f = Frac(t, dPeriod);
    return f < 0.5 ? 2.0 * f : 2.0 - 2.0 * f;
}

double Wave(double t, double dPeriod)
{
    return std::sin(2.0 * kPi * t / dPeriod);
}

double Lerp(double a, double b, double f)
{
    return a + (b - a) * f;
}

// Smooth open-hold-close-hold cycle: 0 closed, 1 open.
double DoorCycle(double t, double dPeriod)
{
    const double f = Frac(t, dPeriod);
    if (f < 0.15)
        return 0.0;
    if (f < 0.3)
        return (f - 0.15) / 0.15;
    if (f < 0.65)
        return 1.0;
    if (f < 0.8)
        return 1.0 - (f - 0.65) / 0.15;
    return 0.0;
}

// Deterministic pseudo-random value 0..1 for an integer key.
double Hash01(uint32_t n)
{
    n ^= n >> 16;
    n *= 0x7feb352dU;
    n ^= n >> 15;
    n *= 0x846ca68bU;
    n ^= n >> 16;
    return static_cast<double>(n & 0xFFFFFF) / 16777215.0;
}

void VerticalGradient(QPainter& p, const QRectF& rc, const QColor& top, const QColor& bottom)
{
    QLinearGradient gradient(rc.topLeft(), rc.bottomLeft());
    gradient.setColorAt(0.0, top);
    gradient.setColorAt(1.0, bottom);
    p.fillRect(rc, gradient);
}

void Poly(QPainter& p, std::initializer_list<QPointF> points, const QColor& fill)
{
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawPolygon(QPolygonF(QList<QPointF>(points)));
}

// A car seen from the side, nose to the right when bRight; dLen is its length in pixels.
void SideCar(QPainter& p, double x, double yGround, double dLen, const QColor& body, bool bRight)
{
    p.save();
    p.translate(x, yGround);
    if (!bRight)
        p.scale(-1.0, 1.0);
    const double s = dLen / 100.0;
    p.scale(s, s);
    p.setPen(Qt::NoPen);
    p.setBrush(body);
    p.drawRoundedRect(QRectF(-50, -26, 100, 18), 5, 5);
    QPainterPath cabin;
    cabin.moveTo(-30, -26);
    cabin.lineTo(-20, -42);
    cabin.lineTo(18, -42);
    cabin.lineTo(32, -26);
    cabin.closeSubpath();
    p.drawPath(cabin);
    p.setBrush(QColor(150, 190, 215));
    p.drawPolygon(QPolygonF({QPointF(-25, -27), QPointF(-18, -39), QPointF(-2, -39), QPointF(-2, -27)}));
    p.drawPolygon(QPolygonF({QPointF(2, -27), QPointF(2, -39), QPointF(16, -39), QPointF(27, -27)}));
    p.setBrush(QColor(25, 25, 25));
    p.drawEllipse(QPointF(-30, -8), 9, 9);
    p.drawEllipse(QPointF(30, -8), 9, 9);
    p.setBrush(QColor(170, 170, 170));
    p.drawEllipse(QPointF(-30, -8), 4, 4);
    p.drawEllipse(QPointF(30, -8), 4, 4);
    p.setBrush(QColor(255, 240, 170));
    p.drawRect(QRectF(46, -22, 4, 5));
    p.setBrush(QColor(200, 30, 30));
    p.drawRect(QRectF(-50, -22, 3, 5));
    p.restore();
}

// A car seen from above, centred at (x, y), pointing along dAngle degrees.
void TopCar(QPainter& p, double x, double y, double dLen, double dAngle, const QColor& body)
{
    p.save();
    p.translate(x, y);
    p.rotate(dAngle);
    const double w = dLen * 0.48;
    p.setPen(QPen(QColor(30, 30, 30), 1));
    p.setBrush(body);
    p.drawRoundedRect(QRectF(-dLen / 2, -w / 2, dLen, w), 6, 6);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 55, 70));
    p.drawRoundedRect(QRectF(dLen * 0.08, -w * 0.38, dLen * 0.16, w * 0.76), 2, 2);
    p.drawRoundedRect(QRectF(-dLen * 0.36, -w * 0.36, dLen * 0.12, w * 0.72), 2, 2);
    p.setBrush(body.darker(125));
    p.drawRect(QRectF(-dLen * 0.22, -w * 0.38, dLen * 0.28, w * 0.76));
    p.restore();
}

// A walking person, feet at (x, yFeet), dHeight tall; dWalk is the stride phase in cycles.
void Person(QPainter& p, double x, double yFeet, double dHeight, const QColor& shirt, const QColor& trousers,
            double dWalk)
{
    const double h = dHeight;
    const double swing = std::sin(2.0 * kPi * dWalk) * h * 0.12;
    p.setPen(QPen(trousers, h * 0.09, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(x, yFeet - h * 0.47), QPointF(x + swing, yFeet));
    p.drawLine(QPointF(x, yFeet - h * 0.47), QPointF(x - swing, yFeet));
    p.setPen(QPen(shirt.darker(115), h * 0.07, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(x, yFeet - h * 0.78), QPointF(x - swing * 0.8, yFeet - h * 0.45));
    p.drawLine(QPointF(x, yFeet - h * 0.78), QPointF(x + swing * 0.8, yFeet - h * 0.45));
    p.setPen(Qt::NoPen);
    p.setBrush(shirt);
    p.drawRoundedRect(QRectF(x - h * 0.1, yFeet - h * 0.82, h * 0.2, h * 0.38), h * 0.05, h * 0.05);
    p.setBrush(QColor(225, 185, 150));
    p.drawEllipse(QPointF(x, yFeet - h * 0.9), h * 0.08, h * 0.09);
    p.setBrush(QColor(60, 40, 25));
    p.drawChord(QRectF(x - h * 0.085, yFeet - h * 1.0, h * 0.17, h * 0.14), 0, 180 * 16);
}

void Tree(QPainter& p, double x, double yBase, double h, double dSway, const QColor& leaves)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(100, 70, 40));
    p.drawRect(QRectF(x - h * 0.05, yBase - h * 0.45, h * 0.1, h * 0.45));
    p.setBrush(leaves);
    p.drawEllipse(QPointF(x + dSway, yBase - h * 0.7), h * 0.3, h * 0.32);
    p.setBrush(leaves.lighter(115));
    p.drawEllipse(QPointF(x + dSway * 1.2 - h * 0.1, yBase - h * 0.8), h * 0.16, h * 0.15);
}

void Cloud(QPainter& p, double x, double y, double s, const QColor& colour)
{
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(QPointF(x, y), 28 * s, 11 * s);
    p.drawEllipse(QPointF(x - 18 * s, y + 3 * s), 16 * s, 8 * s);
    p.drawEllipse(QPointF(x + 16 * s, y - 5 * s), 18 * s, 10 * s);
}

// Wraps a coordinate that moves at dSpeed pixels per second across a width with margins.
double Travel(double t, double dSpeed, double dOffset, double dMargin = 120.0)
{
    const double dSpan = kCanvasWidth + 2 * dMargin;
    double x = std::fmod(t * dSpeed + dOffset, dSpan);
    if (x < 0)
        x += dSpan;
    return x - dMargin;
}

// ---- 0: a road seen from the side ----
void RoadStill(QPainter& p)
{
    VerticalGradient(p, QRectF(0, 0, 640, 95), QColor(120, 175, 230), QColor(205, 228, 245));
    Poly(p, {{0, 95}, {0, 70}, {90, 52}, {210, 74}, {330, 48}, {470, 70}, {640, 55}, {640, 95}}, QColor(90, 130, 85));
    p.fillRect(QRectF(0, 95, 640, 25), QColor(105, 160, 75));
    for (int i = 0; i < 9; ++i)
        Tree(p, 30 + i * 75 + 20 * Hash01(static_cast<uint32_t>(i)), 104, 42, 0, QColor(50, 110, 45));
    p.fillRect(QRectF(0, 120, 640, 82), QColor(72, 72, 78));
    p.fillRect(QRectF(0, 122, 640, 3), QColor(235, 235, 235));
    p.fillRect(QRectF(0, 197, 640, 3), QColor(235, 235, 235));
    for (int x = 0; x < 640; x += 60)
        p.fillRect(QRectF(x, 159, 32, 3), QColor(240, 210, 60));
    p.fillRect(QRectF(0, 202, 640, 22), QColor(110, 150, 70));
    p.fillRect(QRectF(560, 80, 4, 42), QColor(130, 130, 130));
    p.fillRect(QRectF(540, 64, 44, 20), QColor(30, 110, 60));
}

void RoadMoving(QPainter& p, double t)
{
    SideCar(p, Travel(t, -95, 100), 154, 110, QColor(200, 40, 40), false);
    SideCar(p, Travel(t, -70, 520), 154, 120, QColor(230, 230, 235), false);
    SideCar(p, Travel(t, 120, 0), 194, 115, QColor(40, 90, 190), true);
    SideCar(p, Travel(t, 85, 430), 194, 160, QColor(245, 200, 40), true);
}

// ---- 1: a corridor in perspective ----
void CorridorStill(QPainter& p)
{
    Poly(p, {{0, 0}, {640, 0}, {372, 72}, {268, 72}}, QColor(215, 215, 210));
    Poly(p, {{0, 224}, {640, 224}, {372, 134}, {268, 134}}, QColor(150, 140, 125));
    Poly(p, {{0, 0}, {268, 72}, {268, 134}, {0, 224}}, QColor(222, 200, 160));
    Poly(p, {{640, 0}, {372, 72}, {372, 134}, {640, 224}}, QColor(196, 174, 138));
    p.fillRect(QRectF(268, 72, 104, 62), QColor(238, 232, 210));
    p.fillRect(QRectF(305, 86, 30, 48), QColor(120, 80, 50));
    p.setPen(QPen(QColor(120, 112, 100), 1));
    for (int i = 0; i <= 8; ++i)
        p.drawLine(QPointF(268 + i * 13, 134), QPointF(-160 + i * 120, 224));
    for (double y : {150.0, 170.0, 196.0})
        p.drawLine(QPointF(0, y), QPointF(640, y));
    // Doors along both walls.
    Poly(p, {{60, 52}, {120, 64}, {120, 166}, {60, 184}}, QColor(140, 95, 60));
    Poly(p, {{170, 77}, {205, 84}, {205, 148}, {170, 155}}, QColor(140, 95, 60));
    Poly(p, {{580, 52}, {520, 64}, {520, 166}, {580, 184}}, QColor(110, 80, 55));
    Poly(p, {{470, 77}, {435, 84}, {435, 148}, {470, 155}}, QColor(110, 80, 55));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 160, 70));
    p.drawRect(QRectF(300, 76, 40, 8));
}

void CorridorMoving(QPainter& p, double t)
{
    const bool bFlicker = Hash01(static_cast<uint32_t>(t * 4)) > 0.8;
    const double lights[3][4] = {{250, 8, 140, 10}, {280, 34, 80, 7}, {300, 52, 40, 5}};
    for (int i = 0; i < 3; ++i) {
        const QColor lit = (i == 1 && bFlicker) ? QColor(150, 150, 140) : QColor(255, 255, 235);
        p.fillRect(QRectF(lights[i][0], lights[i][1], lights[i][2], lights[i][3]), lit);
    }
    const double z = Tri(t, 20);
    const double yFeet = Lerp(136, 218, z);
    Person(p, 320 + 40 * Wave(t, 60) * (1 - z), yFeet, Lerp(34, 150, z), QColor(200, 60, 60), QColor(40, 40, 70), t * 0.9);
}

// ---- 2: a parking lot from above ----
void ParkingStill(QPainter& p)
{
    p.fillRect(QRectF(0, 0, 640, 224), QColor(88, 88, 94));
    p.fillRect(QRectF(0, 0, 640, 8), QColor(90, 140, 70));
    p.setPen(QPen(QColor(235, 235, 235), 2));
    for (int i = 0; i <= 10; ++i) {
        const double x = 20 + i * 60;
        p.drawLine(QPointF(x, 12), QPointF(x, 76));
        p.drawLine(QPointF(x, 150), QPointF(x, 214));
    }
    const QColor colours[] = {QColor(180, 30, 30), QColor(230, 230, 230), QColor(30, 30, 35), QColor(40, 80, 160),
                              QColor(150, 150, 155), QColor(30, 110, 60), QColor(210, 170, 40), QColor(120, 60, 130)};
    for (int i = 0; i < 10; ++i) {
        if (Hash01(static_cast<uint32_t>(i + 11)) > 0.2)
            TopCar(p, 50 + i * 60, 44, 56, 90, colours[(i * 3) % 8]);
        if (Hash01(static_cast<uint32_t>(i + 37)) > 0.3)
            TopCar(p, 50 + i * 60, 182, 56, -90, colours[(i * 5 + 1) % 8]);
    }
    p.setPen(QPen(QColor(230, 200, 50), 2, Qt::DashLine));
    p.drawLine(QPointF(0, 113), QPointF(640, 113));
}

void ParkingMoving(QPainter& p, double t)
{
    TopCar(p, Travel(t, 55, 0, 60), 100, 60, 0, QColor(220, 110, 20));
    TopCar(p, Travel(t, -40, 300, 60), 127, 58, 180, QColor(90, 170, 210));
    const double f = Tri(t, 30);
    Person(p, Lerp(120, 520, f), 148, 26, QColor(250, 250, 250), QColor(30, 30, 90), t);
    if (Frac(t, 1.0) < 0.5) {
        p.setBrush(QColor(255, 170, 0));
        p.drawEllipse(QPointF(497, 166), 3, 3);
        p.drawEllipse(QPointF(497, 198), 3, 3);
    }
}

// ---- 3: an entrance lobby with sliding doors ----
void LobbyStill(QPainter& p)
{
    p.fillRect(QRectF(0, 0, 640, 150), QColor(205, 212, 220));
    p.fillRect(QRectF(0, 150, 640, 74), QColor(175, 165, 145));
    p.setPen(QPen(QColor(150, 140, 120), 1));
    for (int x = -200; x < 840; x += 50)
        p.drawLine(QPointF(320 + (x - 320) * 0.35, 150), QPointF(x, 224));
    p.drawLine(QPointF(0, 175), QPointF(640, 175));
    p.drawLine(QPointF(0, 200), QPointF(640, 200));
    p.fillRect(QRectF(222, 22, 196, 132), QColor(60, 60, 65));
    VerticalGradient(p, QRectF(230, 30, 180, 80), QColor(150, 200, 240), QColor(200, 225, 240));
    p.fillRect(QRectF(230, 110, 180, 40), QColor(110, 160, 100));
    p.fillRect(QRectF(222, 8, 196, 14), QColor(30, 60, 120));
    p.fillRect(QRectF(470, 110, 150, 60), QColor(120, 80, 50));
    p.fillRect(QRectF(465, 104, 160, 8), QColor(200, 190, 170));
    p.setBrush(QColor(60, 60, 60));
    p.drawRect(QRectF(520, 88, 34, 18));
    for (double x : {60.0, 170.0}) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(150, 90, 60));
        p.drawRect(QRectF(x - 14, 150, 28, 30));
        p.setBrush(QColor(40, 130, 50));
        p.drawEllipse(QPointF(x, 128), 26, 30);
    }
}

void LobbyMoving(QPainter& p, double t)
{
    const double open = DoorCycle(t, 15);
    const double w = 90 * (1.0 - 0.85 * open);
    p.setPen(QPen(QColor(90, 90, 95), 3));
    p.setBrush(QColor(180, 215, 235, 110));
    p.drawRect(QRectF(230, 30, w, 120));
    p.drawRect(QRectF(410 - w, 30, w, 120));
    const double f = Frac(t, 15);
    if (f > 0.2 && f < 0.85) {
        const double z = (f - 0.2) / 0.65;
        Person(p, Lerp(320, 140, z), Lerp(150, 215, z), Lerp(80, 150, z), QColor(30, 90, 50), QColor(50, 50, 50), t);
    }
}

// ---- 4: a warehouse with a forklift ----
void WarehouseStill(QPainter& p)
{
    p.fillRect(QRectF(0, 0, 640, 150), QColor(118, 124, 136));
    p.setPen(QPen(QColor(100, 106, 118), 2));
    for (int x = 0; x < 640; x += 16)
        p.drawLine(QPointF(x, 0), QPointF(x, 150));
    p.fillRect(QRectF(0, 150, 640, 74), QColor(160, 160, 155));
    p.fillRect(QRectF(0, 180, 640, 4), QColor(240, 200, 30));
    for (int s = 0; s < 2; ++s) {
        const double x0 = s == 0 ? 20 : 400;
        for (int u = 0; u < 4; ++u)
            p.fillRect(QRectF(x0 + u * 72, 10, 6, 142), QColor(230, 120, 30));
        for (int level = 0; level < 3; ++level) {
            const double y = 55 + level * 45;
            p.fillRect(QRectF(x0, y, 222, 5), QColor(40, 80, 160));
            for (int b = 0; b < 6; ++b) {
                const double h = 18 + 16 * Hash01(static_cast<uint32_t>(s * 100 + level * 10 + b));
                const QColor box = Hash01(static_cast<uint32_t>(b * 7 + level + s)) > 0.7 ? QColor(70, 110, 170)
                                                                                          : QColor(170, 130, 80);
                p.fillRect(QRectF(x0 + 8 + b * 35, y - h, 30, h), box);
            }
        }
    }
}

void WarehouseMoving(QPainter& p, double t)
{
    const double x = Lerp(120, 520, Tri(t, 24));
    const bool bRight = Frac(t, 24) < 0.5;
    const double lift = 10 + 25 * Tri(t, 8);
    p.save();
    p.translate(x, 200);
    if (!bRight)
        p.scale(-1, 1);
    p.setPen(Qt::NoPen);
    p.fillRect(QRectF(-50, -40, 70, 30), QColor(245, 190, 20));
    p.fillRect(QRectF(-40, -75, 40, 36), QColor(60, 60, 60));
    p.fillRect(QRectF(-36, -71, 32, 28), QColor(160, 200, 220));
    p.fillRect(QRectF(22, -90, 6, 80), QColor(40, 40, 40));
    p.fillRect(QRectF(28, -14 - lift, 44, 4), QColor(40, 40, 40));
    p.fillRect(QRectF(30, -40 - lift, 40, 26), QColor(170, 130, 80));
    p.setBrush(QColor(20, 20, 20));
    p.drawEllipse(QPointF(-35, -8), 10, 10);
    p.drawEllipse(QPointF(10, -8), 10, 10);
    p.setBrush(Frac(t, 1.0) < 0.5 ? QColor(255, 150, 0) : QColor(120, 70, 0));
    p.drawEllipse(QPointF(-20, -80), 5, 5);
    p.restore();
}

// ---- 5: a shop with shelves and a counter ----
void ShopStill(QPainter& p)
{
    p.fillRect(QRectF(0, 0, 640, 160), QColor(242, 236, 220));
    p.fillRect(QRectF(0, 160, 640, 64), QColor(205, 198, 185));
    const QColor goods[] = {QColor(210, 40, 40), QColor(40, 150, 60), QColor(40, 80, 200), QColor(240, 200, 30),
                            QColor(240, 130, 30), QColor(150, 60, 160)};
    for (int shelf = 0; shelf < 2; ++shelf) {
        const double x0 = 20 + shelf * 210;
        p.fillRect(QRectF(x0, 20, 190, 140), QColor(150, 150, 155));
        for (int level = 0; level < 4; ++level) {
            const double y = 48 + level * 32;
            p.fillRect(QRectF(x0, y, 190, 4), QColor(90, 90, 95));
            for (int i = 0; i < 11; ++i) {
                const double h = 14 + 10 * Hash01(static_cast<uint32_t>(shelf * 50 + level * 13 + i));
                p.fillRect(QRectF(x0 + 5 + i * 17, y - h, 14, h), goods[(i + level * 2 + shelf) % 6]);
            }
        }
    }
    p.fillRect(QRectF(450, 120, 190, 70), QColor(140, 90, 60));
    p.fillRect(QRectF(445, 114, 200, 8), QColor(90, 60, 40));
    p.fillRect(QRectF(500, 84, 60, 32), QColor(70, 70, 75));
    p.fillRect(QRectF(470, 20, 120, 40), QColor(30, 30, 30));
}

void ShopMoving(QPainter& p, double t)
{
    const bool bOn = Frac(t, 2) < 0.7;
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(26);
    font.setBold(true);
    p.setFont(font);
    p.setPen(bOn ? QColor(255, 40, 40) : QColor(90, 20, 20));
    p.drawText(QRectF(470, 20, 120, 40), Qt::AlignCenter, QStringLiteral("OPEN"));
    p.fillRect(QRectF(506, 88, 48, 14), QColor(40, 200, 120).darker(100 + static_cast<int>(60 * Tri(t, 3))));
    const double f = Tri(t, 30);
    Person(p, Lerp(60, 420, f), 212, 120, QColor(60, 120, 200), QColor(90, 70, 50), t * 0.8);
    Person(p, 600, 200, 100, QColor(200, 40, 40), QColor(30, 30, 30), 0.0);
}

// ---- 6: a garden behind a fence ----
void GardenStill(QPainter& p)
{
    VerticalGradient(p, QRectF(0, 0, 640, 120), QColor(70, 140, 230), QColor(180, 215, 245));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 225, 80));
    p.drawEllipse(QPointF(560, 35), 22, 22);
    p.fillRect(QRectF(0, 120, 640, 104), QColor(80, 160, 60));
    p.fillRect(QRectF(470, 30, 170, 110), QColor(170, 70, 50));
    p.fillRect(QRectF(500, 60, 40, 35), QColor(200, 230, 250));
    p.fillRect(QRectF(580, 70, 30, 70), QColor(90, 60, 40));
    for (int x = 0; x < 470; x += 18) {
        Poly(p, {{double(x), 140}, {double(x), 98}, {x + 6.0, 92}, {x + 12.0, 98}, {x + 12.0, 140}}, QColor(170, 125, 80));
    }
    p.fillRect(QRectF(0, 108, 470, 5), QColor(140, 100, 60));
    p.fillRect(QRectF(0, 128, 470, 5), QColor(140, 100, 60));
    const QColor petals[] = {QColor(230, 40, 60), QColor(250, 220, 40), QColor(240, 120, 200), QColor(250, 250, 250)};
    for (int i = 0; i < 40; ++i) {
        p.setBrush(petals[i % 4]);
        p.drawEllipse(QPointF(10 + i * 11.5, 150 + 12 * Hash01(static_cast<uint32_t>(i))), 4, 4);
    }
}

void GardenMoving(QPainter& p, double t)
{
    Cloud(p, Travel(t, 6, 100, 80), 30, 1.2, QColor(250, 250, 250, 230));
    Cloud(p, Travel(t, 4, 420, 80), 55, 0.9, QColor(245, 245, 250, 220));
    Tree(p, 90, 125, 120, 6 * Wave(t, 5), QColor(40, 120, 40));
    Tree(p, 300, 125, 150, 7 * Wave(t + 1.3, 6), QColor(60, 140, 50));
    const double x = Travel(t, 25, 0, 40);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(50, 40, 35));
    p.drawEllipse(QPointF(x, 195), 16, 7);
    p.drawEllipse(QPointF(x + 16, 188), 6, 6);
    p.drawRect(QRectF(x - 22, 192 + 3 * Wave(t, 1), 10, 2));
}

// ---- 7: a street at night ----
void StreetStill(QPainter& p)
{
    VerticalGradient(p, QRectF(0, 0, 640, 150), QColor(8, 12, 35), QColor(35, 35, 70));
    const double heights[] = {90, 130, 70, 115, 95, 140, 80};
    for (int i = 0; i < 7; ++i) {
        const double x = i * 92;
        p.fillRect(QRectF(x, 150 - heights[i], 88, heights[i]), QColor(25, 25, 35 + i * 3));
    }
    p.fillRect(QRectF(0, 150, 640, 16), QColor(70, 70, 75));
    p.fillRect(QRectF(0, 166, 640, 58), QColor(32, 32, 38));
    for (int x = 0; x < 640; x += 70)
        p.fillRect(QRectF(x, 194, 36, 3), QColor(150, 150, 120));
    for (double x : {120.0, 380.0, 600.0}) {
        QRadialGradient glow(QPointF(x, 150), 80);
        glow.setColorAt(0.0, QColor(255, 210, 120, 110));
        glow.setColorAt(1.0, QColor(255, 210, 120, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(glow);
        p.drawEllipse(QPointF(x, 150), 80, 50);
        p.fillRect(QRectF(x - 2, 60, 4, 95), QColor(90, 90, 95));
        p.setBrush(QColor(255, 230, 160));
        p.drawEllipse(QPointF(x, 60), 7, 5);
    }
    p.setBrush(QColor(235, 235, 210));
    p.drawEllipse(QPointF(520, 25), 12, 12);
}

void StreetMoving(QPainter& p, double t)
{
    const double heights[] = {90, 130, 70, 115, 95, 140, 80};
    const uint32_t nEpoch = static_cast<uint32_t>(t / 10);
    for (int b = 0; b < 7; ++b) {
        for (int r = 0; r * 18 + 14 < heights[b] - 8; ++r) {
            for (int c = 0; c < 4; ++c) {
                const uint32_t key = static_cast<uint32_t>(b * 1000 + r * 10 + c);
                if (Hash01(key * 31 + nEpoch * (key % 7 == 0 ? 1 : 0)) > 0.55)
                    p.fillRect(QRectF(b * 92 + 8 + c * 20, 150 - heights[b] + 8 + r * 18, 12, 10), QColor(250, 210, 110));
            }
        }
    }
    const double x = Travel(t, 140, 0, 150);
    QLinearGradient beam(QPointF(x + 40, 185), QPointF(x + 160, 185));
    beam.setColorAt(0.0, QColor(255, 255, 220, 170));
    beam.setColorAt(1.0, QColor(255, 255, 220, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(beam);
    p.drawPolygon(QPolygonF({QPointF(x + 40, 180), QPointF(x + 160, 165), QPointF(x + 160, 205), QPointF(x + 40, 186)}));
    SideCar(p, x, 192, 95, QColor(60, 60, 70), true);
    p.setBrush(QColor(255, 40, 30));
    p.drawEllipse(QPointF(x - 46, 176), 3, 3);
}

// ---- 8: a loading dock ----
void DockStill(QPainter& p)
{
    p.fillRect(QRectF(0, 0, 640, 120), QColor(150, 150, 140));
    p.fillRect(QRectF(0, 0, 640, 12), QColor(110, 110, 100));
    p.fillRect(QRectF(0, 120, 640, 104), QColor(92, 92, 92));
    for (int d = 0; d < 3; ++d) {
        const double x = 40 + d * 210;
        p.fillRect(QRectF(x - 8, 18, 156, 106), QColor(240, 200, 30));
        p.fillRect(QRectF(x, 24, 140, 96), QColor(55, 55, 60));
        p.fillRect(QRectF(x + 10, 118, 20, 10), QColor(20, 20, 20));
        p.fillRect(QRectF(x + 110, 118, 20, 10), QColor(20, 20, 20));
        p.setPen(QPen(QColor(255, 255, 255), 2));
        p.drawText(QRectF(x, 0, 140, 14), Qt::AlignCenter, QString::number(d + 1));
    }
    p.setPen(QPen(QColor(240, 220, 60), 3));
    for (int d = 0; d < 4; ++d)
        p.drawLine(QPointF(25 + d * 210, 130), QPointF(-60 + d * 240, 224));
}

void DockMoving(QPainter& p, double t)
{
    for (int d = 0; d < 3; ++d) {
        const double open = d == 0 ? DoorCycle(t, 30) : (d == 2 ? 0.6 : 0.0);
        const double x = 40 + d * 210;
        const double h = 96 * (1.0 - 0.85 * open);
        p.fillRect(QRectF(x, 24, 140, h), QColor(170, 172, 175));
        p.setPen(QPen(QColor(130, 132, 135), 1));
        for (double y = 30; y < 24 + h; y += 8)
            p.drawLine(QPointF(x, y), QPointF(x + 140, y));
    }
    const double f = Tri(t, 40);
    const double s = Lerp(1.25, 0.85, f);
    const double cx = 320;
    const double yBottom = Lerp(224, 140, f);
    p.fillRect(QRectF(cx - 90 * s, yBottom - 120 * s, 180 * s, 110 * s), QColor(235, 235, 235));
    p.fillRect(QRectF(cx - 2, yBottom - 118 * s, 4, 106 * s), QColor(150, 150, 150));
    p.fillRect(QRectF(cx - 90 * s, yBottom - 12 * s, 180 * s, 8 * s), QColor(30, 30, 30));
    p.fillRect(QRectF(cx - 80 * s, yBottom - 26 * s, 14 * s, 8 * s), Frac(t, 1) < 0.5 ? QColor(255, 60, 40) : QColor(120, 20, 20));
    p.fillRect(QRectF(cx + 66 * s, yBottom - 26 * s, 14 * s, 8 * s), Frac(t, 1) < 0.5 ? QColor(255, 60, 40) : QColor(120, 20, 20));
}

// ---- 9: two elevators ----
void ElevatorStill(QPainter& p)
{
    p.fillRect(QRectF(0, 0, 640, 170), QColor(205, 195, 178));
    p.setPen(QPen(QColor(190, 178, 160), 1));
    for (int y = 0; y < 170; y += 34)
        p.drawLine(QPointF(0, y), QPointF(640, y));
    VerticalGradient(p, QRectF(0, 170, 640, 54), QColor(120, 110, 100), QColor(70, 62, 55));
    for (double x : {110.0, 390.0}) {
        p.fillRect(QRectF(x - 10, 30, 160, 145), QColor(160, 165, 172));
        p.fillRect(QRectF(x, 40, 140, 135), QColor(60, 55, 50));
        p.fillRect(QRectF(x + 40, 8, 60, 20), QColor(15, 15, 15));
    }
    p.fillRect(QRectF(305, 90, 30, 50), QColor(170, 170, 175));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(240, 240, 240));
    p.drawEllipse(QPointF(320, 105), 6, 6);
    p.drawEllipse(QPointF(320, 125), 6, 6);
}

void ElevatorMoving(QPainter& p, double t)
{
    const double periods[2] = {20, 24};
    const double xs[2] = {110, 390};
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setPixelSize(16);
    font.setBold(true);
    p.setFont(font);
    for (int e = 0; e < 2; ++e) {
        const double open = DoorCycle(t + e * 7, periods[e]);
        const double w = 70 * (1.0 - 0.9 * open);
        const QColor steel(190, 195, 200);
        p.fillRect(QRectF(xs[e], 40, w, 135), steel);
        p.fillRect(QRectF(xs[e] + 140 - w, 40, w, 135), steel.darker(108));
        const int nFloor = open > 0 ? 1 : 1 + static_cast<int>(Frac(t + e * 7, periods[e]) * 9);
        p.setPen(QColor(255, 60, 30));
        p.drawText(QRectF(xs[e] + 40, 8, 60, 20), Qt::AlignCenter, QString::number(nFloor));
    }
    p.setPen(Qt::NoPen);
    p.setBrush(Frac(t, 2) < 1 ? QColor(255, 200, 60) : QColor(240, 240, 240));
    p.drawEllipse(QPointF(320, 105), 6, 6);
    const double z = Tri(t, 24);
    Person(p, Lerp(300, 180, z), Lerp(218, 178, z), Lerp(160, 110, z), QColor(90, 40, 110), QColor(40, 40, 40), t);
}

// ---- 10: a rooftop under the sky ----
void RooftopStill(QPainter& p)
{
    VerticalGradient(p, QRectF(0, 0, 640, 150), QColor(60, 110, 200), QColor(190, 210, 235));
    const double skyline[] = {40, 70, 55, 95, 60, 80, 45, 110, 65, 50, 85, 60};
    for (int i = 0; i < 12; ++i)
        p.fillRect(QRectF(i * 54, 150 - skyline[i], 50, skyline[i]), QColor(100, 112, 135));
    p.fillRect(QRectF(0, 150, 640, 74), QColor(140, 134, 128));
    p.fillRect(QRectF(0, 146, 640, 8), QColor(170, 165, 160));
    p.fillRect(QRectF(60, 160, 110, 44), QColor(180, 182, 185));
    p.fillRect(QRectF(230, 170, 70, 34), QColor(175, 178, 182));
    p.fillRect(QRectF(460, 20, 6, 150), QColor(80, 80, 85));
    p.setPen(QPen(QColor(80, 80, 85), 2));
    for (int i = 0; i < 4; ++i)
        p.drawLine(QPointF(440, 40 + i * 30), QPointF(486, 40 + i * 30));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(120, 90, 70));
    p.drawRect(QRectF(530, 100, 70, 60));
    p.drawEllipse(QRectF(530, 88, 70, 24));
}

void RooftopMoving(QPainter& p, double t)
{
    Cloud(p, Travel(t, 9, 50, 100), 40, 1.6, QColor(255, 255, 255, 235));
    Cloud(p, Travel(t, 12, 350, 100), 75, 1.1, QColor(240, 240, 248, 220));
    Cloud(p, Travel(t, 7, 600, 100), 20, 0.8, QColor(255, 255, 255, 210));
    p.setPen(Qt::NoPen);
    p.setBrush(Frac(t, 1.5) < 0.3 ? QColor(255, 30, 30) : QColor(110, 20, 20));
    p.drawEllipse(QPointF(463, 18), 5, 5);
    p.save();
    p.translate(115, 182);
    p.rotate(Frac(t, 1.2) * 360);
    p.setPen(QPen(QColor(60, 60, 65), 4));
    p.drawLine(QPointF(-18, 0), QPointF(18, 0));
    p.drawLine(QPointF(0, -18), QPointF(0, 18));
    p.restore();
    const double x = Travel(t, 45, 0, 30);
    const double y = 60 + 15 * Wave(t, 8);
    const double flap = 6 * Wave(t, 0.5);
    p.setPen(QPen(QColor(30, 30, 30), 2));
    p.drawLine(QPointF(x - 10, y - flap), QPointF(x, y));
    p.drawLine(QPointF(x, y), QPointF(x + 10, y - flap));
}

// ---- 11: a gate with a barrier ----
void GateStill(QPainter& p)
{
    VerticalGradient(p, QRectF(0, 0, 640, 70), QColor(150, 190, 230), QColor(215, 230, 240));
    p.fillRect(QRectF(0, 70, 640, 154), QColor(95, 150, 80));
    Poly(p, {{250, 70}, {390, 70}, {560, 224}, {80, 224}}, QColor(82, 82, 88));
    p.setPen(QPen(QColor(240, 240, 240), 2, Qt::DashLine));
    p.drawLine(QPointF(320, 72), QPointF(320, 224));
    p.setPen(QPen(QColor(150, 150, 150), 2));
    for (int x = 0; x < 250; x += 20)
        p.drawLine(QPointF(x, 60), QPointF(x, 95));
    p.drawLine(QPointF(0, 65), QPointF(250, 65));
    p.fillRect(QRectF(450, 60, 100, 90), QColor(240, 240, 235));
    p.fillRect(QRectF(440, 50, 120, 14), QColor(30, 70, 150));
    p.fillRect(QRectF(465, 80, 70, 30), QColor(150, 200, 230));
    p.fillRect(QRectF(410, 110, 16, 50), QColor(245, 200, 30));
    p.fillRect(QRectF(410, 125, 16, 8), QColor(20, 20, 20));
}

void GateMoving(QPainter& p, double t)
{
    const double f = Frac(t, 30);
    // Car approaches (0..0.3), waits while the arm rises (0.3..0.45), drives through (0.45..0.7).
    double z = 0;
    if (f < 0.3)
        z = f / 0.3 * 0.55;
    else if (f < 0.45)
        z = 0.55;
    else if (f < 0.7)
        z = 0.55 + (f - 0.45) / 0.25 * 0.6;
    else
        z = 2.0;
    double angle = 0;
    if (f >= 0.3 && f < 0.4)
        angle = (f - 0.3) / 0.1 * 80;
    else if (f >= 0.4 && f < 0.75)
        angle = 80;
    else if (f >= 0.75 && f < 0.85)
        angle = 80 - (f - 0.75) / 0.1 * 80;
    if (z <= 1.2) {
        const double s = Lerp(0.35, 1.4, z);
        const double y = Lerp(75, 250, z);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(30, 120, 170));
        p.drawRoundedRect(QRectF(320 - 60 * s, y - 70 * s, 120 * s, 60 * s), 8 * s, 8 * s);
        p.setBrush(QColor(170, 210, 230));
        p.drawRect(QRectF(320 - 45 * s, y - 64 * s, 90 * s, 22 * s));
        p.setBrush(QColor(255, 250, 210));
        p.drawEllipse(QPointF(320 - 42 * s, y - 26 * s), 8 * s, 6 * s);
        p.drawEllipse(QPointF(320 + 42 * s, y - 26 * s), 8 * s, 6 * s);
        p.setBrush(QColor(20, 20, 20));
        p.drawRect(QRectF(320 - 55 * s, y - 12 * s, 20 * s, 12 * s));
        p.drawRect(QRectF(320 + 35 * s, y - 12 * s, 20 * s, 12 * s));
    }
    p.save();
    p.translate(418, 122);
    p.rotate(180 + angle);
    for (int i = 0; i < 8; ++i)
        p.fillRect(QRectF(i * 28, -4, 28, 8), i % 2 == 0 ? QColor(220, 30, 30) : QColor(245, 245, 245));
    p.restore();
}

// ---- 12: an office ----
void OfficeStill(QPainter& p)
{
    p.fillRect(QRectF(0, 0, 640, 130), QColor(226, 226, 214));
    p.fillRect(QRectF(0, 130, 640, 94), QColor(88, 98, 120));
    p.fillRect(QRectF(40, 20, 200, 90), QColor(180, 215, 245));
    p.setPen(QPen(QColor(235, 235, 230), 3));
    for (int y = 24; y < 110; y += 8)
        p.drawLine(QPointF(40, y), QPointF(240, y));
    for (double x : {110.0, 400.0}) {
        p.fillRect(QRectF(x - 20, 140, 200, 12), QColor(200, 170, 120));
        p.fillRect(QRectF(x - 12, 152, 8, 60), QColor(120, 100, 70));
        p.fillRect(QRectF(x + 164, 152, 8, 60), QColor(120, 100, 70));
        p.fillRect(QRectF(x + 40, 92, 80, 50), QColor(25, 25, 25));
        p.fillRect(QRectF(x + 74, 140, 12, 4), QColor(40, 40, 40));
    }
    p.setPen(QPen(QColor(40, 40, 40), 3));
    p.setBrush(QColor(250, 250, 250));
    p.drawEllipse(QPointF(330, 45), 24, 24);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(50, 130, 60));
    p.drawEllipse(QPointF(600, 110), 24, 40);
    p.fillRect(QRectF(585, 140, 30, 40), QColor(170, 100, 60));
}

void OfficeMoving(QPainter& p, double t)
{
    for (int m = 0; m < 2; ++m) {
        const double x = (m == 0 ? 110.0 : 400.0) + 44;
        for (int bar = 0; bar < 5; ++bar) {
            const double h = 6 + 30 * Hash01(static_cast<uint32_t>(bar + m * 10 + static_cast<int>(t * 2) * 37));
            p.fillRect(QRectF(x + bar * 14, 138 - h, 10, h), m == 0 ? QColor(60, 160, 240) : QColor(90, 220, 120));
        }
    }
    // Clock hands follow the picture's own time of day.
    const double seconds = std::fmod(t, 60.0);
    const double minutes = std::fmod(t / 60.0, 60.0);
    p.save();
    p.translate(330, 45);
    p.setPen(QPen(QColor(20, 20, 20), 3));
    p.drawLine(QPointF(0, 0), QPointF(16 * std::sin(minutes / 60 * 2 * kPi), -16 * std::cos(minutes / 60 * 2 * kPi)));
    p.setPen(QPen(QColor(200, 30, 30), 1));
    p.drawLine(QPointF(0, 0), QPointF(20 * std::sin(seconds / 60 * 2 * kPi), -20 * std::cos(seconds / 60 * 2 * kPi)));
    p.restore();
    const double x = Lerp(170, 230, Tri(t, 12));
    Person(p, x, 200, 90, QColor(240, 240, 240), QColor(40, 50, 80), 0.1);
    p.fillRect(QRectF(x - 22, 170, 44, 8), QColor(30, 30, 30));
}

// ---- 13: a stairwell ----
void StairsStill(QPainter& p)
{
    p.fillRect(QRectF(0, 0, 640, 224), QColor(200, 200, 188));
    for (int i = 0; i < 12; ++i) {
        const double x = 60 + i * 42;
        const double y = 210 - i * 16;
        p.fillRect(QRectF(x, y, 44, 16), i % 2 == 0 ? QColor(150, 150, 145) : QColor(135, 135, 130));
        p.fillRect(QRectF(x, y, 44, 3), QColor(200, 170, 50));
        p.fillRect(QRectF(x, y + 16, 44, 224 - y - 16), QColor(120, 120, 116));
    }
    p.setPen(QPen(QColor(90, 60, 30), 5));
    p.drawLine(QPointF(60, 150), QPointF(580, -40));
    p.setPen(QPen(QColor(90, 90, 90), 2));
    for (int i = 0; i < 12; i += 2)
        p.drawLine(QPointF(80 + i * 42, 150 - i * 16 - 8), QPointF(80 + i * 42, 210 - i * 16));
    p.fillRect(QRectF(20, 20, 70, 26), QColor(20, 150, 60));
    p.setPen(QColor(250, 250, 250));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(15);
    font.setBold(true);
    p.setFont(font);
    p.drawText(QRectF(20, 20, 70, 26), Qt::AlignCenter, QStringLiteral("EXIT"));
}

void StairsMoving(QPainter& p, double t)
{
    const double f = Tri(t, 24);
    const double x = Lerp(90, 520, f);
    const double step = std::floor((x - 60) / 42);
    const double yFeet = 210 - step * 16;
    Person(p, x, yFeet, 95, QColor(230, 120, 30), QColor(40, 40, 60), t * 1.2);
}

// ---- 14: a playground ----
void ParkStill(QPainter& p)
{
    VerticalGradient(p, QRectF(0, 0, 640, 90), QColor(100, 170, 240), QColor(210, 230, 245));
    p.fillRect(QRectF(0, 90, 640, 134), QColor(100, 170, 80));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(225, 205, 150));
    p.drawEllipse(QRectF(120, 150, 300, 70));
    Tree(p, 40, 110, 110, 0, QColor(40, 110, 40));
    Tree(p, 600, 110, 120, 0, QColor(50, 120, 45));
    p.setPen(QPen(QColor(200, 40, 40), 6));
    p.drawLine(QPointF(170, 185), QPointF(200, 60));
    p.drawLine(QPointF(290, 185), QPointF(260, 60));
    p.drawLine(QPointF(190, 60), QPointF(270, 60));
    p.setPen(Qt::NoPen);
    Poly(p, {{430, 190}, {500, 100}, {515, 100}, {455, 190}}, QColor(40, 90, 200));
    p.fillRect(QRectF(510, 100, 10, 90), QColor(240, 200, 40));
    p.fillRect(QRectF(540, 160, 60, 6), QColor(130, 90, 50));
    p.fillRect(QRectF(545, 166, 6, 18), QColor(80, 80, 80));
    p.fillRect(QRectF(590, 166, 6, 18), QColor(80, 80, 80));
}

void ParkMoving(QPainter& p, double t)
{
    const double angle = 35.0 * Wave(t, 3) * kPi / 180.0;
    const QPointF pivot(230, 60);
    const QPointF seat(pivot.x() + 95 * std::sin(angle), pivot.y() + 95 * std::cos(angle));
    p.setPen(QPen(QColor(60, 60, 60), 2));
    p.drawLine(pivot + QPointF(-12, 0), seat + QPointF(-12, 0));
    p.drawLine(pivot + QPointF(12, 0), seat + QPointF(12, 0));
    p.fillRect(QRectF(seat.x() - 16, seat.y() - 3, 32, 6), QColor(50, 50, 50));
    Cloud(p, Travel(t, 8, 200, 80), 30, 1.0, QColor(255, 255, 255, 230));
    const double fx = Frac(t, 6);
    const double bx = Lerp(80, 560, fx);
    const double by = 205 - 70 * std::fabs(std::sin(fx * 3 * kPi));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(240, 60, 160));
    p.drawEllipse(QPointF(bx, by), 9, 9);
}

// ---- 15: a harbour with a lighthouse ----
void HarbourStill(QPainter& p)
{
    VerticalGradient(p, QRectF(0, 0, 640, 110), QColor(250, 190, 130), QColor(130, 170, 220));
    Poly(p, {{0, 110}, {0, 90}, {150, 80}, {300, 95}, {420, 85}, {640, 100}, {640, 110}}, QColor(90, 110, 120));
    VerticalGradient(p, QRectF(0, 110, 640, 114), QColor(40, 95, 140), QColor(20, 55, 95));
    p.fillRect(QRectF(0, 150, 180, 12), QColor(130, 90, 50));
    for (int x = 10; x < 180; x += 40)
        p.fillRect(QRectF(x, 160, 8, 50), QColor(90, 60, 35));
    Poly(p, {{500, 224}, {520, 170}, {600, 160}, {640, 175}, {640, 224}}, QColor(80, 75, 70));
    for (int i = 0; i < 5; ++i)
        p.fillRect(QRectF(556, 60 + i * 20, 24, 20), i % 2 == 0 ? QColor(240, 240, 240) : QColor(200, 40, 40));
    p.fillRect(QRectF(552, 48, 32, 12), QColor(60, 60, 60));
}

void HarbourMoving(QPainter& p, double t)
{
    p.setPen(QPen(QColor(170, 200, 230, 160), 2));
    for (int row = 0; row < 6; ++row) {
        const double y = 120 + row * 17;
        QPainterPath wave;
        wave.moveTo(0, y);
        for (int x = 0; x <= 640; x += 16)
            wave.lineTo(x, y + 3 * std::sin((x + t * (30 + row * 8)) / 25.0));
        p.drawPath(wave);
    }
    const double bx = Lerp(120, 480, Tri(t, 60));
    const double by = 150 + 3 * Wave(t, 3);
    p.setPen(Qt::NoPen);
    Poly(p, {{bx - 50, by}, {bx + 50, by}, {bx + 38, by + 16}, {bx - 40, by + 16}}, QColor(240, 240, 240));
    p.fillRect(QRectF(bx - 20, by - 16, 36, 16), QColor(200, 60, 40));
    p.fillRect(QRectF(bx - 2, by - 50, 3, 34), QColor(70, 50, 30));
    Poly(p, {{bx + 1, by - 48}, {bx + 30, by - 20}, {bx + 1, by - 20}}, QColor(250, 250, 240));
    const double beam = Frac(t, 6) * 2 * kPi;
    const double reach = 260 * std::cos(beam);
    QColor light(255, 245, 170, static_cast<int>(90 + 60 * std::fabs(std::cos(beam))));
    Poly(p, {{568, 54}, {568 + reach, 34}, {568 + reach, 74}}, light);
    p.setBrush(QColor(255, 240, 150));
    p.drawEllipse(QPointF(568, 54), 6, 6);
    const double gx = Travel(t, -30, 300, 30);
    p.setPen(QPen(QColor(250, 250, 250), 2));
    const double flap = 5 * Wave(t, 0.6);
    p.drawLine(QPointF(gx - 9, 40 - flap), QPointF(gx, 44));
    p.drawLine(QPointF(gx, 44), QPointF(gx + 9, 40 - flap));
}

using StillFn = void (*)(QPainter&);
using MovingFn = void (*)(QPainter&, double);

struct Scene {
    StillFn pStill;
    MovingFn pMoving;
};

const std::array<Scene, CScenePainter::kCameraCount> kScenes = {{
    {RoadStill, RoadMoving}, {CorridorStill, CorridorMoving}, {ParkingStill, ParkingMoving},
    {LobbyStill, LobbyMoving}, {WarehouseStill, WarehouseMoving}, {ShopStill, ShopMoving},
    {GardenStill, GardenMoving}, {StreetStill, StreetMoving}, {DockStill, DockMoving},
    {ElevatorStill, ElevatorMoving}, {RooftopStill, RooftopMoving}, {GateStill, GateMoving},
    {OfficeStill, OfficeMoving}, {StairsStill, StairsMoving}, {ParkStill, ParkMoving},
    {HarbourStill, HarbourMoving},
}};

// Maps the 640 x 224 canvas onto the rows below the code strip.
void SetCanvas(QPainter& p, const QImage& image)
{
    const double dTop = CChannelCodePainter::kStripRows;
    p.translate(0, dTop);
    p.scale(image.width() / kCanvasWidth, (image.height() - dTop) / kCanvasHeight);
    p.setClipRect(QRectF(0, 0, kCanvasWidth, kCanvasHeight));
}

void PaintOverlay(QPainter& p, const QImage& image, int nCamera, int64_t nMomentMs)
{
    const int64_t nSeconds = nMomentMs >= 0 ? nMomentMs / 1000 : (nMomentMs - 999) / 1000;
    const std::time_t tMoment = static_cast<std::time_t>(nSeconds);
    std::tm tmLocal{};
    localtime_r(&tMoment, &tmLocal);
    char szTime[40];
    std::snprintf(szTime, sizeof szTime, "%04d/%02d/%02d %02d:%02d:%02d", tmLocal.tm_year + 1900,
                  tmLocal.tm_mon + 1, tmLocal.tm_mday, tmLocal.tm_hour, tmLocal.tm_min, tmLocal.tm_sec);
    char szTitle[40];
    std::snprintf(szTitle, sizeof szTitle, "CAM %02d  %s", nCamera + 1, CScenePainter::CameraName(nCamera));

    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(14);
    font.setBold(true);
    p.setFont(font);
    const QFontMetrics metrics(font);
    const int nTop = CChannelCodePainter::kStripRows + 2;
    const QString title = QString::fromLatin1(szTitle);
    const QString time = QString::fromLatin1(szTime);
    const QRect rcTitle(8, nTop, metrics.horizontalAdvance(title) + 10, metrics.height() + 2);
    const QRect rcTime(image.width() - metrics.horizontalAdvance(time) - 24, image.height() - metrics.height() - 6,
                       metrics.horizontalAdvance(time) + 10, metrics.height() + 2);
    p.fillRect(rcTitle, QColor(0, 0, 0, 140));
    p.fillRect(rcTime, QColor(0, 0, 0, 140));
    p.setPen(QColor(255, 255, 255));
    p.drawText(rcTitle, Qt::AlignCenter, title);
    p.drawText(rcTime, Qt::AlignCenter, time);
}

} // namespace

const char* CScenePainter::CameraName(int nCamera)
{
    return nCamera >= 0 && nCamera < kCameraCount ? kNames[static_cast<size_t>(nCamera)] : "";
}

void CScenePainter::PaintBackground(QImage& image, int nCamera)
{
    if (image.isNull() || nCamera < 0 || nCamera >= kCameraCount)
        return;
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    SetCanvas(p, image);
    kScenes[static_cast<size_t>(nCamera)].pStill(p);
}

void CScenePainter::PaintMoving(QImage& image, int nCamera, int64_t nMomentMs)
{
    PaintMovingParts(image, nCamera, nMomentMs);
    PaintText(image, nCamera, nMomentMs);
}

void CScenePainter::PaintMovingParts(QImage& image, int nCamera, int64_t nMomentMs)
{
    if (image.isNull() || nCamera < 0 || nCamera >= kCameraCount)
        return;
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    SetCanvas(p, image);
    kScenes[static_cast<size_t>(nCamera)].pMoving(p, SceneSeconds(nMomentMs));
}

void CScenePainter::PaintText(QImage& image, int nCamera, int64_t nMomentMs)
{
    if (image.isNull() || nCamera < 0 || nCamera >= kCameraCount)
        return;
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    PaintOverlay(p, image, nCamera, nMomentMs);
}

void CScenePainter::Paint(QImage& image, int nCamera, int64_t nMomentMs)
{
    PaintBackground(image, nCamera);
    PaintMoving(image, nCamera, nMomentMs);
}

} // namespace ostrel::dvrsim
