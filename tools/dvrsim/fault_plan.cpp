#include "fault_plan.h"

#include <algorithm>
#include <array>

namespace ostrel::dvrsim {

namespace {

constexpr std::array<PlannedFault, CFaultPlan::kSlots> kCycle = {
    PlannedFault::None,       PlannedFault::Split,   PlannedFault::Coalesce,     PlannedFault::Garbage,
    PlannedFault::Truncate,   PlannedFault::Oversize, PlannedFault::WrongChannel, PlannedFault::Silence,
    PlannedFault::Mixed,      PlannedFault::AlarmFlood, PlannedFault::Trickle,   PlannedFault::EventLogFlood,
    PlannedFault::None,
};

bool Within(int64_t t, int64_t nAt, int64_t nFor)
{
    return nFor > 0 && t >= nAt && t < nAt + nFor;
}

} // namespace

const char* PlannedFaultName(PlannedFault fault)
{
    switch (fault) {
    case PlannedFault::None: return "none";
    case PlannedFault::Split: return "split writes";
    case PlannedFault::Coalesce: return "coalesced writes";
    case PlannedFault::Garbage: return "garbage";
    case PlannedFault::Truncate: return "truncated JPEGs";
    case PlannedFault::Oversize: return "oversize lengths";
    case PlannedFault::WrongChannel: return "wrong-channel pictures";
    case PlannedFault::Silence: return "silence";
    case PlannedFault::Mixed: return "mixed stream faults";
    case PlannedFault::AlarmFlood: return "alarm flood";
    case PlannedFault::Trickle: return "trickle";
    case PlannedFault::EventLogFlood: return "unasked event-log flood";
    }
    return "?";
}

CFaultPlan::CFaultPlan(const FaultPlanSettings& settings) : m_settings(settings)
{
    if (m_settings.nCycleMs > 0)
        m_settings.nCycleMs = std::max(m_settings.nCycleMs, kMinCycleMs);
    m_settings.nOutageAtMs = std::max<int64_t>(0, m_settings.nOutageAtMs);
    m_settings.nOutageMs = std::max<int64_t>(0, m_settings.nOutageMs);
    m_settings.nDeafAtMs = std::max<int64_t>(0, m_settings.nDeafAtMs);
    m_settings.nDeafMs = std::max<int64_t>(0, m_settings.nDeafMs);
}

PlannedFault CFaultPlan::SlotFault(int nSlot) const
{
    return nSlot >= 0 && nSlot < kSlots ? kCycle[static_cast<size_t>(nSlot)] : PlannedFault::None;
}

int64_t CFaultPlan::SlotStartMs(int nSlot) const
{
    return m_settings.nCycleMs * nSlot / kSlots;
}

int64_t CFaultPlan::SlotEndMs(int nSlot) const
{
    const int64_t nEnd = SlotStartMs(nSlot + 1);
    if (SlotFault(nSlot) == PlannedFault::Silence)
        return std::min(nEnd, SlotStartMs(nSlot) + kMaxSilenceMs);
    return nEnd;
}

CFaultPlan::State CFaultPlan::At(int64_t nElapsedMs) const
{
    const int64_t t = std::max<int64_t>(0, nElapsedMs);
    State state;
    state.bOutage = Within(t, m_settings.nOutageAtMs, m_settings.nOutageMs);
    state.bDeaf = Within(t, m_settings.nDeafAtMs, m_settings.nDeafMs);
    if (m_settings.nCycleMs <= 0)
        return state;
    state.nCloses = t / m_settings.nCycleMs;
    const int64_t nInCycle = t % m_settings.nCycleMs;
    for (int n = 0; n < kSlots; ++n) {
        if (nInCycle >= SlotStartMs(n) && nInCycle < SlotStartMs(n + 1)) {
            if (nInCycle < SlotEndMs(n))
                state.fault = SlotFault(n);
            break;
        }
    }
    return state;
}

int64_t CFaultPlan::NextChangeMs(int64_t nElapsedMs) const
{
    const int64_t t = std::max<int64_t>(0, nElapsedMs);
    int64_t nNext = -1;
    const auto consider = [&](int64_t nMoment) {
        if (nMoment > t && (nNext < 0 || nMoment < nNext))
            nNext = nMoment;
    };
    if (m_settings.nOutageMs > 0) {
        consider(m_settings.nOutageAtMs);
        consider(m_settings.nOutageAtMs + m_settings.nOutageMs);
    }
    if (m_settings.nDeafMs > 0) {
        consider(m_settings.nDeafAtMs);
        consider(m_settings.nDeafAtMs + m_settings.nDeafMs);
    }
    if (m_settings.nCycleMs > 0) {
        const int64_t nCycleStart = t - t % m_settings.nCycleMs;
        for (int64_t nBase : {nCycleStart, nCycleStart + m_settings.nCycleMs}) {
            for (int n = 0; n < kSlots; ++n) {
                consider(nBase + SlotStartMs(n));
                consider(nBase + SlotEndMs(n));
            }
        }
    }
    // A boundary at which nothing changes is looked past.
    if (nNext > 0 && At(nNext) == At(t))
        return NextChangeMs(nNext);
    return nNext;
}

SimOptions WithPlannedFault(const SimOptions& base, PlannedFault fault)
{
    SimOptions o = base;
    switch (fault) {
    case PlannedFault::None:
    case PlannedFault::Silence:
        break;
    case PlannedFault::Split:
        o.split = SplitMode::Random;
        o.nSplitBytes = 4096;
        o.nSplitGapMs = 1;
        break;
    case PlannedFault::Coalesce:
        o.nCoalesce = 8;
        break;
    case PlannedFault::Garbage:
        o.nGarbageEvery = 50;
        break;
    case PlannedFault::Truncate:
        o.nTruncateEvery = 40;
        break;
    case PlannedFault::Oversize:
        o.nOversizeEvery = 500;
        break;
    case PlannedFault::WrongChannel:
        o.nWrongChannelEvery = 30;
        break;
    case PlannedFault::Mixed:
        o.nCoalesce = 4;
        o.nGarbageEvery = 97;
        o.nTruncateEvery = 53;
        o.nWrongChannelEvery = 41;
        o.nOversizeEvery = 701;
        break;
    case PlannedFault::AlarmFlood:
        o.nAlarmFloodPerSec = CFaultPlan::kAlarmFloodPerSecond;
        break;
    case PlannedFault::Trickle:
        o.nTrickleByteMs = CFaultPlan::kTrickleByteMs;
        break;
    case PlannedFault::EventLogFlood:
        o.nEventLogFloodMs = CFaultPlan::kEventLogFloodEveryMs;
        o.nEventCount = CFaultPlan::kEventLogFloodRecords;
        break;
    }
    return o;
}

} // namespace ostrel::dvrsim
