#pragma once
// A picture read row by row while its page is written, for a print that
// takes each picture row once, top to bottom (one pixel per dot, not turned,
// one copy): the job then holds one row of the picture instead of all of it,
// and decoding runs while earlier rows are compressed and sent.
#include <QRgb>
#include <QSize>
#include <QString>
#include <memory>

namespace platform {

class PictureRows {
public:
    virtual ~PictureRows() = default;
    virtual QSize Size() const = 0;
    // Row `y`: Size().width() pixels, 0xAARRGGBB (alpha 0xff where opaque),
    // valid until the next call. Rows are asked for top to bottom (the same
    // row again is allowed); rows passed over are read and dropped. Throws
    // DamagedPicture for a file found damaged on the way, Failure for a row
    // asked for after a later one.
    virtual const QRgb* Row(int y) = 0;
    // Reads what is left and checks the file whole, as LoadPicture does:
    // every row and chunk, the file unchanged since it was opened. A job
    // calls it before its document is delivered, so nothing of a damaged
    // picture is printed. Throws DamagedPicture.
    virtual void Finish() = 0;
};
using PictureRowsPtr = std::shared_ptr<PictureRows>;

// `path` opened to be read row by row where its format allows it (PNG, not
// interlaced; JPEG that reads as it is stored); null when it is read whole
// (LoadPicture). The rows are decoded on a thread of their own, ahead of the
// caller (ReadAhead). Throws as LoadPicture does for a file that cannot be
// opened, whose header is damaged, or that is larger than the size rule
// allows.
PictureRowsPtr OpenPictureRows(const QString& path);

// `rows` read on a thread of their own, up to about 1 MiB of rows ahead of
// the caller, so decoding runs while the caller composes, compresses and
// sends the rows before. What reading throws reaches the caller at the row,
// or the Finish, that needed it. Dropping the result stops the thread.
PictureRowsPtr ReadAhead(PictureRowsPtr rows);

}  // namespace platform
