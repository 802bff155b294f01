// The private-profile reader and writer (ini/opt.ini, ini/cnn.ini) on any file. The file is
// written to the scratch folder; a key is read, set and read again. Oracles: a successful
// write reads back as the value (blanks at its ends and matching quotes aside), another key
// keeps the value it had, and the writer refuses exactly the names and values it documents.
//
// Input: section, key and value of the write, section and key of another lookup (each a length
// byte and its bytes), then the file.
#include "fuzz_support.h"

#include "platform/file_store.h"
#include "platform/private_profile.h"

#include <string>

using namespace ostrel;
using ostrel::fuzz::InputReader;

namespace {

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string Trimmed(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return std::string(s);
}

bool SameName(std::string_view a, std::string_view b)
{
    const std::string x = Trimmed(a), y = Trimmed(b);
    if (x.size() != y.size())
        return false;
    for (size_t i = 0; i < x.size(); ++i)
        if (Lower(x[i]) != Lower(y[i]))
            return false;
    return true;
}

bool HasBreak(std::string_view s)
{
    return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// What reading a written value gives: blanks at its ends dropped, then matching quotes.
std::string ReadBackOf(std::string_view value)
{
    std::string s = Trimmed(value);
    if (s.size() >= 2 && (s.front() == '"' || s.front() == '\'') && s.back() == s.front())
        s = s.substr(1, s.size() - 2);
    return s.substr(0, kProfileMaxValueChars);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    InputReader in(pData, nSize);
    const std::string_view section = in.Text(64);
    const std::string_view key = in.Text(64);
    const std::string_view value = in.Text(255);
    const std::string_view otherSection = in.Text(64);
    const std::string_view otherKey = in.Text(64);

    static const std::string strPath = fuzz::ScratchFolder() + "/profile.ini";
    fuzz::WriteScratchFile(strPath, in.RestText());

    // The default marks a missing key. It holds a line break, which no value read from a file
    // can: a file's value may be any other text, the old marker's included.
    static constexpr const char* kMissing = "\n(missing)";
    const std::string strOtherBefore = ReadProfileString(otherSection, otherKey, kMissing, strPath);
    const int nOtherBefore = ReadProfileInt(otherSection, otherKey, -7, strPath);
    FUZZ_CHECK(strOtherBefore.size() <= kProfileMaxValueChars);
    FUZZ_CHECK(strOtherBefore.find('\0') == std::string::npos);
    if (strOtherBefore == kMissing)
        FUZZ_CHECK(nOtherBefore == -7);

    LocalFileStore store;
    const bool bWritten = WriteProfileString(section, key, value, strPath, store);
    const std::string strSection = Trimmed(section), strKey = Trimmed(key);
    const bool bWritable = !HasBreak(section) && !HasBreak(key) && !HasBreak(value) && !strSection.empty()
                           && !strKey.empty() && strSection.find(']') == std::string::npos
                           && strKey.find('=') == std::string::npos && strKey.front() != '[' && strKey.front() != ';';
    FUZZ_CHECK(bWritten == bWritable);
    if (!bWritten)
        return 0;

    FUZZ_CHECK(ReadProfileString(section, key, kMissing, strPath) == ReadBackOf(value));
    if (!(SameName(section, otherSection) && SameName(key, otherKey))) {
        FUZZ_CHECK(ReadProfileString(otherSection, otherKey, kMissing, strPath) == strOtherBefore);
        FUZZ_CHECK(ReadProfileInt(otherSection, otherKey, -7, strPath) == nOtherBefore);
    }
    return 0;
}
