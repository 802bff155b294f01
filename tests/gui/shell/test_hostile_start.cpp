// One offscreen start of the real application for each hostile file it may find: the profile
// binary, endless, out of range or a folder; opt.ini, a PTZ command file and "AlarmEvent.am" huge,
// endless, binary or a pipe (a profile cut short and opt.ini's other shapes are the settings
// test's rows; ini/cnn.ini is read when the settings open, and its shapes are the address book's
// test); the logos a pipe or huge. Each start comes up with defaults and at most a clear message.
#include "shell/main_frame.h"
#include "shell/ostrel_app.h"

#include "fakes/hostile_files.h"
#include "fakes/recording_notifier.h"
#include "ptz/ptz_command.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

using namespace ostrel;
using namespace ostrel::test;
namespace fs = std::filesystem;

namespace {

constexpr uint64_t kHuge = 200ull << 20;
constexpr uint64_t kEndless = 100ull << 20;

fs::path WorkDir() { return fs::path(QDir::currentPath().toStdString()); }
fs::path ProfilePath()
{
    return fs::path(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation).toStdString()) / "Ostrel"
        / "Ostrel16.conf";
}

void ClearFolders() // every file a start may read
{
    for (const fs::path& path :
         {WorkDir() / "ini", WorkDir() / "PTZ", WorkDir() / "logo", WorkDir() / "AlarmEvent.am", ProfilePath()})
        fs::remove_all(path);
    fs::create_directories(WorkDir() / "ini");
    fs::create_directories(ProfilePath().parent_path());
}

// Without a PTZ folder a missing command file is neither made nor reported.
void PutPtzFile(const std::function<void(const fs::path&)>& put)
{
    fs::create_directories(WorkDir() / "PTZ");
    put(WorkDir() / "PTZ" / "pelcoP.tl"); // the default camera type's
}

// The texts of the message boxes that came up, each closed at once as the operator would.
class BoxCloser {
public:
    BoxCloser()
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (auto* pBox = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                texts.push_back(pBox->text().toStdString());
                pBox->done(QMessageBox::Ok);
            }
        });
        m_timer.start(0);
    }
    std::vector<std::string> texts;

private:
    QTimer m_timer;
};

struct Start {
    const char* pszName;
    std::function<void()> put;
    std::function<void(COstrelApp&)> check;
    std::vector<std::string> boxes = {}; // the messages the start shows
};

void ExpectDefaultSettings(COstrelApp& app)
{
    const ViewSettings& s = app.Session()->Settings();
    EXPECT_EQ("admin", GetText(s.szUserId));
    EXPECT_EQ("192.168.1.100", GetText(s.szHostAddress));
    EXPECT_EQ("INTRANET", GetText(s.szIpLabel));
    EXPECT_EQ(8000, s.nHostPort);
    EXPECT_EQ(1, s.byPtzType) << "PELCOP";
}

} // namespace

TEST(HostileStart, TheClientStartsFromEveryHostileFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const SettingsPlaces places{dir.path().toStdString(), dir.path().toStdString()};
    const QString strLock = dir.filePath(QStringLiteral("Ostrel.lock"));
    const fs::path optIni = WorkDir() / "ini" / "opt.ini";

    // QSettings keeps a parsed profile for the whole process: the row that makes the profile a
    // folder comes after the rows whose profile values are checked.
    const Start starts[] = {
        {"profile with every value out of range",
         [] {
             PutBytes(ProfilePath(), "[Setting]\nHost%20Port=-1\nRotate%20Interval=99999\nReconnect%20Count=-7\n"
                                     "Request%20Speed=300\nPtz%20Type=77\nRecord%20Interval=255\nDate%20Show=9\n"
                                     "Avi%20Codec=200\nUse%20AlertMode=-5\nHost%20IPAddress=999.1.1.1.1\n"
                                     "Ip%20Label=" + std::string(5000, 'L') + "\n");
         },
         [](COstrelApp& app) {
             const ViewSettings& s = app.Session()->Settings();
             EXPECT_EQ(-1, s.nHostPort);
             EXPECT_EQ(77, s.byPtzType);
             EXPECT_EQ(65u, GetText(s.szIpLabel).size());
             // No command file for an unknown camera type: nothing is read and nothing said.
             EXPECT_EQ("", GetPtzFilePath(s.byPtzType, app.Session()->WorkDir()));
         }},
        {"profile of binary bytes", [] { PutBytes(ProfilePath(), Garbage(256 * 1024)); }, ExpectDefaultSettings},
        {"profile of one endless line", [] { PutEndlessLine(ProfilePath(), "", 8 << 20, "\n"); },
         ExpectDefaultSettings},
        {"profile that is a folder", [] { fs::create_directories(ProfilePath()); }, ExpectDefaultSettings},
        {"opt.ini that is a pipe", [&] { ASSERT_TRUE(PutFifo(optIni)); }, [](COstrelApp& app) {
             EXPECT_EQ(70, app.Session()->PtzTiming().nPtzCmdInterval);
             EXPECT_EQ(70, app.Session()->PtzTiming().nPtzStopInterval);
         }},
        {"AlarmEvent.am of 200 MB", [] { PutSparse(WorkDir() / "AlarmEvent.am", "", kHuge); }, ExpectDefaultSettings},
        {"PTZ file of 200 MB", [] { PutPtzFile([](const fs::path& p) { PutSparse(p, "<1>\nUP/3/a0/00/ff/\n", kHuge); }); },
         [](COstrelApp& app) { EXPECT_EQ("UP", app.PtzPanel()->Table().At(0, 0).Name()); }},
        {"PTZ file of one line of 100 MB", [] { PutPtzFile([](const fs::path& p) { PutEndlessLine(p, "<1>\n", kEndless, "\n"); }); },
         ExpectDefaultSettings},
        {"PTZ file of binary bytes", [] { PutPtzFile([](const fs::path& p) { PutBytes(p, Garbage(300 * 1024)); }); }, ExpectDefaultSettings},
        {"logos that are a pipe and a file of 2 GB",
         [] {
             fs::create_directories(WorkDir() / "logo");
             ASSERT_TRUE(PutFifo(WorkDir() / "logo" / "slogo.bmp"));
             PutSparse(WorkDir() / "logo" / "blogo.bmp", "BM", 2ull << 30);
         },
         ExpectDefaultSettings},
        {"PTZ file that is a pipe", [] { PutPtzFile([](const fs::path& p) { ASSERT_TRUE(PutFifo(p)); }); }, ExpectDefaultSettings,
         {"Can't not open file!!"}},
    };
    for (const Start& start : starts) {
        SCOPED_TRACE(start.pszName);
        ClearFolders();
        start.put();
        RecordingNotifier notifier;
        BoxCloser boxes;
        {
            COstrelApp app(notifier, strLock, places);
            ASSERT_TRUE(app.InitInstance());
            ASSERT_TRUE(app.GetMainWnd() && app.GetMainWnd()->isVisible());
            QCoreApplication::processEvents();
            start.check(app);
            app.ExitInstance();
        }
        EXPECT_EQ(start.boxes, boxes.texts);
        EXPECT_TRUE(notifier.messages.empty());
    }
    ClearFolders();
}
