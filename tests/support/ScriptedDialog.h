#pragma once
// A common dialog that answers from a script instead of asking the user.
#include "platform/desktop/CommonDialog.h"

#include <QStringList>
#include <functional>
#include <optional>
#include <memory>

class ScriptedDialog : public platform::CommonDialog {
public:
    // Paths the open dialog returns, in turn; an empty entry is a cancel.
    QStringList openAnswers;
    // Keep answering with the last path instead of cancelling when the script runs out.
    bool repeatLastAnswer = false;
    // Whether the printer dialog is confirmed; what OK applies is the printer's.
    bool printerAccepts = false;
    // Thrown from the open dialog when set (a dialog that cannot be shown).
    std::function<void()> openThrows;

    // The resolution dialog's answer: a resolution, empty for the printer's
    // default, nothing for a cancel.
    std::optional<QSize> resolutionAnswer;

    int openShown = 0;
    int printerShown = 0;
    int resolutionShown = 0;
    QString lastOpenTitle, lastOpenFilter, lastPrinterTitle;
    QString lastOpenFolder;  // the folder the open dialog started in

protected:
    QString RunOpenDialog(const QString& title, const QString& qtFilter) override {
        ++openShown;
        lastOpenTitle = title;
        lastOpenFilter = qtFilter;
        lastOpenFolder = InitDir;
        if (openThrows) openThrows();
        if (openAnswers.isEmpty()) return QString();
        if (repeatLastAnswer && openAnswers.size() == 1) return openAnswers.first();
        return openAnswers.takeFirst();
    }
    bool RunPrinterDialog(platform::Printer& printer, const QString& title) override {
        ++printerShown;
        lastPrinterTitle = title;
        (void)printer;
        return printerAccepts;
    }
    std::optional<QSize> RunResolutionDialog(const platform::Printer&, const QString&) override {
        ++resolutionShown;
        return resolutionAnswer;
    }
};

// A dialog whose file-open answer is always `path`.
inline std::unique_ptr<platform::CommonDialog> OpeningDialog(const QString& path) {
    auto d = std::make_unique<ScriptedDialog>();
    d->openAnswers = QStringList(path);
    d->repeatLastAnswer = true;
    return d;
}
