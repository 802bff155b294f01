// The saved event log "AlarmEvent.am" read as the list shows it: hand-written records, their
// texts and packed times worked out by hand, and every way a record or a file is out of bounds.
#include "alarmlog/alarm_event_log.h"

#include "fakes/fake_file_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <string>
#include <vector>

using namespace ostrel;
using namespace ostrel::test;

namespace {

using Bytes = std::vector<uint8_t>;

// channel, events, year - 1996, month, day, hour, minute, second, and two bytes not read.
Bytes Records(std::initializer_list<std::array<uint8_t, 8>> records)
{
    Bytes all;
    for (const auto& r : records) {
        all.insert(all.end(), r.begin(), r.end());
        all.insert(all.end(), {0xA5, 0x5A});
    }
    return all;
}

std::vector<AlarmEventRow> Parse(const Bytes& bytes, size_t nBytes = SIZE_MAX)
{
    return AlarmEventLog::Parse(bytes.data(), std::min(nBytes, bytes.size()));
}

std::vector<size_t> RecordsOf(const std::vector<AlarmEventRow>& rows)
{
    std::vector<size_t> indexes;
    for (const AlarmEventRow& row : rows)
        indexes.push_back(row.nRecord);
    return indexes;
}

} // namespace

// The packed time holds six bits of year: 1996 + 63 = 2059 is the last year it can carry.
TEST(AlarmEventLog, ColumnsAndPackedTimesOfRecords)
{
    // 0x28: bit 5 (alarm on) and bit 3 (video lost).
    const std::vector<AlarmEventRow> rows = Parse(Records({{3, 0x28, 9, 6, 30, 14, 5, 9}, {1, 1, 63, 12, 31, 23, 59, 59},
                                                           {16, 0, 64, 1, 1, 0, 0, 0}, {0, 1, 100, 5, 10, 24, 0, 0}}));
    ASSERT_EQ(4u, rows.size());
    EXPECT_EQ("CH3", rows[0].strChannel);
    EXPECT_EQ(" Alarm 0 -> 1 No Loss -> Loss", rows[0].strType);
    EXPECT_EQ("[ 2005/06/30 ] 14:05:09", rows[0].strDateTime);
    EXPECT_EQ(0x25BCE149u, rows[0].dwPackedTime); // 9 << 26 | 6 << 22 | 30 << 17 | 14 << 12 | 5 << 6 | 9
    EXPECT_TRUE(rows[0].bTimePackable);
    EXPECT_EQ("[ 2059/12/31 ] 23:59:59", rows[1].strDateTime);
    EXPECT_EQ(0xFF3F7EFBu, rows[1].dwPackedTime); // 63 << 26 | 12 << 22 | 31 << 17 | 23 << 12 | 59 << 6 | 59
    EXPECT_TRUE(rows[1].bTimePackable);
    EXPECT_EQ("[ 2060/01/01 ] 00:00:00", rows[2].strDateTime);
    EXPECT_FALSE(rows[2].bTimePackable) << "listed, but not playable";
    EXPECT_EQ("CH16", rows[2].strChannel);
    EXPECT_EQ("No Event", rows[2].strType);
    EXPECT_EQ("[ 2096/05/10 ] 24:00:00", rows[3].strDateTime) << "hour 24 as stored";
    EXPECT_EQ("CH0", rows[3].strChannel);
    EXPECT_FALSE(rows[3].bTimePackable);
}

TEST(AlarmEventLog, EventsByteJoinsItsBitsFromSevenDownToZero)
{
    const std::pair<uint8_t, const char*> rows[] = {
        {0x80, " Normal Close"}, {0x40, " Normal Open"}, {0x10, " Alarm 1 -> 0"}, {0x04, " Loss -> No Loss"},
        {0x02, " NoEvent -> Motion"}, {0x01, " Motion -> NoEvent"}, {0x81, " Normal Close Motion -> NoEvent"},
        {0xFF, " Normal Close Normal Open Alarm 0 -> 1 Alarm 1 -> 0 No Loss -> Loss Loss -> No Loss"
               " NoEvent -> Motion Motion -> NoEvent"},
    };
    for (const auto& [byEvents, pszText] : rows)
        EXPECT_EQ(pszText, AlarmEventLog::EventText(byEvents)) << int{byEvents};
}

