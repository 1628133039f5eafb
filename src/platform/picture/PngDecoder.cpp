#include "platform/picture/PngDecoder.h"

#include "platform/base/Failure.h"
#include "platform/picture/DecoderMessages.h"
#include "platform/picture/Picture.h"

#include <QIODevice>
#include <QtEndian>
#include <csetjmp>
#include <memory>
#include <png.h>

namespace platform {
namespace {

const char kSignature[] = "\x89PNG\r\n\x1a\n";

struct PngRead {
    QIODevice* device;
    DecoderMessages* messages;
};

[[noreturn]] void OnError(png_structp png, png_const_charp text) {
    static_cast<PngRead*>(png_get_error_ptr(png))->messages->Add(QString::fromLatin1(text));
    png_longjmp(png, 1);
}

void OnWarning(png_structp png, png_const_charp text) {
    static_cast<PngRead*>(png_get_error_ptr(png))->messages->Add(QString::fromLatin1(text));
}

void OnRead(png_structp png, png_bytep data, size_t count) {
    QIODevice* device = static_cast<PngRead*>(png_get_io_ptr(png))->device;
    while (count > 0) {
        const qint64 got = device->read(reinterpret_cast<char*>(data), qint64(count));
        if (got <= 0) png_error(png, "the file ends early");
        data += got;
        count -= size_t(got);
    }
}

// Chunks that change no pixel: never read, so nothing they hold can stop
// the picture (a colour profile libpng finds odd, text in a wrong encoding).
const png_byte kIgnored[] = "bKGD\0cHRM\0eXIf\0gAMA\0hIST\0iCCP\0iTXt\0oFFs\0pCAL\0pHYs\0sBIT\0sCAL\0sPLT\0sRGB\0"
                            "tEXt\0tIME\0zTXt";

struct PngFree {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~PngFree() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};

}  // namespace

bool IsPng(QIODevice& device) { return device.peek(8) == QByteArray(kSignature, 8); }

QSize PngDeclaredSize(QIODevice& device) {
    // Signature, then the IHDR chunk: length, type, width, height.
    const QByteArray head = device.peek(24);
    if (head.size() < 24 || !head.startsWith(QByteArray(kSignature, 8)) || head.mid(12, 4) != "IHDR") return {};
    const quint32 w = qFromBigEndian<quint32>(head.constData() + 16);
    const quint32 h = qFromBigEndian<quint32>(head.constData() + 20);
    if (w == 0 || h == 0 || w > 0x7fffffffu || h > 0x7fffffffu) return {};
    return QSize(int(w), int(h));
}

QImage DecodePng(QIODevice& device, const QString& name) {
    DecoderMessages messages;
    PngRead read{&device, &messages};
    PngFree held;
    held.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &read, OnError, OnWarning);
    if (held.png) held.info = png_create_info_struct(held.png);
    if (!held.info) Fail(QStringLiteral("Cannot read picture %1: out of memory").arg(name));
    // Set before the jump point and not changed after it: what a longjmp
    // back here may rely on.
    const auto image = std::make_unique<QImage>();
    const auto tooLarge = std::make_unique<QSize>();
    png_structp png = held.png;
    png_infop info = held.info;
    if (setjmp(png_jmpbuf(png)) == 0) {
        png_set_read_fn(png, &read, OnRead);
        png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
        png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kIgnored, int(sizeof kIgnored / 5));
        png_read_info(png, info);
        const png_uint_32 w = png_get_image_width(png, info), h = png_get_image_height(png, info);
        const QSize size{int(w), int(h)};  // libpng refuses sides past 2^31 - 1
        if (TooLargeToDecode(size)) {
            *tooLarge = size;
            png_longjmp(png, 2);
        }
        const int type = png_get_color_type(png, info);
        const bool alpha = (type & PNG_COLOR_MASK_ALPHA) || png_get_valid(png, info, PNG_INFO_tRNS);
        png_set_scale_16(png);
        png_set_expand(png);  // palette to RGB, grey below 8 bits to 8, tRNS to alpha
        if (!(type & PNG_COLOR_MASK_COLOR)) png_set_gray_to_rgb(png);
        // QImage's 32-bit pixels are 0xAARRGGBB words.
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
        png_set_bgr(png);
        if (!alpha) png_set_filler(png, 0xff, PNG_FILLER_AFTER);
#else
        if (alpha) png_set_swap_alpha(png);
        else png_set_filler(png, 0xff, PNG_FILLER_BEFORE);
#endif
        const int passes = png_set_interlace_handling(png);
        png_read_update_info(png, info);
        if (png_get_rowbytes(png, info) != size_t(w) * 4) png_error(png, "unexpected row layout");
        *image = QImage(size, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        if (image->isNull()) png_error(png, "no memory for the pixels");
        for (int pass = 0; pass < passes; ++pass)
            for (png_uint_32 y = 0; y < h; ++y) png_read_row(png, image->scanLine(int(y)), nullptr);
        // To the end: every chunk's checksum, and the end chunk itself.
        png_read_end(png, nullptr);
    }
    if (tooLarge->isValid()) Fail(QStringLiteral("Picture too large: %1").arg(TooLargeToDecodeText(*tooLarge)));
    if (!messages.Lines().isEmpty()) throw DamagedPicture(name, messages.Lines().first());
    return std::move(*image);
}

}  // namespace platform
