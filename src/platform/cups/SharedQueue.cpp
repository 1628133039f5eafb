#include "platform/cups/SharedQueue.h"

#include "platform/cups/KeptAnswer.h"

#include <cups/cups.h>
#include <cups/ppd.h>

#include <QElapsedTimer>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <sys/socket.h>
#include <thread>

// The PPD interface is the only way to read a description's sizes and
// marks; CUPS marks it deprecated but keeps it working.
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

namespace platform {
namespace {

// Milliseconds for all the questions to the server together: the deadline
// of a printer's own answer (PrinterAnswer), so a server that is asleep,
// gone or dripping holds the window no longer than a printer would.
constexpr int kServerMs = 4000;
// A description larger than this is no PPD (the largest drivers' are a few
// megabytes).
constexpr qsizetype kMaxPpdBytes = qsizetype(32) << 20;

bool Lists(ipp_t* answer, const char* name, int value) {
    ipp_attribute_t* a = ippFindAttribute(answer, name, IPP_TAG_ENUM);
    for (int i = 0; a && i < ippGetCount(a); ++i)
        if (ippGetInteger(a, i) == value) return true;
    return false;
}

const char* NoPassword(const char*, http_t*, const char*, const char*, void*) { return nullptr; }

// No password is asked for while this lives: a server that wants one is
// refused, never prompted for (libcups would ask on the terminal).
class NoPasswordPrompt {
public:
    NoPasswordPrompt() { cupsSetPasswordCB2(NoPassword, nullptr); }
    ~NoPasswordPrompt() { cupsSetPasswordCB2(nullptr, nullptr); }
    NoPasswordPrompt(const NoPasswordPrompt&) = delete;
    NoPasswordPrompt& operator=(const NoPasswordPrompt&) = delete;
};

// Ends the connection's socket at the deadline, however the server drips:
// the read waiting on it returns at once with an error.
class Deadline {
public:
    Deadline(http_t* http, int ms) : mFd(httpGetFd(http)) {
        mThread = std::thread([this, ms] {
            std::unique_lock lock(mMutex);
            if (!mDone.wait_for(lock, std::chrono::milliseconds(ms), [this] { return mFinished; }))
                ::shutdown(mFd, SHUT_RDWR);
        });
    }
    ~Deadline() {
        {
            std::lock_guard lock(mMutex);
            mFinished = true;
        }
        mDone.notify_all();
        mThread.join();
    }
    Deadline(const Deadline&) = delete;
    Deadline& operator=(const Deadline&) = delete;

private:
    int mFd;
    std::mutex mMutex;
    std::condition_variable mDone;
    bool mFinished = false;
    std::thread mThread;
};

struct Connection {
    http_t* http = nullptr;
    ~Connection() { if (http) httpClose(http); }
};

ipp_t* Request(ipp_op_t op, const char* printerUri) {
    ipp_t* request = ippNewRequest(op);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, printerUri);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    return request;
}

// The server's description of its queue, read after CUPS-Get-PPD's answer.
QString FetchPpd(http_t* http, const char* printerUri, QByteArray& ppd) {
    const http_status_t sent = cupsSendRequest(http, Request(IPP_OP_CUPS_GET_PPD, printerUri), "/", 0);
    ipp_t* response = sent == HTTP_STATUS_CONTINUE || sent == HTTP_STATUS_OK ? cupsGetResponse(http, "/") : nullptr;
    QString refusal = ServerRefusal(int(httpGetStatus(http)), response ? int(ippGetStatusCode(response))
                                                                       : int(cupsLastError()));
    ippDelete(response);
    if (!refusal.isEmpty()) return refusal;
    char buffer[32768];
    ssize_t got = 0;
    while ((got = httpRead2(http, buffer, sizeof buffer)) > 0) {
        if (ppd.size() + got > kMaxPpdBytes) {
            ppd.clear();
            return QStringLiteral("its description is too large");
        }
        ppd.append(buffer, qsizetype(got));
    }
    if (got < 0 || !ppd.startsWith("*PPD-Adobe")) {
        ppd.clear();
        return QStringLiteral("its description did not arrive whole");
    }
    return {};
}

std::optional<ServerDriver> Ask(cups_dest_t* dest) {
    const char* device = cupsGetOption("device-uri", dest->num_options, dest->options);
    if (!device) return std::nullopt;
    const QByteArray uri(device);
    if (!uri.startsWith("ipp://") && !uri.startsWith("ipps://") && !uri.startsWith("dnssd://")) return std::nullopt;
    char scheme[32], user[256], host[256], path[1024];
    int port = 0;
    httpSeparateURI(HTTP_URI_CODING_ALL, device, scheme, sizeof scheme, user, sizeof user, host, sizeof host, &port,
                    path, sizeof path);
    const QByteArray named(path);
    // An address that names no CUPS queue is a printer's own (/ipp/print):
    // not worth a question. CUPS names a DNS-SD service it found shared by
    // another CUPS dnssd://NAME._ipp._tcp.DOMAIN/cups?uuid=...
    const bool dnssd = uri.startsWith("dnssd://");
    if (dnssd ? !named.startsWith("/cups") : !named.startsWith("/printers/") && !named.startsWith("/classes/"))
        return std::nullopt;

    const NoPasswordPrompt noPrompt;
    ServerDriver server;
    server.host = QString::fromUtf8(host);
    char resource[1024] = "";
    QElapsedTimer spent;
    spent.start();
    Connection c;
    c.http = cupsConnectDest(dest, CUPS_DEST_FLAGS_DEVICE, kServerMs, nullptr, resource, sizeof resource, nullptr,
                             nullptr);
    if (!c.http) {
        server.answered = false;
        server.refusal = QStringLiteral("the server does not answer");
        return server;
    }
    // A DNS-SD name is known by the host it resolved to.
    char resolved[256] = "";
    httpGetHostname(c.http, resolved, sizeof resolved);
    if (dnssd) server.host = QString::fromUtf8(resolved);
    // What is left of the one deadline, for every question after the connection.
    const int left = std::max(0, kServerMs - int(spent.elapsed()));
    const Deadline deadline(c.http, left);
    httpSetTimeout(c.http, std::max(left, 1) / 1000.0, nullptr, nullptr);
    char printerUri[1024];
    httpAssembleURI(HTTP_URI_CODING_ALL, printerUri, sizeof printerUri, uri.startsWith("ipps://") ? "ipps" : "ipp",
                    nullptr, dnssd ? resolved : host, httpAddrPort(httpGetAddress(c.http)), resource);

    static const char* const kAsked[] = {"printer-type", "operations-supported"};
    ipp_t* request = Request(IPP_OP_GET_PRINTER_ATTRIBUTES, printerUri);
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", int(std::size(kAsked)),
                  nullptr, kAsked);
    ipp_t* answer = cupsDoRequest(c.http, request, resource);
    const bool ok = answer && ippGetStatusCode(answer) <= IPP_STATUS_OK_EVENTS_COMPLETE;
    const DeviceKind kind = ok ? KindOfDevice(QByteArray(resource), answer) : DeviceKind::NotCups;
    const int status = int(httpGetStatus(c.http));
    ippDelete(answer);
    if (!ok) {
        // A CUPS queue by its address, that would not say more.
        server.refusal = ServerRefusal(status, 0);
        server.answered = !server.refusal.isEmpty();
        if (!server.answered) server.refusal = QStringLiteral("the server does not answer");
        return server;
    }
    if (kind == DeviceKind::NotCups) return std::nullopt;
    if (kind == DeviceKind::CupsClass) {
        server.refusal = QStringLiteral("it is a class of printers, whose drivers may differ");
        return server;
    }
    server.refusal = FetchPpd(c.http, printerUri, server.ppd);
    return server;
}

}  // namespace

