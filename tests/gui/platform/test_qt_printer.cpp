// Printing one picture, checked in the PDF the printer writes with poppler's own tools:
// where the picture sits, at which resolution, under which title.
#include "platform/qt_printer.h"
#include "support/qt_printers.h"

#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <vector>

using namespace ostrel;

namespace {

// 640 x 480 in four colours: red, green / blue, yellow.
QImage Quadrants()
{
    QImage image(640, 480, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.fillRect(0, 0, 320, 240, QColor(255, 0, 0));
    painter.fillRect(320, 0, 320, 240, QColor(0, 255, 0));
    painter.fillRect(0, 240, 320, 240, QColor(0, 0, 255));
    painter.fillRect(320, 240, 320, 240, QColor(255, 255, 0));
    return image;
}

// Runs a poppler tool; its standard output, or nothing when it failed.
QString RunTool(const QString& strProgram, const QStringList& args)
{
    QProcess process;
    process.start(strProgram, args);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return {};
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

bool Near(QRgb rgb, int r, int g, int b)
{
    return std::abs(qRed(rgb) - r) < 40 && std::abs(qGreen(rgb) - g) < 40 && std::abs(qBlue(rgb) - b) < 40;
}

} // namespace

TEST(QtPrinterPdf, PicturePrintsWhereTheLayoutPutsItAndBadJobsAreRefused)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString strPdf = dir.filePath(QStringLiteral("page.pdf"));
    QtPrinter printer(strPdf, QPageSize(QPageSize::Letter), 300);
    EXPECT_EQ(QStringLiteral("PDF"), printer.DefaultPrinterName());
    PrinterPage seen;
    const PrintResult result = printer.Print({QStringLiteral("Record Image"), Quadrants(), [&](const PrinterPage& page) {
        seen = page;
        // One inch from the paper's corner, 6.4 x 4.8 inches: 100 picture pixels per inch.
        return QRect(page.nDpiX, page.nDpiY, 1920, 1440);
    }});
    ASSERT_EQ(PrintResult::Ok, result);
    // Letter is 8.5 x 11 inches: at 300 dots per inch 2550 x 3300 dots.
    EXPECT_EQ((std::vector<int>{300, 300, 2550, 3300}), (std::vector<int>{seen.nDpiX, seen.nDpiY, seen.nWidth, seen.nHeight}));

    const QString strInfo = RunTool(QStringLiteral("pdfinfo"), {strPdf});
    for (const char* pszLine : {"Title:\\s+Record Image\\n", "Pages:\\s+1\\n", "Page size:\\s+612 x 792 pts"})
        EXPECT_TRUE(strInfo.contains(QRegularExpression(QString::fromLatin1(pszLine)))) << strInfo.toStdString();

    // "page num type width height color comp bpc enc interp object ID x-ppi y-ppi ...": on page 1,
    // the picture's own 640 x 480 pixels (not resampled) across 6.4 x 4.8 inches.
    const QStringList lines = RunTool(QStringLiteral("pdfimages"), {QStringLiteral("-list"), strPdf}).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(3, lines.size()) << "a header, a rule and one picture";
    const QStringList f = lines[2].split(QLatin1Char(' '), Qt::SkipEmptyParts);
    ASSERT_GE(f.size(), 14);
    EXPECT_EQ(QStringList({"1", "640", "480", "100", "100"}), QStringList({f[0], f[3], f[4], f[12], f[13]}));

    // Rendered at 50 dots per inch the picture covers (50, 50)-(370, 290).
    const QString strRaster = dir.filePath(QStringLiteral("page"));
    RunTool(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("50"), QStringLiteral("-singlefile"), strPdf, strRaster});
    QImage page(strRaster + QStringLiteral(".ppm"));
    ASSERT_FALSE(page.isNull());
    EXPECT_TRUE(Near(page.pixel(130, 110), 255, 0, 0) && Near(page.pixel(290, 110), 0, 255, 0));
    EXPECT_TRUE(Near(page.pixel(130, 230), 0, 0, 255) && Near(page.pixel(290, 230), 255, 255, 0));
    for (const QPoint& pt : {QPoint(45, 110), QPoint(130, 45), QPoint(375, 230), QPoint(290, 295)})
        EXPECT_TRUE(Near(page.pixel(pt), 255, 255, 255)) << "white around the picture at " << pt.x() << "," << pt.y();

    // A null picture is refused before a document starts; a document that cannot start is reported.
    const auto place = [](const PrinterPage&) { return QRect(0, 0, 100, 75); };
    QtPrinter other(dir.filePath(QStringLiteral("other.pdf")), QPageSize(QPageSize::A4), 300);
    EXPECT_EQ(PrintResult::InvalidJob, other.Print({QStringLiteral("Record Image"), QImage(), place}));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("other.pdf"))));
    QtPrinter missing(dir.filePath(QStringLiteral("missing/page.pdf")), QPageSize(QPageSize::A4), 300);
    EXPECT_EQ(PrintResult::StartFailed, missing.Print({QStringLiteral("Record Image"), Quadrants(), place}));
}
