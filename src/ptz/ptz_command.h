#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// PTZ command files: one ".tl" file per camera type under "PTZ" in the current folder, one
// section per camera address, one named byte string per line. The client never builds a camera
// protocol; it sends these bytes as they are.
//
// A file is a list of lines ending in "\n" or "\r\n", read as 8-bit text:
//   <3>                  a section header: camera 3's commands follow
//   STOP/7/ff/03/00/...  a command: name, length in decimal, then one hexadecimal field a byte
// Runs of "/" count as one separator. The line after a header is always that section's first
// command (slot 0, stop), whatever it holds, except an empty line, which is never a command.
// Sections 1 to 8 are stored, 9 to 16 read past, a header above 16 ends the reading. Everything in the file is untrusted: the reader keeps every
// write inside the command, the section and the table (the bounds are below).

namespace ostrel {

class FileStore;

// One named command. A holder clears the whole record before filling it.
struct PtzCommand {
    static constexpr size_t kNameChars = 64; // 63 characters and the terminator
    static constexpr int kMaxBytes = 32;

    std::array<char, kNameChars> szName{}; // zero-terminated; a longer name is cut to 63 chars
    int32_t nLength = 0;                   // bytes to send, 0 to 32; 0 marks an empty slot
    std::array<uint8_t, kMaxBytes> bytes{}; // zero past nLength

    std::string_view Name() const;
};

// Slots of a camera section that the panel's keys send.
enum PtzSlot : int {
    kPtzStop = 0,
    kPtzLeft = 1,
    kPtzRight = 2,
    kPtzUp = 3,
    kPtzDown = 4,
    kPtzLeftUp = 5,
    kPtzRightUp = 6,
    kPtzRightDown = 7,
    kPtzLeftDown = 8,
    kPtzZoomIn = 9,
    kPtzZoomOut = 10,
    kPtzFocusOut = 11,
    kPtzFocusIn = 12,
    kPtzPanelSlots = 13, // slots 13 to 29 hold further commands that no key sends
};

// 16 camera sections of 30 commands; only sections 0 to 7 (cameras 1 to 8) are ever filled.
struct PtzCommandTable {
    static constexpr int kCameras = 16;
    static constexpr int kSlots = 30;
    static constexpr int kLoadedCameras = 8;

    std::array<std::array<PtzCommand, kSlots>, kCameras> sections{};

    void Clear() { sections = {}; }
    // The command, or an empty one for a section or slot out of range.
    const PtzCommand& At(int nSection, int nSlot) const;
};

// Camera types of the setting "Ptz Type".
inline constexpr int kPtzCameraTypes = 6;
inline constexpr const char* kPtzTypeFiles[kPtzCameraTypes] = {"pelcoD.tl", "pelcoP.tl", "scc641.tl",
                                                               "hmc250.tl", "hid2404.tl", "dsc_230s.tl"};
inline constexpr const char* kPtzUserCommandFile = "user_command.tl";

// "<strCurrentDir>/PTZ/<file of the type>"; empty for a type outside 0 to 5.
std::string GetPtzFilePath(int nType, std::string_view strCurrentDir);

// One hexadecimal field: upper-cased, each character below ':' counts as its code minus '0',
// any other as its code minus 'A' plus 10; value = value * 16 + digit, kept to 8 bits. No check:
// a stray character gives whatever that rule gives.
uint8_t HexByte(std::string_view strField);

// Bounds the file leaves open.
inline constexpr size_t kPtzLineChars = 255;                // a longer line reads as several
inline constexpr size_t kPtzMaxFileBytes = 1024 * 1024;     // the rest of a larger file is not read

// Reads the text of a command file into the table. Only the slots the file names are written
// (each cleared first); the caller clears the table when it wants nothing else left. Returns the
// slot counter after the reading: the command lines stored in the last section header's
// section (0 when that section is 9 to 16 or empty).
int ParseCameraTable(const uint8_t* pText, size_t nBytes, PtzCommandTable& rTable);

// What LoadCameraTable did.
enum class CameraTableLoad {
    NoPath,     // the path is empty: nothing was read
    Loaded,     // the file was read (and may have filled nothing)
    Missing,    // no such file
    Unreadable, // it exists but cannot be read
};

struct CameraTableResult {
    CameraTableLoad load = CameraTableLoad::NoPath;
    int nSlotCounter = 0; // as ParseCameraTable returns it; 0 unless Loaded
};

// Reads the file at strPath (at most kPtzMaxFileBytes of it) into the table.
CameraTableResult LoadCameraTable(FileStore& rFiles, const std::string& strPath, PtzCommandTable& rTable);

} // namespace ostrel
