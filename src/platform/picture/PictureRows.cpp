#include "platform/picture/PictureRows.h"

#include "platform/base/Failure.h"
#include "platform/base/FileNames.h"
#include "platform/picture/FileState.h"
#include "platform/picture/JpegRows.h"
#include "platform/picture/Picture.h"
#include "platform/picture/PngDecoder.h"

#include <QFile>
#include <vector>

namespace platform {
namespace {

// The rows of an open picture file through `Reader` (PngRowReader,
// JpegRowReader: Size, Read, End), the file watched for change.
template <class Reader>
class FileRows final : public PictureRows {
public:
    FileRows(std::unique_ptr<QFile> file, FileState before, std::unique_ptr<Reader> reader, const QString& shown)
        : mFile(std::move(file)), mBefore(before), mReader(std::move(reader)), mShown(shown),
          mRow(size_t(mReader->Size().width())) {}

    QSize Size() const override { return mReader->Size(); }

    const QRgb* Row(int y) override {
        if (y < mNext - 1 || y >= Size().height()) Fail(QStringLiteral("Picture rows asked for out of order"));
        while (mNext <= y) ReadNext();
        return mRow.data();
    }

    void Finish() override {
        if (mFinished) return;
        while (mNext < Size().height()) ReadNext();
        Checked([this] { mReader->End(); });
        if (StateOf(*mFile) != mBefore) throw DamagedPicture(mShown, ChangedWhileReadText());
        mFinished = true;
    }

private:
    void ReadNext() {
        Checked([this] { mReader->Read(mRow.data()); });
        ++mNext;
    }
    // A read that failed because the file changed under it says so.
    template <class Step>
    void Checked(Step step) {
        try {
            step();
        } catch (const Failure&) {
            if (StateOf(*mFile) != mBefore) throw DamagedPicture(mShown, ChangedWhileReadText());
            throw;
        }
    }

    std::unique_ptr<QFile> mFile;
    FileState mBefore;
    std::unique_ptr<Reader> mReader;
    QString mShown;
    std::vector<QRgb> mRow;
    int mNext = 0;  // the next row to read
    bool mFinished = false;
};

template <class Reader>
PictureRowsPtr Rows(std::unique_ptr<QFile> file, FileState before, std::unique_ptr<Reader> reader,
                    const QString& path) {
    auto rows = std::make_shared<FileRows<Reader>>(std::move(file), before, std::move(reader), ShownFileName(path));
    // Kept from being written over (a PDF named like it) from now on, as a
    // picture read whole is once read.
    KeepFromOverwriting(path, QStringLiteral("the picture"));
    return ReadAhead(std::move(rows));
}

}  // namespace

PictureRowsPtr OpenPictureRows(const QString& path) {
    auto file = std::make_unique<QFile>();
    OpenPictureFile(*file, path);
    const FileState before = StateOf(*file);
    const QString shown = ShownFileName(path);
    if (IsPng(*file)) {
        auto png = std::make_unique<PngRowReader>(*file, shown);
        if (png->Interlaced()) return nullptr;
        return Rows(std::move(file), before, std::move(png), path);
    }
    if (IsJpeg(*file)) {
        auto jpeg = std::make_unique<JpegRowReader>(*file, shown);
        if (!jpeg->ReadsAsIs()) return nullptr;
        return Rows(std::move(file), before, std::move(jpeg), path);
    }
    return nullptr;
}

}  // namespace platform
