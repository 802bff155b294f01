#pragma once

#include "platform/ui_poster.h"

#include <QObject>

#include <memory>
#include <mutex>

namespace ostrel {

// Posts to the thread that constructs it (the user-interface thread), through a receiver
// object that lives there and Qt's queued invocation. Construct and destroy it on that thread,
// which runs a Qt event loop.
class QtUiPoster final : public UiPoster {
public:
    QtUiPoster();
    ~QtUiPoster() override;
    QtUiPoster(const QtUiPoster&) = delete;
    QtUiPoster& operator=(const QtUiPoster&) = delete;

    bool Post(std::function<void()> fnCall) override;
    std::shared_ptr<UiPoster> Share() override;

    // What this poster and its shared handles post through. Once pReceiver is null every post
    // is dropped; the lock keeps a post from reaching a receiver that is being destroyed.
    struct Channel {
        std::mutex lock;
        QObject* pReceiver = nullptr;
        bool Post(std::function<void()>& fnCall);
    };

private:
    std::shared_ptr<Channel> m_pChannel;
};

} // namespace ostrel
