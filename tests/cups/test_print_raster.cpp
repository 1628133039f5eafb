// The print job on real CUPS queues: the printer's figures, and the printed
// raster compared dot for dot with the picture (one picture pixel per dot,
// centred in the printable area, guides on the outermost rows and columns).
#include "CupsFixture.h"

#include "platform/picture/Picture.h"
#include "platform/base/Failure.h"
#include "platform/print/SystemPrinters.h"
#include "printing/PrintJob.h"
#include "properties/ucProperties.h"
#include "support/PictureFiles.h"
#include "support/PixelCheck.h"
#include "support/PanelControls.h"

#include <QLabel>
#include <QTemporaryDir>

using namespace cupstest;
using platform::kLandscape;
using platform::kPortrait;

namespace {

struct FigureCase {
    const QueueSpec* queue;
    int16_t orientation;
    const char* paperText;
    const char* cmText;
    const char* inchText;
    const char* dpiText;
};

}  // namespace

TEST_F(CupsTest, QueuePrinterFiguresComeFromThePpd) {
    // Printable areas: A4 564 x 783 pt, Letter 582 x 732 pt (ImageableArea).
    const FigureCase cases[] = {
        {&A4Queue(), kPortrait, "A4, Portrait", "19.9 x 27.62 cm", "7.83 x 10.88 \"", "600 DPI"},
        {&A4Queue(), kLandscape, "A4, Landscape", "27.62 x 19.9 cm", "10.88 x 7.83 \"", "600 DPI"},
        {&LetterQueue(), kPortrait, "Letter, Portrait", "20.53 x 25.82 cm", "8.08 x 10.17 \"", "300 DPI"},
        {&LetterQueue(), kLandscape, "Letter, Landscape", "25.82 x 20.53 cm", "10.17 x 8.08 \"", "300 DPI"},
    };
    for (const FigureCase& c : cases) {
        const QueueSpec& q = *c.queue;
        SCOPED_TRACE(q.name.toStdString() + (c.orientation == kLandscape ? " landscape" : " portrait"));
        platform::PrinterPtr p;
        ASSERT_NO_THROW(p = QueuePrinter(q, c.orientation));
        EXPECT_EQ(p->DeviceName(), q.name);
        EXPECT_EQ(p->PrintQuality(), q.dpi);
        EXPECT_EQ(p->PaperSize(), q.paperCode);
        EXPECT_EQ(p->Orientation(), c.orientation);

        const bool turned = c.orientation == kLandscape;
        const double wPt = turned ? q.heightPoints : q.widthPoints;
        const double hPt = turned ? q.widthPoints : q.heightPoints;
        p->SetScaleMode(platform::kPixels);
        EXPECT_EQ(p->ScaleWidth(), float(turned ? q.heightDots : q.widthDots));
        EXPECT_EQ(p->ScaleHeight(), float(turned ? q.widthDots : q.heightDots));
        p->SetScaleMode(platform::kInches);
        EXPECT_FLOAT_EQ(p->ScaleWidth(), float(wPt / 72.0));
        EXPECT_FLOAT_EQ(p->ScaleHeight(), float(hPt / 72.0));
        p->SetScaleMode(platform::kCentimeters);
        EXPECT_FLOAT_EQ(p->ScaleWidth(), float(wPt / 72.0 * 2.54));
        EXPECT_FLOAT_EQ(p->ScaleHeight(), float(hPt / 72.0 * 2.54));
        p->SetScaleMode(platform::kTwips);
        EXPECT_FLOAT_EQ(p->ScaleWidth(), float(wPt * 20.0));
        EXPECT_FLOAT_EQ(p->ScaleHeight(), float(hPt * 20.0));

        ucProperties panel;
        panel.SetPrinter(p);
        EXPECT_EQ(PanelLabel(panel, "lblPrinterHeader")->text(), QStringLiteral("Printer ") + q.name);
        EXPECT_EQ(PanelLabel(panel, "lblPaperSize")->text(), QString::fromLatin1(c.paperText));
        EXPECT_EQ(PanelLabel(panel, "lblEffectiveAreaCm")->text(), QString::fromLatin1(c.cmText));
        EXPECT_EQ(PanelLabel(panel, "lblEffectiveAreaInches")->text(), QString::fromLatin1(c.inchText));
        EXPECT_EQ(PanelLabel(panel, "lblDPI")->text(), QString::fromLatin1(c.dpiText));
    }
}

