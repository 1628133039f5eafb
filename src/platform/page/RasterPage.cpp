#include "platform/page/RasterPage.h"

#include "platform/base/Failure.h"
#include "platform/base/Progress.h"
#include "platform/page/LineQueue.h"
#include "platform/page/LineRuns.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <exception>
#include <optional>

namespace platform {
namespace {

// Raster lines between two progress reports: well under a millisecond each.
constexpr int kRowsPerReport = 64;

// The device line made from a composed row of cells, and the line of bare
// paper, encoded for the page's header.
class LineMaker {
public:
    LineMaker(const RasterSetup& setup, const cups_page_header2_t& header)
        : mSetup(setup),
          mHeader(header),
          mWidth(int(header.cupsWidth)),
          mInLine(setup.dotsAcross == 1),
          mCellCount(size_t(setup.cells.width())),
          // One dot per cell across: the cells are composed in the line
          // itself, which reaches past the raster for cells it leaves out.
          mDots(std::max(size_t(mWidth), mInLine ? size_t(setup.firstDot.x()) + mCellCount : 0), kPaper),
          mCellBuffer(mInLine ? 0 : mCellCount),
          mBlank(header.cupsBytesPerLine),
          mLine(header.cupsBytesPerLine),
          // The one-bit look is cut from the composed row, which stays as it
          // is for the next device row of the same cells.
          mCut(setup.blackAndWhite ? mDots.size() : 0) {
        EncodeLine(header, mDots.data(), 0, setup.oneBit, mBlank.data());
    }

