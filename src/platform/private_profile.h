#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// Small text files of "[section]" headers and "key=value" lines (ini/opt.ini, ini/cnn.ini).
// Section and key names match without regard to case; spaces around names and values do not
// count; a value in matching quotes loses them; lines starting with ';' are comments. The first
// matching section and, within it, the first matching key win. Files are untrusted: only the
// first kProfileMaxFileBytes are ever read, and a value is cut at a zero byte.

namespace ostrel {

class FileStore;

inline constexpr size_t kProfileMaxFileBytes = 1024 * 1024;
inline constexpr size_t kProfileMaxValueChars = 4095;

// The integer at the start of the key's value (decimal, optional sign; digits after the first
// other character are ignored, a value without digits reads 0, too large a value reads as the
// nearest int). nDefault when the file, the section or the key is missing or the value is empty.
int ReadProfileInt(std::string_view strSection, std::string_view strKey, int nDefault,
                   const std::string& strPath);

// The key's value, at most nMaxChars characters; strDefault (cut the same way) when the file,
// the section or the key is missing.
std::string ReadProfileString(std::string_view strSection, std::string_view strKey,
                              std::string_view strDefault, const std::string& strPath,
                              size_t nMaxChars = kProfileMaxValueChars);

// Sets key=value in the section, creating the file, the section (appended at the end) or the
// key (after the section's last line) as needed; an existing key keeps its spelling and its
// place. Every other line, line ending included, stays as it was; new lines take the file's
// line ending. The file is replaced atomically through rStore. False, with the file untouched,
// when a name is empty or a name or the value would break the file's lines (line breaks, "]"
// in a section, "=" in a key), when the file is larger than kProfileMaxFileBytes or cannot be
// read, or when the write fails (a missing folder is not created).
bool WriteProfileString(std::string_view strSection, std::string_view strKey,
                        std::string_view strValue, const std::string& strPath, FileStore& rStore);
// The same on the local file system.
bool WriteProfileString(std::string_view strSection, std::string_view strKey,
                        std::string_view strValue, const std::string& strPath);
// The edit WriteProfileString makes, on a file's text in memory: the new text, or nothing for
// names or a value the file cannot keep. Callers that change several keys at once apply them
// all here and write the file once, so no one can see some of them without the others.
std::optional<std::string> SetProfileString(std::string_view content, std::string_view strSection,
                                            std::string_view strKey, std::string_view strValue);

// The line parsing the functions above use, for readers of such files that need more than one
// key (the address book lists every section).
// The text without blanks (and a line's '\r') at its ends.
std::string_view ProfileTrim(std::string_view s);
// The section name of a "[name]" header line: up to the first "]", blanks around it dropped.
std::optional<std::string_view> ProfileSectionOf(std::string_view line);
struct ProfileKeyLine {
    std::string_view key;
    std::string_view value; // as written: blanks dropped, quotes and zero bytes kept
};
// The key and value of a "key=value" line, blanks around both dropped; nothing for comments,
// headers and lines without "=".
std::optional<ProfileKeyLine> ProfileKeyOf(std::string_view line);

} // namespace ostrel
