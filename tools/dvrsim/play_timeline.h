#pragma once

// Playback of the synthetic recording: where the play moment is, how it moves at the
// requested speed and direction, and which play status code a request or a step ends with.
// Times are milliseconds of seconds values (local time as the system converts it); the caller
// passes the real time that elapsed, so nothing here reads a clock.

#include "packet_builder.h"

#include <cstdint>

namespace ostrel::dvrsim {

// What a play request asks for, from its parameter block.
struct PlayRequest {
    int nChannel = -1;         // 0-based; -1 = every channel (P0 = 0)
    uint32_t dwStartA = 0;     // P1: seconds value (version 1) or date word
    uint32_t dwStartB = 0;     // P2: end of the range (version 1) or time word
    uint8_t byCommand = 0;     // bits 8-15 of P3: 1 start, 2 change, 0 stop
    uint8_t bySpeed = 1;       // bits 16-23 of P3, as sent; SpeedFactor gives the rate
    bool bReverse = false;     // bits 24-31 of P3 = 1

    static PlayRequest FromParams(const uint32_t* pParams /* P0..P3 */);
};

class CPlayTimeline {
public:
    static constexpr uint8_t kPlayCommandStop = 0;
    static constexpr uint8_t kPlayCommandStart = 1;
    static constexpr uint8_t kPlayCommandChange = 2;
    static constexpr uint8_t kFastestSpeedByte = 6; // "64X", the last scan rate the client offers
    static constexpr int kMaxSpeed = 64;

    // How many times real time a speed byte plays: normal play sends 1 and fast play the scan
    // rate index 0..6 ("1X".."64X"), so 0 and 1 play at 1 x and n >= 2 at 2^n x. Bytes above
    // 6 play at 64 x, the fastest rate.
    static int SpeedFactor(uint8_t bySpeed);

    // The moment a play request names, in seconds: version 1 takes P1 as a seconds value;
    // later versions the date word and time word. False when the words name no real moment
    // (month 13, 31 February, hour 24, ...).
    static bool DecodeStart(uint8_t byVersion, uint32_t dwStartA, uint32_t dwStartB, int64_t& nSeconds);

    void SetRange(const RecordedRange& range) { m_range = range; }
    const RecordedRange& Range() const { return m_range; }
    // A daily stretch without recording, seconds of the day [nFrom, nTo); none when equal.
    void SetDailyGap(int nFromSecond, int nToSecond);

    // Starts playing at nSeconds: 1 (images follow), PLAY_INVALID_DATE outside the recorded
    // range, PLAY_NO_IMAGE inside a gap. Only 1 starts playback.
    // bySpeed is the control word's speed byte.
    uint8_t Start(int64_t nSeconds, uint8_t bySpeed, bool bReverse);
    // New speed byte and direction from the current moment, when playing.
    void Change(uint8_t bySpeed, bool bReverse);
    void Stop() { m_bPlaying = false; }

    // Moves the moment by nRealMs x speed in the play direction, jumping over gaps. Returns 1
    // while the moment stays inside the range, PLAY_END (and stops) when it leaves it.
    uint8_t Advance(int64_t nRealMs);

    bool IsPlaying() const { return m_bPlaying; }
    bool IsReverse() const { return m_bReverse; }
    int Speed() const { return m_nSpeed; } // times real time
    int64_t MomentMs() const { return m_nMomentMs; }
    int64_t MomentSeconds() const;
    // The moment's place in the range, ten-thousandths of a percent (0..1,000,000).
    uint32_t Position() const;
    bool InGap(int64_t nSeconds) const;

private:
    RecordedRange m_range;
    int m_nGapFrom = 0;
    int m_nGapTo = 0;
    bool m_bPlaying = false;
    bool m_bReverse = false;
    int m_nSpeed = 1;          // times real time
    int64_t m_nMomentMs = 0;
};

} // namespace ostrel::dvrsim
