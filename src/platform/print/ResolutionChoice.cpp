#include "platform/print/ResolutionChoice.h"

#include "platform/base/AppInfo.h"
#include "platform/base/Failure.h"
#include "platform/base/Settings.h"
#include "platform/print/Printer.h"

#include <QRegularExpression>

namespace platform {
namespace {
const char* const kSection = "Resolution";

QString FiguresOf(QSize dpi) {
    return dpi.width() == dpi.height() ? QString::number(dpi.width())
                                       : QStringLiteral("%1 x %2").arg(dpi.width()).arg(dpi.height());
}
}  // namespace

bool ParseResolutionChoice(const QString& text, QSize* dpi) {
    static const QRegularExpression form(QStringLiteral("^\\s*(\\d{1,5})\\s*(?:x\\s*(\\d{1,5})\\s*)?(?:dpi\\s*)?$"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch()) return false;
    const int x = m.captured(1).toInt();
    const int y = m.captured(2).isEmpty() ? x : m.captured(2).toInt();
    const auto inRange = [](int v) { return v >= 1 && v <= kMaxResolutionDpi; };
    if (!inRange(x) || !inRange(y)) return false;
    *dpi = QSize(x, y);
    return true;
}

QString FormatResolutionChoice(QSize dpi) {
    return dpi.isEmpty() ? QString() : QStringLiteral("%1x%2").arg(dpi.width()).arg(dpi.height());
}

QString ResolutionName(QSize dpi) { return QStringLiteral("%1 x %2 dpi").arg(dpi.width()).arg(dpi.height()); }

std::vector<ResolutionItem> ResolutionItems(QSize defaultDpi, const QList<QSize>& choices) {
    std::vector<ResolutionItem> items{{QStringLiteral("Printer default (%1 dpi)").arg(FiguresOf(defaultDpi)), QSize()}};
    for (QSize dpi : choices) items.push_back({ResolutionName(dpi), dpi});
    return items;
}

QSize StoredResolution(const QString& queue) {
    const QString text = GetQueueSetting(AppTitle(), QString::fromLatin1(kSection), queue, QString());
    QSize dpi;
    if (text.isEmpty() || ParseResolutionChoice(text, &dpi)) return dpi;
    // Written by hand or damaged: said as a stored nudge out of range is.
    WarnStoredValue(QStringLiteral("resolution of %1").arg(queue), text,
                    QStringLiteral("DPI or XxY in whole dots per inch from 1 to %1").arg(kMaxResolutionDpi),
                    QStringLiteral("the printer's default is used"));
    return QSize();
}

void StoreResolution(const QString& queue, QSize dpi) {
    SaveQueueSetting(AppTitle(), QString::fromLatin1(kSection), queue, FormatResolutionChoice(dpi));
}

void ApplyStoredResolution(Printer& printer) {
    const QSize stored = StoredResolution(printer.DeviceName());
    if (stored == printer.ChosenResolution()) return;
    try {
        printer.SetResolution(stored);
    } catch (const Failure&) {
        // Not on this device (any more): it stays at what it prints at.
    }
}

}  // namespace platform