DeviceKind KindOfDevice(const QByteArray& resource, ipp_t* answer) {
    const bool printers = resource.startsWith("/printers/"), classes = resource.startsWith("/classes/");
    if ((!printers && !classes) || !answer || !Lists(answer, "operations-supported", IPP_OP_CUPS_GET_PPD))
        return DeviceKind::NotCups;
    ipp_attribute_t* type = ippFindAttribute(answer, "printer-type", IPP_TAG_ENUM);
    const bool isClass = classes || (type && (ippGetInteger(type, 0) & CUPS_PRINTER_CLASS));
    return isClass ? DeviceKind::CupsClass : DeviceKind::CupsPrinter;
}

QString ServerRefusal(int httpStatus, int ippStatus) {
    switch (httpStatus) {
    case HTTP_STATUS_UNAUTHORIZED: return QStringLiteral("the server asks for a password");
    case HTTP_STATUS_UPGRADE_REQUIRED: return QStringLiteral("the server asks for encryption");
    case HTTP_STATUS_FORBIDDEN: return QStringLiteral("the server does not allow it");
    default: break;
    }
    switch (ippStatus) {
    case IPP_STATUS_ERROR_NOT_AUTHENTICATED:
    case IPP_STATUS_ERROR_NOT_AUTHORIZED:
    case IPP_STATUS_ERROR_CUPS_AUTHENTICATION_CANCELED: return QStringLiteral("the server asks for a password");
    case IPP_STATUS_ERROR_FORBIDDEN: return QStringLiteral("the server does not allow it");
    case IPP_STATUS_ERROR_NOT_FOUND: return QStringLiteral("the server has no description of it (a driverless printer)");
    case IPP_STATUS_CUPS_SEE_OTHER: return QStringLiteral("the server's queue is itself another computer's");
    default: break;
    }
    if (ippStatus > IPP_STATUS_OK_EVENTS_COMPLETE)
        return QStringLiteral("the server refused: %1").arg(QString::fromUtf8(ippErrorString(ipp_status_t(ippStatus))));
    return {};
}

