#pragma once

// The windows over a recorder session whose real link runs on a fake socket and a fake clock:
// the recorder at 127.0.0.1:8000, the local time 2026-12-06 12:05:08, the folders in a scratch
// folder of the test's own.
#include "archive/archive_dlg.h"
#include "fakes/camera_look.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_file_store.h"
#include "fakes/fake_folder_opener.h"
#include "fakes/fake_printer.h"
#include "fakes/fake_socket.h"
#include "fakes/memory_settings_store.h"
#include "fakes/packet_maker.h"
#include "fakes/recording_notifier.h"
#include "fakes/test_pictures.h"
#include "res/resource.h"
#include "session/recorder_session.h"
#include "shell/ostrel_view.h"
#include "widgets/skin_button.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ostrel::test {

using Bytes = std::vector<uint8_t>;

// Clicks a control in its middle and runs the commands the click posted.
inline void ClickMiddle(QWidget* pControl)
{
    ASSERT_NE(nullptr, pControl);
    QTest::mouseClick(pControl, Qt::LeftButton, {}, pControl->rect().center());
    QCoreApplication::processEvents();
}

// Press, release, double-click, release, as the window system delivers a double-click; sent
// straight to the list, so no earlier click can pair with the first press.
inline void DoubleClickRow(QTableView* pList, int nRow)
{
    pList->scrollTo(pList->model()->index(nRow, 1));
    const QPointF pt = pList->visualRect(pList->model()->index(nRow, 1)).center();
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
                              QEvent::MouseButtonRelease}) {
        const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, pt, pList->viewport()->mapToGlobal(pt), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(pList->viewport(), &event);
    }
    QCoreApplication::processEvents();
}

class SessionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        settings.texts["Host IPAddress"] = "127.0.0.1";
        settings.ints["Host Port"] = 8000;
        sockets.pClock = &clock;
        clock.SetLocalNow(LocalDateTime{2026, 12, 6, 12, 5, 8});
    }
    void TearDown() override { Close(); }
    void Close() // the windows go before the session they hold
    {
        pView.reset();
        pDlg.reset();
        pSession.reset();
    }
    std::string Dir() const { return m_dir.path().toStdString(); }

    CRecorderSession& NewSession()
    {
        Close();
        pSession = std::make_unique<CRecorderSession>(
            SessionServices{timers, sockets, files, notifier, settings, {Dir(), Dir()}, Dir()});
        return *pSession;
    }
    COstrelView& MakeView(DisplayMode* pDisplay = nullptr)
    {
        NewSession();
        pView = std::make_unique<COstrelView>(*pSession, ViewServices{clock, timers, pDisplay}, nullptr);
        pView->OnInitialUpdate();
        return *pView;
    }
    // The archive dialog over a new session with loaded settings, its files in pFiles when given.
    CArchiveDlg& MakeArchive(FileStore* pFiles = nullptr, const std::function<void(ArchiveServices&)>& fnAdjust = {})
    {
        NewSession().Load();
        ArchiveServices services(clock, timers, pFiles ? *pFiles : files);
        services.pFolders = &folders;
        services.pPrinter = &printer;
        services.pNotifier = &notifier;
        if (fnAdjust)
            fnAdjust(services);
        pDlg = std::make_unique<CArchiveDlg>(*pSession, services);
        pDlg->Create();
        return *pDlg;
    }

    // The connection stands and the recorder accepts the login with these values.
    void AcceptLogin(wire::ParamBlock reply = {1, 16}, std::string_view magic = wire::kMagicV12)
    {
        sockets.Last()->CompleteConnect(true);
        sockets.Last()->Deliver(MakePacket(wire::DATATYPE_LOGIN_REPLY, reply, {}, magic));
        clock.Advance(700);
    }
    // Logged in to a recorder whose range is 2024-05-10 08:00:00 .. 2024-05-17 08:00:00, and the
    // archive opened as the view's button does.
    void LogInAndOpenArchive()
    {
        ASSERT_TRUE(pSession->Connect());
        AcceptLogin({1, 16, 2024u << 16 | 5u << 8 | 10u, 8u << 24, 2024u << 16 | 5u << 8 | 17u, 8u << 24});
        pSession->OpenArchive();
    }
    size_t Mark() const { return sockets.allSent.size(); } // for SentSince
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
    FakeFolderOpener folders;
    FakePrinter printer;
    std::unique_ptr<CRecorderSession> pSession;
    std::unique_ptr<COstrelView> pView;
    std::unique_ptr<CArchiveDlg> pDlg;

private:
    QTemporaryDir m_dir;
};

} // namespace ostrel::test
