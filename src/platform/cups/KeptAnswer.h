#pragma once
// An answer about the device behind a queue (its printer's, its print
// server's), kept for a minute while the queue's device address stays the
// same, so reading a queue's page again costs no round trip; a silent
// device's empty answer is kept too, so it holds the window up once.
#include "platform/cups/SchedulerLink.h"

#include <cups/cups.h>

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QMutex>
#include <QString>

#include <optional>

namespace platform {

// `ask(dest)` gives the answer; each kind of answer `T` is kept apart.
template <class T, class Ask>
std::optional<T> AskKept(const QString& queue, Ask ask) {
    struct Kept {
        QByteArray device;
        qint64 when = 0;
        std::optional<T> answer;
    };
    static constexpr qint64 kKeepMs = 60000;
    static QMutex mutex;
    static QHash<QString, Kept> kept;

    cups_dest_t* dest = NamedDest(queue);
    if (!dest) return std::nullopt;
    const QByteArray device(cupsGetOption("device-uri", dest->num_options, dest->options));
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    {
        QMutexLocker lock(&mutex);
        const auto it = kept.constFind(queue);
        if (it != kept.constEnd() && it->device == device && now - it->when < kKeepMs) {
            cupsFreeDests(1, dest);
            return it->answer;
        }
    }
    std::optional<T> answer = ask(dest);
    cupsFreeDests(1, dest);
    QMutexLocker lock(&mutex);
    kept.insert(queue, Kept{device, now, answer});
    return answer;
}

}  // namespace platform
