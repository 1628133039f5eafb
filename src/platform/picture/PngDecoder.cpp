#include "platform/picture/PngDecoder.h"

#include "platform/base/Failure.h"
#include "platform/picture/Picture.h"

#include <QIODevice>
#include <QtEndian>
#include <csetjmp>
#include <png.h>

namespace platform {
namespace {

const char kSignature[] = "\x89PNG\r\n\x1a\n";

// What a read needs from libpng's callbacks. The first thing libpng says is
// kept: any of it means the picture was not read whole.
struct PngRead {
    QIODevice* device;
    QString said;
    void Say(png_const_charp text) {
        if (said.isEmpty()) said = QString::fromLatin1(text).simplified().left(300);
    }
};

[[noreturn]] void OnError(png_structp png, png_const_charp text) {
    static_cast<PngRead*>(png_get_error_ptr(png))->Say(text);
    png_longjmp(png, 1);
}

void OnWarning(png_structp png, png_const_charp text) { static_cast<PngRead*>(png_get_error_ptr(png))->Say(text); }

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

}  // namespace

// libpng set to give rows of 8-bit 0xAARRGGBB words. Each step is a call of
// its own with its own jump point: libpng's errors longjmp back into the
// step that met them, which returns false; nothing with a destructor lives
// between a jump point and libpng.
class PngSource {
public:
    explicit PngSource(QIODevice& device) : mRead{&device, {}} {
        mPng = png_create_read_struct(PNG_LIBPNG_VER_STRING, &mRead, OnError, OnWarning);
        if (mPng) mInfo = png_create_info_struct(mPng);
    }
    ~PngSource() { png_destroy_read_struct(&mPng, mInfo ? &mInfo : nullptr, nullptr); }
    PngSource(const PngSource&) = delete;
    PngSource& operator=(const PngSource&) = delete;

    // Reads the header and sets the transforms; false when libpng stopped, or
    // the picture is larger than the size rule (TooLarge, nothing taken).
    bool Begin() {
        if (!mInfo) {
            mRead.said = QStringLiteral("out of memory");
            return false;
        }
        if (setjmp(png_jmpbuf(mPng)) != 0) return false;
        png_set_read_fn(mPng, &mRead, OnRead);
        png_set_keep_unknown_chunks(mPng, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
        png_set_keep_unknown_chunks(mPng, PNG_HANDLE_CHUNK_NEVER, kIgnored, int(sizeof kIgnored / 5));
        png_read_info(mPng, mInfo);
        // libpng refuses sides past 2^31 - 1.
        mSize = QSize(int(png_get_image_width(mPng, mInfo)), int(png_get_image_height(mPng, mInfo)));
        if (TooLargeToDecode(mSize)) {
            mTooLarge = true;
            return false;
        }
        const int type = png_get_color_type(mPng, mInfo);
        mAlpha = (type & PNG_COLOR_MASK_ALPHA) || png_get_valid(mPng, mInfo, PNG_INFO_tRNS);
        png_set_scale_16(mPng);
        png_set_expand(mPng);  // palette to RGB, grey below 8 bits to 8, tRNS to alpha
        if (!(type & PNG_COLOR_MASK_COLOR)) png_set_gray_to_rgb(mPng);
        // QImage's 32-bit pixels are 0xAARRGGBB words.
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
        png_set_bgr(mPng);
        if (!mAlpha) png_set_filler(mPng, 0xff, PNG_FILLER_AFTER);
#else
        if (mAlpha) png_set_swap_alpha(mPng);
        else png_set_filler(mPng, 0xff, PNG_FILLER_BEFORE);
#endif
        mPasses = png_set_interlace_handling(mPng);
        png_read_update_info(mPng, mInfo);
        if (png_get_rowbytes(mPng, mInfo) != size_t(mSize.width()) * 4) png_error(mPng, "unexpected row layout");
        return true;
    }
    // The next row of the current pass into `row` (Size().width() words).
    bool ReadRow(uchar* row) {
        if (setjmp(png_jmpbuf(mPng)) != 0) return false;
        png_read_row(mPng, row, nullptr);
        return true;
    }
    // To the end: every chunk's checksum, and the end chunk itself.
    bool End() {
        if (setjmp(png_jmpbuf(mPng)) != 0) return false;
        png_read_end(mPng, nullptr);
        return true;
    }

    QSize Size() const { return mSize; }
    bool Alpha() const { return mAlpha; }
    int Passes() const { return mPasses; }
    bool TooLarge() const { return mTooLarge; }
    // What libpng said; empty when it said nothing.
    const QString& Said() const { return mRead.said; }

private:
    PngRead mRead;
    png_structp mPng = nullptr;
    png_infop mInfo = nullptr;
    QSize mSize;
    bool mAlpha = false;
    bool mTooLarge = false;
    int mPasses = 1;
};

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

namespace {
// The failure for a read that stopped or a decoder that spoke.
[[noreturn]] void Refuse(const PngSource& png, const QString& name) {
    if (png.TooLarge()) Fail(QStringLiteral("Picture too large: %1").arg(TooLargeToDecodeText(png.Size())));
    throw DamagedPicture(name, png.Said());
}
}  // namespace

QImage DecodePng(QIODevice& device, const QString& name) {
    PngSource png(device);
    if (!png.Begin()) Refuse(png, name);
    QImage image(png.Size(), png.Alpha() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (image.isNull()) Fail(QStringLiteral("Cannot read picture %1: out of memory").arg(name));
    for (int pass = 0; pass < png.Passes(); ++pass)
        for (int y = 0; y < image.height(); ++y)
            if (!png.ReadRow(image.scanLine(y))) Refuse(png, name);
    if (!png.End() || !png.Said().isEmpty()) Refuse(png, name);
    return image;
}

PngRowReader::PngRowReader(QIODevice& device, const QString& name)
    : mPng(std::make_unique<PngSource>(device)), mName(name) {
    if (!mPng->Begin() || !mPng->Said().isEmpty()) Refuse(*mPng, mName);
}

PngRowReader::~PngRowReader() = default;

QSize PngRowReader::Size() const { return mPng->Size(); }
bool PngRowReader::Alpha() const { return mPng->Alpha(); }
bool PngRowReader::Interlaced() const { return mPng->Passes() > 1; }

void PngRowReader::Read(QRgb* row) {
    if (!mPng->ReadRow(reinterpret_cast<uchar*>(row)) || !mPng->Said().isEmpty()) Refuse(*mPng, mName);
}

void PngRowReader::End() {
    if (!mPng->End() || !mPng->Said().isEmpty()) Refuse(*mPng, mName);
}

}  // namespace platform
