#pragma once
// The built-in PDF printer: one page at 600 dots per inch, lossless, the
// whole sheet printable, the paper's exact size, written to a file the user
// names.
#include "platform/page/PageGeometry.h"
#include "platform/print/FilePrinter.h"

#include <memory>

namespace platform {

class PdfPrinter final : public FilePrinter {
public:
    // An empty `outputPath` asks `pathProvider` at the first mark of each
    // document (no provider, or an empty answer, cancels the job).
    PdfPrinter(const QString& outputPath, FilePathProvider pathProvider);
    ~PdfPrinter() override;

    int16_t PrintQuality() const override { return kDotsPerInch; }
    PrintableArea Area() const override;
    DeviceFacts Facts() const override;

    static constexpr int kDotsPerInch = 600;

protected:
    std::unique_ptr<PageWriter> OpenDocument() override;

private:
    PageGeometry Geometry() const;
};

}  // namespace platform
