#pragma once
// The interface between the printers and the formats a page is written in.
#include "platform/page/PagePainter.h"

#include <QString>

#include <cstddef>

namespace platform {

// Where a document's bytes go as they are written, when they go straight to
// their reader (the print system's job) rather than into a file first.
class DocumentStream {
public:
    virtual ~DocumentStream() = default;
    // Takes the next `count` bytes. Throws Failure, or Cancelled.
    virtual void Write(const char* bytes, size_t count) = 0;
};

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
    // long as the writer; empty when the document went to its stream. Throws Failure.
    virtual QString Finish() = 0;
    // Whether the document goes to a stream as it is written (Finish then
    // ends the delivery too).
    virtual bool Streams() const { return false; }
};

}  // namespace platform
