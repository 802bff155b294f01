#include "platform/local_writable_file.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace ostrel {

namespace {

constexpr int kTemporaryAttempts = 32;

// Six letters that differ between objects, attempts and moments; O_EXCL settles any clash.
std::string TemporarySuffix(const void* pSeed, int nAttempt)
{
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    const auto nNow = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    uint64_t n = std::hash<uint64_t>{}(nNow ^ (reinterpret_cast<uintptr_t>(pSeed) << 7)
                                       ^ (static_cast<uint64_t>(::getpid()) << 32)
                                       ^ static_cast<uint64_t>(nAttempt) * 0x9E3779B97F4A7C15ULL);
    n *= 0xBF58476D1CE4E5B9ULL; // std::hash of an integer may be the integer itself
    n ^= n >> 31;
    std::string s(6, 'a');
    for (char& c : s) {
        c = kLetters[n % (sizeof kLetters - 1)];
        n /= sizeof kLetters - 1;
    }
    return s;
}

std::string FolderOf(const std::string& strPath)
{
    const size_t nSlash = strPath.find_last_of('/');
    if (nSlash == std::string::npos)
        return ".";
    return nSlash == 0 ? "/" : strPath.substr(0, nSlash);
}

int RenameNoReplace(const char* pszFrom, const char* pszTo)
{
    return ::renameat2(AT_FDCWD, pszFrom, AT_FDCWD, pszTo, RENAME_NOREPLACE);
}

// Gives the temporary fd the mode, and where the system allows the owner, of the file at
// strPath that it is about to replace. Nothing when there is none.
void TakeModeOf(int fd, const std::string& strPath)
{
    struct stat old {};
    if (::stat(strPath.c_str(), &old) != 0 || !S_ISREG(old.st_mode))
        return;
    auto mode = static_cast<mode_t>(old.st_mode & 0777);
    struct stat mine {};
    if (::fstat(fd, &mine) == 0 && (mine.st_uid != old.st_uid || mine.st_gid != old.st_gid)
        && ::fchown(fd, old.st_uid, old.st_gid) != 0 && ::fchown(fd, static_cast<uid_t>(-1), old.st_gid) != 0)
        mode &= static_cast<mode_t>(~S_IRWXG); // the old group's rights are not for our group
    ::fchmod(fd, mode);
}

// 0666 less the process's umask, read without setting it (umask() would race other threads'
// file creation); 0600 where the system does not say.
mode_t SharedMode()
{
    std::ifstream status("/proc/self/status");
    for (std::string strLine; std::getline(status, strLine);)
        if (strLine.rfind("Umask:", 0) == 0)
            return static_cast<mode_t>(0666 & ~std::strtoul(strLine.c_str() + 6, nullptr, 8));
    return 0600;
}

} // namespace

std::unique_ptr<LocalWritableFile> LocalWritableFile::Open(const std::string& strPath, FileStatus* pStatus,
                                                           FileAccess access, NoReplaceCalls calls)
{
    FileStatus status;
    if (strPath.empty() || strPath.back() == '/')
        status.nErrno = EISDIR;
    // A temporary that will take an existing file's mode is nobody else's until then.
    struct stat st {};
    const bool bReplaces = status.Ok() && ::stat(strPath.c_str(), &st) == 0;
    const mode_t mode = bReplaces || access == FileAccess::Private ? 0600 : 0666;
    for (int nAttempt = 0; status.Ok() && nAttempt < kTemporaryAttempts; ++nAttempt) {
        std::string strTemp = strPath + ".part-" + TemporarySuffix(&strPath, nAttempt);
        const int fd = ::open(strTemp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0) {
            if (pStatus)
                *pStatus = {};
            auto pFile
                = std::unique_ptr<LocalWritableFile>(new LocalWritableFile(strPath, std::move(strTemp), fd, calls));
            pFile->m_bSharedUnderNewName = bReplaces && access == FileAccess::Shared;
            return pFile;
        }
        if (errno != EEXIST && errno != EINTR)
            status.nErrno = errno;
    }
    if (status.Ok())
        status.nErrno = EEXIST;
    if (pStatus)
        *pStatus = status;
    return nullptr;
}

LocalWritableFile::LocalWritableFile(std::string strPath, std::string strTemp, int fd, NoReplaceCalls calls)
    : m_strPath(std::move(strPath)), m_strTemp(std::move(strTemp)), m_calls(calls), m_fd(fd)
{
    if (!m_calls.pRenameNoReplace)
        m_calls.pRenameNoReplace = RenameNoReplace;
    if (!m_calls.pLink)
        m_calls.pLink = ::link;
}

LocalWritableFile::~LocalWritableFile()
{
    Discard();
}

void LocalWritableFile::Discard()
{
    if (m_fd < 0)
        return;
    ::close(m_fd);
    m_fd = -1;
    ::unlink(m_strTemp.c_str());
}

FileStatus LocalWritableFile::Fail(int nErrno)
{
    Discard();
    m_nFailErrno = nErrno;
    return {nErrno};
}

