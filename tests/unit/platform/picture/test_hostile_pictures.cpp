// Picture files from anywhere: headers that lie about the size, files cut
// short, empty files and folders. LoadPicture refuses each with a Failure,
// and its peak memory stays near what the file really holds, whatever the
// header claims (a claim is refused before its pixels are allocated).
#include "platform/base/Failure.h"
#include "platform/base/Progress.h"
#include "platform/picture/Picture.h"
#include "support/PictureFiles.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QtEndian>
#include <cstdio>
#include <functional>
#include <unistd.h>

namespace {

// --- Measuring peak resident memory -----------------------------------------

long StatusKb(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field)) return line.mid(qstrlen(field)).trimmed().split(' ').value(0).toLong();
    return -1;
}

// Growth of the peak resident set (VmHWM) while `f` runs, in KiB. Writing
// "5" to clear_refs sets the peak back to the present resident size, so the
// figure is this call's own and not an earlier test's.
long PeakGrowthKb(const std::function<void()>& f) {
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (!clear.open(QIODevice::WriteOnly) || clear.write("5") != 1) return -1;
    clear.close();
    const long before = StatusKb("VmHWM:");
    f();
    return StatusKb("VmHWM:") - before;
}

// --- Files with lying headers, written byte by byte --------------------------

void Le16(QByteArray& b, quint16 v) { b.append(char(v & 0xff)).append(char(v >> 8)); }
void Le32(QByteArray& b, quint32 v) { Le16(b, quint16(v & 0xffff)); Le16(b, quint16(v >> 16)); }
void Be16(QByteArray& b, quint16 v) { b.append(char(v >> 8)).append(char(v & 0xff)); }
void Be32(QByteArray& b, quint32 v) { Be16(b, quint16(v >> 16)); Be16(b, quint16(v & 0xffff)); }

