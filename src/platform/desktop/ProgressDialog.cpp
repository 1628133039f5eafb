#include "platform/desktop/ProgressDialog.h"

#include <QCoreApplication>
#include <QProgressDialog>

#include <unistd.h>

#include <algorithm>
#include <cmath>

namespace platform {
namespace {
// Steps of the dialog's bar; finer than any eye can tell.
constexpr int kSteps = 1000;
// Events are processed at most this often: a report per 64 KiB uploaded
// would otherwise spend more time repainting than working.
constexpr qint64 kEventsEveryMs = 40;
}  // namespace

DialogProgress::DialogProgress(QWidget* owner, const QString& title, const QString& label, int showAfterMs)
    : mOwner(owner), mTitle(title), mLabel(label), mShowAfterMs(showAfterMs) {
    mClock.start();
}

DialogProgress::~DialogProgress() = default;

void DialogProgress::Advance(double fraction) {
    const qint64 now = mClock.elapsed();
    if (!mDialog && now >= mShowAfterMs) {
        mDialog = std::make_unique<QProgressDialog>(mLabel, QStringLiteral("Cancel"), 0, kSteps, mOwner);
        mDialog->setObjectName(QStringLiteral("progressDialog"));
        mDialog->setWindowTitle(mTitle);
        mDialog->setWindowModality(Qt::WindowModal);
        mDialog->setMinimumDuration(0);
        mDialog->setAutoClose(false);
        mDialog->setAutoReset(false);
        mDialog->setMinimumWidth(360);
        mDialog->show();
    }
    if (mDialog) mDialog->setValue(int(std::lround(fraction * kSteps)));
    if (mLastEventsMs >= 0 && now - mLastEventsMs < kEventsEveryMs) return;
    mLastEventsMs = now;
    // Until the dialog blocks the window a click there could start another
    // command inside this one; paint and timers only.
    QCoreApplication::processEvents(mDialog ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
}

bool DialogProgress::CancelRequested() { return mDialog && mDialog->wasCanceled(); }

TerminalProgress::TerminalProgress(std::FILE* stream, const QString& label, int showAfterMs)
    : mStream(stream), mTerminal(stream && ::isatty(::fileno(stream))), mLabel(label), mShowAfterMs(showAfterMs) {
    mClock.start();
}

TerminalProgress::~TerminalProgress() {
    if (mShownPercent >= 0) {
        std::fputc('\n', mStream);
        std::fflush(mStream);
    }
}

QString TerminalProgress::Line(const QString& label, double fraction) {
    const int percent = int(std::clamp(std::floor(fraction * 100), 0.0, 100.0));
    return QStringLiteral("ombrastele: %1 %2%").arg(label).arg(percent, 3);
}

void TerminalProgress::Advance(double fraction) {
    if (!mTerminal || mClock.elapsed() < mShowAfterMs) return;
    const int percent = int(std::clamp(std::floor(fraction * 100), 0.0, 100.0));
    if (percent == mShownPercent) return;
    mShownPercent = percent;
    std::fprintf(mStream, "\r%s", Line(mLabel, fraction).toLocal8Bit().constData());
    std::fflush(mStream);
}

}  // namespace platform
