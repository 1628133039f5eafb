#include "platform/cups/PrinterExchange.h"

#include <cups/cups.h>
#include <QList>
#include <gnutls/gnutls.h>
#include <zlib.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

struct Deadline {
    Clock::time_point end;
    explicit Deadline(int ms) : end(Clock::now() + std::chrono::milliseconds(ms)) {}
    int LeftMs() const {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        return left > 0 ? int(left) : 0;
    }
};

// ---- The answer's header and body, from bytes ----

struct Head {
    int status = 0;
    qint64 bodyStart = -1;  // -1: the header has not ended yet
    qint64 length = -1;     // Content-Length, -1 when not given
    bool chunked = false;
    QByteArray encoding;    // Content-Encoding, lower case
    QByteArray location;
    QString failure;
};

Head ParseHead(const QByteArray& raw, const ExchangeLimits& limits) {
    Head h;
    qint64 from = 0;
    for (;;) {
        const qint64 end = raw.indexOf("\r\n\r\n", from);
        if (end < 0) {
            if (raw.size() - from > limits.headerBytes)
                h.failure = QStringLiteral("its header is longer than %1 KiB").arg(limits.headerBytes / 1024);
            return h;
        }
        if (end - from > limits.headerBytes) {
            h.failure = QStringLiteral("its header is longer than %1 KiB").arg(limits.headerBytes / 1024);
            return h;
        }
        const QList<QByteArray> lines = raw.mid(from, end - from).split('\n');
        const QList<QByteArray> statusLine = lines.first().trimmed().split(' ');
        bool ok = false;
        h.status = statusLine.value(1).toInt(&ok);
        if (!statusLine.first().startsWith("HTTP/1.") || !ok) {
            h.failure = QStringLiteral("it is not an HTTP answer");
            return h;
        }
        from = end + 4;
        if (h.status == 100) continue;  // "go on": the real answer follows
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const qsizetype colon = lines[i].indexOf(':');
            if (colon <= 0) continue;
            const QByteArray name = lines[i].left(colon).trimmed().toLower();
            const QByteArray value = lines[i].mid(colon + 1).trimmed();
            if (name == "content-length") {
                h.length = value.toLongLong(&ok);
                if (!ok || h.length < 0) h.failure = QStringLiteral("its length is not a number");
            } else if (name == "transfer-encoding") {
                h.chunked = value.toLower().contains("chunked");
            } else if (name == "content-encoding") {
                h.encoding = value.toLower();
            } else if (name == "location") {
                h.location = value.left(200);
            }
        }
        h.bodyStart = from;
        return h;
    }
}

QString StatusFailure(const Head& h) {
    if (h.status == 401 || h.status == 403) return QStringLiteral("it asks for a password (HTTP %1)").arg(h.status);
    if (h.status >= 300 && h.status < 400)
        return QStringLiteral("it redirects to %1 (HTTP %2)")
            .arg(h.location.isEmpty() ? QStringLiteral("another address") : QString::fromLatin1(h.location))
            .arg(h.status);
    if (h.status == 426) return QStringLiteral("it asks for an encrypted connection (HTTP 426)");
    return QStringLiteral("it answers HTTP %1").arg(h.status);
}

// A chunked body's data; `done` once the last (empty) chunk is read.
QString Unchunk(const QByteArray& raw, qint64 from, qint64 cap, QByteArray& out, bool& done) {
    done = false;
    for (;;) {
        const qint64 eol = raw.indexOf("\r\n", from);
        if (eol < 0) return {};
        bool ok = false;
        const qint64 size = raw.mid(from, eol - from).split(';').first().trimmed().toLongLong(&ok, 16);
        if (!ok || size < 0) return QStringLiteral("its chunks are damaged");
        if (size == 0) {
            done = true;
            return {};
        }
        if (out.size() + size > cap) return QStringLiteral("it is larger than %1 MiB").arg(cap >> 20);
        if (raw.size() < eol + 2 + size + 2) return {};
        out.append(raw.constData() + eol + 2, size);
        from = eol + 2 + size + 2;
    }
}

