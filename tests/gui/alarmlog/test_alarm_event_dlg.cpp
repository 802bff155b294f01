// The "Event" list offscreen over a saved log in memory, opened from the archive dialog with
// the real link on a fake socket and a fake clock: its rows and columns, the log request, the
// reply that fills it, and the play request a double-click sends.
#include "alarmlog/alarm_event_dlg.h"

#include "archive/archive_dlg.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_file_store.h"
#include "fakes/fake_socket.h"
#include "fakes/memory_settings_store.h"
#include "fakes/packet_maker.h"
#include "fakes/recording_notifier.h"
#include "res/resource.h"
#include "widgets/skin_button.h"

#include <QApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

using namespace ostrel;
using namespace ostrel::test;
using namespace ostrel::wire;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Record(uint8_t byChannel, uint8_t byEvents, uint8_t byYear, uint8_t byMonth, uint8_t byDay, uint8_t byHour,
             uint8_t byMinute, uint8_t bySecond)
{
    return {byChannel, byEvents, byYear, byMonth, byDay, byHour, byMinute, bySecond, 0, 0};
}

Bytes Join(std::initializer_list<Bytes> records)
{
    Bytes all;
    for (const Bytes& r : records)
        all.insert(all.end(), r.begin(), r.end());
    return all;
}

Bytes Request(uint16_t wDataType, std::initializer_list<uint32_t> params, char cMinor = '2')
{
    return RequestBytes(wDataType, params, cMinor);
}

std::string Cell(const CAlarmEventDlg& dlg, int nRow, int nColumn)
{
    const QTableWidgetItem* pItem = dlg.List()->item(nRow, nColumn);
    return pItem ? pItem->text().toStdString() : "<none>";
}

// Press, release, double-click, release, as the window system delivers a double-click; sent
// straight to the list, so no earlier click of the test can pair with the first press.
void DoubleClickRow(CAlarmEventDlg& dlg, int nRow)
{
    QTableWidget* pList = dlg.List();
    pList->scrollToItem(pList->item(nRow, 1));
    const QPointF pt = pList->visualRect(pList->model()->index(nRow, 1)).center();
    const QPointF ptGlobal = pList->viewport()->mapToGlobal(pt);
    const auto send = [&](QEvent::Type type, Qt::MouseButtons buttons) {
        QMouseEvent event(type, pt, ptGlobal, Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(pList->viewport(), &event);
    };
    send(QEvent::MouseButtonPress, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, Qt::NoButton);
    send(QEvent::MouseButtonDblClick, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, Qt::NoButton);
    QCoreApplication::processEvents();
}

struct PlayCall {
    uint32_t dwPackedTime;
    int nChannel;
    bool operator==(const PlayCall&) const = default;
};

// The archive dialog on a logged-in session, and the "Event" list opened from it the way the
// program does: its double-click plays in the archive, the link's refresh reloads it.
class AlarmEventDlgTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Version 1 recorders speak in seconds values of local time; in UTC they are worked out by hand.
        ::setenv("TZ", "UTC", 1);
        ::tzset();
        settings.texts["Host IPAddress"] = "127.0.0.1";
        settings.ints["Host Port"] = 8000;
        sockets.pClock = &clock;
        clock.SetLocalNow(LocalDateTime{2024, 5, 20, 9, 15, 0});
        pSession = std::make_unique<CRecorderSession>(
            SessionServices{timers, sockets, files, notifier, settings, {"/nonexistent", "/nonexistent"}, "."});
        pSession->Load();
        pArchive = std::make_unique<CArchiveDlg>(*pSession, ArchiveServices(clock, timers, files));
        pArchive->Create();
        QObject::connect(pArchive.get(), &CArchiveDlg::AlarmEventsRequested, [this](bool bFileExisted) {
            opened.push_back(bFileExisted);
            pEvents = std::make_unique<CAlarmEventDlg>(
                files, [this](uint32_t t, int n) { pArchive->Player().PlayEventAt(t, n); }, bFileExisted);
            pEvents->show();
        });
        QObject::connect(pArchive.get(), &CArchiveDlg::AlarmEventsRefreshed, [this] {
            if (pEvents)
                pEvents->LoadList();
        });
    }
    void TearDown() override
    {
        pEvents.reset();
        pArchive.reset();
        pSession.reset();
    }

    // Logged in to a recorder speaking "DVR PACKET1.<minor>", the archive open, and its
    // recorded range 2024-05-10 08:00:00 .. 2024-05-17 08:00:00 known.
    void LogInAndOpen(char cMinor)
    {
        ASSERT_TRUE(pSession->Connect());
        sockets.Last()->CompleteConnect(true);
        const std::string magic = std::string("DVR PACKET1.") + cMinor;
        sockets.Last()->Deliver(MakePacket(DATATYPE_LOGIN_REPLY, {1, 16}, {}, magic));
        clock.Advance(700);
        pSession->OpenArchive();
        if (cMinor == '0')
            sockets.Last()->Deliver(MakePacket(DATATYPE_DVR_STATUS2_REPLY, {0, 0, 1715328000u, 1715932800u}, {}, magic));
        else
            sockets.Last()->Deliver(MakePacket(DATATYPE_DVR_STATUS2_REPLY,
                                               {0, 0, 2024u << 16 | 5u << 8 | 10u, 8u << 24, 2024u << 16 | 5u << 8 | 17u,
                                                8u << 24},
                                               {}, magic));
    }
    void Click(int nControlId)
    {
        CSkinButton* pButton = pArchive->SkinButton(nControlId);
        ASSERT_NE(nullptr, pButton) << nControlId;
        QTest::mouseClick(pButton, Qt::LeftButton, {}, QPoint(pButton->width() / 2, pButton->height() / 2));
        QCoreApplication::processEvents();
    }
    size_t Mark() const { return sockets.allSent.size(); }
    std::vector<Bytes> SentSince(size_t nFrom) const
    {
        return {sockets.allSent.begin() + static_cast<std::ptrdiff_t>(nFrom), sockets.allSent.end()};
    }

    FakeClock clock;
    FakeTimerFactory timers{clock};
    FakeSocketFactory sockets;
    FakeFileStore files;
    RecordingNotifier notifier;
    MemorySettingsStore settings;
    std::unique_ptr<CRecorderSession> pSession;
    std::unique_ptr<CArchiveDlg> pArchive;
    std::unique_ptr<CAlarmEventDlg> pEvents;
    std::vector<bool> opened;
};

} // namespace

