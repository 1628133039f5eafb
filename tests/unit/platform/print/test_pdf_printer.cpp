// The PDF printer's figures, its lossless file and write failures, its
// papers' exact sizes and documents of several pages; the paper codes and
// the resolution names.
#include "platform/base/Failure.h"
#include "platform/cups/CupsQueue.h"
#include "platform/page/SheetLayout.h"
#include "platform/picture/Picture.h"
#include "platform/print/CupsPrinter.h"
#include "platform/print/PdfPrinter.h"
#include "printing/PrintJob.h"
#include "support/PixelCheck.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>

using namespace platform;
using testcups::Noise;

TEST(PrinterBackend, PaperCodesAndResolutionNames) {
    struct Paper { QPageSize::PageSizeId id; int code; };
    const Paper papers[] = {{QPageSize::Letter, 1}, {QPageSize::Tabloid, 3}, {QPageSize::Legal, 5},
                            {QPageSize::ExecutiveStandard, 7}, {QPageSize::A3, 8}, {QPageSize::A4, 9},
                            {QPageSize::A5, 11}, {QPageSize::JisB4, 12}, {QPageSize::JisB5, 13},
                            {QPageSize::B4, 42}, {QPageSize::B5, kPaperUser}, {QPageSize::Custom, kPaperUser}};
    for (const Paper& p : papers) EXPECT_EQ(PaperCodeOf(p.id), p.code) << QPageSize::key(p.id).toStdString();
    struct Res { const char* text; int dpi; };
    const Res res[] = {{"600dpi", 600}, {"300x600dpi", 300}, {"1200X1200DPI", 1200}, {"236dpcm", 599},
                       {"", 0}, {"600", 0}, {"fastdpi", 0}, {"-5dpi", 0}, {"99999dpi", 0}};
    for (const Res& r : res) EXPECT_EQ(ParseResolution(QString::fromLatin1(r.text)), r.dpi) << r.text;
}

namespace {

QByteArray PrintToPdf(const QString& path, int16_t orientation = kPortrait) {
    PdfPrinter printer(path, {});
    printer.SetOrientation(orientation);
    const Picture picture(Noise(101, 77, true));
    printer.SetScaleMode(kPixels);
    printing::RunPrintJob(printer, picture, 101, 77, true);
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

TEST(PdfPrinter, FiguresAndALosslessFile) {
    PdfPrinter printer(QString(), {});
    EXPECT_EQ(printer.DeviceName(), QStringLiteral("PDF"));
    EXPECT_EQ(printer.PrintQuality(), 600);
    EXPECT_EQ(printer.PaperSize(), LocaleDefaultPaper() == QPageSize::Letter ? kPaperLetter : kPaperA4);
    EXPECT_EQ(printer.Orientation(), kPortrait);
    const PrintableArea a = printer.Area();
    // No margins: the whole sheet at 600 dpi.
    EXPECT_NEAR(a.widthDots, a.widthInches * 600, 1.0);
    EXPECT_NEAR(a.heightDots, a.heightInches * 600, 1.0);
    printer.SetOrientation(kLandscape);
    EXPECT_EQ(printer.Area().widthDots, a.heightDots);

    const QString path = testenv::ScratchDir() + QStringLiteral("/out.pdf");
    const QByteArray pdf = PrintToPdf(path);
    ASSERT_TRUE(pdf.startsWith("%PDF"));
    EXPECT_TRUE(pdf.contains("/FlateDecode"));
    EXPECT_FALSE(pdf.contains("/DCTDecode"));  // JPEG would alter pixels
    EXPECT_EQ(pdf.count("/Type /Page\n") + pdf.count("/Type /Page\r") + pdf.count("/Type /Page "), 1);
}

TEST(PdfPrinter, NoPathAsksAndAnEmptyAnswerCancels) {
    int asked = 0;
    QString askedFor;
    PdfPrinter printer(QString(), [&](const QString& format) {
        ++asked;
        askedFor = format;
        return QString();
    });
    const Picture picture(Noise(3, 3, false));
    EXPECT_THROW(printing::RunPrintJob(printer, picture, 3, 3, false), Cancelled);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(askedFor, QStringLiteral("PDF"));  // the save dialog names the file's kind
}

TEST(PdfPrinter, WriteFailuresAreReportedAndLeaveNoPartialFile) {
    const QString missing = testenv::ScratchDir() + QStringLiteral("/no/such/folder/out.pdf");
    EXPECT_THROW(PrintToPdf(missing), Failure);
    EXPECT_FALSE(QFileInfo::exists(missing));

    if (QFileInfo(QStringLiteral("/dev/full")).exists()) {
        EXPECT_THROW(PrintToPdf(QStringLiteral("/dev/full")), Failure);
        // A device is never removed or replaced.
        EXPECT_FALSE(QFileInfo(QStringLiteral("/dev/full")).isFile());
        EXPECT_TRUE(QFileInfo::exists(QStringLiteral("/dev/full")));
    }
}

TEST(PdfPrinter, KilledDocumentWritesNothing) {
    const QString path = testenv::ScratchDir() + QStringLiteral("/killed.pdf");
    PdfPrinter printer(path, {});
    printer.SetScaleMode(kPixels);
    printer.PaintPicture(Picture(Noise(3, 3, false)), 0, 0, 3, 3);
    printer.KillDoc();
    printer.EndDoc();  // nothing open any more
    EXPECT_FALSE(QFileInfo::exists(path));
}

TEST(PdfPrinter, PagesHaveTheirPapersExactSize) {
    // A4 is 210 x 297 mm, not Qt's 595 x 842 whole points.
    EXPECT_NEAR(ExactPoints(QPageSize(QPageSize::A4)).width(), 595.27559, 1e-5);
    EXPECT_NEAR(ExactPoints(QPageSize(QPageSize::Letter)).height(), 792.0, 1e-9);
    const QString path = testenv::ScratchDir() + QStringLiteral("/a4.pdf");
    PdfPrinter printer(path, {});
    printer.SetLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait);
    EXPECT_NEAR(printer.Area().widthInches, 210 / 25.4, 1e-9);
    EXPECT_EQ(printer.Area().widthDots, 4961);
    printer.SetScaleMode(kPixels);
    printer.PaintPicture(Picture(Noise(3, 3, false)), 0, 0, 3, 3);
    printer.EndDoc();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("/MediaBox [0 0 595.275591 841.889764]"));
}

