#include "session/view_settings.h"

#include "platform/private_profile.h"
#include "platform/settings_store.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <optional>
#include <system_error>

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

template <size_t N>
void LoadText(std::array<char, N>& field, SettingsStore& store, std::string_view strName, std::string_view strDefault)
{
    const std::optional<std::string> value = store.ReadString(strName);
    SetText(field, value ? std::string_view(*value) : strDefault);
}

int32_t LoadInt(SettingsStore& store, std::string_view strName, int32_t nDefault)
{
    return store.ReadInt(strName).value_or(nDefault);
}

uint8_t LoadByte(SettingsStore& store, std::string_view strName, uint8_t byDefault)
{
    // A byte field keeps the low byte of the stored 32-bit value.
    return static_cast<uint8_t>(static_cast<uint32_t>(LoadInt(store, strName, byDefault)) & 0xFFu);
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

bool LoadSaveSettings(ViewSettings& s, bool bLoad, SettingsStore& store, const SettingsPlaces& places,
                      const std::string& strPtzFile)
{
    if (bLoad) {
        LoadText(s.szUserId, store, "User ISeed", kDefaultUserId);
        LoadText(s.szPassword, store, "User PSeed", kDefaultPassword);
        LoadText(s.szHostAddress, store, "Host IPAddress", kDefaultHostAddress);
        const std::optional<std::string> recordPath = store.ReadString("Record Path");
        if (recordPath && recordPath->size() < s.szRecordPath.size() && WritableFolder(*recordPath)) {
            SetText(s.szRecordPath, *recordPath);
        } else {
            SetText(s.szRecordPath, PrepareBackupFolder(places));
            s.bRecordPathReplaced = recordPath && !recordPath->empty();
        }
        s.nHostPort = LoadInt(store, "Host Port", kDefaultHostPort);
        s.byRotateInterval = LoadByte(store, "Rotate Interval", kDefaultRotateInterval);
        s.byReconnectCount = LoadByte(store, "Reconnect Count", kDefaultReconnectCount);
        s.byRequestSpeed = LoadByte(store, "Request Speed", kDefaultRequestSpeed);
        s.bUseFullScreen = LoadInt(store, "Use FullScreen", 0);
        s.bUseAlertMode = LoadInt(store, "Use AlertMode", 0);
        s.byPtzType = LoadByte(store, "Ptz Type", kDefaultPtzType);
        s.byRecordInterval = LoadByte(store, "Record Interval", kDefaultRecordInterval);
        s.byDateShow = LoadByte(store, "Date Show", kDefaultDateShow);
        s.byAviCodec = LoadByte(store, "Avi Codec", kDefaultAviCodec);
        SetText(s.szPtzFilePath, strPtzFile);
        LoadText(s.szIpLabel, store, "Ip Label", kDefaultIpLabel);
        return true;
    }

    store.WriteString("User ISeed", GetText(s.szUserId));
    store.WriteString("User PSeed", GetText(s.szPassword));
    // A folder that was unusable at the start stays the operator's choice until they choose
    // another: the stand-in is not written over it.
    if (!s.bRecordPathReplaced)
        store.WriteString("Record Path", GetText(s.szRecordPath));
    store.WriteString("Host IPAddress", GetText(s.szHostAddress));
    store.WriteInt("Host Port", s.nHostPort);
    store.WriteInt("Rotate Interval", s.byRotateInterval);
    store.WriteInt("Reconnect Count", s.byReconnectCount);
    store.WriteInt("Request Speed", s.byRequestSpeed);
    store.WriteInt("Use FullScreen", s.bUseFullScreen);
    store.WriteInt("Use AlertMode", s.bUseAlertMode);
    store.WriteInt("Ptz Type", s.byPtzType);
    store.WriteInt("Record Interval", s.byRecordInterval);
    store.WriteInt("Date Show", s.byDateShow);
    store.WriteInt("Avi Codec", s.byAviCodec);
    store.WriteString("Ptz File Path", strPtzFile);
    store.WriteString("Ip Label", GetText(s.szIpLabel));
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
