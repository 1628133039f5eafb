#include "inputs/NudgeDialog.h"

#include "inputs/PageSetup.h"
#include "platform/base/Failure.h"
#include "platform/print/Nudge.h"
#include "platform/print/Printer.h"
#include "platform/print/PrinterDialogs.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <optional>

namespace inputs {
namespace {

QSpinBox* DotsBox(QWidget* parent, const char* name, int value) {
    auto* box = new QSpinBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setRange(-platform::kMaxNudgeDots, platform::kMaxNudgeDots);
    box->setSuffix(QStringLiteral(" dots"));
    box->setValue(value);
    return box;
}

}  // namespace

NudgeDialog::NudgeDialog(const QString& queue, QPoint nudge, QWidget* owner,
                         std::function<void(QPoint)> printCalibration)
    : QDialog(owner) {
    setObjectName(QStringLiteral("frmNudge"));
    setWindowTitle(QStringLiteral("Nudge"));
    setModal(true);

    spnRight = DotsBox(this, "spnRight", nudge.x());
    spnDown = DotsBox(this, "spnDown", nudge.y());
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Right:"), spnRight);
    form->addRow(QStringLiteral("&Down:"), spnDown);
    QDialogButtonBox* buttons = platform::LayOutPrinterForm(
        *this, queue,
        QStringLiteral("Moves everything printed on this printer by whole dots, right and down (negative: left "
                       "and up). Add the figures read at the creases of the folded calibration page to these."),
        form, &lblPrinter);
    if (printCalibration) {
        cmdCalibration = buttons->addButton(QStringLiteral("Print &Calibration Page"), QDialogButtonBox::ActionRole);
        cmdCalibration->setObjectName(QStringLiteral("cmdCalibration"));
        connect(cmdCalibration, &QPushButton::clicked, this,
                [this, print = std::move(printCalibration)] { print(Value()); });
    }
    setFixedWidth(sizeHint().width() * 3 / 2);
}

QPoint NudgeDialog::Value() const { return QPoint(spnRight->value(), spnDown->value()); }

void Nudge(QWidget* owner, ucProperties& panel, ucPageLayout& preview, std::function<void(QPoint)> printCalibration) {
    QString queue;
    std::optional<QPoint> chosen;
    platform::LeaveWithMessage(QStringLiteral("The nudge could not be shown."), [&] {
        queue = platform::CurrentPrinter()->DeviceName();
        NudgeDialog dialog(queue, platform::StoredNudge(queue), owner, printCalibration);
        if (dialog.exec() == QDialog::Accepted) chosen = dialog.Value();
    });
    if (!chosen) return;
    platform::LeaveWithMessage(QStringLiteral("The nudge could not be stored."),
                               [&] { platform::StoreNudge(queue, *chosen); });
    // The printer takes up what is stored for its queue, whatever happened.
    platform::ContinueOnFailure([&] { ApplyPrinter(panel, preview); });
}

}  // namespace inputs
