#include "platform/clock.h"
#include "models/status_text.h"

#include <gtest/gtest.h>

using namespace ostrel;

TEST(StatusText, ConnectionStates)
{
    EXPECT_EQ("WAITING FOR CONNECTION.", status_text::ConnectStatus(0, 0, 0));
    EXPECT_EQ("CONNECTION FAIL:", status_text::ConnectStatus(5, 0, 0));
    EXPECT_EQ("TRY REQUEST IMAGE 2", status_text::ConnectStatus(6, 2, 0));
    EXPECT_EQ("[CH 2] [Alarm:1 Loss:0 Motion:1]", status_text::ConnectStatus(7, 0, 0x01000102));
    EXPECT_EQ("[CH 4] [Alarm:255 Loss:255 Motion:255]", status_text::ConnectStatus(7, 0, 0xFFFFFF04));
    EXPECT_EQ("", status_text::ConnectStatus(8, 0, 0));
}

TEST(StatusText, ClockReadsTwelveHoursTheRecordersWay)
{
    struct Row {
        int nHour, nMinute, nSecond;
        const char* pszText;
    } rows[] = {
        {12, 5, 9, "AM 12 : 05 : 09"},
        {0, 0, 0, "AM 00 : 00 : 00"},
        {23, 59, 59, "PM 11 : 59 : 59"},
        {13, 0, 0, "PM 01 : 00 : 00"},
    };
    for (const Row& row : rows) {
        LocalDateTime t;
        t.nHour = row.nHour;
        t.nMinute = row.nMinute;
        t.nSecond = row.nSecond;
        EXPECT_EQ(row.pszText, status_text::Time(t));
    }
    LocalDateTime date;
    date.nYear = 2005;
    date.nMonth = 6;
    date.nDay = 30;
    EXPECT_EQ("2005 / 6 / 30", status_text::Date(date));
}

TEST(StatusText, PositionsAndPtzChannel)
{
    EXPECT_EQ("R-POS : 000.0000%", status_text::RecordPosition(0));
    EXPECT_EQ("P-POS : 100.0000%", status_text::PlayPosition(1000000));
    EXPECT_EQ("R-POS : 012.3456%", status_text::RecordPosition(123456));
    EXPECT_EQ("R-POS : 429496.7295%", status_text::RecordPosition(0xFFFFFFFF));
    EXPECT_EQ("016", status_text::PtzChannel(15));
    EXPECT_EQ("001", status_text::PtzChannel(0));
}

TEST(StatusText, ArchiveTexts)
{
    EXPECT_EQ("2026/12/06  14:05:09", status_text::ArchiveDateTime(2026, 12, 6, 14, 5, 9));
    EXPECT_EQ("000.0000%", status_text::ArchivePosition(0));
    EXPECT_EQ("012.3456%", status_text::ArchivePosition(123456));
    EXPECT_EQ("100.0000%", status_text::ArchivePosition(1000000));
    EXPECT_EQ("00:00:00", status_text::TimeOfDay(0));
    EXPECT_EQ("23:59:59", status_text::TimeOfDay(86399));
    EXPECT_EQ("[CH16][Alarm:255 Loss:0 Motion:1]", status_text::ArchiveConnectStatus(7, 0, 0xFF000110u));
    EXPECT_EQ("         ", status_text::ArchiveConnectStatus(0, 0, 0));
    EXPECT_EQ("         ", status_text::ArchiveConnectStatus(3, 0, 0));
}
