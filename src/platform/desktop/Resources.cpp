#include "platform/desktop/Resources.h"

#include <QBitmap>
#include <QFile>
#include <QHash>
#include <QImage>
#include <QTextStream>

static void InitResources() { Q_INIT_RESOURCE(ombrastele); }

namespace {
void EnsureResources() {
    static const bool done = (InitResources(), true);
    (void)done;
}

// The table as stored: one "id<TAB>text" line per entry. Texts are kept as
// they stand, trailing blanks included.
const QHash<int, QString>& Table() {
    static const QHash<int, QString> table = [] {
        EnsureResources();
        QHash<int, QString> t;
        QFile f(QStringLiteral(":/strings.txt"));
        if (!f.open(QIODevice::ReadOnly)) return t;
        const QString all = QString::fromUtf8(f.readAll());
        for (const QString& line : all.split(QLatin1Char('\n'))) {
            const int tab = line.indexOf(QLatin1Char('\t'));
            if (tab <= 0) continue;
            bool ok = false;
            const int id = line.left(tab).toInt(&ok);
            if (ok) t.insert(id, line.mid(tab + 1));
        }
        return t;
    }();
    return table;
}
}  // namespace

std::optional<QString> LoadResString(int id) {
    const auto& t = Table();
    const auto it = t.find(id);
    if (it == t.end()) return std::nullopt;
    return *it;
}

QIcon ProgramIcon() {
    EnsureResources();
    QIcon icon;
    for (int size : {16, 24, 32, 48}) {
        const QString path = QStringLiteral(":/ombrastele-%1.png").arg(size);
        if (QFile::exists(path)) icon.addFile(path, QSize(size, size));
    }
    return icon;
}

QPixmap AboutIcon() {
    EnsureResources();
    return QPixmap(QStringLiteral(":/about-icon.png"));
}

QIcon ToolbarImage(const QString& key) {
    EnsureResources();
    QImage image(QStringLiteral(":/toolbar-%1.png").arg(key.toLower()));
    if (image.isNull()) return QIcon();
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setMask(pixmap.createMaskFromColor(QColor(192, 192, 192), Qt::MaskInColor));
    return QIcon(pixmap);
}
