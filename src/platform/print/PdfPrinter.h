#pragma once
// The built-in PDF printer: one page at 600 dots per inch, lossless, the
// whole sheet printable, the paper's exact size, written to a file the user
// names.
#include "platform/page/PageGeometry.h"
#include "platform/print/PagePrinter.h"
#include "platform/print/SystemPrinters.h"

#include <QPageLayout>
#include <memory>

namespace platform {

class PdfPrinter final : public PagePrinter {
public:
    // An empty `outputPath` asks `pathProvider` at the first mark of each
    // document (no provider, or an empty answer, cancels the job).
    PdfPrinter(const QString& outputPath, PdfPathProvider pathProvider);
    ~PdfPrinter() override;

    QString DeviceName() const override { return QStringLiteral("PDF"); }
    int16_t PrintQuality() const override { return kDotsPerInch; }
    int16_t PaperSize() const override;
    int16_t Orientation() const override;
    PrintableArea Area() const override;
    DeviceFacts Facts() const override;

    // Paper and orientation, what the page dialog shows and changes (a PDF
    // has no other device to pick). The margins are always none.
    const QPageLayout& Layout() const { return mLayout; }
    void SetLayout(const QPageSize& paper, QPageLayout::Orientation orientation);

    static constexpr int kDotsPerInch = 600;

protected:
    std::unique_ptr<PageWriter> OpenPage() override;
    void Deliver(const QString& file) override;
    void ApplyOrientation(bool landscape) override;

private:
    PageGeometry Geometry() const;

    QString mFixedPath;
    PdfPathProvider mProvider;
    QPageLayout mLayout;
    QString mDocumentPath;  // where the open document goes
};

// Copies a finished file to `destination` (its name's very bytes), checking
// every step; on failure removes what it wrote when that was a regular file
// or a new one (never a device or other special file) and throws Failure.
// Refuses a destination the program reads (ReadByTheProgram).
void CopyFileChecked(const QString& source, const QString& destination);

// A paper's size in points as it is defined, fractions kept (Qt's own point
// size is rounded to whole points).
QSizeF ExactPoints(const QPageSize& paper);

// The locale's everyday paper: Letter where US measures are used, else A4.
QPageSize::PageSizeId LocaleDefaultPaper();

}  // namespace platform
