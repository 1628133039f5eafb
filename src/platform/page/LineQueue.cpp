#include "platform/page/LineQueue.h"

#include <algorithm>

namespace platform {

LineQueue::LineQueue(size_t lineBytes, Write write, size_t linesPerBatch, size_t batches)
    : mLineBytes(lineBytes), mPerBatch(std::max<size_t>(linesPerBatch, 1)), mWrite(std::move(write)),
      mBatches(std::max<size_t>(batches, 2)) {
    for (Batch& b : mBatches) {
        b.bytes.resize(mLineBytes * mPerBatch);
        b.again.resize(mPerBatch);
    }
    mWriter = std::thread([this] { Run(); });
}

LineQueue::~LineQueue() {
    {
        const std::lock_guard<std::mutex> hold(mLock);
        mStop = true;
    }
    mChanged.notify_all();
    mWriter.join();
}

void LineQueue::Run() {
    for (;;) {
        size_t index = 0;
        {
            std::unique_lock<std::mutex> hold(mLock);
            mChanged.wait(hold, [this] { return mStop || mWritten < mHanded; });
            if (mStop) return;
            index = mWritten % mBatches.size();
        }
        // The batch is the writer's alone until it is counted written.
        const Batch& batch = mBatches[index];
        std::exception_ptr failure;
        try {
            for (size_t i = 0; i < batch.lines; ++i)
                mWrite(batch.again[i] ? nullptr : batch.bytes.data() + i * mLineBytes);
        } catch (...) {
            failure = std::current_exception();
        }
        {
            const std::lock_guard<std::mutex> hold(mLock);
            ++mWritten;
            if (failure) mFailure = failure;
        }
        mChanged.notify_all();
        if (failure) return;
    }
}

void LineQueue::Hand() {
    std::unique_lock<std::mutex> hold(mLock);
    ++mHanded;
    mChanged.notify_all();
    // The next batch to fill must be written already.
    mChanged.wait(hold, [this] { return mFailure || mHanded - mWritten < mBatches.size(); });
    if (mFailure) std::rethrow_exception(mFailure);
    mFilling = mHanded % mBatches.size();
    mBatches[mFilling].lines = 0;
}

LineQueue::Batch& LineQueue::Room() {
    if (mBatches[mFilling].lines == mPerBatch) Hand();
    return mBatches[mFilling];
}

unsigned char* LineQueue::Next() {
    Batch& batch = Room();
    batch.again[batch.lines] = false;
    return batch.bytes.data() + mLineBytes * batch.lines++;
}

void LineQueue::Again() {
    Batch& batch = Room();
    batch.again[batch.lines++] = true;
}

void LineQueue::Finish() {
    if (mBatches[mFilling].lines > 0) Hand();
    std::unique_lock<std::mutex> hold(mLock);
    mChanged.wait(hold, [this] { return mFailure || mWritten == mHanded; });
    if (mFailure) std::rethrow_exception(mFailure);
}

}  // namespace platform
