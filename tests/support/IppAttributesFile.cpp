#include "support/IppAttributesFile.h"

#include <cups/ipp.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace testcups {
namespace {

// ippeveprinter answers these itself: where it listens, who it is, its
// state and clock. A copied value would contradict the running printer.
bool OwnedByServer(const std::string& name) {
    static const char* const kOwned[] = {
        "printer-uri-supported", "uri-security-supported", "uri-authentication-supported",
        "printer-name", "printer-state", "printer-state-reasons", "printer-state-message",
        "printer-is-accepting-jobs", "printer-up-time", "printer-current-time", "queued-job-count",
        "printer-uuid", "printer-icons", "printer-supply-info-uri", "printer-more-info",
        "printer-config-change-date-time", "printer-config-change-time", "printer-state-change-date-time",
        "printer-state-change-time", "printer-geo-location", "printer-location", "printer-dns-sd-name",
        "printer-strings-uri", "printer-strings-languages-supported", "printer-firmware-string-version",
        "printer-firmware-version", "printer-firmware-name", "printer-supply", "printer-supply-description",
        "marker-names", "marker-colors", "marker-levels", "marker-types", "marker-low-levels",
        "marker-high-levels", "printer-alert", "printer-alert-description", "printer-static-resource-directory-uri",
        "printer-static-resource-k-octets-supported", "printer-output-tray", "printer-input-tray",
        "printer-device-id", "device-service-count", "device-uuid"};
    return std::find(std::begin(kOwned), std::end(kOwned), name) != std::end(kOwned);
}

std::string Quoted(const char* text) {
    std::string out = "\"";
    for (const char* p = text ? text : ""; *p; ++p) {
        if (*p == '"' || *p == '\\') out += '\\';
        out += *p;
    }
    return out + "\"";
}

// One value in ipptool's syntax; empty when the tag has no such syntax here.
std::string Value(ipp_attribute_t* a, int i);

std::string Collection(ipp_t* c) {
    std::string out = "{";
    for (ipp_attribute_t* m = ippFirstAttribute(c); m; m = ippNextAttribute(c)) {
        const ipp_tag_t tag = ippGetValueTag(m);
        std::string values;
        for (int i = 0; i < ippGetCount(m); ++i) {
            const std::string v = Value(m, i);
            if (v.empty()) { values.clear(); break; }
            values += (i ? "," : "") + v;
        }
        if (values.empty()) continue;
        out += " MEMBER " + std::string(ippTagString(tag)) + " " + ippGetName(m) + " " + values;
    }
    return out + " }";
}

std::string Value(ipp_attribute_t* a, int i) {
    char buf[64];
    switch (ippGetValueTag(a)) {
    case IPP_TAG_INTEGER:
    case IPP_TAG_ENUM:
        return std::to_string(ippGetInteger(a, i));
    case IPP_TAG_BOOLEAN:
        return ippGetBoolean(a, i) ? "true" : "false";
    case IPP_TAG_RANGE: {
        int upper = 0;
        const int lower = ippGetRange(a, i, &upper);
        return std::to_string(lower) + "-" + std::to_string(upper);
    }
    case IPP_TAG_RESOLUTION: {
        int y = 0;
        ipp_res_t units = IPP_RES_PER_INCH;
        const int x = ippGetResolution(a, i, &y, &units);
        std::snprintf(buf, sizeof buf, x == y ? "%d%s" : "%dx%d%s", x, x == y ? (units == IPP_RES_PER_CM ? "dpcm" : "dpi") : "", y);
        if (x != y) std::snprintf(buf, sizeof buf, "%dx%d%s", x, y, units == IPP_RES_PER_CM ? "dpcm" : "dpi");
        return buf;
    }
    case IPP_TAG_BEGIN_COLLECTION:
        return Collection(ippGetCollection(a, i));
    case IPP_TAG_TEXT: case IPP_TAG_NAME: case IPP_TAG_KEYWORD: case IPP_TAG_URI: case IPP_TAG_URISCHEME:
    case IPP_TAG_CHARSET: case IPP_TAG_LANGUAGE: case IPP_TAG_MIMETYPE: case IPP_TAG_TEXTLANG:
    case IPP_TAG_NAMELANG:
        return Quoted(ippGetString(a, i, nullptr));
    default:
        return {};  // dates and octet strings: nothing a test printer needs
    }
}

}  // namespace

std::string AttributesFromResponse(const std::string& path, const std::vector<std::string>& drop) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return {};
    ipp_t* response = ippNew();
    const ipp_state_t state = ippReadFile(fd, response);
    ::close(fd);
    std::string out;
    if (state == IPP_STATE_DATA) {
        for (ipp_attribute_t* a = ippFirstAttribute(response); a; a = ippNextAttribute(response)) {
            const char* name = ippGetName(a);
            if (!name || ippGetGroupTag(a) != IPP_TAG_PRINTER || OwnedByServer(name)) continue;
            if (std::find(drop.begin(), drop.end(), name) != drop.end()) continue;
            std::string values;
            for (int i = 0; i < ippGetCount(a); ++i) {
                const std::string v = Value(a, i);
                if (v.empty()) { values.clear(); break; }
                values += (i ? "," : "") + v;
            }
            // Text and names carry their language in the response; the file
            // takes them as plain text and names.
            ipp_tag_t tag = ippGetValueTag(a);
            if (tag == IPP_TAG_TEXTLANG) tag = IPP_TAG_TEXT;
            if (tag == IPP_TAG_NAMELANG) tag = IPP_TAG_NAME;
            if (!values.empty()) out += "ATTR " + std::string(ippTagString(tag)) + " " + name + " " + values + "\n";
        }
    }
    ippDelete(response);
    return out;
}

}  // namespace testcups
