#pragma once

// A schedule of faults for long runs: instead of one fault for the process's life, each fault
// is in force for a window of a repeating cycle, every connection is closed at the end of each
// cycle, and once per run the recorder can go away altogether (an outage: it stops listening
// and drops every connection) and, at another time, stop reading what the clients it has send
// while it goes on sending. Time is an argument: the plan is asked what holds so many
// milliseconds after the start. scripts/soak judges by the same timetable and checks it
// against the changes the server logs; keep the two in step.
//
// The cycle is cut into kSlots equal windows: the first and the last without faults (settling
// after the close, and before it), then split writes, coalesced writes, garbage, truncated
// JPEGs, oversize lengths, wrong-channel pictures, silence (for at most kMaxSilenceMs, shorter
// than the client's watchdog gives before it reconnects), all the stream faults at once, an
// alarm flood, a trickle (a header, then one byte every kTrickleByteMs) and a flood of unasked
// event logs.

#include "sim_options.h"

#include <cstdint>

namespace ostrel::dvrsim {

enum class PlannedFault : uint8_t {
    None, Split, Coalesce, Garbage, Truncate, Oversize, WrongChannel, Silence, Mixed, AlarmFlood, Trickle, EventLogFlood
};

const char* PlannedFaultName(PlannedFault fault);

struct FaultPlanSettings {
    int64_t nCycleMs = 0;     // 0: no plan
    int64_t nOutageAtMs = 0;  // start of the one long outage, after the plan's start
    int64_t nOutageMs = 0;    // its length; 0: no outage
    int64_t nDeafAtMs = 0;    // the recorder stops reading its connections of the moment here
    int64_t nDeafMs = 0;      // for this long; 0: never
};

class CFaultPlan {
public:
    static constexpr int kSlots = 13;
    static constexpr int64_t kMaxSilenceMs = 12000;
    static constexpr int64_t kMinCycleMs = 13000;
    // The flood windows' rates and sizes, and the trickle's pace: just under the client's 5 s
    // image watchdog, so a watchdog fed by bytes rather than pictures would never fire.
    static constexpr int kAlarmFloodPerSecond = 10000;
    static constexpr int kEventLogFloodEveryMs = 250;
    static constexpr int kEventLogFloodRecords = 10000;
    static constexpr int kTrickleByteMs = 4900;

    // What holds at one moment.
    struct State {
        PlannedFault fault = PlannedFault::None;
        bool bOutage = false;
        bool bDeaf = false;  // not reading the connections that were open when it began
        int64_t nCloses = 0; // cycle ends passed so far: every connection is closed at each
        bool operator==(const State&) const = default;
    };

    explicit CFaultPlan(const FaultPlanSettings& settings);

    bool Active() const { return m_settings.nCycleMs > 0 || m_settings.nOutageMs > 0 || m_settings.nDeafMs > 0; }
    const FaultPlanSettings& Settings() const { return m_settings; }

    // What holds nElapsedMs after the start (negative counts as 0).
    State At(int64_t nElapsedMs) const;
    // The first moment after nElapsedMs at which At() gives something else; -1 when nothing
    // changes any more.
    int64_t NextChangeMs(int64_t nElapsedMs) const;
    // Window nSlot (0..kSlots - 1) of a cycle: its fault and its bounds within the cycle.
    PlannedFault SlotFault(int nSlot) const;
    int64_t SlotStartMs(int nSlot) const;
    int64_t SlotEndMs(int nSlot) const; // where its fault ends (a silence ends early)

private:
    FaultPlanSettings m_settings;
};

// The options with a planned fault put in force on top of those given on the command line.
// Silence is not among them: the server tells its sessions to keep still.
SimOptions WithPlannedFault(const SimOptions& base, PlannedFault fault);

} // namespace ostrel::dvrsim
