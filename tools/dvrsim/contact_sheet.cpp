#include "contact_sheet.h"

#include "link/image_codec.h"

#include <QFont>
#include <QPainter>

#include <cstring>

namespace ostrel::dvrsim {

bool WriteContactSheet(const QString& strFile, const FeedFormat& format, int64_t nMomentMs, QString& strError)
{
    constexpr int kColumns = 4;
    constexpr int kCaption = 22;
    const int nCellW = format.nWidth / 2;
    const int nCellH = format.nHeight / 2;
    QImage sheet(kColumns * nCellW, 4 * (nCellH + kCaption), QImage::Format_RGB32);
    sheet.fill(QColor(40, 40, 40));
    QPainter painter(&sheet);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(13);
    painter.setFont(font);

    ostrel::CImageCodec codec;
    for (int nChannel = 0; nChannel < 16; ++nChannel) {
        CCameraFeed feed(nChannel, format);
        const bool bOdd = nChannel % 2 == 0;
        const std::vector<uint8_t>& jpeg = feed.Picture(nMomentMs, bOdd);
        const uint8_t byRead = codec.Decode(jpeg.data(), jpeg.size(), false);
        if (byRead == ostrel::CImageCodec::kDecodeFailed) {
            strError = QStringLiteral("camera %1: picture not decoded (%2)").arg(nChannel + 1).arg(QString::fromLatin1(codec.LastDiagnostic()));
            return false;
        }
        // Bottom-up BGR rows back into a top-down image.
        const BitmapInfoHeader& header = codec.ImageHeader();
        QImage picture(header.biWidth, header.biHeight, QImage::Format_RGB888);
        const uint32_t nRowBytes = header.RowBytes();
        for (int y = 0; y < header.biHeight; ++y) {
            const uint8_t* pSource = codec.Pixels() + static_cast<size_t>(header.biHeight - 1 - y) * nRowBytes;
            uint8_t* pTarget = picture.scanLine(y);
            for (int x = 0; x < header.biWidth; ++x) {
                pTarget[3 * x] = pSource[3 * x + 2];
                pTarget[3 * x + 1] = pSource[3 * x + 1];
                pTarget[3 * x + 2] = pSource[3 * x];
            }
        }
        const int nX = (nChannel % kColumns) * nCellW;
        const int nY = (nChannel / kColumns) * (nCellH + kCaption);
        painter.drawImage(QRect(nX, nY, nCellW, nCellH), picture);
        const bool bFieldOk = codec.FieldFlag() == (bOdd ? CImageCodec::kFieldOdd : CImageCodec::kFieldEven);
        painter.setPen(byRead == nChannel && bFieldOk ? QColor(120, 230, 120) : QColor(255, 80, 80));
        painter.drawText(QRect(nX + 6, nY + nCellH, nCellW - 12, kCaption), Qt::AlignVCenter | Qt::AlignLeft,
                         QStringLiteral("ch %1: read %2, %3, %4 B")
                             .arg(nChannel).arg(byRead).arg(codec.FieldFlag() == CImageCodec::kFieldOdd ? "odd" : "even")
                             .arg(jpeg.size()));
    }
    painter.end();
    if (!sheet.save(strFile, "PNG")) {
        strError = QStringLiteral("cannot write %1").arg(strFile);
        return false;
    }
    return true;
}

} // namespace ostrel::dvrsim
