#pragma once
// How far a long task has come, and whether the user wants it stopped. The
// window shows a progress dialog, the command line a percentage on a
// terminal; the work itself (the page's strips, the PDF copy, the upload to
// the scheduler, decoding a picture) only reports into the current stage.
//
// The sink is installed per thread for the length of a scope; without one
// every report is free and nothing is ever cancelled.
namespace platform {

class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    // `fraction` of the whole task, 0 to 1, never decreasing within a task.
    virtual void Advance(double fraction) = 0;
    // Asked after each report; true once the user chose Cancel.
    virtual bool CancelRequested() = 0;
};

// Installs `sink` on this thread while it lives; the task's range is 0 to 1.
// Scopes nest: the inner one hides the outer sink until it ends.
class ProgressScope {
public:
    explicit ProgressScope(ProgressSink* sink);
    ~ProgressScope();
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;

private:
    ProgressSink* mOuterSink;
    double mOuterFrom, mOuterTo, mOuterReached;
};

// A part of the current stage: reports made while it lives, 0 to 1, land in
// [from, to] of the stage around it (both given as fractions of that stage).
class ProgressStage {
public:
    ProgressStage(double from, double to);
    ~ProgressStage();
    ProgressStage(const ProgressStage&) = delete;
    ProgressStage& operator=(const ProgressStage&) = delete;

private:
    double mOuterFrom, mOuterTo;
};

// Reports `fraction` (clamped to 0..1) of the current stage; the sink is
// never told less than it was told before within its scope. Throws
// platform::Cancelled when the user asked to stop, so the caller's cleanup
// (KillDoc, a removed file) runs as for any failure.
void ReportProgress(double fraction);

// The same for code that must not throw (a device read inside a decoder):
// returns false when the user asked to stop.
bool ReportProgressNoThrow(double fraction) noexcept;

}  // namespace platform
