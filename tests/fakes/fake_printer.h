#pragma once

#include "platform/printer.h"

#include <vector>

namespace ostrel::test {

// A default printer that keeps what it prints. An empty strName means there is no printer;
// result makes every print that gets as far as starting fail that way.
class FakePrinter final : public Printer {
public:
    QString DefaultPrinterName() override { return strName; }
    PrintResult Print(const PrintJob& job) override
    {
        if (strName.isEmpty())
            return PrintResult::NoPrinter;
        if (job.image.isNull() || !job.fnPlace)
            return PrintResult::InvalidJob;
        const QRect rcTarget = job.fnPlace(page);
        if (rcTarget.isEmpty())
            return PrintResult::InvalidJob;
        if (result != PrintResult::Ok)
            return result;
        printed.push_back({job.strDocumentName, job.image, page, rcTarget});
        return PrintResult::Ok;
    }

    struct Printed {
        QString strDocumentName;
        QImage image;
        PrinterPage page;
        QRect rcTarget;
    };

    QString strName = QStringLiteral("Fake Printer");
    // US Letter at 600 dots per inch.
    PrinterPage page{600, 600, 5100, 6600};
    PrintResult result = PrintResult::Ok;
    std::vector<Printed> printed; // the pages that came out
};

} // namespace ostrel::test
