// Argument vectors through the command line's reading: the bytes are the
// arguments after the program's name, separated by NUL bytes, each taken as
// the system gives argv (any bytes). Parse and AsksForHeadless must end, with
// a request whose figures are within the ranges each option documents, or
// with a reason; nothing is printed. Anything else (a crash, a sanitizer
// report, an exception, a request out of range) is a finding.
#include "platform/base/FileNames.h"
#include "platform/print/Nudge.h"
#include "platform/print/ResolutionChoice.h"
#include "platform/page/SheetLayout.h"
#include "shell/CommandLine.h"

#include <QCoreApplication>
#include <cstdint>
#include <cstdlib>

namespace {

void Require(bool holds) {
    if (!holds) abort();
}

// What a request that Parse accepted may hold.
void CheckRequest(const cli::Request& r) {
    if (r.mode == cli::Mode::Invalid) {
        Require(!r.error.isEmpty());
        return;
    }
    Require(r.error.isEmpty());
    const bool needsPicture = r.mode == cli::Mode::Print || r.mode == cli::Mode::Info;
    Require(!needsPicture || !r.picture.isEmpty());
    Require(r.printer.isEmpty() || r.pdf.isEmpty());
    Require(r.waitTimeoutSeconds >= 0 && r.waitTimeoutSeconds <= 86400);
    Require(r.sheet.dotsPerPixel >= 1 && r.sheet.dotsPerPixel <= platform::kMaxDotsPerPixel);
    Require(r.sheet.gapDots >= 0 && r.sheet.gapDots <= platform::kMaxSpacingDots);
    Require(r.sheet.overlapDots >= 0 && r.sheet.overlapDots <= platform::kMaxSpacingDots);
    Require(r.sheet.copies == platform::kCopiesFill || (r.sheet.copies >= 1 && r.sheet.copies <= platform::kMaxCopies));
    Require(std::abs(r.nudge.x()) <= platform::kMaxNudgeDots && std::abs(r.nudge.y()) <= platform::kMaxNudgeDots);
    const QSize dpi = r.resolution;
    Require(dpi.isEmpty() || (dpi.width() >= 1 && dpi.width() <= platform::kMaxResolutionDpi && dpi.height() >= 1 &&
                              dpi.height() <= platform::kMaxResolutionDpi));
    // The nudge alone takes a queue, never a file.
    Require(r.mode != cli::Mode::Nudge || r.pdf.isEmpty());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QStringList arguments{QStringLiteral("ombrastele")};
    if (!bytes.isEmpty())
        for (const QByteArray& word : bytes.split('\0')) arguments << platform::FileNameFromBytes(word);
    (void)cli::AsksForHeadless(arguments);
    CheckRequest(cli::Parse(arguments));
    return 0;
}