FileStatus LocalWritableFile::Write(const uint8_t* pData, size_t nBytes)
{
    if (m_fd < 0)
        return {m_nFailErrno != 0 ? m_nFailErrno : EBADF};
    size_t nDone = 0;
    while (nDone < nBytes) {
        const ssize_t n = ::pwrite(m_fd, pData + nDone, nBytes - nDone, static_cast<off_t>(m_nPosition + nDone));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return Fail(errno);
        }
        if (n == 0)
            return Fail(EIO);
        nDone += static_cast<size_t>(n);
    }
    m_nPosition += nBytes;
    if (m_nPosition > m_nSize)
        m_nSize = m_nPosition;
    return {};
}

FileStatus LocalWritableFile::ReadAt(uint64_t nOffset, uint8_t* pData, size_t nBytes, size_t* pnRead)
{
    *pnRead = 0;
    if (m_fd < 0)
        return {m_nFailErrno != 0 ? m_nFailErrno : EBADF};
    while (*pnRead < nBytes && nOffset + *pnRead < m_nSize) {
        const size_t nWant = static_cast<size_t>(std::min<uint64_t>(nBytes - *pnRead, m_nSize - nOffset - *pnRead));
        const ssize_t n = ::pread(m_fd, pData + *pnRead, nWant, static_cast<off_t>(nOffset + *pnRead));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return Fail(errno);
        }
        if (n == 0)
            return Fail(EIO); // shorter than what was written
        *pnRead += static_cast<size_t>(n);
    }
    return {};
}

FileStatus LocalWritableFile::Seek(uint64_t nOffset)
{
    if (m_fd < 0)
        return {m_nFailErrno != 0 ? m_nFailErrno : EBADF};
    if (nOffset > m_nSize)
        return {EINVAL};
    m_nPosition = nOffset;
    return {};
}

FileStatus LocalWritableFile::Close()
{
    if (m_fd < 0)
        return {m_nFailErrno != 0 ? m_nFailErrno : EBADF};
    TakeModeOf(m_fd, m_strPath);
    if (::fsync(m_fd) != 0)
        return Fail(errno);
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) {
        const int nErrno = errno;
        ::unlink(m_strTemp.c_str());
        m_nFailErrno = nErrno;
        return {nErrno};
    }
    if (std::rename(m_strTemp.c_str(), m_strPath.c_str()) != 0) {
        const int nErrno = errno;
        ::unlink(m_strTemp.c_str());
        m_nFailErrno = nErrno;
        return {nErrno};
    }
    // The rename itself becomes durable with the folder. A failure here cannot be undone and
    // the file is in place, so it is not reported (some file systems refuse to sync a folder).
    const int dirFd = ::open(FolderOf(m_strPath).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    m_nFailErrno = EBADF;
    return {};
}

FileStatus LocalWritableFile::CloseAs(const std::string& strFinalPath)
{
    if (m_fd < 0)
        return {m_nFailErrno != 0 ? m_nFailErrno : EBADF};
    if (m_bSharedUnderNewName)
        ::fchmod(m_fd, SharedMode());
    if (::fsync(m_fd) != 0)
        return Fail(errno);
    // An atomic rename that refuses to replace; where the file system cannot do that, a hard
    // link (which refuses too) and then the temporary's removal; where neither works (exFAT,
    // most FUSE and SMB mounts), a reserved name. The finished file is never given up for want
    // of them.
    const char* pszTemp = m_strTemp.c_str();
    const char* pszFinal = strFinalPath.c_str();
    if (m_calls.pRenameNoReplace(pszTemp, pszFinal) == 0)
        return Finish(strFinalPath, false);
    const int nErrno = errno;
    if (nErrno == EEXIST)
        return {EEXIST};
    if (nErrno != EINVAL && nErrno != ENOSYS && nErrno != ENOTSUP)
        return Fail(nErrno);
    if (m_calls.pLink(pszTemp, pszFinal) == 0)
        return Finish(strFinalPath, true);
    if (errno == EEXIST)
        return {EEXIST};
    return CloseOverReservation(strFinalPath);
}

FileStatus LocalWritableFile::CloseOverReservation(const std::string& strFinalPath)
{
    // Between the create and the rename another program could put a file of its own under the
    // name, which the rename would replace: a narrow window, on a name no one else had just
    // before. The rename replaces nothing else.
    const int fdName = ::open(strFinalPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fdName < 0) {
        const int nErrno = errno;
        return nErrno == EEXIST ? FileStatus{EEXIST} : Fail(nErrno);
    }
    ::close(fdName);
    if (std::rename(m_strTemp.c_str(), strFinalPath.c_str()) == 0)
        return Finish(strFinalPath, false);
    const int nErrno = errno;
    ::unlink(strFinalPath.c_str()); // the empty reservation
    return Fail(nErrno);
}

FileStatus LocalWritableFile::Finish(const std::string& strFinalPath, bool bTemporaryStays)
{
    const int fd = m_fd;
    m_fd = -1;
    ::close(fd);
    if (bTemporaryStays)
        ::unlink(m_strTemp.c_str());
    const int dirFd = ::open(FolderOf(strFinalPath).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    m_nFailErrno = EBADF;
    return {};
}

} // namespace ostrel
