#include "ptz_head.h"

#include <algorithm>
#include <cmath>

namespace ostrel::dvrsim {

void CPtzHead::Apply(const PelcoCommand& command, int64_t nNowMs)
{
    if (command.bExtended)
        return;
    const PtzPose now = PoseAt(nNowMs);
    m_pose = now;
    m_dZoomSteps = std::log2(now.dZoom);
    m_nSinceMs = nNowMs;
    // Speed 0 is the slowest motion, not none.
    m_dPanRate = command.nPan * kPanPerSecond * (command.nPanSpeed + 1) / 64.0;
    m_dTiltRate = command.nTilt * kTiltPerSecond * (command.nTiltSpeed + 1) / 64.0;
    m_dZoomRate = command.nZoom * kZoomStepsPerSecond;
}

PtzPose CPtzHead::PoseAt(int64_t nMs) const
{
    if (!Moving())
        return m_pose;
    const double dSeconds = static_cast<double>(std::max<int64_t>(0, nMs - m_nSinceMs)) / 1000.0;
    PtzPose pose;
    pose.dPan = m_pose.dPan + m_dPanRate * dSeconds;
    pose.dPan -= std::floor(pose.dPan);
    pose.dTilt = std::clamp(m_pose.dTilt + m_dTiltRate * dSeconds, -kTiltLimit, kTiltLimit);
    pose.dZoom = std::exp2(std::clamp(m_dZoomSteps + m_dZoomRate * dSeconds, 0.0, std::log2(kMaxZoom)));
    return pose;
}

} // namespace ostrel::dvrsim
