#include "pelco_decoder.h"

#include <algorithm>

namespace ostrel::dvrsim {

namespace {

int Speed(uint8_t by)
{
    return by == 0xFF ? 64 : std::min<int>(by, 63);
}

int Direction(uint8_t byBits, uint8_t byPlus, uint8_t byMinus)
{
    return ((byBits & byPlus) ? 1 : 0) - ((byBits & byMinus) ? 1 : 0);
}

void ReadMotion(PelcoCommand& c, uint8_t byMotion, uint8_t byPanSpeed, uint8_t byTiltSpeed)
{
    c.nPan = Direction(byMotion, 0x02, 0x04);
    c.nTilt = Direction(byMotion, 0x08, 0x10);
    c.nZoom = Direction(byMotion, 0x20, 0x40);
    c.nPanSpeed = Speed(byPanSpeed);
    c.nTiltSpeed = Speed(byTiltSpeed);
}

} // namespace

std::vector<PelcoCommand> DecodePelco(const uint8_t* p, size_t nBytes)
{
    std::vector<PelcoCommand> commands;
    size_t i = 0;
    while (i < nBytes) {
        if (p[i] == 0xFF && nBytes - i >= 7 &&
            static_cast<uint8_t>(p[i + 1] + p[i + 2] + p[i + 3] + p[i + 4] + p[i + 5]) == p[i + 6]) {
            PelcoCommand c;
            c.protocol = PelcoCommand::Protocol::D;
            c.nCamera = p[i + 1];
            c.bExtended = (p[i + 3] & 0x01) != 0;
            if (!c.bExtended) {
                ReadMotion(c, p[i + 3], p[i + 4], p[i + 5]);
                c.nFocus = ((p[i + 3] & 0x80) ? 1 : 0) - ((p[i + 2] & 0x01) ? 1 : 0);
            }
            commands.push_back(c);
            i += 7;
            continue;
        }
        if (p[i] == 0xA0 && nBytes - i >= 8 && p[i + 6] == 0xAF &&
            (p[i] ^ p[i + 1] ^ p[i + 2] ^ p[i + 3] ^ p[i + 4] ^ p[i + 5] ^ p[i + 6]) == p[i + 7]) {
            PelcoCommand c;
            c.protocol = PelcoCommand::Protocol::P;
            c.nCamera = p[i + 1] + 1;
            ReadMotion(c, p[i + 3], p[i + 4], p[i + 5]);
            c.nFocus = ((p[i + 2] & 0x01) ? 1 : 0) - ((p[i + 2] & 0x02) ? 1 : 0);
            commands.push_back(c);
            i += 8;
            continue;
        }
        ++i;
    }
    return commands;
}

std::string DescribePelco(const PelcoCommand& c)
{
    std::string str = c.protocol == PelcoCommand::Protocol::D ? "Pelco D" : "Pelco P";
    str += " camera " + std::to_string(c.nCamera) + ": ";
    if (c.bExtended)
        return str + "extended command, ignored";
    std::vector<std::string> parts;
    if (c.nPan != 0)
        parts.push_back((c.nPan < 0 ? "left at " : "right at ") + std::to_string(c.nPanSpeed));
    if (c.nTilt != 0)
        parts.push_back((c.nTilt < 0 ? "down at " : "up at ") + std::to_string(c.nTiltSpeed));
    if (c.nZoom != 0)
        parts.push_back(c.nZoom < 0 ? "zoom out" : "zoom in");
    if (c.nFocus != 0)
        parts.push_back(c.nFocus < 0 ? "focus near" : "focus far");
    if (parts.empty())
        return str + "stop";
    for (size_t n = 0; n < parts.size(); ++n)
        str += (n ? ", " : "") + parts[n];
    return str;
}

} // namespace ostrel::dvrsim
