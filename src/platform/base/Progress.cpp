#include "platform/base/Progress.h"

#include "platform/base/Failure.h"

#include <algorithm>

namespace platform {
namespace {
// One task per thread reports at a time; the range is where the current
// stage's 0..1 lands in the task's 0..1.
struct State {
    ProgressSink* sink = nullptr;
    double from = 0;
    double to = 1;
    double reached = 0;  // a stage that reads back and forth never shows going back
};
thread_local State tState;
}  // namespace

ProgressScope::ProgressScope(ProgressSink* sink)
    : mOuterSink(tState.sink), mOuterFrom(tState.from), mOuterTo(tState.to), mOuterReached(tState.reached) {
    tState = State{sink, 0, 1, 0};
}

ProgressScope::~ProgressScope() { tState = State{mOuterSink, mOuterFrom, mOuterTo, mOuterReached}; }

ProgressStage::ProgressStage(double from, double to) : mOuterFrom(tState.from), mOuterTo(tState.to) {
    const double span = mOuterTo - mOuterFrom;
    from = std::clamp(from, 0.0, 1.0);
    to = std::clamp(to, from, 1.0);
    tState.from = mOuterFrom + span * from;
    tState.to = mOuterFrom + span * to;
}

ProgressStage::~ProgressStage() {
    tState.from = mOuterFrom;
    tState.to = mOuterTo;
}

bool ReportProgressNoThrow(double fraction) noexcept {
    ProgressSink* sink = tState.sink;
    if (!sink) return true;
    // Not a number counts as nothing done yet.
    const double f = fraction == fraction ? std::clamp(fraction, 0.0, 1.0) : 0.0;
    try {
        tState.reached = std::max(tState.reached, tState.from + (tState.to - tState.from) * f);
        sink->Advance(tState.reached);
        return !sink->CancelRequested();
    } catch (...) {
        // A sink that fails cannot show progress; the task goes on.
        return true;
    }
}

void ReportProgress(double fraction) {
    if (!ReportProgressNoThrow(fraction)) throw Cancelled();
}

}  // namespace platform
