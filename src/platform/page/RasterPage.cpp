#include "platform/page/RasterPage.h"

#include "platform/base/Failure.h"
#include "platform/base/Progress.h"

#include <QTemporaryDir>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>

namespace platform {
namespace {

// Raster lines between two progress reports: well under a millisecond each.
constexpr int kRowsPerReport = 64;

const QRgb kPaper = 0xffffffffu;
const QRgb kInk = 0xff000000u;

const char* const kCannotWrite = "The page could not be written.";

}  // namespace

// The raster stream writes through this file; closed on every path.
struct RasterPage::File {
    int fd = -1;
    cups_raster_t* raster = nullptr;
    ~File() {
        if (raster) cupsRasterClose(raster);
        if (fd >= 0) ::close(fd);
    }
};

void CutToBlackAndWhite(QRgb* dots, int width, unsigned y, OneBitMode mode) {
    const cups_page_header2_t oneBit = OneBitHeader(unsigned(width));
    std::vector<unsigned char> bits(oneBit.cupsBytesPerLine);
    EncodeLine(oneBit, dots, y, mode, bits.data());
    for (int x = 0; x < width; ++x) dots[x] = (bits[size_t(x / 8)] >> (7 - x % 8)) & 1 ? kInk : kPaper;
}

RasterPage::RasterPage(RasterSetup setup) : mSetup(std::move(setup)) {}

RasterPage::~RasterPage() = default;

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
    mMarks.push_back(Mark{cells, std::move(fill)});
}

void RasterPage::Black(const QRect& cells) { mMarks.push_back(Mark{cells, {}}); }

void RasterPage::ComposeCellRow(int row, std::vector<QRgb>& cells, std::vector<QRgb>& scratch) const {
    std::fill(cells.begin(), cells.end(), kPaper);
    // In drawing order: a later mark covers an earlier one.
    for (const Mark& m : mMarks) {
        if (row < m.cells.top() || row > m.cells.bottom()) continue;
        QRgb* at = cells.data() + m.cells.left();
        if (!m.fill) {
            std::fill(at, at + m.cells.width(), kInk);
        } else {
            scratch.resize(size_t(m.cells.width()));
            m.fill(row - m.cells.top(), scratch.data());
            std::copy(scratch.begin(), scratch.end(), at);
        }
    }
}

void RasterPage::WritePage() {
    Painter();  // a page with no mark is still a (blank) page
    if (!mFile) {
        mDir = std::make_unique<QTemporaryDir>();
        if (!mDir->isValid()) Fail(QStringLiteral("No temporary file could be made for the page."));
        mPath = mDir->filePath(QStringLiteral("page.ras"));
        mFile = std::make_unique<File>();
        mFile->fd = ::open(mPath.toLocal8Bit().constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (mFile->fd < 0) Fail(QString::fromLatin1(kCannotWrite));
        mFile->raster =
            cupsRasterOpen(mFile->fd, mSetup.apple ? CUPS_RASTER_WRITE_APPLE
                                      : mSetup.pwg ? CUPS_RASTER_WRITE_PWG
                                                   : CUPS_RASTER_WRITE_COMPRESSED);
        if (!mFile->raster) Fail(QString::fromLatin1(kCannotWrite));
    }

    cups_page_header2_t header = mSetup.header;
    const int width = int(header.cupsWidth), height = int(header.cupsHeight);
    // Cells beyond the raster (a rounding the header made) are left out
    // rather than written past a line's end.
    const int columns = std::clamp((width - mSetup.firstDot.x()) / mSetup.dotsAcross, 0, mSetup.cells.width());
    const int cellRows = std::clamp((height - mSetup.firstDot.y()) / mSetup.dotsDown, 0, mSetup.cells.height());
    if (!cupsRasterWriteHeader2(mFile->raster, &header)) Fail(QString::fromLatin1(kCannotWrite));

    std::vector<QRgb> dots(size_t(width), kPaper), cells(size_t(mSetup.cells.width())), scratch;
    std::vector<unsigned char> line(header.cupsBytesPerLine);
    int composed = -1;
    for (int y = 0; y < height; ++y) {
        const int offset = y - mSetup.firstDot.y();
        const int row = offset >= 0 ? offset / mSetup.dotsDown : -1;
        if (row >= 0 && row < cellRows) {
            if (row != composed) {
                ComposeCellRow(row, cells, scratch);
                composed = row;
                QRgb* out = dots.data() + mSetup.firstDot.x();
                for (int c = 0; c < columns; ++c)
                    for (int k = 0; k < mSetup.dotsAcross; ++k) *out++ = cells[size_t(c)];
            }
        } else if (composed != -1 || y == 0) {
            std::fill(dots.begin(), dots.end(), kPaper);
            composed = -1;
        }
        if (mSetup.blackAndWhite) CutToBlackAndWhite(dots.data(), width, unsigned(y), mSetup.oneBit);
        EncodeLine(header, dots.data(), unsigned(y), mSetup.oneBit, line.data());
        if (cupsRasterWritePixels(mFile->raster, line.data(), header.cupsBytesPerLine) != header.cupsBytesPerLine)
            Fail(QString::fromLatin1(kCannotWrite));
        // The marks are drawn here, line by line: the window's progress and
        // its Cancel (the half-written file goes with the page).
        if (y % kRowsPerReport == kRowsPerReport - 1) ReportProgress(double(y + 1) / height);
    }
    mPage.reset();
    mMarks.clear();
}

void RasterPage::NextPage() { WritePage(); }

QString RasterPage::Finish() {
    WritePage();
    cupsRasterClose(mFile->raster);
    mFile->raster = nullptr;
    const int fd = mFile->fd;
    mFile->fd = -1;
    if (::close(fd) != 0) Fail(QString::fromLatin1(kCannotWrite));
    return mPath;
}

}  // namespace platform
