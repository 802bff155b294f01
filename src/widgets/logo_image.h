#pragma once

#include <QImage>

#include <cstddef>
#include <cstdint>
#include <string>

// The logo bitmaps the operator may put beside the program (logo/slogo.bmp for the live view,
// logo/blogo.bmp for the archive window): read within a bound and decoded from memory, so a
// pipe, a folder or a huge file there means no logo rather than a hung or bloated start.

namespace ostrel {

class FileStore;

constexpr size_t kMaxLogoBytes = 1024 * 1024; // a 512 x 512 BMP at 32 bits still fits
constexpr int kMaxLogoDecodeMiB = 4;          // pixels a logo's header may ask for

// The BMP in pData[0..nBytes-1]; a null image when it is empty, larger than kMaxLogoBytes,
// not a BMP, damaged, or would decode to more than kMaxLogoDecodeMiB.
QImage LogoFromBytes(const uint8_t* pData, size_t nBytes);
// The logo file at strPath through rFiles.ReadAtMost; a null image when it is missing, not a
// regular file (a pipe, a folder), holds more than kMaxLogoBytes, or LogoFromBytes refuses it.
QImage LoadLogo(FileStore& rFiles, const std::string& strPath);

} // namespace ostrel