quint32 Crc32(const QByteArray& data) {
    quint32 crc = 0xffffffffu;
    for (const char c : data) {
        crc ^= quint8(c);
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// A GIF whose screen and only image claim w x h, with one pixel of data.
QByteArray Gif(quint16 w, quint16 h) {
    QByteArray b("GIF89a");
    Le16(b, w);
    Le16(b, h);
    b.append('\x80').append('\0').append('\0');  // two-colour global palette
    b.append("\0\0\0\xff\xff\xff", 6);
    b.append('\x2c');
    Le16(b, 0);
    Le16(b, 0);
    Le16(b, w);
    Le16(b, h);
    b.append('\0');
    b.append("\x02\x02\x44\x01\x00", 5);  // LZW: clear, 0, end
    b.append('\x3b');
    return b;
}

// A 24-bit BMP whose header claims w x h (negative h: top-down rows), with
// one row of four pixels of data.
QByteArray Bmp(qint32 w, qint32 h) {
    QByteArray b("BM");
    Le32(b, 54 + 12);
    Le32(b, 0);
    Le32(b, 54);
    Le32(b, 40);
    Le32(b, quint32(w));
    Le32(b, quint32(h));
    Le16(b, 1);
    Le16(b, 24);
    for (int i = 0; i < 6; ++i) Le32(b, 0);
    b.append(QByteArray(12, '\x7f'));
    return b;
}

QByteArray PngChunk(const char* type, const QByteArray& data) {
    QByteArray b;
    Be32(b, quint32(data.size()));
    const QByteArray body = QByteArray(type) + data;
    b.append(body);
    Be32(b, Crc32(body));
    return b;
}

// A PNG whose IHDR claims w x h RGB pixels, with a few bytes of image data.
QByteArray Png(quint32 w, quint32 h) {
    QByteArray ihdr;
    Be32(ihdr, w);
    Be32(ihdr, h);
    ihdr.append("\x08\x02\x00\x00\x00", 5);
    QByteArray b("\x89PNG\r\n\x1a\n", 8);
    b.append(PngChunk("IHDR", ihdr));
    b.append(PngChunk("IDAT", QByteArray("\x78\x9c\x63\x00\x00\x00\x01\x00\x01", 9)));
    b.append(PngChunk("IEND", {}));
    return b;
}

// A real JPEG whose frame header (SOF0) is rewritten to claim w x h.
QByteArray Jpeg(quint16 w, quint16 h) {
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(Qt::gray);
    QByteArray b;
    QBuffer buffer(&b);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG");
    const int sof = b.indexOf("\xff\xc0");
    if (sof < 0) return {};
    // FF C0, length (2), precision (1), height (2), width (2).
    qToBigEndian(h, b.data() + sof + 5);
    qToBigEndian(w, b.data() + sof + 7);
    return b;
}

// A true picture of the format, for cutting short; empty when Qt cannot
// write it (TIFF and WebP come with plugins).
QByteArray Real(const char* format) {
    QImage image(200, 150, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) image.setPixel(x, y, qRgb(x, y, (x * y) & 0xff));
    QByteArray b;
    QBuffer buffer(&b);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return b;
}

// What the code under test writes to stderr (fd 2) while `f` runs.
QByteArray StderrOf(const std::function<void()>& f) {
    std::fflush(stderr);
    FILE* capture = std::tmpfile();
    const int saved = dup(2);
    dup2(fileno(capture), 2);
    f();
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
    std::rewind(capture);
    QByteArray said;
    char buffer[512];
    while (const size_t n = std::fread(buffer, 1, sizeof buffer, capture)) said.append(buffer, qsizetype(n));
    std::fclose(capture);
    return said;
}

QByteArray Overwritten(QByteArray b, qsizetype at, const QByteArray& with) { return b.replace(at, with.size(), with); }

// A sink that cuts the file to half its size once reading has passed a
// quarter of it, as another program writing it would.
class CutWhileRead final : public platform::ProgressSink {
public:
    explicit CutWhileRead(QString path) : mPath(std::move(path)) {}
    void Advance(double fraction) override {
        if (mCut || fraction < 0.25) return;
        QFile f(mPath);
        mCut = f.resize(f.size() / 2);
    }
    bool CancelRequested() override { return false; }
    bool mCut = false;

private:
    QString mPath;
};

struct Hostile {
    const char* name;
    QByteArray bytes;
};

// AddressSanitizer backs every allocation with shadow memory of an eighth of
// its size, made resident when the allocation is freed: that is the
// sanitizer's memory, not the decoder's, so the bound is checked without it.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

// Growth of the peak resident set a refused file may cause: the decoder's
// own buffers, never the pixels its header claims.
constexpr long kPeakBoundKb = 64 * 1024;

class HostilePictures : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(mDir.isValid());
        // Loads the image plugins once, so their code is not counted below.
        (void)QImage::fromData(Real("PNG"));
    }
    QString Write(const char* name, const QByteArray& bytes) {
        const QString path = mDir.filePath(QString::fromLatin1(name).replace(QLatin1Char(' '), QLatin1Char('_')));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }
    QTemporaryDir mDir;
};

}  // namespace

TEST_F(HostilePictures, LyingHeadersAreRefusedWithoutTheClaimedMemory) {
    const Hostile cases[] = {
        {"gif 65535 x 65535", Gif(65535, 65535)},
        {"gif 65535 x 1 screen, picture too", Gif(65535, 65535).replace(8, 2, "\x01\x00")},
        {"bmp huge", Bmp(0x7fffffff, 0x7fffffff)},
        {"bmp huge top-down", Bmp(0x7fffffff, -0x7fffffff)},
        {"bmp negative width", Bmp(-4, 1)},
        {"bmp most negative height", Bmp(4, qint32(0x80000000u))},
        {"bmp 100000 x 100000", Bmp(100000, 100000)},
        {"png 1000000 x 1000000", Png(1000000, 1000000)},
        {"png 2147483647 x 1", Png(0x7fffffff, 1)},
        {"png 30000 x 30000", Png(30000, 30000)},
        // Within the byte limit (about 1 GB), but cut short: the pixels that
        // are not in the file must not become resident.
        {"png 16000 x 16000", Png(16000, 16000)},
        {"jpeg 65535 x 65535", Jpeg(65535, 65535)},
        {"jpeg 65500 x 30000", Jpeg(65500, 30000)},
        {"jpeg 0 x 0", Jpeg(0, 0)},
    };
    for (const Hostile& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_FALSE(c.bytes.isEmpty());
        const QString path = Write(c.name, c.bytes);
        bool refused = false;
        const long growth = PeakGrowthKb([&] {
            try {
                platform::LoadPicture(path);
            } catch (const platform::Failure&) {
                refused = true;
            }
        });
        EXPECT_TRUE(refused);
        ASSERT_GE(growth, 0) << "cannot measure the peak resident size";
        if (!kSanitized) EXPECT_LT(growth, kPeakBoundKb) << "peak grew by " << growth << " KiB";
    }
}

