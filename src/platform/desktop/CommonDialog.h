#pragma once
// The common dialog: one object serving the file-open and the printer
// dialogs, configured through its properties before each use.
#include "platform/print/Printer.h"

#include <QString>
#include <QSize>
#include <QStringList>
#include <optional>

class QWidget;

namespace platform {

class CommonDialog {
public:
    virtual ~CommonDialog() = default;

    QString DialogTitle;
    bool CancelError = false;
    // Pairs of description and pattern list: "Image files|*.gif;*.jpg|All files|*.*".
    QString Filter;
    QString FileName;
    // The folder the open dialog starts in; empty leaves it to the toolkit.
    QString InitDir;

    // Modal file-open dialog. Afterwards FileName holds the chosen full path,
    // or is empty when the user cancelled (a Failure when CancelError is set).
    void ShowOpen();
    // Modal printer dialog on the current printer. On OK the current printer
    // reflects the choice; cancel is a Failure when CancelError is set.
    // After OK, on a device that can print at more than one resolution, the
    // resolution dialog: its OK sets the printer to the one chosen and keeps
    // it for the queue (see ResolutionChoice.h); its cancel changes nothing
    // more.
    void ShowPrinter();

    // Window the dialogs are modal over.
    QWidget* owner = nullptr;

    // The Filter in Qt's form: "Image files (*.gif *.jpg);;All files (*)".
    static QString QtFilter(const QString& filter);

protected:
    // What the user chose; empty when cancelled. Tests override it.
    virtual QString RunOpenDialog(const QString& title, const QString& qtFilter);
    virtual bool RunPrinterDialog(Printer& printer, const QString& title);
    // The resolution chosen (empty for the printer's default); nothing when
    // cancelled.
    virtual std::optional<QSize> RunResolutionDialog(const Printer& printer, const QString& title);
};

}  // namespace platform
