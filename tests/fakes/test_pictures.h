#pragma once

// Camera-like test pictures made with the simulator's painters and encoder, shared by the
// codec and simulator tests.

#include "camera_feed.h"
#include "channel_code_painter.h"
#include "jpeg_encoder.h"
#include "scene_painter.h"

#include <QGuiApplication>

#include <cstdint>
#include <vector>

namespace ostrel::testing {

// Scenes draw text, which needs a GUI application; the offscreen platform needs no display.
inline void EnsureGuiApp()
{
    static int argc = 1;
    static char name[] = "ostrel-test";
    static char* argv[] = {name, nullptr};
    if (QGuiApplication::instance() == nullptr) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        static QGuiApplication app(argc, argv);
    }
}

// A fixed moment, so every run paints the same pictures: 2024-05-17 13:45:10 local time.
inline int64_t TestMomentMs()
{
    return 1715953510000LL;
}

// One camera's picture with its own channel code, as the simulator sends it.
inline std::vector<uint8_t> CameraJpeg(int nChannel, bool bOddField,
                                       dvrsim::JpegSubsampling subsampling = dvrsim::JpegSubsampling::S420,
                                       int nWidth = 640, int nHeight = 240, int64_t nMomentMs = TestMomentMs())
{
    EnsureGuiApp();
    dvrsim::FeedFormat format;
    format.nWidth = nWidth;
    format.nHeight = nHeight;
    format.subsampling = subsampling;
    dvrsim::CCameraFeed feed(nChannel, format);
    return feed.Picture(nMomentMs, bOddField);
}

// A scene picture with a code painted by hand (for the select-block form and wrong codes).
inline std::vector<uint8_t> CodedJpeg(int nScene, int nCode, bool bOddField, bool bSelectInverted,
                                      dvrsim::JpegSubsampling subsampling = dvrsim::JpegSubsampling::S420,
                                      int nWidth = 640, int nHeight = 240)
{
    EnsureGuiApp();
    QImage image(nWidth, nHeight, QImage::Format_RGB32);
    image.fill(Qt::black);
    dvrsim::CScenePainter::Paint(image, nScene, TestMomentMs());
    dvrsim::CChannelCodePainter::Paint(image.bits(), nWidth, static_cast<int>(image.bytesPerLine()), nHeight, nCode,
                                       bOddField, bSelectInverted);
    std::vector<uint8_t> jpeg;
    dvrsim::CJpegEncoder encoder;
    encoder.Encode(image.constBits(), nWidth, static_cast<int>(image.bytesPerLine()), nHeight, 80, subsampling, jpeg);
    return jpeg;
}

// A flat picture of one colour (BGRX order), any size.
inline std::vector<uint8_t> FlatJpeg(int nWidth, int nHeight, uint8_t b, uint8_t g, uint8_t r,
                                     dvrsim::JpegSubsampling subsampling = dvrsim::JpegSubsampling::S420)
{
    std::vector<uint8_t> pixels(static_cast<size_t>(nWidth) * static_cast<size_t>(nHeight) * 4);
    for (size_t i = 0; i < pixels.size(); i += 4) {
        pixels[i] = b;
        pixels[i + 1] = g;
        pixels[i + 2] = r;
        pixels[i + 3] = 0;
    }
    std::vector<uint8_t> jpeg;
    dvrsim::CJpegEncoder encoder;
    encoder.Encode(pixels.data(), nWidth, nWidth * 4, nHeight, 80, subsampling, jpeg);
    return jpeg;
}

} // namespace ostrel::testing
