// The saved event log read as the list shows it: hand-written records, their texts and packed
// times worked out by hand, and every way a record or a file can be out of bounds.
#include "alarmlog/alarm_event_log.h"

#include "fakes/fake_file_store.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

using namespace ostrel;
using namespace ostrel::test;

namespace {

using Bytes = std::vector<uint8_t>;

// channel, events, year - 1996, month, day, hour, minute, second, and two bytes not read.
Bytes Record(uint8_t byChannel, uint8_t byEvents, uint8_t byYear, uint8_t byMonth, uint8_t byDay, uint8_t byHour,
             uint8_t byMinute, uint8_t bySecond)
{
    return {byChannel, byEvents, byYear, byMonth, byDay, byHour, byMinute, bySecond, 0xA5, 0x5A};
}

Bytes Join(std::initializer_list<Bytes> records)
{
    Bytes all;
    for (const Bytes& r : records)
        all.insert(all.end(), r.begin(), r.end());
    return all;
}

std::vector<AlarmEventRow> Parse(const Bytes& bytes)
{
    return AlarmEventLog::Parse(bytes.data(), bytes.size());
}

std::vector<size_t> RecordsOf(const std::vector<AlarmEventRow>& rows)
{
    std::vector<size_t> indexes;
    for (const AlarmEventRow& row : rows)
        indexes.push_back(row.nRecord);
    return indexes;
}

} // namespace

TEST(AlarmEventLogTexts, OneRecordGivesItsThreeColumnsAndItsPackedTime)
{
    // 0x28: bit 5 (alarm on) and bit 3 (video lost); year byte 9 is 2005.
    const std::vector<AlarmEventRow> rows = Parse(Record(3, 0x28, 9, 6, 30, 14, 5, 9));
    ASSERT_EQ(1u, rows.size());
    EXPECT_EQ("CH3", rows[0].strChannel);
    EXPECT_EQ(" Alarm 0 -> 1 No Loss -> Loss", rows[0].strType);
    EXPECT_EQ("[ 2005/06/30 ] 14:05:09", rows[0].strDateTime);
    // 9 << 26 | 6 << 22 | 30 << 17 | 14 << 12 | 5 << 6 | 9
    EXPECT_EQ(0x25BCE149u, rows[0].dwPackedTime);
    EXPECT_TRUE(rows[0].bTimePackable);
    EXPECT_EQ(3, rows[0].byChannel);
    EXPECT_EQ(0u, rows[0].nRecord);
}

TEST(AlarmEventLogTexts, EventsByteJoinsItsBitsFromSevenDownToZero)
{
    EXPECT_EQ("No Event", AlarmEventLog::EventText(0x00));
    EXPECT_EQ(" Normal Close", AlarmEventLog::EventText(0x80));
    EXPECT_EQ(" Normal Open", AlarmEventLog::EventText(0x40));
    EXPECT_EQ(" Alarm 1 -> 0", AlarmEventLog::EventText(0x10));
    EXPECT_EQ(" Loss -> No Loss", AlarmEventLog::EventText(0x04));
    EXPECT_EQ(" NoEvent -> Motion", AlarmEventLog::EventText(0x02));
    EXPECT_EQ(" Motion -> NoEvent", AlarmEventLog::EventText(0x01));
    EXPECT_EQ(" Normal Close Motion -> NoEvent", AlarmEventLog::EventText(0x81));
    EXPECT_EQ(" Normal Close Normal Open Alarm 0 -> 1 Alarm 1 -> 0 No Loss -> Loss Loss -> No Loss"
              " NoEvent -> Motion Motion -> NoEvent",
              AlarmEventLog::EventText(0xFF));
}

