#include "platform/Picture.h"

#include "platform/Failure.h"
#include "platform/Screen.h"
#include "platform/Units.h"

#include <QFileInfo>
#include <QImageReader>
#include <cmath>

namespace platform {

Picture::Picture(QImage image)
    : mImage(std::move(image)),
      mWidthHimetric(int32_t(std::lround(mImage.width() * kHimetricPerInch / ScreenDpiX()))),
      mHeightHimetric(int32_t(std::lround(mImage.height() * kHimetricPerInch / ScreenDpiY()))) {}

PicturePtr LoadPicture(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) Fail(QStringLiteral("File not found: %1").arg(path));
    if (!info.isFile()) Fail(QStringLiteral("Not a file: %1").arg(path));

    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    // A camera's EXIF orientation is applied so the picture stands upright.
    // Every transformation it can name is a mirror or a quarter turn, which
    // moves pixels without resampling: the picture keeps each of its pixels.
    reader.setAutoTransform(true);
    // The allocation limit is Qt's own guard against decompression bombs; we
    // also check the header's size first so nothing large is taken for a lie.
    reader.setAllocationLimit(int(kMaxDecodedBytes / (1024 * 1024)));
    if (!reader.canRead()) Fail(QStringLiteral("Not a picture: %1").arg(path));
    const QSize size = reader.size();
    if (size.isValid() && qint64(size.width()) * size.height() * 4 > kMaxDecodedBytes)
        Fail(QStringLiteral("Picture too large: %1 x %2 pixels").arg(size.width()).arg(size.height()));

    QImage image;
    if (!reader.read(&image) || image.isNull())
        Fail(QStringLiteral("Cannot read picture: %1").arg(reader.errorString()));
    return std::make_shared<const Picture>(std::move(image));
}

}  // namespace platform