QString Inflate(const QByteArray& in, qint64 cap, QByteArray& out) {
    z_stream z{};
    if (inflateInit2(&z, 15 + 32) != Z_OK) return QStringLiteral("it cannot be inflated");  // gzip or zlib
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.constData()));
    z.avail_in = uInt(in.size());
    char buffer[65536];
    int r = Z_OK;
    QString failure;
    while (r == Z_OK) {
        z.next_out = reinterpret_cast<Bytef*>(buffer);
        z.avail_out = sizeof buffer;
        r = inflate(&z, Z_NO_FLUSH);
        const qint64 got = qint64(sizeof buffer - z.avail_out);
        if (out.size() + got > cap) {
            failure = QStringLiteral("it inflates to more than %1 MiB").arg(cap >> 20);
            break;
        }
        out.append(buffer, got);
        if (r == Z_BUF_ERROR && z.avail_in == 0) break;
    }
    if (failure.isEmpty() && r != Z_STREAM_END) failure = QStringLiteral("its compressed body is damaged");
    inflateEnd(&z);
    return failure;
}

// ---- The connection ----

// A socket to the printer, plain or TLS, every wait bounded by `deadline`.
class Link {
public:
    explicit Link(const Deadline& deadline) : mDeadline(deadline) {}
    ~Link() {
        if (mTls) {
            gnutls_deinit(mTls);
            gnutls_certificate_free_credentials(mCredentials);
        }
        if (mSocket >= 0) ::close(mSocket);
    }
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;

