// The address book (ini/cnn.ini) on any file: listing its entries, deleting one and adding one,
// through the local file system in the scratch folder. Oracles: the delete keeps every other
// line as it was and in order, and drops each line naming the entry with the two after it; an
// added entry is listed with its address and port.
//
// Input: the name to delete, then name, address and port to add (each a length byte and its
// bytes), then the file.
#include "fuzz_support.h"

#include "config/ip_history_book.h"
#include "platform/file_store.h"
#include "platform/private_profile.h"

#include <filesystem>
#include <string>
#include <vector>

using namespace ostrel;
using ostrel::fuzz::InputReader;

namespace {

std::vector<std::string> LinesWithEnds(std::string_view text)
{
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        end = end == std::string_view::npos ? text.size() : end + 1;
        lines.emplace_back(text.substr(pos, end - pos));
        pos = end;
    }
    return lines;
}

std::string Lower(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

std::string ReadAll(FileStore& files, const std::string& strPath)
{
    std::vector<uint8_t> bytes;
    FUZZ_CHECK(files.ReadAtMost(strPath, kProfileMaxFileBytes + 1, bytes).kind == FileReadResult::Kind::Ok);
    return std::string(bytes.begin(), bytes.end());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    InputReader in(pData, nSize);
    const std::string_view deleteName = in.Text(64);
    const std::string_view addName = in.Text(64);
    const std::string_view addIp = in.Text(64);
    const std::string_view addPort = in.Text(16);
    const std::string_view text = in.RestText();

    static const std::string strWork = [] {
        const std::string strDir = fuzz::ScratchFolder() + "/book";
        std::filesystem::create_directories(strDir + "/ini");
        return strDir;
    }();
    LocalFileStore files;
    IpHistoryBook book(strWork, files);
    fuzz::WriteScratchFile(book.Path(), text);

    std::vector<IpHistoryEntry> entries;
    FUZZ_CHECK(book.ReadEntries(entries) == IpHistoryBook::Result::Ok);
    for (const IpHistoryEntry& entry : entries) {
        FUZZ_CHECK(entry.strName.size() <= IpHistoryBook::kMaxLineChars);
        FUZZ_CHECK(entry.strIp.size() <= IpHistoryBook::kMaxValueChars);
        FUZZ_CHECK(entry.strPort.size() <= IpHistoryBook::kMaxValueChars);
    }

    // Delete: the lines left are the lines before, less each one holding "[name]" and the two
    // after it.
    FUZZ_CHECK(book.DeleteHistoryEntry(deleteName) == IpHistoryBook::Result::Ok);
    const std::vector<std::string> before = LinesWithEnds(text);
    std::vector<std::string> kept;
    const std::string strHeader = "[" + std::string(deleteName) + "]";
    for (size_t i = 0; i < before.size(); ++i) {
        if (!deleteName.empty() && before[i].find(strHeader) != std::string::npos) {
            size_t nSkipped = 0;
            while (nSkipped < 2 && i + 1 < before.size() && before[i + 1].find(strHeader) == std::string::npos) {
                ++i;
                ++nSkipped;
            }
            continue;
        }
        kept.push_back(before[i]);
    }
    std::string strExpected;
    for (const std::string& line : kept)
        strExpected += line;
    const std::string strAfterDelete = ReadAll(files, book.Path());
    FUZZ_CHECK(strAfterDelete == strExpected);

    // Add: listed with what was given, or refused for the documented reasons.
    const IpHistoryBook::Result added = book.AddHistoryEntry(addName, addIp, addPort);
    const auto breaks = [](std::string_view s) {
        return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
    };
    const std::string strTrimmedName(ProfileTrim(addName));
    const bool bBad = strTrimmedName.empty() || breaks(addName) || addName.find(']') != std::string_view::npos
                      || breaks(addIp) || breaks(addPort);
    if (bBad) {
        FUZZ_CHECK(added == IpHistoryBook::Result::BadText);
        FUZZ_CHECK(ReadAll(files, book.Path()) == strAfterDelete);
        return 0;
    }
    FUZZ_CHECK(added == IpHistoryBook::Result::Ok);
    FUZZ_CHECK(book.ReadEntries(entries) == IpHistoryBook::Result::Ok);
    const IpHistoryEntry* pFound = nullptr;
    for (const IpHistoryEntry& entry : entries)
        if (Lower(entry.strName) == Lower(strTrimmedName.substr(0, IpHistoryBook::kMaxLineChars))) {
            pFound = &entry;
            break;
        }
    FUZZ_CHECK(pFound != nullptr);
    const auto readBack = [](std::string_view s) {
        std::string v(ProfileTrim(s));
        if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
            v = v.substr(1, v.size() - 2);
        return v.substr(0, IpHistoryBook::kMaxValueChars);
    };
    FUZZ_CHECK(pFound->strIp == readBack(addIp));
    FUZZ_CHECK(pFound->strPort == readBack(addPort));
    return 0;
}
