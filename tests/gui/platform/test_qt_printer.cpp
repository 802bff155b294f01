// Printing one picture, checked in the PDF the printer writes with poppler's own tools:
// where the picture sits, at which resolution, under which title.
#include "fakes/fake_printer.h"
#include "platform/qt_printer.h"

#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

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

TEST(QtPrinterPdf, PicturePrintsWhereTheLayoutPutsItAndADocumentThatCannotStartIsReported)
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
    EXPECT_EQ(300, seen.nDpiX);
    EXPECT_EQ(300, seen.nDpiY);
    EXPECT_EQ(2550, seen.nWidth);
    EXPECT_EQ(3300, seen.nHeight);

    const QString strInfo = RunTool(QStringLiteral("pdfinfo"), {strPdf});
    for (const char* pszLine : {"Title:\\s+Record Image\\n", "Pages:\\s+1\\n", "Page size:\\s+612 x 792 pts"})
        EXPECT_TRUE(strInfo.contains(QRegularExpression(QString::fromLatin1(pszLine)))) << strInfo.toStdString();

    // "page num type width height color comp bpc enc interp object ID x-ppi y-ppi size ratio"
    const QStringList lines = RunTool(QStringLiteral("pdfimages"), {QStringLiteral("-list"), strPdf})
                                  .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(3, lines.size()) << "a header, a rule and one picture";
    const QStringList fields = lines[2].split(QLatin1Char(' '), Qt::SkipEmptyParts);
    ASSERT_GE(fields.size(), 14);
    EXPECT_EQ(QStringLiteral("1"), fields[0]) << "on page 1";
    EXPECT_EQ(QStringLiteral("640"), fields[3]) << "the picture's own pixels, not resampled";
    EXPECT_EQ(QStringLiteral("480"), fields[4]);
    EXPECT_EQ(QStringLiteral("100"), fields[12]) << "640 pixels across 6.4 inches";
    EXPECT_EQ(QStringLiteral("100"), fields[13]);

    // Rendered at 50 dots per inch the picture covers (50, 50)-(370, 290).
    const QString strRaster = dir.filePath(QStringLiteral("page"));
    RunTool(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("50"), QStringLiteral("-singlefile"), strPdf, strRaster});
    QImage page(strRaster + QStringLiteral(".ppm"));
    ASSERT_FALSE(page.isNull());
    EXPECT_TRUE(Near(page.pixel(130, 110), 255, 0, 0) && Near(page.pixel(290, 110), 0, 255, 0));
    EXPECT_TRUE(Near(page.pixel(130, 230), 0, 0, 255) && Near(page.pixel(290, 230), 255, 255, 0));
    EXPECT_TRUE(Near(page.pixel(45, 110), 255, 255, 255)) << "left of the picture";
    EXPECT_TRUE(Near(page.pixel(130, 45), 255, 255, 255)) << "above it";
    EXPECT_TRUE(Near(page.pixel(375, 230), 255, 255, 255)) << "right of it";
    EXPECT_TRUE(Near(page.pixel(290, 295), 255, 255, 255)) << "below it";

    QtPrinter missing(dir.filePath(QStringLiteral("missing/page.pdf")), QPageSize(QPageSize::A4), 300);
    EXPECT_EQ(PrintResult::StartFailed,
              missing.Print({QStringLiteral("Record Image"), Quadrants(), [](const PrinterPage&) { return QRect(0, 0, 100, 75); }}));
}

// The real printer and the fake refuse the same jobs before anything starts.
template <typename Maker>
class PrinterJobRules : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QTemporaryDir dir;
    QString strPdf = dir.filePath(QStringLiteral("page.pdf"));
    std::unique_ptr<Printer> pPrinter = Maker::Make(strPdf);
};

struct MakeQtPrinter {
    static std::unique_ptr<Printer> Make(const QString& strPdf)
    {
        return std::make_unique<QtPrinter>(strPdf, QPageSize(QPageSize::A4), 300);
    }
};
struct MakeFakePrinter {
    static std::unique_ptr<Printer> Make(const QString&) { return std::make_unique<test::FakePrinter>(); }
};

using Printers = ::testing::Types<MakeQtPrinter, MakeFakePrinter>;
TYPED_TEST_SUITE(PrinterJobRules, Printers);

TYPED_TEST(PrinterJobRules, InvalidJobsAreRefusedBeforeAnythingStarts)
{
    int nPlaced = 0;
    const auto place = [&](const PrinterPage& page) {
        ++nPlaced;
        EXPECT_GT(page.nDpiX, 0);
        EXPECT_GT(page.nWidth, 0);
        return QRect(page.nDpiX, page.nDpiY, 640, 480);
    };
    EXPECT_EQ(PrintResult::InvalidJob, this->pPrinter->Print({QStringLiteral("Record Image"), QImage(), place}));
    EXPECT_EQ(PrintResult::InvalidJob, this->pPrinter->Print({QStringLiteral("Record Image"), Quadrants(), nullptr}));
    EXPECT_EQ(PrintResult::InvalidJob, this->pPrinter->Print({QStringLiteral("Record Image"), Quadrants(),
                                                              [](const PrinterPage&) { return QRect(); }}));
    EXPECT_EQ(0, nPlaced) << "a null image is refused before the layout is asked";
    EXPECT_FALSE(QFileInfo::exists(this->strPdf)) << "no document was started";

    EXPECT_EQ(PrintResult::Ok, this->pPrinter->Print({QStringLiteral("Record Image"), Quadrants(), place}));
    EXPECT_EQ(1, nPlaced);
}

