#pragma once
// One page rendered into a temporary PDF file, begun on the first mark. Both
// the queue printer (which hands the file to the print system) and the PDF
// printer (which copies it to the user's file) draw through it, so a page is
// built the same way whatever receives it.
#include "platform/PagePainter.h"
#include "platform/PagePrinter.h"

#include <QPageLayout>
#include <QString>
#include <memory>

class QPainter;
class QPrinter;
class QTemporaryDir;

namespace platform {

struct PageSetup {
    QPageLayout layout;        // paper, margins (the printable area), orientation
    int dotsPerInch = 600;     // device dots; one picture pixel per dot
    bool quarterTurn = false;  // caller's page is the printable area turned (see PagePainter)
    QString title;             // document title
};

class PdfPage final : public PageWriter {
public:
    explicit PdfPage(PageSetup setup);
    ~PdfPage() override;
    PdfPage(const PdfPage&) = delete;
    PdfPage& operator=(const PdfPage&) = delete;

    // The painter of the open page; opens it on first use. Throws Failure.
    PagePainter& Painter() override;
    // Printable area of the device in dots, portrait as the device has it.
    // Valid once the page is open.
    QSize DeviceDots() const { return mDeviceDots; }
    bool IsOpen() const { return mPainter != nullptr; }
    // Ends the page and returns the finished file's path; the file lives
    // until this object is destroyed or Discard is called. Throws Failure.
    QString Finish() override;
    // Throws away the page and its file. Harmless when nothing is open.
    void Discard() noexcept;

private:
    PageSetup mSetup;
    std::unique_ptr<QTemporaryDir> mDir;
    std::unique_ptr<QPrinter> mPrinter;
    std::unique_ptr<QPainter> mPainter;
    std::unique_ptr<PagePainter> mPage;
    QSize mDeviceDots;
    QString mPath;
};

// The printable area in dots that a PDF device with `layout` at `dotsPerInch`
// gives its painter (portrait layouts as they are).
QSize PaintableDots(const QPageLayout& layout, int dotsPerInch);

}  // namespace platform
