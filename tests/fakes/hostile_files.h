#pragma once

// Files an operator's disk may hold where the program expects its own small ones, and a disk
// that fills at a chosen byte, for tests on the real file system.

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ostrel::test {

// While it lives, no file of this process can grow past nBytes: a write beyond fails with
// EFBIG, as on a full disk (works as root too, unlike a read-only folder). Nothing may be
// printed to a file meanwhile.
class FileSizeLimit {
public:
    explicit FileSizeLimit(uint64_t nBytes)
    {
        std::signal(SIGXFSZ, SIG_IGN); // a failed write instead of the end of the process
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit limit = m_old;
        limit.rlim_cur = static_cast<rlim_t>(nBytes);
        m_bSet = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit() { ::setrlimit(RLIMIT_FSIZE, &m_old); }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    bool IsSet() const { return m_bSet; }

private:
    rlimit m_old{};
    bool m_bSet = false;
};

// Root writes into read-only folders, so such a test means nothing there.
inline bool RunsAsRoot()
{
    return ::geteuid() == 0;
}

inline void PutBytes(const std::filesystem::path& path, const std::string& strBytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << strBytes;
}

inline std::optional<std::string> GetBytes(const std::filesystem::path& path)
{
    if (!std::filesystem::is_regular_file(path))
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// strStart, then holes up to nBytes: a huge file that costs no disk.
inline void PutSparse(const std::filesystem::path& path, const std::string& strStart, uint64_t nBytes)
{
    PutBytes(path, strStart);
    std::filesystem::resize_file(path, nBytes);
}

// strStart, then nLineBytes of 'x' without a line break, then strEnd.
inline void PutEndlessLine(const std::filesystem::path& path, const std::string& strStart, uint64_t nLineBytes,
                           const std::string& strEnd)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << strStart;
    const std::string chunk(1 << 20, 'x');
    for (uint64_t n = 0; n < nLineBytes; n += chunk.size())
        out.write(chunk.data(), static_cast<std::streamsize>(std::min<uint64_t>(chunk.size(), nLineBytes - n)));
    out << strEnd;
}

// nBytes of every byte value in a fixed pseudo-random order (a xorshift), line breaks and
// zeros included.
inline std::string Garbage(size_t nBytes, uint32_t dwSeed = 0x9E3779B9u)
{
    std::string s(nBytes, '\0');
    for (char& c : s) {
        dwSeed ^= dwSeed << 13;
        dwSeed ^= dwSeed >> 17;
        dwSeed ^= dwSeed << 5;
        c = static_cast<char>(dwSeed >> 24);
    }
    return s;
}

// A named pipe: opening it for reading waits for a writer unless the reader takes care.
inline bool PutFifo(const std::filesystem::path& path)
{
    return ::mkfifo(path.c_str(), 0644) == 0;
}

// Files in the folder whose names mark them as a writer's temporaries.
inline size_t Temporaries(const std::filesystem::path& folder)
{
    size_t n = 0;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
        n += entry.path().filename().string().find(".part") != std::string::npos;
    return n;
}

} // namespace ostrel::test
