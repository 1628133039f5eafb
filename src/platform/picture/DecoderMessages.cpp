#include "platform/picture/DecoderMessages.h"

#include <QtGlobal>
#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <tiffio.h>

namespace platform {
namespace {

thread_local DecoderMessages* tCurrent = nullptr;
QtMessageHandler gPrevious = nullptr;

// Lines are kept short: a damaged file can make a decoder say a lot.
constexpr int kMaxLines = 8;
constexpr int kMaxLineLength = 300;

void QtHandler(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (tCurrent) {
        tCurrent->Add(text);
        return;
    }
    if (gPrevious) {
        gPrevious(type, context, text);
        return;
    }
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
}

// libtiff's own handlers print to stderr; Qt's TIFF reader leaves them so.
void TiffHandler(const char* module, const char* format, va_list arguments) {
    char text[512];
    std::vsnprintf(text, sizeof text, format, arguments);
    const QString line = module ? QStringLiteral("%1: %2").arg(QString::fromLocal8Bit(module), QString::fromLocal8Bit(text))
                                : QString::fromLocal8Bit(text);
    if (tCurrent) tCurrent->Add(line);
    else std::fprintf(stderr, "%s\n", qPrintable(line));
}

void InstallOnce() {
    static std::once_flag once;
    std::call_once(once, [] {
        gPrevious = qInstallMessageHandler(QtHandler);
        TIFFSetErrorHandler(TiffHandler);
        TIFFSetWarningHandler(TiffHandler);
    });
}

}  // namespace

DecoderMessages::DecoderMessages() : mOuter(tCurrent) {
    InstallOnce();
    tCurrent = this;
}

DecoderMessages::~DecoderMessages() { tCurrent = mOuter; }

void DecoderMessages::Add(const QString& line) {
    if (mLines.size() < kMaxLines) mLines << line.simplified().left(kMaxLineLength);
}

}  // namespace platform
