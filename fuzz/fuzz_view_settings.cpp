// The settings store's value parsing and the view's settings block on a profile file, in two
// ways chosen by the first input byte (bit 0):
//  - 0, any file: the rest of the input is the profile. Oracles: every text field stays
//    terminated inside its array, and the loaded block survives its own save and load unchanged.
//  - 1, a written profile: the target writes the "[Setting]" section itself from the input's
//    choices and works out the block that must load from it: a key left out gives its default,
//    a text is cut to its field, a byte field keeps the low byte of its number. Input after the
//    mode byte: a 16-bit mask of the keys written, then for each key in the order below either
//    a text (a length byte and that many bytes, each mapped onto letters, digits, '.' and '_')
//    or four bytes of a 32-bit number, little-endian. The save and load check follows as well.
#include "fuzz_support.h"

#include "platform/qt_settings_store.h"
#include "session/view_settings.h"

#include <QString>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>

using namespace ostrel;

namespace {

template <size_t N>
void CheckText(const std::array<char, N>& field)
{
    FUZZ_CHECK(std::memchr(field.data(), 0, N) != nullptr);
    const std::string_view text = GetText(field);
    for (size_t i = text.size(); i < N; ++i)
        FUZZ_CHECK(field[i] == 0);
}

bool SameBlock(const ViewSettings& a, const ViewSettings& b)
{
    return a.szUserId == b.szUserId && a.szPassword == b.szPassword && a.szHostAddress == b.szHostAddress
           && a.szRecordPath == b.szRecordPath && a.nHostPort == b.nHostPort && a.byRotateInterval == b.byRotateInterval
           && a.byReconnectCount == b.byReconnectCount && a.byRequestSpeed == b.byRequestSpeed
           && a.byPtzType == b.byPtzType && a.bUseFullScreen == b.bUseFullScreen && a.bUseAlertMode == b.bUseAlertMode
           && a.byRecordInterval == b.byRecordInterval && a.byDateShow == b.byDateShow && a.byAviCodec == b.byAviCodec
           && a.szPtzFilePath == b.szPtzFilePath && a.szIpLabel == b.szIpLabel;
}

// QSettings keeps each file it parsed, per path, and parses it again only when its size or time
// changed, and the time may stay the same within a millisecond. So the profile read gets a time
// of its own every run (a second later than the run before), and the profile written is removed
// after each run. One name each: Qt keeps something for every name it has seen.
std::string ProfilePath(const char* pszKind)
{
    return fuzz::ScratchFolder() + "/" + pszKind + ".ini";
}

void WriteProfile(const std::string& strPath, std::string_view bytes)
{
    static long nRun = 0;
    fuzz::WriteScratchFile(strPath, bytes);
    std::filesystem::last_write_time(strPath, std::filesystem::file_time_type(std::chrono::seconds(++nRun)));
}

// The profile's keys as they stand in the file, with what a missing one loads as: the text
// field's size (0 for a number), the default, and whether only the low byte is kept.
struct Key {
    const char* pszName;
    size_t nTextBytes;
    const char* pszDefault;
    int64_t nDefault;
    bool bByte;
};
constexpr Key kKeys[] = {
    {"User%20ISeed", 64, "admin", 0, false},   {"User%20PSeed", 32, "1", 0, false},
    {"Host%20IPAddress", 128, "192.168.1.100", 0, false}, {"Host%20Port", 0, "", 8000, false},
    {"Rotate%20Interval", 0, "", 3, true},     {"Reconnect%20Count", 0, "", 3, true},
    {"Request%20Speed", 0, "", 4, true},       {"Use%20FullScreen", 0, "", 0, false},
    {"Use%20AlertMode", 0, "", 0, false},      {"Ptz%20Type", 0, "", 1, true},
    {"Record%20Interval", 0, "", 1, true},     {"Date%20Show", 0, "", 1, true},
    {"Avi%20Codec", 0, "", 0, true},           {"Ip%20Label", 66, "INTRANET", 0, false},
};
constexpr size_t kKeyCount = sizeof kKeys / sizeof kKeys[0];

// What each key must load as: a text or a number.
struct Expected {
    std::string strText[kKeyCount];
    int64_t nValue[kKeyCount] = {};
};

// Writes the profile from the input's choices; what must load from it.
Expected WriteChosenProfile(fuzz::InputReader& in, std::string& rFile)
{
    static const char kAlphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789._";
    Expected expected;
    const uint16_t wPresent = in.Le16();
    rFile = "[Setting]\n";
    for (size_t i = 0; i < kKeyCount; ++i) {
        const Key& key = kKeys[i];
        const bool bPresent = (wPresent >> i & 1) != 0;
        if (key.nTextBytes > 0) {
            std::string strValue;
            if (bPresent) {
                for (char c : in.Text(255))
                    strValue += kAlphabet[static_cast<uint8_t>(c) & 63];
                rFile += std::string(key.pszName) + "=" + strValue + "\n";
            } else {
                strValue = key.pszDefault;
            }
            expected.strText[i] = strValue.substr(0, key.nTextBytes - 1);
            continue;
        }
        int64_t nValue = key.nDefault;
        if (bPresent) {
            const uint32_t dwLow = in.Le16();
            const auto n = static_cast<int32_t>(dwLow | static_cast<uint32_t>(in.Le16()) << 16);
            rFile += std::string(key.pszName) + "=" + std::to_string(n) + "\n";
            nValue = n;
        }
        expected.nValue[i] = key.bByte ? static_cast<int64_t>(static_cast<uint32_t>(nValue) & 0xFF) : nValue;
    }
    return expected;
}

void CheckLoaded(const ViewSettings& s, const Expected& e, const std::string& strPtzFile)
{
    FUZZ_CHECK(GetText(s.szUserId) == e.strText[0]);
    FUZZ_CHECK(GetText(s.szPassword) == e.strText[1]);
    FUZZ_CHECK(GetText(s.szHostAddress) == e.strText[2]);
    FUZZ_CHECK(s.nHostPort == e.nValue[3]);
    FUZZ_CHECK(s.byRotateInterval == e.nValue[4]);
    FUZZ_CHECK(s.byReconnectCount == e.nValue[5]);
    FUZZ_CHECK(s.byRequestSpeed == e.nValue[6]);
    FUZZ_CHECK(s.bUseFullScreen == e.nValue[7]);
    FUZZ_CHECK(s.bUseAlertMode == e.nValue[8]);
    FUZZ_CHECK(s.byPtzType == e.nValue[9]);
    FUZZ_CHECK(s.byRecordInterval == e.nValue[10]);
    FUZZ_CHECK(s.byDateShow == e.nValue[11]);
    FUZZ_CHECK(s.byAviCodec == e.nValue[12]);
    FUZZ_CHECK(GetText(s.szIpLabel) == e.strText[13]);
    FUZZ_CHECK(GetText(s.szRecordPath) == fuzz::ScratchFolder() + "/Backup");
    FUZZ_CHECK(GetText(s.szPtzFilePath) == strPtzFile);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    const SettingsPlaces places{fuzz::ScratchFolder(), {}};
    const std::string strPtzFile = fuzz::ScratchFolder() + "/PTZ/pelcoP.tl";
    const std::string strIn = ProfilePath("in"), strOut = ProfilePath("out");
    fuzz::InputReader in(pData, nSize);
    const bool bChosen = (in.Byte() & 1) != 0;
    std::string strFile;
    Expected expected;
    if (bChosen)
        expected = WriteChosenProfile(in, strFile);
    else
        strFile = in.RestText();
    WriteProfile(strIn, strFile);

    ViewSettings loaded;
    {
        QtSettingsStore store(QString::fromStdString(strIn), QStringLiteral("Setting"));
        LoadSettings(loaded, store, places, strPtzFile);
    }
    CheckText(loaded.szUserId);
    CheckText(loaded.szPassword);
    CheckText(loaded.szHostAddress);
    CheckText(loaded.szRecordPath);
    CheckText(loaded.szPtzFilePath);
    CheckText(loaded.szIpLabel);
    if (bChosen)
        CheckLoaded(loaded, expected, strPtzFile);

    {
        QtSettingsStore store(QString::fromStdString(strOut), QStringLiteral("Setting"));
        FUZZ_CHECK(SaveSettings(loaded, store, strPtzFile));
    }
    ViewSettings again;
    {
        QtSettingsStore store(QString::fromStdString(strOut), QStringLiteral("Setting"));
        LoadSettings(again, store, places, strPtzFile);
    }
    FUZZ_CHECK(SameBlock(loaded, again));

    std::filesystem::remove(strIn);
    std::filesystem::remove(strOut);
    return 0;
}
