#include "platform/cups/PrinterAnswer.h"

#include "platform/cups/KeptAnswer.h"
#include "platform/cups/PrinterExchange.h"

#include <cups/cups.h>


#include <algorithm>
#include <cstring>

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

bool Within(int v, int low, int high) { return v >= low && v <= high; }

// A paper the printer could have, with margins inside it.
bool Sane(const PrinterMedia& m) {
    const MediaMargins& g = m.margins;
    return Within(m.widthMin, kMinPaper, kMaxPaperWidth) && Within(m.widthMax, m.widthMin, kMaxPaperWidth) &&
           Within(m.lengthMin, kMinPaper, kMaxPaperLength) && Within(m.lengthMax, m.lengthMin, kMaxPaperLength) &&
           g.left >= 0 && g.right >= 0 && g.top >= 0 && g.bottom >= 0 &&
           qint64(g.left) + g.right < m.widthMin && qint64(g.top) + g.bottom < m.lengthMin;
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

QList<PrinterMedia> MediaList(ipp_t* response, const char* name, QStringList& notes) {
    QList<PrinterMedia> list;
    int ignored = 0;
    if (ipp_attribute_t* a = ippFindAttribute(response, name, IPP_TAG_BEGIN_COLLECTION))
        for (int i = 0; i < ippGetCount(a); ++i)
            if (auto m = MediaOf(ippGetCollection(a, i))) {
                if (Sane(*m)) list.append(*m);
                else ++ignored;
            }
    if (ignored)
        notes << QStringLiteral("%1: %2 of its papers ignored (a size or margin out of range)")
                     .arg(QLatin1String(name))
                     .arg(ignored);
    return list;
}

// The values of `name` within [low, high]; the others are noted.
QList<int> Bounded(const QList<int>& values, int low, int high, const char* name, QStringList& notes) {
    QList<int> kept;
    for (int v : values)
        if (Within(v, low, high)) kept.append(v);
    if (kept.size() < values.size())
        notes << QStringLiteral("%1: %2 of its values ignored (out of range)")
                     .arg(QLatin1String(name))
                     .arg(values.size() - kept.size());
    return kept;
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

bool SaneDpi(QSize dpi) {
    return Within(dpi.width(), kMinAnswerDpi, kMaxAnswerDpi) && Within(dpi.height(), kMinAnswerDpi, kMaxAnswerDpi);
}

QList<QSize> Resolutions(ipp_t* response, const char* name, QStringList& notes) {
    QList<QSize> list;
    int ignored = 0;
    if (ipp_attribute_t* a = ippFindAttribute(response, name, IPP_TAG_RESOLUTION))
        for (int i = 0; i < ippGetCount(a); ++i) {
            if (const QSize dpi = ResolutionDpi(a, i); SaneDpi(dpi)) list.append(dpi);
            else ++ignored;
        }
    if (ignored)
        notes << QStringLiteral("%1: %2 of its resolutions ignored (outside %3 to %4 dpi)")
                     .arg(QLatin1String(name))
                     .arg(ignored)
                     .arg(kMinAnswerDpi)
                     .arg(kMaxAnswerDpi);
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

QSize ResolutionDpi(ipp_attribute_t* a, int i) {
    ipp_res_t units = IPP_RES_PER_INCH;
    int y = 0;
    const int x = ippGetResolution(a, i, &y, &units);
    // libcups keeps the units byte as it came; read as a number, since a
    // value outside the enumeration may not be read as one.
    int code = 0;
    static_assert(sizeof code == sizeof units);
    std::memcpy(&code, &units, sizeof code);
    if (code != IPP_RES_PER_INCH && code != IPP_RES_PER_CM) return {};
    const double k = code == IPP_RES_PER_CM ? 2.54 : 1.0;
    // Out of int's range only for a value no printer has: made 0, ignored.
    const auto dots = [k](int v) { return std::abs(v * k) < 1e9 ? int(std::lround(v * k)) : 0; };
    return QSize(dots(x), dots(y));
}

bool PrinterMedia::Fits(int width, int length) const {
    const auto within = [](int v, int low, int high) { return (v >= low && v <= high) || Near(v, low) || Near(v, high); };
    return within(width, widthMin, widthMax) && within(length, lengthMin, lengthMax);
}

PrinterAnswer ParsePrinterAnswer(ipp_t* response) {
    PrinterAnswer a;
    QStringList& notes = a.notes;
    a.database = MediaList(response, "media-col-database", notes);
    a.ready = MediaList(response, "media-col-ready", notes);
    if (const QList<PrinterMedia> d = MediaList(response, "media-col-default", notes); !d.isEmpty())
        a.byDefault = d.first();
    // A margin is at most a sheet's half; the paper's own is checked with it.
    const int wide = kMaxPaperWidth / 2, tall = kMaxPaperLength / 2;
    a.leftMargins = Bounded(Integers(response, "media-left-margin-supported"), 0, wide, "media-left-margin-supported", notes);
    a.rightMargins = Bounded(Integers(response, "media-right-margin-supported"), 0, wide, "media-right-margin-supported", notes);
    a.topMargins = Bounded(Integers(response, "media-top-margin-supported"), 0, tall, "media-top-margin-supported", notes);
    a.bottomMargins = Bounded(Integers(response, "media-bottom-margin-supported"), 0, tall, "media-bottom-margin-supported", notes);
    QList<int> rs;
    for (const QString& v : Strings(response, "urf-supported")) {
        if (v.startsWith(QLatin1String("RS"))) {
            // RS300-600: the resolutions the printer takes, dots per inch.
            for (const QString& dpi : v.mid(2).split(QLatin1Char('-'))) rs.append(dpi.toInt());
        } else if (v == QLatin1String("W8") || v == QLatin1String("W16") || v == QLatin1String("SRGB24") ||
                   v == QLatin1String("SRGB48") || v == QLatin1String("DEVW8") || v == QLatin1String("DEVW16") ||
                   v == QLatin1String("DEVRGB24") || v == QLatin1String("DEVRGB48") ||
                   v == QLatin1String("ADOBERGB24") || v == QLatin1String("ADOBERGB48") ||
                   v == QLatin1String("DEVCMYK32") || v == QLatin1String("DEVCMYK64")) {
            a.urfTypes.append(v);
        }
    }
    a.urfResolutions = Bounded(rs, kMinAnswerDpi, kMaxAnswerDpi, "urf-supported", notes);
    std::sort(a.urfResolutions.begin(), a.urfResolutions.end());
    a.pwgResolutions = Resolutions(response, "pwg-raster-document-resolution-supported", notes);
    a.pwgTypes = Strings(response, "pwg-raster-document-type-supported");
    a.resolutions = Resolutions(response, "printer-resolution-supported", notes);
    if (ipp_attribute_t* d = ippFindAttribute(response, "printer-resolution-default", IPP_TAG_RESOLUTION)) {
        if (const QSize dpi = ResolutionDpi(d, 0); SaneDpi(dpi)) a.defaultResolution = dpi;
        else notes << QStringLiteral("printer-resolution-default ignored (outside %1 to %2 dpi)")
                          .arg(kMinAnswerDpi)
                          .arg(kMaxAnswerDpi);
    }
    a.formats = Strings(response, "document-format-supported");
    if (const QStringList mode = Strings(response, "print-color-mode-default"); !mode.isEmpty())
        a.colourModeDefault = mode.first();
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

// Walks an IPP message item by item (tag, name, value; a collection's
// members up to its end), copying what is kept.
class IppBounder {
public:
    IppBounder(const QByteArray& in, int maxValues, QByteArray& out, QStringList& notes)
        : mIn(in), mMax(maxValues), mOut(out), mNotes(notes) {}

    bool Run() {
        if (!Take(8, true)) return false;  // version, status, request id
        for (;;) {
            if (mAt >= mIn.size()) return false;
            const auto tag = quint8(mIn[mAt]);
            if (tag == IPP_TAG_END) return Take(1, true);
            if (tag < 0x10) {  // a group begins
                if (!Take(1, true)) return false;
                continue;
            }
            if (!Attribute(0, true, mTop)) return false;
        }
    }

private:
    struct Counting {
        QByteArray name;
        int values = 0;
        bool noted = false;
    };

    bool Take(qsizetype n, bool keep) {
        if (n < 0 || mIn.size() - mAt < n) return false;
        if (keep) mOut.append(mIn.constData() + mAt, n);
        mAt += n;
        return true;
    }
    int Length(qsizetype at) const {
        return at + 2 <= mIn.size() ? (quint8(mIn[at]) << 8) | quint8(mIn[at + 1]) : -1;
    }

    // One value: a new attribute when it has a name, else another value of
    // `current`'s; a collection's members follow it to their end.
    bool Attribute(int depth, bool parentKeeps, Counting& current) {
        qsizetype at = mAt;
        int tag = quint8(mIn[at++]);
        if (tag == IPP_TAG_EXTENSION) at += 4;
        const int nameLength = Length(at);
        if (nameLength < 0) return false;
        const QByteArray name = mIn.mid(at + 2, nameLength);
        if (nameLength > 0 && tag != IPP_TAG_MEMBERNAME) current = Counting{name};
        const int valueLength = Length(at + 2 + nameLength);
        if (valueLength < 0) return false;
        bool keep = parentKeeps;
        if (tag != IPP_TAG_MEMBERNAME && tag != IPP_TAG_END_COLLECTION) {
            keep = keep && ++current.values <= mMax;
            if (parentKeeps && !keep && !current.noted) {
                current.noted = true;
                mNotes << QStringLiteral("%1: only the first %2 values read")
                              .arg(QString::fromUtf8(current.name.left(64)))
                              .arg(mMax);
            }
        }
        if (!Take(at + 2 + nameLength + 2 + valueLength - mAt, keep)) return false;
        if (tag == IPP_TAG_MEMBERNAME) current = Counting{mIn.mid(at + 2 + nameLength + 2, valueLength)};
        return tag == IPP_TAG_BEGIN_COLLECTION ? Members(depth + 1, keep) : true;
    }

    bool Members(int depth, bool keep) {
        if (depth > kMaxDepth) return false;
        Counting member;
        for (;;) {
            if (mAt >= mIn.size()) return false;
            const bool end = quint8(mIn[mAt]) == IPP_TAG_END_COLLECTION;
            if (!Attribute(depth, keep, member)) return false;
            if (end) return true;
        }
    }

    static constexpr int kMaxDepth = 8;  // collections within collections
    const QByteArray& mIn;
    const int mMax;
    QByteArray& mOut;
    QStringList& mNotes;
    qsizetype mAt = 0;
    Counting mTop;
};

struct MemoryReader {
    const QByteArray& bytes;
    qsizetype at = 0;
};

ssize_t ReadMemory(void* context, ipp_uchar_t* buffer, size_t size) {
    auto* r = static_cast<MemoryReader*>(context);
    const auto n = std::min<qsizetype>(qsizetype(size), r->bytes.size() - r->at);
    std::memcpy(buffer, r->bytes.constData() + r->at, size_t(n));
    r->at += n;
    return n;
}

ssize_t WriteMemory(void* context, ipp_uchar_t* buffer, size_t size) {
    static_cast<QByteArray*>(context)->append(reinterpret_cast<const char*>(buffer), qsizetype(size));
    return ssize_t(size);
}

const char* const kAsked[] = {
    "media-col-database", "media-col-default", "media-col-ready", "media-left-margin-supported",
    "media-right-margin-supported", "media-top-margin-supported", "media-bottom-margin-supported",
    "urf-supported", "pwg-raster-document-resolution-supported", "pwg-raster-document-type-supported",
    "printer-resolution-supported", "printer-resolution-default", "document-format-supported",
    "print-color-mode-default"};


bool NetworkPrinter(const QByteArray& uri) {
    // Only a printer reached over IPP can answer; ipp-usb printers are ipp
    // addresses on localhost, or DNS-SD names that libcups resolves.
    return uri.startsWith("ipp://") || uri.startsWith("ipps://") || uri.startsWith("dnssd://") ||
           uri.startsWith("ippusb://");
}

}  // namespace

bool BoundIppMessage(const QByteArray& in, int maxValues, QByteArray& out, QStringList& notes) {
    out.clear();
    return IppBounder(in, maxValues, out, notes).Run();
}

std::optional<PrinterAnswer> ReadPrinterAnswer(const QByteArray& bytes, QString* failure) {
    QByteArray bounded;
    QStringList notes;
    const auto fail = [&](const QString& why) {
        if (failure) *failure = why;
        return std::nullopt;
    };
    if (!BoundIppMessage(bytes, kMaxAnswerValues, bounded, notes)) return fail(QStringLiteral("it is not IPP"));
    ipp_t* response = ippNew();
    MemoryReader reader{bounded};
    const ipp_state_t state = ippReadIO(&reader, ReadMemory, 1, nullptr, response);
    std::optional<PrinterAnswer> answer;
    if (state != IPP_STATE_DATA) {
        ippDelete(response);
        return fail(QStringLiteral("it is not IPP"));
    }
    if (ippGetStatusCode(response) > IPP_STATUS_OK_EVENTS_COMPLETE) {
        const QString status = QString::fromUtf8(ippErrorString(ippGetStatusCode(response)));
        ippDelete(response);
        return fail(QStringLiteral("it refuses the request (%1)").arg(status));
    }
    answer = ParsePrinterAnswer(response);
    ippDelete(response);
    answer->notes = notes + answer->notes;
    return answer;
}

PrinterReply AskPrinterAt(const QByteArray& uri, int deadlineMs) {
    const auto request = [](const QByteArray& printerUri) {
        ipp_t* r = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
        ippAddString(r, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, printerUri.constData());
        ippAddStrings(r, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", int(std::size(kAsked)),
                      nullptr, kAsked);
        QByteArray bytes;
        ippWriteIO(&bytes, WriteMemory, 1, nullptr, r);
        ippDelete(r);
        return bytes;
    };
    ExchangeLimits limits;
    limits.deadlineMs = deadlineMs;
    const ExchangeResult exchanged = PostToPrinter(uri, request, limits);
    PrinterReply reply;
    if (!exchanged.failure.isEmpty()) {
        reply.failure = exchanged.failure;
        return reply;
    }
    reply.answer = ReadPrinterAnswer(exchanged.body, &reply.failure);
    return reply;
}

PrinterReply AskPrinter(const QString& queue) {
    const auto ask = [](cups_dest_t* dest) -> std::optional<PrinterReply> {
        const QByteArray device(cupsGetOption("device-uri", dest->num_options, dest->options));
        if (!NetworkPrinter(device)) return PrinterReply{};
        return AskPrinterAt(device);
    };
    return AskKept<PrinterReply>(queue, ask).value_or(PrinterReply{});
}

}  // namespace platform
