#pragma once

// One camera's encoded pictures. The scene is drawn at the feed's scene rate (ten pictures a
// second by default), not at the rate pictures are asked for: every request within the same
// scene tick gets the JPEG already made for that tick and field. The still background is
// drawn once. So serving 30 pictures a second per camera costs one scene drawing and at most
// two encodings per tick, and copying nothing but the bytes into the packet.

#include "jpeg_encoder.h"
#include "ptz_head.h"

#include <QImage>

#include <cstdint>
#include <vector>

namespace ostrel::dvrsim {

struct FeedFormat {
    int nWidth = 640;
    int nHeight = 240;
    int nQuality = 80;
    JpegSubsampling subsampling = JpegSubsampling::S420;
    int nSceneFps = 10; // scene drawings per second of scene time
};

class CCameraFeed {
public:
    CCameraFeed(int nCamera, const FeedFormat& format);

    // The head the camera sits on; null (the default) for a fixed camera. It must outlive the
    // feed. A moving head's pose is taken at each scene tick.
    void SetHead(const CPtzHead* pHead) { m_pHead = pHead; }
    // Turns the view of a drawn picture: the rows below the code strip show the scene as the
    // pose sees it (panning wraps round, tilting past the scene repeats its edge rows).
    // scratch is reused between calls.
    static void ApplyPose(QImage& image, const PtzPose& pose, QImage& scratch);

    int Camera() const { return m_nCamera; }
    const FeedFormat& Format() const { return m_format; }

    // The JPEG of the scene at nMomentMs (milliseconds of a seconds value) for an odd or even
    // field, carrying this camera's channel code. Valid until the next call. Empty only when
    // the encoder fails.
    const std::vector<uint8_t>& Picture(int64_t nMomentMs, bool bOddField);
    // The same picture with another channel's code painted in (a fault for tests). Encodes
    // every time; valid until the next call.
    const std::vector<uint8_t>& PictureWithCode(int64_t nMomentMs, bool bOddField, int nCodeChannel);

    // The drawn picture of the current tick (32-bit, code strip as last painted).
    const QImage& Image() const { return m_image; }
    // Scene drawings and encodings so far, for the log and the tests.
    uint64_t Renders() const { return m_nRenders; }
    uint64_t Encodes() const { return m_nEncodes; }

private:
    void RenderTick(int64_t nTick, const PtzPose& pose);
    void RenderIfNeeded(int64_t nMomentMs);
    bool EncodeWithCode(int nChannel, bool bOddField, std::vector<uint8_t>& out);

    int m_nCamera;
    FeedFormat m_format;
    QImage m_background;
    QImage m_image;
    CJpegEncoder m_encoder;
    int64_t m_nTick = INT64_MIN;
    const CPtzHead* m_pHead = nullptr;
    PtzPose m_pose;                  // of the current tick's drawing
    QImage m_scratch;
    std::vector<uint8_t> m_jpeg[2];  // [even, odd] of the current tick
    bool m_bEncoded[2] = {false, false};
    std::vector<uint8_t> m_faultJpeg;
    uint64_t m_nRenders = 0;
    uint64_t m_nEncodes = 0;
};

} // namespace ostrel::dvrsim
