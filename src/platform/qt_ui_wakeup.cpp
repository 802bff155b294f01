#include "platform/qt_ui_wakeup.h"

#include <QObject>
#include <QSocketNotifier>
#include <QtGlobal>

#include <atomic>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace ostrel {

namespace {

class QtUiWakeup final : public UiWakeup {
public:
    explicit QtUiWakeup(std::function<void()> fnHandler) : m_fnHandler(std::move(fnHandler))
    {
#ifdef Q_OS_UNIX
        if (::pipe2(m_fds, O_NONBLOCK | O_CLOEXEC) != 0) {
            m_fds[0] = m_fds[1] = -1;
            return;
        }
        m_pNotifier = std::make_unique<QSocketNotifier>(m_fds[0], QSocketNotifier::Read);
        QObject::connect(m_pNotifier.get(), &QSocketNotifier::activated, &m_receiver, [this] { OnRung(); });
#endif
    }
    ~QtUiWakeup() override
    {
        m_pNotifier.reset();
#ifdef Q_OS_UNIX
        for (int fd : m_fds)
            if (fd >= 0)
                ::close(fd);
#endif
    }
    QtUiWakeup(const QtUiWakeup&) = delete;
    QtUiWakeup& operator=(const QtUiWakeup&) = delete;

    void Wake() override
    {
        if (m_bRung.exchange(true, std::memory_order_acq_rel))
            return;
#ifdef Q_OS_UNIX
        if (m_fds[1] >= 0) {
            const char byOne = 1;
            // A full pipe already holds a ring; nothing is lost when this byte does not go in.
            [[maybe_unused]] const auto nWritten = ::write(m_fds[1], &byOne, 1);
            return;
        }
#endif
        // Without a pipe (none on this system, or no descriptor left): a queued call, which
        // allocates. Pending calls are dropped with the receiver.
        QMetaObject::invokeMethod(&m_receiver, [this] { OnRung(); }, Qt::QueuedConnection);
    }

private:
    void OnRung()
    {
        // The pipe is emptied first, then the flag cleared, then the handler runs: a ring that
        // comes after the clear writes again and brings the handler back; one that came before
        // it is seen by this run of the handler. Cleared the other way round, a ring whose byte
        // was read here could leave the flag set with nothing in the pipe, and the doorbell dead.
#ifdef Q_OS_UNIX
        if (m_fds[0] >= 0) {
            char bytes[64];
            while (::read(m_fds[0], bytes, sizeof bytes) > 0) {
            }
        }
#endif
        m_bRung.store(false, std::memory_order_seq_cst);
        m_fnHandler();
    }

    std::function<void()> m_fnHandler;
    QObject m_receiver;
    int m_fds[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> m_pNotifier;
    std::atomic<bool> m_bRung{false};
};

} // namespace

std::unique_ptr<UiWakeup> QtUiWakeupFactory::CreateWakeup(std::function<void()> fnHandler)
{
    return std::make_unique<QtUiWakeup>(std::move(fnHandler));
}

} // namespace ostrel
