// Notices must not block the caller and must not pile up.
#include "platform/qt_notifier.h"

#include <QApplication>
#include <QMessageBox>

#include <gtest/gtest.h>

using namespace ostrel;

namespace {

std::vector<QMessageBox*> Boxes(const QString& strText)
{
    std::vector<QMessageBox*> boxes;
    for (QWidget* pWidget : QApplication::topLevelWidgets())
        if (auto* pBox = qobject_cast<QMessageBox*>(pWidget); pBox && pBox->isVisible() && pBox->text() == strText)
            boxes.push_back(pBox);
    return boxes;
}

} // namespace

TEST(QtNotifier, BurstOfNoticesShowsOneBoxAndReturnsAtOnce)
{
    QWidget parent;
    parent.show();
    QtNotifier notifier(&parent);
    const QString strText = QStringLiteral("Direct Pantilt Camera Control");
    for (int i = 0; i < 5; ++i)
        notifier.ShowNotice(strText.toStdString()); // returns without a click
    notifier.ShowNotice("Another text");
    QApplication::processEvents();
    ASSERT_EQ(1u, Boxes(strText).size());
    EXPECT_EQ(1u, Boxes(QStringLiteral("Another text")).size());
    // Once the operator closes it, the next notice shows again.
    Boxes(strText)[0]->accept();
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(Boxes(strText).empty());
    notifier.ShowNotice(strText.toStdString());
    QApplication::processEvents();
    EXPECT_EQ(1u, Boxes(strText).size());
}
