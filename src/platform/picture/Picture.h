#pragma once
// The opened picture: an immutable decoded image shared by reference between
// the properties panel, the preview and the print job.
#include "platform/base/Failure.h"

#include <QImage>
#include <QString>
#include <cstdint>
#include <memory>

class QFile;
class QIODevice;

namespace platform {

class PictureRows;

class Picture {
public:
    explicit Picture(QImage image);
    // A picture read row by row as its page is written (see PictureRows.h):
    // Image() is null and Rows() gives the rows.
    explicit Picture(std::shared_ptr<PictureRows> rows);

    // Extent in HIMETRIC (1/100 mm), derived from the pixel size at the
    // screen's resolution when the picture was made.
    int32_t Width() const { return mWidthHimetric; }
    int32_t Height() const { return mHeightHimetric; }

    const QImage& Image() const { return mImage; }
    // Set only for a picture read row by row.
    const std::shared_ptr<PictureRows>& Rows() const { return mRows; }
    // Width and height in pixels, however it is held.
    QSize PixelSize() const;

private:
    QImage mImage;
    std::shared_ptr<PictureRows> mRows;
    int32_t mWidthHimetric;
    int32_t mHeightHimetric;
};

using PicturePtr = std::shared_ptr<const Picture>;

// Largest decoded picture LoadPicture accepts, in bytes of 32-bit pixels.
// 1 GiB holds a 1200 dpi A4 page (about 140 megapixels, 560 MB) with room.
inline constexpr qint64 kMaxDecodedBytes = qint64(1) << 30;

// Whether a picture of `size` pixels would pass kMaxDecodedBytes decoded,
// and the words for it: "32767 x 32767 pixels need 4096 MiB decoded, more
// than the 1024 MiB allowed" (the MiB rounded up: a figure above the limit
// never reads as the limit).
bool TooLargeToDecode(QSize size);
QString TooLargeToDecodeText(QSize size);

// The file is a picture but was not read whole: it ends early, the decoder
// met damaged data or warned, or the file changed while it was read. Nothing
// of it is used. `reason` says which, for people, on one line.
class DamagedPicture : public Failure {
public:
    DamagedPicture(const QString& name, const QString& why)
        : Failure(QStringLiteral("Damaged picture %1: %2").arg(name, why)), reason(why) {}
    QString reason;
};

// The size a picture's header states, read without decoding and without a
// word from any decoder; invalid when there is no header to read. The
// device's position is kept.
QSize DeclaredPictureSize(QIODevice& device);

// Decodes a picture file, opened on the very bytes of its name (see
// FileNames.h); the last one decoded is kept from being written over. The
// content decides the format, never the name.
// Reads at least GIF, JPEG, BMP, PNG, TIFF and WebP, 16-bit ones as 8 bits a
// channel. Throws Failure when the file is missing, unreadable, not a
// picture, or larger than kMaxDecodedBytes (the size is read from the header
// before any pixel memory is taken); DamagedPicture when it was not read
// whole. The decoders' own lines never reach stderr.
PicturePtr LoadPicture(const QString& path);

// Opens the picture file `path` (its very bytes) for reading; throws Failure,
// with LoadPicture's words, when it is missing, not a file or unreadable.
void OpenPictureFile(QFile& file, const QString& path);

// LoadPicture's decoding alone, without making the Picture (whose extent
// depends on the screen, which belongs to the GUI thread). Safe on any
// thread. Reports to the current progress stage; Cancelled when stopped.
QImage DecodePicture(const QString& path);

// LoadPicture with the decoding on a worker thread, while this thread keeps
// reporting the worker's progress to its own sink (a dialog keeps painting
// the window, a Cancel there stops the decoder). A decoder must not be
// interrupted by painting on its own thread: Qt's image readers share a lock
// that painting may take again.
PicturePtr LoadPictureAside(const QString& path);

// The same decoding from an open device (a file, or bytes in memory), with the
// same checks and failures; `name` only goes into the failure's text.
PicturePtr LoadPictureFromDevice(QIODevice& device, const QString& name);

}  // namespace platform
