#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The address book of recorders, ini/cnn.ini under the work folder: one section per entry, the
// entry's name in brackets, then "IP=" and "PORT=" lines, as the private-profile writer makes
// them. No widget: the history dialog shows what ReadEntries finds and calls the two edits.
//
// The file is untrusted: only its first kProfileMaxFileBytes are read, and a larger file is
// never rewritten (that would lose what lies past the cap); every rewrite replaces the whole
// file atomically, so a failed or interrupted one leaves the old file.

namespace ostrel {

class FileStore;

struct IpHistoryEntry {
    std::string strName;
    std::string strIp;
    std::string strPort;

    // The port to use: the entry's, or the book's default for an entry without one.
    std::string_view PortOrDefault() const;

    bool operator==(const IpHistoryEntry&) const = default;
};

class IpHistoryBook {
public:
    static constexpr const char* kCnnIniPath = "ini/cnn.ini"; // under the work folder
    static constexpr const char* kDefaultName = "INTRANET";
    static constexpr const char* kDefaultPort = "8000";
    static constexpr size_t kMaxLineChars = 383;  // a longer line is read as its first 383
    static constexpr size_t kMaxValueChars = 127; // of an IP or PORT value

    enum class Result {
        Ok,
        Missing,  // there is no address book
        BadText,  // the name is empty or holds a line break, a zero or "]"; an IP or port holds a
                  // line break: the file cannot keep it
        TooLarge, // the file is, or would grow, past the cap: left as it is
        Failed,   // the file could not be read or written: left as it is
    };

    IpHistoryBook(const std::string& strWorkDir, FileStore& rFiles);

    const std::string& Path() const { return m_strPath; }

    // Every section header, in file order, with the IP and PORT of its section (the first
    // section of that name, without regard to case; empty when missing). Missing, with no rows,
    // when there is no file; Failed when it cannot be read.
    Result ReadEntries(std::vector<IpHistoryEntry>& rEntries) const;

    // What the history dialog lists. Without a file, the ini folder and the file are created
    // with the default entry (kDefaultName at strDefaultIp, kDefaultPort), which is then the one
    // row even when the file could not be written; an existing empty file gives no rows.
    std::vector<IpHistoryEntry> LoadOrCreate(std::string_view strDefaultIp, Result* pResult = nullptr);

    // Sets IP and PORT in the section strName, creating the ini folder and the file as needed. The
    // section is added at the end, or updated in place when one of that name (without regard to
    // case) exists.
    Result AddHistoryEntry(std::string_view strName, std::string_view strIp, std::string_view strPort);

    // Removes every line that holds "[strName]" and the two lines after each: the section as the
    // writer made it. Ok also when there is no such section; Missing without a file; nothing is
    // done for an empty name.
    Result DeleteHistoryEntry(std::string_view strName);

private:
    std::string m_strDir;  // the ini folder
    std::string m_strPath; // the file
    FileStore& m_rFiles;
};

// The operator's message for a refused edit of the book; empty for Ok and Missing.
std::string HistoryMessage(IpHistoryBook::Result result);

// The site list: the entries whose name holds strTyped (letters without regard to case;
// everything for an empty text), in the book's order.
std::vector<IpHistoryEntry> FilterSites(const std::vector<IpHistoryEntry>& entries, std::string_view strTyped);

} // namespace ostrel
