// Writes the fuzzers' seed corpora into the folder given, one folder a
// target. command_line/: each argument vector of the command-line tests'
// tables, its arguments separated by NUL bytes. picture/: small pictures of
// every format the Open command is meant for (GIF, JPEG, BMP) and PNG, in the
// shapes the decoders treat differently (palette, transparency, grey, odd
// sizes, progressive JPEG), each a few hundred bytes so mutations stay fast.
// printer_answer/: made-up Get-Printer-Attributes answers (papers with their
// margins, margin lists, Apple and PWG raster resolutions), in range and out
// of it, bare and as an HTTP answer in chunks.
#include "platform/base/FileNames.h"
#include "support/CommandLineCases.h"
#include "support/PictureFiles.h"
#include "support/SyntheticAnswer.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <cstdio>

namespace {

QImage Gradient(int w, int h, QImage::Format format) {
    QImage image(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgba(x * 255 / w, y * 255 / h, (x ^ y) * 16 & 0xff, x == 0 ? 0 : 255));
    return image.convertToFormat(format);
}

bool Save(const QImage& image, const QString& path, const char* format, int quality = -1,
          bool progressive = false) {
    QImageWriter writer(path, format);
    if (quality >= 0) writer.setQuality(quality);
    writer.setProgressiveScanWrite(progressive);
    return writer.write(image);
}

bool Write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool WriteAnswers(const QString& folder) {
    QDir dir(folder);
    if (!dir.mkpath(QStringLiteral("."))) return false;
    using testcups::AnswerShape;
    AnswerShape label;
    label.database = {{6200, 10000, 154, 154, 303, 303}, {2900, 9000, 0, 0, 0, 0}};
    label.urf = {QStringLiteral("W8"), QStringLiteral("RS300")};
    AnswerShape wrong;
    wrong.database = {{21000, 29700, -500, 300, 2147483647, 300}, {0, 29700, 0, 0, 0, 0}};
    wrong.marginsSupported = {300, -2147483647 - 1};
    wrong.urf = {QStringLiteral("SRGB24"), QStringLiteral("RS99999-0")};
    wrong.pwgResolutions = {QSize(1000000000, 1000000000), QSize(600, 10)};
    AnswerShape many;
    many.databaseCopies = 40;
    AnswerShape bare;
    bare.database.clear();
    bare.urf.clear();
    const QByteArray plain = testcups::SyntheticAnswer();
    QByteArray chunked = "HTTP/1.1 200 OK\r\nContent-Type: application/ipp\r\nTransfer-Encoding: chunked\r\n\r\n";
    for (qsizetype at = 0; at < plain.size(); at += 64)
        chunked += QByteArray::number(plain.mid(at, 64).size(), 16) + "\r\n" + plain.mid(at, 64) + "\r\n";
    chunked += "0\r\n\r\n";
    bool ok = Write(dir.filePath(QStringLiteral("a4.ipp")), plain);
    ok &= Write(dir.filePath(QStringLiteral("label.ipp")), testcups::SyntheticAnswer(label));
    ok &= Write(dir.filePath(QStringLiteral("out-of-range.ipp")), testcups::SyntheticAnswer(wrong));
    ok &= Write(dir.filePath(QStringLiteral("many.ipp")), testcups::SyntheticAnswer(many));
    ok &= Write(dir.filePath(QStringLiteral("bare.ipp")), testcups::SyntheticAnswer(bare));
    ok &= Write(dir.filePath(QStringLiteral("chunked.http")), chunked);
    return ok;
}

bool WriteArguments(const QDir& dir, int index, const QStringList& arguments) {
    QByteArrayList words;
    for (const QString& a : arguments) words << platform::FileNameBytes(a);
    QFile file(dir.filePath(QStringLiteral("case-%1").arg(index)));
    return file.open(QIODevice::WriteOnly) && file.write(words.join('\0')) >= 0;
}

bool WriteCommandLines(const QString& folder) {
    QDir dir(folder + QStringLiteral("/command_line"));
    if (!dir.mkpath(QStringLiteral("."))) return false;
    bool ok = true;
    int index = 0;
    for (const testcli::ParseCase& c : testcli::kParseCases) ok &= WriteArguments(dir, index++, c.args);
    for (const auto& [args, word] : testcli::kInvalidCases) ok &= WriteArguments(dir, index++, args);
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_fuzz_seeds FOLDER\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (!WriteCommandLines(QString::fromLocal8Bit(argv[1]))) return 1;
    // Each fuzz target reads the folder of its own name.
    QDir dir(QString::fromLocal8Bit(argv[1]) + QStringLiteral("/picture"));
    if (!dir.mkpath(QStringLiteral("."))) return 1;
    const auto at = [&](const char* name) { return dir.filePath(QString::fromLatin1(name)); };

    bool ok = true;
    ok &= testcups::WriteGif(testcups::MakePaletteNoise(7, 5, 4, 1), -1, at("palette.gif"));
    ok &= testcups::WriteGif(testcups::MakePaletteNoise(16, 3, 200, 2), 3, at("transparent.gif"));
    ok &= testcups::WriteGif(testcups::MakePaletteNoise(1, 1, 2, 3), -1, at("one.gif"));
    ok &= Save(Gradient(9, 7, QImage::Format_RGB32), at("colour.jpg"), "JPEG", 90);
    ok &= Save(Gradient(16, 16, QImage::Format_Grayscale8), at("grey.jpg"), "JPEG", 50);
    ok &= Save(Gradient(17, 9, QImage::Format_RGB32), at("progressive.jpg"), "JPEG", 75, true);
    ok &= Save(Gradient(5, 3, QImage::Format_RGB32), at("rgb.bmp"), "BMP");
    ok &= Save(Gradient(8, 8, QImage::Format_Indexed8), at("indexed.bmp"), "BMP");
    ok &= Save(Gradient(9, 2, QImage::Format_Mono), at("mono.bmp"), "BMP");
    ok &= Save(Gradient(6, 6, QImage::Format_ARGB32), at("alpha.png"), "PNG");
    ok &= Save(Gradient(13, 4, QImage::Format_Grayscale16), at("grey16.png"), "PNG");
    ok &= Save(Gradient(4, 11, QImage::Format_Indexed8), at("palette.png"), "PNG");
    ok &= WriteAnswers(QString::fromLocal8Bit(argv[1]) + QStringLiteral("/printer_answer"));
    return ok ? 0 : 1;
}
