#include "platform/file_store.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace ostrel {

namespace {

bool WriteAll(int fd, const uint8_t* pData, size_t nBytes)
{
    while (nBytes > 0) {
        const ssize_t n = ::write(fd, pData, nBytes);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        pData += n;
        nBytes -= static_cast<size_t>(n);
    }
    return true;
}

} // namespace

bool LocalFileStore::WriteWhole(const std::string& strPath, const uint8_t* pData, size_t nBytes)
{
    // Write beside the target and rename over it, so a full disk never leaves half a file.
    const std::string strTemp = strPath + ".part";
    const int fd = ::open(strTemp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool bWritten = WriteAll(fd, pData, nBytes);
    const bool bClosed = ::close(fd) == 0;
    if (!bWritten || !bClosed || std::rename(strTemp.c_str(), strPath.c_str()) != 0) {
        ::unlink(strTemp.c_str());
        return false;
    }
    return true;
}

bool LocalFileStore::Remove(const std::string& strPath)
{
    return ::unlink(strPath.c_str()) == 0 || errno == ENOENT;
}

} // namespace ostrel
