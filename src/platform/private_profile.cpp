#include "platform/private_profile.h"

#include "platform/file_store.h"

#include <algorithm>
#include <climits>
#include <optional>
#include <vector>

namespace ostrel {

std::string_view ProfileTrim(std::string_view s)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && (blank(s.back()) || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

std::optional<std::string_view> ProfileSectionOf(std::string_view line)
{
    line = ProfileTrim(line);
    if (line.empty() || line.front() != '[')
        return std::nullopt;
    line.remove_prefix(1);
    const size_t close = line.find(']');
    return ProfileTrim(close == std::string_view::npos ? line : line.substr(0, close));
}

std::optional<ProfileKeyLine> ProfileKeyOf(std::string_view line)
{
    const std::string_view trimmed = ProfileTrim(line);
    if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '[')
        return std::nullopt;
    const size_t eq = trimmed.find('=');
    if (eq == std::string_view::npos)
        return std::nullopt;
    return ProfileKeyLine{ProfileTrim(trimmed.substr(0, eq)), ProfileTrim(trimmed.substr(eq + 1))};
}

namespace {

enum class ReadResult { Ok, Missing, Failed, TooLarge };

// Reads at most nLimit bytes through rStore; TooLarge (with the first nLimit bytes) when the
// file has more. A FIFO, a device or a folder reads as Failed without waiting for a writer.
ReadResult ReadFilePrefix(FileStore& rStore, const std::string& strPath, size_t nLimit, std::string& strOut)
{
    strOut.clear();
    std::vector<uint8_t> bytes;
    const FileReadResult read = rStore.ReadAtMost(strPath, nLimit, bytes);
    if (read.kind == FileReadResult::Kind::Missing)
        return ReadResult::Missing;
    if (read.kind != FileReadResult::Kind::Ok)
        return ReadResult::Failed;
    strOut.assign(bytes.begin(), bytes.end());
    return read.bTruncated ? ReadResult::TooLarge : ReadResult::Ok;
}

struct Line {
    std::string_view text; // without its line ending
    std::string_view eol;  // "\n", "\r\n" or "" for a last line without one
};

std::vector<Line> SplitLines(std::string_view content)
{
    std::vector<Line> lines;
    size_t pos = 0;
    while (pos < content.size()) {
        const size_t nl = content.find('\n', pos);
        if (nl == std::string_view::npos) {
            lines.push_back({content.substr(pos), {}});
            break;
        }
        size_t end = nl;
        if (end > pos && content[end - 1] == '\r')
            --end;
        lines.push_back({content.substr(pos, end - pos), content.substr(end, nl + 1 - end)});
        pos = nl + 1;
    }
    return lines;
}


char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    return true;
}

// Where a key sits in the parsed lines.
struct Lookup {
    std::optional<size_t> section;  // index of the header line
    size_t sectionEnd = 0;          // one past the section's last line
    std::optional<size_t> key;      // index of the key line
};

Lookup Find(const std::vector<Line>& lines, std::string_view strSection, std::string_view strKey)
{
    Lookup found;
    for (size_t i = 0; i < lines.size(); ++i) {
        const auto section = ProfileSectionOf(lines[i].text);
        if (!found.section) {
            if (section && SameName(*section, strSection))
                found.section = i;
            continue;
        }
        if (section) {
            found.sectionEnd = i;
            return found;
        }
        if (!found.key) {
            const auto key = ProfileKeyOf(lines[i].text);
            if (key && SameName(key->key, strKey))
                found.key = i;
        }
    }
    found.sectionEnd = lines.size();
    return found;
}

std::string_view Unquote(std::string_view value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

std::optional<std::string> ReadValue(std::string_view strSection, std::string_view strKey, const std::string& strPath)
{
    std::string content;
    LocalFileStore store;
    const ReadResult result = ReadFilePrefix(store, strPath, kProfileMaxFileBytes, content);
    if (result == ReadResult::Missing || result == ReadResult::Failed)
        return std::nullopt;
    const std::vector<Line> lines = SplitLines(content);
    const Lookup found = Find(lines, ProfileTrim(strSection), ProfileTrim(strKey));
    if (!found.key)
        return std::nullopt;
    std::string_view value = Unquote(ProfileKeyOf(lines[*found.key].text)->value);
    const size_t zero = value.find('\0');
    if (zero != std::string_view::npos)
        value = value.substr(0, zero);
    return std::string(value);
}

bool BreaksLines(std::string_view s)
{
    return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

} // namespace

int ReadProfileInt(std::string_view strSection, std::string_view strKey, int nDefault, const std::string& strPath)
{
    const std::optional<std::string> value = ReadValue(strSection, strKey, strPath);
    if (!value || value->empty())
        return nDefault;
    std::string_view s = *value;
    bool bNegative = false;
    if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
        bNegative = s.front() == '-';
        s.remove_prefix(1);
    }
    long long n = 0;
    for (const char c : s) {
        if (c < '0' || c > '9')
            break;
        n = std::min<long long>(n * 10 + (c - '0'), static_cast<long long>(INT_MAX) + 1);
    }
    if (bNegative)
        n = -n;
    return static_cast<int>(std::clamp<long long>(n, INT_MIN, INT_MAX));
}

std::string ReadProfileString(std::string_view strSection, std::string_view strKey, std::string_view strDefault,
                              const std::string& strPath, size_t nMaxChars)
{
    std::string result = ReadValue(strSection, strKey, strPath).value_or(std::string(strDefault));
    if (result.size() > nMaxChars)
        result.resize(nMaxChars);
    return result;
}

std::optional<std::string> SetProfileString(std::string_view content, std::string_view strSection,
                                            std::string_view strKey, std::string_view strValue)
{
    if (BreaksLines(strSection) || BreaksLines(strKey) || BreaksLines(strValue))
        return std::nullopt;
    strSection = ProfileTrim(strSection);
    strKey = ProfileTrim(strKey);
    if (strSection.empty() || strKey.empty() || strSection.find(']') != std::string_view::npos
        || strKey.find('=') != std::string_view::npos || strKey.front() == '[' || strKey.front() == ';')
        return std::nullopt;

    const std::vector<Line> lines = SplitLines(content);
    std::string_view eol = "\n";
    for (const Line& l : lines) {
        if (!l.eol.empty()) {
            eol = l.eol;
            break;
        }
    }

    const Lookup found = Find(lines, strSection, strKey);
    std::string out;
    out.reserve(content.size() + strSection.size() + strKey.size() + strValue.size() + 8);
    const auto append = [&](std::string_view text, std::string_view lineEnd) {
        out.append(text);
        out.append(lineEnd);
    };
    const auto appendKey = [&](std::string_view key) {
        out.append(key);
        out.push_back('=');
        out.append(strValue);
        out.append(eol);
    };

    // A new key goes after the section's last non-blank line, ahead of any blank lines.
    std::optional<size_t> insertAfter;
    if (found.section && !found.key) {
        insertAfter = *found.section;
        for (size_t i = *found.section + 1; i < found.sectionEnd; ++i)
            if (!ProfileTrim(lines[i].text).empty())
                insertAfter = i;
    }
    for (size_t i = 0; i < lines.size(); ++i) {
        if (found.key && i == *found.key) {
            // The key keeps its spelling and its leading blanks.
            const std::string_view text = lines[i].text;
            const size_t eq = text.find('=');
            out.append(text.substr(0, text.find_last_not_of(" \t", eq - 1) + 1));
            out.push_back('=');
            out.append(strValue);
            out.append(lines[i].eol.empty() ? eol : lines[i].eol);
            continue;
        }
        if (insertAfter && i == *insertAfter) {
            append(lines[i].text, lines[i].eol.empty() ? eol : lines[i].eol);
            appendKey(strKey);
            continue;
        }
        append(lines[i].text, lines[i].eol.empty() && i + 1 == lines.size() && !found.section ? eol : lines[i].eol);
    }
    if (!found.section) {
        out.push_back('[');
        out.append(strSection);
        out.push_back(']');
        out.append(eol);
        appendKey(strKey);
    }
    return out;
}

bool WriteProfileString(std::string_view strSection, std::string_view strKey, std::string_view strValue,
                        const std::string& strPath, FileStore& rStore)
{
    std::string content;
    const ReadResult result = ReadFilePrefix(rStore, strPath, kProfileMaxFileBytes, content);
    if (result == ReadResult::Failed || result == ReadResult::TooLarge)
        return false; // rewriting a part of the file would lose the rest
    const std::optional<std::string> out = SetProfileString(content, strSection, strKey, strValue);
    return out && rStore.WriteWhole(strPath, reinterpret_cast<const uint8_t*>(out->data()), out->size());
}

bool WriteProfileString(std::string_view strSection, std::string_view strKey, std::string_view strValue,
                        const std::string& strPath)
{
    LocalFileStore store;
    return WriteProfileString(strSection, strKey, strValue, strPath, store);
}

} // namespace ostrel
