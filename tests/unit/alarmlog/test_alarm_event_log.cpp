// The saved event log "AlarmEvent.am" read as the list shows it: hand-written records, their
// texts and playable times, and every way a record or a file is out of bounds. The list's
// columns and what a double-click plays are the dialog's tests; the size cap the hostile files'.
#include "alarmlog/alarm_event_log.h"

#include "fakes/fake_file_store.h"

#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <string>
#include <vector>

using namespace ostrel;
using namespace ostrel::test;

// channel, events, year - 1996, month, day, hour, minute, second, and two bytes not read.
static std::vector<uint8_t> Records(std::initializer_list<std::array<uint8_t, 8>> records)
{
    std::vector<uint8_t> all;
    for (const auto& r : records) {
        all.insert(all.end(), r.begin(), r.end());
        all.insert(all.end(), {0xA5, 0x5A});
    }
    return all;
}

TEST(AlarmEventLog, RecordsPastAnyFieldsBoundOrCutShortAreSkippedAndTheOthersKeepFileOrder)
{
    // Zero and the largest value each of channel, year, month, day, hour, minute and second may
    // hold pass; one more does not.
    for (const auto& [nField, byMost] : {std::pair<size_t, uint8_t>{0, 16}, {2, 100}, {3, 12}, {4, 31}, {5, 24}, {6, 59}, {7, 59}}) {
        std::vector<uint8_t> log = Records({{1, 1, 28, 5, 10, 8, 0, 0}, {1, 1, 28, 5, 10, 8, 0, 0}, {1, 1, 28, 5, 10, 8, 0, 0}});
        log[nField] = 0;
        log[10 + nField] = byMost;
        log[20 + nField] = static_cast<uint8_t>(byMost + 1);
        const std::vector<AlarmEventRow> rows = AlarmEventLog::Parse(log.data(), log.size());
        ASSERT_EQ(2u, rows.size()) << "field " << nField;
        EXPECT_EQ(1u, rows[1].nRecord) << "field " << nField;
    }
    // Six bits of year in the packed time: 2059 is the last year a double-click can play.
    const std::vector<uint8_t> log = Records({{1, 0xFF, 63, 12, 31, 23, 59, 59}, {2, 0, 64, 1, 1, 0, 0, 0}});
    const std::vector<AlarmEventRow> rows = AlarmEventLog::Parse(log.data(), 29);
    ASSERT_EQ(2u, rows.size()) << "the half record is not read";
    EXPECT_EQ(0xFF3F7EFBu, rows[0].dwPackedTime); // 63 << 26 | 12 << 22 | 31 << 17 | 23 << 12 | 59 << 6 | 59
    EXPECT_TRUE(rows[0].bTimePackable);
    // Every event bit, from 7 down to 0.
    EXPECT_EQ(" Normal Close Normal Open Alarm 0 -> 1 Alarm 1 -> 0 No Loss -> Loss Loss -> No Loss"
              " NoEvent -> Motion Motion -> NoEvent", rows[0].TypeText());
    EXPECT_EQ("[ 2060/01/01 ] 00:00:00", rows[1].DateTimeText());
    EXPECT_FALSE(rows[1].bTimePackable) << "listed, but not playable";
    EXPECT_EQ("No Event", rows[1].TypeText());
    EXPECT_TRUE(AlarmEventLog::Parse(log.data(), 9).empty());
    EXPECT_TRUE(AlarmEventLog::Parse(nullptr, 30).empty());

    FakeFileStore files;
    files.files["AlarmEvent.am"] = log;
    EXPECT_EQ(2u, AlarmEventLog::Load(files).size());
    files.failedReads["AlarmEvent.am"] = EACCES;
    EXPECT_TRUE(AlarmEventLog::Load(files).empty());
}
