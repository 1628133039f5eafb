#pragma once
// What every real printer shares: a document of one or more pages, begun on
// the first mark, drawn through a PagePainter into a page writer, and handed
// on as one file when it ends. Subclasses say where the page's figures come from (their
// geometry), how a page is written, and where a finished page goes.
#include "platform/page/PageWriter.h"
#include "platform/print/Printer.h"

#include <QString>
#include <memory>

namespace platform {

class PagePrinter : public Printer {
public:
    void KillDoc() override;
    // The orientation the next page is laid out in (1 portrait, 2 landscape);
    // drops any page begun. What the dialogs' orientation choice does.
    void SetOrientation(int16_t orientation);

protected:
    // A writer for a new document's page. May throw Failure, or Cancelled
    // when there is nowhere to put the page.
    virtual std::unique_ptr<PageWriter> OpenPage() = 0;
    // Sends the finished page at `file` where it belongs. Throws Failure.
    virtual void Deliver(const QString& file) = 0;
    virtual void ApplyOrientation(bool landscape) = 0;

    void DrawLineBoxDots(double x1, double y1, double x2, double y2, int width, const QRect& clip) final;
    void DrawPictureDots(const Picture& picture, double x, double y, double w, double h, const QRect& clip) final;
    void DrawCopiesDots(const Picture& picture, double x, double y, double w, double h, const CopyBlock& block,
                        const QRect& clip) final;
    void BeginNextPage() final;
    void FinishDocument() final;

private:
    PageWriter& Page();
    std::unique_ptr<PageWriter> mPage;
};

// The title of documents sent to a printer: the application's name.
QString DocumentTitle();

}  // namespace platform
