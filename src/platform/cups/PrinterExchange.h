#pragma once
// One IPP request to a printer on the network, and its answer, under limits
// the program sets rather than libcups: one deadline for the whole exchange
// (name lookup, connection, TLS, every read), a cap on the answer's header
// and on its body (inflated too), no password asked, no redirect followed.
// A printer's answer is untrusted input: whatever goes wrong ends in a
// sentence saying why, never a prompt, a loop or an unbounded wait.
#include <QByteArray>
#include <QString>
#include <functional>

namespace platform {

struct ExchangeLimits {
    int deadlineMs = 4000;                // the whole exchange
    qint64 headerBytes = 64 * 1024;       // the HTTP status line and fields
    qint64 bodyBytes = 4 * 1024 * 1024;   // the body as sent, and inflated
};

struct ExchangeResult {
    QByteArray body;  // the IPP answer's bytes when `failure` is empty
    QString failure;  // why there is none, in a few words ("it asks for a password")
};

// Posts the IPP message `request(printerUri)` to the printer at `uri`
// (ipp://, ipps://, or a DNS-SD or ipp-usb address libcups resolves; the
// printer-uri the request names is the resolved one) and reads the answer.
ExchangeResult PostToPrinter(const QByteArray& uri, const std::function<QByteArray(const QByteArray&)>& request,
                             const ExchangeLimits& limits = {});

// The body of an HTTP/1.1 answer held whole in `raw` (status line, fields,
// body: chunked or not, gzip or deflate inflated), within `limits`' sizes;
// the failure says why not. `complete` is set when the answer has ended
// (its length reached, the last chunk read); an incomplete one read to the
// end of the connection fails.
ExchangeResult ReadHttpAnswer(const QByteArray& raw, bool connectionClosed, const ExchangeLimits& limits,
                              bool* complete = nullptr);

}  // namespace platform
