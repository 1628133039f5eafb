#include "platform/page/PdfPage.h"

#include "platform/base/Failure.h"
#include "platform/base/Progress.h"

#include <QFile>
#include <QTemporaryDir>

#include <zlib.h>

#include <algorithm>
#include <future>
#include <memory>
#include <vector>

namespace platform {
namespace {

const char* const kCannotMake = "The page could not be prepared for printing.";
const char* const kCannotWrite = "The page could not be written.";

// Fast compression: the file is read once, by the print system's filters,
// right after it is written; most of a big job's time would go to a
// stronger level and save little on noisy pictures.
constexpr int kDeflateLevel = 1;

// Raw bytes of one band of an image, deflated on its own: enough for the
// window of the band's own matches, small enough to keep two in memory.
constexpr int kBandBytes = 1 << 20;

// One band of an image's Flate stream: rows [first, last) as packed RGB,
// raw deflate (no header, no checksum) ending on a byte boundary (a sync
// flush), or with the stream's final block for the last band, so bands
// deflated apart, each with its own empty history, join into one stream.
struct Band {
    QByteArray bytes;
    uLong adler = 1;  // Adler-32 of the band's raw bytes
    qint64 length = 0;
    bool ok = false;
};
Band DeflateBand(const DotSink::RowFill& fill, int width, int first, int last, bool final) {
    Band band;
    z_stream z{};
    if (deflateInit2(&z, kDeflateLevel, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) return band;
    std::vector<QRgb> pixels(static_cast<size_t>(width));
    std::vector<unsigned char> row(size_t(width) * 3);
    std::vector<unsigned char> out(size_t(1) << 16);
    int result = Z_OK;
    for (int y = first; y <= last && result != Z_STREAM_ERROR; ++y) {
        const bool end = y == last;
        z.avail_in = 0;
        if (!end) {
            fill(y, pixels.data());
            for (int x = 0; x < width; ++x) {
                row[size_t(3 * x)] = uchar(qRed(pixels[size_t(x)]));
                row[size_t(3 * x + 1)] = uchar(qGreen(pixels[size_t(x)]));
                row[size_t(3 * x + 2)] = uchar(qBlue(pixels[size_t(x)]));
            }
            band.adler = adler32(band.adler, row.data(), uInt(row.size()));
            band.length += qint64(row.size());
            z.next_in = row.data();
            z.avail_in = uInt(row.size());
        }
        const int flush = !end ? Z_NO_FLUSH : final ? Z_FINISH : Z_SYNC_FLUSH;
        do {
            z.next_out = out.data();
            z.avail_out = uInt(out.size());
            result = deflate(&z, flush);
            band.bytes.append(reinterpret_cast<const char*>(out.data()), qsizetype(out.size() - z.avail_out));
        } while (result != Z_STREAM_ERROR && (z.avail_out == 0 || (flush == Z_FINISH && result != Z_STREAM_END)));
    }
    deflateEnd(&z);
    band.ok = result != Z_STREAM_ERROR;
    return band;
}

// Points with enough digits that a position is exact to far below a dot at
// any resolution (1e-6 pt is 1.3e-5 dots at 960 dpi).
QByteArray Number(double value) { return QByteArray::number(value, 'f', 6); }

// A text string of the document information, as PDF wants it (UTF-16BE with
// a byte-order mark, in hexadecimal, so no character needs escaping).
QByteArray TextString(const QString& text) {
    QByteArray hex = "<FEFF";
    for (const QChar c : text) hex += QByteArray::number(c.unicode(), 16).rightJustified(4, '0').toUpper();
    return hex + ">";
}

}  // namespace

PdfPage::PdfPage(PageSetup setup) : mSetup(std::move(setup)) {}

PdfPage::~PdfPage() { Discard(); }

void PdfPage::Write(const QByteArray& bytes) {
    if (mFile->write(bytes) != bytes.size()) Fail(QString::fromLatin1(kCannotWrite));
}

int PdfPage::NewObject() {
    mOffsets.push_back(-1);
    return int(mOffsets.size());
}

void PdfPage::BeginObject(int number) {
    mOffsets[size_t(number - 1)] = mFile->pos();
    Write(QByteArray::number(number) + " 0 obj\n");
}

PagePainter& PdfPage::Painter() {
    if (mPage) return *mPage;
    mGrid = GridOf(mSetup.page);
    mDir = std::make_unique<QTemporaryDir>();
    if (!mDir->isValid()) {
        mDir.reset();
        Fail(QStringLiteral("No temporary file could be made for the page."));
    }
    mPath = mDir->filePath(QStringLiteral("page.pdf"));
    mFile = std::make_unique<QFile>(mPath);
    if (!mFile->open(QIODevice::WriteOnly)) {
        Discard();
        Fail(QString::fromLatin1(kCannotMake));
    }
    // Objects 1 and 2 are the catalogue and the page tree, written at the
    // end; images and pages take the numbers after them as they come.
    for (int i = 0; i < 2; ++i) NewObject();
    try {
        Write("%PDF-1.4\n%\xe2\xe3\xcf\xd3\n");
    } catch (...) {
        Discard();
        throw;
    }
    const bool turned = mSetup.quarterTurn;
    mPage = std::make_unique<PagePainter>(static_cast<DotSink&>(*this), mGrid.cells.width(), mGrid.cells.height(),
                                          turned);
    return *mPage;
}

void PdfPage::WritePage() {
    Painter();  // a page with no mark is still a (blank) page
    const int content = NewObject();
    const int page = NewObject();
    BeginObject(content);
    Write("<< /Length " + QByteArray::number(mContent.size()) + " >>\nstream\n" + mContent + "endstream\nendobj\n");
    // The black image is shared by every page that came after it was made.
    if (mBlackObject) mResources += "/Black " + QByteArray::number(mBlackObject) + " 0 R ";
    BeginObject(page);
    Write("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + Number(mSetup.page.widthPoints) + " " +
          Number(mSetup.page.heightPoints) + "] /Resources << /XObject << " + mResources + ">> >> /Contents " +
          QByteArray::number(content) + " 0 R >>\nendobj\n");
    mKids += QByteArray::number(page) + " 0 R ";
    ++mPages;
    mContent.clear();
    mResources.clear();
}

void PdfPage::NextPage() {
    try {
        WritePage();
    } catch (...) {
        Discard();
        throw;
    }
}

QByteArray PdfPage::Placement(const QRect& cells, const QByteArray& name) const {
    const double cellW = 72.0 * mGrid.dotsAcross / mSetup.page.xdpi;
    const double cellH = 72.0 * mGrid.dotsDown / mSetup.page.ydpi;
    // Cell edges fall on the raster's dot edges (see DotGrid), so no
    // renderer has to round them. PDF's y runs up from the paper's bottom
    // edge, where the renderer anchors the page.
    const double x = mGrid.cellLeft + cells.left() * cellW;
    const double y = mGrid.cellTop - (cells.bottom() + 1) * cellH;
    return "q " + Number(cells.width() * cellW) + " 0 0 " + Number(cells.height() * cellH) + " " + Number(x) + " " +
           Number(y) + " cm /" + name + " Do Q\n";
}

void PdfPage::Rows(const QRect& cells, RowFill fill, const QByteArray& identity) {
    Image(cells, fill, identity, QByteArray());
}

void PdfPage::Lattice(const QRect& cells, QPoint step, int /*across*/, int down, const QRect& visible, RowFill fill,
                      const QByteArray& identity) {
    if (visible.isEmpty()) return;
    const int width = cells.width();
    // Image column X is the copies' column (X + phase) % step.x(); past the
    // copy's width it is the space between copies.
    const int phase = visible.left() - cells.left();
    QByteArray mask;
    if (step.x() > width) {
        mask = QByteArray((visible.width() + 7) / 8, '\0');
        for (int x = 0; x < visible.width(); ++x)
            if ((x + phase) % step.x() >= width) mask[x / 8] = char(uchar(mask[x / 8]) | (0x80u >> (x & 7)));
    }
    for (int j = 0; j < down; ++j) {
        const int top = cells.top() + j * step.y();
        const int from = std::max(top, visible.top()), to = std::min(top + cells.height() - 1, visible.bottom());
        if (from > to) continue;
        // Rows of copies cut alike by the page's edges share one image.
        const int first = from - top;
        QByteArray key = identity;
        key += "/row " + QByteArray::number(first) + " " + QByteArray::number(to - from) + " " +
               QByteArray::number(phase) + " " + QByteArray::number(visible.width()) + " " +
               QByteArray::number(step.x());
        // Rows are deflated on two threads: each has its own copy row.
        const RowFill row = [fill, first, phase, width, stepX = step.x(), count = visible.width()](int r, QRgb* out) {
            thread_local std::vector<QRgb> copy;
            copy.resize(size_t(width));
            fill(first + r, copy.data());
            for (int x = 0; x < count; ++x) {
                const int c = (x + phase) % stepX;
                out[x] = c < width ? copy[size_t(c)] : 0xffffffffu;
            }
        };
        Image(QRect(QPoint(visible.left(), from), QPoint(visible.right(), to)), row, key, mask);
    }
}

void PdfPage::Image(const QRect& cells, const RowFill& fill, const QByteArray& identity, const QByteArray& mask) {
    // A copy of an image already in the file is placed again, not stored again.
    if (const auto same = mShared.find(identity); !identity.isEmpty() && same != mShared.end()) {
        const SharedImage& image = same->second;
        if (!mResources.contains(image.resource)) mResources += image.resource;
        mContent += Placement(cells, image.name);
        return;
    }
    QByteArray masked;
    if (!mask.isEmpty()) {
        // One row of stencil stretched over the image's height: a set bit
        // leaves the page as it was.
        const int stencil = NewObject();
        BeginObject(stencil);
        Write("<< /Type /XObject /Subtype /Image /Width " + QByteArray::number(cells.width()) +
              " /Height 1 /ImageMask true /BitsPerComponent 1 /Decode [0 1] /Length " +
              QByteArray::number(mask.size()) + " >>\nstream\n" + mask + "\nendstream\nendobj\n");
        masked = " /Mask " + QByteArray::number(stencil) + " 0 R";
    }
    const int number = NewObject();
    const int length = NewObject();
    const QByteArray name = "Im" + QByteArray::number(++mImages);
    BeginObject(number);
    Write("<< /Type /XObject /Subtype /Image /Width " + QByteArray::number(cells.width()) + " /Height " +
          QByteArray::number(cells.height()) +
          " /ColorSpace /DeviceRGB /BitsPerComponent 8 /Interpolate false" + masked +
          " /Filter /FlateDecode /Length " + QByteArray::number(length) + " 0 R >>\nstream\n");

    // Rows of 32-bit pixels to packed RGB, deflated a band at a time, two
    // bands at once: the page never holds a copy of the picture, and
    // deflating, most of a PDF's time, takes two processors.
    const int width = cells.width(), height = cells.height();
    const int bandRows = std::clamp(kBandBytes / std::max(3 * width, 1), 1, height);
    const int bands = (height + bandRows - 1) / bandRows;
    const auto deflateBand = [&fill, width, height, bandRows, bands](int band) {
        return DeflateBand(fill, width, band * bandRows, std::min(height, (band + 1) * bandRows), band + 1 == bands);
    };
    Write(QByteArray("\x78\x01", 2));  // zlib header: deflate, 32 KiB window, fastest level
    qint64 written = 2;
    uLong adler = adler32(0L, Z_NULL, 0);
    for (int band = 0; band < bands; band += 2) {
        std::future<Band> next;
        if (band + 1 < bands) next = std::async(std::launch::async, deflateBand, band + 1);
        const Band bands2[2] = {deflateBand(band), next.valid() ? next.get() : Band{}};
        for (int k = 0; k < 2 && band + k < bands; ++k) {
            const Band& b = bands2[k];
            if (!b.ok) Fail(QString::fromLatin1(kCannotMake));
            Write(b.bytes);
            written += b.bytes.size();
            adler = adler32_combine(adler, b.adler, z_off_t(b.length));
        }
        // A picture's rows are most of a job's time; a cancel thrown here
        // throws the page away.
        ReportProgress(double(std::min(height, (band + 2) * bandRows)) / height);
    }
    const char check[4] = {char(adler >> 24), char(adler >> 16), char(adler >> 8), char(adler)};
    Write(QByteArray(check, 4));
    written += 4;
    Write("\nendstream\nendobj\n");
    BeginObject(length);
    Write(QByteArray::number(written) + "\nendobj\n");
    const QByteArray resource = "/" + name + " " + QByteArray::number(number) + " 0 R ";
    mResources += resource;
    if (!identity.isEmpty()) mShared[identity] = SharedImage{name, resource};
    mContent += Placement(cells, name);
}

void PdfPage::Black(const QRect& cells) {
    if (!mBlackObject) {
        // One black pixel, stretched over each rectangle: every dot of it
        // lies inside that one pixel, so the rectangle is solid and exact.
        mBlackObject = NewObject();
        BeginObject(mBlackObject);
        Write("<< /Type /XObject /Subtype /Image /Width 1 /Height 1 /ColorSpace /DeviceGray "
              "/BitsPerComponent 8 /Interpolate false /Length 1 >>\nstream\n");
        Write(QByteArray(1, '\0'));
        Write("\nendstream\nendobj\n");
    }
    mContent += Placement(cells, "Black");
}

QString PdfPage::Finish() {
    try {
        WritePage();
        const int info = NewObject();
        BeginObject(1);
        Write("<< /Type /Catalog /Pages 2 0 R >>\nendobj\n");
        BeginObject(2);
        Write("<< /Type /Pages /Kids [" + mKids + "] /Count " + QByteArray::number(mPages) + " >>\nendobj\n");
        BeginObject(info);
        Write("<< /Title " + TextString(mSetup.title) + " /Creator " + TextString(mSetup.title) +
              " /Producer " + TextString(mSetup.title) + " >>\nendobj\n");
        const qint64 xref = mFile->pos();
        QByteArray table = "xref\n0 " + QByteArray::number(mOffsets.size() + 1) + "\n0000000000 65535 f \n";
        for (const qint64 offset : mOffsets)
            table += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
        Write(table);
        Write("trailer\n<< /Size " + QByteArray::number(mOffsets.size() + 1) + " /Root 1 0 R /Info " +
              QByteArray::number(info) + " 0 R >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n");
        if (!mFile->flush()) Fail(QString::fromLatin1(kCannotWrite));
        mFile->close();
        if (mFile->error() != QFileDevice::NoError) Fail(QString::fromLatin1(kCannotWrite));
    } catch (...) {
        Discard();
        throw;
    }
    mPage.reset();
    return mPath;
}

void PdfPage::Discard() noexcept {
    mPage.reset();
    mFile.reset();
    mDir.reset();  // removes the file with its folder
    mPath.clear();
    mOffsets.clear();
    mContent.clear();
    mResources.clear();
    mKids.clear();
    mShared.clear();
    mImages = 0;
    mPages = 0;
    mBlackObject = 0;
}

}  // namespace platform
