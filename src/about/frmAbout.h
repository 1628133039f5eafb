#pragma once
// The About window: title, version, two fixed sentences and a launcher for
// the system-information tool.
#include <QDialog>

class frmAbout : public QDialog {
    Q_OBJECT
public:
    // The single instance, created on first use, owned by `owner`.
    static frmAbout* Instance(QWidget* owner);
    // Loads the window and shows it modally; returns when it is closed.
    void ShowModal();

private:
    explicit frmAbout(QWidget* owner);
};
