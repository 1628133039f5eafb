#include "platform/page/PdfPage.h"

#include "platform/base/Failure.h"
#include "platform/base/Numeric.h"
#include "platform/base/Progress.h"
#include "platform/page/FlateStrips.h"

#include "platform/page/RowComposer.h"

#include <QFile>

#include <algorithm>
#include <memory>
#include <vector>

namespace platform {
namespace {

const char* const kCannotMake = "The page could not be prepared for printing.";

// Rows of a picture between two progress reports: a few milliseconds of work.
constexpr int kRowsPerReport = 16;


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

PdfPage::PdfPage(PageSetup setup, std::unique_ptr<DocumentStream> stream)
    : mSetup(std::move(setup)), mStream(std::move(stream)) {}

PdfPage::~PdfPage() { Discard(); }

void PdfPage::Write(const QByteArray& bytes) {
    if (mStream) mStream->Write(bytes.constData(), size_t(bytes.size()));
    else if (mFile->write(bytes) != bytes.size()) FailWritingPage();
    mWritten += bytes.size();
}

int PdfPage::NewObject() {
    mOffsets.push_back(-1);
    return int(mOffsets.size());
}

void PdfPage::BeginObject(int number) {
    mOffsets[size_t(number - 1)] = mWritten;
    Write(QByteArray::number(number) + " 0 obj\n");
}

PagePainter& PdfPage::Painter() {
    if (mPage) return *mPage;
    mGrid = GridOf(mSetup.page);
    if (!mStream) {
        mFile = std::make_unique<QFile>(mDocument.Make(QStringLiteral("page.pdf")));
        if (!mFile->open(QIODevice::WriteOnly)) {
            Discard();
            Fail(QString::fromLatin1(kCannotMake));
        }
    }
    mWritten = 0;
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
        // The row of one copy, filled on demand.
        const RowFill row = [fill, first, phase, width, stepX = step.x(), count = visible.width()](int r, QRgb* out) {
            thread_local std::vector<QRgb> copy;
            copy.resize(size_t(width));
            fill(first + r, copy.data());
            for (int x = 0; x < count; ++x) {
                const int c = (x + phase) % stepX;
                out[x] = c < width ? copy[size_t(c)] : kPaper;
            }
        };
        Image(QRect(QPoint(visible.left(), from), QPoint(visible.right(), to)), row, key, mask);
    }
}

void PdfPage::Image(const QRect& cells, const RowFill& fill, const QByteArray& picture, const QByteArray& mask) {
    // A copy of an image already in the file is placed again, not stored
    // again; dithered dots follow the page's pattern, so only a copy at the
    // same place in it is the same.
    QByteArray identity = picture;
    if (!identity.isEmpty() && mSetup.oneBit == OneBitMode::Ordered)
        identity += "@" + QByteArray::number((mGrid.firstDot.x() + cells.left() * mGrid.dotsAcross) % 8) + "," +
                    QByteArray::number((mGrid.firstDot.y() + cells.top() * mGrid.dotsDown) % 8);
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
    mStreamLength = NewObject();
    const QByteArray name = "Im" + QByteArray::number(++mImages);
    BeginObject(number);
    // One-bit samples are ink (1) or paper (0), as the raster's; Decode
    // maps them onto DeviceGray's black and white.
    const QByteArray samples =
        mSetup.oneBit ? " /Width " + QByteArray::number(MulChecked(cells.width(), mGrid.dotsAcross)) + " /Height " +
                            QByteArray::number(MulChecked(cells.height(), mGrid.dotsDown)) +
                            " /ColorSpace /DeviceGray /BitsPerComponent 1 /Decode [1 0]"
                      : " /Width " + QByteArray::number(cells.width()) + " /Height " +
                            QByteArray::number(cells.height()) + " /ColorSpace /DeviceRGB /BitsPerComponent 8";
    Write("<< /Type /XObject /Subtype /Image" + samples + " /Interpolate false" + masked + " /Filter /FlateDecode /Length " +
          QByteArray::number(mStreamLength) + " 0 R >>\nstream\n");
    WriteSamples(cells, fill);
    Write("\nendstream\nendobj\n");
    BeginObject(mStreamLength);
    Write(QByteArray::number(mStreamWritten) + "\nendobj\n");
    const QByteArray resource = "/" + name + " " + QByteArray::number(number) + " 0 R ";
    mResources += resource;
    if (!identity.isEmpty()) mShared[identity] = SharedImage{name, resource};
    mContent += Placement(cells, name);
}

void PdfPage::WriteSamples(const QRect& cells, const RowFill& fill) {
    // Rows of 32-bit pixels to packed samples, compressed as they go: the
    // page never holds a copy of the picture.
    mStreamWritten = 0;
    FlateStrips stream([this](const unsigned char* bytes, size_t count) {
        Write(QByteArray::fromRawData(reinterpret_cast<const char*>(bytes), qsizetype(count)));
    });
    const int width = cells.width(), height = cells.height();
    const int fx = mGrid.dotsAcross, fy = mGrid.dotsDown;
    std::vector<QRgb> pixels(static_cast<size_t>(width));
    // One-bit rows: the dots of a cell row, led by the dots that put the
    // first one at its place in the 8-dot pattern of the page.
    // Device dots, which a page header counts in 32 bits: checked, never wrapped.
    const int firstX = IntChecked(AddChecked(mGrid.firstDot.x(), MulChecked(cells.left(), fx)));
    const int lead = firstX % 8;
    const int dotsWide = IntChecked(MulChecked(width, fx) + lead) - lead;
    const cups_page_header2_t oneBit = OneBitHeader(unsigned(lead + dotsWide));
    std::vector<QRgb> dots(mSetup.oneBit ? size_t(lead + dotsWide) : 0, kPaper);
    std::vector<unsigned char> encoded(mSetup.oneBit ? oneBit.cupsBytesPerLine : 0);
    const size_t rowBytes = mSetup.oneBit ? size_t(dotsWide + 7) / 8 : size_t(width) * 3;
    std::vector<unsigned char> row(rowBytes);
    for (int y = 0; y < height; ++y) {
        fill(y, pixels.data());
        const QRgb* in = pixels.data();
        if (!mSetup.oneBit) {
            for (int x = 0; x < width; ++x) {
                row[size_t(3 * x)] = uchar(qRed(in[x]));
                row[size_t(3 * x + 1)] = uchar(qGreen(in[x]));
                row[size_t(3 * x + 2)] = uchar(qBlue(in[x]));
            }
            stream.Add(row.data(), row.size());
        } else {
            QRgb* d = dots.data() + lead;
            for (int x = 0; x < width; ++x)
                for (int k = 0; k < fx; ++k) *d++ = in[x];
            for (int k = 0; k < fy; ++k) {
                const int deviceY = mGrid.firstDot.y() + (cells.top() + y) * fy + k;
                EncodeLine(oneBit, dots.data(), unsigned(deviceY), *mSetup.oneBit, encoded.data());
                // Drop the leading dots: shift the row left by `lead` bits.
                for (size_t i = 0; i < rowBytes; ++i) {
                    const unsigned hi = encoded[i];
                    const unsigned lo = i + 1 < encoded.size() ? encoded[i + 1] : 0;
                    row[i] = uchar(((hi << lead) | (lo >> (8 - lead))) & 0xff);
                }
                if (dotsWide % 8) row[rowBytes - 1] &= uchar(0xff << (8 - dotsWide % 8));
                stream.Add(row.data(), row.size());
            }
        }
        // A picture's rows are most of a job's time; a cancel thrown here
        // leaves the stream unfinished and the page is thrown away.
        if (y % kRowsPerReport == kRowsPerReport - 1) ReportProgress(double(y + 1) / height);
    }
    stream.Finish();
    mStreamWritten = stream.Written();
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
        const qint64 xref = mWritten;
        QByteArray table = "xref\n0 " + QByteArray::number(mOffsets.size() + 1) + "\n0000000000 65535 f \n";
        for (const qint64 offset : mOffsets)
            table += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
        Write(table);
        Write("trailer\n<< /Size " + QByteArray::number(mOffsets.size() + 1) + " /Root 1 0 R /Info " +
              QByteArray::number(info) + " 0 R >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n");
        if (mFile) {
            if (!mFile->flush()) FailWritingPage();
            mFile->close();
            if (mFile->error() != QFileDevice::NoError) FailWritingPage();
        }
    } catch (...) {
        Discard();
        throw;
    }
    mPage.reset();
    return mDocument.Path();
}

void PdfPage::Discard() noexcept {
    mPage.reset();
    mFile.reset();
    mStream.reset();  // a job half sent is taken back
    mWritten = 0;
    mDocument.Remove();  // the file with its folder
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
