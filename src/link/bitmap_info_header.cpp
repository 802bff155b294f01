#include "link/bitmap_info_header.h"

#include "link/wire_format.h"

namespace ostrel {

namespace {

void PutLe16(uint8_t* p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

uint16_t GetLe16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

} // namespace

uint32_t BitmapInfoHeader::RowBytes() const
{
    return biHeight > 0 ? biSizeImage / static_cast<uint32_t>(biHeight) : 0;
}

void BitmapInfoHeader::Encode(uint8_t* pOut) const
{
    wire::PutLe32(pOut + 0, biSize);
    wire::PutLe32(pOut + 4, static_cast<uint32_t>(biWidth));
    wire::PutLe32(pOut + 8, static_cast<uint32_t>(biHeight));
    PutLe16(pOut + 12, biPlanes);
    PutLe16(pOut + 14, biBitCount);
    wire::PutLe32(pOut + 16, biCompression);
    wire::PutLe32(pOut + 20, biSizeImage);
    wire::PutLe32(pOut + 24, static_cast<uint32_t>(biXPelsPerMeter));
    wire::PutLe32(pOut + 28, static_cast<uint32_t>(biYPelsPerMeter));
    wire::PutLe32(pOut + 32, biClrUsed);
    wire::PutLe32(pOut + 36, biClrImportant);
}

BitmapInfoHeader BitmapInfoHeader::Decode(const uint8_t* pIn)
{
    BitmapInfoHeader h;
    h.biSize = wire::GetLe32(pIn + 0);
    h.biWidth = static_cast<int32_t>(wire::GetLe32(pIn + 4));
    h.biHeight = static_cast<int32_t>(wire::GetLe32(pIn + 8));
    h.biPlanes = GetLe16(pIn + 12);
    h.biBitCount = GetLe16(pIn + 14);
    h.biCompression = wire::GetLe32(pIn + 16);
    h.biSizeImage = wire::GetLe32(pIn + 20);
    h.biXPelsPerMeter = static_cast<int32_t>(wire::GetLe32(pIn + 24));
    h.biYPelsPerMeter = static_cast<int32_t>(wire::GetLe32(pIn + 28));
    h.biClrUsed = wire::GetLe32(pIn + 32);
    h.biClrImportant = wire::GetLe32(pIn + 36);
    return h;
}

} // namespace ostrel
