#pragma once

#include "link/picture.h"

#include <cstdint>

// What the link needs of the archive side, in three parts: the play state it asks about, the
// playback events it reports, and the refresh of the event log it fetched. Calls come from inside
// the link's handlers and must not call back into the link.

namespace ostrel {

// The recorder's event log as the link saves it, in the working folder.
inline constexpr const char* kAlarmEventFile = "AlarmEvent.am";

// The archive's play state as kept (m_wPlayState): low byte 1 = playing, high byte 1 = reverse.
struct PlayState {
    uint16_t wWord = 0;

    static constexpr PlayState Playing(bool bReverse) { return PlayState{bReverse ? uint16_t{0x0101} : uint16_t{0x0001}}; }
    constexpr bool IsPlaying() const { return (wWord & 0xFF) == 1; }
    constexpr bool IsStopped() const { return (wWord & 0xFF) == 0; }
    constexpr bool IsReverse() const { return (wWord >> 8) == 1; }
    constexpr bool IsPlayingForward() const { return wWord == 0x0001; }
    bool operator==(const PlayState&) const = default;
};

// What a play image without a picture reports (P3's low byte); other values are possible.
enum class PlayResult : uint8_t {
    Error = 0,
    NoSearchImage = 2,
    EndOfPlay = 3,
    InvalidDate = 4,
};

class LinkPlayState {
public:
    virtual ~LinkPlayState() = default;
    virtual bool IsArchiveActive() const = 0;   // m_bArchiveActive
    virtual PlayState State() const = 0;        // m_wPlayState

    // m_bSearching: a play request awaits its first picture.
    virtual bool IsSearching() const { return false; }

    bool IsPlaying() const { return State().IsPlaying(); }
};

class LinkPlayback {
public:
    virtual ~LinkPlayback() = default;
    // Recorded range: P2..P5 of a login reply or status reply, as the protocol version encodes it.
    virtual void OnRecordRange(uint32_t dwP2, uint32_t dwP3, uint32_t dwP4, uint32_t dwP5) = 0;
    virtual void OnPlayImageTimeSeconds(uint32_t dwSeconds) = 0;          // version 1
    virtual void OnPlayImageTimePacked(uint32_t dwP0, uint32_t dwP1) = 0; // later versions
    virtual void OnPlayPosition(uint32_t dwPosition) = 0;
    virtual void OnPlayResult(PlayResult result) = 0; // a play image without a picture
    virtual void FlipReceiveIndicator() = 0;
    // A play picture was completed while the archive was active: the picture of its channel, or
    // an empty handle when it failed its checks (a search still counts it as its first answer).
    virtual void OnPlayImage(uint8_t byChannel, const Picture& picture) = 0;
};

class LinkEventLog {
public:
    virtual ~LinkEventLog() = default;
    virtual void RefreshAlarmEvents() = 0;           // "AlarmEvent.am" was rewritten
};

} // namespace ostrel
