#pragma once
// PNG files decoded with libpng directly, to 8 bits a channel (what a page
// takes): a 16-bit picture costs 4 bytes a pixel like any other, so one
// within the size rule opens. libpng's errors and warnings go to the
// DecoderMessages of the thread, never to stderr.
#include <QImage>
#include <QSize>
#include <memory>

class QIODevice;

namespace platform {

// Whether the device's first bytes are PNG's signature (its position kept).
bool IsPng(QIODevice& device);
// The width and height the header states; invalid when it has none.
QSize PngDeclaredSize(QIODevice& device);
// The picture as RGB32, or ARGB32 when it has transparency; every row and
// chunk to the end read and checked. Throws Failure when the picture is
// larger than the size rule allows (nothing allocated), DamagedPicture when
// libpng stops or warns.
QImage DecodePng(QIODevice& device, const QString& name);

class PngSource;

// The same decoding a row at a time, top to bottom, for a reader that takes
// each row as it comes and keeps none. The header is read on construction;
// every failure is DecodePng's, thrown by the call that meets it.
class PngRowReader {
public:
    PngRowReader(QIODevice& device, const QString& name);
    ~PngRowReader();
    PngRowReader(const PngRowReader&) = delete;
    PngRowReader& operator=(const PngRowReader&) = delete;

    QSize Size() const;
    // Whether rows may be transparent (0xAARRGGBB with any alpha); else
    // every alpha byte is 0xff.
    bool Alpha() const;
    // An interlaced picture's rows come in several passes: it is only read
    // whole (DecodePng).
    bool Interlaced() const;
    // The next row, Size().width() pixels.
    void Read(QRgb* row);
    // Reads and checks what follows the last row.
    void End();

private:
    std::unique_ptr<PngSource> mPng;
    QString mName;
};

}  // namespace platform
