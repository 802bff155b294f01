// How long the user-interface thread is held at a stretch while a recorder sends an event log
// of 100,000 records every 100 ms, unasked, with the "Event" list open: the real link on a
// loopback socket, the real file store in a scratch folder, the list reloaded at each log on
// disk. Once with the logs written on the saver's thread (the program's way), once written on
// the user-interface thread, for comparison.
#include "alarmlog/alarm_event_dlg.h"
#include "common/ui_turn_meter.h"
#include "fakes/fake_link_listeners.h"
#include "fakes/packet_maker.h"
#include "fakes/recording_notifier.h"
#include "link/dvr_link.h"
#include "platform/dvr_socket.h"
#include "platform/file_store.h"
#include "platform/qt_timer_service.h"
#include "platform/qt_ui_wakeup.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

using namespace ostrel;

namespace {

constexpr size_t kRecords = 100000;
constexpr int kPeriodMs = 100;
constexpr int kSeconds = 10;

// Valid records, each a different moment, so every row is listed.
std::vector<uint8_t> EventLogPacket()
{
    std::vector<uint8_t> log(kRecords * 10, 0);
    for (size_t i = 0; i < kRecords; ++i) {
        uint8_t* p = log.data() + i * 10;
        p[0] = static_cast<uint8_t>(1 + i % 16);
        p[1] = static_cast<uint8_t>(1u << (i % 8));
        p[2] = 30; // 2026
        p[3] = static_cast<uint8_t>(1 + i % 12);
        p[4] = static_cast<uint8_t>(1 + i % 28);
        p[5] = static_cast<uint8_t>(i / 3600 % 24);
        p[6] = static_cast<uint8_t>(i / 60 % 60);
        p[7] = static_cast<uint8_t>(i % 60);
    }
    return test::MakePacket(wire::DATATYPE_EVENT_LOG, {}, log);
}

// The recorder: accepts one connection, then sends the log every kPeriodMs and drops what it
// is sent.
class FloodingPeer {
public:
    FloodingPeer() : m_packet(EventLogPacket())
    {
        m_nListen = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_nListen, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        ::listen(m_nListen, 1);
        socklen_t nLen = sizeof addr;
        ::getsockname(m_nListen, reinterpret_cast<sockaddr*>(&addr), &nLen);
        m_wPort = ntohs(addr.sin_port);
        m_thread = std::thread([this] { Run(); });
    }
    ~FloodingPeer()
    {
        m_bStop = true;
        ::shutdown(m_nListen, SHUT_RDWR);
        m_thread.join();
        ::close(m_nListen);
    }
    uint16_t Port() const { return m_wPort; }
    int Sent() const { return m_nSent; }

private:
    void Run()
    {
        const int nConn = ::accept(m_nListen, nullptr, nullptr);
        if (nConn < 0)
            return;
        auto next = std::chrono::steady_clock::now();
        while (!m_bStop) {
            size_t nDone = 0;
            while (nDone < m_packet.size() && !m_bStop) {
                const ssize_t n = ::send(nConn, m_packet.data() + nDone, m_packet.size() - nDone, MSG_NOSIGNAL);
                if (n <= 0)
                    break;
                nDone += static_cast<size_t>(n);
            }
            ++m_nSent;
            char drain[4096];
            while (::recv(nConn, drain, sizeof drain, MSG_DONTWAIT) > 0) {
            }
            next += std::chrono::milliseconds(kPeriodMs);
            std::this_thread::sleep_until(next);
        }
        ::close(nConn);
    }

    std::vector<uint8_t> m_packet;
    int m_nListen = -1;
    uint16_t m_wPort = 0;
    std::thread m_thread;
    std::atomic<bool> m_bStop{false};
    std::atomic<int> m_nSent{0};
};

// The archive's event-log part: the list reloads at each log on disk.
class ListReloader final : public LinkEventLog {
public:
    explicit ListReloader(CAlarmEventDlg& rDlg) : m_rDlg(rDlg) {}
    void RefreshAlarmEvents() override
    {
        QElapsedTimer t;
        t.start();
        m_rDlg.LoadList();
        const double dMs = static_cast<double>(t.nsecsElapsed()) / 1e6;
        dLongestReloadMs = std::max(dLongestReloadMs, dMs);
        dReloadMs += dMs;
        ++nReloads;
    }
    int nReloads = 0;
    double dReloadMs = 0;
    double dLongestReloadMs = 0;

private:
    CAlarmEventDlg& m_rDlg;
};

void Measure(bool bSaverThread)
{
    QtTimerFactory timers;
    CDvrSocketFactory sockets;
    LocalFileStore files;
    test::RecordingNotifier notifier;
    test::FakeLinkView view;
    QtUiWakeupFactory wakeups;
    CAlarmEventDlg dlg(files, {}, false);
    dlg.show();
    ListReloader reloader(dlg);
    FloodingPeer peer;
    double dLongestMs = 0;
    {
        CDvrLink link(CDvrLink::Services{timers, sockets, files, notifier}, &view);
        link.RegisterArchive(nullptr, nullptr, &reloader);
        link.SaveEventLogsOnThread(bSaverThread ? &wakeups : nullptr);
        link.Connect("127.0.0.1", peer.Port());

        const bench::UiTurnMeter turns;
        QTimer::singleShot(kSeconds * 1000, qApp, &QApplication::quit);
        QApplication::exec();
        dLongestMs = turns.LongestMs();
    }
    std::printf("%-28s logs sent %3d, list reloads %3d (%zu rows), reload mean %.2f ms / longest %.2f ms, "
                "longest UI turn %.2f ms\n",
                bSaverThread ? "written on the saver thread" : "written on the UI thread", peer.Sent(),
                reloader.nReloads, dlg.Rows().size(),
                reloader.nReloads > 0 ? reloader.dReloadMs / reloader.nReloads : 0.0, reloader.dLongestReloadMs,
                dLongestMs);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    bench::TimedApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid() || ::chdir(dir.path().toLocal8Bit().constData()) != 0)
        return 1;
    std::printf("an event log of %zu records every %d ms for %d s, the Event list open\n", kRecords, kPeriodMs, kSeconds);
    Measure(true);
    Measure(false);
    return 0;
}
