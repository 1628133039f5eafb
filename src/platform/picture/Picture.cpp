#include "platform/picture/Picture.h"

#include "platform/base/Failure.h"
#include "platform/base/FileNames.h"
#include "platform/base/Progress.h"
#include "platform/picture/DecoderMessages.h"
#include "platform/picture/FileState.h"
#include "platform/picture/PictureRows.h"
#include "platform/picture/PngDecoder.h"
#include "platform/picture/ProgressDevice.h"
#include "platform/base/Screen.h"
#include "platform/base/Units.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <optional>

namespace platform {

namespace {
int32_t HimetricX(int pixels) { return int32_t(std::lround(pixels * kHimetricPerInch / ScreenDpiX())); }
int32_t HimetricY(int pixels) { return int32_t(std::lround(pixels * kHimetricPerInch / ScreenDpiY())); }
}  // namespace

Picture::Picture(QImage image)
    : mImage(std::move(image)), mWidthHimetric(HimetricX(mImage.width())), mHeightHimetric(HimetricY(mImage.height())) {}

Picture::Picture(std::shared_ptr<PictureRows> rows)
    : mRows(std::move(rows)),
      mWidthHimetric(HimetricX(mRows->Size().width())),
      mHeightHimetric(HimetricY(mRows->Size().height())) {}

QSize Picture::PixelSize() const { return mRows ? mRows->Size() : mImage.size(); }

namespace {

// Bytes from `offset` of a random-access device, at most `count`; the
// device's position is left where it was.
QByteArray ReadAt(QIODevice& device, qint64 offset, qint64 count) {
    const qint64 was = device.pos();
    QByteArray bytes;
    if (device.seek(offset)) bytes = device.read(count);
    device.seek(was);
    return bytes;
}

quint32 Le(const QByteArray& b, int at, int bytes) {
    quint32 v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | quint8(b[at + i]);
    return v;
}

// Whether a GIF ends inside its first image's data: its blocks are walked
// (extensions, then the image descriptor, local palette and the chain of
// sub-blocks that ends with an empty one) without decoding them.
bool GifImageCut(const QByteArray& b) {
    qsizetype at = 13;
    if (b.size() < at) return true;
    if (quint8(b[10]) & 0x80) at += 3 << ((quint8(b[10]) & 7) + 1);
    const auto skipSubBlocks = [&] {
        while (at < b.size() && b[at] != 0) at += 1 + quint8(b[at]);
        if (at >= b.size()) return false;
        ++at;
        return true;
    };
    while (at < b.size()) {
        const quint8 kind = quint8(b[at]);
        if (kind == 0x21) {  // extension: label, sub-blocks
            at += 2;
            if (!skipSubBlocks()) return true;
        } else if (kind == 0x2c) {  // image: descriptor, palette, code size, data
            if (at + 10 > b.size()) return true;
            const quint8 flags = quint8(b[at + 9]);
            at += 10;
            if (flags & 0x80) at += 3 << ((flags & 7) + 1);
            at += 1;
            return !skipSubBlocks();
        } else {
            return false;  // trailer, or something the decoder will judge
        }
    }
    return true;
}

// Whether the file ends before the pixels its header promises. The decoders
// would return such a picture with its missing part grey or undefined, and
// the job would print it as if it were whole. Two formats can be told cheaply:
// an uncompressed BMP states exactly how many bytes its rows take; a JPEG's
// last scan (FF DA) is followed by its end marker (FF D9), and neither two
// bytes can occur inside entropy-coded data (FF there is followed by 00 or a
// restart code), so an end marker only before the last scan (in an EXIF
// thumbnail) means the main picture is cut; a WebP states its length. Other
// formats report a cut file through their decoders.
bool CutShort(QIODevice& device) {
    if (device.isSequential()) return false;
    const qint64 size = device.size();
    const QByteArray head = ReadAt(device, 0, 32);
    if (head.size() >= 30 && head.startsWith("BM")) {
        const quint32 headerSize = Le(head, 14, 4);
        qint64 w = 0, h = 0, bpp = 0, compression = 0;
        if (headerSize == 12) {
            w = Le(head, 18, 2), h = Le(head, 20, 2), bpp = Le(head, 24, 2);
        } else if (headerSize >= 40 && head.size() >= 32) {
            w = qint32(Le(head, 18, 4)), h = qint32(Le(head, 22, 4)), bpp = Le(head, 28, 2);
            compression = Le(head, 30, 2);
        } else {
            return false;
        }
        // BI_RGB, BI_BITFIELDS, BI_ALPHABITFIELDS: rows of whole 32-bit words.
        if (compression != 0 && compression != 3 && compression != 6) return false;
        // w, h below 2^31 and bpp below 2^16: rowBytes fits; rows times
        // rowBytes may not, so the rows that fit are counted by division.
        const qint64 rowBytes = (std::abs(w) * bpp + 31) / 32 * 4;
        const qint64 pixelBytes = size - qint64(Le(head, 10, 4));
        if (pixelBytes < 0) return true;
        return rowBytes > 0 && std::abs(h) > pixelBytes / rowBytes;
    }
    if (head.startsWith("\xff\xd8")) {
        qint64 lastScan = -1, lastEnd = -1;
        constexpr qint64 kChunk = 1 << 20;
        const qint64 was = device.pos();
        device.seek(0);
        char previous = 0;
        for (qint64 at = 0; at < size;) {
            const QByteArray chunk = device.read(kChunk);
            if (chunk.isEmpty()) break;
            for (qsizetype i = 0; i < chunk.size(); ++i) {
                if (previous == '\xff' && chunk[i] == '\xda') lastScan = at + i;
                if (previous == '\xff' && chunk[i] == '\xd9') lastEnd = at + i;
                previous = chunk[i];
            }
            at += chunk.size();
        }
        device.seek(was);
        return lastScan >= 0 && lastEnd < lastScan;
    }
    if (head.startsWith("GIF8")) return GifImageCut(ReadAt(device, 0, size));
    // A WebP file is one RIFF chunk whose header states its length.
    if (head.size() >= 12 && head.startsWith("RIFF") && head.mid(8, 4) == "WEBP")
        return qint64(Le(head, 4, 4)) + 8 > size;
    return false;
}

// Qt's readers decode a picture of 16 bits a channel at 8 bytes a pixel:
// twice what the size rule counts. The rule stays the limit (checked on the
// header first); this only lets such a picture through the reader's own
// guard, and it is brought to 8 bits a channel right after.
constexpr int kReaderLimitMiB = int(2 * kMaxDecodedBytes / (1024 * 1024));

// What the page takes: 8 bits a channel. Done in place where Qt can.
QImage EightBitsAChannel(QImage image) {
    switch (image.format()) {
        case QImage::Format_Grayscale16: image.convertTo(QImage::Format_Grayscale8); break;
        case QImage::Format_RGBX64:
        case QImage::Format_RGBX16FPx4:
        case QImage::Format_RGBX32FPx4: image.convertTo(QImage::Format_RGB32); break;
        case QImage::Format_RGBA64:
        case QImage::Format_RGBA64_Premultiplied:
        case QImage::Format_RGBA16FPx4:
        case QImage::Format_RGBA16FPx4_Premultiplied:
        case QImage::Format_RGBA32FPx4:
        case QImage::Format_RGBA32FPx4_Premultiplied: image.convertTo(QImage::Format_ARGB32); break;
        default: break;
    }
    return image;
}

// Every format but PNG, through Qt's readers.
QImage DecodeWithQt(QIODevice& device, const QString& name, std::optional<ProgressStage>& checks) {
    QImageReader reader(&device);
    reader.setDecideFormatFromContent(true);
    // A camera's EXIF orientation is applied so the picture stands upright.
    // Every transformation it can name is a mirror or a quarter turn, which
    // moves pixels without resampling: the picture keeps each of its pixels.
    reader.setAutoTransform(true);
    // The allocation limit is Qt's own guard against decompression bombs; we
    // also check the header's size first so nothing large is taken for a lie.
    reader.setAllocationLimit(kReaderLimitMiB);
    if (!reader.canRead()) Fail(QStringLiteral("Not a picture: %1").arg(name));
    const QSize size = reader.size();
    if (TooLargeToDecode(size)) Fail(QStringLiteral("Picture too large: %1").arg(TooLargeToDecodeText(size)));

    if (CutShort(device)) throw DamagedPicture(name, QStringLiteral("it ends early"));
    checks.reset();

    QImage image;
    const ProgressStage decoding(0.05, 1.0);
    if (!reader.read(&image) || image.isNull())
        Fail(QStringLiteral("Cannot read picture %1: %2").arg(name, reader.errorString()));
    return image;
}

// The picture's pixels, with every check LoadPictureFromDevice promises.
QImage DecodeFromDevice(QIODevice& device, const QString& name) {
    // What a decoder says is judged here, whatever it returned.
    const DecoderMessages messages;
    QImage image;
    try {
        if (IsPng(device)) {
            const ProgressStage decoding(0.0, 1.0);
            image = DecodePng(device, name);
        } else {
            // The header and the checks read a little, or (a JPEG's markers)
            // all of it once quickly: a small part of the time.
            std::optional<ProgressStage> checks(std::in_place, 0.0, 0.05);
            image = DecodeWithQt(device, name, checks);
        }
    } catch (const DamagedPicture&) {
        throw;
    } catch (const Failure&) {
        // A decoder that gave up and said why: the picture is damaged.
        if (!messages.Lines().isEmpty()) throw DamagedPicture(name, messages.Lines().first());
        throw;
    }
    if (!messages.Lines().isEmpty()) throw DamagedPicture(name, messages.Lines().first());
    return EightBitsAChannel(std::move(image));
}

}  // namespace

QSize DeclaredPictureSize(QIODevice& device) {
    if (IsPng(device)) return PngDeclaredSize(device);
    const DecoderMessages quiet;
    const qint64 was = device.pos();
    QImageReader header(&device);
    header.setDecideFormatFromContent(true);
    const QSize size = header.size();
    if (!device.isSequential()) device.seek(was);
    return size;
}

bool TooLargeToDecode(QSize size) {
    // Sides below 2^31: their product fits 63 bits, four times it may not.
    return size.isValid() && qint64(size.width()) * size.height() > kMaxDecodedBytes / 4;
}

QString TooLargeToDecodeText(QSize size) {
    constexpr qint64 kMiB = qint64(1) << 20;
    return QStringLiteral("%1 x %2 pixels need %3 MiB decoded, more than the %4 MiB allowed")
        .arg(size.width())
        .arg(size.height())
        .arg((qint64(size.width()) * size.height() + kMiB / 4 - 1) / (kMiB / 4))
        .arg(kMaxDecodedBytes / kMiB);
}


PicturePtr LoadPictureFromDevice(QIODevice& device, const QString& name) {
    return std::make_shared<const Picture>(DecodeFromDevice(device, name));
}

PicturePtr LoadPicture(const QString& path) { return std::make_shared<const Picture>(DecodePicture(path)); }

void OpenPictureFile(QFile& file, const QString& path) {
    const QString shown = ShownFileName(path);
    const FileFacts facts = StatFile(path);
    if (!facts.exists && facts.error != ENOENT) Fail(QStringLiteral("Cannot open %1: %2").arg(shown, SystemReason(facts.error)));
    if (!facts.exists) Fail(QStringLiteral("File not found: %1").arg(shown));
    if (!facts.isFile) Fail(QStringLiteral("Not a file: %1").arg(shown));
    QString error;
    if (!OpenFile(file, path, QIODevice::ReadOnly, &error)) Fail(QStringLiteral("Cannot open %1: %2").arg(shown, error));
}

QImage DecodePicture(const QString& path) {
    const QString shown = ShownFileName(path);
    QFile file;
    OpenPictureFile(file, path);
    const FileState before = StateOf(file);
    ProgressDevice reading(file);
    QImage image;
    try {
        image = DecodeFromDevice(reading, shown);
    } catch (const Failure&) {
        // The decoder gave up because its reads were refused.
        if (reading.Stopped()) throw Cancelled();
        if (reading.EndedEarly() || StateOf(file) != before) throw DamagedPicture(shown, ChangedWhileReadText());
        throw;
    }
    // Some decoders return what they had when reading stopped.
    if (reading.Stopped()) throw Cancelled();
    // Others return what they had when the file ended, without a word.
    if (reading.EndedEarly() || StateOf(file) != before) throw DamagedPicture(shown, ChangedWhileReadText());
    KeepFromOverwriting(path, QStringLiteral("the picture"));
    return image;
}

}  // namespace platform
