// The archive's calendar control: which day a click selects and the posted notification. The
// month pages themselves are the model's tests.
#include "widgets/calendar_ctrl.h"

#include "fakes/fake_clock.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

using namespace ostrel;

namespace {

constexpr int kId = 1234;

// A calendar whose today is Wednesday 2026-02-11; its page starts on 2026-01-25.
struct Rig {
    test::FakeClock clock;
    std::unique_ptr<CCalendarCtrl> pCtrl;
    QList<int> notified;

    Rig()
    {
        clock.SetLocalNow({2026, 2, 11, 9, 30, 0, 3});
        pCtrl = std::make_unique<CCalendarCtrl>(kId, clock);
        QObject::connect(pCtrl.get(), &CCalendarCtrl::DateClicked, [this](int nId) { notified.append(nId); });
    }
    template <class T> T* Child(int nId) const { return pCtrl->findChild<T*>(QString::number(nId)); }
};

// Middle of cell k in widget pixels, worked out by hand: a 2-pixel edge, columns from x 8 and
// rows from y 50 of the client area, 29 x 20 each.
QPoint CellMiddle(int k)
{
    return {2 + 8 + 29 * (k % 7) + 14, 2 + 50 + 20 * (k / 7) + 10};
}

} // namespace

TEST(CalendarCtrl, OpensOnTodayInEnglishAndClicksSelectDaysAndPostOneNotificationEach)
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    Rig english;
    QLocale::setDefault(QLocale::system());
    EXPECT_EQ(QStringLiteral("December"), english.Child<QComboBox>(4098)->itemText(11));
    EXPECT_EQ(1, english.Child<QComboBox>(4098)->currentIndex());
    EXPECT_EQ(QStringLiteral("2026"), english.Child<QLineEdit>(4099)->text());

    const struct {
        const char* pszName;
        QPoint pt;
        bool bNotify;
        CalendarDate selected;
        int nMonthIndex; // of the month list afterwards
    } rows[] = {
        {"Saturday 14 February", CellMiddle(20), true, {2026, 2, 14}, 1},
        {"a grey Monday of March turns the page", CellMiddle(36), true, {2026, 3, 2}, 2},
        {"a grey Sunday of January", CellMiddle(0), true, {2026, 1, 25}, 0},
        {"the header row selects nothing", QPoint(20, 38), false, {2026, 2, 11}, 1},
        {"the right margin selects nothing", QPoint(216, 100), false, {2026, 2, 11}, 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.pszName);
        Rig rig;
        QTest::mousePress(rig.pCtrl.get(), Qt::LeftButton, {}, row.pt);
        QTest::mouseRelease(rig.pCtrl.get(), Qt::LeftButton, {}, row.pt);
        EXPECT_EQ(row.selected, rig.pCtrl->GetSelectedDate());
        EXPECT_TRUE(rig.notified.isEmpty()) << "posted, not sent";
        QCoreApplication::processEvents();
        EXPECT_EQ(row.bNotify ? QList<int>{kId} : QList<int>{}, rig.notified);
        EXPECT_EQ(row.nMonthIndex, rig.Child<QComboBox>(4098)->currentIndex());
    }
}
