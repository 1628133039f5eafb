#pragma once
// Failures travel as exceptions carrying the platform's message text
// ("Overflow", "Division by zero", a printer's complaint...). Each procedure
// has one of three policies towards them, the last in two forms; they are
// written once here and used by name, so a reader sees the policy at the
// call site:
//   - none:                    let the exception propagate (no helper needed);
//   - continue with next step: ContinueOnFailure around each step;
//   - leave silently:          LeaveSilently around the guarded tail;
//   - leave with one message:  LeaveWithMessage around the guarded tail.
#include <QString>
#include <functional>
#include <stdexcept>
#include <string>

namespace platform {

class Failure : public std::runtime_error {
public:
    explicit Failure(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString message() const { return QString::fromStdString(what()); }
};

// The standard failure texts.
inline const char* const kOverflow = "Overflow";
inline const char* const kDivisionByZero = "Division by zero";

// The user cancelled (a dialog, a file name): ends a command like a failure
// but is never reported as one.
class Cancelled : public Failure {
public:
    Cancelled() : Failure(QStringLiteral("Cancelled")) {}
};

[[noreturn]] inline void Fail(const QString& message) { throw Failure(message); }

// Runs one step; a failure in it is dropped and the caller goes on.
// Returns whether the step completed.
template <class Step>
bool ContinueOnFailure(Step&& step) noexcept {
    try {
        std::forward<Step>(step)();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

// Runs the guarded tail of a command; a failure ends it without a word.
// Returns whether it completed.
template <class Body>
bool LeaveSilently(Body&& body) noexcept {
    return ContinueOnFailure(std::forward<Body>(body));
}

// Shows one message box for a failure. Installed by the shell; tests replace
// it to count messages. The default writes to stderr (no window system).
using MessageSink = std::function<void(const QString& text)>;
void SetMessageSink(MessageSink sink);
void ShowMessage(const QString& text);

// Asks the user a yes-or-no question before something that is likely a slip
// (a job of many sheets). Installed by the shell; without one nobody can
// answer, and the answer is no.
using QuestionSink = std::function<bool(const QString& text)>;
void SetQuestionSink(QuestionSink sink);
bool AskYesNo(const QString& text);

// Says what went on without the user's asking but does not stop the work (a
// stored value out of range, a settings file replaced): one line
// "ombrastele: <text>" on stderr, or to the sink the command line installs.
void SetWarningSink(MessageSink sink);
void Warn(const QString& text);

// Runs the guarded tail of a command; a failure ends it with exactly one
// message: `sentence` followed by the failure's own text when it has one.
// A cancellation by the user ends it without a message.
template <class Body>
bool LeaveWithMessage(const QString& sentence, Body&& body) {
    try {
        std::forward<Body>(body)();
        return true;
    } catch (const Cancelled&) {
        return false;
    } catch (const std::exception& e) {
        const QString detail = QString::fromUtf8(e.what()).trimmed();
        ShowMessage(detail.isEmpty() ? sentence : sentence + QStringLiteral("\n\n") + detail);
        return false;
    }
}

}  // namespace platform
