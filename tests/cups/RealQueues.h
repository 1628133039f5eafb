#pragma once
// Queues made from real printer descriptions (tests/data/real, see its
// README): what each is known to say, read from the description itself.
#include <QStringList>
#include <vector>

namespace cupstest {

struct RealQueue {
    const char* queue;
    const char* ppd;  // under tests/data
    QStringList options;
    // Known from reading the description, independent of the oracle.
    int xdpi, ydpi;
    const char* pageSize;
};

inline const std::vector<RealQueue>& RealQueues() {
    static const std::vector<RealQueue> queues = {
    // Resolution choice "1200dpi" (FastRes 1200) sets HWResolution [600 600].
    {"RealHp1320", "real/hp-laserjet-1320-ps.ppd", {}, 600, 600, "Letter"},
    {"RealHp1320A4", "real/hp-laserjet-1320-ps.ppd", {QStringLiteral("PageSize=A4")}, 600, 600, "A4"},
    // No Resolution option: MediaType's code sets 360 x 360; A4 595.20 x 841.80.
    {"RealEscpr", "real/epson-l3050-escpr.ppd", {}, 360, 360, "A4"},
    {"RealDymo", "real/dymo-lw450.ppd", {}, 300, 300, "w167h288"},
    // 300x600dpi is constrained against the default print quality (Text):
    // asked for alone, marking the options undoes it.
    {"RealDymo300x600", "real/dymo-lw450.ppd",
     {QStringLiteral("DymoPrintQuality=Graphics"), QStringLiteral("Resolution=300x600dpi")}, 300, 600, "w167h288"},
    // Resolution only on foomatic-rip's command line: gstoraster's 300 dpi fallback.
    {"RealPtouch", "real/brother-ql570-ptouch.ppd", {}, 300, 300, "62mm"},
    {"RealEpson9", "real/epson9-sample-drv.ppd", {}, 120, 72, "Letter"},
    // Default code CUPS cannot interpret; *DefaultResolution 600x1200dpi read as 600 x 600.
    {"RealOki", "real/oki-c7200-ps.ppd", {}, 600, 600, "A4"},
    {"RealHl1650", "real/brother-hl1650-foomatic-ps.ppd", {}, 600, 600, "Letter"},
    };
    return queues;
}

}  // namespace cupstest
