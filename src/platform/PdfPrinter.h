#pragma once
// The built-in PDF printer: one page at 600 dots per inch, lossless, the
// whole sheet printable, written to a file the user names.
#include "platform/Printer.h"
#include "platform/SystemPrinters.h"

#include <QPageLayout>
#include <memory>

namespace platform {

class PdfPage;

class PdfPrinter final : public Printer {
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
    void KillDoc() override;
    // Paper and orientation (a PDF has no other device to pick).
    bool ShowPrinterDialog(QWidget* parent, const QString& title) override;
    // What the dialog's orientation choice does, for callers without a dialog.
    void SetOrientation(int16_t orientation);

    static constexpr int kDotsPerInch = 600;

protected:
    void DrawLineBoxDots(double x1, double y1, double x2, double y2, int width) override;
    void DrawPictureDots(const Picture& picture, double x, double y, double w, double h) override;
    void FinishDocument() override;

private:
    PdfPage& Page();

    QString mFixedPath;
    PdfPathProvider mProvider;
    QPageLayout mLayout;
    QString mDocumentPath;  // where the open document goes
    std::unique_ptr<PdfPage> mPage;
};

// Copies a finished file to `destination`, checking every step; on failure
// removes what it wrote when that was a regular file or a new one (never a
// device or other special file) and throws Failure.
void CopyFileChecked(const QString& source, const QString& destination);

// The locale's everyday paper: Letter where US measures are used, else A4.
QPageSize::PageSizeId LocaleDefaultPaper();

}  // namespace platform
