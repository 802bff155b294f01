// The PTZ command file reader (".tl") on any text. Oracles: every record stays inside its
// bounds and no section past camera 8 is touched; and the table, written back out as a command
// file by the plain rules of the format, reads back to the same table.
#include "fuzz_support.h"

#include "ptz/ptz_command.h"

#include <cstdio>
#include <string>

using namespace ostrel;

namespace {

bool EmptyRecord(const PtzCommand& c)
{
    if (c.nLength != 0)
        return false;
    for (char ch : c.szName)
        if (ch != 0)
            return false;
    for (uint8_t by : c.bytes)
        if (by != 0)
            return false;
    return true;
}

bool SameRecord(const PtzCommand& a, const PtzCommand& b)
{
    return a.szName == b.szName && a.nLength == b.nLength && a.bytes == b.bytes;
}

// A name that the reader would take for a section header when it stands on a line of its own:
// after '<' and '>', blanks, an optional '+', a digit (the decimal value may then be positive).
bool LooksLikeHeader(std::string_view name)
{
    size_t i = 0;
    while (i < name.size() && (name[i] == '<' || name[i] == '>'))
        ++i;
    while (i < name.size() && (name[i] == ' ' || name[i] == '\t' || name[i] == '\v' || name[i] == '\f'))
        ++i;
    if (i < name.size() && name[i] == '+')
        ++i;
    return i < name.size() && name[i] >= '0' && name[i] <= '9';
}

// The file that holds the table: a header per loaded section, then one line per slot up to its
// last used one; an empty slot is a line holding only a zero byte. False when a name cannot be
// written so that it reads back the same.
bool WriteTable(const PtzCommandTable& table, std::string& rText)
{
    rText.clear();
    for (int nSection = 0; nSection < PtzCommandTable::kLoadedCameras; ++nSection) {
        const auto& section = table.sections[static_cast<size_t>(nSection)];
        int nLast = -1;
        for (int nSlot = 0; nSlot < PtzCommandTable::kSlots; ++nSlot)
            if (!EmptyRecord(section[static_cast<size_t>(nSlot)]))
                nLast = nSlot;
        if (nLast < 0)
            continue;
        rText += "<" + std::to_string(nSection + 1) + ">\n";
        for (int nSlot = 0; nSlot <= nLast; ++nSlot) {
            const PtzCommand& c = section[static_cast<size_t>(nSlot)];
            if (EmptyRecord(c)) {
                rText.push_back('\0');
                rText.push_back('\n');
                continue;
            }
            const std::string_view name = c.Name();
            // Runs of '/' separate fields, so a command needs a name; the first line of a
            // section is a command whatever it looks like.
            if (name.empty() || (nSlot > 0 && LooksLikeHeader(name)))
                return false;
            rText += name;
            rText += "/" + std::to_string(c.nLength);
            for (uint8_t by : c.bytes) {
                char hex[4];
                std::snprintf(hex, sizeof hex, "/%02X", by);
                rText += hex;
            }
            rText.push_back('\n');
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    PtzCommandTable table;
    const int nCounter = ParseCameraTable(pData, nSize, table);
    FUZZ_CHECK(nCounter >= 0 && nCounter <= PtzCommandTable::kSlots);

    for (int nSection = 0; nSection < PtzCommandTable::kCameras; ++nSection)
        for (int nSlot = 0; nSlot < PtzCommandTable::kSlots; ++nSlot) {
            const PtzCommand& c = table.At(nSection, nSlot);
            if (nSection >= PtzCommandTable::kLoadedCameras) {
                FUZZ_CHECK(EmptyRecord(c));
                continue;
            }
            FUZZ_CHECK(c.nLength >= 0 && c.nLength <= PtzCommand::kMaxBytes);
            FUZZ_CHECK(c.szName.back() == '\0');
            const std::string_view name = c.Name();
            FUZZ_CHECK(name.find_first_of("/\r\n") == std::string_view::npos);
        }

    std::string strText;
    if (!WriteTable(table, strText))
        return 0;
    PtzCommandTable again;
    ParseCameraTable(reinterpret_cast<const uint8_t*>(strText.data()), strText.size(), again);
    for (int nSection = 0; nSection < PtzCommandTable::kCameras; ++nSection)
        for (int nSlot = 0; nSlot < PtzCommandTable::kSlots; ++nSlot)
            FUZZ_CHECK(SameRecord(table.At(nSection, nSlot), again.At(nSection, nSlot)));
    return 0;
}
