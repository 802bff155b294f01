#include "platform/local_writable_file.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <functional>

#include <fcntl.h>
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

} // namespace

std::unique_ptr<LocalWritableFile> LocalWritableFile::Open(const std::string& strPath, FileStatus* pStatus)
{
    FileStatus status;
    if (strPath.empty() || strPath.back() == '/')
        status.nErrno = EISDIR;
    for (int nAttempt = 0; status.Ok() && nAttempt < kTemporaryAttempts; ++nAttempt) {
        std::string strTemp = strPath + ".part-" + TemporarySuffix(&strPath, nAttempt);
        const int fd = ::open(strTemp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            if (pStatus)
                *pStatus = {};
            return std::unique_ptr<LocalWritableFile>(new LocalWritableFile(strPath, std::move(strTemp), fd));
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

LocalWritableFile::LocalWritableFile(std::string strPath, std::string strTemp, int fd)
    : m_strPath(std::move(strPath)), m_strTemp(std::move(strTemp)), m_fd(fd)
{
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
    if (::fsync(m_fd) != 0)
        return Fail(errno);
    // An atomic rename that refuses to replace; where the file system cannot do that, a hard
    // link (which refuses too) and then the temporary's removal.
    if (::renameat2(AT_FDCWD, m_strTemp.c_str(), AT_FDCWD, strFinalPath.c_str(), RENAME_NOREPLACE) == 0)
        return Finish(strFinalPath, false);
    int nErrno = errno;
    if (nErrno == EEXIST)
        return {EEXIST};
    if (nErrno == EINVAL || nErrno == ENOSYS || nErrno == ENOTSUP) {
        if (::link(m_strTemp.c_str(), strFinalPath.c_str()) == 0)
            return Finish(strFinalPath, true);
        nErrno = errno;
        if (nErrno == EEXIST)
            return {EEXIST};
    }
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