    QString Connect(const sockaddr* address, socklen_t size) {
        if (mSocket >= 0) ::close(mSocket);  // the previous address refused
        mSocket = ::socket(address->sa_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (mSocket < 0) return QString::fromLocal8Bit(std::strerror(errno));
        if (::connect(mSocket, address, size) == 0) return {};
        if (errno != EINPROGRESS) return QString::fromLocal8Bit(std::strerror(errno));
        if (!Wait(POLLOUT)) return Late();
        int error = 0;
        socklen_t len = sizeof error;
        ::getsockopt(mSocket, SOL_SOCKET, SO_ERROR, &error, &len);
        return error ? QString::fromLocal8Bit(std::strerror(error)) : QString();
    }

    // The printer's certificate is not checked: a printer's is nearly
    // always its own, and what is read here only places a page.
    QString StartTls(const QByteArray& host) {
        gnutls_certificate_allocate_credentials(&mCredentials);
        gnutls_init(&mTls, GNUTLS_CLIENT);
        gnutls_set_default_priority(mTls);
        gnutls_credentials_set(mTls, GNUTLS_CRD_CERTIFICATE, mCredentials);
        if (!host.isEmpty() && inet_addr(host.constData()) == INADDR_NONE)
            gnutls_server_name_set(mTls, GNUTLS_NAME_DNS, host.constData(), size_t(host.size()));
        gnutls_transport_set_ptr(mTls, this);
        gnutls_transport_set_push_function(mTls, [](gnutls_transport_ptr_t p, const void* data, size_t n) {
            return static_cast<Link*>(p)->PlainSend(static_cast<const char*>(data), n);
        });
        gnutls_transport_set_pull_function(mTls, [](gnutls_transport_ptr_t p, void* data, size_t n) {
            return static_cast<Link*>(p)->PlainReceive(static_cast<char*>(data), n);
        });
        int r;
        do r = gnutls_handshake(mTls);
        while (r < 0 && !gnutls_error_is_fatal(r) && mDeadline.LeftMs() > 0);
        if (r < 0) return mTimedOut ? Late() : QStringLiteral("the secure connection failed (%1)").arg(gnutls_strerror(r));
        return {};
    }

    bool Send(const QByteArray& data) {
        qint64 sent = 0;
        while (sent < data.size()) {
            const ssize_t n = mTls ? gnutls_record_send(mTls, data.constData() + sent, size_t(data.size() - sent))
                                   : PlainSend(data.constData() + sent, size_t(data.size() - sent));
            if (n < 0 && mTls && !gnutls_error_is_fatal(int(n)) && mDeadline.LeftMs() > 0) continue;
            if (n <= 0) return false;
            sent += n;
        }
        return true;
    }

    // Bytes read, 0 at the end of the connection, -1 on an error or the deadline.
    ssize_t Receive(char* data, size_t size) {
        for (;;) {
            if (!mTls) return PlainReceive(data, size);
            const ssize_t n = gnutls_record_recv(mTls, data, size);
            if (n == GNUTLS_E_PREMATURE_TERMINATION) return 0;
            if (n < 0 && !gnutls_error_is_fatal(int(n)) && mDeadline.LeftMs() > 0) continue;
            return n < 0 ? -1 : n;
        }
    }

    bool TimedOut() const { return mTimedOut; }
    QString Late() const { return QStringLiteral("no answer within %1 s").arg(mWholeMs / 1000.0); }
    void SetWholeMs(int ms) { mWholeMs = ms; }

private:
    bool Wait(short events) {
        pollfd p{mSocket, events, 0};
        for (;;) {
            const int left = mDeadline.LeftMs();
            if (left <= 0) break;
            const int r = ::poll(&p, 1, left);
            if (r > 0) return true;
            if (r < 0 && errno != EINTR) return false;
        }
        mTimedOut = true;
        return false;
    }
    ssize_t PlainSend(const char* data, size_t n) {
        for (;;) {
            const ssize_t r = ::send(mSocket, data, n, MSG_NOSIGNAL);
            if (r >= 0 || (errno != EAGAIN && errno != EINTR)) return r;
            if (!Wait(POLLOUT)) return -1;
        }
    }
    ssize_t PlainReceive(char* data, size_t n) {
        for (;;) {
            const ssize_t r = ::recv(mSocket, data, n, 0);
            if (r >= 0 || (errno != EAGAIN && errno != EINTR)) return r;
            if (!Wait(POLLIN)) {
                if (mTls) gnutls_transport_set_errno(mTls, ETIMEDOUT);
                return -1;
            }
        }
    }

    const Deadline& mDeadline;
    int mSocket = -1;
    int mWholeMs = 0;
    bool mTimedOut = false;
    gnutls_session_t mTls = nullptr;
    gnutls_certificate_credentials_t mCredentials = nullptr;
};

// Where the printer is: its addresses, found aside so that a lookup that
// hangs (a name server gone, DNS-SD) is abandoned at the deadline.
struct Place {
    QByteArray host, resource;
    int port = 0;
    bool tls = false;
    std::vector<sockaddr_storage> addresses;
    std::vector<socklen_t> sizes;
    QString failure;
};

Place Look(const QByteArray& uri, const std::atomic<int>* cancel, int ms) {
    Place p;
    QByteArray address = uri;
    if (!uri.startsWith("ipp://") && !uri.startsWith("ipps://")) {
        // DNS-SD and ipp-usb addresses: libcups resolves them as it does for
        // its own jobs; the connection it makes is only used for its address.
        cups_dest_t dest{};
        dest.name = const_cast<char*>("printer");
        dest.num_options = cupsAddOption("device-uri", uri.constData(), 0, &dest.options);
        char resource[1024] = "";
        int stop = 0;
        http_t* http = cupsConnectDest(&dest, CUPS_DEST_FLAGS_DEVICE, ms, &stop, resource, sizeof resource,
                                       nullptr, nullptr);
        cupsFreeOptions(dest.num_options, dest.options);
        if (!http || cancel->load()) {
            if (http) httpClose(http);
            p.failure = QStringLiteral("its address %1 cannot be resolved").arg(QString::fromUtf8(uri));
            return p;
        }
        char host[256] = "";
        httpGetHostname(http, host, sizeof host);
        char assembled[1024];
        httpAssembleURI(HTTP_URI_CODING_ALL, assembled, sizeof assembled,
                        httpIsEncrypted(http) ? "ipps" : "ipp", nullptr, host, httpAddrPort(httpGetAddress(http)),
                        resource);
        httpClose(http);
        address = assembled;
    }
    char scheme[32], user[256], host[256], resource[1024];
    int port = 0;
    if (httpSeparateURI(HTTP_URI_CODING_ALL, address.constData(), scheme, sizeof scheme, user, sizeof user, host,
                        sizeof host, &port, resource, sizeof resource) < HTTP_URI_STATUS_OK) {
        p.failure = QStringLiteral("its address %1 is not a printer's").arg(QString::fromUtf8(uri));
        return p;
    }
    p.host = host;
    p.resource = resource;
    p.port = port;
    p.tls = qstrcmp(scheme, "ipps") == 0;
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    QByteArray name = p.host;
    if (name.startsWith('[')) name = name.mid(1, name.size() - 2);
    if (const int r = ::getaddrinfo(name.constData(), QByteArray::number(port).constData(), &hints, &list); r != 0) {
        p.failure = QStringLiteral("its name %1 is not known (%2)").arg(QString::fromUtf8(p.host), gai_strerror(r));
        return p;
    }
    for (addrinfo* a = list; a && p.addresses.size() < 8; a = a->ai_next) {
        sockaddr_storage s{};
        std::memcpy(&s, a->ai_addr, a->ai_addrlen);
        p.addresses.push_back(s);
        p.sizes.push_back(a->ai_addrlen);
    }
    ::freeaddrinfo(list);
    return p;
}

// Look, on a thread of its own, waited for until the deadline.
Place LookAside(const QByteArray& uri, const Deadline& deadline) {
    struct Shared {
        std::mutex mutex;
        std::condition_variable done;
        std::optional<Place> place;
        std::atomic<int> cancel{0};
    };
    auto shared = std::make_shared<Shared>();
    const int ms = deadline.LeftMs();
    std::thread([shared, uri, ms] {
        Place p = Look(uri, &shared->cancel, ms);
        std::lock_guard lock(shared->mutex);
        shared->place = std::move(p);
        shared->done.notify_all();
    }).detach();
    std::unique_lock lock(shared->mutex);
    if (shared->done.wait_until(lock, deadline.end, [&] { return shared->place.has_value(); }))
        return *shared->place;
    shared->cancel = 1;
    Place late;
    late.failure = QStringLiteral("its address was not found within %1 s").arg(ms / 1000.0);
    return late;
}

}  // namespace

