// The reader of "AlarmEvent.am" on any bytes, against the record format worked out here: which
// records are listed, and the texts of their columns. A real log is up to 8 MiB: run it with
// -max_len=8388608 (scripts/fuzz does); the reader lists the first 100,000 records of any size.
#include "fuzz_support.h"

#include "alarmlog/alarm_event_log.h"

#include <algorithm>
#include <cstdio>
#include <string>

using namespace ostrel;

namespace {

// The event column of a record, from its transition bits: bit 7 first, each text after a blank.
std::string ExpectedType(uint8_t byEvents)
{
    static const char* const kTexts[8] = {"Normal Close", "Normal Open", "Alarm 0 -> 1", "Alarm 1 -> 0",
                                          "No Loss -> Loss", "Loss -> No Loss", "NoEvent -> Motion",
                                          "Motion -> NoEvent"};
    if (byEvents == 0)
        return "No Event";
    std::string strType;
    for (int nBit = 7; nBit >= 0; --nBit)
        if (byEvents >> nBit & 1)
            strType += std::string(" ") + kTexts[7 - nBit];
    return strType;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    const std::vector<AlarmEventRow> rows = AlarmEventLog::Parse(pData, nSize);

    size_t nRow = 0;
    const size_t nRecords = std::min<size_t>(nSize / 10, 100000);
    for (size_t i = 0; i < nRecords; ++i) {
        const uint8_t* r = pData + i * 10;
        // channel 0..16, year offset 0..100, month 0..12, day 0..31, hour 0..24, minute and second 0..59
        const bool bListed = r[0] <= 16 && r[2] <= 100 && r[3] <= 12 && r[4] <= 31 && r[5] <= 24 && r[6] <= 59
                             && r[7] <= 59;
        if (!bListed)
            continue;
        FUZZ_CHECK(nRow < rows.size());
        const AlarmEventRow& row = rows[nRow++];
        FUZZ_CHECK(row.nRecord == i);
        FUZZ_CHECK(row.byChannel == r[0] && row.byEvents == r[1]);
        FUZZ_CHECK(row.ChannelText() == "CH" + std::to_string(r[0]));
        char text[64];
        std::snprintf(text, sizeof text, "[ %d/%02d/%02d ] %02d:%02d:%02d", 1996 + r[2], r[3], r[4], r[5], r[6], r[7]);
        FUZZ_CHECK(row.DateTimeText() == text);
        FUZZ_CHECK(row.bTimePackable == (r[2] <= 63));
        FUZZ_CHECK(row.TypeText() == ExpectedType(r[1]));
        FUZZ_CHECK(AlarmEventLog::PlayChannelOf(row.ChannelText()) == (r[0] >= 1 ? r[0] - 1 : -1));
    }
    FUZZ_CHECK(nRow == rows.size());

    // Any text in the channel column: a channel 0..15 or -1, never past the text.
    const std::string strText(reinterpret_cast<const char*>(pData), nSize < 40 ? nSize : 40);
    const int nChannel = AlarmEventLog::PlayChannelOf(strText);
    FUZZ_CHECK(nChannel >= -1 && nChannel < 16);
    return 0;
}
