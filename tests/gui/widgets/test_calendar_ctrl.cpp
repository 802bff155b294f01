// The calendar control: its child controls, clicks and the posted notification, the pointer's
// mark, the year limits and the header's colours as painted.
#include "widgets/calendar_ctrl.h"

#include "fakes/fake_clock.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QSpinBox>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>

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

void SendHover(QWidget& w, QPoint pt)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(pt), QPointF(w.mapToGlobal(pt)), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(&w, &move);
}

// The control painted over the archive's dark skin colour.
QImage OnDarkSkin(CCalendarCtrl& ctrl)
{
    QImage img(ctrl.size(), QImage::Format_RGB32);
    img.fill(QColor(24, 28, 36));
    QPainter p(&img);
    ctrl.render(&p, QPoint(), QRegion(), QWidget::DrawChildren);
    p.end();
    return img;
}

} // namespace

TEST(CalendarCtrl, OpensOnTodayWithEnglishMonths)
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    Rig rig;
    QLocale::setDefault(QLocale::system());
    auto* pMonthList = rig.Child<QComboBox>(4098);
    ASSERT_EQ(12, pMonthList->count());
    EXPECT_EQ(QStringLiteral("December"), pMonthList->itemText(11));
    EXPECT_EQ(1, pMonthList->currentIndex());
    EXPECT_EQ(QStringLiteral("2026"), rig.Child<QLineEdit>(4099)->text());
    EXPECT_EQ((CalendarDate{2026, 2, 11}), rig.pCtrl->GetSelectedDate());
    EXPECT_EQ(CMonthCalendar::KIND_TODAY, rig.pCtrl->Page().CellAt(17).byKind);
}

TEST(CalendarCtrl, ClicksSelectDaysAndPostOneNotificationEach)
{
    struct Row {
        const char* pszName;
        QPoint pt;
        bool bNotify;
        CalendarDate selected;
        QString strMonth; // month list index and year field afterwards
        int nMonthIndex;
    };
    const Row rows[] = {
        {"Saturday 14 February", CellMiddle(20), true, {2026, 2, 14}, "2026", 1},
        {"a grey Monday of March turns the page", CellMiddle(36), true, {2026, 3, 2}, "2026", 2},
        {"a grey Sunday of January", CellMiddle(0), true, {2026, 1, 25}, "2026", 0},
        {"the header row selects nothing", QPoint(20, 38), false, {2026, 2, 11}, "2026", 1},
        {"the right margin selects nothing", QPoint(216, 100), false, {2026, 2, 11}, "2026", 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pszName);
        Rig rig;
        QTest::mousePress(rig.pCtrl.get(), Qt::LeftButton, {}, row.pt);
        QTest::mouseRelease(rig.pCtrl.get(), Qt::LeftButton, {}, row.pt);
        EXPECT_EQ(row.selected, rig.pCtrl->GetSelectedDate());
        EXPECT_TRUE(rig.notified.isEmpty()) << "posted, not sent";
        QCoreApplication::processEvents();
        EXPECT_EQ(row.bNotify ? QList<int>{kId} : QList<int>{}, rig.notified);
        EXPECT_EQ(row.nMonthIndex, rig.Child<QComboBox>(4098)->currentIndex());
        EXPECT_EQ(row.strMonth, rig.Child<QLineEdit>(4099)->text());
    }
}

TEST(CalendarCtrl, PressLooksPressedReleaseElsewhereSelectsThereAndHoverMarksACell)
{
    Rig rig;
    QTest::mousePress(rig.pCtrl.get(), Qt::LeftButton, {}, CellMiddle(10));
    EXPECT_TRUE(rig.pCtrl->Page().CellAt(10).bPressed);
    QTest::mouseRelease(rig.pCtrl.get(), Qt::LeftButton, {}, CellMiddle(12));
    EXPECT_FALSE(rig.pCtrl->Page().CellAt(10).bPressed);
    EXPECT_EQ((CalendarDate{2026, 2, 6}), rig.pCtrl->GetSelectedDate());

    SendHover(*rig.pCtrl, CellMiddle(23));
    EXPECT_TRUE(rig.pCtrl->Page().CellAt(23).bHot);
    SendHover(*rig.pCtrl, QPoint(20, 38)); // the header row
    EXPECT_EQ(-1, rig.pCtrl->Page().HotCell());
    SendHover(*rig.pCtrl, CellMiddle(41));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(rig.pCtrl.get(), &leave);
    EXPECT_EQ(-1, rig.pCtrl->Page().HotCell());
    EXPECT_FALSE(rig.pCtrl->Page().CellAt(41).bHot);
}