TEST_F(HostilePictures, EmptyCutShortAndNonFilesAreRefused) {
    QDir(mDir.path()).mkdir(QStringLiteral("folder.png"));
    struct Case {
        const char* name;
        QString path;
    };
    std::vector<Case> cases = {
        {"zero bytes", Write("empty.gif", {})},
        {"folder", mDir.filePath(QStringLiteral("folder.png"))},
        {"missing", mDir.filePath(QStringLiteral("missing.bmp"))},
        {"text", Write("text.jpg", "GIF8 is not enough")},
        // Found by the fuzzer: a BMP header of figures so large that its
        // rows times their bytes overflowed 64 bits.
        {"bmp of overflowing figures",
         Write("overflow.bmp", QByteArray::fromHex("424d4600fcffffff080000000008b019050070602f2a2058504d00000001"
                                                   "00000000ffff7e785b7d1f10be"))},
    };
    // Every format cut after its header, in the middle of its pixels.
    for (const char* format : {"PNG", "BMP", "JPEG"}) {
        const QByteArray real = Real(format);
        cases.push_back({format, Write(format, real.left(real.size() / 2))});
        cases.push_back({format, Write((QByteArray(format) + "-head").constData(), real.left(20))});
    }
    cases.push_back({"GIF", Write("gif-cut", Gif(300, 300).left(20))});
    const QString gif = mDir.filePath(QStringLiteral("real.gif"));
    ASSERT_TRUE(testcups::WriteGif(testcups::MakePaletteNoise(200, 150, 256, 7), -1, gif));
    QFile real(gif);
    ASSERT_TRUE(real.open(QIODevice::ReadOnly));
    const QByteArray gifBytes = real.readAll();
    cases.push_back({"GIF", Write("GIF", gifBytes.left(gifBytes.size() / 2))});
    // A JPEG whose end marker is there but belongs to a thumbnail before the
    // picture's own scan: an APP1 segment holding FF D9, then the picture cut.
    const QByteArray jpeg = Real("JPEG");
    QByteArray withThumbnail = jpeg.left(2) + QByteArray("\xff\xe1\x00\x06\xff\xd9\x00\x00", 8) + jpeg.mid(2);
    cases.push_back({"JPEG", Write("jpeg-thumb", withThumbnail.left(withThumbnail.size() * 2 / 3))});
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + c.path.toStdString());
        EXPECT_THROW(platform::LoadPicture(c.path), platform::Failure);
    }
}

// The checks for a cut file must not refuse whole ones: every format whole,
// a JPEG with bytes after its end marker, a BMP with bytes after its rows.
TEST_F(HostilePictures, WholeFilesWithTrailingBytesAreRead) {
    for (const char* format : {"PNG", "BMP", "JPEG"}) {
        for (const QByteArray& tail : {QByteArray(), QByteArray(100, '\0')}) {
            SCOPED_TRACE(std::string(format) + (tail.isEmpty() ? "" : " with trailing bytes"));
            const QString path = Write(format, Real(format) + tail);
            platform::PicturePtr picture;
            ASSERT_NO_THROW(picture = platform::LoadPicture(path));
            EXPECT_EQ(picture->Image().size(), QSize(200, 150));
        }
    }
}

// The same decoding from memory (what the fuzzer feeds) refuses the same.
TEST_F(HostilePictures, DecodingFromMemoryRefusesLikeFromAFile) {
    for (const QByteArray& bytes : {Gif(65535, 65535), Bmp(-4, 1), Png(30000, 30000), QByteArray()}) {
        QBuffer buffer;
        buffer.setData(bytes);
        ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
        EXPECT_THROW(platform::LoadPictureFromDevice(buffer, QStringLiteral("memory")), platform::Failure);
    }
    QBuffer good;
    good.setData(Real("PNG"));
    ASSERT_TRUE(good.open(QIODevice::ReadOnly));
    const platform::PicturePtr picture = platform::LoadPictureFromDevice(good, QStringLiteral("memory"));
    EXPECT_EQ(picture->Image().size(), QSize(200, 150));
}

