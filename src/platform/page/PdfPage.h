#pragma once
// The pages of one document written as a PDF file of its own, begun on the
// first mark. Both
// the queue printer (which hands the file to the print system) and the PDF
// printer (which copies it to the user's file) draw through it.
//
// The file is written here rather than by Qt's PDF engine, which keeps page
// sizes in whole points (A4 as 595 x 842) and could not put a mark on a
// fraction of a point: the page has the exact media size, and each mark is
// an image placed on whole cells of the device's grid, starting at the
// imageable box's own corner, so a renderer maps every image pixel onto
// exactly its dots. Images are stored losslessly (Flate), never as JPEG.
#include "platform/page/PageGeometry.h"
#include "platform/page/PagePainter.h"
#include "platform/page/PageWriter.h"
#include "platform/page/RasterEncoding.h"
#include "platform/page/TemporaryDocument.h"

#include <QByteArray>
#include <map>
#include <QString>
#include <memory>
#include <optional>

class QFile;

namespace platform {

struct PageSetup {
    PageGeometry page;         // paper, imageable box and resolution, as the device takes the sheet
    bool quarterTurn = false;  // caller's page is the printable area turned (see PagePainter)
    QString title;             // document title
    // For a device of one bit per colour that gets the PDF rendered by the
    // print system: pictures are stored already cut to black and white, one
    // image sample per device dot (threshold, or the ordered pattern by the
    // dot's place on the page), so no renderer screens their grey. Empty:
    // pictures as they are.
    std::optional<OneBitMode> oneBit;
};

class PdfPage final : public PageWriter, private DotSink {
public:
    // With a `stream`, the document goes there as it is written; without
    // one, into a temporary file.
    explicit PdfPage(PageSetup setup, std::unique_ptr<DocumentStream> stream = nullptr);
    ~PdfPage() override;
    PdfPage(const PdfPage&) = delete;
    PdfPage& operator=(const PdfPage&) = delete;

    PagePainter& Painter() override;
    void NextPage() override;
    QString Finish() override;
    bool Streams() const override { return mStream != nullptr; }
    // Throws away the document and its file. Harmless when nothing is open.
    void Discard() noexcept;

private:
    void Rows(const QRect& cells, RowFill fill, const QByteArray& identity) override;
    void Black(const QRect& cells) override;
    // A row of copies is one image, placed once for each row of copies: a
    // sheet of copies costs the file its dots, not a placement per copy.
    // Between copies the image is masked out, so what lies there shows.
    void Lattice(const QRect& cells, QPoint step, int across, int down, const QRect& visible, RowFill fill,
                 const QByteArray& identity) override;
    // Rows, with an optional stencil of one row (`mask`, 1 bit a pixel,
    // set where nothing is painted) applied to every row of the image.
    void Image(const QRect& cells, const RowFill& fill, const QByteArray& identity, const QByteArray& mask);

    // Writes `bytes` to the file or the stream; a failure is thrown.
    void Write(const QByteArray& bytes);
    // Starts object `number` (recording where it begins).
    void BeginObject(int number);
    int NewObject();
    // Writes the open page's content stream and page object.
    void WritePage();
    // Writes the image stream's samples: rows of RGB, or of one-bit dots.
    void WriteSamples(const QRect& cells, const RowFill& fill);
    // The content-stream operator that puts an image on cells `cells`.
    QByteArray Placement(const QRect& cells, const QByteArray& name) const;

    PageSetup mSetup;
    DotGrid mGrid;
    TemporaryDocument mDocument;
    std::unique_ptr<QFile> mFile;
    std::unique_ptr<PagePainter> mPage;
    std::unique_ptr<DocumentStream> mStream;
    qint64 mWritten = 0;           // bytes of the document so far
    std::vector<qint64> mOffsets;  // of object n at [n - 1]
    QByteArray mContent;           // the open page's content stream, written when it ends
    QByteArray mResources;         // "/Im1 5 0 R ..." for every image of the open page
    QByteArray mKids;              // "7 0 R 12 0 R ..." for every page written
    struct SharedImage {
        QByteArray name;      // "Im3"
        QByteArray resource;  // "/Im3 9 0 R "
    };
    std::map<QByteArray, SharedImage> mShared;  // by the marks' identity: copies of one picture
    int mImages = 0;
    int mPages = 0;
    int mBlackObject = 0;          // the one-pixel black image, once made
    int mStreamLength = 0;         // the object holding the open image stream's length
    qint64 mStreamWritten = 0;     // its bytes so far
};

}  // namespace platform
