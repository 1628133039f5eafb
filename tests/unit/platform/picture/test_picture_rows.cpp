// Pictures read row by row give, row for row, the pixels of the same file
// read whole; what cannot be read so is left to the whole read.
#include "platform/picture/Picture.h"
#include "platform/picture/PictureRows.h"
#include "support/PixelCheck.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QTemporaryDir>

namespace {
// The JPEG with an EXIF orientation tag, as a camera writes it after SOI.
QByteArray WithOrientation(const QByteArray& jpeg, quint8 tag) {
    const QByteArray tiff = QByteArray("MM\0\x2a\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01\0", 19) +
                            char(tag) + QByteArray(6, '\0');
    const QByteArray app1 = QByteArray("Exif\0\0", 6) + tiff;
    const int length = int(app1.size()) + 2;
    return jpeg.left(2) + "\xff\xe1" + char(length >> 8) + char(length & 0xff) + app1 + jpeg.mid(2);
}
}  // namespace

TEST(PictureRows, ReadRowByRowAsTheWholeReadReadsThem) {
    const QImage noise = testcups::Noise(37, 23, true);
    const struct {
        const char* what;
        QImage picture;
        const char* format;
        quint8 orientation;  // EXIF's; 0: none
        bool byRow;
    } cases[] = {
        {"opaque png", noise.convertToFormat(QImage::Format_RGB32), "png", 0, true},
        {"translucent png", noise, "png", 0, true},
        {"16-bit png", noise.convertToFormat(QImage::Format_RGBA64), "png", 0, true},
        {"grey png", noise.convertToFormat(QImage::Format_Grayscale8), "png", 0, true},
        {"jpeg", noise.convertToFormat(QImage::Format_RGB32), "jpeg", 0, true},
        {"grey jpeg", noise.convertToFormat(QImage::Format_Grayscale8), "jpeg", 0,
         true},
        {"upright jpeg, tagged", noise.convertToFormat(QImage::Format_RGB32), "jpeg", 1, true},
        // The whole read turns it upright: rows would come across.
        {"turned jpeg", noise.convertToFormat(QImage::Format_RGB32), "jpeg", 6,
         false},
        {"bmp", noise.convertToFormat(QImage::Format_RGB32), "bmp", 0, false},
    };
    QTemporaryDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QString path = dir.filePath(QStringLiteral("picture.dat"));
        QBuffer encoded;
        ASSERT_TRUE(encoded.open(QIODevice::WriteOnly));
        ASSERT_TRUE(QImageWriter(&encoded, c.format).write(c.picture));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(c.orientation ? WithOrientation(encoded.data(), c.orientation) : encoded.data());
        file.close();
        const platform::PictureRowsPtr rows = platform::OpenPictureRows(path);
        ASSERT_EQ(bool(rows), c.byRow);
        if (!rows) continue;
        const QImage whole = platform::LoadPicture(path)->Image().convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(rows->Size(), whole.size());
        for (int y = 0; y < whole.height(); ++y) {
            const QRgb* row = rows->Row(y);
            for (int x = 0; x < whole.width(); ++x) ASSERT_EQ(row[x], whole.pixel(x, y)) << x << ", " << y;
        }
        EXPECT_NO_THROW(rows->Finish());
    }
    // Its seven passes need the whole picture.
    EXPECT_FALSE(platform::OpenPictureRows(QStringLiteral(OMBRASTELE_TEST_DATA_DIR "/interlaced-rgba.png")));
}

// Read ahead on a thread: damage reaches the caller at the row past it, and
// a caller that stops early stops the reader.
TEST(PictureRows, DamageReachesTheCallerAtItsRow) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("noise.png"));
    ASSERT_TRUE(testcups::MakeNoise(300, 400, 3).save(path, "PNG"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    const qint64 size = file.size();
    ASSERT_TRUE(file.resize(size / 2));
    file.close();
    platform::PictureRowsPtr rows = platform::OpenPictureRows(path);
    ASSERT_TRUE(rows);
    EXPECT_NO_THROW(rows->Row(10));
    EXPECT_THROW(rows->Row(399), platform::DamagedPicture);
    EXPECT_THROW(rows->Finish(), platform::DamagedPicture);
    ASSERT_TRUE(testcups::MakeNoise(300, 400, 3).save(path, "PNG"));
    rows = platform::OpenPictureRows(path);
    ASSERT_TRUE(rows);
    EXPECT_NO_THROW(rows->Row(0));
    rows.reset();  // returns: the reader has stopped
}
