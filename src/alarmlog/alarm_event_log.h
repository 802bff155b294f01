#pragma once

#include "link/link_archive.h"
#include "platform/file_store.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ostrel {

// One listed record of the recorder's event log. The texts of its three columns are made when
// asked for, so a log of 100,000 records is read without making 300,000 strings.
struct AlarmEventRow {
    uint32_t nRecord = 0;        // index of the record in the file, 0-based
    uint8_t byChannel = 0;       // as stored: 1-based, 0 is listed but cannot be played
    uint8_t byEvents = 0;        // transition bits
    uint8_t byYear = 0;          // year - 1996
    uint8_t byMonth = 0;
    uint8_t byDay = 0;
    uint8_t byHour = 0;
    uint8_t byMinute = 0;
    uint8_t bySecond = 0;
    uint32_t dwPackedTime = 0;   // the packed event time of the moment (wraps past 2059)
    bool bTimePackable = false;  // the year fits the packed time's six bits (1996..2059)

    std::string ChannelText() const;  // "CH%d"
    std::string TypeText() const;     // the transition texts, or "No Event"
    std::string DateTimeText() const; // "[ yyyy/mm/dd ] hh:mm:ss"
    // The same moment, channel and events.
    bool SameEvent(const AlarmEventRow& other) const;
};

// The recorder's event log as the link saved it ("AlarmEvent.am"): 10-byte records, no header.
// Record: channel, events, year - 1996, month, day, hour, minute, second, two bytes not read.
// A record with any field outside its range is not listed; bytes that do not fill a last
// record are ignored. The file is untrusted: it is read with a size bound and every field is
// checked before it is used.
class AlarmEventLog {
public:
    static constexpr size_t kRecordBytes = 10;
    // Records beyond this many are not read: a recorder's log holds some thousands, and each
    // listed record becomes a row in a window.
    static constexpr size_t kMaxRecords = 100000;
    static constexpr size_t kMaxFileBytes = kMaxRecords * kRecordBytes;
    static constexpr const char* kNoEventText = "No Event";

    // The rows of the listable records among the whole records of the bytes, in file order.
    static std::vector<AlarmEventRow> Parse(const uint8_t* pData, size_t nBytes);
    // The file's rows; none when it is missing or unreadable. At most kMaxFileBytes are read.
    static std::vector<AlarmEventRow> Load(FileStore& rFiles, const std::string& strPath = kAlarmEventFile);

    // The texts of the set bits from bit 7 down to bit 0, each with its leading blank; "No
    // Event" for 0.
    static std::string EventText(uint8_t byEvents);

    // The 0-based channel to play for the channel column's text ("CH" and a decimal number,
    // kept to 8 bits), or -1 when it names no channel 1..16.
    static int PlayChannelOf(const std::string& strChannelText);
};

} // namespace ostrel
