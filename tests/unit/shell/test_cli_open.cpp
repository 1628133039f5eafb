// Opening a picture from outside the Open dialog: the command line's PICTURE
// and a file dropped on the main window; and the picture formats and
// orientations the decoder takes.
#include "platform/picture/Picture.h"
#include "support/RecordingPrinter.h"
#include "preview/ucPageLayout.h"
#include "properties/ucProperties.h"
#include "shell/AppBootstrap.h"
#include "shell/Module1.h"
#include "shell/frmMain.h"
#include "support/PanelControls.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QImageWriter>
#include <QLabel>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>

namespace {

QImage Pattern(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) image.setPixel(x, y, qRgb(x * 255 / w, y * 255 / h, (x * 7 + y * 13) % 256));
    return image;
}

class OpenFromOutside : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SetCurrentPrinter(std::make_shared<platform::RecordingPrinter>());
        mPicture = mDir.filePath(QStringLiteral("picture.png"));
        ASSERT_TRUE(Pattern(31, 17).save(mPicture, "PNG"));
        mOther = mDir.filePath(QStringLiteral("other.bmp"));
        ASSERT_TRUE(Pattern(12, 9).save(mOther, "BMP"));
        mText = mDir.filePath(QStringLiteral("text.gif"));
        QFile f(mText);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("plain text\n");
    }
    void TearDown() override { platform::SetCurrentPrinter(nullptr); }

    // Sends a drag of `urls` over the window and, when it was accepted, the drop.
    static bool Drop(frmMain& form, const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        const QPoint at(form.width() / 2, form.height() / 2);
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        enter.setAccepted(false);
        QApplication::sendEvent(&form, &enter);
        if (!enter.isAccepted()) return false;
        QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&form, &drop);
        return true;
    }

    QTemporaryDir mDir;
    QString mPicture, mOther, mText;
};

}  // namespace

TEST_F(OpenFromOutside, OpenPictureHandsTheSameObjectToPanelAndPreview) {
    frmMain form;
    form.OpenPicture(mPicture);
    ASSERT_TRUE(form.ucPageLayout1->gPicture);
    EXPECT_EQ(form.ucProperties1->gPixelsX, 31);
    EXPECT_EQ(form.ucProperties1->gPixelsY, 17);
    EXPECT_EQ(PanelLabel(*form.ucProperties1, "lblSize")->text(), QStringLiteral("31 x 17 pixels"));

    // Not a picture, a missing file: silently nothing changes.
    const platform::PicturePtr before = form.ucPageLayout1->gPicture;
    for (const QString& path : {mText, mDir.filePath(QStringLiteral("missing.png")), mDir.path()}) {
        form.OpenPicture(path);
        EXPECT_EQ(form.ucPageLayout1->gPicture, before) << path.toStdString();
        EXPECT_EQ(form.ucProperties1->gPixelsX, 31);
    }
}

TEST_F(OpenFromOutside, DroppedFileOpensLikeOpen) {
    frmMain form;
    ASSERT_TRUE(form.acceptDrops());
    EXPECT_TRUE(Drop(form, {QUrl::fromLocalFile(mPicture)}));
    ASSERT_TRUE(form.ucPageLayout1->gPicture);
    EXPECT_EQ(form.ucProperties1->gPixelsX, 31);

    // A second picture replaces the first.
    EXPECT_TRUE(Drop(form, {QUrl::fromLocalFile(mOther)}));
    EXPECT_EQ(form.ucProperties1->gPixelsX, 12);
    EXPECT_EQ(form.ucPageLayout1->gPicture->Image().width(), 12);

    // A file that is not a picture is taken and changes nothing.
    const platform::PicturePtr before = form.ucPageLayout1->gPicture;
    EXPECT_TRUE(Drop(form, {QUrl::fromLocalFile(mText)}));
    EXPECT_EQ(form.ucPageLayout1->gPicture, before);

    // Several files, or none that is local, are refused at the door.
    EXPECT_FALSE(Drop(form, {QUrl::fromLocalFile(mPicture), QUrl::fromLocalFile(mOther)}));
    EXPECT_FALSE(Drop(form, {QUrl(QStringLiteral("https://example.org/picture.png"))}));
    EXPECT_FALSE(Drop(form, {}));
    EXPECT_EQ(form.ucPageLayout1->gPicture, before);
}

TEST_F(OpenFromOutside, CommandLinePictureIsOpenWhenTheWindowShows) {
    for (const auto& [path, opened] : {std::pair{mPicture, true}, std::pair{mText, false}}) {
        cli::Request request;
        request.picture = path;
        StartWindow(request);
        frmMain* form = Module1::gMainForm;
        ASSERT_NE(form, nullptr);
        EXPECT_TRUE(form->isVisible());
        EXPECT_TRUE(form->acceptDrops());
        EXPECT_EQ(bool(form->ucPageLayout1->gPicture), opened) << path.toStdString();
        EXPECT_EQ(form->ucProperties1->gPixelsX, opened ? 31 : 0);
        form->close();
        QApplication::processEvents();
    }
}

