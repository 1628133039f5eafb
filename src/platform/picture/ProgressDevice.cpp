#include "platform/picture/ProgressDevice.h"

#include "platform/base/Progress.h"

namespace platform {

ProgressDevice::ProgressDevice(QIODevice& inner) : mInner(inner), mSizeAtStart(inner.size()) {
    // Unbuffered: every read reaches readData, so the position reported is
    // the decoder's, not a read-ahead's.
    QIODevice::open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    if (!mInner.isSequential()) mInner.seek(0);
}

bool ProgressDevice::seek(qint64 pos) {
    if (!QIODevice::seek(pos)) return false;
    return mInner.seek(pos);
}

qint64 ProgressDevice::readData(char* data, qint64 maxSize) {
    if (mStopped) return -1;
    const qint64 total = mInner.size();
    if (!ReportProgressNoThrow(total > 0 ? double(mInner.pos()) / double(total) : 0.0)) {
        mStopped = true;
        return -1;
    }
    const qint64 got = mInner.read(data, maxSize);
    if (got < maxSize && mInner.pos() < mSizeAtStart && !mInner.isSequential()) mEndedEarly = true;
    return got;
}

}  // namespace platform