TEST(AlarmEventDlg, ListsTheSavedLogInReportStyle)
{
    FakeFileStore files;
    files.files["AlarmEvent.am"] = Join({Record(3, 0x28, 9, 6, 30, 14, 5, 9), Record(4, 0x02, 28, 13, 1, 0, 0, 0),
                                         Record(0, 0x00, 28, 5, 10, 8, 0, 0), Record(16, 0x81, 28, 5, 17, 7, 59, 59)});
    std::vector<PlayCall> plays;
    CAlarmEventDlg dlg(files, [&plays](uint32_t t, int n) { plays.push_back({t, n}); }, true);
    dlg.show();
    EXPECT_EQ("Event", dlg.windowTitle().toStdString());
    EXPECT_TRUE(dlg.isModal());
    EXPECT_EQ(dlg.List(), dlg.findChild<QTableWidget*>(QString::number(1064)));
    EXPECT_EQ(dlg.OkButton(), dlg.findChild<QPushButton*>(QString::number(1065)));
    EXPECT_EQ("OK", dlg.OkButton()->text().toStdString());

    QTableWidget* pList = dlg.List();
    ASSERT_EQ(3, pList->columnCount());
    const char* const headers[] = {"Channel", "Alarm Type", "Date/Time"};
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(headers[c], pList->horizontalHeaderItem(c)->text().toStdString());
        EXPECT_EQ(Qt::AlignCenter, pList->horizontalHeader()->defaultAlignment() & Qt::AlignCenter);
    }
    EXPECT_TRUE(pList->showGrid());
    EXPECT_EQ(QAbstractItemView::SelectRows, pList->selectionBehavior());

    // The month-13 record is left out; the rows keep file order.
    ASSERT_EQ(3, pList->rowCount());
    const std::vector<std::vector<std::string>> expected = {
        {"CH3", " Alarm 0 -> 1 No Loss -> Loss", "[ 2005/06/30 ] 14:05:09"},
        {"CH0", "No Event", "[ 2024/05/10 ] 08:00:00"},
        {"CH16", " Normal Close Motion -> NoEvent", "[ 2024/05/17 ] 07:59:59"},
    };
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(expected[static_cast<size_t>(r)][static_cast<size_t>(c)], Cell(dlg, r, c)) << r << "," << c;
            EXPECT_EQ(Qt::AlignCenter, pList->item(r, c)->textAlignment() & Qt::AlignCenter);
        }

    // A click on a row selects all of it.
    QTest::mouseClick(pList->viewport(), Qt::LeftButton, {}, pList->visualRect(pList->model()->index(1, 0)).center());
    EXPECT_EQ(3, pList->selectedItems().size());

    // A double-click plays the row's moment on its channel, 0-based; CH0 plays nothing.
    for (int nRow : {0, 1, 2})
        DoubleClickRow(dlg, nRow);
    // 9 << 26 | 6 << 22 | 30 << 17 | 14 << 12 | 5 << 6 | 9 and 28 << 26 | 5 << 22 | 17 << 17 | 7 << 12 | 59 << 6 | 59
    EXPECT_EQ((std::vector<PlayCall>{{0x25BCE149u, 2}, {0x71627EFBu, 15}}), plays);

    QTest::mouseClick(dlg.OkButton(), Qt::LeftButton);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(QDialog::Accepted, dlg.result());
}

