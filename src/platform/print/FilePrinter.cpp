#include "platform/print/FilePrinter.h"

#include "platform/base/Failure.h"
#include "platform/base/FileNames.h"
#include "platform/base/PrintLog.h"
#include "platform/base/Progress.h"
#include "platform/print/PaperCodes.h"

#include <QFile>
#include <QLocale>

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {
namespace {

QString Quoted(const QString& path) { return QStringLiteral("\"%1\"").arg(path); }

[[noreturn]] void WriteFailed(const QString& destination, const QString& reason) {
    Fail(QStringLiteral("The file %1 could not be written: %2").arg(Quoted(ShownFileName(destination)), reason));
}

}  // namespace

QSizeF ExactPoints(const QPageSize& paper) {
    const QSizeF size = paper.definitionSize();
    switch (paper.definitionUnits()) {
        case QPageSize::Millimeter: return size * (72.0 / 25.4);
        case QPageSize::Inch: return size * 72.0;
        case QPageSize::Pica: return size * 12.0;
        case QPageSize::Didot: return size * 1.065826771;  // Qt's own factors
        case QPageSize::Cicero: return size * 12.789921252;
        default: return size;  // points already
    }
}

QPageSize::PageSizeId LocaleDefaultPaper() {
    return QLocale().measurementSystem() == QLocale::ImperialUSSystem ? QPageSize::Letter : QPageSize::A4;
}

namespace {

void RefuseWritingOver(const QString& destination) {
    if (const QString what = ReadByTheProgram(destination); !what.isEmpty())
        Fail(QStringLiteral("The file %1 is %2, which is not written over; choose another file.")
                 .arg(Quoted(ShownFileName(destination)), what));
}

}  // namespace

void CopyFileChecked(const QString& source, const QString& destination) {
    RefuseWritingOver(destination);
    // The destination is named by the user: opened on the name's very bytes.
    const FileFacts before = StatFile(destination);
    // Only a file that is ours to rewrite may be removed after a failure:
    // never a device (/dev/full), pipe or socket, nor a link's target.
    const bool removable = !before.exists || (before.isFile && !before.isSymLink);
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) WriteFailed(destination, in.errorString());
    QFile out;
    QString openError;
    if (!OpenFile(out, destination, QIODevice::WriteOnly, &openError)) WriteFailed(destination, openError);
    QString error;
    const qint64 total = in.size();
    bool stopped = false;
    while (error.isEmpty()) {
        const QByteArray chunk = in.read(qint64(1) << 20);
        if (chunk.isEmpty()) {
            if (in.error() != QFileDevice::NoError) error = in.errorString();
            break;
        }
        if (out.write(chunk) != chunk.size()) error = out.errorString();
        // Like a failure, a cancel leaves no half-written file behind.
        if (error.isEmpty() && !ReportProgressNoThrow(total > 0 ? double(in.pos()) / double(total) : 1.0)) {
            stopped = true;
            break;
        }
    }
    if (stopped) {
        out.close();
        if (removable) RemoveFile(destination);
        throw Cancelled();
    }
    if (error.isEmpty() && !out.flush()) error = out.errorString();
    // A full disk may only show when the data reaches it.
    if (error.isEmpty() && StatFile(destination).isFile && ::fsync(out.handle()) != 0)
        error = QString::fromLocal8Bit(strerror(errno));
    out.close();
    if (error.isEmpty() && out.error() != QFileDevice::NoError) error = out.errorString();
    if (error.isEmpty()) return;
    if (removable) RemoveFile(destination);
    WriteFailed(destination, error);
}

FilePrinter::FilePrinter(QString format, const QString& outputPath, FilePathProvider pathProvider)
    : mFormat(std::move(format)),
      mFixedPath(outputPath),
      mProvider(std::move(pathProvider)),
      mLayout(QPageSize(LocaleDefaultPaper()), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0), QPageLayout::Point,
              QMarginsF(0, 0, 0, 0)) {}

FilePrinter::~FilePrinter() = default;

int16_t FilePrinter::PaperSize() const { return PaperCodeOf(mLayout.pageSize().id()); }

int16_t FilePrinter::Orientation() const {
    return mLayout.orientation() == QPageLayout::Landscape ? kLandscape : kPortrait;
}

std::unique_ptr<PageWriter> FilePrinter::OpenPage() {
    QString path = mFixedPath;
    if (path.isEmpty()) {
        if (!mProvider) throw Cancelled();
        path = mProvider(mFormat);
        if (path.isEmpty()) throw Cancelled();
    }
    RefuseWritingOver(path);
    mDocumentPath = path;
    return OpenDocument();
}

void FilePrinter::Deliver(const QString& file) {
    CopyFileChecked(file, mDocumentPath);
    qCDebug(lcPrint, "built-in %s printer: written to %s", qUtf8Printable(mFormat), qUtf8Printable(mDocumentPath));
    PrintOutcome outcome;
    outcome.savedPath = mDocumentPath;
    SetOutcome(outcome);
}

void FilePrinter::ApplyOrientation(bool landscape) {
    mLayout.setOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
}

void FilePrinter::SetLayout(const QPageSize& paper, QPageLayout::Orientation orientation) {
    KillDoc();
    mLayout = QPageLayout(paper, orientation, QMarginsF(0, 0, 0, 0), QPageLayout::Point, QMarginsF(0, 0, 0, 0));
}

}  // namespace platform
