#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The main view's persisted settings: one fixed block, loaded from the user's profile (section
// "Setting") at start-up, edited in memory, written back by the exit command. Text fields are
// zero-terminated byte arrays; SetText and GetText keep every read and write inside them.

namespace ostrel {

class SettingsStore;

struct ViewSettings {
    std::array<char, 64> szUserId{};       // "User ISeed": login name
    std::array<char, 32> szPassword{};     // "User PSeed": login password, plain text
    std::array<char, 128> szHostAddress{}; // "Host IPAddress": the recorder's address or host name
    std::array<char, 260> szRecordPath{};  // "Record Path": the folder for recordings
    int32_t nHostPort = 0;                 // "Host Port"
    uint8_t byRotateInterval = 0;          // "Rotate Interval": dwell index, dwell = index + 1 s
    uint8_t byReconnectCount = 0;          // "Reconnect Count": index 0-4 = 1 to 5 attempts
    uint8_t byRequestSpeed = 0;            // "Request Speed": index 0-6 = 1X to 64X
    uint8_t byPtzType = 0;                 // "Ptz Type": index 0-5 of the PTZ protocol file
    int32_t bUseFullScreen = 0;            // "Use FullScreen"
    int32_t bUseAlertMode = 0;             // "Use AlertMode"
    uint8_t byRecordInterval = 0;          // "Record Interval": index 0-12 = 3, 5, 10 ... 60 s
    uint8_t byDateShow = 0;                // "Date Show"
    uint8_t byAviCodec = 0;                // "Avi Codec": 0 uncompressed, 1 Motion JPEG, 2 MP4 (H.264)
    std::array<char, 260> szPtzFilePath{}; // copy of the view's PTZ file path taken at load
    std::array<char, 66> szIpLabel{};      // "Ip Label": name of the current recorder entry
    bool bRecordPathReplaced = false;      // not stored: the stored record path was unusable at load
};

// Defaults of a clean profile.
inline constexpr const char* kDefaultUserId = "admin";
inline constexpr const char* kDefaultPassword = "1";
inline constexpr const char* kDefaultHostAddress = "192.168.1.100";
inline constexpr int32_t kDefaultHostPort = 8000;
inline constexpr uint8_t kDefaultRotateInterval = 3;
inline constexpr uint8_t kDefaultReconnectCount = 3;
inline constexpr uint8_t kDefaultRequestSpeed = 4;
inline constexpr uint8_t kDefaultPtzType = 1;
inline constexpr uint8_t kDefaultRecordInterval = 1;
inline constexpr uint8_t kDefaultDateShow = 1;
inline constexpr uint8_t kDefaultAviCodec = 0;
inline constexpr const char* kDefaultIpLabel = "INTRANET";

// Copies strText into the field up to its first zero byte, cut to leave room for the
// terminator without splitting a UTF-8 character; the rest of the field is zeroed.
void SetText(char* pField, size_t nFieldBytes, std::string_view strText);
// The text in a field: up to its first zero byte, never past the field's end.
std::string_view GetText(const char* pField, size_t nFieldBytes);

template <size_t N>
void SetText(std::array<char, N>& field, std::string_view strText)
{
    SetText(field.data(), N, strText);
}
template <size_t N>
std::string_view GetText(const std::array<char, N>& field)
{
    return GetText(field.data(), N);
}

// Where the settings live on this machine.
struct SettingsPlaces {
    std::string strProgramDir; // the folder of the program file
    std::string strDataDir;    // the user's data folder, for when the program's is read-only
};

// "Backup" beside the program, created when missing. Where the program's folder cannot hold
// it (a read-only installation), "Backup" in the user's data folder instead. A folder that
// cannot be created is not reported: its path is returned all the same.
std::string PrepareBackupFolder(const SettingsPlaces& places);

// Loads the block from the store. Expects a cleared block, fills missing or unreadable values
// with the defaults, keeps the low byte of the byte fields, cuts overlong texts to their fields,
// reads the record path back when it names a writable folder (else the backup folder, with
// bRecordPathReplaced set when one was stored) and copies strPtzFile into the PTZ file path.
// Always returns true.
bool LoadSettings(ViewSettings& settings, SettingsStore& store, const SettingsPlaces& places,
                  const std::string& strPtzFile);
// Writes every value, "Ptz File Path" from strPtzFile, and the record path unless
// bRecordPathReplaced. False when the store could not keep them.
bool SaveSettings(const ViewSettings& settings, SettingsStore& store, const std::string& strPtzFile);

// The PTZ repeat periods from ini/opt.ini, section "PTZ_CMD_INTERVAL"; 70 ms when missing.
struct PtzIntervals {
    int nPtzCmdInterval = 70;  // ms between repeats of a held PTZ key
    int nPtzStopInterval = 70; // ms between repeats of the stop command after a release
};
inline constexpr const char* kOptIniPath = "ini/opt.ini";
PtzIntervals ReadPtzIntervals(const std::string& strOptIniPath = kOptIniPath);

// Decoder threads from ini/opt.ini, key "THREADS" of section "DECODE": 0 decodes on the
// user-interface thread, 1 to 16 that many threads. Missing or negative: one per core but one,
// whose decoder the user-interface thread is itself (it decodes light streams, and helps the
// threads when they fall behind); none on a single core.
inline constexpr int kMaxDecodeThreads = 16;
int ReadDecodeThreads(int nCores, const std::string& strOptIniPath = kOptIniPath);

// How long a connect may take, from ini/opt.ini, key "TIMEOUT" (seconds, 1 to 60) of section
// "CONNECT"; 5 s when missing or out of range.
int ReadConnectTimeoutMs(const std::string& strOptIniPath = kOptIniPath);

} // namespace ostrel
