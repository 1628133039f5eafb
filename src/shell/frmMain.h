#pragma once
// The main window: File and Help menus, the toolbar, the properties frame
// with the panel, and the page preview. It keeps no document state: the
// picture lives in the preview, its size and the cut-guides option in the
// panel, the printer in the platform's current printer.
#include "platform/desktop/CommonDialog.h"
#include "properties/MainFormLink.h"
#include "shell/MainLayout.h"

#include <QMainWindow>
#include <memory>

class QAction;
class QGroupBox;
class QMenu;
class QToolBar;
class ucPageLayout;
class ucProperties;
namespace shell {
class JobReport;
}

class frmMain : public QMainWindow, public MainFormLink {
    Q_OBJECT
public:
    explicit frmMain(QWidget* parent = nullptr);
    ~frmMain() override;

    // Loads (Form_Load) and shows the window, modeless, without owner.
    void Show();

    // Cut-guides relay from the panel to the preview.
    void SetCutGuidesVisible(const bool& Visible) override;
    void DeviceLookChanged() override;
    void SheetChanged() override;
    void PanelSizeChanged() override;

    // Commands; the toolbar runs the same handlers as the menu items.
    void mnuFileOpen_Click();
    // Opens the picture file at `path` as Open does after its dialog (the
    // command line and a drop on the window).
    void OpenPicture(const QString& path);
    void mnuFilePageSetup_Click();
    void mnuFileNudge_Click();
    void mnuFilePrint_Click();
    void mnuFileExit_Click();
    void mnuHelpAbout_Click();
    void tbToolBar_ButtonClick(const QString& Key);

    void Form_Load();
    void Form_Unload(int16_t& Cancel);
    void Form_Resize();

    // Window geometry in twips (outer rectangle) and state: 0 normal,
    // 1 minimized, 2 maximized.
    float Left() const;
    float Top() const;
    float Width() const;
    float Height() const;
    void SetLeft(float twips);
    void SetTop(float twips);
    void SetWidth(float twips);
    void SetHeight(float twips);
    int WindowState() const;

    // Tests put a scripted dialog in place of the real one.
    void SetCommonDialog(std::unique_ptr<platform::CommonDialog> dialog);
    platform::CommonDialog& dlgCommonDialog() { return *mDialog; }

    // The controls, reachable by name as the window's design has them.
    QMenu* mnuFile = nullptr;
    QAction* mnuFileOpen = nullptr;
    // The pictures opened last; filled from the settings each time File opens.
    QMenu* mnuFileRecent = nullptr;
    QAction* mnuFileBar1 = nullptr;
    QAction* mnuFilePageSetup = nullptr;
    QAction* mnuFileNudge = nullptr;
    QAction* mnuFilePrint = nullptr;
    QAction* mnuFileBar2 = nullptr;
    QAction* mnuFileExit = nullptr;
    QMenu* mnuHelp = nullptr;
    QAction* mnuHelpAbout = nullptr;
    QToolBar* tbToolBar = nullptr;
    QGroupBox* fraProperties = nullptr;
    ucProperties* ucProperties1 = nullptr;
    ucPageLayout* ucPageLayout1 = nullptr;

    // Twips geometry of the arranged controls, the values last stored.
    const shell::MainControls& controls() const { return mControls; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    // A picture file dropped on the window opens like File > Open...
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void CreateMenus();
    // One item per recent picture that still exists, "&1 name.png", opening it.
    void FillRecentMenu();
    void CreateToolBar();
    void CreateControls();
    void ArrangeControls();
    void ApplyControlGeometry();

    std::unique_ptr<platform::CommonDialog> mDialog;
    shell::MainControls mControls;
    // The status bar's account of the last print and the job it follows; a
    // child of the window.
    shell::JobReport* mReport = nullptr;
    bool mUnloaded = false;
};
