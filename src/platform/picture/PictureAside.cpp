// Decoding a picture off the GUI thread, its progress relayed back.
#include "platform/base/Failure.h"
#include "platform/picture/Picture.h"
#include "platform/base/Progress.h"

#include <atomic>
#include <chrono>
#include <future>

namespace platform {
namespace {

// The worker's sink: what it reports is read by the waiting thread, and a
// cancel asked there is seen here at the decoder's next read.
class Relay final : public ProgressSink {
public:
    void Advance(double fraction) override { mFraction.store(fraction); }
    bool CancelRequested() override { return mCancel.load(); }
    double Fraction() const { return mFraction.load(); }
    void Cancel() { mCancel.store(true); }

private:
    std::atomic<double> mFraction{0.0};
    std::atomic<bool> mCancel{false};
};

// How often the waiting thread looks at the worker.
constexpr auto kLookEvery = std::chrono::milliseconds(15);

}  // namespace

PicturePtr LoadPictureAside(const QString& path) {
    Relay relay;
    std::future<QImage> decoded = std::async(std::launch::async, [&relay, path] {
        const ProgressScope scope(&relay);
        return DecodePicture(path);
    });
    bool cancelled = false;
    // The worker is always waited for: it uses `relay`, and it ends soon
    // after a cancel, its reads refused.
    while (decoded.wait_for(kLookEvery) != std::future_status::ready)
        if (!cancelled && !ReportProgressNoThrow(relay.Fraction())) {
            cancelled = true;
            relay.Cancel();
        }
    QImage image = decoded.get();  // the worker's failure, Cancelled included, goes on from here
    if (cancelled) throw Cancelled();
    ReportProgress(1.0);
    return std::make_shared<const Picture>(std::move(image));
}

}  // namespace platform
