#include "platform/print/CupsPrinter.h"

#include "platform/cups/CupsQueue.h"
#include "platform/cups/CupsUpload.h"
#include "platform/cups/SchedulerLink.h"
#include "platform/base/Failure.h"
#include "platform/base/PrintLog.h"
#include "platform/print/PaperCodes.h"
#include "platform/page/PdfPage.h"
#include "platform/page/RasterPage.h"

#include <QPrintEngine>
#include <QPrinter>
#include <QPrinterInfo>

namespace platform {
namespace {

// Qt's CUPS print engine keeps the options chosen in its dialog (PPD
// choices, number-up...) under this private key, as name, value pairs.
const auto kCupsOptionsKey = QPrintEngine::PrintEnginePropertyKey(0xfe00);

bool GreyPage(const cups_page_header2_t& h) {
    return h.cupsColorSpace == CUPS_CSPACE_W || h.cupsColorSpace == CUPS_CSPACE_SW || h.cupsColorSpace == CUPS_CSPACE_K;
}

}  // namespace

CupsPrinter::CupsPrinter(const QString& queueName) {
    const QueueSnapshot look(queueName);  // the one look that finds it serves reading it
    if (!QueueExists(queueName)) Fail(QStringLiteral("There is no printer named %1.").arg(Quoted(queueName)));
    // The queue's own defaults (its PPD's, its saved options) decide the
    // paper, as CUPS would for a job that names none.
    Load(queueName, {}, {});
}

CupsPrinter::~CupsPrinter() = default;

QPrinter& CupsPrinter::QtPrinter() {
    // Made on first use: Qt's printer asks the print system for the queue's
    // list and its PPD twice over, which a print from the command line,
    // with no dialog, never needs.
    if (!mPrinter) {
        const QPrinterInfo info = QPrinterInfo::printerInfo(mQueue);
        if (info.isNull()) Fail(QStringLiteral("There is no printer named %1.").arg(Quoted(mQueue)));
        auto printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
        if (!printer->isValid() || printer->printerName() != mQueue)
            Fail(QStringLiteral("The printer %1 is not available.").arg(Quoted(mQueue)));
        mPrinter = std::move(printer);
    }
    return *mPrinter;
}

int CupsPrinter::CopyCount() const { return mPrinter ? mPrinter->copyCount() : 1; }

void CupsPrinter::Load(const QString& queue, const QStringList& options, QSize resolution) {
    QueuePage read = ReadQueuePage(queue, options, resolution);
    if (mPreferPdf && read.format != PageFormat::Pdf) {
        // The print system renders the PDF: lay the page out as it will.
        if (read.format == PageFormat::PwgRaster || read.format == PageFormat::AppleRaster)
            SetSheetRaster(read.geometry);
        else SetImageableRaster(read.geometry);
        read.format = PageFormat::Pdf;
        qCDebug(lcPrint, "%s: sent as PDF, as asked", qUtf8Printable(queue));
    }
    const PageGeometry page = read.geometry;
    DotGrid grid;
    try {
        grid = GridOf(page);
    } catch (const Failure& f) {
        Fail(QStringLiteral("%1: %2").arg(Quoted(queue), f.message()));
    }
    mQueue = queue;
    mOptions = options;
    mResolution = resolution;
    mPage = page;
    mGrid = grid;
    mFormat = read.format;
    mHeader = read.header;
    mOneBitDevice = read.oneBitDevice;
    mNotes = read.notes;
    const QPageSize paper(QSizeF(page.widthPoints * 25.4 / 72.0, page.heightPoints * 25.4 / 72.0),
                          QPageSize::Millimeter, QString(), QPageSize::FuzzyMatch);
    mPaper = PaperCodeOf(paper.id());
    qCDebug(lcPrint, "%s: sent as %s at %d x %d dpi; paper %s, margins %.2f %.2f %.2f %.2f pt (left, bottom, right, top), from %s", qUtf8Printable(queue), qUtf8Printable(Facts().pageFormat), page.xdpi, page.ydpi, qUtf8Printable(page.media), page.left, page.bottom, page.widthPoints - page.right, page.heightPoints - page.top, qUtf8Printable(page.source));
}

PrintableArea CupsPrinter::Area() const {
    // Inches are the imageable box's; dots are the whole cells in it.
    const PrintableArea portrait{(mPage.right - mPage.left) / 72.0, (mPage.top - mPage.bottom) / 72.0,
                                 mGrid.cells.width(), mGrid.cells.height()};
    if (!mLandscape) return portrait;
    return PrintableArea{portrait.heightInches, portrait.widthInches, portrait.heightDots, portrait.widthDots};
}

Printer::DeviceFacts CupsPrinter::Facts() const {
    static const char* const kFormats[] = {"PDF", "CUPS raster", "PWG raster", "Apple raster"};
    DeviceFacts f{mPage.xdpi, mPage.ydpi, mGrid.areaDots, mPage.source,
                  QString::fromLatin1(kFormats[int(mFormat)]), SheetInCells(mPage, mGrid, mLandscape), mNotes};
    if (mLandscape) {
        std::swap(f.xdpi, f.ydpi);
        f.areaDots.transpose();
    }
    return f;
}

std::unique_ptr<PageWriter> CupsPrinter::OpenPage() {
    // The look that finds the queue ready makes the job too.
    const QueueSnapshot look(mQueue);
    CheckQueueReady(mQueue);
    const OneBitMode mode = mDither ? OneBitMode::Ordered : OneBitMode::Threshold;
    // The document streams to the scheduler as it is written: no file
    // written whole and read back.
    auto upload = std::make_unique<JobUpload>(
        mQueue, DocumentTitle(),
        SubmissionOptions(mPage.media, mOptions + mPage.jobOptions, CopyCount()), NamedDest(mQueue));
    mUpload = upload.get();
    if (mFormat == PageFormat::Pdf)
        return std::make_unique<PdfPage>(PageSetup{mPage, mLandscape, DocumentTitle(),
                                                   mOneBitDevice ? std::optional(mode) : std::nullopt},
                                         std::move(upload));
    RasterSetup setup;
    setup.header = mHeader;
    setup.pwg = mFormat == PageFormat::PwgRaster;
    setup.apple = mFormat == PageFormat::AppleRaster;
    setup.firstDot = mGrid.firstDot;
    setup.cells = mGrid.cells;
    setup.dotsAcross = mGrid.dotsAcross;
    setup.dotsDown = mGrid.dotsDown;
    setup.quarterTurn = mLandscape;
    setup.oneBit = mode;
    // A driverless grey printer prints exact grey; asked to dither, it
    // gets the one-bit look.
    setup.blackAndWhite = mDither && mFormat != PageFormat::CupsRaster && GreyPage(mHeader);
    return std::make_unique<RasterPage>(setup, std::move(upload));
}

void CupsPrinter::ShowAsDevice(QImage& shown) const {
    if ((mFormat == PageFormat::Pdf && !mOneBitDevice) || shown.isNull()) return;
    const cups_cspace_t space = mHeader.cupsColorSpace;
    if (!GreyPage(mHeader)) return;  // colour devices show the picture's own colours
    // Each line goes through the very encoder the raster is written with,
    // and is read back as grey.
    cups_page_header2_t h = mHeader;
    h.cupsWidth = unsigned(shown.width());
    h.cupsBytesPerLine = (h.cupsWidth * h.cupsBitsPerPixel + 7) / 8;
    if (!UnsupportedLayout(h).isEmpty()) return;
    const OneBitMode mode = mDither ? OneBitMode::Ordered : OneBitMode::Threshold;
    QImage opaque = shown.convertToFormat(QImage::Format_RGB32);
    std::vector<unsigned char> line(h.cupsBytesPerLine);
    for (int y = 0; y < opaque.height(); ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(opaque.scanLine(y));
        // Transparency shows as the paper it prints on.
        if (shown.hasAlphaChannel()) {
            const QRgb* in = reinterpret_cast<const QRgb*>(shown.constScanLine(y));
            for (int x = 0; x < opaque.width(); ++x) {
                const QRgb p = qUnpremultiply(in[x]);
                const int a = qAlpha(p);
                const auto mix = [a](int c) { return (c * a + 255 * (255 - a) + 127) / 255; };
                row[x] = qRgb(mix(qRed(p)), mix(qGreen(p)), mix(qBlue(p)));
            }
        }
        if (mDither && mFormat != PageFormat::CupsRaster) CutToBlackAndWhite(row, opaque.width(), unsigned(y), mode);
        EncodeLine(h, row, unsigned(y), mode, line.data());
        for (int x = 0; x < opaque.width(); ++x) {
            int level = 0;
            if (h.cupsBitsPerColor == 1) level = ((line[size_t(x / 8)] >> (7 - x % 8)) & 1) ? 255 : 0;
            else level = line[size_t(x * int(h.cupsBitsPerColor / 8))];  // the high byte of 16 bits is alike
            if (space == CUPS_CSPACE_K) level = 255 - level;
            row[x] = qRgb(level, level, level);
        }
    }
    shown = opaque;
}

void CupsPrinter::PreferPdf() {
    KillDoc();
    mPreferPdf = true;
    Load(mQueue, mOptions, mResolution);
}

QList<QSize> CupsPrinter::Resolutions() const { return QueueResolutions(mQueue, mOptions); }

QSize CupsPrinter::DefaultResolution() const {
    if (mResolution.isEmpty()) return QSize(mPage.xdpi, mPage.ydpi);
    const PageGeometry page = ReadQueuePage(mQueue, mOptions).geometry;
    return QSize(page.xdpi, page.ydpi);
}

void CupsPrinter::SetResolution(QSize dpi) {
    KillDoc();
    Load(mQueue, mOptions, dpi);
}

void CupsPrinter::Deliver(const QString& file) {
    PrintOutcome outcome;
    outcome.queue = mQueue;
    outcome.queuePaused = CheckQueueReady(mQueue);
    // A page whose stream was dropped on a failure (see PdfPage::Discard)
    // is a file, sent whole.
    outcome.jobId = file.isEmpty() && mUpload ? mUpload->Finish()
                                              : SubmitJob(mQueue, file, DocumentTitle(), mPage.media,
                                                          mOptions + mPage.jobOptions, CopyCount());
    mUpload = nullptr;
    qCDebug(lcPrint, "%s: job %d, paper %s, options %s", qUtf8Printable(mQueue), outcome.jobId, qUtf8Printable(mPage.media), qUtf8Printable((mOptions + mPage.jobOptions).join(QLatin1Char(' '))));
    SetOutcome(outcome);
}

QPrinter& CupsPrinter::DialogPrinter() {
    KillDoc();
    // The dialog opens on this printer's queue and paper.
    QPrinter& printer = QtPrinter();
    const QPrinterInfo info = QPrinterInfo::printerInfo(mQueue);
    if (!info.isNull() && printer.printerName() != mQueue) printer.setPrinterName(mQueue);
    for (const QPageSize& size : info.supportedPageSizes())
        if (size.key() == mPage.media) printer.setPageSize(size);
    printer.setPageOrientation(mLandscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    return printer;
}

void CupsPrinter::TakeDialogChoice() {
    QPrinter& printer = QtPrinter();
    const QString queue = printer.printerName();
    QStringList options = printer.printEngine()->property(kCupsOptionsKey).toStringList();
    // Qt names a queue's papers by their PPD choice, which is what CUPS
    // takes as the media of a job.
    const QString media = printer.pageLayout().pageSize().key();
    if (!media.isEmpty()) options << QStringLiteral("media") << media;
    const bool landscape = printer.pageLayout().orientation() == QPageLayout::Landscape;
    // A resolution chosen for this queue is kept while the printer on it
    // still has it; another queue starts from its own default.
    QSize resolution = queue == mQueue ? mResolution : QSize();
    if (!resolution.isEmpty() && !QueueResolutions(queue, options).contains(resolution)) resolution = QSize();
    Load(queue, options, resolution);
    mLandscape = landscape;
}

}  // namespace platform