TEST(AlarmEventDlg, ColumnsShareTheListWidthLessSixInTwentieths)
{
    // 506 - 6 = 500: twentieths of 25.
    EXPECT_EQ((std::array<int, 3>{100, 175, 225}), CAlarmEventDlg::ColumnWidths(506));
    // 119 - 6 = 113: twentieths of 5, the rest unused.
    EXPECT_EQ((std::array<int, 3>{20, 35, 45}), CAlarmEventDlg::ColumnWidths(119));
    EXPECT_EQ((std::array<int, 3>{0, 0, 0}), CAlarmEventDlg::ColumnWidths(25));

    FakeFileStore files;
    CAlarmEventDlg dlg(files, {}, false);
    const int w = dlg.List()->width() - 6;
    ASSERT_GT(w, 300) << "the list covers most of the dialog";
    EXPECT_EQ(w / 20 * 4, dlg.List()->columnWidth(0));
    EXPECT_EQ(w / 20 * 7, dlg.List()->columnWidth(1));
    EXPECT_EQ(w / 20 * 9, dlg.List()->columnWidth(2));
}

TEST(AlarmEventDlg, AFileThatWasNotThereWhenAskedIsShownOnlyOnTheReload)
{
    FakeFileStore files;
    files.files["AlarmEvent.am"] = Record(2, 0x02, 28, 5, 10, 8, 0, 0);
    CAlarmEventDlg dlg(files, {}, false);
    EXPECT_EQ(0, dlg.List()->rowCount());
    dlg.LoadList();
    EXPECT_EQ(1, dlg.List()->rowCount());
    files.files.erase("AlarmEvent.am");
    dlg.LoadList();
    EXPECT_EQ(0, dlg.List()->rowCount()) << "a file gone empties the list";
}

// The operator's place survives a refresh: the recorder dropped its ten oldest records and
// logged ten new ones, and the picked record is still on the same line of the view.
TEST(AlarmEventDlg, RefreshKeepsTheSelectedRecordWhereItWas)
{
    const auto log = [](int nFirst, int nCount) {
        Bytes all;
        for (int i = nFirst; i < nFirst + nCount; ++i) {
            const Bytes r = Record(static_cast<uint8_t>(1 + i % 16), 0x02, 28, 5, static_cast<uint8_t>(10 + i / 60 / 24),
                                   static_cast<uint8_t>(i / 60 % 24), static_cast<uint8_t>(i % 60), 0);
            all.insert(all.end(), r.begin(), r.end());
        }
        return all;
    };
    FakeFileStore files;
    files.files["AlarmEvent.am"] = log(0, 200);
    CAlarmEventDlg dlg(files, {}, true);
    dlg.show();
    QTableWidget* pList = dlg.List();
    pList->selectRow(150);
    pList->verticalScrollBar()->setValue(140);
    ASSERT_EQ(140, pList->verticalScrollBar()->value());

    files.files["AlarmEvent.am"] = log(10, 200);
    dlg.LoadList();
    ASSERT_EQ(200, pList->rowCount());
    ASSERT_EQ(3, pList->selectedItems().size());
    EXPECT_EQ(140, pList->selectedItems().first()->row());
    EXPECT_EQ("[ 2024/05/10 ] 02:30:00", Cell(dlg, 140, 2)) << "record 150 of the first log";
    EXPECT_EQ(130, pList->verticalScrollBar()->value()) << "the record stays on the same line of the view";

    // Unchanged log: nothing moves.
    dlg.LoadList();
    EXPECT_EQ(140, pList->selectedItems().first()->row());
    EXPECT_EQ(130, pList->verticalScrollBar()->value());

    // The record is gone: nothing selected, the view where it was.
    files.files["AlarmEvent.am"] = log(160, 200);
    dlg.LoadList();
    EXPECT_TRUE(pList->selectedItems().isEmpty());
    EXPECT_EQ(130, pList->verticalScrollBar()->value());
}

