#pragma once
// Progress sinks for the two faces of the program: a progress dialog with
// Cancel over the window, and a percentage on a terminal for the command
// line. Both stay silent for tasks shorter than about half a second.
#include "platform/base/Progress.h"

#include <QElapsedTimer>
#include <QString>
#include <cstdio>
#include <memory>

class QProgressDialog;
class QWidget;

namespace platform {

inline constexpr int kProgressShowAfterMs = 500;

// A modal progress dialog over `owner`, titled `title` ("Printing"), saying
// `label`, shown once the task has run `showAfterMs`. While the task reports, the
// window keeps repainting: events are processed at each report (user input
// only once the dialog, which blocks the window, is up).
class DialogProgress final : public ProgressSink {
public:
    DialogProgress(QWidget* owner, const QString& title, const QString& label,
                   int showAfterMs = kProgressShowAfterMs);
    ~DialogProgress() override;

    void Advance(double fraction) override;
    bool CancelRequested() override;

    // The dialog once shown (tests and screenshots look at it); else null.
    QProgressDialog* Dialog() const { return mDialog.get(); }

private:
    QWidget* mOwner;
    QString mTitle;
    QString mLabel;
    int mShowAfterMs;
    QElapsedTimer mClock;
    qint64 mLastEventsMs = -1;
    std::unique_ptr<QProgressDialog> mDialog;
};

// "ombrastele: printing 42%" rewritten in place on `stream` when it is a
// terminal, else nothing at all. Never cancels: a terminal user ends the
// program with its interrupt key.
class TerminalProgress final : public ProgressSink {
public:
    TerminalProgress(std::FILE* stream, const QString& label, int showAfterMs = kProgressShowAfterMs);
    ~TerminalProgress() override;  // ends the line it wrote

    void Advance(double fraction) override;
    bool CancelRequested() override { return false; }

    // The text for `fraction`, as written after the carriage return.
    static QString Line(const QString& label, double fraction);

private:
    std::FILE* mStream;
    bool mTerminal;
    QString mLabel;
    int mShowAfterMs;
    QElapsedTimer mClock;
    int mShownPercent = -1;
};

}  // namespace platform
