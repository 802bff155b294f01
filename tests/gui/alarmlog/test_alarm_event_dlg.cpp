// The "Event" list offscreen over a saved log in memory: its rows in report style and the moment
// a double-click plays. The whole-program run against dvrsim fetches a log with the list button
// and plays an event from it; the player's tests pin the play requests.
#include "alarmlog/alarm_event_dlg.h"
#include "fakes/gui_fixture.h"

#include <QItemSelectionModel>
#include <QPushButton>

using namespace ostrel;
using namespace ostrel::test;

TEST(AlarmEventDlg, ListsTheSavedLogInReportStyleAndADoubleClickPlaysARow)
{
    // Records: channel, events, year - 1996, month, day, hour, minute, second, and two spare bytes.
    // Which records are listed and which can be played is the log's test.
    const Bytes log = {3,  0x28, 9,  6,  30, 14, 5,  9,  0, 0, // 2005
                       0,  0x00, 28, 5,  10, 8,  0,  0,  0, 0, // channel 0: listed, plays nothing
                       16, 0x81, 28, 5,  17, 7,  59, 59, 0, 0, // 2024
                       5,  0x20, 64, 5,  14, 3,  12, 7,  0, 0}; // 2060: listed, plays nothing
    FakeFileStore files;
    files.files["AlarmEvent.am"] = log;
    std::vector<std::pair<uint32_t, int>> plays;
    CAlarmEventDlg dlg(files, [&plays](uint32_t t, int n) { plays.emplace_back(t, n); }, true);
    dlg.show();
    EXPECT_TRUE(dlg.isModal());
    ASSERT_EQ(4, dlg.List()->model()->rowCount());
    const char* const expected[3][3] = {
        {"CH3", " Alarm 0 -> 1 No Loss -> Loss", "[ 2005/06/30 ] 14:05:09"},
        {"CH0", "No Event", "[ 2024/05/10 ] 08:00:00"},
        {"CH16", " Normal Close Motion -> NoEvent", "[ 2024/05/17 ] 07:59:59"},
    };
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(expected[r][c], dlg.List()->model()->index(r, c).data().toString().toStdString()) << r << "," << c;

    // A double-click plays the row's moment on its channel, 0-based.
    for (int nRow = 0; nRow < 4; ++nRow)
        DoubleClickRow(dlg.List(), nRow);
    // 9 << 26 | 6 << 22 | 30 << 17 | 14 << 12 | 5 << 6 | 9 and 28 << 26 | 5 << 22 | 17 << 17 | 7 << 12 | 59 << 6 | 59
    EXPECT_EQ((std::vector<std::pair<uint32_t, int>>{{0x25BCE149u, 2}, {0x71627EFBu, 15}}), plays);
    EXPECT_EQ(3, dlg.List()->selectionModel()->selectedIndexes().size()) << "a click selects the whole row";
    QTest::mouseClick(dlg.OkButton(), Qt::LeftButton);
    EXPECT_EQ(QDialog::Accepted, dlg.result());
}
