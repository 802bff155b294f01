#pragma once

#include "platform/printer.h"

#include <QPageSize>

class QPrinter;

namespace ostrel {

// Prints through QPrinter and QPainter on the user-interface thread: on the system's default
// printer (looked up at every call, through CUPS), or into a PDF file.
class QtPrinter final : public Printer {
public:
    // The system's default printer, at its highest resolution.
    QtPrinter();
    // A PDF file at strPdfPath standing in for the default printer (named "PDF"), with the
    // given page and resolution in dots per inch. An existing file is replaced.
    QtPrinter(const QString& strPdfPath, const QPageSize& pageSize, int nDpi);

    QString DefaultPrinterName() override;
    PrintResult Print(const PrintJob& job) override;

private:
    // Sets up rPrinter for this printer's target; false when there is no printer.
    bool Prepare(QPrinter& rPrinter) const;

    QString m_strPdfPath; // empty: the system's default printer
    QPageSize m_pageSize;
    int m_nDpi = 0;
};

} // namespace ostrel
