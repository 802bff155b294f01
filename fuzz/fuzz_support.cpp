#include "fuzz_support.h"

#include <filesystem>
#include <system_error>

#include <unistd.h>

namespace ostrel::fuzz {

namespace {

struct Scratch {
    std::string strPath;
    Scratch()
    {
        const char* pszTmp = std::getenv("TMPDIR");
        std::string strTemplate = std::string(pszTmp && *pszTmp ? pszTmp : "/tmp") + "/ostrel-fuzz-XXXXXX";
        if (!::mkdtemp(strTemplate.data())) {
            std::perror("mkdtemp");
            std::abort();
        }
        strPath = strTemplate;
    }
    ~Scratch()
    {
        std::error_code ec;
        std::filesystem::remove_all(strPath, ec);
    }
};

} // namespace

const std::string& ScratchFolder()
{
    static const Scratch scratch;
    return scratch.strPath;
}

void WriteScratchFile(const std::string& strPath, std::string_view bytes)
{
    std::FILE* pFile = std::fopen(strPath.c_str(), "wb");
    FUZZ_CHECK(pFile != nullptr);
    FUZZ_CHECK(std::fwrite(bytes.data(), 1, bytes.size(), pFile) == bytes.size());
    FUZZ_CHECK(std::fclose(pFile) == 0);
}

} // namespace ostrel::fuzz
