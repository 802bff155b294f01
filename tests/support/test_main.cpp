// The one main of every test program. Built three ways: without an application object for
// plain unit tests, with a QCoreApplication (OSTREL_TEST_CORE_APP) for tests that run Qt's
// event loop, and with a QApplication (OSTREL_TEST_GUI_APP) for widget tests.
#include "support/hermetic_folder.h"

#include <cstdio>

#include <gtest/gtest.h>

#if defined(OSTREL_TEST_GUI_APP)
#include <QApplication>
#elif defined(OSTREL_TEST_CORE_APP)
#include <QCoreApplication>
#endif

int main(int argc, char** argv)
{
    // First of all: Qt and everything else read the environment when they start.
    const ostrel::test::HermeticFolder folder(argc > 0 ? argv[0] : "test");
    if (!folder.IsReady()) {
        std::fprintf(stderr, "test set-up failed: %s\n", folder.Error().c_str());
        return 1;
    }
#if defined(OSTREL_TEST_GUI_APP)
    // Fonts measure the same whatever screen the caller's platform reports.
    QApplication::setAttribute(Qt::AA_Use96Dpi, true);
    QApplication app(argc, argv);
#elif defined(OSTREL_TEST_CORE_APP)
    QCoreApplication app(argc, argv);
#endif
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
