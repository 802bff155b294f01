#pragma once

// A test process's own scratch folder. It holds the home, XDG and temporary folders and the
// working folder, and the process's environment points at them, so nothing a test writes
// (settings profile, "ini/opt.ini", "AlarmEvent.am", "Backup/", lock files) reaches the
// developer's files, the build tree or the source tree, and every run starts from nothing.
//
// Construct one first thing in main, before any library reads the environment. The folder is
// removed when the object goes, unless OSTREL_KEEP_TEST_DIR=1, when it is kept and its path
// is printed.

#include <filesystem>
#include <string>
#include <string_view>

namespace ostrel::test {

class HermeticFolder {
public:
    // strProgram names the folder (argv[0] will do). On failure IsReady() is false and the
    // reason is in Error(); the environment may then be partly changed.
    explicit HermeticFolder(std::string_view strProgram);
    ~HermeticFolder();
    HermeticFolder(const HermeticFolder&) = delete;
    HermeticFolder& operator=(const HermeticFolder&) = delete;

    bool IsReady() const { return m_strError.empty(); }
    const std::string& Error() const { return m_strError; }

    static constexpr const char* kKeepVariable = "OSTREL_KEEP_TEST_DIR";

private:
    bool Prepare(std::string_view strProgram);

    std::filesystem::path m_root;
    std::filesystem::path m_oldWorkingDir;
    std::string m_strError;
    bool m_bKeep = false;
};

} // namespace ostrel::test
