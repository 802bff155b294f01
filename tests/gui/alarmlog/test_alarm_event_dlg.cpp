// The "Event" list offscreen over a saved log in memory, and opened from the archive dialog with
// the real link on a fake socket and a fake clock: its rows, the log request, the reply that
// fills it, and the play request a double-click sends.
#include "alarmlog/alarm_event_dlg.h"
#include "fakes/gui_fixture.h"

#include <QPushButton>

#include <cstdlib>
#include <ctime>

using namespace ostrel;
using namespace ostrel::test;
using namespace ostrel::wire;

namespace {

// Records of the saved log: channel, events, year - 1996, month, day, hour, minute, second.
Bytes Log(std::initializer_list<std::array<uint8_t, 8>> records)
{
    Bytes all;
    for (const auto& r : records) {
        all.insert(all.end(), r.begin(), r.end());
        all.insert(all.end(), {0, 0});
    }
    return all;
}

std::string Cell(const CAlarmEventDlg& dlg, int nRow, int nColumn)
{
    const QTableWidgetItem* pItem = dlg.List()->item(nRow, nColumn);
    return pItem ? pItem->text().toStdString() : "<none>";
}

// The archive dialog on a logged-in session, and the "Event" list opened from it the way the
// program does: its double-click plays in the archive, the link's refresh reloads it.
class AlarmEventDlgTest : public SessionTest {
protected:
    void SetUp() override
    {
        // Version 1 recorders speak in seconds values of local time; in UTC they are worked out by hand.
        ::setenv("TZ", "UTC", 1);
        ::tzset();
        SessionTest::SetUp();
    }
    void TearDown() override
    {
        pEvents.reset();
        SessionTest::TearDown();
    }
    // Logged in to a recorder speaking "DVR PACKET1.<minor>", the archive open, and its recorded
    // range 2024-05-10 08:00:00 .. 2024-05-17 08:00:00 known (as seconds values for version 1).
    void LogInAndOpen(char cMinor)
    {
        MakeArchive();
        QObject::connect(pDlg.get(), &CArchiveDlg::AlarmEventsRequested, [this](bool bFileExisted) {
            opened.push_back(bFileExisted);
            pEvents = std::make_unique<CAlarmEventDlg>(
                files, [this](uint32_t t, int n) { pDlg->Player().PlayEventAt(t, n); }, bFileExisted);
            pEvents->show();
        });
        QObject::connect(pDlg.get(), &CArchiveDlg::AlarmEventsRefreshed, [this] {
            if (pEvents)
                pEvents->LoadList();
        });
        ASSERT_TRUE(pSession->Connect());
        const std::string magic = std::string("DVR PACKET1.") + cMinor;
        AcceptLogin({1, 16}, magic);
        pSession->OpenArchive();
        const ParamBlock range = cMinor == '0' ? ParamBlock{0, 0, 1715328000u, 1715932800u}
                                               : ParamBlock{0, 0, 2024u << 16 | 5u << 8 | 10u, 8u << 24,
                                                            2024u << 16 | 5u << 8 | 17u, 8u << 24};
        sockets.Last()->Deliver(MakePacket(DATATYPE_DVR_STATUS2_REPLY, range, {}, magic));
    }
    void Click(int nControlId) { ClickMiddle(pDlg->SkinButton(nControlId)); }

    std::unique_ptr<CAlarmEventDlg> pEvents;
    std::vector<bool> opened;
};

} // namespace

TEST(AlarmEventDlg, ListsTheSavedLogInReportStyleAndADoubleClickPlaysARow)
{
    FakeFileStore files;
    files.files["AlarmEvent.am"] = Log({{3, 0x28, 9, 6, 30, 14, 5, 9}, {4, 0x02, 28, 13, 1, 0, 0, 0},
                                        {0, 0x00, 28, 5, 10, 8, 0, 0}, {16, 0x81, 28, 5, 17, 7, 59, 59}});
    std::vector<std::pair<uint32_t, int>> plays;
    CAlarmEventDlg dlg(files, [&plays](uint32_t t, int n) { plays.emplace_back(t, n); }, true);
    dlg.show();
    EXPECT_TRUE(dlg.isModal());
    // The month-13 record is left out; the rows keep file order.
    ASSERT_EQ(3, dlg.List()->rowCount());
    const char* const expected[3][3] = {
        {"CH3", " Alarm 0 -> 1 No Loss -> Loss", "[ 2005/06/30 ] 14:05:09"},
        {"CH0", "No Event", "[ 2024/05/10 ] 08:00:00"},
        {"CH16", " Normal Close Motion -> NoEvent", "[ 2024/05/17 ] 07:59:59"},
    };
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(expected[r][c], Cell(dlg, r, c)) << r << "," << c;

    // A double-click plays the row's moment on its channel, 0-based; CH0 plays nothing.
    for (int nRow : {0, 1, 2})
        DoubleClickRow(dlg.List(), nRow);
    // 9 << 26 | 6 << 22 | 30 << 17 | 14 << 12 | 5 << 6 | 9 and 28 << 26 | 5 << 22 | 17 << 17 | 7 << 12 | 59 << 6 | 59
    EXPECT_EQ((std::vector<std::pair<uint32_t, int>>{{0x25BCE149u, 2}, {0x71627EFBu, 15}}), plays);
    EXPECT_EQ(3, dlg.List()->selectedItems().size()) << "a click selects the whole row";
    QTest::mouseClick(dlg.OkButton(), Qt::LeftButton);
    EXPECT_EQ(QDialog::Accepted, dlg.result());
}

