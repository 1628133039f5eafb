#pragma once
// Test printers that answer as real ones do: a real printer's raw
// Get-Printer-Attributes response (RFC 8010 encoding, as captured) turned
// into an ippeveprinter attributes file (`-a FILE`: one ipptool ATTR line an
// attribute). What makes the printer a different device on this machine
// (its name, addresses, state, clock, icons) is left for ippeveprinter to
// answer itself.
#include <string>
#include <vector>

namespace testcups {

// The ATTR lines of the printer attributes in the response at `path`, less
// those named in `drop`; empty when the file cannot be read as IPP.
std::string AttributesFromResponse(const std::string& path, const std::vector<std::string>& drop = {});

}  // namespace testcups
