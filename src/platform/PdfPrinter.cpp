#include "platform/PdfPrinter.h"

#include "platform/Failure.h"
#include "platform/PaperCodes.h"
#include "platform/PdfPage.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {
namespace {

QString Quoted(const QString& path) { return QStringLiteral("\"%1\"").arg(path); }

[[noreturn]] void WriteFailed(const QString& destination, const QString& reason) {
    Fail(QStringLiteral("The file %1 could not be written: %2").arg(Quoted(destination), reason));
}

}  // namespace

QPageSize::PageSizeId LocaleDefaultPaper() {
    return QLocale().measurementSystem() == QLocale::ImperialUSSystem ? QPageSize::Letter : QPageSize::A4;
}

void CopyFileChecked(const QString& source, const QString& destination) {
    const QFileInfo before(destination);
    // Only a file that is ours to rewrite may be removed after a failure:
    // never a device (/dev/full), pipe or socket, nor a link's target.
    const bool removable = !before.exists() || (before.isFile() && !before.isSymLink());
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) WriteFailed(destination, in.errorString());
    QFile out(destination);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) WriteFailed(destination, out.errorString());
    QString error;
    while (error.isEmpty()) {
        const QByteArray chunk = in.read(qint64(1) << 20);
        if (chunk.isEmpty()) {
            if (in.error() != QFileDevice::NoError) error = in.errorString();
            break;
        }
        if (out.write(chunk) != chunk.size()) error = out.errorString();
    }
    if (error.isEmpty() && !out.flush()) error = out.errorString();
    // A full disk may only show when the data reaches it.
    if (error.isEmpty() && QFileInfo(destination).isFile() && ::fsync(out.handle()) != 0)
        error = QString::fromLocal8Bit(strerror(errno));
    out.close();
    if (error.isEmpty() && out.error() != QFileDevice::NoError) error = out.errorString();
    if (error.isEmpty()) return;
    if (removable) QFile::remove(destination);
    WriteFailed(destination, error);
}

PdfPrinter::PdfPrinter(const QString& outputPath, PdfPathProvider pathProvider)
    : mFixedPath(outputPath),
      mProvider(std::move(pathProvider)),
      mLayout(QPageSize(LocaleDefaultPaper()), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0), QPageLayout::Point,
              QMarginsF(0, 0, 0, 0)) {}

PdfPrinter::~PdfPrinter() = default;

int16_t PdfPrinter::PaperSize() const { return PaperCodeOf(mLayout.pageSize().id()); }

int16_t PdfPrinter::Orientation() const {
    return mLayout.orientation() == QPageLayout::Landscape ? kLandscape : kPortrait;
}

PrintableArea PdfPrinter::Area() const {
    // The page as the PDF will hold it (Qt keeps whole points).
    const QRectF paint = mLayout.paintRect(QPageLayout::Point);
    const QSize dots = PaintableDots(mLayout, kDotsPerInch);
    return PrintableArea{paint.width() / 72.0, paint.height() / 72.0, dots.width(), dots.height()};
}

std::unique_ptr<PageWriter> PdfPrinter::OpenPage() {
    QString path = mFixedPath;
    if (path.isEmpty()) {
        if (!mProvider) throw Cancelled();
        path = mProvider();
        if (path.isEmpty()) throw Cancelled();
    }
    mDocumentPath = path;
    // A landscape PDF page is simply a landscape page: no turning needed.
    return std::make_unique<PdfPage>(PageSetup{mLayout, kDotsPerInch, false, DocumentTitle()});
}

void PdfPrinter::Deliver(const QString& file) { CopyFileChecked(file, mDocumentPath); }

void PdfPrinter::ApplyOrientation(bool landscape) {
    mLayout.setOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
}

void PdfPrinter::SetLayout(const QPageSize& paper, QPageLayout::Orientation orientation) {
    KillDoc();
    mLayout = QPageLayout(paper, orientation, QMarginsF(0, 0, 0, 0), QPageLayout::Point, QMarginsF(0, 0, 0, 0));
}

}  // namespace platform