ExchangeResult ReadHttpAnswer(const QByteArray& raw, bool connectionClosed, const ExchangeLimits& limits,
                              bool* complete) {
    if (complete) *complete = false;
    ExchangeResult r;
    const Head h = ParseHead(raw, limits);
    if (!h.failure.isEmpty()) {
        r.failure = h.failure;
        return r;
    }
    if (h.bodyStart < 0) {
        if (connectionClosed) r.failure = QStringLiteral("it ended before its header did");
        return r;
    }
    if (h.status != 200) {
        if (complete) *complete = true;
        r.failure = StatusFailure(h);
        return r;
    }
    const auto tooLarge = [&] { return QStringLiteral("it is larger than %1 MiB").arg(limits.bodyBytes >> 20); };
    QByteArray body;
    bool ended = false;
    if (h.chunked) {
        r.failure = Unchunk(raw, h.bodyStart, limits.bodyBytes, body, ended);
    } else if (h.length >= 0) {
        if (h.length > limits.bodyBytes) r.failure = tooLarge();
        ended = raw.size() - h.bodyStart >= h.length;
        body = raw.mid(h.bodyStart, h.length);
    } else {
        if (raw.size() - h.bodyStart > limits.bodyBytes) r.failure = tooLarge();
        ended = connectionClosed;
        body = raw.mid(h.bodyStart);
    }
    if (!r.failure.isEmpty()) return r;
    if (!ended) {
        if (connectionClosed) r.failure = QStringLiteral("it ended early");
        return r;
    }
    if (complete) *complete = true;
    if (h.encoding == "gzip" || h.encoding == "x-gzip" || h.encoding == "deflate") {
        r.failure = Inflate(body, limits.bodyBytes, r.body);
    } else if (!h.encoding.isEmpty() && h.encoding != "identity") {
        r.failure = QStringLiteral("it is encoded as %1").arg(QString::fromLatin1(h.encoding.left(40)));
    } else {
        r.body = body;
    }
    if (!r.failure.isEmpty()) r.body.clear();
    return r;
}

