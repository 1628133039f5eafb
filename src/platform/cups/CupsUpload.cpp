#include "platform/cups/CupsUpload.h"

#include "platform/base/Failure.h"
#include "platform/base/Progress.h"
#include "platform/page/LineQueue.h"
#include "platform/cups/SchedulerLink.h"

#include <QFile>

#include <algorithm>
#include <atomic>
#include <cstring>

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
// closed mid-request, and the cancel goes on another. A scheduler silent for
// kSchedulerLimitMs on any one wait (it may take long to spool a large
// document, never that long with no word) ends the upload: `Silent` says so.
class Connection {
public:
    Connection() = default;
    ~Connection() { Close(); }
    void Open() {
        mHttp = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, kSchedulerLimitMs, nullptr);
        if (mHttp)
            httpSetTimeout(mHttp, kSchedulerLimitMs / 1000.0, [](http_t*, void* silent) {
                static_cast<std::atomic<bool>*>(silent)->store(true);
                return 0;
            }, &mSilent);
    }
    bool Silent() const { return mSilent; }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    http_t* get() const { return mHttp; }
    void Close() {
        if (mHttp) httpClose(mHttp);
        mHttp = nullptr;
    }

private:
    http_t* mHttp = nullptr;
    std::atomic<bool> mSilent = false;
};

// Why a call on the upload's connection failed.
QString Why(const Connection& http) {
    if (http.Silent())
        return QStringLiteral("lost contact with the print system: no answer within %1 s").arg(kSchedulerLimitMs / 1000);
    return QString::fromUtf8(cupsLastErrorString());
}

const char* const kNotAccepted = "The printer %1 did not accept the job: %2";
const char* const kNotSent = "The job could not be sent to the printer %1: %2";

}  // namespace

struct JobUpload::Job {
    QByteArray queue, title, quoted;
    std::map<QByteArray, QByteArray> options;
    QByteArray format;
    Connection http;  // its own, made with the job
    int id = 0;       // 0 until the job is made
    bool finished = false;
    QByteArray piece;
    std::unique_ptr<LineQueue> sender;  // of whole pieces, once the job is made
    cups_dest_t* dest = nullptr;        // the queue, when it was found already
    ~Job() {
        if (dest) cupsFreeDests(1, dest);
    }
};

JobUpload::JobUpload(QString queue, QString title, std::map<QByteArray, QByteArray> options, cups_dest_t* dest)
    : mJob(std::make_unique<Job>()) {
    mJob->dest = dest;
    mJob->queue = queue.toUtf8();
    mJob->title = title.toUtf8();
    mJob->quoted = "\"" + mJob->queue + "\"";
    // The document's format is the document's, not a job option.
    if (const auto f = options.find("document-format"); f != options.end()) {
        mJob->format = f->second;
        options.erase(f);
    }
    mJob->options = std::move(options);
    mJob->piece.reserve(kPieceBytes);
}

JobUpload::~JobUpload() {
    if (!mJob->finished) TakeBack();
}

void JobUpload::TakeBack() noexcept {
    Job& j = *mJob;
    j.sender.reset();  // stops sending first
    if (j.id > 0) {
        j.http.Close();
        // Briefly: a scheduler that gave no answer to the upload gives none
        // to this (it drops a job whose document never ended, in time).
        ContinueOnFailure([&j] {
            const SchedulerLink link(j.http.Silent() ? 100 : kQueryLimitMs, QString::fromUtf8(j.quoted));
            if (!cupsCancelJob2(link.get(), j.queue.constData(), j.id, 1))
                cupsCancelJob2(link.get(), j.queue.constData(), j.id, 0);
        });
    }
    j.id = -1;  // nothing more goes
}

void JobUpload::Refused(const char* message) {
    const QString why = Why(mJob->http);
    TakeBack();
    Fail(QString::fromLatin1(message).arg(QString::fromUtf8(mJob->quoted), why));
}

