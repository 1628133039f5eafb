#include "shell/frmMain.h"

#include "about/frmAbout.h"
#include "inputs/DroppedFile.h"
#include "inputs/NudgeDialog.h"
#include "inputs/OpenCommand.h"
#include "inputs/PageSetup.h"
#include "platform/base/Failure.h"
#include "platform/base/FileNames.h"
#include "platform/desktop/Forms.h"
#include "platform/base/Numeric.h"
#include "platform/base/Progress.h"
#include "platform/desktop/ProgressDialog.h"
#include "platform/base/Screen.h"
#include "platform/base/Settings.h"
#include "preview/ucPageLayout.h"
#include "printing/PrintCommand.h"
#include "properties/ucProperties.h"
#include "platform/base/AppInfo.h"
#include "shell/JobReport.h"
#include "shell/LineSeparatorMenu.h"
#include "shell/Module1.h"
#include "platform/desktop/Resources.h"

#include <QAction>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>

#include <cmath>
#include <optional>

namespace {
const char* const kSection = "Settings";

struct PlacementKey {
    const char* key;
    float defaultTwips;
};
// Order matters: left, top, width, height. The first size (560 x 500 pixels
// at 96 dpi) shows the whole panel, Layout section closed, without scrolling,
// under a title bar too, and a preview beside it about as wide.
constexpr PlacementKey kPlacement[] = {
    {"MainLeft", 1000}, {"MainTop", 1000}, {"MainWidth", 8400}, {"MainHeight", 7500}};

// X11 (and Qt's widget geometry) hold window coordinates in 16 bits; beyond
// that a stored number wraps and Qt tries to paint a window a billion pixels
// wide. Such a value was not written by this program for any real screen, so
// it counts as not a number. Whether the window lands on a screen is looked
// at once all four are read.
constexpr double kLargestWindowPixels = 32767;

std::optional<float> UsablePlacement(const QString& text, bool isSize, double twipsPerPixel) {
    const std::optional<double> v = platform::ParseNumber(text);
    if (!v) return std::nullopt;
    const double pixels = *v / twipsPerPixel;
    if (std::fabs(pixels) > kLargestWindowPixels || (isSize && pixels < 1)) return std::nullopt;
    return float(*v);
}
}  // namespace

frmMain::frmMain(QWidget* parent)
    : QMainWindow(parent), mDialog(std::make_unique<platform::CommonDialog>()) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(AppTitle());
    setWindowIcon(ProgramIcon());
    mDialog->owner = this;
    setAcceptDrops(true);  // a picture file dropped on the window opens like File > Open...
    CreateMenus();
    CreateControls();
    CreateToolBar();
    mReport = new shell::JobReport(statusBar(), this);
    ApplyControlGeometry();
}

frmMain::~frmMain() = default;

