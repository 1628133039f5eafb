// A document streamed to its reader is byte for byte the file written
// before streaming existed (whose dots the print tests check), and a reader
// that fails ends the document with its own failure.
#include "platform/base/Failure.h"
#include "platform/page/PdfPage.h"
#include "platform/page/RasterPage.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>

#include <functional>
#include <random>

using namespace platform;

namespace {

// Takes what is written; fails once it has more than `limit` bytes.
struct MemoryStream final : DocumentStream {
    QByteArray* bytes;
    qsizetype limit;
    MemoryStream(QByteArray* into, qsizetype failAfter) : bytes(into), limit(failAfter) {}
    void Write(const char* data, size_t count) override {
        if (bytes->size() + qsizetype(count) > limit) Fail(QStringLiteral("the reader went away"));
        bytes->append(data, qsizetype(count));
    }
};

enum class Kind { Cups, Pwg, Apple };

RasterSetup Raster(const char* type, Kind kind) {
    RasterSetup s;
    EXPECT_TRUE(cupsRasterInitPWGHeader(&s.header, pwgMediaForPWG("na_index-3x5_3x5in"), type, 150, 150,
                                        "one-sided", nullptr));
    s.pwg = kind == Kind::Pwg;
    s.apple = kind == Kind::Apple;
    s.firstDot = QPoint(3, 2);
    s.cells = QSize(int(s.header.cupsWidth) - 6, int(s.header.cupsHeight) - 4);
    return s;
}

PageSetup Pdf(std::optional<OneBitMode> oneBit) {
    PageGeometry g;
    g.widthPoints = 216;
    g.heightPoints = 360;
    g.right = 216;
    g.top = 360;
    g.rasterTop = 360;
    g.xdpi = g.ydpi = 150;
    return PageSetup{g, false, QStringLiteral("Streamed"), oneBit};
}

// Two pages: a guide and a noisy picture big enough for many pieces and
// strips, then the picture again.
void Draw(PageWriter& page) {
    QImage noise(300, 500, QImage::Format_RGB32);
    std::mt19937 random(4);
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x) noise.setPixel(x, y, random() | 0xff000000u);
    page.Painter().Box(0, 3, 400, 3, 1);
    page.Painter().Picture(noise, 5, 7, 300, 500);
    page.NextPage();
    page.Painter().Picture(noise, 20, 1, 300, 500);
}

using MakeWriter = std::function<std::unique_ptr<PageWriter>(std::unique_ptr<DocumentStream>)>;

}  // namespace

TEST(StreamedPages, AreTheFileByteForByteAndFailWithTheirReader) {
    const struct {
        const char* name;
        MakeWriter make;
    } writers[] = {
        {"CUPS raster", [](auto s) { return std::make_unique<RasterPage>(Raster("srgb_8", Kind::Cups), std::move(s)); }},
        {"PWG raster", [](auto s) { return std::make_unique<RasterPage>(Raster("sgray_8", Kind::Pwg), std::move(s)); }},
        {"Apple raster", [](auto s) { return std::make_unique<RasterPage>(Raster("srgb_8", Kind::Apple), std::move(s)); }},
        {"PDF", [](auto s) { return std::make_unique<PdfPage>(Pdf(std::nullopt), std::move(s)); }},
        {"one-bit PDF", [](auto s) { return std::make_unique<PdfPage>(Pdf(OneBitMode::Ordered), std::move(s)); }},
    };
    for (const auto& w : writers) {
        SCOPED_TRACE(w.name);
        QByteArray file;
        {
            const std::unique_ptr<PageWriter> page = w.make(nullptr);
            EXPECT_FALSE(page->Streams());
            Draw(*page);
            QFile f(page->Finish());
            ASSERT_TRUE(f.open(QIODevice::ReadOnly));
            file = f.readAll();
        }
        ASSERT_GT(file.size(), 20000);  // a reader that fails half way fails mid-picture
        QByteArray streamed;
        {
            const std::unique_ptr<PageWriter> page = w.make(std::make_unique<MemoryStream>(&streamed, file.size()));
            EXPECT_TRUE(page->Streams());
            Draw(*page);
            EXPECT_EQ(page->Finish(), QString());
        }
        EXPECT_TRUE(streamed == file) << streamed.size() << " bytes streamed, " << file.size() << " in the file";

        QByteArray cut;
        const std::unique_ptr<PageWriter> page = w.make(std::make_unique<MemoryStream>(&cut, file.size() / 2));
        try {
            Draw(*page);
            page->Finish();
            ADD_FAILURE() << "a reader that went away went unnoticed";
        } catch (const Failure& f) {
            EXPECT_EQ(f.message(), QStringLiteral("the reader went away"));
        }
    }
}
