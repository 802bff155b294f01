#pragma once

// Everything dvrsim can be told on its command line, with defaults, and its parser.

#include "camera_feed.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace ostrel::dvrsim {

enum class SplitMode : uint8_t { None, Fixed, Random };

struct SimOptions {
    // Network and login.
    uint16_t wPort = 8000;
    QString strBind;               // empty: every address
    QString strPortFile;           // where to write the port actually bound
    std::optional<QString> user;   // unset: any user ID is accepted
    std::optional<QString> password;
    QString strMagic = QStringLiteral("DVR PACKET1.2");
    int nChannels = 16;            // 1, 4, 8 or 16; sent as the channel info
    int nModel = 0x16;             // DVR model byte of the login reply

    // Pictures.
    FeedFormat format;
    int nFps = 15;                 // live pictures per second per channel, multi-channel view
    int nSingleFps = 30;           // live pictures per second, single-channel view
    int nPlayFps = 10;             // play pictures per second per channel
    int nPrerendered = 0;          // live pictures per camera encoded once and replayed; 0: off

    // Recording.
    int nRangeDays = 7;
    std::optional<int64_t> rangeStart; // seconds values; unset: now - range days at start-up
    std::optional<int64_t> rangeEnd;   // unset: follows the clock
    int nGapFrom = 0;              // daily recording gap, seconds of the day; none when equal
    int nGapTo = 0;
    int nEventCount = 200;
    int nAlarmEverySec = 0;        // 0: no alarm notices
    bool bPtzReply = false;

    // Faults.
    int nSilenceAfter = 0;         // 0: never
    int nCloseAfter = 0;
    SplitMode split = SplitMode::None;
    int nSplitBytes = 0;           // fixed piece size, or the largest random piece
    int nSplitGapMs = 1;
    int nCoalesce = 0;             // 0 or 1: one write per packet
    int nGarbageEvery = 0;
    int nGarbageBytes = 37;
    int nWrongChannelEvery = 0;
    int nTruncateEvery = 0;
    int nOversizeEvery = 0;
    int nAlarmFloodPerSec = 0;     // alarm notices a second on top of nAlarmEverySec; 0: none
    int nEventLogFloodMs = 0;      // an unasked event log this often; 0: never
    int nTrickleByteMs = 0;        // a packet's header, then one byte this often; 0: no trickle
    uint32_t dwSeed = 1;
    // The fault plan (fault_plan.h): the faults above in turn, a close at each cycle's end.
    int nFaultCycleSec = 0;        // 0: no plan
    int nOutageAtSec = 0;          // the one long outage: not listening from here
    int nOutageSec = 0;            // for this long; 0: none
    int nDeafAtSec = 0;            // stop reading the connections open at that moment
    int nDeafSec = 0;              // for this long; 0: never

    QString strContactSheet;       // write a contact sheet PNG and exit
};

// Parses argv (argument 0 is the program). On failure returns nullopt and puts the message in
// strError; with --help puts the help text in strHelp and returns nullopt.
std::optional<SimOptions> ParseSimOptions(const QStringList& arguments, QString& strError, QString& strHelp);

// "HH:MM-HH:MM" as seconds of the day.
bool ParseDailyGap(const QString& text, int& nFrom, int& nTo);

} // namespace ostrel::dvrsim
