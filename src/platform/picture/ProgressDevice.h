#pragma once
// A read-only view of an open, random-access device that reports how far
// reading has come (position over size) to the current progress stage. A
// decoder reading through it cannot be interrupted by an exception (its C
// code would leak), so a cancel makes every further read fail instead, and
// Stopped() tells the caller why the decoder gave up.
#include <QIODevice>

namespace platform {

class ProgressDevice final : public QIODevice {
public:
    // `inner` stays open and owned by the caller; reading starts at its start.
    explicit ProgressDevice(QIODevice& inner);

    bool isSequential() const override { return mInner.isSequential(); }
    qint64 size() const override { return mInner.size(); }
    bool seek(qint64 pos) override;
    // Whether a read was refused because the user asked to stop.
    bool Stopped() const { return mStopped; }
    // Whether the data ended before the size the device had at the start:
    // the file was cut while it was read (a decoder may not say so).
    bool EndedEarly() const { return mEndedEarly; }

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QIODevice& mInner;
    qint64 mSizeAtStart;
    bool mStopped = false;
    bool mEndedEarly = false;
};

}  // namespace platform
