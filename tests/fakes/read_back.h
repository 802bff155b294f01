#pragma once

// Reading files back with independent tools (ffprobe, ffmpeg), for tests of the files the
// program writes.

#include <cstdio>
#include <string>

namespace ostrel::test {

// A command's standard output (its standard error dropped); empty when it cannot start.
inline std::string RunShell(const std::string& strCommand)
{
    std::string out;
    FILE* pPipe = ::popen((strCommand + " 2>/dev/null").c_str(), "r");
    char buf[4096];
    for (size_t n = 0; pPipe && (n = std::fread(buf, 1, sizeof buf, pPipe)) > 0;)
        out.append(buf, n);
    if (pPipe)
        ::pclose(pPipe);
    return out;
}

} // namespace ostrel::test
