#include "platform/picture/PictureRows.h"

#include "platform/base/Failure.h"
#include "platform/base/FileNames.h"
#include "platform/picture/FileState.h"
#include "platform/picture/Picture.h"
#include "platform/picture/PngDecoder.h"

#include <QFile>
#include <optional>
#include <vector>

namespace platform {
namespace {

class PngRows final : public PictureRows {
public:
    PngRows(const QString& path, const QString& shown) : mPath(path), mShown(shown) {}

    // False when the picture must be read whole.
    bool Open() {
        OpenPictureFile(mFile, mPath);
        mBefore = StateOf(mFile);
        if (!IsPng(mFile)) return false;
        mPng.emplace(mFile, mShown);
        if (mPng->Interlaced()) return false;
        mRow.resize(size_t(mPng->Size().width()));
        // Kept from being written over (a PDF named like it) from now on, as
        // a picture read whole is once read.
        KeepFromOverwriting(mPath, QStringLiteral("the picture"));
        return true;
    }

    QSize Size() const override { return mPng->Size(); }

    const QRgb* Row(int y) override {
        if (y < mNext - 1 || y >= Size().height()) Fail(QStringLiteral("Picture rows asked for out of order"));
        while (mNext <= y) ReadNext();
        return mRow.data();
    }

    void Finish() override {
        if (mFinished) return;
        while (mNext < Size().height()) ReadNext();
        Checked([this] { mPng->End(); });
        if (StateOf(mFile) != mBefore) throw DamagedPicture(mShown, ChangedWhileReadText());
        mFinished = true;
    }

private:
    void ReadNext() {
        Checked([this] { mPng->Read(mRow.data()); });
        ++mNext;
    }
    // A read that failed because the file changed under it says so.
    template <class Step>
    void Checked(Step step) {
        try {
            step();
        } catch (const Failure&) {
            if (StateOf(mFile) != mBefore) throw DamagedPicture(mShown, ChangedWhileReadText());
            throw;
        }
    }

    QString mPath;
    QString mShown;
    QFile mFile;
    FileState mBefore;
    std::optional<PngRowReader> mPng;
    std::vector<QRgb> mRow;
    int mNext = 0;  // the next row to read
    bool mFinished = false;
};

}  // namespace

PictureRowsPtr OpenPictureRows(const QString& path) {
    auto rows = std::make_shared<PngRows>(path, ShownFileName(path));
    if (!rows->Open()) return nullptr;
    return rows;
}

}  // namespace platform
