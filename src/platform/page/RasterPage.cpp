#include "platform/page/RasterPage.h"

#include "platform/base/Failure.h"
#include "platform/base/Progress.h"
#include "platform/page/LineQueue.h"

#include <QTemporaryDir>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <exception>

namespace platform {
namespace {

// Raster lines between two progress reports: well under a millisecond each.
constexpr int kRowsPerReport = 64;

const QRgb kPaper = 0xffffffffu;
const QRgb kInk = 0xff000000u;

const char* const kCannotWrite = "The page could not be written.";

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
    // After a write libcups refused: the stream's own failure, else ours.
    [[noreturn]] void Failed() const {
        if (failure) std::rethrow_exception(failure);
        Fail(QString::fromLatin1(kCannotWrite));
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
void RasterPage::Rows(const QRect& cells, RowFill fill, const QByteArray&) {
    mMarks.push_back(Mark{cells, std::move(fill), QPoint(cells.width(), cells.height()), 1, 1, cells});
}

void RasterPage::Black(const QRect& cells) {
    mMarks.push_back(Mark{cells, {}, QPoint(cells.width(), cells.height()), 1, 1, cells});
}

void RasterPage::Lattice(const QRect& cells, QPoint step, int across, int down, const QRect& visible, RowFill fill,
                         const QByteArray&) {
    if (visible.isEmpty() || across <= 0 || down <= 0) return;
    mMarks.push_back(Mark{cells, std::move(fill), step, across, down, visible});
}

void RasterPage::ComposeMark(const Mark& m, int row, QRgb* cells, std::vector<QRgb>& scratch) {
    const int left = m.visible.left(), right = m.visible.right();
    if (!m.fill) {
        std::fill(cells + left, cells + right + 1, kInk);
        return;
    }
    // The copy row this cell row crosses, if any (rows between copies are
    // left as they are).
    const int dy = row - m.cells.top();
    const int copyRow = dy / m.step.y(), r = dy % m.step.y();
    if (copyRow >= m.down || r >= m.cells.height()) return;
    const int width = m.cells.width();
    if (m.across == 1 && m.cells.left() == left && width == m.visible.width()) {
        m.fill(r, cells + left);
        return;
    }
    scratch.resize(size_t(width));
    m.fill(r, scratch.data());
    const int first = (left - m.cells.left()) / m.step.x();
    const int last = std::min(m.across - 1, (right - m.cells.left()) / m.step.x());
    for (int k = first; k <= last; ++k) {
        const int x0 = m.cells.left() + k * m.step.x();
        const int from = std::max(x0, left), to = std::min(x0 + width - 1, right);
        if (from <= to) std::copy(scratch.begin() + (from - x0), scratch.begin() + (to - x0 + 1), cells + from);
    }
}

void RasterPage::WritePage() {
    Painter();  // a page with no mark is still a (blank) page
    const cups_mode_t mode = mSetup.apple ? CUPS_RASTER_WRITE_APPLE
                             : mSetup.pwg ? CUPS_RASTER_WRITE_PWG
                                          : CUPS_RASTER_WRITE_COMPRESSED;
    if (!mFile && mStream) {
        mFile = std::make_unique<File>();
        mFile->stream = mStream.get();
        mFile->raster = cupsRasterOpenIO(&File::WriteToStream, mFile.get(), mode);
        if (!mFile->raster) Fail(QString::fromLatin1(kCannotWrite));
    } else if (!mFile) {
        mDir = std::make_unique<QTemporaryDir>();
        if (!mDir->isValid()) Fail(QStringLiteral("No temporary file could be made for the page."));
        mPath = mDir->filePath(QStringLiteral("page.ras"));
        mFile = std::make_unique<File>();
        mFile->fd = ::open(mPath.toLocal8Bit().constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (mFile->fd < 0) Fail(QString::fromLatin1(kCannotWrite));
        mFile->raster = cupsRasterOpen(mFile->fd, mode);
        if (!mFile->raster) Fail(QString::fromLatin1(kCannotWrite));
    }

    cups_page_header2_t header = mSetup.header;
    const int width = int(header.cupsWidth), height = int(header.cupsHeight);
    // Cells beyond the raster (a rounding the header made) are left out
    // rather than written past a line's end.
    const int across = mSetup.dotsAcross;
    const int columns = std::clamp((width - mSetup.firstDot.x()) / across, 0, mSetup.cells.width());
    const int cellRows = std::clamp((height - mSetup.firstDot.y()) / mSetup.dotsDown, 0, mSetup.cells.height());
    if (!cupsRasterWriteHeader2(mFile->raster, &header)) mFile->Failed();

    // One dot per cell across: the cells are composed in the line itself,
    // which reaches past the raster for cells it leaves out.
    const bool inLine = across == 1;
    const size_t cellCount = size_t(mSetup.cells.width());
    std::vector<QRgb> dots(std::max(size_t(width), inLine ? size_t(mSetup.firstDot.x()) + cellCount : 0), kPaper);
    std::vector<QRgb> cellBuffer(inLine ? 0 : cellCount), scratch;
    QRgb* const cells = inLine ? dots.data() + mSetup.firstDot.x() : cellBuffer.data();

    // Lines of paper alone, and lines of one-bit ordered dots aside, are the
    // same bytes wherever they lie: each is encoded once.
    const size_t bytes = header.cupsBytesPerLine;
    std::vector<unsigned char> blank(bytes), line(bytes);
    EncodeLine(header, dots.data(), 0, mSetup.oneBit, blank.data());
    const bool byRow =
        (header.cupsBitsPerColor == 1 || mSetup.blackAndWhite) && mSetup.oneBit == OneBitMode::Ordered;
    // The one-bit look is cut from the composed row, which stays as it is
    // for the next device row of the same cells.
    std::vector<QRgb> cut(mSetup.blackAndWhite ? dots.size() : 0);
    const auto encode = [&](int y) {
        const QRgb* from = dots.data();
        if (mSetup.blackAndWhite) {
            std::copy(dots.begin(), dots.end(), cut.begin());
            CutToBlackAndWhite(cut.data(), width, unsigned(y), mSetup.oneBit);
            from = cut.data();
        }
        EncodeLine(header, from, unsigned(y), mSetup.oneBit, line.data());
    };

    // The marks by their first row; those crossing the row being composed,
    // in drawing order (a later mark covers an earlier one).
    std::vector<int> byTop(mMarks.size());
    for (size_t i = 0; i < byTop.size(); ++i) byTop[i] = int(i);
    std::stable_sort(byTop.begin(), byTop.end(),
                     [this](int a, int b) { return mMarks[size_t(a)].visible.top() < mMarks[size_t(b)].visible.top(); });
    size_t nextMark = 0;
    // What a row needs of each mark crossing it, packed: a page of guides
    // has thousands of them on every row.
    struct Active {
        int mark;
        int left, right, bottom;
        bool black;
        bool operator<(const Active& other) const { return mark < other.mark; }
    };
    std::vector<Active> active;

    // libcups compresses each line and writes it (to the stream, or the
    // file) on a thread of its own while the next lines are composed.
    // Batches of about 256 KiB: a lock a batch, and a megabyte in all.
    LineQueue lines(
        bytes,
        [this, bytes](const unsigned char* l) {
            if (cupsRasterWritePixels(mFile->raster, const_cast<unsigned char*>(l), unsigned(bytes)) != bytes)
                mFile->Failed();
        },
        std::max<size_t>(1, (size_t(256) << 10) / std::max<size_t>(bytes, 1)), 4);

    int composed = -1;  // the cell row `line` holds, or -1
    for (int y = 0; y < height; ++y) {
        const int offset = y - mSetup.firstDot.y();
        const int row = offset >= 0 ? offset / mSetup.dotsDown : -1;
        const unsigned char* out = blank.data();
        if (row >= 0 && row < cellRows) {
            if (row != composed) {
                // Marks starting together come in drawing order (the sort is
                // stable), so one merge keeps the whole list in that order.
                const size_t kept = active.size();
                for (; nextMark < byTop.size() && mMarks[size_t(byTop[nextMark])].visible.top() <= row; ++nextMark) {
                    const Mark& m = mMarks[size_t(byTop[nextMark])];
                    active.push_back(Active{byTop[nextMark], m.visible.left(), m.visible.right(), m.visible.bottom(),
                                            !m.fill});
                }
                std::inplace_merge(active.begin(), active.begin() + std::ptrdiff_t(kept), active.end());
                std::erase_if(active, [row](const Active& a) { return a.bottom < row; });
                composed = active.empty() ? -1 : row;
                if (!active.empty()) {
                    std::fill(cells, cells + cellCount, kPaper);
                    for (const Active& a : active) {
                        if (a.black) std::fill(cells + a.left, cells + a.right + 1, kInk);
                        else ComposeMark(mMarks[size_t(a.mark)], row, cells, scratch);
                    }
                    if (!inLine) {
                        QRgb* d = dots.data() + mSetup.firstDot.x();
                        for (int c = 0; c < columns; ++c)
                            for (int k = 0; k < across; ++k) *d++ = cells[size_t(c)];
                    }
                    encode(y);
                }
            } else if (byRow) {
                encode(y);
            }
            if (composed != -1) out = line.data();
        }
        std::memcpy(lines.Next(), out, bytes);
        // The marks are drawn here, line by line: the window's progress and
        // its Cancel (the half-written file goes with the page).
        if (y % kRowsPerReport == kRowsPerReport - 1) ReportProgress(double(y + 1) / height);
    }
    lines.Finish();
    mPage.reset();
    mMarks.clear();
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
    if (::close(fd) != 0) Fail(QString::fromLatin1(kCannotWrite));
    return mPath;
}

}  // namespace platform