TEST_F(CupsTest, SystemPrinterIsTheDefaultQueueAndQueuesAreListedDefaultFirst) {
    const QStringList names = platform::QueueNames();
    ASSERT_FALSE(names.isEmpty());
    EXPECT_EQ(names.first(), A4Queue().name);
    EXPECT_TRUE(names.contains(LetterQueue().name)) << names.join(QLatin1Char(',')).toStdString();
    platform::PrinterPtr p;
    ASSERT_NO_THROW(p = platform::MakeSystemPrinter());
    EXPECT_EQ(p->DeviceName(), A4Queue().name);
    EXPECT_THROW(platform::MakeQueuePrinter(QStringLiteral("NoSuchQueue")), platform::Failure);
}

namespace {

struct NoiseCase {
    const QueueSpec* queue;
    int16_t orientation;
    int w, h;
    bool guides;
};

}  // namespace

// Sizes chosen so that (W - w) / 2 or (H - h) / 2 ends in .5 on each queue:
// A4 4700 x 6525 dots, Letter 2425 x 3050 dots (turned in landscape).
TEST_F(CupsTest, NoiseIsPrintedDotForDotAtTheCentre) {
    const NoiseCase cases[] = {
        {&A4Queue(), kPortrait, 101, 76, false},     // ox 2299.5, oy 3224.5
        {&A4Queue(), kPortrait, 333, 221, true},     // ox 2183.5, oy 3152
        {&A4Queue(), kLandscape, 100, 51, true},     // W 6525: ox 3212.5, oy 2324.5
        {&LetterQueue(), kPortrait, 100, 57, true},  // ox 1162.5, oy 1496.5
        {&LetterQueue(), kLandscape, 51, 100, false},  // W 3050: ox 1499.5, oy 1162.5
        {&LetterQueue(), kLandscape, 77, 33, true},
    };
    quint32 seed = 1;
    for (const NoiseCase& c : cases) {
        const QueueSpec& q = *c.queue;
        SCOPED_TRACE(QStringLiteral("%1 %2 %3x%4 guides %5")
                         .arg(q.name, c.orientation == kLandscape ? QStringLiteral("landscape") : QStringLiteral("portrait"))
                         .arg(c.w).arg(c.h).arg(c.guides)
                         .toStdString());
        const QImage noise = testcups::MakeNoise(c.w, c.h, seed++);
        const platform::Picture picture(noise);
        const Printed printed = PrintAndRead(q.name, [&] {
            const platform::PrinterPtr p = QueuePrinter(q, c.orientation);
            printing::RunPrintJob(*p, picture, int16_t(c.w), int16_t(c.h), c.guides);
        });
        ExpectPrintedExactly(printed, q, c.orientation, noise, c.guides);
    }
}

namespace {

struct FileCase {
    const char* name;
    std::function<bool(const QString& path)> write;
    std::function<void(const QString& path)> checkFile;  // the file really is of that kind
};

}  // namespace

