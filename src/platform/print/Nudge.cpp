#include "platform/print/Nudge.h"

#include "platform/base/AppInfo.h"
#include "platform/base/Failure.h"
#include "platform/base/Settings.h"

#include <QRegularExpression>
#include <cstdlib>

namespace platform {
namespace {
const char* const kSection = "Nudge";
}  // namespace

bool ParseNudge(const QString& text, QPoint* nudge) {
    static const QRegularExpression form(QStringLiteral("^\\s*([+-]?\\d{1,6})\\s*,\\s*([+-]?\\d{1,6})\\s*$"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch()) return false;
    const int x = m.captured(1).toInt(), y = m.captured(2).toInt();
    if (std::abs(x) > kMaxNudgeDots || std::abs(y) > kMaxNudgeDots) return false;
    *nudge = QPoint(x, y);
    return true;
}

QString FormatNudge(QPoint nudge) { return QStringLiteral("%1,%2").arg(nudge.x()).arg(nudge.y()); }

QPoint StoredNudge(const QString& queue) {
    QPoint nudge;
    const QString text = GetQueueSetting(AppTitle(), QString::fromLatin1(kSection), queue, QString());
    if (text.isEmpty() || ParseNudge(text, &nudge)) return nudge;
    // Written by hand or damaged: the program only stores what it can read.
    WarnStoredValue(QStringLiteral("nudge of %1").arg(queue), text,
                    QStringLiteral("X,Y in whole dots from -%1 to %1").arg(kMaxNudgeDots), QStringLiteral("no nudge is used"));
    return QPoint();
}

void StoreNudge(const QString& queue, QPoint nudge) {
    SaveQueueSetting(AppTitle(), QString::fromLatin1(kSection), queue, FormatNudge(nudge));
}

}  // namespace platform
