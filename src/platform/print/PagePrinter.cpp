#include "platform/print/PagePrinter.h"

#include "platform/base/Failure.h"
#include "platform/base/Progress.h"

#include <QCoreApplication>

namespace platform {

QString DocumentTitle() {
    const QString name = QCoreApplication::applicationName();
    return name.isEmpty() ? QStringLiteral("Ombrastele") : name;
}

PageWriter& PagePrinter::Page() {
    if (!mPage) mPage = OpenPage();
    return *mPage;
}

void PagePrinter::DrawLineBoxDots(double x1, double y1, double x2, double y2, int width, const QRect& clip) {
    PagePainter& painter = Page().Painter();
    painter.SetClip(clip);
    painter.Box(x1, y1, x2, y2, width);
}

void PagePrinter::DrawPictureDots(const Picture& picture, double x, double y, double w, double h,
                                  const QRect& clip) {
    PagePainter& painter = Page().Painter();
    painter.SetClip(clip);
    if (!picture.Rows()) {
        painter.Picture(picture.Image(), x, y, w, h);
        return;
    }
    // Read as the page is written: only at its own size.
    if (QSizeF(w, h) != QSizeF(picture.PixelSize())) Fail(QStringLiteral("A picture read row by row cannot be scaled"));
    painter.Streamed(picture.Rows(), x, y);
}

void PagePrinter::DrawCopiesDots(const Picture& picture, double x, double y, double w, double h,
                                 const CopyBlock& block, const QRect& clip) {
    if (picture.Rows()) {
        // Its rows are read once: one copy only.
        if (block.count != 1) Fail(QStringLiteral("A picture read row by row is printed once"));
        DrawPictureDots(picture, x, y, w, h, clip);
        return;
    }
    PagePainter& painter = Page().Painter();
    painter.SetClip(clip);
    painter.Copies(picture.Image(), x, y, w, h, block);
}

void PagePrinter::BeginNextPage() { Page().NextPage(); }

void PagePrinter::FinishDocument() {
    if (!mPage) return;  // nothing was drawn: no document to send
    // Taken first, so a failure below leaves no page open; the file lives
    // until the writer goes at the end of this call.
    const std::unique_ptr<PageWriter> page = std::move(mPage);
    QString file;
    // Ending the page writes what the strips left; delivering is the rest,
    // unless the page went to the printer as it was written.
    const double ended = page->Streams() ? 1.0 : 0.3;
    {
        const ProgressStage ending(0.0, ended);
        file = page->Finish();
        ReportProgress(1.0);
    }
    const ProgressStage delivering(ended, 1.0);
    Deliver(file);
}

void PagePrinter::KillDoc() { mPage.reset(); }

void PagePrinter::SetOrientation(int16_t orientation) {
    if (orientation != kPortrait && orientation != kLandscape) Fail(QStringLiteral("Invalid property value"));
    KillDoc();
    ApplyOrientation(orientation == kLandscape);
}

}  // namespace platform
