// What proves a device a queue of another CUPS, and the server's names for
// the dialog's papers and for the choices a page was made with.
#include "platform/cups/SharedQueue.h"

#include <cups/cups.h>
#include <cups/ppd.h>
#include <gtest/gtest.h>

#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

using platform::DeviceKind;

namespace {

ipp_t* Answer(bool getPpd, int printerType) {
    ipp_t* answer = ippNew();
    const int ops[] = {IPP_OP_PRINT_JOB, IPP_OP_GET_PRINTER_ATTRIBUTES, IPP_OP_CUPS_GET_PPD};
    ippAddIntegers(answer, IPP_TAG_PRINTER, IPP_TAG_ENUM, "operations-supported", getPpd ? 3 : 2, ops);
    if (printerType >= 0) ippAddInteger(answer, IPP_TAG_PRINTER, IPP_TAG_ENUM, "printer-type", printerType);
    return answer;
}

struct Ppd {
    ppd_file_t* ppd;
    explicit Ppd(const char* name)
        : ppd(ppdOpenFile((QByteArrayLiteral(OMBRASTELE_TEST_DATA_DIR "/") + name).constData())) {
        if (ppd) ppdMarkDefaults(ppd);
    }
    ~Ppd() { if (ppd) ppdClose(ppd); }
};

}  // namespace

TEST(SharedQueue, OnlyACupsQueueAddressWithCupsOwnOperationIsAServersQueue) {
    const struct {
        const char* resource;
        bool getPpd;
        int printerType;  // -1: not given
        DeviceKind kind;
    } rows[] = {
        {"/printers/Office", true, 0x0004, DeviceKind::CupsPrinter},
        {"/printers/Office", true, -1, DeviceKind::CupsPrinter},
        {"/classes/Floor2", true, 0x0005, DeviceKind::CupsClass},
        {"/printers/Floor2", true, CUPS_PRINTER_CLASS, DeviceKind::CupsClass},
        // A Windows share: /printers/, no CUPS operation.
        {"/printers/Office/.printer", false, -1, DeviceKind::NotCups},
        // A printer's own address, whatever it lists.
        {"/ipp/print", true, 0x0004, DeviceKind::NotCups},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.resource);
        ipp_t* answer = Answer(row.getPpd, row.printerType);
        EXPECT_EQ(int(platform::KindOfDevice(QByteArray(row.resource), answer)), int(row.kind));
        ippDelete(answer);
    }
    EXPECT_EQ(int(platform::KindOfDevice("/printers/Office", nullptr)), int(DeviceKind::NotCups));
}

TEST(SharedQueue, DialogsPapersTakeTheServersNamesBySize) {
    const Ppd dymo("real/dymo-lw450.ppd"), escpr("real/epson-l3050-escpr.ppd");
    ASSERT_TRUE(dymo.ppd && escpr.ppd);
    const struct {
        ppd_file_t* server;
        const char* name;
        const char* value;
        const char* expected;
    } rows[] = {
        // A driverless description's name for the label: 166.56 x 288 pt.
        {dymo.ppd, "PageSize", "58.76x101.6mm", "w167h288"},
        {dymo.ppd, "media", "w167h288", "w167h288"},
        // IPP's A4 (595.28 pt) is the driver's 595.2 pt A4.
        {escpr.ppd, "media", "iso_a4_210x297mm", "A4"},
        {escpr.ppd, "PageSize", "A4.Borderless", "TA4"},
        // No paper of that size within two points: left as it was.
        {dymo.ppd, "media", "iso_a4_210x297mm", "iso_a4_210x297mm"},
        // Not a paper.
        {escpr.ppd, "ColorModel", "Letter", "Letter"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.value);
        const QStringList out = platform::ServerPaperOptions(
            {QString::fromLatin1(row.name), QString::fromLatin1(row.value), QStringLiteral("copies"),
             QStringLiteral("2")},
            nullptr, row.server);
        EXPECT_EQ(out.join(QLatin1Char(' ')).toStdString(),
                  QStringLiteral("%1 %2 copies 2").arg(QLatin1String(row.name), QLatin1String(row.expected)).toStdString());
    }
}

TEST(SharedQueue, MarkedChoicesNameWhatThePageWasMadeWith) {
    const Ppd dymo("real/dymo-lw450.ppd");
    ASSERT_TRUE(dymo.ppd);
    ppdMarkOption(dymo.ppd, "DymoPrintQuality", "Graphics");
    const QStringList pairs = platform::MarkedChoices(dymo.ppd);
    const auto choice = [&](const char* name) {
        const qsizetype i = pairs.indexOf(QLatin1String(name));
        return i >= 0 && i % 2 == 0 ? pairs[i + 1].toStdString() : std::string("(none)");
    };
    EXPECT_EQ(choice("PageSize"), "w167h288");
    EXPECT_EQ(choice("DymoPrintQuality"), "Graphics");
    EXPECT_EQ(choice("Resolution"), "300dpi");
    EXPECT_EQ(choice("PageRegion"), "(none)");  // PageSize says it
}