std::optional<ServerDriver> AskServerDriver(const QString& queue) { return AskKept<ServerDriver>(queue, Ask); }

namespace {
bool Borderless(const ppd_size_t& s) { return s.left <= 0 && s.bottom <= 0 && s.right >= s.width && s.top >= s.length; }

// A paper by its IPP or PPD name; a variant ("A4.Borderless") by its base.
pwg_media_t* MediaNamed(const QByteArray& name) {
    for (const QByteArray& n : {name, name.left(name.indexOf('.'))})
        if (pwg_media_t* m = pwgMediaForPWG(n.constData()) ? pwgMediaForPWG(n.constData()) : pwgMediaForPPD(n.constData()))
            return m;
    return nullptr;
}
}  // namespace

QStringList ServerPaperOptions(const QStringList& options, ppd_file_t* local, ppd_file_t* server) {
    QStringList out = options;
    for (int i = 0; i + 1 < out.size(); i += 2) {
        const QString& name = out[i];
        if (name != QLatin1String("media") && name != QLatin1String("PageSize") && name != QLatin1String("PageRegion"))
            continue;
        const QByteArray value = out[i + 1].toUtf8();
        if (ppdPageSize(server, value.constData())) continue;
        double width = 0, length = 0;
        bool borderless = value.contains("Borderless") || value.contains("Fullbleed");
        if (const ppd_size_t* size = local ? ppdPageSize(local, value.constData()) : nullptr) {
            width = size->width;
            length = size->length;
            borderless = borderless || Borderless(*size);
        } else if (pwg_media_t* m = MediaNamed(value)) {
            width = m->width * 72.0 / 2540.0;
            length = m->length * 72.0 / 2540.0;
        }
        // The nearest within two points; of equal ones, the first with the
        // same borders (the description's plain variant before its others).
        const ppd_size_t* best = nullptr;
        double bestOff = 0;
        for (int s = 0; s < server->num_sizes; ++s) {
            const ppd_size_t& c = server->sizes[s];
            const double off = std::max(std::abs(c.width - width), std::abs(c.length - length)) +
                               (Borderless(c) != borderless ? 1e-3 : 0.0);
            if (off <= 2.0 && (!best || off < bestOff) && QByteArray(c.name) != "Custom") {
                best = &c;
                bestOff = off;
            }
        }
        if (best) out[i + 1] = QString::fromUtf8(best->name);
    }
    return out;
}

QStringList MarkedChoices(ppd_file_t* ppd) {
    QStringList pairs;
    for (ppd_option_t* o = ppdFirstOption(ppd); o; o = ppdNextOption(ppd)) {
        if (QByteArray(o->keyword) == "PageRegion") continue;
        if (const ppd_choice_t* c = ppdFindMarkedChoice(ppd, o->keyword))
            pairs << QString::fromUtf8(o->keyword) << QString::fromUtf8(c->choice);
    }
    return pairs;
}

QString SharedSource(const ServerDriver& server) { return QStringLiteral("shared by %1").arg(server.host); }

QString RefusedSource(const QString& base, const ServerDriver& server) {
    return QStringLiteral("%1, not the driver shared by %2: %3").arg(base, server.host, server.refusal);
}

}  // namespace platform
