#pragma once

// A test whose link runs on Qt (real sockets and timers) in a temporary working folder, with
// a recording view that answers a lost link with its disconnect command, as the real one does.

#include "fakes/fake_link_listeners.h"
#include "fakes/recording_notifier.h"
#include "link/qt_dvr_link.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace ostrel::test {

template <typename View = FakeLinkView>
class QtLinkFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_strOldDir = QDir::currentPath();
        QDir::setCurrent(m_dir.path());
        m_pLink = std::make_unique<QtDvrLink>(notifier, &view);
        view.onLinkLost = [this](LinkLoss) {
            if (view.byConnectState != 0) {
                view.byConnectState = 0;
                Link().Disconnect(true);
            }
        };
    }
    void TearDown() override
    {
        m_pLink.reset();
        QDir::setCurrent(m_strOldDir);
    }
    CDvrLink& Link() { return m_pLink->Link(); }

    View view;
    RecordingNotifier notifier;

private:
    QTemporaryDir m_dir;
    QString m_strOldDir;
    std::unique_ptr<QtDvrLink> m_pLink;
};

} // namespace ostrel::test
