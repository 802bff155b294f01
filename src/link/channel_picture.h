#pragma once

#include "link/bitmap_info_header.h"

#include <cstdint>

namespace ostrel {

constexpr int kChannelCount = 16;

// What a window keeps of one channel's picture: the holder's pixels (owned by the link, valid
// until the next picture of the channel or the end of the link), their layout, and the field
// flag (1 = even field, drawn one line lower; 0 = odd).
struct ChannelPicture {
    const uint8_t* pBits = nullptr; // m_pChBits[ch]
    BitmapInfoHeader bmi;           // m_ChBmi[ch]
    uint8_t byFieldAlign = 0;       // m_bChFieldAlign[ch]
};

} // namespace ostrel