    // Where a row's cells are composed, cell 0 first.
    QRgb* Cells() { return mInLine ? mDots.data() + mSetup.firstDot.x() : mCellBuffer.data(); }
    // The composed cells to device dots, `columns` of them (those on the raster).
    void Spread(int columns) {
        if (mInLine) return;
        QRgb* d = mDots.data() + mSetup.firstDot.x();
        for (int c = 0; c < columns; ++c)
            for (int k = 0; k < mSetup.dotsAcross; ++k) *d++ = mCellBuffer[size_t(c)];
    }
    // Lines of paper alone, and lines of one-bit ordered dots aside, are the
    // same bytes wherever they lie: each is encoded once.
    bool EncodedByRow() const {
        return (mHeader.cupsBitsPerColor == 1 || mSetup.blackAndWhite) && mSetup.oneBit == OneBitMode::Ordered;
    }
    // The dots as device row `y`.
    void Encode(int y) {
        const QRgb* from = mDots.data();
        if (mSetup.blackAndWhite) {
            std::copy(mDots.begin(), mDots.end(), mCut.begin());
            CutToBlackAndWhite(mCut.data(), mWidth, unsigned(y), mSetup.oneBit);
            from = mCut.data();
        }
        EncodeLine(mHeader, from, unsigned(y), mSetup.oneBit, mLine.data());
    }
    const unsigned char* Line() const { return mLine.data(); }
    const unsigned char* Blank() const { return mBlank.data(); }

private:
    const RasterSetup& mSetup;
    const cups_page_header2_t& mHeader;
    int mWidth;
    bool mInLine;
    size_t mCellCount;
    std::vector<QRgb> mDots;
    std::vector<QRgb> mCellBuffer;
    std::vector<unsigned char> mBlank, mLine;
    std::vector<QRgb> mCut;
};

}  // namespace

// The raster stream writes through this file, or into the document's
// stream; closed on every path.
struct RasterPage::File {
    int fd = -1;
    cups_raster_t* raster = nullptr;
    DocumentStream* stream = nullptr;
    // What the stream threw, kept across libcups (C, which an exception
    // may not cross) and thrown again once the call has returned.
    std::exception_ptr failure;
    ~File() {
        if (raster) cupsRasterClose(raster);
        if (fd >= 0) ::close(fd);
    }
    static ssize_t WriteToStream(void* context, unsigned char* bytes, size_t count) {
        File& file = *static_cast<File*>(context);
        if (file.failure) return -1;
        try {
            file.stream->Write(reinterpret_cast<const char*>(bytes), count);
        } catch (...) {
            file.failure = std::current_exception();
            return -1;
        }
        return ssize_t(count);
    }
    // The page's lines, written by the program itself between the headers
    // libcups writes. Throws Failure, or what the stream throws.
    void Write(const unsigned char* bytes, size_t count) {
        if (stream) {
            stream->Write(reinterpret_cast<const char*>(bytes), count);
            return;
        }
        while (count > 0) {
            const ssize_t written = ::write(fd, bytes, count);
            if (written < 0 && errno == EINTR) continue;
            if (written <= 0) FailWritingPage();
            bytes += written;
            count -= size_t(written);
        }
    }
    // After a write libcups refused: the stream's own failure, else ours.
    [[noreturn]] void Failed() const {
        if (failure) std::rethrow_exception(failure);
        FailWritingPage();
    }
};

void CutToBlackAndWhite(QRgb* dots, int width, unsigned y, OneBitMode mode) {
    const cups_page_header2_t oneBit = OneBitHeader(unsigned(width));
    std::vector<unsigned char> bits(oneBit.cupsBytesPerLine);
    EncodeLine(oneBit, dots, y, mode, bits.data());
    for (int x = 0; x < width; ++x) dots[x] = (bits[size_t(x / 8)] >> (7 - x % 8)) & 1 ? kInk : kPaper;
}

RasterPage::RasterPage(RasterSetup setup, std::unique_ptr<DocumentStream> stream)
    : mSetup(std::move(setup)), mStream(std::move(stream)) {}

// The file (and its raster) goes before the stream it writes into.
RasterPage::~RasterPage() { mFile.reset(); }

PagePainter& RasterPage::Painter() {
    if (!mPage) {
        const QString why = UnsupportedLayout(mSetup.header);
        if (!why.isEmpty()) Fail(why);
        mPage = std::make_unique<PagePainter>(static_cast<DotSink&>(*this), mSetup.cells.width(),
                                              mSetup.cells.height(), mSetup.quarterTurn);
    }
    return *mPage;
}

// Every mark is written where it stands, row by row: nothing to share.
void RasterPage::Rows(const QRect& cells, RowFill fill, const QByteArray&) { mComposer.Rows(cells, std::move(fill)); }

void RasterPage::Black(const QRect& cells) { mComposer.Black(cells); }

void RasterPage::Lattice(const QRect& cells, QPoint step, int across, int down, const QRect& visible, RowFill fill,
                         const QByteArray&) {
    mComposer.Lattice(cells, step, across, down, visible, std::move(fill));
}

namespace {
cups_mode_t RasterMode(const RasterSetup& setup) {
    return setup.apple ? CUPS_RASTER_WRITE_APPLE : setup.pwg ? CUPS_RASTER_WRITE_PWG : CUPS_RASTER_WRITE_COMPRESSED;
}
}  // namespace

void RasterPage::OpenDocument() {
    if (mFile) return;
    const cups_mode_t mode = RasterMode(mSetup);
    auto file = std::make_unique<File>();
    if (mStream) {
        file->stream = mStream.get();
        file->raster = cupsRasterOpenIO(&File::WriteToStream, file.get(), mode);
    } else {
        const QString path = mDocument.Make(QStringLiteral("page.ras"));
        file->fd = ::open(path.toLocal8Bit().constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (file->fd < 0) FailWritingPage();
        file->raster = cupsRasterOpen(file->fd, mode);
    }
    if (!file->raster) FailWritingPage();
    mFile = std::move(file);
}

void RasterPage::WritePage() {
    Painter();  // a page with no mark is still a (blank) page
    OpenDocument();
    cups_page_header2_t header = mSetup.header;
    const int height = int(header.cupsHeight);
    // Cells beyond the raster (a rounding the header made) are left out
    // rather than written past a line's end.
    const int columns =
        std::clamp((int(header.cupsWidth) - mSetup.firstDot.x()) / mSetup.dotsAcross, 0, mSetup.cells.width());
    const int cellRows = std::clamp((height - mSetup.firstDot.y()) / mSetup.dotsDown, 0, mSetup.cells.height());
    if (!cupsRasterWriteHeader2(mFile->raster, &header)) mFile->Failed();
    LineMaker maker(mSetup, header);
    const bool byRow = maker.EncodedByRow();

    // The lines are compressed and written (to the stream, or the file) on
    // a thread of their own while the next lines are composed: by the
    // program where its runs are libcups's bytes, which then skips comparing
    // a line known to repeat the one before (most of a page is paper); else
    // by libcups. Batches of about 256 KiB: a lock a batch, and a megabyte
    // in all.
    const size_t bytes = header.cupsBytesPerLine;
    std::optional<LineRuns> runs;
    if (const std::optional<size_t> pixelBytes = LineRunPixelBytes(header, RasterMode(mSetup)))
        runs.emplace(bytes, *pixelBytes, [this](const unsigned char* b, size_t n) { mFile->Write(b, n); });
    LineQueue lines(
        bytes,
        [this, bytes, &runs](const unsigned char* l) {
            if (runs) {
                if (l) runs->Add(l);
                else runs->Again();
            } else if (cupsRasterWritePixels(mFile->raster, const_cast<unsigned char*>(l), unsigned(bytes)) != bytes) {
                mFile->Failed();
            }
        },
        std::max<size_t>(1, (size_t(256) << 10) / std::max<size_t>(bytes, 1)), 4);

    int composed = -1;  // the cell row the maker's line holds, or -1
    const unsigned char* last = nullptr;  // the line before, while its bytes stand
    for (int y = 0; y < height; ++y) {
        const int offset = y - mSetup.firstDot.y();
        const int row = offset >= 0 ? offset / mSetup.dotsDown : -1;
        const unsigned char* out = maker.Blank();
        if (row >= 0 && row < cellRows) {
            if (row != composed) {
                composed = mComposer.Compose(row, maker.Cells(), mSetup.cells.width()) ? row : -1;
                if (composed != -1) {
                    maker.Spread(columns);
                    maker.Encode(y);
                    last = nullptr;
                }
            } else if (byRow) {
                maker.Encode(y);
                last = nullptr;
            }
            if (composed != -1) out = maker.Line();
        }
        if (runs && out == last) lines.Again();
        else std::memcpy(lines.Next(), out, bytes);
        last = out;
        // The marks are drawn here, line by line: the window's progress and
        // its Cancel (the half-written file goes with the page).
        if (y % kRowsPerReport == kRowsPerReport - 1) ReportProgress(double(y + 1) / height);
    }
    lines.Finish();
    if (runs) runs->End();
    mPage.reset();
    mComposer.Clear();
}

void RasterPage::NextPage() { WritePage(); }

QString RasterPage::Finish() {
    WritePage();
    // Closing flushes what libcups holds of the last lines.
    cupsRasterClose(mFile->raster);
    mFile->raster = nullptr;
    if (mFile->failure) std::rethrow_exception(mFile->failure);
    if (mStream) return QString();
    const int fd = mFile->fd;
    mFile->fd = -1;
    if (::close(fd) != 0) FailWritingPage();
    return mDocument.Path();
}

}  // namespace platform
