#pragma once
// A queue's description (PPD) and its named destination, as libcups hands
// them, with the small steps every reading of them shares: the header the
// raster filters compute, the queue's choices marked. Used inside
// platform/cups only.
#include "platform/cups/CupsQueue.h"
#include "platform/cups/SchedulerLink.h"

#include <cups/cups.h>
#include <cups/ppd.h>
#include <cups/raster.h>
#include <unistd.h>

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTemporaryFile>

// The PPD interface is the only way to read a queue's default choices from
// its description; CUPS marks it deprecated but keeps it working.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

namespace platform::ppd {

struct Dest {
    cups_dest_t* dest = nullptr;
    explicit Dest(const QString& queue) : dest(NamedDest(queue)) {}
    ~Dest() { if (dest) cupsFreeDests(1, dest); }
    Dest(const Dest&) = delete;
    Dest& operator=(const Dest&) = delete;
    QByteArray Option(const char* name) const {
        return QByteArray(cupsGetOption(name, dest->num_options, dest->options));
    }
};

// A queue's PPD, opened, removed again when done.
class QueuePpd {
public:
    explicit QueuePpd(const QString& queue) {
        bool ours = false;
        const QByteArray file = QueuePpdFile(queue, &ours);
        if (file.isEmpty()) return;
        if (ours) mPath = file;  // a temporary copy or link
        mPpd = ppdOpenFile(file.constData());
    }
    // A description read from elsewhere (a print server's), kept in memory.
    explicit QueuePpd(const QByteArray& text) {
        QTemporaryFile file;
        if (file.open() && file.write(text) == text.size() && file.flush())
            mPpd = ppdOpenFile(QFile::encodeName(file.fileName()).constData());
    }
    ~QueuePpd() {
        if (mPpd) ppdClose(mPpd);
        if (!mPath.isEmpty()) ::unlink(mPath.constData());
    }
    QueuePpd(const QueuePpd&) = delete;
    QueuePpd& operator=(const QueuePpd&) = delete;
    ppd_file_t* get() const { return mPpd; }

private:
    QByteArray mPath;
    ppd_file_t* mPpd = nullptr;
};

// Name, value pairs as libcups options; freed with the object.
class CupsOptions {
public:
    CupsOptions() = default;
    ~CupsOptions() { cupsFreeOptions(mCount, mList); }
    CupsOptions(const CupsOptions&) = delete;
    CupsOptions& operator=(const CupsOptions&) = delete;
    void Add(const QString& name, const QString& value) {
        mCount = cupsAddOption(name.toUtf8().constData(), value.toUtf8().constData(), mCount, &mList);
    }
    void AddPairs(const QStringList& pairs) {
        for (int i = 0; i + 1 < pairs.size(); i += 2) Add(pairs[i], pairs[i + 1]);
    }
    int count() const { return mCount; }
    cups_option_t* list() const { return mList; }

private:
    int mCount = 0;
    cups_option_t* mList = nullptr;
};

// The header the raster filters compute for what is marked now. Like them,
// it goes on with the header as far as the interpreter got when some code
// of the PPD is beyond it; and where no code set a resolution (the
// interpreter's 100 x 100 stands), it takes the leading figure of
// *DefaultResolution, else 300, as the filters do.
cups_page_header2_t Interpret(ppd_file_t* ppd);

// The PPD with the queue's saved defaults and `options` marked.
void MarkQueueOptions(ppd_file_t* ppd, const QString& queue, const QStringList& options);

// Whether `lpoptions` (an lpoptions file's text) saves a colour mode
// (ColorModel, print-color-mode, output-mode) for `queue` itself.
bool SavesColourMode(const QByteArray& lpoptions, const QString& queue);
// Whether the dialog's `options` (name, value pairs) or the lpoptions files
// (the system's, the user's) choose a colour mode for `queue`. The
// scheduler's own default is no choice: it echoes the description's.
bool ColourModeChosen(const QString& queue, const QStringList& options);

// "600dpi", "600x1200dpi": a resolution as CUPS names it.
QString DpiText(QSize dpi);

QSize HeaderDpi(const cups_page_header2_t& h);

// Coarser first: fewer dots to the square inch (in 64 bits: a PPD's or a
// printer's figures may be anything).
bool FewerDots(QSize a, QSize b);

// Refuses a resolution the printer lacks, naming what it has.
[[noreturn]] void FailResolution(const QString& queue, QSize wanted, const QList<QSize>& offered);

}  // namespace platform::ppd

#pragma GCC diagnostic pop
