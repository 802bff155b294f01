// What every TimerService promises, on Qt's timers and on the fake clock. The checks are about
// order and counts, never durations: where an expiry must not come, a later timer is the witness.
#include "fakes/fake_clock.h"
#include "fakes/qt_wait.h"
#include "platform/qt_timer_service.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

using namespace ostrel;

namespace {

// Notes every expiry, and whether it came from inside a call on the service.
class RecordingTarget final : public TimerTarget {
public:
    void OnTimer(int nId) override
    {
        fired.push_back(nId);
        if (bInsideCall)
            ++nInsideCall;
        if (onTimer)
            onTimer(nId);
    }
    int Count(int nId) const { return static_cast<int>(std::count(fired.begin(), fired.end(), nId)); }

    std::vector<int> fired;
    bool bInsideCall = false;
    int nInsideCall = 0;
    std::function<void(int)> onTimer;
};

class QtTimers {
public:
    TimerService& Service() { return m_service; }
    bool RunUntil(const std::function<bool()>& pred) { return test::WaitUntil(pred, 10000); }

    RecordingTarget target;

private:
    QtTimerService m_service{&target};
};

class FakeTimers {
public:
    TimerService& Service() { return m_service; }
    bool RunUntil(const std::function<bool()>& pred)
    {
        for (int nMs = 0; nMs < 600000; ++nMs) {
            m_clock.RunDue();
            if (pred())
                return true;
            m_clock.Advance(1);
        }
        return pred();
    }

    RecordingTarget target;

private:
    test::FakeClock m_clock;
    test::FakeTimerService m_service{m_clock, target};
};

template <typename Timers>
class TimerServiceContract : public ::testing::Test {
protected:
    Timers timers;
    RecordingTarget& Target() { return timers.target; }
    // Marked so that an expiry inside the call is noticed.
    void Start(int nId, int nPeriodMs)
    {
        Target().bInsideCall = true;
        timers.Service().Start(nId, nPeriodMs);
        Target().bInsideCall = false;
    }
    void Stop(int nId) { timers.Service().Stop(nId); }
};

using Services = ::testing::Types<QtTimers, FakeTimers>;
TYPED_TEST_SUITE(TimerServiceContract, Services);

} // namespace

// The image watchdog's use: restarted from a handler, a timer expires a whole period after the
// restart, and then repeats; a zero period runs after the handler (the link's posted events).
TYPED_TEST(TimerServiceContract, RestartFromAHandlerPostponesTheExpiry)
{
    this->Start(101, 300);
    this->Start(900, 200);
    this->Target().onTimer = [&](int nId) {
        if (nId == 900) {
            this->timers.Service().Stop(900);
            this->timers.Service().Start(101, 300); // due a period from now, not at 300
            this->timers.Service().Start(902, 200); // a witness due before that
            this->timers.Service().Start(903, 0);   // runs after this handler, before the witness
        } else if (nId == 903) {
            this->timers.Service().Stop(903);
        }
    };
    ASSERT_TRUE(this->timers.RunUntil([&] { return this->Target().Count(101) >= 1; }));
    this->Target().onTimer = nullptr;
    this->Stop(902);
    EXPECT_EQ((std::vector<int>{900, 903, 902, 101}), this->Target().fired);
    this->Start(904, 500);
    ASSERT_TRUE(this->timers.RunUntil([&] { return this->Target().Count(904) >= 1; }));
    EXPECT_GE(this->Target().Count(101), 2) << "it repeats after the postponed expiry";
    this->Stop(904);
    this->Stop(101);
    EXPECT_FALSE(this->timers.Service().IsRunning(101));
    this->Stop(12345); // stopping what does not run is harmless
    EXPECT_EQ(0, this->Target().nInsideCall);
}
