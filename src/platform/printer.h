#pragma once

#include <QImage>
#include <QRect>
#include <QString>

#include <functional>

// Printing one picture on one page of the default printer.

namespace ostrel {

// A printer's page in its device units (dots).
struct PrinterPage {
    int nDpiX = 0;   // dots per inch across
    int nDpiY = 0;   // dots per inch down
    int nWidth = 0;  // the whole physical page, not only its printable part, in dots
    int nHeight = 0; // in dots
};

struct PrintJob {
    QString strDocumentName; // the job's name in the print queue (a PDF's title)
    QImage image;            // printed whole, stretched into the target without smoothing
    // Where the image goes, in dots from the physical page's top-left corner, given the page
    // of the printer that prints it. Parts outside the printable area are cut off.
    std::function<QRect(const PrinterPage&)> fnPlace;
};

enum class PrintResult {
    Ok,          // the page was handed to the printer (spooled)
    NoPrinter,   // there is no default printer; nothing was started
    InvalidJob,  // a null image, no placement, or an empty target; nothing was started
    StartFailed, // the document could not be started (spooler or file refused); nothing printed
    Failed,      // the page or the document's end failed after it started; the job was aborted
};

class Printer {
public:
    virtual ~Printer() = default;
    // The default printer's name; empty when there is none.
    virtual QString DefaultPrinterName() = 0;
    // Prints job.image on one page of the default printer, where job.fnPlace says. Blocks
    // until the page is spooled. Every failure comes back as the result; nothing throws.
    virtual PrintResult Print(const PrintJob& job) = 0;
};

} // namespace ostrel