void frmMain::CreateMenus() {
    // Captions are string ids; Form_Load puts the texts in (ApplyFormStrings).
    auto item = [this](QMenu* menu, const char* name, const char* caption, void (frmMain::*handler)()) {
        QAction* a = menu->addAction(QString::fromLatin1(caption));
        a->setObjectName(QString::fromLatin1(name));
        a->setMenuRole(QAction::NoRole);
        connect(a, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
        return a;
    };
    auto separator = [](QMenu* menu, const char* name) {
        QAction* a = menu->addSeparator();
        a->setObjectName(QString::fromLatin1(name));
        a->setText(QStringLiteral("-"));
        return a;
    };
    auto menu = [this](const QString& caption) {
        QMenu* m = new shell::LineSeparatorMenu(caption, this);
        menuBar()->addMenu(m);
        return m;
    };
    mnuFile = menu(QStringLiteral("1000"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuFile->menuAction()->setObjectName(QStringLiteral("mnuFile"));
    mnuFileOpen = item(mnuFile, "mnuFileOpen", "1001", &frmMain::mnuFileOpen_Click);
    mnuFileRecent = new shell::LineSeparatorMenu(QStringLiteral("1020"), this);
    mnuFileRecent->setObjectName(QStringLiteral("mnuFileRecent"));
    mnuFileRecent->menuAction()->setObjectName(QStringLiteral("mnuFileRecent"));
    mnuFile->addMenu(mnuFileRecent);
    // Before File shows, so an empty list shows as a disabled item.
    connect(mnuFile, &QMenu::aboutToShow, this, [this] { FillRecentMenu(); });
    mnuFileBar1 = separator(mnuFile, "mnuFileBar1");
    mnuFilePageSetup = item(mnuFile, "mnuFilePageSetup", "1004", &frmMain::mnuFilePageSetup_Click);
    mnuFileNudge = item(mnuFile, "mnuFileNudge", "1019", &frmMain::mnuFileNudge_Click);
    mnuFilePrint = item(mnuFile, "mnuFilePrint", "1005", &frmMain::mnuFilePrint_Click);
    mnuFileBar2 = separator(mnuFile, "mnuFileBar2");
    mnuFileExit = item(mnuFile, "mnuFileExit", "1006", &frmMain::mnuFileExit_Click);
    mnuHelp = menu(QStringLiteral("1007"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    mnuHelp->menuAction()->setObjectName(QStringLiteral("mnuHelp"));
    mnuHelpAbout = item(mnuHelp, "mnuHelpAbout", "1008", &frmMain::mnuHelpAbout_Click);
    // The platform's own keys where it has them; the menus show them.
    mnuFileOpen->setShortcut(QKeySequence::Open);
    mnuFilePrint->setShortcut(QKeySequence::Print);
    // Windows has no standard key to quit; Ctrl+Q is what Linux desktops use.
    const QKeySequence quit(QKeySequence::Quit);
    mnuFileExit->setShortcut(quit.isEmpty() ? QKeySequence(Qt::CTRL | Qt::Key_Q) : quit);
    mnuFilePageSetup->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P));
}

// A recent picture's name in the menu: a name of 255 bytes would make the
// menu wider than the screen.
constexpr int kRecentNameChars = 60;

void frmMain::FillRecentMenu() {
    mnuFileRecent->clear();
    const QStringList pictures = platform::RecentPictures(AppTitle());
    for (int i = 0; i < pictures.size(); ++i) {
        const QString& path = pictures[i];
        QString name = platform::ShortenedName(path.section(QLatin1Char('/'), -1), kRecentNameChars);
        name.replace(QLatin1Char('&'), QStringLiteral("&&"));  // a file name's '&' is no access key
        QAction* a = mnuFileRecent->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(name));
        a->setObjectName(QStringLiteral("mnuFileRecent%1").arg(i + 1));
        a->setStatusTip(platform::ShownFileName(path));
        a->setToolTip(platform::ShownFileName(path));
        connect(a, &QAction::triggered, this, [this, path] { OpenPicture(path); });
    }
    mnuFileRecent->menuAction()->setEnabled(!pictures.isEmpty());
}

void frmMain::CreateToolBar() {
    tbToolBar = new QToolBar(centralWidget());
    tbToolBar->setObjectName(QStringLiteral("tbToolBar"));
    tbToolBar->setMovable(false);
    tbToolBar->setFloatable(false);
    tbToolBar->setIconSize(QSize(16, 16));
    tbToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    struct Button {
        const char* key;
        const char* toolTip;
    };
    // Position 2 is a separator without key or tooltip.
    const Button buttons[] = {{"Open", "1009"}, {nullptr, nullptr}, {"Print", "1011"}};
    for (const Button& b : buttons) {
        QAction* a = nullptr;
        if (!b.key) {
            a = tbToolBar->addSeparator();
        } else {
            a = tbToolBar->addAction(ToolbarImage(QString::fromLatin1(b.key)), QString());
            a->setObjectName(QStringLiteral("tbToolBar_%1").arg(QString::fromLatin1(b.key)));
            a->setProperty("Key", QString::fromLatin1(b.key));
            a->setToolTip(QString::fromLatin1(b.toolTip));
            const QString key = QString::fromLatin1(b.key);
            connect(a, &QAction::triggered, this, [this, key] { tbToolBar_ButtonClick(key); });
        }
    }
}

void frmMain::CreateControls() {
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("frmMainClient"));
    client->setAutoFillBackground(true);
    client->setBackgroundRole(QPalette::Dark);  // the application-workspace colour
    setCentralWidget(client);

    fraProperties = new QGroupBox(QString(), client);
    fraProperties->setObjectName(QStringLiteral("fraProperties"));
    fraProperties->setProperty("Tag", QStringLiteral("1010"));
    fraProperties->setAutoFillBackground(true);
    fraProperties->setBackgroundRole(QPalette::Window);

    ucProperties1 = new ucProperties(fraProperties);
    ucPageLayout1 = new ucPageLayout(client);
}

void frmMain::ApplyControlGeometry() {
    using platform::TwipsToPixels;
    if (tbToolBar) tbToolBar->setGeometry(TwipsToPixels(mControls.tbToolBar.toRectF()));
    fraProperties->setGeometry(TwipsToPixels(mControls.fraProperties.toRectF()));
    ucProperties1->setGeometry(TwipsToPixels(mControls.ucProperties1.toRectF()));
    ucPageLayout1->setGeometry(TwipsToPixels(mControls.ucPageLayout1.toRectF()));
}

void frmMain::Show() {
    // A failure while loading ends Form_Load at that step; the window still
    // shows with what was done, and the user hears what failed.
    platform::LeaveWithMessage(QStringLiteral("Ombrastele could not finish starting up."),
                               [this] { Form_Load(); });
    platform::RegisterForm(this);
    show();
}

void frmMain::Form_Load() {
    Module1::ApplyFormStrings(this);
    using platform::GetSetting;
    // Left, top, width, height, in this order; each reads its own key.
    float twips[4];
    for (int i = 0; i < 4; ++i) {
        const PlacementKey& p = kPlacement[i];
        const bool horizontal = i == 0 || i == 2;
        const QString text = GetSetting(AppTitle(), QString::fromLatin1(kSection),
                                        QString::fromLatin1(p.key), QString::number(int(p.defaultTwips)));
        // The program always writes numbers; anything else takes the default.
        const std::optional<float> usable =
            UsablePlacement(text, i >= 2, horizontal ? platform::TwipsPerPixelX() : platform::TwipsPerPixelY());
        if (!usable)
            platform::WarnStoredValue(QStringLiteral("window placement %1").arg(QLatin1String(p.key)), text,
                                      QStringLiteral("usable"), QStringLiteral("the default is used"));
        twips[i] = usable.value_or(p.defaultTwips);
    }
    // A window off every screen (a screen since removed, a hand-edited
    // file) could not be seen or moved: it starts where it would the first time.
    const QRect pixels = platform::TwipsToPixels(QRectF(twips[0], twips[1], twips[2], twips[3]));
    if (!platform::OnSomeScreen(pixels, platform::ScreenRects())) {
        platform::Warn(QStringLiteral("the stored window placement (%1, %2, %3 x %4 pixels) is off every screen; "
                                      "the default placement is used")
                           .arg(pixels.x())
                           .arg(pixels.y())
                           .arg(pixels.width())
                           .arg(pixels.height()));
        for (int i = 0; i < 4; ++i) twips[i] = kPlacement[i].defaultTwips;
    }
    SetLeft(twips[0]);
    SetTop(twips[1]);
    SetWidth(twips[2]);
    SetHeight(twips[3]);
    ucProperties1->SetMainForm(this);
    inputs::ApplyPrinter(*ucProperties1, *ucPageLayout1);
}

void frmMain::Form_Unload(int16_t& /*Cancel*/) {
    // Every other loaded window first, the most recently loaded first; index 0
    // is this window.
    for (int16_t i = int16_t(platform::Forms().count() - 1); i >= 1; --i) {
        const QList<QWidget*> forms = platform::Forms();
        if (i < forms.count()) platform::Unload(forms[i]);
    }
    if (WindowState() != 1) {
        const float values[] = {Left(), Top(), Width(), Height()};
        for (int i = 0; i < 4; ++i)
            platform::SaveSetting(AppTitle(), QString::fromLatin1(kSection),
                                  QString::fromLatin1(kPlacement[i].key), QString::number(values[i]));
    }
}

void frmMain::closeEvent(QCloseEvent* event) {
    if (!mUnloaded) {
        mUnloaded = true;
        int16_t Cancel = 0;
        platform::LeaveWithMessage(QStringLiteral("The window placement could not be saved."),
                                   [&] { Form_Unload(Cancel); });
        platform::UnregisterForm(this);
    }
    event->accept();  // the unload is never cancelled
}

void frmMain::tbToolBar_ButtonClick(const QString& Key) {
    // A failure of a command started here is dropped without a word.
    platform::ContinueOnFailure([&] {
        if (Key == QLatin1String("Open")) {
            mnuFileOpen_Click();
        } else if (Key == QLatin1String("Print")) {
            mnuFilePrint_Click();
        }
    });
}

void frmMain::mnuFileOpen_Click() { inputs::OpenFromDialog(dlgCommonDialog(), *ucProperties1, *ucPageLayout1); }

void frmMain::OpenPicture(const QString& path) { inputs::OpenPicture(*ucProperties1, *ucPageLayout1, path); }

void frmMain::mnuFilePageSetup_Click() { inputs::PageSetup(dlgCommonDialog(), *ucProperties1, *ucPageLayout1); }

void frmMain::mnuFileNudge_Click() {
    inputs::Nudge(this, *ucProperties1, *ucPageLayout1, [this](QPoint nudge) {
        printing::PrintResult result;
        {
            platform::DialogProgress progress(this, QStringLiteral("Printing"),
                                              QStringLiteral("Printing the calibration page..."));
            const platform::ProgressScope scope(&progress);
            result = printing::PrintCalibrationPage(nudge);
        }
        mReport->Took(result);
    });
}

void frmMain::mnuFilePrint_Click() {
    printing::PrintResult result;
    {
        platform::DialogProgress progress(this, QStringLiteral("Printing"), QStringLiteral("Printing the picture..."));
        const platform::ProgressScope scope(&progress);
        result = printing::PrintFromControls(*ucProperties1, *ucPageLayout1);
    }
    mReport->Took(result);
}

void frmMain::mnuFileExit_Click() { platform::Unload(this); }

void frmMain::mnuHelpAbout_Click() {
    frmAbout* about = frmAbout::Instance(this);
    about->ShowModal();
}

void frmMain::SetCutGuidesVisible(const bool& Visible) { ucPageLayout1->SetCutGuidesVisible(Visible); }

void frmMain::DeviceLookChanged() { ucPageLayout1->DeviceLookChanged(); }

void frmMain::SheetChanged() { ucPageLayout1->SetSheet(ucProperties1->Sheet()); }

void frmMain::PanelSizeChanged() { ArrangeControls(); }

void frmMain::SetCommonDialog(std::unique_ptr<platform::CommonDialog> dialog) {
    mDialog = std::move(dialog);
    mDialog->owner = this;
}

// --- geometry in twips ---------------------------------------------------

float frmMain::Left() const { return float(frameGeometry().x() * platform::TwipsPerPixelX()); }
float frmMain::Top() const { return float(frameGeometry().y() * platform::TwipsPerPixelY()); }
float frmMain::Width() const { return float(frameGeometry().width() * platform::TwipsPerPixelX()); }
float frmMain::Height() const { return float(frameGeometry().height() * platform::TwipsPerPixelY()); }

void frmMain::SetLeft(float twips) {
    move(int(std::lround(twips / platform::TwipsPerPixelX())), frameGeometry().y());
}
void frmMain::SetTop(float twips) {
    move(frameGeometry().x(), int(std::lround(twips / platform::TwipsPerPixelY())));
}
void frmMain::SetWidth(float twips) {
    const int frameExtra = frameGeometry().width() - geometry().width();
    resize(std::max(1, int(std::lround(twips / platform::TwipsPerPixelX())) - frameExtra), geometry().height());
}
void frmMain::SetHeight(float twips) {
    const int frameExtra = frameGeometry().height() - geometry().height();
    resize(geometry().width(), std::max(1, int(std::lround(twips / platform::TwipsPerPixelY())) - frameExtra));
}

int frmMain::WindowState() const {
    if (isMinimized()) return 1;
    if (isMaximized()) return 2;
    return 0;
}

// --- a picture file dropped on the window opens like File > Open... -------

void frmMain::dragEnterEvent(QDragEnterEvent* event) {
    // The content decides whether it is a picture, as with Open: any single
    // file is welcome, and one that does not decode changes nothing.
    if (!inputs::DroppedFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void frmMain::dropEvent(QDropEvent* event) {
    const QString path = inputs::DroppedFile(event->mimeData());
    if (path.isEmpty()) return;
    event->acceptProposedAction();
    OpenPicture(path);
}

// --- layout ----------------------------------------------------------------

void frmMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

void frmMain::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    // Minimising and restoring are changes of size too.
    if (event->type() == QEvent::WindowStateChange) Form_Resize();
}

void frmMain::Form_Resize() { ArrangeControls(); }

void frmMain::ArrangeControls() {
    // The status bar takes its height from the bottom of the client area.
    const float statusBarTwips = float(statusBar()->sizeHint().height() * platform::TwipsPerPixelY());
    // The panel widens, and the preview narrows, when its figures or its
    // scroll bar need more room than its design width.
    shell::ArrangeControls(mControls, Width(), Height() - statusBarTwips, [this](float panelHeightTwips) {
        const int pixels = int(std::lround(panelHeightTwips / platform::TwipsPerPixelY()));
        return float(ucProperties1->WidthFor(pixels) * platform::TwipsPerPixelX());
    });
    ApplyControlGeometry();
}
