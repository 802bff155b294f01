#pragma once

// A pan/tilt/zoom head under one simulated camera. A motion command sets the directions and
// speeds, which hold until the next command (a stop is a command with no direction), as on a
// real head: a lost stop leaves it moving, which is why the client repeats its stops. The pose is
// a function of the time, so every picture of a moment shows the same view.

#include "pelco_decoder.h"

#include <cstdint>

namespace ostrel::dvrsim {

struct PtzPose {
    double dPan = 0;  // fraction of the picture's width the view has turned right; wraps at 1
    double dTilt = 0; // fraction of the scene's height the view has turned up; within the limits
    double dZoom = 1; // magnification, 1 to kMaxZoom

    bool IsHome() const { return dPan == 0 && dTilt == 0 && dZoom == 1; }
    bool operator==(const PtzPose&) const = default;
};

class CPtzHead {
public:
    static constexpr double kTiltLimit = 0.4;   // of the scene's height, either way
    static constexpr double kMaxZoom = 4;
    static constexpr double kPanPerSecond = 0.25;  // widths per second at speed 63
    static constexpr double kTiltPerSecond = 0.5;  // heights per second at speed 63
    static constexpr double kZoomStepsPerSecond = 0.75; // doublings per second

    // From nNowMs on, moves as the command says; an extended command changes nothing.
    void Apply(const PelcoCommand& command, int64_t nNowMs);
    // Where the head points at nMs; a moment before the last command gives the pose of then.
    PtzPose PoseAt(int64_t nMs) const;
    bool Moving() const { return m_dPanRate != 0 || m_dTiltRate != 0 || m_dZoomRate != 0; }

private:
    PtzPose m_pose;          // at m_nSinceMs
    double m_dZoomSteps = 0; // log2 of the zoom at m_nSinceMs
    int64_t m_nSinceMs = 0;
    double m_dPanRate = 0;   // widths per second
    double m_dTiltRate = 0;  // heights per second
    double m_dZoomRate = 0;  // doublings per second
};

} // namespace ostrel::dvrsim
