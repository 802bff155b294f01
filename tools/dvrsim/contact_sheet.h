#pragma once

// A PNG with one picture of every camera, each encoded, decoded again by the client's codec,
// and captioned with the channel and field the codec read back from it.

#include "camera_feed.h"

#include <QString>

#include <cstdint>

namespace ostrel::dvrsim {

// False (with strError) when a picture cannot be encoded or decoded, or the file not written.
bool WriteContactSheet(const QString& strFile, const FeedFormat& format, int64_t nMomentMs, QString& strError);

} // namespace ostrel::dvrsim
