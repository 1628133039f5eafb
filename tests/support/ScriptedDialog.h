#pragma once
// A common dialog that answers from a script instead of asking the user.
#include "platform/CommonDialog.h"

#include <QStringList>
#include <functional>

class ScriptedDialog : public platform::CommonDialog {
public:
    // Paths the open dialog returns, in turn; an empty entry is a cancel.
    QStringList openAnswers;
    // Whether the printer dialog is confirmed; what OK applies is the printer's.
    bool printerAccepts = false;
    // Thrown from the open dialog when set (a dialog that cannot be shown).
    std::function<void()> openThrows;

    int openShown = 0;
    int printerShown = 0;
    QString lastOpenTitle, lastOpenFilter, lastPrinterTitle;

protected:
    QString RunOpenDialog(const QString& title, const QString& qtFilter) override {
        ++openShown;
        lastOpenTitle = title;
        lastOpenFilter = qtFilter;
        if (openThrows) openThrows();
        return openAnswers.isEmpty() ? QString() : openAnswers.takeFirst();
    }
    bool RunPrinterDialog(platform::Printer& printer, const QString& title) override {
        ++printerShown;
        lastPrinterTitle = title;
        (void)printer;
        return printerAccepts;
    }
};