TEST_F(AlarmEventDlgTest, TheListButtonAsksForTheLogAndTheReplyFillsTheOpenList)
{
    LogInAndOpen('2');
    const size_t n = Mark();
    Click(IDC_EVENT_LIST);
    EXPECT_EQ(std::vector<Bytes>{RequestBytes(0x1041, {1})}, SentSince(n));
    ASSERT_EQ(std::vector<bool>{false}, opened);
    EXPECT_EQ(0, pEvents->List()->rowCount());

    const Bytes log = Log({{7, 0x20, 28, 5, 14, 3, 12, 7}, {2, 0x08, 28, 5, 15, 22, 0, 30}});
    sockets.Last()->Deliver(MakePacket(DATATYPE_EVENT_LOG, {}, log));
    EXPECT_EQ(log, files.files["AlarmEvent.am"]);
    ASSERT_EQ(2, pEvents->List()->rowCount());
    EXPECT_EQ("[ 2024/05/15 ] 22:00:30", Cell(*pEvents, 1, 2));
    pEvents->close();
    Click(IDC_EVENT_LIST);
    EXPECT_EQ((std::vector<bool>{false, true}), opened) << "the next time the saved log is there at once";
    EXPECT_EQ(2, pEvents->List()->rowCount());
}

// Version 2 plays from date and time words and the archive in single view turns to the event's
// channel; version 1 sends seconds values. Records it cannot play send nothing.
TEST_F(AlarmEventDlgTest, DoubleClickPlaysTheEventOnItsChannelInTheRecordersTerms)
{
    LogInAndOpen('2');
    files.files["AlarmEvent.am"] = Log({{7, 0x20, 28, 5, 14, 3, 12, 7}, {0, 0x20, 28, 5, 14, 3, 12, 7},
                                        {3, 0x20, 64, 5, 14, 3, 12, 7}, {3, 0x20, 100, 5, 14, 3, 12, 7}});
    Click(IDC_SINGLE_VIEW);
    Click(IDC_EVENT_LIST);
    ASSERT_EQ(4, pEvents->List()->rowCount());
    size_t n = Mark();
    for (int nRow : {1, 2, 3})
        DoubleClickRow(pEvents->List(), nRow);
    EXPECT_TRUE(SentSince(n).empty()) << "channel 0, and years 2060 and 2096, play nothing";
    DoubleClickRow(pEvents->List(), 0);
    // P0 the channel (7), P1 the date word, P2 the time word, P3 start forward at speed 1.
    EXPECT_EQ(std::vector<Bytes>{RequestBytes(0x1015, {7, 2024u << 16 | 5u << 8 | 14u, 3u << 24 | 12u << 16 | 7u << 8, 0x10100})},
              SentSince(n));
    EXPECT_EQ("2024/05/14  03:12:07", pDlg->Player().RequestText());
    EXPECT_EQ(6, pDlg->Player().Tiles().SelChannel());

    pEvents.reset();
    LogInAndOpen('0');
    files.files["AlarmEvent.am"] = Log({{12, 0x02, 28, 5, 14, 3, 12, 7}});
    Click(IDC_EVENT_LIST);
    ASSERT_TRUE(pEvents);
    n = Mark();
    DoubleClickRow(pEvents->List(), 0);
    // 2024-05-14 00:00:00 UTC is 1715644800; plus 3:12:07 is 1715656327. The range ends at
    // 2024-05-17 08:00:00, 1715932800. Multi view: P0 = 0, every channel.
    EXPECT_EQ(std::vector<Bytes>{RequestBytes(0x1015, {0, 1715656327u, 1715932800u, 0x10100}, '0')}, SentSince(n));
}
