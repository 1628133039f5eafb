#pragma once
// One page written as the very dots a device gets: CUPS raster for a driver
// that reads it, PWG or Apple raster for a driverless printer. No renderer comes
// between the program and the device, so nothing can smooth, scale or
// re-place a dot. The marks are kept as row fillers over the shared picture
// and the raster is written row by row when the page ends: the page never
// holds a copy of the picture, only one row of dots.
#include "platform/page/PagePainter.h"
#include "platform/page/PageWriter.h"
#include "platform/page/RasterEncoding.h"
#include "platform/page/RowComposer.h"
#include "platform/page/TemporaryDocument.h"

#include <QPoint>
#include <QSize>
#include <QString>
#include <cups/raster.h>
#include <memory>
#include <vector>

namespace platform {

struct RasterSetup {
    cups_page_header2_t header{};  // size, resolution and colours of the raster
    bool pwg = false;              // PWG raster rather than CUPS raster
    bool apple = false;            // Apple raster (the header as for PWG)
    QPoint firstDot;               // the raster dot where cell (0, 0) begins
    QSize cells;                   // the printable area in cells, portrait
    int dotsAcross = 1;            // device dots of one cell
    int dotsDown = 1;
    bool quarterTurn = false;      // caller's page is the area turned (see PagePainter)
    OneBitMode oneBit = OneBitMode::Threshold;
    // A grey page of 8 or 16 bits given the one-bit look: every dot black or
    // white, as `oneBit` cuts it (the user asked a grey printer to dither).
    bool blackAndWhite = false;
};

// Cuts a row of `width` dots of device row `y` to black and white in place,
// as a one-bit device would print them (see OneBitMode).
void CutToBlackAndWhite(QRgb* dots, int width, unsigned y, OneBitMode mode);

class RasterPage final : public PageWriter, private DotSink {
public:
    // With a `stream`, the raster goes there as it is written; without one,
    // into a temporary file.
    explicit RasterPage(RasterSetup setup, std::unique_ptr<DocumentStream> stream = nullptr);
    ~RasterPage() override;
    RasterPage(const RasterPage&) = delete;
    RasterPage& operator=(const RasterPage&) = delete;

    PagePainter& Painter() override;
    void NextPage() override;
    QString Finish() override;
    bool Streams() const override { return mStream != nullptr; }

private:
    void Rows(const QRect& cells, RowFill fill, const QByteArray& identity) override;
    void Black(const QRect& cells) override;
    void Lattice(const QRect& cells, QPoint step, int across, int down, const QRect& visible, RowFill fill,
                 const QByteArray& identity) override;
    // Opens the document's raster on its first page: into the stream, or
    // into a temporary file.
    void OpenDocument();
    // Writes the open page's header and lines to the document's raster
    // and forgets its marks.
    void WritePage();
    struct File;

    RasterSetup mSetup;
    std::unique_ptr<PagePainter> mPage;
    RowComposer mComposer;
    TemporaryDocument mDocument;
    std::unique_ptr<File> mFile;
    std::unique_ptr<DocumentStream> mStream;
};

}  // namespace platform