TEST(CalendarCtrl, YearControlsClampAndMonthSpinWrapsThroughTheYear)
{
    Rig rig;
    auto* pYearSpin = rig.Child<QSpinBox>(4100);
    auto* pYearEdit = rig.Child<QLineEdit>(4099);
    auto* pMonthSpin = rig.Child<QSpinBox>(4096);
    auto* pMonthList = rig.Child<QComboBox>(4098);

    pYearSpin->stepBy(1000);
    EXPECT_EQ(2200, rig.pCtrl->Page().DisplayedYear());
    pYearSpin->stepBy(-1000);
    EXPECT_EQ(1900, pYearSpin->value());
    EXPECT_EQ(QStringLiteral("1900"), pYearEdit->text());
    EXPECT_EQ(11, pMonthList->currentIndex()) << "1900 shows December, the minimum's month";

    pYearEdit->setText(QStringLiteral("1850"));
    emit pYearEdit->editingFinished();
    EXPECT_EQ(QStringLiteral("1900"), pYearEdit->text());
    pYearEdit->setText(QStringLiteral("2024"));
    emit pYearEdit->editingFinished();
    EXPECT_EQ(2024, pYearSpin->value());

    // December 2024 forward wraps to January 2025, and back again.
    pMonthSpin->stepBy(1);
    EXPECT_EQ(2025, rig.pCtrl->Page().DisplayedYear());
    EXPECT_EQ(0, pMonthList->currentIndex());
    EXPECT_EQ(QStringLiteral("2025"), pYearEdit->text());
    pMonthSpin->stepBy(-1);
    EXPECT_EQ(2024, pYearSpin->value());
    EXPECT_EQ(11, pMonthList->currentIndex());
    EXPECT_EQ((CalendarDate{2026, 2, 11}), rig.pCtrl->GetSelectedDate()) << "paging selects nothing";

    EXPECT_TRUE(rig.pCtrl->SetDate(2024, 2, 29));
    EXPECT_EQ(1, pMonthList->currentIndex());
    EXPECT_FALSE(rig.pCtrl->SetDate(2023, 2, 29));
    EXPECT_EQ((CalendarDate{2024, 2, 29}), rig.pCtrl->GetSelectedDate());
}

TEST(CalendarCtrl, HeaderColoursAsPainted)
{
    Rig rig;
    const QImage shot = OnDarkSkin(*rig.pCtrl);
    // Glyph edges are smoothed onto the background, so the strongest pixel of each weekday's
    // 29 x 20 header cell (widget pixels: x from 10, y 28..48) must be the background moved
    // toward the weekday's colour by one and the same fraction in all three channels.
    const QColor bg(24, 28, 36);
    const QColor sunday(255, 64, 64), weekday(192, 192, 192), saturday(64, 64, 255);
    for (int nColumn = 0; nColumn < 7; ++nColumn) {
        SCOPED_TRACE(nColumn);
        const QColor expected = nColumn == 0 ? sunday : nColumn == 6 ? saturday : weekday;
        QColor strongest = bg;
        int nBest = 0;
        for (int y = 28; y < 48; ++y) {
            for (int x = 10 + 29 * nColumn; x < 10 + 29 * (nColumn + 1); ++x) {
                const QColor px = shot.pixelColor(x, y);
                const int nDistance = std::abs(px.red() - bg.red()) + std::abs(px.green() - bg.green()) +
                                      std::abs(px.blue() - bg.blue());
                if (nDistance > nBest) {
                    nBest = nDistance;
                    strongest = px;
                }
            }
        }
        const auto fraction = [&](int (QColor::*channel)() const) {
            return static_cast<double>((strongest.*channel)() - (bg.*channel)()) / ((expected.*channel)() - (bg.*channel)());
        };
        const double aRed = fraction(&QColor::red), aGreen = fraction(&QColor::green), aBlue = fraction(&QColor::blue);
        EXPECT_GT(aRed, 0.8);
        EXPECT_NEAR(aRed, aGreen, 0.06);
        EXPECT_NEAR(aRed, aBlue, 0.06);
    }
}
