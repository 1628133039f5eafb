// The built-in PDF printer: the picture goes into the file losslessly and a
// 600 dpi rendering of the page gives every pixel back at its place.
#include "CupsFixture.h"

#include "platform/base/Failure.h"
#include "platform/print/SystemPrinters.h"
#include "printing/PrintJob.h"
#include "support/PixelCheck.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

using namespace cupstest;

namespace {

QString RunProgram(const QString& program, const QStringList& args, int* rc) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    p.waitForFinished(300000);
    *rc = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return QString::fromUtf8(p.readAll());
}

}  // namespace

TEST(PdfPrinter, PictureIsEmbeddedLosslesslyAndRendersDotForDot) {
    if (QStandardPaths::findExecutable(QStringLiteral("gs")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("pdfimages")).isEmpty())
        GTEST_SKIP() << "ghostscript or poppler-utils missing";
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("page.pdf"));
    const platform::PrinterPtr printer = platform::MakePdfPrinter(pdf);
    EXPECT_EQ(printer->DeviceName(), QStringLiteral("PDF"));
    EXPECT_EQ(printer->PrintQuality(), 600);
    EXPECT_EQ(printer->Orientation(), platform::kPortrait);
    printer->SetScaleMode(platform::kPixels);
    const int W = int(printer->ScaleWidth()), H = int(printer->ScaleHeight());

    const int w = 101, h = 77;
    const QImage noise = testcups::MakeNoise(w, h, 31);
    ASSERT_NO_THROW(printing::RunPrintJob(*printer, platform::Picture(noise), w, h, true));
    ASSERT_TRUE(QFile::exists(pdf));

    int rc = 0;
    const QString list = RunProgram(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf}, &rc);
    ASSERT_EQ(rc, 0) << list.toStdString();
    // page num type width height color comp bpc enc ...
    bool found = false;
    for (const QString& line : list.split(QLatin1Char('\n')).mid(2)) {
        const QStringList f = line.simplified().split(QLatin1Char(' '));
        if (f.size() < 9) continue;
        EXPECT_NE(f[8], QStringLiteral("jpeg")) << line.toStdString();
        EXPECT_NE(f[8], QStringLiteral("jpx")) << line.toStdString();
        found = found || (f[3] == QString::number(w) && f[4] == QString::number(h));
    }
    EXPECT_TRUE(found) << "no " << w << "x" << h << " image in\n" << list.toStdString();
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_FALSE(bytes.contains("/DCTDecode"));

    const QString png = dir.filePath(QStringLiteral("page.png"));
    const QString out = RunProgram(QStringLiteral("gs"),
                            {QStringLiteral("-q"), QStringLiteral("-dSAFER"), QStringLiteral("-dBATCH"),
                             QStringLiteral("-dNOPAUSE"), QStringLiteral("-sDEVICE=png16m"), QStringLiteral("-r600"),
                             QStringLiteral("-dGraphicsAlphaBits=1"), QStringLiteral("-dTextAlphaBits=1"),
                             QStringLiteral("-sOutputFile=") + png, pdf},
                            &rc);
    ASSERT_EQ(rc, 0) << out.toStdString();
    const QImage page(png);
    ASSERT_FALSE(page.isNull());
    // The PDF printer's printable area is the whole sheet: the rendering is it.
    EXPECT_EQ(page.size(), QSize(W, H));
    const QImage rgb = page.convertToFormat(QImage::Format_RGB888);
    const QPoint at = ExpectedTopLeft(rgb.width(), rgb.height(), w, h);
    const QString diff = testcups::CompareAt(rgb, noise, at);
    if (!diff.isEmpty()) {
        const auto near = testcups::FindNear(rgb, noise, at, 3);
        ADD_FAILURE() << diff.toStdString() << (near ? "exact at another place" : "not exact nearby");
    }
    const QString outside = testcups::CheckOutside(rgb, QRect(at, noise.size()), true);
    EXPECT_TRUE(outside.isEmpty()) << outside.toStdString();
}
