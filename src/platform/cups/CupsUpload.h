#pragma once
// Sends a document to a CUPS queue as one job, in pieces, as it is written,
// so the upload reports progress and can be cancelled: a cancel before the
// job is made sends nothing; one during the upload removes the half-made
// job from the scheduler altogether (cancelled and purged), so no trace is
// left.
#include "platform/page/PageWriter.h"

#include <cups/cups.h>

#include <QByteArray>
#include <QString>
#include <map>
#include <memory>

namespace platform {

// A job whose document streams to the scheduler: the job is made with the
// first bytes (or at the end), each piece goes as it fills, and a
// job not finished when the upload goes is taken back (cancelled, purged).
// An option "document-format" names the document's format (else the
// scheduler detects it).
class JobUpload final : public DocumentStream {
public:
    // `dest`, when given, is the queue as NamedDest found it a moment ago,
    // taken over: the job is made on it without asking for it again.
    JobUpload(QString queue, QString title, std::map<QByteArray, QByteArray> options, cups_dest_t* dest = nullptr);
    ~JobUpload() override;
    JobUpload(const JobUpload&) = delete;
    JobUpload& operator=(const JobUpload&) = delete;

    // Throws Failure when the scheduler refuses the job or a piece.
    void Write(const char* bytes, size_t count) override;
    // Sends the rest and ends the document; returns the scheduler's job number.
    // Throws Failure.
    int Finish();

private:
    void Start();  // makes the job and starts its document, once
    void Send();   // the piece held, making the job first
    void TakeBack() noexcept;  // cancels and purges a job made, once
    // Takes the job back and fails with `message` (%1 the queue, %2 why).
    [[noreturn]] void Refused(const char* message);

    struct Job;
    std::unique_ptr<Job> mJob;
};

// Hands a finished file to a queue through a JobUpload, reporting progress
// as its pieces go. Throws Failure, or Cancelled when the user asked to stop.
int UploadJob(const QString& queue, const QString& path, const QString& title,
              const std::map<QByteArray, QByteArray>& options);

}  // namespace platform
