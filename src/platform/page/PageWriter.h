#pragma once
// The interface between the printers and the formats a page is written in.
#include "platform/page/PagePainter.h"

#include <QString>

namespace platform {

// The pages of one document being written: the open page's painter, then a
// finished file. Destroying an unfinished writer throws the document away;
// nothing reaches any printer.
class PageWriter {
public:
    virtual ~PageWriter() = default;
    // The painter of the open page; opens it on first use. Throws Failure.
    virtual PagePainter& Painter() = 0;
    // Ends the open page (opening it first, blank, when nothing was drawn);
    // the painter's next marks go on a new page. Throws Failure.
    virtual void NextPage() = 0;
    // Ends the last page and the document and returns the finished file's path, which lives as
    // long as the writer. Throws Failure.
    virtual QString Finish() = 0;
};

}  // namespace platform
