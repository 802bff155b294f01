#include "models/snapshot_layout.h"

#include <algorithm>
#include <cstdio>

namespace ostrel {

namespace {

constexpr int kLabelWidth = 250;
constexpr int kLabelHeight = 30;

} // namespace

std::string StampString(const ArchiveDateTime& t)
{
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d-%02d-%02d", t.nYear, t.nMonth, t.nDay, t.nHour,
                  t.nMinute, t.nSecond);
    return text;
}

std::string SnapshotFileName(std::string_view strRecordPath, uint8_t bySelChannel, std::string_view strStamp,
                             int64_t nTickMs)
{
    const int nTick = static_cast<int>(((nTickMs % 100000) + 100000) % 100000);
    char tail[96];
    if (bySelChannel == 255)
        std::snprintf(tail, sizeof tail, "/CAM0_%.*s_%05d.jpg", static_cast<int>(strStamp.size()), strStamp.data(),
                      nTick);
    else
        std::snprintf(tail, sizeof tail, "/CAM%d_%.*s_%05d.jpg", bySelChannel + 1, static_cast<int>(strStamp.size()),
                      strStamp.data(), nTick);
    std::string strName = std::string(strRecordPath) + tail;
    // Each doubled separator becomes one, as a trailing separator of the record path would
    // otherwise leave.
    std::string strOut;
    strOut.reserve(strName.size());
    for (size_t i = 0; i < strName.size(); ++i) {
        strOut.push_back(strName[i]);
        if (strName[i] == '/' && i + 1 < strName.size() && strName[i + 1] == '/')
            ++i;
    }
    return strOut;
}

std::vector<CameraLabel> CameraLabels(int nGridDiv, uint8_t bySelChannel, std::string_view strStamp,
                                      LabelPlace place)
{
    const int n = std::clamp(nGridDiv, 1, 4);
    const bool bWindow = place == LabelPlace::Window;
    const CellRect rcTop = bWindow ? CellRect{312, 25, 672, 55} : CellRect{240, 5, 600, 35};
    std::vector<CameraLabel> labels;
    if (n == 1) {
        const int nChannel = bySelChannel == 255 ? 1 : bySelChannel + 1;
        labels.push_back({"CAM" + std::to_string(nChannel) + " " + std::string(strStamp), rcTop});
        return labels;
    }
    labels.push_back({std::string(strStamp), rcTop});
    const int x0 = (n - 2) * 10 + (bWindow ? 100 : 40);
    const int nBottomOffset = bWindow ? 27 : 7;
    for (int row = 0; row < n; ++row) {
        for (int col = 0; col < n; ++col) {
            const int nLeft = (640 / n) * col + 5 + x0;
            const int nBottom = (480 / n) * (row + 1) + nBottomOffset;
            labels.push_back({"CAM" + std::to_string(row * n + col + 1),
                              CellRect{nLeft, nBottom - kLabelHeight, nLeft + kLabelWidth, nBottom}});
        }
    }
    return labels;
}

CellRect PrintPlacement(int nDpiX, int nDpiY, int nPageWidth)
{
    const int nWidth = nPageWidth - 2 * nDpiX - nDpiX / 2;
    const int nHeight = nWidth * 3 / 4;
    return CellRect{nDpiX, nDpiY, nDpiX + nWidth, nDpiY + nHeight};
}

} // namespace ostrel
