#include "platform/cups/CupsUpload.h"

#include "platform/base/Failure.h"
#include "platform/base/Progress.h"

#include <QFile>

#include <cups/cups.h>

namespace platform {
namespace {

// A piece small enough to keep the window lively on a slow link.
constexpr qint64 kPieceBytes = qint64(256) << 10;

class Options {
public:
    explicit Options(const std::map<QByteArray, QByteArray>& options) {
        for (const auto& [name, value] : options)
            mCount = cupsAddOption(name.constData(), value.constData(), mCount, &mList);
    }
    ~Options() { cupsFreeOptions(mCount, mList); }
    Options(const Options&) = delete;
    Options& operator=(const Options&) = delete;
    int count() const { return mCount; }
    cups_option_t* list() const { return mList; }

private:
    int mCount = 0;
    cups_option_t* mList = nullptr;
};

// A connection of the upload's own: when the upload is abandoned it is
// closed mid-request, and the shared connection stays usable for the cancel.
class Connection {
public:
    Connection()
        : mHttp(httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, 30000, nullptr)) {}
    ~Connection() { Close(); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    http_t* get() const { return mHttp; }
    void Close() {
        if (mHttp) httpClose(mHttp);
        mHttp = nullptr;
    }

private:
    http_t* mHttp;
};

QString LastError() { return QString::fromUtf8(cupsLastErrorString()); }

}  // namespace

int UploadJob(const QString& queue, const QString& path, const QString& title,
              const std::map<QByteArray, QByteArray>& options) {
    const QByteArray q = queue.toUtf8();
    const QByteArray name = title.toUtf8();
    const QString quoted = QStringLiteral("\"%1\"").arg(queue);
    ReportProgress(0.0);  // the last moment a cancel costs the scheduler nothing

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) Fail(QStringLiteral("The page could not be read: %1").arg(file.errorString()));
    const qint64 total = file.size();

    Connection http;
    if (!http.get()) Fail(QStringLiteral("The print system cannot be reached."));
    // The document's format is the document's, not a job option.
    std::map<QByteArray, QByteArray> jobOptions = options;
    const QByteArray format = jobOptions.count("document-format") ? jobOptions["document-format"] : QByteArray();
    jobOptions.erase("document-format");
    const Options list(jobOptions);
    const int job = cupsCreateJob(http.get(), q.constData(), name.constData(), list.count(), list.list());
    if (job <= 0) Fail(QStringLiteral("The printer %1 did not accept the job: %2").arg(quoted, LastError()));

    // From here on a job exists: any way out but the end removes it.
    const auto abandon = [&] {
        http.Close();
        if (!cupsCancelJob2(CUPS_HTTP_DEFAULT, q.constData(), job, 1))
            cupsCancelJob2(CUPS_HTTP_DEFAULT, q.constData(), job, 0);
    };
    if (cupsStartDocument(http.get(), q.constData(), job, name.constData(),
                          format.isEmpty() ? CUPS_FORMAT_AUTO : format.constData(), 1) !=
        HTTP_STATUS_CONTINUE) {
        const QString why = LastError();
        abandon();
        Fail(QStringLiteral("The printer %1 did not accept the job: %2").arg(quoted, why));
    }
    qint64 sent = 0;
    for (;;) {
        const QByteArray piece = file.read(kPieceBytes);
        if (piece.isEmpty()) {
            if (file.error() != QFileDevice::NoError || sent != total) {
                const QString why = file.errorString();
                abandon();
                Fail(QStringLiteral("The page could not be read: %1").arg(why));
            }
            break;
        }
        if (cupsWriteRequestData(http.get(), piece.constData(), size_t(piece.size())) != HTTP_STATUS_CONTINUE) {
            const QString why = LastError();
            abandon();
            Fail(QStringLiteral("The job could not be sent to the printer %1: %2").arg(quoted, why));
        }
        sent += piece.size();
        if (!ReportProgressNoThrow(total > 0 ? double(sent) / double(total) : 1.0)) {
            abandon();
            throw Cancelled();
        }
    }
    if (cupsFinishDocument(http.get(), q.constData()) > IPP_STATUS_OK_CONFLICTING) {
        const QString why = LastError();
        abandon();
        Fail(QStringLiteral("The job could not be sent to the printer %1: %2").arg(quoted, why));
    }
    return job;
}

}  // namespace platform
