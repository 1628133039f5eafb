// A network printer's answer, as untrusted as a picture: arbitrary bytes
// read as the program reads a Get-Printer-Attributes answer (an HTTP answer
// first when they begin like one: header, chunks, gzip, all capped), cut to
// its bounded lists, parsed into ipp_t, the values checked, then the
// margins chosen for papers from a label to a roll, and the resolutions
// listed as a queue's page would list them. A crash, a sanitizer report, a
// hang or memory beyond the caps is a finding; a refusal is not.
#include "platform/cups/PrinterAnswer.h"
#include "platform/cups/PrinterExchange.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    if (bytes.startsWith("HTTP/")) {
        platform::ExchangeLimits limits;
        limits.headerBytes = 4096;
        limits.bodyBytes = 1 << 20;
        bytes = platform::ReadHttpAnswer(bytes, true, limits).body;
    }
    const std::optional<platform::PrinterAnswer> answer = platform::ReadPrinterAnswer(bytes);
    if (!answer) return 0;
    // Papers in hundredths of a millimetre: a label, A4, Letter, a roll, none.
    static const int papers[][2] = {{2900, 9000}, {21000, 29700}, {21590, 27940}, {6200, 10000000}, {0, 0}};
    for (const auto& paper : papers)
        for (const bool borderless : {false, true})
            if (const auto m = platform::MarginsFor(*answer, paper[0], paper[1], borderless))
                if (m->margins.left < 0 || m->margins.top < 0) __builtin_trap();  // believed a negative margin
    const auto sane = [](int dpi) { return dpi >= platform::kMinAnswerDpi && dpi <= platform::kMaxAnswerDpi; };
    for (int dpi : answer->urfResolutions)
        if (!sane(dpi)) __builtin_trap();
    for (QSize dpi : answer->pwgResolutions + answer->resolutions)
        if (!sane(dpi.width()) || !sane(dpi.height())) __builtin_trap();
    return 0;
}
