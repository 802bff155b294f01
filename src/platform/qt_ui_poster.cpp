#include "platform/qt_ui_poster.h"

#include <QMetaObject>

namespace ostrel {

namespace {

// A handle on a QtUiPoster's channel for threads that may outlive the poster.
class SharedUiPoster final : public UiPoster {
public:
    explicit SharedUiPoster(std::shared_ptr<QtUiPoster::Channel> pChannel) : m_pChannel(std::move(pChannel)) {}

    bool Post(std::function<void()> fnCall) override { return m_pChannel->Post(fnCall); }
    std::shared_ptr<UiPoster> Share() override { return std::make_shared<SharedUiPoster>(m_pChannel); }

private:
    std::shared_ptr<QtUiPoster::Channel> m_pChannel;
};

} // namespace

bool QtUiPoster::Channel::Post(std::function<void()>& fnCall)
{
    if (!fnCall)
        return false;
    std::lock_guard<std::mutex> guard(lock);
    if (!pReceiver)
        return false;
    // Queued invocation is safe from any thread; the event holds the callable until it runs
    // on the receiver's thread, or until the receiver's destruction discards it. The receiver
    // keeps this channel alive. The call takes the lock before it runs, so it cannot finish
    // before the posting thread has let go of its own reference to the callable: the callable
    // and its captures are always destroyed on the receiver's thread. The lock also shows
    // ThreadSanitizer the order that Qt's own locks give, which it cannot see.
    return QMetaObject::invokeMethod(pReceiver, [this, fnCall = std::move(fnCall)] {
        { std::lock_guard<std::mutex> ordered(lock); }
        fnCall();
    }, Qt::QueuedConnection);
}

QtUiPoster::QtUiPoster() : m_pChannel(std::make_shared<Channel>())
{
    m_pChannel->pReceiver = new QObject;
}

QtUiPoster::~QtUiPoster()
{
    QObject* pReceiver = nullptr;
    {
        std::lock_guard<std::mutex> guard(m_pChannel->lock);
        pReceiver = m_pChannel->pReceiver;
        m_pChannel->pReceiver = nullptr;
    }
    // Destroying the receiver removes the calls still queued for it, unrun.
    delete pReceiver;
}

bool QtUiPoster::Post(std::function<void()> fnCall)
{
    return m_pChannel->Post(fnCall);
}

std::shared_ptr<UiPoster> QtUiPoster::Share()
{
    return std::make_shared<SharedUiPoster>(m_pChannel);
}

} // namespace ostrel
