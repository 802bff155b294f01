#pragma once

// Pre-encoded live pictures for load tests. For each camera it holds N moments one scene tick
// apart, each encoded for both fields with the camera's channel code, drawn and encoded once
// when the ring is made. Serving a picture then costs copying its bytes into the packet, so a
// load test's client can have the other core. The pictures show the unturned scene and the
// time of their moment; the ring replays them, so the clock on them repeats.
//
// Memory: 2 x N JPEGs per camera, each the size of one live picture (about 18.5 kB at the
// default 640 x 240, quality 80, 4:2:0), so about N x 0.6 MB for 16 cameras.

#include "camera_feed.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ostrel::dvrsim {

class CPictureRing {
public:
    static constexpr int kMaxPictures = 100; // per camera

    // Draws and encodes nPictures moments (clamped to 1..kMaxPictures) for cameras 0 to
    // nCameras - 1 (clamped to 0..16), starting at the scene tick that holds nStartMs.
    CPictureRing(int nCameras, int nPictures, const FeedFormat& format, int64_t nStartMs);

    int Cameras() const { return m_nCameras; }
    int Size() const { return m_nPictures; }
    // The moment of picture nIndex (0..Size() - 1), milliseconds of a seconds value.
    int64_t MomentMs(int nIndex) const;
    // The JPEG of picture nIndex (taken modulo Size()) of a camera and field. Empty for a
    // camera outside the ring, or when the encoder failed.
    const std::vector<uint8_t>& Picture(int nCamera, int nIndex, bool bOddField) const;
    // Bytes of JPEG held, all cameras and fields.
    size_t Bytes() const { return m_nBytes; }

private:
    int m_nCameras;
    int m_nPictures;
    int m_nSceneFps;
    int64_t m_nFirstTick;
    // [camera][index * 2 + field], field 1 odd
    std::vector<std::vector<std::vector<uint8_t>>> m_jpegs;
    std::vector<uint8_t> m_none;
    size_t m_nBytes = 0;
};

} // namespace ostrel::dvrsim