TEST(PdfPrinter, CopiesBeyondOneSheetMakeOneDocumentOfSeveralPages) {
    const QString path = testenv::ScratchDir() + QStringLiteral("/copies.pdf");
    PdfPrinter printer(path, {});
    QImage image(3000, 2000, QImage::Format_RGB32);
    image.fill(Qt::red);
    SheetOptions sheet;
    sheet.copies = 5;  // three fit on an A4 or Letter sheet at 600 dpi, one above another
    printing::RunPrintJob(printer, Picture(image), 3000, 2000, false, sheet);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray pdf = f.readAll();
    EXPECT_TRUE(pdf.contains("/Count 2 "));
    EXPECT_EQ(pdf.count("/Type /Page "), 2);
    // Each copy places the one image stored for them all.
    EXPECT_EQ(pdf.count("/Subtype /Image /Width 3000"), 1);
    EXPECT_EQ(pdf.count(" cm /Im1 Do Q"), 5);
}

// Every dot of the sheet a copy of a one-pixel picture: the PDF stores one
// image of a row of copies (masked between copies when there is a gap) and
// places it once a row, never once a copy.
TEST(PdfPrinter, ASheetOfTinyCopiesIsOneImagePerRowOfCopies) {
    for (const int gap : {0, 2}) {
        SCOPED_TRACE(gap);
        const QString path = testenv::ScratchDir() + QStringLiteral("/tiny-copies.pdf");
        PdfPrinter printer(path, {});
        QImage image(1, 1, QImage::Format_RGB32);
        image.fill(qRgb(30, 90, 200));
        SheetOptions sheet;
        sheet.copies = kCopiesFill;
        sheet.gapDots = gap;
        printing::RunPrintJob(printer, Picture(image), 1, 1, false, sheet);
        const PrintableArea area = printer.Area();
        const CopyGrid g = LayOutCopies(QSize(area.widthDots, area.heightDots), QSize(1, 1), kCopiesFill, gap);
        ASSERT_GT(g.count, 1000000);
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_LT(f.size(), 2 << 20);
        const QByteArray pdf = f.readAll();
        EXPECT_EQ(pdf.count("/Subtype /Image /Width " + QByteArray::number(g.columns * g.stepX - gap) + " /Height 1 /ColorSpace"), 1);
        EXPECT_EQ(pdf.count("/ImageMask true"), gap > 0 ? 1 : 0);
        EXPECT_EQ(pdf.count(" cm /Im1 Do Q"), g.rows);
    }
}
