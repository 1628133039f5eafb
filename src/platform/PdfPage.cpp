#include "platform/PdfPage.h"

#include "platform/Failure.h"

#include <QFileInfo>
#include <QPainter>
#include <QPrinter>
#include <QTemporaryDir>

namespace platform {
namespace {

const char* const kCannotMake = "The page could not be prepared for printing.";

void ConfigurePdf(QPrinter& printer, const PageSetup& setup, const QString& path) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    // An empty name would turn the printer back into the default queue,
    // whose margins are not this page's; measuring needs no file.
    if (!path.isEmpty()) printer.setOutputFileName(path);
    // Before the painter begins: the device's dot grid is fixed from then on.
    printer.setResolution(setup.dotsPerInch);
    printer.setFullPage(false);
    if (!printer.setPageLayout(setup.layout)) Fail(QString::fromLatin1(kCannotMake));
    printer.setDocName(setup.title);
    printer.setCreator(setup.title);
}

}  // namespace

QSize PaintableDots(const QPageLayout& layout, int dotsPerInch) {
    QPrinter printer(QPrinter::HighResolution);
    PageSetup setup;
    setup.layout = layout;
    setup.dotsPerInch = dotsPerInch;
    ConfigurePdf(printer, setup, QString());
    return QSize(printer.width(), printer.height());
}

PdfPage::PdfPage(PageSetup setup) : mSetup(std::move(setup)) {}

PdfPage::~PdfPage() { Discard(); }

PagePainter& PdfPage::Painter() {
    if (mPage) return *mPage;
    mDir = std::make_unique<QTemporaryDir>();
    if (!mDir->isValid()) {
        mDir.reset();
        Fail(QStringLiteral("No temporary file could be made for the page."));
    }
    mPath = mDir->filePath(QStringLiteral("page.pdf"));
    mPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
    ConfigurePdf(*mPrinter, mSetup, mPath);
    mPainter = std::make_unique<QPainter>();
    if (!mPainter->begin(mPrinter.get())) {
        Discard();
        Fail(QString::fromLatin1(kCannotMake));
    }
    // Without this the PDF writer stores pictures as JPEG and no pixel
    // survives exactly.
    mPainter->setRenderHint(QPainter::LosslessImageRendering, true);
    mPainter->setRenderHint(QPainter::Antialiasing, false);
    mPainter->setRenderHint(QPainter::SmoothPixmapTransform, false);
    mDeviceDots = QSize(mPrinter->width(), mPrinter->height());
    mPage = std::make_unique<PagePainter>(*mPainter, mDeviceDots.width(), mDeviceDots.height(),
                                          mSetup.quarterTurn);
    return *mPage;
}

QString PdfPage::Finish() {
    Painter();  // a document with no mark is still one (blank) page
    mPage.reset();
    const bool ended = mPainter->end();
    mPainter.reset();
    const bool failed = !ended || mPrinter->printerState() == QPrinter::Error;
    mPrinter.reset();
    if (failed || QFileInfo(mPath).size() <= 0) {
        Discard();
        Fail(QStringLiteral("The page could not be written."));
    }
    return mPath;
}

void PdfPage::Discard() noexcept {
    mPage.reset();
    if (mPainter && mPainter->isActive()) mPainter->end();
    mPainter.reset();
    mPrinter.reset();
    mDir.reset();  // removes the file with its folder
    mPath.clear();
}

}  // namespace platform
