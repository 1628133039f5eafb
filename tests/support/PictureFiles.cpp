#include "support/PictureFiles.h"

#include <QFile>
#include <random>

namespace testcups {

namespace {

// Packs variable-width codes least significant bit first into GIF sub-blocks.
class CodeWriter {
public:
    void Put(int code, int bits) {
        mAcc |= quint32(code) << mCount;
        mCount += bits;
        while (mCount >= 8) {
            mBytes.append(char(mAcc & 0xff));
            mAcc >>= 8;
            mCount -= 8;
        }
    }
    QByteArray Finish() {
        if (mCount > 0) mBytes.append(char(mAcc & 0xff));
        QByteArray blocks;
        for (int i = 0; i < mBytes.size(); i += 255) {
            const QByteArray chunk = mBytes.mid(i, 255);
            blocks.append(char(chunk.size()));
            blocks.append(chunk);
        }
        blocks.append(char(0));
        return blocks;
    }

private:
    QByteArray mBytes;
    quint32 mAcc = 0;
    int mCount = 0;
};

void Le16(QByteArray& b, int v) {
    b.append(char(v & 0xff));
    b.append(char((v >> 8) & 0xff));
}

}  // namespace

bool WriteGif(const QImage& image, int transparentIndex, const QString& path) {
    if (image.format() != QImage::Format_Indexed8 || image.colorCount() > 256) return false;
    QByteArray b("GIF89a");
    Le16(b, image.width());
    Le16(b, image.height());
    b.append(char(0xF7));  // global colour table, 8 bits, 256 entries
    b.append(char(0));
    b.append(char(0));
    for (int i = 0; i < 256; ++i) {
        const QRgb c = i < image.colorCount() ? image.color(i) : qRgb(0, 0, 0);
        b.append(char(qRed(c)));
        b.append(char(qGreen(c)));
        b.append(char(qBlue(c)));
    }
    if (transparentIndex >= 0) {
        b.append("\x21\xF9\x04", 3);
        b.append(char(0x01));  // transparent colour flag
        Le16(b, 0);
        b.append(char(transparentIndex));
        b.append(char(0));
    }
    b.append(char(0x2C));
    Le16(b, 0);
    Le16(b, 0);
    Le16(b, image.width());
    Le16(b, image.height());
    b.append(char(0));
    b.append(char(8));  // minimum code size
    // Every pixel is sent as its own literal; a clear code every 200 codes
    // keeps the decoder's table (and so the code width) at 9 bits.
    CodeWriter w;
    const int clear = 256, end = 257;
    int sinceClear = 0;
    w.Put(clear, 9);
    for (int y = 0; y < image.height(); ++y) {
        const uchar* line = image.constScanLine(y);
        for (int x = 0; x < image.width(); ++x) {
            if (sinceClear == 200) {
                w.Put(clear, 9);
                sinceClear = 0;
            }
            w.Put(line[x], 9);
            ++sinceClear;
        }
    }
    w.Put(end, 9);
    b.append(w.Finish());
    b.append(char(0x3B));
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(b) == b.size();
}

QImage MakePaletteNoise(int width, int height, int colours, quint32 seed) {
    std::mt19937 rng(seed);
    QImage image(width, height, QImage::Format_Indexed8);
    QVector<QRgb> table;
    for (int i = 0; i < colours; ++i) table.append(qRgb(rng() & 0xff, rng() & 0xff, rng() & 0xff));
    image.setColorTable(table);
    for (int y = 0; y < height; ++y) {
        uchar* line = image.scanLine(y);
        for (int x = 0; x < width; ++x) line[x] = uchar(rng() % unsigned(colours));
    }
    return image;
}

int BmpBitsPerPixel(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return 0;
    const QByteArray h = f.read(30);
    if (h.size() < 30 || !h.startsWith("BM")) return 0;
    return uchar(h[28]) | (uchar(h[29]) << 8);
}

int JpegComponents(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return 0;
    const QByteArray d = f.readAll();
    for (int i = 2; i + 9 < d.size();) {
        if (uchar(d[i]) != 0xFF) return 0;
        const int marker = uchar(d[i + 1]);
        const int len = (uchar(d[i + 2]) << 8) | uchar(d[i + 3]);
        if (marker == 0xC0 || marker == 0xC1 || marker == 0xC2) return uchar(d[i + 9]);
        i += 2 + len;
    }
    return 0;
}

}  // namespace testcups
