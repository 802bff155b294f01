#include "platform/qt_printer.h"

#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

namespace ostrel {

QtPrinter::QtPrinter() = default;

QtPrinter::QtPrinter(const QString& strPdfPath, const QPageSize& pageSize, int nDpi)
    : m_strPdfPath(strPdfPath), m_pageSize(pageSize), m_nDpi(nDpi)
{
}

QString QtPrinter::DefaultPrinterName()
{
    if (!m_strPdfPath.isEmpty())
        return QStringLiteral("PDF");
    return QPrinterInfo::defaultPrinter().printerName();
}

bool QtPrinter::Prepare(QPrinter& rPrinter) const
{
    if (!m_strPdfPath.isEmpty()) {
        rPrinter.setOutputFormat(QPrinter::PdfFormat);
        rPrinter.setOutputFileName(m_strPdfPath);
        rPrinter.setPageSize(m_pageSize);
        rPrinter.setResolution(m_nDpi);
    } else {
        const QPrinterInfo info = QPrinterInfo::defaultPrinter();
        if (info.isNull())
            return false;
        rPrinter.setPrinterName(info.printerName());
    }
    // Coordinates start at the corner of the paper, not of its printable part.
    rPrinter.setFullPage(true);
    return true;
}

PrintResult QtPrinter::Print(const PrintJob& job)
{
    QPrinter printer(QPrinter::HighResolution);
    if (!Prepare(printer))
        return PrintResult::NoPrinter;
    if (job.image.isNull() || !job.fnPlace)
        return PrintResult::InvalidJob;
    const QRect rcPaper = printer.paperRect(QPrinter::DevicePixel).toRect();
    const PrinterPage page{printer.logicalDpiX(), printer.logicalDpiY(), rcPaper.width(), rcPaper.height()};
    const QRect rcTarget = job.fnPlace(page);
    if (rcTarget.isEmpty())
        return PrintResult::InvalidJob;

    printer.setDocName(job.strDocumentName);
    printer.setCreator(QStringLiteral("Ostrel"));
    QPainter painter;
    if (!painter.begin(&printer))
        return PrintResult::StartFailed;
    painter.drawImage(rcTarget, job.image);
    if (!painter.end() || printer.printerState() == QPrinter::Error) {
        printer.abort();
        return PrintResult::Failed;
    }
    return PrintResult::Ok;
}

} // namespace ostrel
