#pragma once

// Sixteen synthetic cameras, each its own place with its own colours and motion: a road, a
// corridor, a parking lot, a lobby, ... Every picture carries the camera number, the place's
// name and the moment's date and time. A scene is a pure function of the camera and the
// moment, so live and played-back pictures of the same moment look the same.
//
// Pictures are Format_RGB32 QImages of any size; the scenes are drawn on a 640 x 224 canvas
// stretched into the rows below the channel-code strip. Drawing is split into a still
// background, painted once per camera and size, and the moving parts with the on-screen text.

#include <QImage>

#include <cstdint>

namespace ostrel::dvrsim {

class CScenePainter {
public:
    static constexpr int kCameraCount = 16;

    // "ROAD", "CORRIDOR", ... for cameras 0..15; "" for other numbers.
    static const char* CameraName(int nCamera);

    // The still parts of the scene (the code strip rows are left as they are).
    static void PaintBackground(QImage& image, int nCamera);
    // The moving parts at nMomentMs (milliseconds of a seconds value) and the text overlay.
    static void PaintMoving(QImage& image, int nCamera, int64_t nMomentMs);
    // PaintMoving in its two steps, for a view that moves between them (a turned camera).
    static void PaintMovingParts(QImage& image, int nCamera, int64_t nMomentMs);
    static void PaintText(QImage& image, int nCamera, int64_t nMomentMs);
    // Background and moving parts.
    static void Paint(QImage& image, int nCamera, int64_t nMomentMs);
};

} // namespace ostrel::dvrsim