// A picture read in part is no picture: whether it was cut before it was
// opened, cut while it was read or damaged inside, it is refused as damaged,
// and the decoder's own words stay off stderr.
TEST_F(HostilePictures, CutOrDamagedPicturesAreRefusedAndTheDecoderSaysNothing) {
    const QByteArray png = Real("PNG"), jpeg = Real("JPEG"), bmp = Real("BMP"), tiff = Real("TIFF"),
                     webp = Real("WEBP");
    QByteArray gif;
    {
        const QString path = mDir.filePath(QStringLiteral("whole.gif"));
        ASSERT_TRUE(testcups::WriteGif(testcups::MakePaletteNoise(200, 150, 256, 7), -1, path));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        gif = f.readAll();
    }
    std::vector<Hostile> cases = {
        {"png cut in its data", png.left(png.size() / 2)},
        {"png without its end", png.left(png.size() - 12)},
        {"png data damaged", Overwritten(png, png.size() / 2, QByteArray(16, '\x55'))},
        {"jpeg cut", jpeg.left(jpeg.size() * 3 / 4)},
        {"jpeg scan damaged", Overwritten(jpeg, jpeg.size() * 2 / 3, QByteArray("\xff\x13\x37\x00\xff\x00", 6))},
        {"bmp cut", bmp.left(bmp.size() - 100)},
        {"gif cut", gif.left(gif.size() / 2)},
    };
    if (!tiff.isEmpty()) cases.push_back({"tiff cut", tiff.left(tiff.size() * 3 / 4)});
    if (!webp.isEmpty()) cases.push_back({"webp cut", webp.left(webp.size() / 2)});
    for (const Hostile& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = Write(c.name, c.bytes);
        bool damaged = false;
        const QByteArray said = StderrOf([&] {
            try {
                platform::LoadPicture(path);
            } catch (const platform::DamagedPicture&) {
                damaged = true;
            } catch (const platform::Failure&) {
            }
        });
        EXPECT_TRUE(damaged);
        EXPECT_EQ(said, QByteArray());
    }

    // Cut while the decoder reads it: formats whose decoders say so, and
    // those that would fill the rest grey or black without a word.
    for (const auto& [name, bytes] : {std::pair{"png", png}, std::pair{"jpeg", jpeg}, std::pair{"bmp", bmp},
                                      std::pair{"gif", gif}}) {
        SCOPED_TRACE(std::string("cut while read: ") + name);
        const QString path = Write(name, bytes);
        CutWhileRead cutter(path);
        const platform::ProgressScope scope(&cutter);
        QString reason;
        const QByteArray said = StderrOf([&] {
            try {
                platform::LoadPicture(path);
            } catch (const platform::DamagedPicture& d) {
                reason = d.reason;
            }
        });
        EXPECT_TRUE(cutter.mCut);
        EXPECT_FALSE(reason.isEmpty());
        EXPECT_EQ(said, QByteArray());
    }
}

// The size rule at its edges, and in the words that say it: a figure above
// the limit is never rounded down to it.
TEST(PictureSizeRule, TheLimitIsKeptAndSaidWithoutRoundingDown) {
    const struct {
        QSize size;
        bool tooLarge;
        const char* text;
    } cases[] = {
        {{16384, 16384}, false, nullptr},
        {{16384, 16385}, true, "16384 x 16385 pixels need 1025 MiB decoded, more than the 1024 MiB allowed"},
        {{32768, 8192}, false, nullptr},
        {{32767, 32767}, true, "32767 x 32767 pixels need 4096 MiB decoded, more than the 1024 MiB allowed"},
        {{2147483647, 2147483647}, true,
         "2147483647 x 2147483647 pixels need 17592186028033 MiB decoded, more than the 1024 MiB allowed"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(platform::TooLargeToDecode(c.size), c.tooLarge) << c.size.width() << " x " << c.size.height();
        if (c.text) EXPECT_EQ(platform::TooLargeToDecodeText(c.size), QString::fromLatin1(c.text));
    }
}
