#include "session/view_settings.h"

#include "platform/private_profile.h"
#include "platform/settings_store.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <optional>
#include <system_error>
#include <type_traits>
#include <variant>

#include <unistd.h>

namespace fs = std::filesystem;

namespace ostrel {

void SetText(char* pField, size_t nFieldBytes, std::string_view strText)
{
    if (nFieldBytes == 0)
        return;
    const size_t nZero = strText.find('\0');
    if (nZero != std::string_view::npos)
        strText = strText.substr(0, nZero);
    size_t nCopy = std::min(strText.size(), nFieldBytes - 1);
    // Never end inside a multi-byte character: back up to where one starts.
    if (nCopy < strText.size())
        while (nCopy > 0 && (static_cast<unsigned char>(strText[nCopy]) & 0xC0) == 0x80)
            --nCopy;
    std::memcpy(pField, strText.data(), nCopy);
    std::memset(pField + nCopy, 0, nFieldBytes - nCopy);
}

std::string_view GetText(const char* pField, size_t nFieldBytes)
{
    const void* pZero = std::memchr(pField, 0, nFieldBytes);
    return std::string_view(pField, pZero ? static_cast<size_t>(static_cast<const char*>(pZero) - pField) : nFieldBytes);
}

namespace {

bool UsableFolder(const fs::path& path)
{
    std::error_code ec;
    if (!fs::is_directory(path, ec)) {
        fs::create_directory(path, ec);
        if (!fs::is_directory(path, ec))
            return false;
    }
    return ::access(path.c_str(), W_OK | X_OK) == 0;
}

// A folder the operator chose, as it stands now: never created here, a folder that is gone
// (a stick taken out, a share not mounted) is not made anew on the local disk.
bool WritableFolder(const std::string& strPath)
{
    std::error_code ec;
    return !strPath.empty() && fs::is_directory(strPath, ec) && ::access(strPath.c_str(), W_OK | X_OK) == 0;
}

} // namespace

std::string PrepareBackupFolder(const SettingsPlaces& places)
{
    const fs::path beside = fs::path(places.strProgramDir) / "Backup";
    if (UsableFolder(beside))
        return beside.generic_string();
    if (!places.strDataDir.empty()) {
        std::error_code ec;
        const fs::path inData = fs::path(places.strDataDir) / "Backup";
        fs::create_directories(inData, ec);
        if (UsableFolder(inData))
            return inData.generic_string();
    }
    return beside.generic_string();
}

namespace {

// A text field: its array (their sizes differ, so the table below has one kind per size).
template <size_t N>
struct TextValue {
    std::array<char, N> ViewSettings::*pField;
    const char* pDefault;
};
// A number field. A byte field keeps the low byte of the stored 32-bit value.
template <typename T>
struct NumberValue {
    T ViewSettings::*pField;
    T nDefault;
};

// One stored value of the block: its key, its field and the default of a clean profile.
struct StoredValue {
    const char* pKey;
    std::variant<TextValue<32>, TextValue<64>, TextValue<66>, TextValue<128>, NumberValue<int32_t>, NumberValue<uint8_t>>
        field;
};

template <size_t N>
TextValue<N> Text(std::array<char, N> ViewSettings::*pField, const char* pDefault)
{
    return {pField, pDefault};
}

template <typename T>
NumberValue<T> Number(T ViewSettings::*pField, std::type_identity_t<T> nDefault)
{
    return {pField, nDefault};
}

// Record Path and Ptz File Path have rules of their own and are not in the table.
const StoredValue kStoredValues[] = {
    {"User ISeed", Text(&ViewSettings::szUserId, kDefaultUserId)},
    {"User PSeed", Text(&ViewSettings::szPassword, kDefaultPassword)},
    {"Host IPAddress", Text(&ViewSettings::szHostAddress, kDefaultHostAddress)},
    {"Host Port", Number(&ViewSettings::nHostPort, kDefaultHostPort)},
    {"Rotate Interval", Number(&ViewSettings::byRotateInterval, kDefaultRotateInterval)},
    {"Reconnect Count", Number(&ViewSettings::byReconnectCount, kDefaultReconnectCount)},
    {"Request Speed", Number(&ViewSettings::byRequestSpeed, kDefaultRequestSpeed)},
    {"Use FullScreen", Number(&ViewSettings::bUseFullScreen, 0)},
    {"Use AlertMode", Number(&ViewSettings::bUseAlertMode, 0)},
    {"Ptz Type", Number(&ViewSettings::byPtzType, kDefaultPtzType)},
    {"Record Interval", Number(&ViewSettings::byRecordInterval, kDefaultRecordInterval)},
    {"Date Show", Number(&ViewSettings::byDateShow, kDefaultDateShow)},
    {"Avi Codec", Number(&ViewSettings::byAviCodec, kDefaultAviCodec)},
    {"Ip Label", Text(&ViewSettings::szIpLabel, kDefaultIpLabel)},
};

template <size_t N>
void LoadValue(ViewSettings& s, SettingsStore& store, const char* pKey, const TextValue<N>& text)
{
    const std::optional<std::string> stored = store.ReadString(pKey);
    SetText(s.*text.pField, stored ? std::string_view(*stored) : text.pDefault);
}

template <typename T>
void LoadValue(ViewSettings& s, SettingsStore& store, const char* pKey, const NumberValue<T>& number)
{
    s.*number.pField = static_cast<T>(store.ReadInt(pKey).value_or(number.nDefault));
}

template <size_t N>
void SaveValue(const ViewSettings& s, SettingsStore& store, const char* pKey, const TextValue<N>& text)
{
    store.WriteString(pKey, GetText(s.*text.pField));
}

template <typename T>
void SaveValue(const ViewSettings& s, SettingsStore& store, const char* pKey, const NumberValue<T>& number)
{
    store.WriteInt(pKey, s.*number.pField);
}

} // namespace

bool LoadSettings(ViewSettings& s, SettingsStore& store, const SettingsPlaces& places, const std::string& strPtzFile)
{
    for (const StoredValue& value : kStoredValues)
        std::visit([&](const auto& field) { LoadValue(s, store, value.pKey, field); }, value.field);
    const std::optional<std::string> recordPath = store.ReadString("Record Path");
    if (recordPath && recordPath->size() < s.szRecordPath.size() && WritableFolder(*recordPath)) {
        SetText(s.szRecordPath, *recordPath);
    } else {
        SetText(s.szRecordPath, PrepareBackupFolder(places));
        s.bRecordPathReplaced = recordPath && !recordPath->empty();
    }
    SetText(s.szPtzFilePath, strPtzFile);
    return true;
}

bool SaveSettings(const ViewSettings& s, SettingsStore& store, const std::string& strPtzFile)
{
    for (const StoredValue& value : kStoredValues)
        std::visit([&](const auto& field) { SaveValue(s, store, value.pKey, field); }, value.field);
    // A folder that was unusable at the start stays the operator's choice until they choose
    // another: the stand-in is not written over it.
    if (!s.bRecordPathReplaced)
        store.WriteString("Record Path", GetText(s.szRecordPath));
    store.WriteString("Ptz File Path", strPtzFile);
    return store.Flush();
}

PtzIntervals ReadPtzIntervals(const std::string& strOptIniPath)
{
    PtzIntervals intervals;
    intervals.nPtzCmdInterval = ReadProfileInt("PTZ_CMD_INTERVAL", "CMD", 70, strOptIniPath);
    intervals.nPtzStopInterval = ReadProfileInt("PTZ_CMD_INTERVAL", "STOP", 70, strOptIniPath);
    return intervals;
}

int ReadConnectTimeoutMs(const std::string& strOptIniPath)
{
    const int nSeconds = ReadProfileInt("CONNECT", "TIMEOUT", 5, strOptIniPath);
    return (nSeconds >= 1 && nSeconds <= 60 ? nSeconds : 5) * 1000;
}

int ReadDecodeThreads(int nCores, const std::string& strOptIniPath)
{
    const int nThreads = ReadProfileInt("DECODE", "THREADS", -1, strOptIniPath);
    if (nThreads >= 0)
        return std::min(nThreads, kMaxDecodeThreads);
    return nCores >= 2 ? std::min(nCores - 1, kMaxDecodeThreads) : 0;
}

} // namespace ostrel
