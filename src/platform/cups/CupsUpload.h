#pragma once
// Hands a finished page file to a CUPS queue as one job, in pieces, so the
// upload reports progress and can be cancelled: a cancel before the job is
// made sends nothing; one during the upload removes the half-made job from
// the scheduler altogether (cancelled and purged), so no trace is left.
#include <QByteArray>
#include <QString>
#include <map>

namespace platform {

// An option "document-format" names the file's format (else the scheduler
// detects it). Returns the scheduler's job number. Throws Failure when the scheduler
// refuses the job or the file, Cancelled when the user asked to stop.
int UploadJob(const QString& queue, const QString& path, const QString& title,
              const std::map<QByteArray, QByteArray>& options);

}  // namespace platform