TEST_F(AlarmEventDlgTest, TheListButtonAsksForTheLogAndTheReplyFillsTheOpenList)
{
    LogInAndOpen('2');
    size_t n = Mark();
    Click(IDC_EVENT_LIST);
    EXPECT_EQ(std::vector<Bytes>{Request(0x1041, {1})}, SentSince(n));
    ASSERT_EQ(std::vector<bool>{false}, opened);
    ASSERT_TRUE(pEvents);
    EXPECT_EQ(0, pEvents->List()->rowCount());

    const Bytes log = Join({Record(7, 0x20, 28, 5, 14, 3, 12, 7), Record(2, 0x08, 28, 5, 15, 22, 0, 30)});
    sockets.Last()->Deliver(MakePacket(DATATYPE_EVENT_LOG, {}, log));
    EXPECT_EQ(log, files.files["AlarmEvent.am"]);
    ASSERT_EQ(2, pEvents->List()->rowCount());
    EXPECT_EQ("CH7", Cell(*pEvents, 0, 0));
    EXPECT_EQ("[ 2024/05/15 ] 22:00:30", Cell(*pEvents, 1, 2));

    // The next time the saved log is there at once.
    pEvents->close();
    Click(IDC_EVENT_LIST);
    EXPECT_EQ((std::vector<bool>{false, true}), opened);
    EXPECT_EQ(2, pEvents->List()->rowCount());
}

// Version 2 plays from date and time words; the archive in single view turns to the event's
// channel. Records it cannot play send nothing.
TEST_F(AlarmEventDlgTest, DoubleClickPlaysTheEventOnItsChannelWithDateAndTimeWords)
{
    LogInAndOpen('2');
    files.files["AlarmEvent.am"] = Join({Record(7, 0x20, 28, 5, 14, 3, 12, 7), Record(0, 0x20, 28, 5, 14, 3, 12, 7),
                                         Record(3, 0x20, 64, 5, 14, 3, 12, 7), Record(3, 0x20, 100, 5, 14, 3, 12, 7)});
    Click(IDC_SINGLE_VIEW);
    Click(IDC_EVENT_LIST);
    ASSERT_TRUE(pEvents);
    ASSERT_EQ(4, pEvents->List()->rowCount());

    size_t n = Mark();
    for (int nRow : {1, 2, 3})
        DoubleClickRow(*pEvents, nRow);
    EXPECT_TRUE(SentSince(n).empty()) << "channel 0, and years 2060 and 2096, play nothing";

    DoubleClickRow(*pEvents, 0);
    // P0 the channel (7), P1 the date word, P2 the time word, P3 start forward at speed 1.
    EXPECT_EQ(std::vector<Bytes>{Request(0x1015, {7, 2024u << 16 | 5u << 8 | 14u, 3u << 24 | 12u << 16 | 7u << 8, 0x10100})},
              SentSince(n));
    EXPECT_EQ("2024/05/14  03:12:07", pArchive->Player().RequestText());
    EXPECT_EQ(6, pArchive->Player().Tiles().SelChannel());
}

// Version 1 plays from seconds values: the event's moment and the recorded range's end.
TEST_F(AlarmEventDlgTest, DoubleClickOnAVersionOneRecorderSendsSecondsValues)
{
    LogInAndOpen('0');
    files.files["AlarmEvent.am"] = Record(12, 0x02, 28, 5, 14, 3, 12, 7);
    Click(IDC_EVENT_LIST);
    ASSERT_TRUE(pEvents);
    const size_t n = Mark();
    DoubleClickRow(*pEvents, 0);
    // 2024-05-14 00:00:00 UTC is 1715644800; plus 3:12:07 is 1715656327. The range ends at
    // 2024-05-17 08:00:00, 1715932800. Multi view: P0 = 0, every channel.
    EXPECT_EQ(std::vector<Bytes>{Request(0x1015, {0, 1715656327u, 1715932800u, 0x10100}, '0')}, SentSince(n));
}