void JobUpload::Start() {
    Job& j = *mJob;
    if (j.id < 0) Fail(QStringLiteral("The job could not be sent to the printer %1.").arg(QString::fromUtf8(j.quoted)));
    if (j.id == 0) {
        j.http.Open();
        if (!j.http.get()) {
            j.id = -1;
            Fail(QStringLiteral("The print system cannot be reached."));
        }
        const Options list(j.options);
        int id = 0;
        if (j.dest) {
            // What cupsCreateJob does after looking the queue up.
            cups_dinfo_t* info = cupsCopyDestInfo(j.http.get(), j.dest);
            cupsCreateDestJob(j.http.get(), j.dest, info, &id, j.title.constData(), list.count(), list.list());
            cupsFreeDestInfo(info);
        } else {
            id = cupsCreateJob(j.http.get(), j.queue.constData(), j.title.constData(), list.count(), list.list());
        }
        if (id <= 0) Refused(kNotAccepted);
        j.id = id;
        if (cupsStartDocument(j.http.get(), j.queue.constData(), j.id, j.title.constData(),
                              j.format.isEmpty() ? CUPS_FORMAT_AUTO : j.format.constData(), 1) != HTTP_STATUS_CONTINUE)
            Refused(kNotAccepted);
        // Whole pieces go on a thread of their own while the next is
        // written; what it meets is thrown here, on the next piece.
        j.sender = std::make_unique<LineQueue>(
            size_t(kPieceBytes),
            [&j](const unsigned char* piece) {
                if (j.http.Silent() ||
                    cupsWriteRequestData(j.http.get(), reinterpret_cast<const char*>(piece), size_t(kPieceBytes)) !=
                        HTTP_STATUS_CONTINUE)
                    Fail(QString::fromLatin1(kNotSent).arg(QString::fromUtf8(j.quoted), Why(j.http)));
            },
            1, 4);
    }
}

void JobUpload::Send() {
    Job& j = *mJob;
    Start();
    // A failure leaves the job to the destructor, which takes it back on
    // the thread that made it (libcups keeps its settings per thread).
    if (j.piece.size() == kPieceBytes) {
        std::memcpy(j.sender->Next(), j.piece.constData(), size_t(kPieceBytes));
    } else {
        // The last piece: after every whole one, from here.
        j.sender->Finish();
        // A scheduler found silent is not waited on again.
        if (j.http.Silent()) Refused(kNotSent);
        if (!j.piece.isEmpty() &&
            cupsWriteRequestData(j.http.get(), j.piece.constData(), size_t(j.piece.size())) != HTTP_STATUS_CONTINUE)
            Refused(kNotSent);
    }
    j.piece.clear();
}

void JobUpload::Write(const char* bytes, size_t count) {
    // The job is made on the first bytes: on the writer's own thread, as
    // every writer begins its document there.
    Start();
    QByteArray& piece = mJob->piece;
    while (count > 0) {
        const size_t n = std::min(count, size_t(kPieceBytes - piece.size()));
        piece.append(bytes, qsizetype(n));
        bytes += n;
        count -= n;
        if (piece.size() == kPieceBytes) Send();
    }
}

int JobUpload::Finish() {
    Send();  // the last piece (Write sent the whole ones), making the job if none was
    if (cupsFinishDocument(mJob->http.get(), mJob->queue.constData()) > IPP_STATUS_OK_CONFLICTING) Refused(kNotSent);
    mJob->finished = true;
    mJob->sender.reset();
    return mJob->id;
}

int UploadJob(const QString& queue, const QString& path, const QString& title,
              const std::map<QByteArray, QByteArray>& options) {
    ReportProgress(0.0);  // the last moment a cancel costs the scheduler nothing
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) Fail(QStringLiteral("The page could not be read: %1").arg(file.errorString()));
    const qint64 total = file.size();
    JobUpload upload(queue, title, options);  // takes the job back on every way out but the end
    qint64 sent = 0;
    for (;;) {
        const QByteArray piece = file.read(kPieceBytes);
        if (piece.isEmpty()) {
            if (file.error() != QFileDevice::NoError || sent != total)
                Fail(QStringLiteral("The page could not be read: %1").arg(file.errorString()));
            break;
        }
        upload.Write(piece.constData(), size_t(piece.size()));
        sent += piece.size();
        ReportProgress(total > 0 ? double(sent) / double(total) : 1.0);
    }
    return upload.Finish();
}

}  // namespace platform
