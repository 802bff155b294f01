// The archive dialog offscreen, with the real link on a fake socket and a fake clock: what the
// operator clicks and types, what goes on the wire, what lands in which tile, and the snapshot
// (on a full disk too), printout and AVI backup made of it.
#include "fakes/fake_ui_poster.h"
#include "fakes/gui_fixture.h"
#include "fakes/hostile_files.h"
#include "widgets/calendar_ctrl.h"
#include "widgets/overlay_font.h"
#include "widgets/skin_slider.h"

#include <QDialog>
#include <QKeyEvent>
#include <QPainter>
#include <QProcess>
#include <QTimer>

#include <cstring>

using namespace ostrel;
using namespace ostrel::test;
using namespace ostrel::wire;

namespace {

class ArchiveDlgTest : public SessionTest {
protected:
    void SetUp() override
    {
        SessionTest::SetUp();
        MakeArchive();
        LogInAndOpenArchive();
    }
    void Click(int nControlId) { ClickMiddle(pDlg->SkinButton(nControlId)); }
    // A play picture of the camera at 2024-05-10 08:00:<second>.
    void DeliverPlayPicture(int nChannel, int nSecond)
    {
        const uint32_t dwA = static_cast<uint32_t>(nChannel + 1) << 24 | 2024u << 8 | 5u;
        const uint32_t dwB = 10u << 24 | 8u << 16 | static_cast<uint32_t>(nSecond);
        sockets.Last()->Deliver(MakePacket(DATATYPE_PLAY_IMAGE, {dwA, dwB, 0, 1, 5000},
                                           ostrel::testing::CameraJpeg(nChannel, nChannel % 2 == 1)));
    }
    int CameraIn(int nChannel)
    {
        const CellRect& rc = pDlg->Player().Tiles().Tile(nChannel);
        return IdentifyCamera(pDlg->BackStore().copy(rc.nLeft, rc.nTop, rc.Width(), rc.Height()),
                              ostrel::testing::TestMomentMs());
    }
    bool Lit(int nControlId) { return pDlg->SkinButton(nControlId)->GetCheck(); }
};

// Pixels of ink a text drawn unclipped into a box of that size, with room all around, puts
// inside the box and outside it.
std::pair<int, int> Ink(const QString& text, const QSize& box, int nFlags)
{
    QImage image(box + QSize(80, 80), QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    const QRect rc(QPoint(40, 40), box);
    painter.setFont(OverlayFont());
    painter.setPen(QColor(0, 255, 0));
    painter.drawText(rc, nFlags | Qt::TextDontClip, text);
    painter.end();
    std::pair<int, int> ink;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            (rc.contains(x, y) ? ink.first : ink.second) += image.pixel(x, y) != qRgb(0, 0, 0);
    return ink;
}

bool AnyRed(const QImage& image, const QRect& rc)
{
    for (int y = rc.top(); y <= rc.bottom(); ++y)
        for (int x = rc.left(); x <= rc.right(); ++x)
            if (const QRgb rgb = image.rect().contains(x, y) ? image.pixel(x, y) : 0;
                qRed(rgb) > 150 && qGreen(rgb) < 110 && qBlue(rgb) < 110)
                return true;
    return false;
}

} // namespace

TEST_F(ArchiveDlgTest, ArchiveButtonShowsTheRangeStartAndForwardPlaysIntoTheRightTiles)
{
    clock.Advance(20); // the next screen refresh
    EXPECT_TRUE(pDlg->isVisible());
    EXPECT_EQ((CalendarDate{2024, 5, 10}), pDlg->Calendar()->GetSelectedDate());
    EXPECT_EQ(8 * 3600, pDlg->Slider()->GetPos());
    EXPECT_EQ("2024/05/17  08:00:00", pDlg->Player().EndText());

    // Space held down from stopped, its repeats unmarked: a release and a press with one time
    // stamp read apart, then a press alone (the X server's detectable repeat). One play start.
    size_t n = Mark();
    const std::pair<QEvent::Type, int> held[] = {
        {QEvent::KeyPress, 100}, {QEvent::KeyRelease, 760}, {QEvent::KeyPress, 760}, {QEvent::KeyPress, 800},
        {QEvent::KeyRelease, 900}};
    for (const auto& [type, nStamp] : held) {
        QKeyEvent event(type, Qt::Key_Space, Qt::NoModifier);
        event.setTimestamp(static_cast<quint64>(nStamp));
        QCoreApplication::sendEvent(pDlg.get(), &event);
        QCoreApplication::processEvents();
    }
    EXPECT_EQ((std::vector<Bytes>{RequestBytes(0x1015, {0, 0x07E8050A, 0x08000000, 0x00010100}), RequestBytes(0x1061, {})}),
              SentSince(n));
    EXPECT_EQ("SEARCHING", pDlg->Player().StatusLine());
    EXPECT_FALSE(pDlg->Slider()->isEnabled());

    for (int nChannel : {0, 5, 15})
        DeliverPlayPicture(nChannel, 5);
    clock.Advance(20);
    EXPECT_EQ("         ", pDlg->Player().StatusLine()) << "the first picture ends the search";
    EXPECT_EQ("08:00:05", pDlg->TimeText());
    EXPECT_EQ(8 * 3600 + 5, pDlg->Slider()->GetPos());
    EXPECT_EQ(3u, pDlg->PicturesDrawn());
    for (int nChannel : {0, 5, 15})
        EXPECT_EQ(nChannel, CameraIn(nChannel));

    // Two by two, then channel 14: channels 1, 14, 15 and 16, the wrapped one first; the
    // picture of channel 16 moves to the bottom right tile.
    Click(IDC_TILES_FEWER);
    Click(IDC_TILES_FEWER);
    Click(IDC_ARCHIVE_CHANNEL_FIRST + 13);
    for (int c = 0; c < 16; ++c)
        EXPECT_EQ(c == 0 || c >= 13, Lit(IDC_ARCHIVE_CHANNEL_FIRST + c)) << c;
    EXPECT_EQ((CellRect{383, 263, 701, 501}), pDlg->Player().Tiles().Tile(15));
    EXPECT_EQ(15, CameraIn(15));

    // Back to live stops the playback at once (the live request half a second later is the
    // player's test, the dialog hiding then the backup's and the keys').
    n = Mark();
    Click(IDC_VIEWER);
    EXPECT_EQ((std::vector<Bytes>{RequestBytes(0x1015, {0, 0x07E8050A, 0x08000000, 0}), RequestBytes(0x1061, {})}),
              SentSince(n));
}

TEST_F(ArchiveDlgTest, ACalendarDayAndASliderClickChooseTheMomentToPlay)
{
    // May 2024's page starts on Sunday 28 April: the 14th is cell 16, column 2 of row 2, whose
    // middle lies (2 + 8 + 29 * 2 + 14, 2 + 50 + 20 * 2 + 10) into the calendar. A press that
    // began above the day cells selects nothing where it ends.
    const CalendarDate before = pDlg->Calendar()->GetSelectedDate();
    QTest::mousePress(pDlg->Calendar(), Qt::LeftButton, {}, QPoint(82, 20));
    QTest::mouseRelease(pDlg->Calendar(), Qt::LeftButton, {}, QPoint(82, 102));
    EXPECT_EQ(before, pDlg->Calendar()->GetSelectedDate());
    QTest::mouseClick(pDlg->Calendar(), Qt::LeftButton, {}, QPoint(82, 102));
    // The track starts 7 pixels into the slider: x 296 is thumb x 289, 86399 * 289 / 578 s.
    QTest::mouseClick(pDlg->Slider(), Qt::LeftButton, {}, QPoint(296, 8));
    QCoreApplication::processEvents();
    EXPECT_EQ((CalendarDate{2024, 5, 14}), pDlg->Calendar()->GetSelectedDate());
    Click(IDC_FORWARD); // the request's bytes for a chosen moment are the player's test
    EXPECT_EQ("2024/05/14  11:59:59", pDlg->Player().RequestText());
}

TEST_F(ArchiveDlgTest, PrintPutsTheLabelledPlayAreaAnInchIntoThePage)
{
    ASSERT_EQ(PrintResult::Ok, pDlg->OnPrint());
    ASSERT_EQ(1u, printer.printed.size());
    const FakePrinter::Printed& page = printer.printed[0];
    EXPECT_EQ(QStringLiteral("Record Image"), page.strDocumentName);
    EXPECT_EQ(QSize(640, 480), page.image.size());
    EXPECT_EQ(QRect(600, 600, 3600, 2700), page.rcTarget) << "Letter at 600 dpi";
    // The window's labels are on the capture: CAM1 sits at window (125, 117)-(375, 147).
    EXPECT_TRUE(AnyRed(page.image, QRect(125 - 62, 117 - 22, 30, 30)));

    printer.strName.clear();
    EXPECT_EQ(PrintResult::NoPrinter, pDlg->OnPrint());
    EXPECT_EQ(std::vector<std::string>{"Ostrel: No Printer Driver is installed"}, notifier.messages);
}

TEST_F(ArchiveDlgTest, BackupRecordsWhatIsPlayedAtItsTimesAndViewerWaitsForItsFile)
{
    // The real files (MP4, the setting's third codec) in memory, reports through a fake poster.
    FakeUiPoster poster;
    CBackupFileMaker aviFiles(files);
    MakeArchive(nullptr, [&](ArchiveServices& services) {
        services.pPoster = &poster;
        services.pBackupFiles = &aviFiles;
    });
    SetText(pSession->Settings().szRecordPath, "/rec");
    pSession->Settings().byAviCodec = 2;
    LogInAndOpenArchive();
    Click(IDC_FORWARD);
    Click(IDC_AVI_RECORD);
    EXPECT_TRUE(Lit(IDC_AVI_RECORD) && pDlg->Backup()->IsRecording());
    for (int nSecond = 5; nSecond < 8; ++nSecond) {
        DeliverPlayPicture(3, nSecond);
        clock.Advance(20); // each refresh captures what was drawn
    }
    Click(IDC_STOP);
    EXPECT_FALSE(Lit(IDC_AVI_RECORD));
    // "Viewer" while the file is finished: refused with its message.
    Click(IDC_VIEWER);
    clock.Advance(1000);
    EXPECT_TRUE(pDlg->isVisible());
    EXPECT_EQ(std::vector<std::string>{"Ostrel: Saving AVI File Now.So Can Not Close This Window!"}, notifier.messages);

    pDlg->Backup()->WaitForSavingThread();
    poster.RunPending();
    EXPECT_EQ("Saving OK", pDlg->Player().StatusLine());
    // The start's capture (at 0) and one for each refresh with a new picture, named after the
    // last: the pictures came at 0, 20 and 40 ms, each refresh 16 ms after its picture.
    const Bytes& mp4 = files.files["/rec/2024-05-10 08-00-07.mp4"];
    PutBytes("backup.mp4", std::string(mp4.begin(), mp4.end()));
    QProcess probe;
    probe.start("ffprobe", {"-v", "error", "-show_entries", "stream=codec_name,width,height:frame=pts_time",
                            "-of", "default=nw=1:nk=1", "backup.mp4"});
    ASSERT_TRUE(probe.waitForFinished(30000));
    EXPECT_EQ("0.000000\n0.016000\n0.036000\n0.056000\nh264\n640\n480\n", probe.readAllStandardOutput().toStdString());
    EXPECT_EQ(std::vector<std::string>{"/rec"}, folders.opened) << "the dialog's folder opener reaches the backup";
    Click(IDC_VIEWER);
    clock.Advance(500);
    EXPECT_FALSE(pDlg->isVisible());
}

// The snapshot as an independent reader sees it; then on a full disk the old file stays.
TEST_F(ArchiveDlgTest, SnapshotIsABaselineJpegWithItsLabelsAndOnAFullDiskKeepsTheOldFile)
{
    constexpr const char* kNotSaved = "Snapshot Not Saved";
    constexpr const char* kBlank = "         ";
    clock.Advance(3621); // to tick 4321: the set-up's login took 700 ms
    clock.SetLocalNow(LocalDateTime{2026, 12, 6, 12, 5, 8});
    FakeFileStore store;
    MakeArchive(&store);
    SetText(pSession->Settings().szRecordPath, "/snaps/");
    // One snapshot with the status line blanked before, so what it shows is this one's.
    const auto snapshot = [&] {
        pDlg->Player().ShowMessage(kBlank);
        folders.opened.clear();
        return pDlg->OnSnapshot();
    };
    // The stamp is the moment the dialog was made (no play picture yet), then the tick; the clock
    // stands still, so every snapshot here goes to the same name.
    const std::string strName = "/snaps/CAM0_2026-12-06 12-05-08_04321.jpg";
    ASSERT_EQ(strName, snapshot());
    EXPECT_EQ(kBlank, pDlg->Player().StatusLine());
    EXPECT_EQ(std::vector<std::string>{"/snaps/"}, folders.opened);
    const Bytes jpeg = store.files.at(strName);
    ASSERT_EQ(0xD9, jpeg.back()) << "ends with its EOI marker";
    const QString strFile = QString::fromStdString(Dir() + "/snap.jpg");
    PutBytes(strFile.toStdString(), std::string(jpeg.begin(), jpeg.end()));
    // jpeg:colorspace 2 is YCbCr, and "None" interlace a baseline file.
    QProcess identify;
    identify.start(QStringLiteral("identify"),
                   {QStringLiteral("-format"),
                    QStringLiteral("%w %h %[channels] %[jpeg:sampling-factor] %Q %m %[interlace] %[jpeg:colorspace]"), strFile});
    ASSERT_TRUE(identify.waitForFinished(60000));
    EXPECT_EQ("640 480 srgb 2x2,1x1,1x1 80 JPEG None 2", identify.readAllStandardOutput().toStdString());
    // Red where each of CAM1..CAM16 and the stamp must be, nothing red elsewhere at the top.
    QImage picture;
    ASSERT_TRUE(picture.load(strFile));
    for (const CameraLabel& label : CameraLabels(4, 255, "2026-12-06 12-05-08", LabelPlace::Picture))
        EXPECT_TRUE(AnyRed(picture, QRect(label.rc.nLeft, label.rc.nTop, 30, label.rc.Height()))) << label.strText;
    EXPECT_FALSE(AnyRed(picture, QRect(0, 0, 230, 90)));

    // On a full disk the name keeps the old file (atomicity at every byte is the file store
    // contract's): the status line says so, no folder opens, no message box comes up.
    const Bytes old{'o', 'l', 'd'};
    store.files[strName] = old;
    store.writableFaults.nSpaceBytes = jpeg.size() - 1;
    EXPECT_EQ("", snapshot());
    EXPECT_EQ(kNotSaved, pDlg->Player().StatusLine());
    EXPECT_TRUE(folders.opened.empty());
    EXPECT_EQ(old, store.files[strName]);
    EXPECT_TRUE(notifier.messages.empty());
    store.writableFaults.nSpaceBytes = UINT64_MAX;

    Click(IDC_SINGLE_VIEW); // single view names the channel
    Click(IDC_ARCHIVE_CHANNEL_FIRST + 2);
    EXPECT_EQ("/snaps/CAM3_2026-12-06 12-05-08_04321.jpg", snapshot());
}

TEST(ArchiveDlgTexts, EveryTextFitsItsBox)
{
    const struct {
        int nWidth, nHeight, nFlags;
        std::vector<const char*> texts;
    } boxes[] = {
        {150, 20, Qt::AlignCenter | Qt::TextSingleLine,
         {"SEARCHING", "No Search Image", "Snapshot Not Saved", "Saving OK", "AVI Not Saved", "End of Play",
          "Invalid Date", "TRY RECONNECTION", "CONNECTION FAIL:", "TRY REQUEST IMAGE 255",
          "[CH16][Alarm:255 Loss:255 Motion:255]"}},
        {180, 10, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
         {"START TIME :", "END TIME :", "REQUEST TIME :", "R-POSITION:", "P-POSITION:"}},
        {190, 10, Qt::AlignCenter | Qt::TextSingleLine, {"2026/12/06  23:59:59", "100.0000%"}},
        {190, 15, Qt::AlignCenter | Qt::TextSingleLine, {"----/--/--  --:--:--"}},
    };
    for (const auto& box : boxes) {
        for (const char* pszText : box.texts) {
            const auto [nInside, nOutside] = Ink(QString::fromLatin1(pszText), QSize(box.nWidth, box.nHeight), box.nFlags);
            // Known: the tail of the Q in "REQUEST TIME :" is one pixel below its 10-pixel box.
            const int nKnown = std::string_view(pszText) == "REQUEST TIME :" ? 1 : 0;
            EXPECT_TRUE(nInside > 0 && nOutside == nKnown) << pszText << ": " << nOutside << " pixels outside";
        }
    }
}

// Each key clicks its button: a play key lights it, the others move the request time (worked
// out by hand); none acts under a modal dialog or on the keyboard's repeat; Escape goes back to live.
TEST_F(ArchiveDlgTest, EveryArchiveKeyActsAsItsButtonButNotUnderAModalDialogOrWhenRepeated)
{
    const struct {
        int nControlId;
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        const char* pszRequest;
    } steps[] = {
        {IDC_NEXT_HOUR, Qt::Key_PageUp, {}, "2024/05/10  09:00:00"},
        {IDC_FORWARD, Qt::Key_Space, {}, "2024/05/10  09:00:00"},
        {IDC_FAST_FORWARD, Qt::Key_Right, Qt::ControlModifier, "2024/05/10  09:00:00"},
        {IDC_REVERSE, Qt::Key_Space, Qt::ShiftModifier, "2024/05/10  09:00:00"},
        {IDC_FAST_REVERSE, Qt::Key_Left, Qt::ControlModifier, "2024/05/10  09:00:00"},
        {IDC_STOP, Qt::Key_Space, {}, "2024/05/10  09:00:00"},
        {IDC_PREV_HOUR, Qt::Key_PageDown, {}, "2024/05/10  08:00:00"},
        {IDC_GO_END, Qt::Key_End, {}, "2024/05/17  08:00:00"},
        {IDC_GO_START, Qt::Key_Home, {}, "2024/05/10  08:00:00"},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.nControlId);
        QTest::keyClick(pDlg.get(), step.key, step.mods);
        QCoreApplication::processEvents();
        clock.Advance(500); // the screen refresh
        EXPECT_EQ(step.pszRequest, pDlg->Player().RequestText());
        const bool bPlayKey = step.nControlId >= IDC_FAST_REVERSE && step.nControlId <= IDC_FAST_FORWARD;
        for (int nId = IDC_FAST_REVERSE; bPlayKey && nId <= IDC_FAST_FORWARD; ++nId)
            EXPECT_EQ(nId == step.nControlId, Lit(nId)) << nId;
    }
    // No key acts while a modal dialog is open.
    const size_t n = Mark();
    QDialog modal;
    modal.setModal(true);
    QTimer::singleShot(0, [this, &modal] {
        for (Qt::Key key : {Qt::Key_Space, Qt::Key_PageUp, Qt::Key_Escape})
            QTest::keyClick(pDlg.get(), key);
        QCoreApplication::processEvents();
        modal.reject();
    });
    modal.exec();
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QString(), true);
    QCoreApplication::sendEvent(pDlg.get(), &repeat);
    QCoreApplication::processEvents();
    clock.Advance(1000);
    EXPECT_TRUE(SentSince(n).empty()) << "nor does the keyboard's repeat of Space play or stop";
    EXPECT_EQ("2024/05/10  08:00:00", pDlg->Player().RequestText());
    ASSERT_TRUE(pDlg->isVisible());
    QTest::keyClick(pDlg.get(), Qt::Key_Escape);
    QCoreApplication::processEvents();
    clock.Advance(500);
    EXPECT_FALSE(pDlg->isVisible()) << "Escape went back to live";
}
