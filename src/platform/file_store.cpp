#include "platform/file_store.h"

#include "platform/local_writable_file.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ostrel {

namespace {

// Reads into pData until nBytes are in or the file ends; bytes read, or -1 with errno set.
ssize_t ReadFull(int fd, uint8_t* pData, size_t nBytes)
{
    size_t nDone = 0;
    while (nDone < nBytes) {
        const ssize_t n = ::read(fd, pData + nDone, nBytes - nDone);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (n == 0)
            break;
        nDone += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(nDone);
}

constexpr size_t kReadStepBytes = 64 * 1024;

} // namespace

bool LocalFileStore::WriteWhole(const std::string& strPath, const uint8_t* pData, size_t nBytes, FileAccess access)
{
    // A temporary of its own beside the target, flushed to the disk and renamed over it: a full
    // disk or a crash never leaves half a file, and no other file (a "<name>.part" of the
    // operator's, a second writer's temporary) is touched.
    const std::unique_ptr<LocalWritableFile> pFile = LocalWritableFile::Open(strPath, nullptr, access, m_calls);
    return pFile && pFile->Write(pData, nBytes).Ok() && pFile->Close().Ok();
}

bool LocalFileStore::Remove(const std::string& strPath)
{
    return ::unlink(strPath.c_str()) == 0 || errno == ENOENT;
}

bool LocalFileStore::MakeFolder(const std::string& strPath)
{
    std::error_code ec;
    std::filesystem::create_directories(strPath, ec);
    return !strPath.empty() && std::filesystem::is_directory(strPath, ec);
}

std::unique_ptr<WritableFile> LocalFileStore::OpenWritable(const std::string& strPath, FileStatus* pStatus)
{
    return LocalWritableFile::Open(strPath, pStatus, FileAccess::Shared, m_calls);
}

FileReadResult LocalFileStore::ReadAtMost(const std::string& strPath, size_t nMaxBytes, std::vector<uint8_t>& rOut)
{
    rOut.clear();
    FileReadResult result;
    // Without O_NONBLOCK a FIFO would hold the open until some writer came.
    const int fd = ::open(strPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        result.nErrno = errno;
        result.kind = errno == ENOENT || errno == ENOTDIR ? FileReadResult::Kind::Missing : FileReadResult::Kind::Failed;
        return result;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        result.nErrno = errno;
    else if (S_ISDIR(st.st_mode))
        result.nErrno = EISDIR;
    else if (!S_ISREG(st.st_mode))
        result.nErrno = EINVAL; // a device or a FIFO: no file to read
    if (result.nErrno != 0) {
        ::close(fd);
        return result;
    }
    // The size is only a hint: the file may change while it is read. The vector never grows
    // past the limit; one byte beyond it, read aside, tells whether the file holds more.
    const size_t nHint = st.st_size > 0 ? static_cast<size_t>(st.st_size) : 0;
    rOut.reserve(std::min(nHint, nMaxBytes));
    for (;;) {
        const size_t nHave = rOut.size();
        if (nHave == nMaxBytes) {
            uint8_t byBeyond = 0;
            const ssize_t n = ReadFull(fd, &byBeyond, 1);
            if (n < 0)
                break;
            result.bTruncated = n > 0;
            result.kind = FileReadResult::Kind::Ok;
            break;
        }
        const size_t nStep = std::min(kReadStepBytes, nMaxBytes - nHave);
        if (rOut.capacity() < nHave + nStep)
            rOut.reserve(std::min(nMaxBytes, std::max(nHave + nStep, rOut.capacity() * 2)));
        rOut.resize(nHave + nStep);
        const ssize_t n = ReadFull(fd, rOut.data() + nHave, nStep);
        if (n < 0)
            break;
        rOut.resize(nHave + static_cast<size_t>(n));
        if (static_cast<size_t>(n) < nStep) {
            result.kind = FileReadResult::Kind::Ok;
            break;
        }
    }
    if (result.kind != FileReadResult::Kind::Ok) {
        result.nErrno = errno;
        rOut.clear();
    }
    ::close(fd);
    return result;
}

} // namespace ostrel
