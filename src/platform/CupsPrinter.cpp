#include "platform/CupsPrinter.h"

#include "platform/CupsQueue.h"
#include "platform/Failure.h"
#include "platform/PaperCodes.h"
#include "platform/PdfPage.h"

#include <QPrintEngine>
#include <QPrinter>
#include <QPrinterInfo>

namespace platform {
namespace {

// Qt's CUPS print engine keeps the options chosen in its dialog (PPD
// choices, number-up...) under this private key, as name, value pairs.
const auto kCupsOptionsKey = QPrintEngine::PrintEnginePropertyKey(0xfe00);

QString Quoted(const QString& queue) { return QStringLiteral("\"%1\"").arg(queue); }

}  // namespace

CupsPrinter::CupsPrinter(const QString& queueName) {
    if (!QueueExists(queueName)) Fail(QStringLiteral("There is no printer named %1.").arg(Quoted(queueName)));
    const QPrinterInfo info = QPrinterInfo::printerInfo(queueName);
    if (info.isNull()) Fail(QStringLiteral("There is no printer named %1.").arg(Quoted(queueName)));
    mPrinter = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    if (!mPrinter->isValid() || mPrinter->printerName() != queueName)
        Fail(QStringLiteral("The printer %1 is not available.").arg(Quoted(queueName)));
    // Qt starts from the locale's paper and keeps it when the queue lists it;
    // the queue's own default paper is what the user expects.
    const QPageSize paper = info.defaultPageSize();
    if (paper.isValid()) mPrinter->setPageSize(paper);
    Refresh();
}

CupsPrinter::~CupsPrinter() = default;

void CupsPrinter::Refresh() {
    const QString queue = mPrinter->printerName();
    const QStringList options = mPrinter->printEngine()->property(kCupsOptionsKey).toStringList();
    const int dpi = QueueResolution(queue, options);
    if (dpi <= 0) Fail(QStringLiteral("The resolution of the printer %1 is not known.").arg(Quoted(queue)));
    const bool landscape = mPrinter->pageLayout().orientation() == QPageLayout::Landscape;
    // Qt takes a queue's margins without turning them with the page, which
    // would clip a landscape page: the device stays portrait and the content
    // is turned instead.
    mPrinter->setPageOrientation(QPageLayout::Portrait);
    mPrinter->setResolution(dpi);
    const QPageLayout layout = mPrinter->pageLayout();
    const QRectF paint = layout.paintRect(QPageLayout::Point);
    const QSize dots = PaintableDots(layout, dpi);
    if (dots.width() <= 0 || dots.height() <= 0)
        Fail(QStringLiteral("The printer %1 has no printable area.").arg(Quoted(queue)));

    mQueue = queue;
    mDialogOptions = options;
    mDotsPerInch = dpi;
    mLandscape = landscape;
    mPortraitLayout = layout;
    mPaper = PaperCodeOf(layout.pageSize().id());
    mPortraitArea = PrintableArea{paint.width() / 72.0, paint.height() / 72.0, dots.width(), dots.height()};
}

PrintableArea CupsPrinter::Area() const {
    if (!mLandscape) return mPortraitArea;
    const PrintableArea& p = mPortraitArea;
    return PrintableArea{p.heightInches, p.widthInches, p.heightDots, p.widthDots};
}

std::unique_ptr<PageWriter> CupsPrinter::OpenPage() {
    CheckQueueReady(mQueue);
    return std::make_unique<PdfPage>(PageSetup{mPortraitLayout, mDotsPerInch, mLandscape, DocumentTitle()});
}

void CupsPrinter::Deliver(const QString& file) {
    CheckQueueReady(mQueue);
    SubmitJob(mQueue, file, DocumentTitle(), mPortraitLayout.pageSize().key(), mDialogOptions,
              mPrinter->copyCount());
}

QPrinter& CupsPrinter::DialogPrinter() {
    KillDoc();
    mPrinter->setPageOrientation(mLandscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    return *mPrinter;
}

void CupsPrinter::TakeDialogChoice() { Refresh(); }

}  // namespace platform
