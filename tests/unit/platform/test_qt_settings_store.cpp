// The program's profile holds the recorder's login: 0600 in a 0700 folder from its first write
// on, whatever the umask, and narrowed at the next start when found wider.
#include "platform/qt_settings_store.h"

#include "fakes/hostile_files.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include <sys/stat.h>

using namespace ostrel;

namespace {

unsigned ModeOf(const std::string& strPath)
{
    struct stat st {};
    return ::stat(strPath.c_str(), &st) == 0 ? st.st_mode & 0777 : 0u;
}

} // namespace

TEST(QtSettingsStore, TheProfileIsTheUsersAloneFromItsFirstWriteOn)
{
    const mode_t oldMask = ::umask(022);
    const std::string strFolder = std::string(std::getenv("XDG_CONFIG_HOME")) + "/Ostrel";
    const std::string strFile = strFolder + "/Ostrel16.conf";
    {
        QtSettingsStore store(QStringLiteral("Setting"));
        store.WriteString("User ISeed", "operator");
        ASSERT_TRUE(store.Flush());
    }
    EXPECT_NE(std::string::npos, test::GetBytes(strFile).value_or("").find("operator"));
    EXPECT_EQ(0600u, ModeOf(strFile));
    EXPECT_EQ(0700u, ModeOf(strFolder));

    // Found wider (copied in, or left by an older version): narrowed, with one line.
    ::chmod(strFile.c_str(), 0644);
    ::chmod(strFolder.c_str(), 0755);
    ::testing::internal::CaptureStderr();
    { QtSettingsStore store(QStringLiteral("Setting")); }
    EXPECT_EQ("Ostrel: the profile " + strFile
                  + " was open to other users (0644 in a 0755 folder); narrowed to 0600 in a 0700 folder\n",
              ::testing::internal::GetCapturedStderr());
    EXPECT_EQ(0600u, ModeOf(strFile));
    EXPECT_EQ(0700u, ModeOf(strFolder));
    ::umask(oldMask);
}
