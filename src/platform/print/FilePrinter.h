#pragma once
// A printer into a file of the user's: the paper and orientation the page
// dialog sets, the whole sheet printable, a path fixed or asked for at the
// first mark of each document, and the finished document copied there with
// every step checked. A file format is a writer (see PageWriter) and a
// subclass that gives its figures and opens that writer.
#include "platform/print/PagePrinter.h"
#include "platform/print/SystemPrinters.h"

#include <QPageLayout>
#include <memory>

namespace platform {

class FilePrinter : public PagePrinter {
public:
    // `format` is the device's name and the file's kind ("PDF"). An empty
    // `outputPath` asks `pathProvider` at the first mark of each document
    // (no provider, or an empty answer, cancels the job).
    FilePrinter(QString format, const QString& outputPath, FilePathProvider pathProvider);
    ~FilePrinter() override;

    QString DeviceName() const override { return mFormat; }
    int16_t PaperSize() const override;
    int16_t Orientation() const override;
    PrinterDialogKind DialogKind() const override { return PrinterDialogKind::Page; }

    // Paper and orientation, what the page dialog shows and changes (a file
    // has no other device to pick). The margins are always none.
    const QPageLayout& Layout() const { return mLayout; }
    void SetLayout(const QPageSize& paper, QPageLayout::Orientation orientation);

protected:
    // The writer of a new document, whose finished file is copied to the
    // user's path. Throws Failure.
    virtual std::unique_ptr<PageWriter> OpenDocument() = 0;

private:
    std::unique_ptr<PageWriter> OpenPage() final;
    void Deliver(const QString& file) final;
    void ApplyOrientation(bool landscape) final;

    QString mFormat;
    QString mFixedPath;
    FilePathProvider mProvider;
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
