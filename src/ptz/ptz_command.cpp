#include "ptz/ptz_command.h"

#include "platform/file_store.h"

#include <algorithm>
#include <climits>
#include <vector>

namespace ostrel {

std::string_view PtzCommand::Name() const
{
    const auto* pEnd = std::find(szName.begin(), szName.end(), '\0');
    return {szName.data(), static_cast<size_t>(pEnd - szName.begin())};
}

const PtzCommand& PtzCommandTable::At(int nSection, int nSlot) const
{
    static const PtzCommand kEmpty{};
    if (nSection < 0 || nSection >= kCameras || nSlot < 0 || nSlot >= kSlots)
        return kEmpty;
    return sections[static_cast<size_t>(nSection)][static_cast<size_t>(nSlot)];
}

std::string GetPtzFilePath(int nType, std::string_view strCurrentDir)
{
    if (nType < 0 || nType >= kPtzCameraTypes)
        return {};
    std::string strPath(strCurrentDir);
    strPath += "/PTZ/";
    strPath += kPtzTypeFiles[nType];
    return strPath;
}

uint8_t HexByte(std::string_view strField)
{
    // Unsigned arithmetic wraps where the rule's digits go negative; only the low 8 bits count.
    uint32_t dwValue = 0;
    for (char c : strField) {
        const uint32_t dwCode = static_cast<unsigned char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
        const uint32_t dwDigit = dwCode < ':' ? dwCode - '0' : dwCode - 'A' + 10;
        dwValue = dwValue * 16 + dwDigit;
    }
    return static_cast<uint8_t>(dwValue & 0xFF);
}

namespace {

bool IsCSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// A decimal integer as the C library's atoi reads one: leading blanks, an optional sign, digits;
// anything else ends it. Too large a value reads as the nearest int instead of overflowing.
int DecimalValue(std::string_view str)
{
    size_t i = 0;
    while (i < str.size() && IsCSpace(str[i]))
        ++i;
    bool bNegative = false;
    if (i < str.size() && (str[i] == '+' || str[i] == '-'))
        bNegative = str[i++] == '-';
    int64_t nValue = 0;
    for (; i < str.size() && str[i] >= '0' && str[i] <= '9'; ++i)
        nValue = std::min<int64_t>(nValue * 10 + (str[i] - '0'), int64_t{INT_MAX} + 1);
    if (bNegative)
        return static_cast<int>(-nValue);
    return static_cast<int>(std::min<int64_t>(nValue, INT_MAX));
}

// Lines as the text-mode line reader gives them: at most kPtzLineChars characters, "\r\n" read
// as "\n", the "\n" kept; a longer line comes as several. A line's text ends at a zero byte.
class LineReader {
public:
    LineReader(const uint8_t* pText, size_t nBytes) : m_pText(pText), m_nBytes(nBytes) {}

    bool AtEnd() const { return m_nPos >= m_nBytes; }

    // False when nothing is left.
    bool Read(std::string& rLine)
    {
        rLine.clear();
        if (AtEnd())
            return false;
        while (m_nPos < m_nBytes && rLine.size() < kPtzLineChars) {
            char c = static_cast<char>(m_pText[m_nPos++]);
            if (c == '\r' && m_nPos < m_nBytes && m_pText[m_nPos] == '\n')
                c = static_cast<char>(m_pText[m_nPos++]);
            rLine.push_back(c);
            if (c == '\n')
                break;
        }
        const size_t nZero = rLine.find('\0');
        if (nZero != std::string::npos)
            rLine.resize(nZero);
        return true;
    }

private:
    const uint8_t* m_pText;
    size_t m_nBytes;
    size_t m_nPos = 0;
};

// The section number a header line carries, or 0 (or less) for a command line: leading '<' and
// '>' skipped, the text cut at the next one, read as a decimal integer.
int HeaderNumber(std::string_view strLine)
{
    const size_t nStart = strLine.find_first_not_of("<>");
    if (nStart == std::string_view::npos)
        return 0;
    std::string_view strNumber = strLine.substr(nStart);
    return DecimalValue(strNumber.substr(0, strNumber.find_first_of("<>")));
}

void FillCommand(std::string_view strLine, PtzCommand& rCommand)
{
    rCommand = PtzCommand{};
    strLine = strLine.substr(0, strLine.find_first_of("\r\n"));
    int nField = 0;
    size_t nPos = 0;
    while (nPos < strLine.size()) {
        const size_t nStart = strLine.find_first_not_of('/', nPos);
        if (nStart == std::string_view::npos)
            break;
        const size_t nEnd = std::min(strLine.find('/', nStart), strLine.size());
        const std::string_view strField = strLine.substr(nStart, nEnd - nStart);
        nPos = nEnd;
        if (nField == 0) {
            const size_t nChars = std::min(strField.size(), PtzCommand::kNameChars - 1);
            std::copy_n(strField.begin(), nChars, rCommand.szName.begin());
        } else if (nField == 1) {
            rCommand.nLength = std::clamp(DecimalValue(strField), 0, PtzCommand::kMaxBytes);
        } else if (nField - 2 < PtzCommand::kMaxBytes) {
            rCommand.bytes[static_cast<size_t>(nField - 2)] = HexByte(strField);
        } else {
            break; // byte fields past the record's 32 are ignored
        }
        ++nField;
    }
}

} // namespace

int ParseCameraTable(const uint8_t* pText, size_t nBytes, PtzCommandTable& rTable)
{
    LineReader reader(pText, nBytes);
    std::string strLine;
    int nCurrent = 0; // section being read, 1-based; 0 before the first header
    int nSlotCounter = 0;
    while (!reader.AtEnd() && nCurrent <= PtzCommandTable::kCameras) {
        if (!reader.Read(strLine))
            continue;
        const int nHeader = HeaderNumber(strLine);
        if (nHeader > 0) {
            nCurrent = nHeader;
            nSlotCounter = 0;
            // The next line is the section's first command, even when it looks like a header.
            if (!reader.Read(strLine))
                break;
        }
        if (nCurrent < 1 || nCurrent > PtzCommandTable::kLoadedCameras)
            continue;
        if (!strLine.empty() && strLine[0] == '\n')
            continue;
        if (nSlotCounter >= PtzCommandTable::kSlots)
            continue; // lines past the section's 30 slots are ignored
        FillCommand(strLine, rTable.sections[static_cast<size_t>(nCurrent - 1)][static_cast<size_t>(nSlotCounter)]);
        ++nSlotCounter;
    }
    return nSlotCounter;
}

CameraTableResult LoadCameraTable(FileStore& rFiles, const std::string& strPath, PtzCommandTable& rTable)
{
    CameraTableResult result;
    if (strPath.empty())
        return result;
    std::vector<uint8_t> text;
    const FileReadResult read = rFiles.ReadAtMost(strPath, kPtzMaxFileBytes, text);
    if (read.kind == FileReadResult::Kind::Missing) {
        result.load = CameraTableLoad::Missing;
        return result;
    }
    if (read.kind != FileReadResult::Kind::Ok) {
        result.load = CameraTableLoad::Unreadable;
        return result;
    }
    result.load = CameraTableLoad::Loaded;
    result.nSlotCounter = ParseCameraTable(text.data(), text.size(), rTable);
    return result;
}

} // namespace ostrel
