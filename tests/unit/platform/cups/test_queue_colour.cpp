// Colour or grey for a driverless printer: the queue's colour model, unless
// it is a grey default nobody chose on a colour printer whose own default
// is "auto"; and what counts as a saved choice in an lpoptions file.
#include "platform/cups/QueueFormat.h"
#include "platform/cups/QueuePpd.h"

#include <gtest/gtest.h>

TEST(QueueColour, GreyDefaultGivesWayToThePrintersAutoOnlyWhenNobodyChose) {
    const struct {
        cups_cspace_t model;  // the queue's marked colour model
        bool colourDevice, chosen;
        const char* printerDefault;  // nullptr: no answer
        bool colour;
    } rows[] = {
        {CUPS_CSPACE_SW, true, false, "auto", true},  // CUPS 2.4.10's Gray for an "auto" colour laser
        {CUPS_CSPACE_SW, true, false, "color", true},
        {CUPS_CSPACE_SW, true, false, "monochrome", false},
        {CUPS_CSPACE_SW, true, true, "auto", false},    // the user chose grey
        {CUPS_CSPACE_SW, false, false, "auto", false},  // a grey printer
        {CUPS_CSPACE_SW, true, false, nullptr, false},  // asleep: the description stands
        {CUPS_CSPACE_SRGB, true, true, "monochrome", true},
    };
    for (const auto& row : rows) {
        cups_page_header2_t h{};
        h.cupsColorSpace = row.model;
        h.cupsBitsPerColor = 8;
        std::optional<platform::PrinterAnswer> answer;
        if (row.printerDefault) answer.emplace().colourModeDefault = QString::fromLatin1(row.printerDefault);
        EXPECT_EQ(platform::ppd::DriverlessColour(h, row.colourDevice, row.chosen, answer), row.colour)
            << row.model << " " << row.colourDevice << row.chosen << (row.printerDefault ? row.printerDefault : "-");
    }
}

TEST(QueueColour, OnlyTheQueuesOwnSavedColourModeIsAChoice) {
    const struct {
        const char* lpoptions;
        bool chosen;
    } rows[] = {
        {"Dest Laser print-color-mode=monochrome\n", true},
        {"Default laser sides=two-sided-long-edge ColorModel=Gray\n", true},
        {"Dest Laser/draft print-color-mode=monochrome\n", false},  // an instance
        {"Dest Other print-color-mode=monochrome\nDest Laser copies=2\n", false},
        {"Dest Laser job-name='print-color-mode=monochrome'\n", false},
    };
    for (const auto& row : rows)
        EXPECT_EQ(platform::ppd::SavesColourMode(row.lpoptions, QStringLiteral("Laser")), row.chosen) << row.lpoptions;
}
