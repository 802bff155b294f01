// The texts of the live view's and the archive's status lines, written out by hand.
#include "models/status_text.h"
#include "platform/clock.h"

#include <gtest/gtest.h>

#include <utility>

using namespace ostrel;

TEST(StatusText, TextsOfTheLiveViewAndTheArchive)
{
    const auto time = [](int nHour, int nMinute, int nSecond) {
        LocalDateTime t;
        t.nHour = nHour;
        t.nMinute = nMinute;
        t.nSecond = nSecond;
        return status_text::Time(t);
    };
    LocalDateTime date;
    date.nYear = 2005;
    date.nMonth = 6;
    date.nDay = 30;
    const std::pair<std::string, std::string> rows[] = {
        {status_text::ConnectStatus(0, 0, 0), "WAITING FOR CONNECTION."},
        {status_text::ConnectStatus(5, 0, 0), "CONNECTION FAIL:"},
        {status_text::ConnectStatus(6, 2, 0), "TRY REQUEST IMAGE 2"},
        {status_text::ConnectStatus(7, 0, 0x01000102), "[CH 2] [Alarm:1 Loss:0 Motion:1]"},
        {status_text::ConnectStatus(7, 0, 0xFFFFFF04), "[CH 4] [Alarm:255 Loss:255 Motion:255]"},
        {status_text::ConnectStatus(8, 0, 0), ""},
        {time(12, 5, 9), "AM 12 : 05 : 09"}, // twelve hours, the recorder's way
        {time(0, 0, 0), "AM 00 : 00 : 00"},
        {time(13, 0, 0), "PM 01 : 00 : 00"},
        {time(23, 59, 59), "PM 11 : 59 : 59"},
        {status_text::Date(date), "2005 / 6 / 30"},
        {status_text::RecordPosition(123456), "R-POS : 012.3456%"},
        {status_text::PlayPosition(1000000), "P-POS : 100.0000%"},
        {status_text::RecordPosition(0xFFFFFFFF), "R-POS : 429496.7295%"},
        {status_text::PtzChannel(0), "001"},
        {status_text::PtzChannel(15), "016"},
        {status_text::ArchiveDateTime(2026, 12, 6, 14, 5, 9), "2026/12/06  14:05:09"},
        {status_text::ArchivePosition(0), "000.0000%"},
        {status_text::TimeOfDay(86399), "23:59:59"},
        {status_text::ArchiveConnectStatus(7, 0, 0xFF000110u), "[CH16][Alarm:255 Loss:0 Motion:1]"},
        {status_text::ArchiveConnectStatus(3, 0, 0), "         "},
    };
    for (const auto& [strGot, strExpected] : rows)
        EXPECT_EQ(strExpected, strGot);
}
