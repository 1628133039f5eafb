// Writes an ippeveprinter attributes file (-a) from a real printer's raw
// Get-Printer-Attributes response, for the driverless benchmark.
//   printer_attributes RESPONSE > printer.conf
#include "support/IppAttributesFile.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s RESPONSE\n", argv[0]);
        return 2;
    }
    const std::string lines = testcups::AttributesFromResponse(argv[1]);
    if (lines.empty()) {
        std::fprintf(stderr, "%s: not an IPP response\n", argv[1]);
        return 1;
    }
    std::fputs(lines.c_str(), stdout);
    return 0;
}
