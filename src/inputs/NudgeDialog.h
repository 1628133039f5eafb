#pragma once
// File > Nudge...: where the current printer lands everything it prints,
// corrected in whole dots. The figures come from the calibration page's fold
// scales and are kept per print queue.
#include <QDialog>
#include <QPoint>
#include <QString>
#include <functional>

class QLabel;
class QPushButton;
class QSpinBox;
class ucPageLayout;
class ucProperties;

namespace inputs {

// The dialog: the queue's name, a word on what the figures do, and the
// figures themselves (dots right and down, within platform::kMaxNudgeDots
// either way). It only shows and edits them; Nudge() stores them.
// With `printCalibration`, a button prints the calibration page moved by
// the figures on show, so a correction can be tried before it is kept; the
// dialog stays open.
class NudgeDialog : public QDialog {
    Q_OBJECT
public:
    NudgeDialog(const QString& queue, QPoint nudge, QWidget* owner,
                std::function<void(QPoint)> printCalibration = {});
    QPoint Value() const;

    QLabel* lblPrinter = nullptr;
    QSpinBox* spnRight = nullptr;
    QSpinBox* spnDown = nullptr;
    QPushButton* cmdCalibration = nullptr;  // only with printCalibration
};

// The Nudge command: the dialog on the current printer's stored nudge, modal
// over `owner`. OK stores the figures for the printer's queue (a failure to
// store says so in one message) and hands the printer to both controls
// again, so the panel and the preview follow; Cancel changes nothing.
void Nudge(QWidget* owner, ucProperties& panel, ucPageLayout& preview,
           std::function<void(QPoint)> printCalibration = {});

}  // namespace inputs