TEST(AlarmEventLog, RecordsPastAnyFieldsBoundOrCutShortAreSkippedAndTheOthersKeepFileOrder)
{
    // Zero and the largest value each of channel, year, month, day, hour, minute and second may hold.
    const std::pair<size_t, uint8_t> bounds[] = {{0, 16}, {2, 100}, {3, 12}, {4, 31}, {5, 24}, {6, 59}, {7, 59}};
    for (const auto& [nField, byMost] : bounds) {
        Bytes log = Records({{1, 1, 28, 5, 10, 8, 0, 0}, {1, 1, 28, 5, 10, 8, 0, 0}, {1, 1, 28, 5, 10, 8, 0, 0}});
        log[nField] = 0;
        log[10 + nField] = byMost;
        log[20 + nField] = static_cast<uint8_t>(byMost + 1);
        EXPECT_EQ((std::vector<size_t>{0, 1}), RecordsOf(Parse(log))) << "field " << nField;
    }
    EXPECT_TRUE(Parse(Bytes(10, 0xFF)).empty());

    const Bytes three = Records({{1, 2, 28, 5, 10, 8, 0, 0}, {2, 2, 28, 13, 10, 8, 0, 0}, {4, 0x20, 28, 5, 10, 7, 0, 0}});
    const std::vector<AlarmEventRow> rows = Parse(three);
    EXPECT_EQ((std::vector<size_t>{0, 2}), RecordsOf(rows));
    EXPECT_EQ("CH4", rows.at(1).strChannel) << "earlier in time, but later in the file";
    EXPECT_EQ((std::vector<size_t>{0}), RecordsOf(Parse(three, 29))) << "only whole records";
    EXPECT_TRUE(Parse(three, 9).empty());
    EXPECT_TRUE(AlarmEventLog::Parse(nullptr, 30).empty());
}

TEST(AlarmEventLog, TheChannelTextNamesAZeroBasedChannelOneToSixteen)
{
    const std::pair<const char*, int> rows[] = {
        {"CH1", 0}, {"CH7", 6}, {"CH16", 15}, {"CH0", -1}, {"CH17", -1}, {"CH", -1}, {"ch3", -1}, {"", -1},
        {"CH272", 15}, // kept to 8 bits: 272 - 256
    };
    for (const auto& [pszText, nChannel] : rows)
        EXPECT_EQ(nChannel, AlarmEventLog::PlayChannelOf(pszText)) << '"' << pszText << '"';
}

TEST(AlarmEventLog, MissingEmptyUnreadableAndOversizedFiles)
{
    FakeFileStore files;
    EXPECT_TRUE(AlarmEventLog::Load(files).empty()) << "no file";
    files.files["AlarmEvent.am"] = {};
    EXPECT_TRUE(AlarmEventLog::Load(files).empty()) << "empty file";
    files.failedReads["AlarmEvent.am"] = EACCES;
    EXPECT_TRUE(AlarmEventLog::Load(files).empty()) << "unreadable file";
    files.failedReads.clear();

    // 100,005 valid records: only the first 100,000 (1,000,000 bytes) are read.
    Bytes& big = files.files["AlarmEvent.am"];
    for (size_t i = 0; i < 100005; ++i) {
        const Bytes r = Records({{static_cast<uint8_t>(1 + i % 16), 2, 28, 5, 10, 8, static_cast<uint8_t>(i % 60), 0}});
        big.insert(big.end(), r.begin(), r.end());
    }
    const std::vector<AlarmEventRow> rows = AlarmEventLog::Load(files);
    ASSERT_EQ(100000u, rows.size());
    EXPECT_EQ(99999u, rows.back().nRecord);
    EXPECT_EQ("CH16", rows.back().strChannel); // 1 + 99999 mod 16

    files.files["other.am"] = Records({{5, 0, 0, 1, 1, 0, 0, 0}});
    const std::vector<AlarmEventRow> other = AlarmEventLog::Load(files, "other.am");
    ASSERT_EQ(1u, other.size());
    EXPECT_EQ("[ 1996/01/01 ] 00:00:00", other[0].strDateTime);
}
