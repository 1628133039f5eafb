#pragma once
// JPEG files read a row at a time with libjpeg(-turbo)'s scanline calls, for
// a picture read as its page is written. Only what reads exactly as the
// window's reader reads it: grey, YCbCr or RGB, with no EXIF orientation
// that turns or mirrors it. libjpeg's errors and warnings (a file that ends
// early, corrupt data) are the picture's damage, never lines on stderr.
#include <QRgb>
#include <QSize>
#include <QString>
#include <memory>

class QIODevice;

namespace platform {

bool IsJpeg(QIODevice& device);

class JpegRowReader {
public:
    // Reads the header from `device` (at its start). Throws DamagedPicture
    // when libjpeg stops or warns there, Failure when the picture is larger
    // than the size rule allows.
    JpegRowReader(QIODevice& device, const QString& name);
    ~JpegRowReader();
    JpegRowReader(const JpegRowReader&) = delete;
    JpegRowReader& operator=(const JpegRowReader&) = delete;

    // Whether its rows read as the window's reader reads them: false for
    // CMYK or YCCK, and for an EXIF orientation other than upright (the
    // window turns those): such a picture is read whole.
    bool ReadsAsIs() const;
    QSize Size() const;
    // The next row, Size().width() opaque 0xffRRGGBB pixels. Starts the
    // decompression on the first call. Throws DamagedPicture.
    void Read(QRgb* row);
    // Reads what follows the last row, up to the end marker; throws
    // DamagedPicture.
    void End();

    struct State;

private:
    std::unique_ptr<State> mState;
    QString mName;
};

}  // namespace platform
