#include "support/hermetic_folder.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;

namespace ostrel::test {

namespace {

bool IsSet(const char* pszName)
{
    const char* pszValue = std::getenv(pszName);
    return pszValue && *pszValue;
}

// The program's file name, reduced to characters that are safe in a folder name.
std::string FolderTag(std::string_view strProgram)
{
    const size_t nSlash = strProgram.find_last_of('/');
    if (nSlash != std::string_view::npos)
        strProgram.remove_prefix(nSlash + 1);
    std::string strTag;
    for (char ch : strProgram.substr(0, 48)) {
        const bool bSafe = (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9')
                           || ch == '_' || ch == '-';
        strTag += bSafe ? ch : '_';
    }
    return strTag.empty() ? std::string("test") : strTag;
}

// Gives the owner full rights on every folder below dir (without following links), so that
// a test that made a folder read-only cannot keep its files from being removed.
void MakeRemovable(const fs::path& dir, int nDepth = 0)
{
    std::error_code ec;
    fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add | fs::perm_options::nofollow, ec);
    if (nDepth > 64)
        return;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code ecType;
        if (it->symlink_status(ecType).type() == fs::file_type::directory)
            MakeRemovable(it->path(), nDepth + 1);
    }
}

} // namespace

HermeticFolder::HermeticFolder(std::string_view strProgram)
{
    const char* pszKeep = std::getenv(kKeepVariable);
    m_bKeep = pszKeep && std::strcmp(pszKeep, "1") == 0;
    if (!Prepare(strProgram))
        return;
    if (m_bKeep)
        std::fprintf(stderr, "%s=1: this run's folder stays after it: %s\n", kKeepVariable, m_root.c_str());
}

bool HermeticFolder::Prepare(std::string_view strProgram)
{
    // Widgets need no display: the offscreen platform, unless the caller chose another one.
    if (!IsSet("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);

    const char* pszTmp = std::getenv("TMPDIR");
    const fs::path base = pszTmp && *pszTmp == '/' ? fs::path(pszTmp) : fs::path("/tmp");
    std::string strTemplate = (base / ("ostrel-" + FolderTag(strProgram) + "-XXXXXX")).string();
    std::vector<char> name(strTemplate.begin(), strTemplate.end());
    name.push_back('\0');
    if (!::mkdtemp(name.data())) {
        m_strError = "cannot create a test folder from " + strTemplate + ": " + std::strerror(errno);
        return false;
    }
    m_root = fs::path(name.data());

    struct Place {
        const char* pszVariable;
        const char* pszFolder;
    };
    // HOME too: whatever still builds a path from it (fonts, dialogs' start folders) stays inside.
    static constexpr Place kPlaces[] = {
        {"HOME", "home"},         {"XDG_CONFIG_HOME", "config"}, {"XDG_DATA_HOME", "data"},
        {"XDG_CACHE_HOME", "cache"}, {"XDG_RUNTIME_DIR", "runtime"}, {"TMPDIR", "tmp"},
    };
    std::error_code ec;
    for (const Place& place : kPlaces) {
        const fs::path dir = m_root / place.pszFolder;
        if (!fs::create_directory(dir, ec)) {
            m_strError = "cannot create " + dir.string() + ": " + ec.message();
            return false;
        }
        ::setenv(place.pszVariable, dir.c_str(), 1);
    }
    // Qt ignores a runtime folder that others may enter.
    fs::permissions(m_root / "runtime", fs::perms::owner_all, fs::perm_options::replace, ec);

    const fs::path work = m_root / "work";
    m_oldWorkingDir = fs::current_path(ec);
    if (!fs::create_directory(work, ec) || ::chdir(work.c_str()) != 0) {
        m_strError = "cannot work in " + work.string();
        return false;
    }
    return true;
}

HermeticFolder::~HermeticFolder()
{
    if (!m_oldWorkingDir.empty() && ::chdir(m_oldWorkingDir.c_str()) != 0 && ::chdir("/") != 0)
        std::fprintf(stderr, "cannot leave the test folder %s\n", m_root.c_str());
    if (m_root.empty() || m_bKeep)
        return;
    MakeRemovable(m_root);
    std::error_code ec;
    fs::remove_all(m_root, ec);
    if (ec)
        std::fprintf(stderr, "cannot remove the test folder %s: %s\n", m_root.c_str(), ec.message().c_str());
}

} // namespace ostrel::test