ExchangeResult PostToPrinter(const QByteArray& uri, const std::function<QByteArray(const QByteArray&)>& request,
                             const ExchangeLimits& limits) {
    const Deadline deadline(limits.deadlineMs);
    ExchangeResult result;
    const Place place = LookAside(uri, deadline);
    if (!place.failure.isEmpty()) {
        result.failure = place.failure;
        return result;
    }
    Link link(deadline);
    link.SetWholeMs(limits.deadlineMs);
    QString failure = QStringLiteral("it has no address");
    for (size_t i = 0; i < place.addresses.size() && !failure.isEmpty() && deadline.LeftMs() > 0; ++i)
        failure = link.Connect(reinterpret_cast<const sockaddr*>(&place.addresses[i]), place.sizes[i]);
    if (failure.isEmpty() && place.tls) failure = link.StartTls(place.host);
    if (!failure.isEmpty()) {
        result.failure = link.TimedOut() ? link.Late() : QStringLiteral("cannot connect: %1").arg(failure);
        return result;
    }
    char printerUri[1024];
    httpAssembleURI(HTTP_URI_CODING_ALL, printerUri, sizeof printerUri, place.tls ? "ipps" : "ipp", nullptr,
                    place.host.constData(), place.port, place.resource.constData());
    const QByteArray body = request(QByteArray(printerUri));
    const QByteArray host = place.host.contains(':') && !place.host.startsWith('[') ? '[' + place.host + ']' : place.host;
    const QByteArray post = "POST " + place.resource + " HTTP/1.1\r\nHost: " + host + ':' +
                      QByteArray::number(place.port) +
                      "\r\nContent-Type: application/ipp\r\nConnection: close\r\nContent-Length: " +
                      QByteArray::number(body.size()) + "\r\n\r\n";
    if (!link.Send(post + body)) {
        result.failure = link.TimedOut() ? link.Late() : QStringLiteral("the connection was closed");
        return result;
    }
    // Read until the answer is whole, the printer closes, or the deadline.
    // The answer is parsed again only when a piece may have ended it, never
    // on every byte of a drip.
    QByteArray raw;
    char buffer[65536];
    const qint64 cap = limits.headerBytes + limits.bodyBytes + 65536;  // chunk lines and all
    Head head;
    for (;;) {
        const ssize_t n = link.Receive(buffer, sizeof buffer);
        if (n < 0) {
            result.failure = link.TimedOut() ? link.Late() : QStringLiteral("the connection failed");
            return result;
        }
        raw.append(buffer, n);
        if (head.bodyStart < 0 && (n == 0 || raw.size() > limits.headerBytes ||
                                   raw.indexOf("\r\n\r\n", std::max<qint64>(0, raw.size() - n - 3)) >= 0))
            head = ParseHead(raw, limits);
        const bool mayEnd = n == 0 || !head.failure.isEmpty() || raw.size() > cap ||
                            (head.bodyStart >= 0 &&
                             (head.status != 200 || (head.length >= 0 && raw.size() - head.bodyStart >= head.length) ||
                              (head.chunked && raw.endsWith("\r\n"))));
        if (!mayEnd) continue;
        bool complete = false;
        result = ReadHttpAnswer(raw, n == 0, limits, &complete);
        if (!result.failure.isEmpty() || complete) return result;
        if (raw.size() > cap) {
            result.failure = QStringLiteral("it is larger than %1 MiB").arg(limits.bodyBytes >> 20);
            return result;
        }
        if (n == 0) {
            result.failure = QStringLiteral("it ended early");
            return result;
        }
    }
}

}  // namespace platform
