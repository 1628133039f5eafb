#include "platform/base/Failure.h"
#include "platform/picture/PictureRows.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace platform {
namespace {

// Rows kept ahead: about 1 MiB of them, at least 2 (the caller's and the
// next).
constexpr size_t kAheadBytes = size_t(1) << 20;

// A ring of rows: row y lives in slot y % window. The reader fills row y
// only once the caller has moved past row y - window (the caller's row stays
// valid until its next call), so the two never touch the same slot.
class AheadRows final : public PictureRows {
public:
    explicit AheadRows(PictureRowsPtr inner)
        : mInner(std::move(inner)), mSize(mInner->Size()), mWidth(size_t(mSize.width())),
          mWindow(int(std::max<size_t>(2, std::min(kAheadBytes / (mWidth * sizeof(QRgb)), size_t(mSize.height()))))),
          mRing(mWidth * size_t(mWindow)), mReader([this] { Read(); }) {}

    ~AheadRows() override {
        {
            const std::lock_guard lock(mMutex);
            mStop = true;
        }
        mChanged.notify_all();
        mReader.join();
    }
    AheadRows(const AheadRows&) = delete;
    AheadRows& operator=(const AheadRows&) = delete;

    QSize Size() const override { return mSize; }

    const QRgb* Row(int y) override {
        std::unique_lock lock(mMutex);
        if (y < mCurrent || y >= mSize.height()) Fail(QStringLiteral("Picture rows asked for out of order"));
        mCurrent = y;  // the rows before it are free again
        mChanged.notify_all();
        mChanged.wait(lock, [&] { return mRead > y || mError; });
        if (mRead <= y) std::rethrow_exception(mError);
        return Slot(y);
    }

    void Finish() override {
        std::unique_lock lock(mMutex);
        mCurrent = mSize.height();
        mChanged.notify_all();
        mChanged.wait(lock, [&] { return mFinished || mError; });
        if (!mFinished) std::rethrow_exception(mError);
    }

private:
    QRgb* Slot(int y) { return mRing.data() + size_t(y % mWindow) * mWidth; }

    void Read() {
        try {
            for (int y = 0; y < mSize.height(); ++y) {
                {
                    std::unique_lock lock(mMutex);
                    mChanged.wait(lock, [&] { return mStop || y < mCurrent + mWindow; });
                    if (mStop) return;
                }
                const QRgb* row = mInner->Row(y);
                std::copy(row, row + mWidth, Slot(y));
                {
                    const std::lock_guard lock(mMutex);
                    mRead = y + 1;
                }
                mChanged.notify_all();
            }
            mInner->Finish();
            const std::lock_guard lock(mMutex);
            mFinished = true;
        } catch (...) {
            const std::lock_guard lock(mMutex);
            mError = std::current_exception();
        }
        mChanged.notify_all();
    }

    const PictureRowsPtr mInner;
    const QSize mSize;
    const size_t mWidth;
    const int mWindow;
    std::vector<QRgb> mRing;
    std::mutex mMutex;
    std::condition_variable mChanged;
    int mCurrent = -1;  // the caller's row
    int mRead = 0;      // rows read so far
    bool mFinished = false;
    bool mStop = false;
    std::exception_ptr mError;
    std::thread mReader;  // last: starts once everything it uses is made
};

}  // namespace

PictureRowsPtr ReadAhead(PictureRowsPtr rows) { return std::make_shared<AheadRows>(std::move(rows)); }

}  // namespace platform