TEST(PictureFormats, EachFormatDecodesToItsPixels) {
    QTemporaryDir dir;
    const QImage source = Pattern(23, 11);
    const struct {
        const char* format;
        bool exact;
    } formats[] = {{"png", true}, {"bmp", true}, {"tiff", true}, {"webp", true}, {"jpeg", false}, {"gif", false}};
    const QList<QByteArray> writable = QImageWriter::supportedImageFormats();
    for (const auto& f : formats) {
        if (!writable.contains(f.format)) {
            // PNG, BMP and JPEG are required; the others come with plugins.
            EXPECT_TRUE(std::string(f.format) != "png" && std::string(f.format) != "bmp" &&
                        std::string(f.format) != "jpeg")
                << f.format;
            continue;
        }
        // A neutral name: the content decides the format.
        const QString path = dir.filePath(QStringLiteral("picture-%1.dat").arg(QString::fromLatin1(f.format)));
        QImageWriter writer(path, f.format);
        if (std::string(f.format) == "webp") writer.setQuality(100);  // lossless
        ASSERT_TRUE(writer.write(source)) << f.format;
        const platform::PicturePtr picture = platform::LoadPicture(path);
        ASSERT_EQ(picture->Image().size(), source.size()) << f.format;
        if (!f.exact) continue;
        const QImage decoded = picture->Image().convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < source.height(); ++y)
            for (int x = 0; x < source.width(); ++x)
                ASSERT_EQ(decoded.pixel(x, y), source.pixel(x, y)) << f.format << " at " << x << ", " << y;
    }
}

// 16 bits a channel come as 8, the page's depth: every pixel the nearest
// 8-bit value, transparency kept.
TEST(PictureFormats, SixteenBitsAChannelDecodeToEight) {
    QTemporaryDir dir;
    QImage source = Pattern(23, 11).convertToFormat(QImage::Format_ARGB32);
    source.setPixel(3, 4, qRgba(10, 20, 30, 128));
    for (const auto& [format, depth] : {std::pair{"png", QImage::Format_RGBA64}, std::pair{"png", QImage::Format_Grayscale16},
                                        std::pair{"tiff", QImage::Format_RGBA64}}) {
        if (!QImageWriter::supportedImageFormats().contains(format)) continue;
        SCOPED_TRACE(std::string(format) + " " + std::to_string(int(depth)));
        const QImage deep = source.convertToFormat(depth);
        const QString path = dir.filePath(QStringLiteral("deep.%1").arg(QString::fromLatin1(format)));
        ASSERT_TRUE(QImageWriter(path, format).write(deep));
        const QImage got = platform::LoadPicture(path)->Image();
        EXPECT_LE(got.depth(), 32);
        const QImage expected = deep.convertToFormat(QImage::Format_ARGB32);
        const QImage decoded = got.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < source.height(); ++y)
            for (int x = 0; x < source.width(); ++x)
                ASSERT_EQ(decoded.pixel(x, y), expected.pixel(x, y)) << x << ", " << y;
    }
}

// Interlaced: each of its seven passes lands where Qt's own reader puts it.
TEST(PictureFormats, InterlacedPngDecodesLikeQtsReader) {
    const QString path = QStringLiteral(OMBRASTELE_TEST_DATA_DIR "/interlaced-rgba.png");
    const QImage expected = QImage(path).convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(expected.size(), QSize(23, 11));
    const QImage got = platform::LoadPicture(path)->Image();
    EXPECT_EQ(got.format(), expected.format());
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x)
            ASSERT_EQ(got.pixel(x, y), expected.pixel(x, y)) << x << ", " << y;
}

TEST(PictureFormats, OrientationTagTurnsThePictureUprightKeepingEveryPixel) {
    QTemporaryDir dir;
    const QImage source = Pattern(6, 4);
    // The tag says how to turn the stored pixels to show them upright.
    const struct {
        QImageIOHandler::Transformation tag;
        QTransform turn;
        bool mirrored;
    } cases[] = {
        {QImageIOHandler::TransformationNone, QTransform(), false},
        {QImageIOHandler::TransformationRotate90, QTransform().rotate(90), false},
        {QImageIOHandler::TransformationRotate180, QTransform().rotate(180), false},
        {QImageIOHandler::TransformationRotate270, QTransform().rotate(270), false},
        {QImageIOHandler::TransformationMirror, QTransform(), true},
    };
    int exactChecks = 0;
    for (const char* format : {"tiff", "jpeg"}) {
        if (!QImageWriter::supportedImageFormats().contains(format)) continue;
        for (const auto& c : cases) {
            const QString path = dir.filePath(QStringLiteral("turned.%1").arg(QString::fromLatin1(format)));
            QImageWriter writer(path, format);
            if (!writer.supportsOption(QImageIOHandler::ImageTransformation)) break;
            writer.setTransformation(c.tag);
            writer.setQuality(100);
            ASSERT_TRUE(writer.write(source));
            QImage expected = source.transformed(c.turn);
            if (c.mirrored) expected = expected.mirrored(true, false);
            const QImage got = platform::LoadPicture(path)->Image().convertToFormat(QImage::Format_RGB32);
            ASSERT_EQ(got.size(), expected.size()) << format << " tag " << int(c.tag);
            if (std::string(format) != "tiff") continue;  // JPEG is lossy: the size tells the turn
            ++exactChecks;
            for (int y = 0; y < got.height(); ++y)
                for (int x = 0; x < got.width(); ++x)
                    ASSERT_EQ(got.pixel(x, y), expected.pixel(x, y)) << "tag " << int(c.tag) << " at " << x << ", " << y;
        }
    }
    if (QImageWriter::supportedImageFormats().contains("tiff")) EXPECT_EQ(exactChecks, int(std::size(cases)));
}
