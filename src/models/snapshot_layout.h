#pragma once

// What a snapshot or a printout of the archive's play area is made of, besides the pixels: the
// stamp, the file name, the red camera labels and where the picture goes on the page.

#include "models/archive_clock.h"
#include "models/cell_rect.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel {

// "2026-12-06 14-05-09".
std::string StampString(const ArchiveDateTime& stamp);

// "<record path>/CAM0_<stamp>_<tick>.jpg" while several channels are shown (nSelChannel 255),
// else CAM<channel + 1>; the tick is the millisecond count modulo 100,000 in five digits. A
// doubled separator (a record path ending in "/") becomes one.
std::string SnapshotFileName(std::string_view strRecordPath, uint8_t bySelChannel, std::string_view strStamp,
                             int64_t nTickMs);

struct CameraLabel {
    std::string strText;
    CellRect rc; // drawn single line, top-left aligned, red on a transparent background
};
// Where the labels go: on the 640 x 480 picture itself (a snapshot), or on the dialog's window
// over the play area (a printout, whose capture then carries them).
enum class LabelPlace : uint8_t { Picture, Window };
// One tile per row: "CAM<channel + 1> <stamp>" at the top. More: the stamp at the top and
// "CAM1".."CAMn²" just above the bottom of each grid cell, in grid order (not the channels
// shown).
std::vector<CameraLabel> CameraLabels(int nGridDiv, uint8_t bySelChannel, std::string_view strStamp,
                                      LabelPlace place);

// The printed picture on a page: one inch from the physical page's top-left corner, width
// P - 2·dx - dx/2 and height three quarters of that, in device dots.
CellRect PrintPlacement(int nDpiX, int nDpiY, int nPageWidth);

} // namespace ostrel
