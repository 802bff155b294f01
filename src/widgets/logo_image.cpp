#include "widgets/logo_image.h"

#include "platform/file_store.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>

#include <vector>

namespace ostrel {

QImage LogoFromBytes(const uint8_t* pData, size_t nBytes)
{
    if (pData == nullptr || nBytes == 0 || nBytes > kMaxLogoBytes)
        return {};
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(pData), static_cast<qsizetype>(nBytes));
    QBuffer buffer(&bytes);
    // BMP only, as the file's name says: no other decoder sees these bytes.
    QImageReader reader(&buffer, "bmp");
    reader.setAutoDetectImageFormat(false);
    reader.setAllocationLimit(kMaxLogoDecodeMiB);
    return reader.read();
}

QImage LoadLogo(FileStore& rFiles, const std::string& strPath)
{
    std::vector<uint8_t> bytes;
    const FileReadResult result = rFiles.ReadAtMost(strPath, kMaxLogoBytes, bytes);
    if (result.kind != FileReadResult::Kind::Ok || result.bTruncated)
        return {};
    return LogoFromBytes(bytes.data(), bytes.size());
}

} // namespace ostrel
