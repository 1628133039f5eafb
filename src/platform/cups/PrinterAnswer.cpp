#include "platform/cups/PrinterAnswer.h"

#include "platform/cups/KeptAnswer.h"

#include <cups/cups.h>


#include <algorithm>

namespace platform {
namespace {

// A PWG length compared as CUPS does: within 2 hundredths of a millimetre.
bool Near(int a, int b) { return std::abs(a - b) < 2; }

// An integer member, or a range's bounds, of a collection.
void Dimension(ipp_t* col, const char* name, int& low, int& high) {
    ipp_attribute_t* a = ippFindAttribute(col, name, IPP_TAG_ZERO);
    if (!a) return;
    if (ippGetValueTag(a) == IPP_TAG_RANGE) low = ippGetRange(a, 0, &high);
    else if (ippGetValueTag(a) == IPP_TAG_INTEGER) low = high = ippGetInteger(a, 0);
}

int Integer(ipp_t* col, const char* name) {
    ipp_attribute_t* a = ippFindAttribute(col, name, IPP_TAG_INTEGER);
    return a ? ippGetInteger(a, 0) : 0;
}

std::optional<PrinterMedia> MediaOf(ipp_t* col) {
    ipp_attribute_t* size = ippFindAttribute(col, "media-size", IPP_TAG_BEGIN_COLLECTION);
    if (!size) return std::nullopt;
    PrinterMedia m;
    Dimension(ippGetCollection(size, 0), "x-dimension", m.widthMin, m.widthMax);
    Dimension(ippGetCollection(size, 0), "y-dimension", m.lengthMin, m.lengthMax);
    if (m.widthMax <= 0 || m.lengthMax <= 0) return std::nullopt;
    m.margins = {Integer(col, "media-left-margin"), Integer(col, "media-right-margin"),
                 Integer(col, "media-top-margin"), Integer(col, "media-bottom-margin")};
    if (ipp_attribute_t* s = ippFindAttribute(col, "media-source", IPP_TAG_ZERO))
        m.source = QString::fromUtf8(ippGetString(s, 0, nullptr));
    return m;
}

QList<PrinterMedia> MediaList(ipp_t* response, const char* name) {
    QList<PrinterMedia> list;
    if (ipp_attribute_t* a = ippFindAttribute(response, name, IPP_TAG_BEGIN_COLLECTION))
        for (int i = 0; i < ippGetCount(a); ++i)
            if (auto m = MediaOf(ippGetCollection(a, i))) list.append(*m);
    return list;
}

QList<int> Integers(ipp_t* response, const char* name) {
    QList<int> list;
    if (ipp_attribute_t* a = ippFindAttribute(response, name, IPP_TAG_INTEGER))
        for (int i = 0; i < ippGetCount(a); ++i) list.append(ippGetInteger(a, i));
    return list;
}

QStringList Strings(ipp_t* response, const char* name) {
    QStringList list;
    if (ipp_attribute_t* a = ippFindAttribute(response, name, IPP_TAG_ZERO))
        for (int i = 0; i < ippGetCount(a); ++i)
            if (const char* s = ippGetString(a, i, nullptr)) list.append(QString::fromUtf8(s));
    return list;
}

QSize Dpi(ipp_attribute_t* a, int i) {
    ipp_res_t units = IPP_RES_PER_INCH;
    int y = 0;
    const int x = ippGetResolution(a, i, &y, &units);
    const double k = units == IPP_RES_PER_CM ? 2.54 : 1.0;
    return QSize(int(std::lround(x * k)), int(std::lround(y * k)));
}

QList<QSize> Resolutions(ipp_t* response, const char* name) {
    QList<QSize> list;
    if (ipp_attribute_t* a = ippFindAttribute(response, name, IPP_TAG_RESOLUTION))
        for (int i = 0; i < ippGetCount(a); ++i) list.append(Dpi(a, i));
    return list;
}

bool Borderless(const MediaMargins& m) { return m == MediaMargins{}; }

// The entry of the paper among `list`, as MarginsFor chooses it.
std::optional<MediaMargins> Pick(const QList<PrinterMedia>& list, int width, int length, bool borderless,
                                 const QString& source) {
    std::optional<MediaMargins> first;
    for (const PrinterMedia& m : list) {
        if (!m.Fits(width, length) || Borderless(m.margins) != borderless) continue;
        if (!source.isEmpty() && m.source == source) return m.margins;
        if (!first) first = m.margins;
    }
    return first;
}

}  // namespace

bool PrinterMedia::Fits(int width, int length) const {
    const auto within = [](int v, int low, int high) { return (v >= low && v <= high) || Near(v, low) || Near(v, high); };
    return within(width, widthMin, widthMax) && within(length, lengthMin, lengthMax);
}

PrinterAnswer ParsePrinterAnswer(ipp_t* response) {
    PrinterAnswer a;
    a.database = MediaList(response, "media-col-database");
    a.ready = MediaList(response, "media-col-ready");
    if (const QList<PrinterMedia> d = MediaList(response, "media-col-default"); !d.isEmpty()) a.byDefault = d.first();
    a.leftMargins = Integers(response, "media-left-margin-supported");
    a.rightMargins = Integers(response, "media-right-margin-supported");
    a.topMargins = Integers(response, "media-top-margin-supported");
    a.bottomMargins = Integers(response, "media-bottom-margin-supported");
    for (const QString& v : Strings(response, "urf-supported")) {
        if (v.startsWith(QLatin1String("RS"))) {
            // RS300-600: the resolutions the printer takes, dots per inch.
            for (const QString& dpi : v.mid(2).split(QLatin1Char('-')))
                if (const int n = dpi.toInt(); n > 0) a.urfResolutions.append(n);
        } else if (v == QLatin1String("W8") || v == QLatin1String("W16") || v == QLatin1String("SRGB24") ||
                   v == QLatin1String("SRGB48") || v == QLatin1String("DEVW8") || v == QLatin1String("DEVW16") ||
                   v == QLatin1String("DEVRGB24") || v == QLatin1String("DEVRGB48") ||
                   v == QLatin1String("ADOBERGB24") || v == QLatin1String("ADOBERGB48") ||
                   v == QLatin1String("DEVCMYK32") || v == QLatin1String("DEVCMYK64")) {
            a.urfTypes.append(v);
        }
    }
    std::sort(a.urfResolutions.begin(), a.urfResolutions.end());
    a.pwgResolutions = Resolutions(response, "pwg-raster-document-resolution-supported");
    a.pwgTypes = Strings(response, "pwg-raster-document-type-supported");
    a.resolutions = Resolutions(response, "printer-resolution-supported");
    if (ipp_attribute_t* d = ippFindAttribute(response, "printer-resolution-default", IPP_TAG_RESOLUTION))
        a.defaultResolution = Dpi(d, 0);
    a.formats = Strings(response, "document-format-supported");
    return a;
}

std::optional<PaperMargins> MarginsFor(const PrinterAnswer& answer, int width, int length, bool borderless) {
    const QString source = answer.byDefault ? answer.byDefault->source : QString();
    if (auto m = Pick(answer.database, width, length, borderless, source)) return PaperMargins{*m, MarginSource::Database};
    if (auto m = Pick(answer.ready, width, length, borderless, source)) return PaperMargins{*m, MarginSource::Ready};
    if (answer.byDefault)
        if (auto m = Pick({*answer.byDefault}, width, length, borderless, source))
            return PaperMargins{*m, MarginSource::Default};
    if (borderless) return PaperMargins{MediaMargins{}, MarginSource::LargestSupported};
    const auto largest = [](const QList<int>& l) { return l.isEmpty() ? -1 : *std::max_element(l.begin(), l.end()); };
    const MediaMargins m{largest(answer.leftMargins), largest(answer.rightMargins), largest(answer.topMargins),
                         largest(answer.bottomMargins)};
    if (m.left < 0 || m.right < 0 || m.top < 0 || m.bottom < 0) return std::nullopt;
    return PaperMargins{m, MarginSource::LargestSupported};
}

namespace {

const char* const kAsked[] = {
    "media-col-database", "media-col-default", "media-col-ready", "media-left-margin-supported",
    "media-right-margin-supported", "media-top-margin-supported", "media-bottom-margin-supported",
    "urf-supported", "pwg-raster-document-resolution-supported", "pwg-raster-document-type-supported",
    "printer-resolution-supported", "printer-resolution-default", "document-format-supported"};

// Milliseconds the printer has to answer: a printer that is asleep or gone
// must not hold up the window; the queue's description is used instead.
constexpr int kAnswerMs = 4000;

std::optional<PrinterAnswer> Ask(cups_dest_t* dest) {
    const char* device = cupsGetOption("device-uri", dest->num_options, dest->options);
    if (!device) return std::nullopt;
    const QByteArray uri(device);
    // Only a printer reached over IPP can answer; ipp-usb printers are ipp
    // addresses on localhost, or DNS-SD names that libcups resolves.
    if (!uri.startsWith("ipp://") && !uri.startsWith("ipps://") && !uri.startsWith("dnssd://") &&
        !uri.startsWith("ippusb://"))
        return std::nullopt;
    char resource[1024] = "";
    http_t* http = cupsConnectDest(dest, CUPS_DEST_FLAGS_DEVICE, kAnswerMs, nullptr, resource, sizeof resource,
                                   nullptr, nullptr);
    if (!http) return std::nullopt;
    httpSetTimeout(http, kAnswerMs / 1000.0, nullptr, nullptr);
    char host[256] = "";
    httpGetHostname(http, host, sizeof host);
    char printerUri[1024];
    httpAssembleURI(HTTP_URI_CODING_ALL, printerUri, sizeof printerUri,
                    uri.startsWith("ipps://") ? "ipps" : "ipp", nullptr, host,
                    httpAddrPort(httpGetAddress(http)), resource);
    ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, printerUri);
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                  int(std::size(kAsked)), nullptr, kAsked);
    ipp_t* response = cupsDoRequest(http, request, resource);
    std::optional<PrinterAnswer> answer;
    if (response && ippGetStatusCode(response) <= IPP_STATUS_OK_EVENTS_COMPLETE) answer = ParsePrinterAnswer(response);
    ippDelete(response);
    httpClose(http);
    return answer;
}

}  // namespace

std::optional<PrinterAnswer> AskPrinter(const QString& queue) { return AskKept<PrinterAnswer>(queue, Ask); }

}  // namespace platform
