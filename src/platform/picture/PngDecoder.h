#pragma once
// PNG files decoded with libpng directly, to 8 bits a channel (what a page
// takes): a 16-bit picture costs 4 bytes a pixel like any other, so one
// within the size rule opens. libpng's errors and warnings go to the
// DecoderMessages of the thread, never to stderr.
#include <QImage>
#include <QSize>

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

}  // namespace platform
