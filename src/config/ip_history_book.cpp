#include "config/ip_history_book.h"

#include "platform/file_store.h"
#include "platform/private_profile.h"

#include <algorithm>
#include <optional>
#include <unordered_map>

namespace ostrel {

namespace {

std::string Lower(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// The lines of the text, each without its "\n" or "\r\n".
std::vector<std::string_view> SplitLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t nl = text.find('\n', pos);
        if (nl == std::string_view::npos)
            nl = text.size();
        std::string_view line = text.substr(pos, nl - pos);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back(line);
        pos = nl + 1;
    }
    return lines;
}

// A "key=value" line's value for the key, as the profile reader reads it.
std::optional<std::string_view> ValueOf(std::string_view line, std::string_view strKeyLower)
{
    const std::optional<ProfileKeyLine> keyLine = ProfileKeyOf(line);
    if (!keyLine || Lower(keyLine->key) != strKeyLower)
        return std::nullopt;
    std::string_view value = keyLine->value;
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    const size_t zero = value.find('\0');
    if (zero != std::string_view::npos)
        value = value.substr(0, zero);
    return value.substr(0, IpHistoryBook::kMaxValueChars);
}

bool HasLineBreak(std::string_view s)
{
    return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

IpHistoryBook::Result ReadBook(FileStore& rFiles, const std::string& strPath, std::vector<uint8_t>& rBytes)
{
    const FileReadResult read = rFiles.ReadAtMost(strPath, kProfileMaxFileBytes, rBytes);
    if (read.kind == FileReadResult::Kind::Missing)
        return IpHistoryBook::Result::Missing;
    if (read.kind != FileReadResult::Kind::Ok)
        return IpHistoryBook::Result::Failed;
    return read.bTruncated ? IpHistoryBook::Result::TooLarge : IpHistoryBook::Result::Ok;
}

std::string_view AsText(const std::vector<uint8_t>& bytes)
{
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

} // namespace

IpHistoryBook::IpHistoryBook(const std::string& strWorkDir, FileStore& rFiles)
    : m_strDir(strWorkDir + "/ini"), m_strPath(strWorkDir + "/" + kCnnIniPath), m_rFiles(rFiles)
{
}

IpHistoryBook::Result IpHistoryBook::ReadEntries(std::vector<IpHistoryEntry>& rEntries) const
{
    rEntries.clear();
    std::vector<uint8_t> bytes;
    const Result result = ReadBook(m_rFiles, m_strPath, bytes);
    if (result == Result::Missing || result == Result::Failed)
        return result;
    // Past the cap the reader sees nothing, so the list shows what lies before it.
    const std::vector<std::string_view> lines = SplitLines(AsText(bytes));

    struct Values {
        std::optional<std::string_view> ip, port;
    };
    std::vector<Values> sections;                        // by header line, in file order
    std::unordered_map<std::string, size_t> firstByName; // lower-case name -> first section
    Values* pCurrent = nullptr; // the section whose keys count (a repeated name's do not)
    for (const std::string_view line : lines) {
        if (const auto name = ProfileSectionOf(line)) {
            const std::string strKey = Lower(name->substr(0, kMaxLineChars));
            rEntries.push_back({std::string(name->substr(0, kMaxLineChars)), {}, {}});
            sections.emplace_back();
            const auto [it, bNew] = firstByName.emplace(strKey, sections.size() - 1);
            pCurrent = bNew ? &sections.back() : nullptr;
            continue;
        }
        if (!pCurrent)
            continue;
        if (!pCurrent->ip)
            pCurrent->ip = ValueOf(line, "ip");
        if (!pCurrent->port)
            pCurrent->port = ValueOf(line, "port");
    }
    for (IpHistoryEntry& entry : rEntries) {
        const Values& values = sections[firstByName.at(Lower(entry.strName))];
        entry.strIp = std::string(values.ip.value_or(""));
        entry.strPort = std::string(values.port.value_or(""));
    }
    return Result::Ok;
}

std::vector<IpHistoryEntry> IpHistoryBook::LoadOrCreate(std::string_view strDefaultIp, Result* pResult)
{
    std::vector<IpHistoryEntry> entries;
    Result result = ReadEntries(entries);
    if (result == Result::Missing) {
        result = AddHistoryEntry(kDefaultName, strDefaultIp, kDefaultPort);
        entries = {{kDefaultName, std::string(strDefaultIp), kDefaultPort}};
    }
    if (pResult)
        *pResult = result;
    return entries;
}

IpHistoryBook::Result IpHistoryBook::AddHistoryEntry(std::string_view strName, std::string_view strIp,
                                                     std::string_view strPort)
{
    if (ProfileTrim(strName).empty() || HasLineBreak(strName) || strName.find(']') != std::string_view::npos
        || HasLineBreak(strIp) || HasLineBreak(strPort))
        return Result::BadText;
    std::vector<uint8_t> before;
    const Result read = ReadBook(m_rFiles, m_strPath, before);
    if (read == Result::Failed || read == Result::TooLarge)
        return read;
    // The most a new section can add: "[name]", "IP=ip" and "PORT=port" with "\r\n" each.
    const size_t nGrowth = strName.size() + strIp.size() + strPort.size() + 16;
    if (before.size() + nGrowth > kProfileMaxFileBytes)
        return Result::TooLarge;
    if (read == Result::Missing)
        m_rFiles.MakeFolder(m_strDir); // a failure shows in the write
    // Both lines go into the file in one replacement: a section with an IP and no PORT would
    // throw the three-line sections out of step, and a failed write must leave the old book.
    std::optional<std::string> after = SetProfileString(AsText(before), strName, "IP", strIp);
    if (after)
        after = SetProfileString(*after, strName, "PORT", strPort);
    if (!after)
        return Result::BadText;
    if (!m_rFiles.WriteWhole(m_strPath, reinterpret_cast<const uint8_t*>(after->data()), after->size(),
                             FileAccess::Private))
        return Result::Failed;
    return Result::Ok;
}

IpHistoryBook::Result IpHistoryBook::DeleteHistoryEntry(std::string_view strName)
{
    if (strName.empty())
        return Result::Ok;
    std::vector<uint8_t> bytes;
    const Result read = ReadBook(m_rFiles, m_strPath, bytes);
    if (read != Result::Ok)
        return read;
    const std::string_view text = AsText(bytes);
    std::string out;
    out.reserve(text.size());
    int nSkip = 0;
    bool bRemoved = false;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        end = end == std::string_view::npos ? text.size() : end + 1;
        const std::string_view line = text.substr(pos, end - pos);
        pos = end;
        std::string_view bare = line;
        while (!bare.empty() && (bare.back() == '\n' || bare.back() == '\r'))
            bare.remove_suffix(1);
        // The section's own name, not a header that contains it: "[x" is not "x".
        const std::optional<std::string_view> section = ProfileSectionOf(bare);
        if (section && *section == strName) {
            nSkip = 2;
            bRemoved = true;
            continue;
        }
        if (nSkip > 0) {
            --nSkip;
            continue;
        }
        out.append(line);
    }
    if (!bRemoved)
        return Result::Ok;
    // The book names recorders and their ports: nobody else's to read.
    const bool bWritten
        = m_rFiles.WriteWhole(m_strPath, reinterpret_cast<const uint8_t*>(out.data()), out.size(), FileAccess::Private);
    return bWritten ? Result::Ok : Result::Failed;
}

std::string HistoryMessage(IpHistoryBook::Result result)
{
    switch (result) {
    case IpHistoryBook::Result::BadText:
        return "The address book cannot keep this entry: the name must not be empty or contain \"]\".";
    case IpHistoryBook::Result::TooLarge:
        return "The address book ini/cnn.ini is larger than 1 MiB; it is left as it is.";
    case IpHistoryBook::Result::Failed:
        return "The address book ini/cnn.ini could not be read or written; it is left as it is.";
    case IpHistoryBook::Result::Ok:
    case IpHistoryBook::Result::Missing:
        break;
    }
    return {};
}

std::string_view IpHistoryEntry::PortOrDefault() const
{
    return strPort.empty() ? std::string_view(IpHistoryBook::kDefaultPort) : std::string_view(strPort);
}

std::vector<IpHistoryEntry> FilterSites(const std::vector<IpHistoryEntry>& entries, std::string_view strTyped)
{
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    const auto holds = [&](std::string_view strName) {
        return std::search(strName.begin(), strName.end(), strTyped.begin(), strTyped.end(),
                           [&](char a, char b) { return lower(a) == lower(b); }) != strName.end();
    };
    std::vector<IpHistoryEntry> found;
    for (const IpHistoryEntry& entry : entries)
        if (strTyped.empty() || holds(entry.strName))
            found.push_back(entry);
    return found;
}

} // namespace ostrel
