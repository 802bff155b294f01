// Notices must not block the caller and must not pile up.
#include "platform/qt_notifier.h"

#include <QApplication>
#include <QMessageBox>

#include <gtest/gtest.h>

using namespace ostrel;

namespace {

int VisibleBoxes(const QString& strText)
{
    int n = 0;
    for (QWidget* pWidget : QApplication::topLevelWidgets()) {
        auto* pBox = qobject_cast<QMessageBox*>(pWidget);
        if (pBox && pBox->isVisible() && pBox->text() == strText)
            ++n;
    }
    return n;
}

} // namespace

TEST(QtNotifier, BurstOfNoticesShowsOneBoxAndReturnsAtOnce)
{
    QWidget parent;
    parent.show();
    QtNotifier notifier(&parent);
    for (int i = 0; i < 5; ++i)
        notifier.ShowNotice("Direct Pantilt Camera Control"); // returns without a click
    QApplication::processEvents();
    EXPECT_EQ(1, VisibleBoxes("Direct Pantilt Camera Control"));

    notifier.ShowNotice("Another text");
    QApplication::processEvents();
    EXPECT_EQ(1, VisibleBoxes("Another text"));

    // Once the operator closes it, the next notice shows again.
    for (QWidget* pWidget : QApplication::topLevelWidgets())
        if (auto* pBox = qobject_cast<QMessageBox*>(pWidget); pBox && pBox->text() == "Direct Pantilt Camera Control")
            pBox->accept();
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(0, VisibleBoxes("Direct Pantilt Camera Control"));
    notifier.ShowNotice("Direct Pantilt Camera Control");
    QApplication::processEvents();
    EXPECT_EQ(1, VisibleBoxes("Direct Pantilt Camera Control"));
}
