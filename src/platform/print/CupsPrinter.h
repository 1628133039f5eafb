#pragma once
// A printer on one CUPS queue. Its figures are the page CUPS itself lays out
// for the queue (ReadQueuePage: the PPD's page header, or IPP attributes),
// never Qt's reading of them. The page is written at the device's own
// resolution, one picture pixel per cell of whole dots: as the raster its
// driver or driverless printer takes when it takes one, else as a PDF of
// the media's exact size handed on with scaling turned off. Landscape is
// drawn by turning the content a quarter turn on the portrait page, which is
// exact for pixels and keeps the device's own margins where they are.
#include "platform/cups/CupsQueue.h"
#include "platform/page/PageGeometry.h"
#include "platform/print/PagePrinter.h"

#include <QStringList>
#include <memory>

class QPrinter;

namespace platform {
class JobUpload;
}

namespace platform {

class CupsPrinter final : public PagePrinter {
public:
    // Throws Failure when the queue does not exist or cannot be reached.
    explicit CupsPrinter(const QString& queueName);
    ~CupsPrinter() override;

    QString DeviceName() const override { return mQueue; }
    int16_t PrintQuality() const override { return int16_t(mGrid.dpi); }
    int16_t PaperSize() const override { return mPaper; }
    int16_t Orientation() const override { return mLandscape ? kLandscape : kPortrait; }
    PrinterDialogKind DialogKind() const override { return PrinterDialogKind::Queue; }
    PrintableArea Area() const override;
    DeviceFacts Facts() const override;
    void SetDithering(bool dither) override { mDither = dither; }
    void ShowAsDevice(QImage& shown) const override;

    // For the printer dialog: Qt's printer, set to this printer's queue,
    // paper and orientation, for the dialog to change...
    QPrinter& DialogPrinter();
    // ...and, after the dialog closed, takes what it holds (queue, paper,
    // orientation, options) as this printer's. Throws Failure.
    void TakeDialogChoice();

    const PageGeometry& Geometry() const { return mPage; }
    PageFormat Format() const { return mFormat; }
    // Sends PDF for the print system to render even where the queue could
    // take raster (for comparing the two paths).
    void PreferPdf();

    // The resolutions the device really prints at (dots per inch across and
    // down, coarsest first; see QueueResolutions), and the one chosen: empty
    // for the queue's default. Choosing one re-reads the page at it, or
    // throws Failure and changes nothing when the device has no such one.
    QList<QSize> Resolutions() const override;
    QSize ChosenResolution() const override { return mResolution; }
    QSize DefaultResolution() const override;
    void SetResolution(QSize dpi) override;

protected:
    std::unique_ptr<PageWriter> OpenPage() override;
    void Deliver(const QString& file) override;
    void ApplyOrientation(bool landscape) override { mLandscape = landscape; }

private:
    // Reads the geometry of `queue` with `options` and takes it, or throws
    // and changes nothing.
    void Load(const QString& queue, const QStringList& options, QSize resolution);

    // Qt's printer on the queue, made by QtPrinter(); for the dialog and the
    // copy count it sets only.
    QPrinter& QtPrinter();
    int CopyCount() const;  // 1 until a dialog chose more
    std::unique_ptr<QPrinter> mPrinter;
    QString mQueue;
    QStringList mOptions;  // name, value, name, value... chosen in the dialog
    QSize mResolution;     // chosen; empty: the queue's default
    PageGeometry mPage;    // portrait, as the device takes the sheet
    PageFormat mFormat = PageFormat::Pdf;
    cups_page_header2_t mHeader{};  // the raster's, for the raster formats
    bool mOneBitDevice = false;      // see QueuePage
    QStringList mNotes;  // what of the printer's own answer was not used
    bool mPreferPdf = false;
    bool mDither = false;
    DotGrid mGrid;
    int16_t mPaper = kPaperUser;
    bool mLandscape = false;
    // The job the open page streams into; owned by that page's writer, so
    // it goes (taken back unless finished) with the page.
    JobUpload* mUpload = nullptr;
};

}  // namespace platform