TEST(AlarmEventLogRecords, EveryFieldAtItsBoundIsListedAndPastItIsSkipped)
{
    struct Case {
        const char* pszName;
        Bytes record;
        bool bListed;
    };
    const Case cases[] = {
        {"channel 16", Record(16, 1, 28, 5, 10, 8, 0, 0), true},
        {"channel 17", Record(17, 1, 28, 5, 10, 8, 0, 0), false},
        {"channel 0", Record(0, 1, 28, 5, 10, 8, 0, 0), true},
        {"year byte 100", Record(1, 1, 100, 5, 10, 8, 0, 0), true},
        {"year byte 101", Record(1, 1, 101, 5, 10, 8, 0, 0), false},
        {"month 12", Record(1, 1, 28, 12, 10, 8, 0, 0), true},
        {"month 13", Record(1, 1, 28, 13, 10, 8, 0, 0), false},
        {"month 0", Record(1, 1, 28, 0, 10, 8, 0, 0), true},
        {"day 31", Record(1, 1, 28, 5, 31, 8, 0, 0), true},
        {"day 32", Record(1, 1, 28, 5, 32, 8, 0, 0), false},
        {"day 0", Record(1, 1, 28, 5, 0, 8, 0, 0), true},
        {"hour 24", Record(1, 1, 28, 5, 10, 24, 0, 0), true},
        {"hour 25", Record(1, 1, 28, 5, 10, 25, 0, 0), false},
        {"minute 59", Record(1, 1, 28, 5, 10, 8, 59, 0), true},
        {"minute 60", Record(1, 1, 28, 5, 10, 8, 60, 0), false},
        {"second 59", Record(1, 1, 28, 5, 10, 8, 0, 59), true},
        {"second 60", Record(1, 1, 28, 5, 10, 8, 0, 60), false},
        {"every byte 255", Bytes(10, 0xFF), false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.bListed ? 1u : 0u, Parse(c.record).size()) << c.pszName;

    // Hour 24 is listed as stored.
    EXPECT_EQ("[ 2024/05/10 ] 24:00:00", Parse(Record(1, 1, 28, 5, 10, 24, 0, 0)).at(0).strDateTime);
    EXPECT_EQ("CH0", Parse(Record(0, 1, 28, 5, 10, 8, 0, 0)).at(0).strChannel);
}

TEST(AlarmEventLogRecords, SkippedRecordsLeaveTheOthersInFileOrder)
{
    const Bytes log = Join({Record(1, 0x02, 28, 5, 10, 8, 0, 0), Record(2, 0x02, 28, 13, 10, 8, 0, 0),
                            Record(3, 0x01, 28, 5, 10, 8, 0, 1), Record(4, 0x20, 28, 5, 10, 7, 0, 0)});
    const std::vector<AlarmEventRow> rows = Parse(log);
    EXPECT_EQ((std::vector<size_t>{0, 2, 3}), RecordsOf(rows));
    ASSERT_EQ(3u, rows.size());
    EXPECT_EQ("CH3", rows[1].strChannel);
    EXPECT_EQ("CH4", rows[2].strChannel); // earlier in time, but later in the file
}

TEST(AlarmEventLogRecords, OnlyWholeRecordsAreRead)
{
    const Bytes three = Join({Record(1, 1, 28, 5, 10, 8, 0, 0), Record(2, 1, 28, 5, 10, 8, 0, 0),
                              Record(3, 1, 28, 5, 10, 8, 0, 0)});
    EXPECT_EQ((std::vector<size_t>{0, 1}), RecordsOf(AlarmEventLog::Parse(three.data(), 25)));
    EXPECT_EQ((std::vector<size_t>{0, 1}), RecordsOf(AlarmEventLog::Parse(three.data(), 29)));
    EXPECT_EQ(3u, AlarmEventLog::Parse(three.data(), 30).size());
    EXPECT_TRUE(AlarmEventLog::Parse(three.data(), 9).empty());
    EXPECT_TRUE(AlarmEventLog::Parse(three.data(), 0).empty());
    EXPECT_TRUE(AlarmEventLog::Parse(nullptr, 30).empty());
}

// The packed time holds six bits of year: 1996 + 63 = 2059 is the last year it can carry.
TEST(AlarmEventLogRecords, YearsPastThePackedTimeAreListedButNotPlayable)
{
    const std::vector<AlarmEventRow> rows =
        Parse(Join({Record(1, 1, 63, 12, 31, 23, 59, 59), Record(1, 1, 64, 1, 1, 0, 0, 0), Record(1, 1, 100, 1, 1, 0, 0, 0)}));
    ASSERT_EQ(3u, rows.size());
    EXPECT_EQ("[ 2059/12/31 ] 23:59:59", rows[0].strDateTime);
    EXPECT_TRUE(rows[0].bTimePackable);
    // 63 << 26 | 12 << 22 | 31 << 17 | 23 << 12 | 59 << 6 | 59
    EXPECT_EQ(0xFF3F7EFBu, rows[0].dwPackedTime);
    EXPECT_EQ("[ 2060/01/01 ] 00:00:00", rows[1].strDateTime);
    EXPECT_FALSE(rows[1].bTimePackable);
    EXPECT_EQ("[ 2096/01/01 ] 00:00:00", rows[2].strDateTime);
    EXPECT_FALSE(rows[2].bTimePackable);
}

TEST(AlarmEventLogChannel, TheChannelTextNamesAZeroBasedChannelOneToSixteen)
{
    EXPECT_EQ(0, AlarmEventLog::PlayChannelOf("CH1"));
    EXPECT_EQ(6, AlarmEventLog::PlayChannelOf("CH7"));
    EXPECT_EQ(15, AlarmEventLog::PlayChannelOf("CH16"));
    EXPECT_EQ(-1, AlarmEventLog::PlayChannelOf("CH0"));
    EXPECT_EQ(-1, AlarmEventLog::PlayChannelOf("CH17"));
    EXPECT_EQ(15, AlarmEventLog::PlayChannelOf("CH272")); // kept to 8 bits: 272 - 256
    EXPECT_EQ(-1, AlarmEventLog::PlayChannelOf("CH"));
    EXPECT_EQ(-1, AlarmEventLog::PlayChannelOf("ch3"));
    EXPECT_EQ(-1, AlarmEventLog::PlayChannelOf(""));
}

TEST(AlarmEventLogFile, MissingEmptyAndOversizedFiles)
{
    FakeFileStore files;
    EXPECT_TRUE(AlarmEventLog::Load(files).empty()) << "no file";

    files.files["AlarmEvent.am"] = {};
    EXPECT_TRUE(AlarmEventLog::Load(files).empty()) << "empty file";

    files.failedReads["AlarmEvent.am"] = 13; // EACCES
    EXPECT_TRUE(AlarmEventLog::Load(files).empty()) << "unreadable file";
    files.failedReads.clear();

    // 100,005 valid records: only the first 100,000 (1,000,000 bytes) are read.
    Bytes big;
    const size_t nRecords = 100005;
    big.reserve(nRecords * 10);
    for (size_t i = 0; i < nRecords; ++i) {
        const Bytes r = Record(static_cast<uint8_t>(1 + i % 16), 0x02, 28, 5, 10, 8, static_cast<uint8_t>(i % 60), 0);
        big.insert(big.end(), r.begin(), r.end());
    }
    files.files["AlarmEvent.am"] = big;
    const std::vector<AlarmEventRow> rows = AlarmEventLog::Load(files);
    ASSERT_EQ(100000u, rows.size());
    EXPECT_EQ(99999u, rows.back().nRecord);
    EXPECT_EQ("CH16", rows.back().strChannel); // 1 + 99999 mod 16

    // Another name in the current folder is read when asked for.
    files.files["other.am"] = Record(5, 0, 0, 1, 1, 0, 0, 0);
    const std::vector<AlarmEventRow> other = AlarmEventLog::Load(files, "other.am");
    ASSERT_EQ(1u, other.size());
    EXPECT_EQ("No Event", other[0].strType);
    EXPECT_EQ("[ 1996/01/01 ] 00:00:00", other[0].strDateTime);
}
