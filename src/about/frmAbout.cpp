#include "about/frmAbout.h"

#include <QPointer>

// Skeleton: the About box's controls land with their own change.
frmAbout* frmAbout::Instance(QWidget* owner) {
    static QPointer<frmAbout> instance;
    if (!instance) instance = new frmAbout(owner);
    return instance;
}

frmAbout::frmAbout(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("frmAbout"));
    setAttribute(Qt::WA_DeleteOnClose);
}

void frmAbout::ShowModal() { exec(); }
