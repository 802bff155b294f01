#pragma once

// The two public camera protocols the simulated cameras understand, Pelco D and Pelco P, as
// byte strings the client passes through in its PTZ requests. The recorder hands them on
// untouched; here they are read to move the picture.
//
//   Pelco D (7 bytes): FF, address, command 1, command 2, pan speed, tilt speed, checksum
//                      (sum of bytes 2 to 6, low 8 bits); camera = address.
//   Pelco P (8 bytes): A0, address, data 1, data 2, pan speed, tilt speed, AF, checksum
//                      (XOR of bytes 1 to 7); camera = address + 1.
// Command 2 / data 2: 02 right, 04 left, 08 up, 10 down, 20 zoom in (tele), 40 zoom out (wide);
// bit 0 of Pelco D's command 2 marks an extended command (presets and the like).

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ostrel::dvrsim {

struct PelcoCommand {
    enum class Protocol : uint8_t { D, P };
    Protocol protocol = Protocol::D;
    int nCamera = 0;     // 1-based, as addressed
    int nPan = 0;        // -1 left, 0 none, +1 right
    int nTilt = 0;       // -1 down, 0 none, +1 up
    int nZoom = 0;       // -1 out (wide), 0 none, +1 in (tele)
    int nFocus = 0;      // -1 near, 0 none, +1 far (not simulated, only logged)
    int nPanSpeed = 0;   // 0 to 63, 64 for the "turbo" value FF
    int nTiltSpeed = 0;  // 0 to 63
    bool bExtended = false; // not a motion command: nothing moves or stops
};

// Every well-formed frame in the bytes, in order; bytes that start no frame are skipped.
std::vector<PelcoCommand> DecodePelco(const uint8_t* pData, size_t nBytes);

// "Pelco P camera 1: up at 32", "Pelco D camera 3: stop", for the log.
std::string DescribePelco(const PelcoCommand& command);

} // namespace ostrel::dvrsim