TEST_F(CupsTest, PictureFilesPrintAsTheProgramDecodesThem) {
    QTemporaryDir dir;
    // Palette GIF whose entry 3 is transparent: prints as white paper.
    const QImage palette = testcups::MakePaletteNoise(63, 41, 200, 7);
    const QImage grey = [] {
        QImage g = testcups::MakeNoise(45, 29, 8).convertToFormat(QImage::Format_Grayscale8);
        return g;
    }();
    const QImage mono = testcups::MakeNoise(37, 23, 9).convertToFormat(QImage::Format_Mono, Qt::ThresholdDither);
    const QImage rgb = testcups::MakeNoise(51, 31, 10).convertToFormat(QImage::Format_RGB32);
    const QImage rgba = [] {
        QImage a = testcups::MakeNoise(49, 35, 11).convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x)
                if ((x * 7 + y * 3) % 5 == 0) a.setPixel(x, y, qRgba(0, 0, 0, 0));
        return a;
    }();
    const FileCase cases[] = {
        {"transparent.gif", [&](const QString& p) { return testcups::WriteGif(palette, 3, p); }, nullptr},
        {"grey.jpg", [&](const QString& p) { return grey.save(p, "JPG", 90); },
         [](const QString& p) { EXPECT_EQ(testcups::JpegComponents(p), 1); }},
        {"mono.bmp", [&](const QString& p) { return mono.save(p, "BMP"); },
         [](const QString& p) { EXPECT_EQ(testcups::BmpBitsPerPixel(p), 1); }},
        {"rgb.bmp", [&](const QString& p) { return rgb.save(p, "BMP"); },
         [](const QString& p) { EXPECT_EQ(testcups::BmpBitsPerPixel(p), 24); }},
        {"alpha.png", [&](const QString& p) { return rgba.save(p, "PNG"); }, nullptr},
    };
    const QueueSpec* queues[] = {&LetterQueue(), &A4Queue()};
    int n = 0;
    for (const FileCase& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.filePath(QString::fromLatin1(c.name));
        ASSERT_TRUE(c.write(path));
        if (c.checkFile) c.checkFile(path);
        platform::PicturePtr picture;
        ASSERT_NO_THROW(picture = platform::LoadPicture(path));
        const QImage expected = testcups::OnWhite(picture->Image());
        if (QString::fromLatin1(c.name).endsWith(QLatin1String(".gif"))) {
            // The decoder must have seen the transparency, else the test proves nothing.
            ASSERT_TRUE(picture->Image().hasAlphaChannel());
        }
        const QueueSpec& q = *queues[n++ % 2];
        const int w = picture->Image().width(), h = picture->Image().height();
        const Printed printed = PrintAndRead(q.name, [&] {
            printing::RunPrintJob(*QueuePrinter(q), *picture, int16_t(w), int16_t(h), false);
        });
        ExpectPrintedExactly(printed, q, kPortrait, expected, false);
    }
}

TEST_F(CupsTest, PictureAsLargeAsThePrintableAreaCoversItExactly) {
    const QueueSpec& q = LetterQueue();
    const QImage noise = testcups::MakeNoise(q.widthDots, q.heightDots, 21);
    const platform::Picture picture(noise);
    const Printed printed = PrintAndRead(q.name, [&] {
        printing::RunPrintJob(*QueuePrinter(q), picture, int16_t(q.widthDots), int16_t(q.heightDots), true);
    });
    // Guides lie on the picture's own edge dots, which the picture covers.
    ExpectPrintedExactly(printed, q, kPortrait, noise, true);
}

TEST_F(CupsTest, PictureLargerThanThePrintableAreaIsCutOffEquallyWithoutGuides) {
    const QueueSpec& q = LetterQueue();
    // 101 and 40 dots too large: ox -50.5, oy -20.
    const int w = q.widthDots + 101, h = q.heightDots + 40;
    const QImage noise = testcups::MakeNoise(w, h, 22);
    const platform::Picture picture(noise);
    const Printed printed = PrintAndRead(q.name, [&] {
        printing::RunPrintJob(*QueuePrinter(q), picture, int16_t(w), int16_t(h), true);
    });
    ExpectPrintedExactly(printed, q, kPortrait, noise, true);
    ASSERT_EQ(printed.pages.size(), 1);
    const QPoint at = ExpectedTopLeft(q.widthDots, q.heightDots, w, h);
    EXPECT_EQ(at, QPoint(-50, -20));
    // Every dot of the page is picture: cut off 50 on the left, 51 on the right.
    EXPECT_EQ(testcups::CompareAt(printed.pages[0].image, noise.copy(50, 20, q.widthDots, q.heightDots), QPoint(0, 0)),
              QString());
}
