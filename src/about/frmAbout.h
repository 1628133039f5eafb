#pragma once
// The About window: title, version, two fixed sentences and a launcher for
// the system-information tool. Modal, owned by the main window; one instance
// at a time, unloaded by OK and loaded afresh on the next use.
#include <QDialog>
#include <QString>
#include <cstdint>

class QFrame;
class QLabel;
class QPushButton;

namespace platform {
class Launcher;
class Registry;
}  // namespace platform

class frmAbout : public QDialog {
    Q_OBJECT
public:
    // The single instance, created on first use (and again after an unload),
    // owned by `owner`.
    static frmAbout* Instance(QWidget* owner);
    // Loads the window and shows it modally; returns when it is closed. The
    // window may be gone by then.
    void ShowModal();
    // Runs Form_Load once and enters the window among the loaded windows.
    void Load();

    void Form_Load();
    void cmdOK_Click();
    void cmdSysInfo_Click();

    // Starts the system-information tool, or says it is unavailable.
    void StartSysInfo();
    // Reads the value `SubKeyRef` of the key `KeyName` under `KeyRoot` into
    // KeyVal: text as read, a 32-bit number as "&h" and upper-case hex; other
    // types leave KeyVal as it came. Returns whether the value was read
    // (KeyVal is then empty). Data that fills the whole 1024-byte buffer
    // without a terminating zero throws platform::Failure.
    bool GetKeyValue(std::int32_t KeyRoot, const QString& KeyName, const QString& SubKeyRef, QString& KeyVal);

    // Tests put scripted services in place of the system's; not owned.
    void SetSystemServices(platform::Registry* registry, platform::Launcher* launcher);

    QLabel* picIcon = nullptr;
    QLabel* lblTitle = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblDescription = nullptr;
    QLabel* lblDisclaimer = nullptr;
    QFrame* Line1[2] = {nullptr, nullptr};  // 0 white, 1 grey
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdSysInfo = nullptr;

    // Whether the window has been unloaded (it is deleted soon after).
    bool IsUnloaded() const { return mUnloaded; }

public slots:
    // Every way of closing a dialog ends here: OK, Escape, the close button,
    // the main window unloading the others.
    void done(int result) override;

private:
    explicit frmAbout(QWidget* owner);

    bool mLoaded = false;
    bool mUnloaded = false;
    platform::Registry* mRegistry;
    platform::Launcher* mLauncher;
};
