// The main window at its first-run size on a real X server, a real queue with
// the longest figures the panel shows (a long queue name, "Other, Landscape",
// five-digit pixels, gap and overlap, the largest nudge), a picture opened: every label and control of
// the panel must show whole, inside what its scroll area shows and clear of
// its scroll bar, with the Layout section closed (and then no scroll bar at
// all) and open. The window lives in a child run of this very program, on
// the private X server, since this process's application is offscreen.
#include "support/CupsScheduler.h"
#include "support/VirtualDisplay.h"

#include "platform/print/Nudge.h"
#include "platform/print/PagePrinter.h"
#include "platform/print/SystemPrinters.h"
#include "preview/ucPageLayout.h"
#include "properties/ucProperties.h"
#include "shell/frmMain.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QProcess>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

namespace {

const char* const kChildVariable = "OMBRASTELE_PANEL_ON_SCREEN";
const QString kQueue = QStringLiteral("Label_Printer_In_The_Dispatch_Room_Beside_The_Loading_Bay_Door_Number_3");

// What of `widget` the user cannot see: cut by its own size (a text wider
// than the label, a control smaller than it wants) or lying outside the
// viewport (under the scroll bar, past the panel's edge). Empty when whole.
QString Hidden(const QWidget& widget, const QWidget& viewport, bool wholeHeight) {
    QString why;
    if (const auto* label = qobject_cast<const QLabel*>(&widget)) {
        for (const QString& line : label->text().split(QLatin1Char('\n')))
            if (label->fontMetrics().horizontalAdvance(line) > label->contentsRect().width())
                why += QStringLiteral(" text '%1' wider than its label").arg(line);
    } else if (widget.width() < widget.sizeHint().width()) {
        why += QStringLiteral(" narrower (%1) than it needs (%2)").arg(widget.width()).arg(widget.sizeHint().width());
    }
    const QRect onViewport(widget.mapTo(&viewport, QPoint(0, 0)), widget.size());
    const QRect room = viewport.rect();
    if (onViewport.left() < room.left() || onViewport.right() > room.right())
        why += QStringLiteral(" columns %1-%2 outside the %3 the panel shows")
                   .arg(onViewport.left())
                   .arg(onViewport.right())
                   .arg(room.width());
    if (wholeHeight && (onViewport.top() < room.top() || onViewport.bottom() > room.bottom()))
        why += QStringLiteral(" rows %1-%2 outside the %3 the panel shows")
                   .arg(onViewport.top())
                   .arg(onViewport.bottom())
                   .arg(room.height());
    return why;
}

// Every control of the panel on show, checked; `wholeHeight` when nothing may
// need scrolling to.
void ExpectWhole(const ucProperties& panel, bool wholeHeight) {
    const auto* scroll = panel.findChild<QScrollArea*>();
    ASSERT_NE(scroll, nullptr);
    const QWidget& viewport = *scroll->viewport();
    int checked = 0;
    for (const QWidget* w : scroll->widget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!w->isVisible() || (qobject_cast<const QLabel*>(w) && static_cast<const QLabel*>(w)->text().isEmpty()))
            continue;
        ++checked;
        const QString why = Hidden(*w, viewport, wholeHeight);
        EXPECT_TRUE(why.isEmpty()) << w->objectName().toStdString() << ":" << why.toStdString();
    }
    EXPECT_GE(checked, 20);
}

}  // namespace

// The window itself; runs only as the child the test below starts.
TEST(PanelOnScreen, EveryFigureIsWhole) {
    if (qEnvironmentVariableIsEmpty(kChildVariable)) GTEST_SKIP() << "run by FirstSizeWindow";
    QString error;
    ASSERT_TRUE(testcups::Scheduler::Instance().Start(&error)) << error.toStdString();
    testcups::Scheduler::Instance().AddRasterQueue(kQueue, QStringLiteral("real/dymo-lw450.ppd"));
    platform::StoreNudge(kQueue, QPoint(-platform::kMaxNudgeDots, platform::kMaxNudgeDots));
    const platform::PrinterPtr printer = platform::MakeQueuePrinter(kQueue);
    auto* page = dynamic_cast<platform::PagePrinter*>(printer.get());
    ASSERT_NE(page, nullptr);
    page->SetOrientation(platform::kLandscape);
    platform::SetCurrentPrinter(printer);

    QTemporaryDir dir;
    const QString picture = dir.filePath(QStringLiteral("wide.png"));
    QImage image(32767, 99, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    ASSERT_TRUE(image.save(picture));

    frmMain window;
    window.Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.OpenPicture(picture);
    QTest::qWait(300);
    const ucProperties& panel = *window.ucProperties1;
    const auto label = [&](const char* name) {
        return panel.findChild<QLabel*>(QString::fromLatin1(name))->text().toStdString();
    };
    ASSERT_EQ(label("lblPaperSize"), "Other, Landscape");
    ASSERT_EQ(label("lblSize"), "32767 x 99 pixels");
    ASSERT_EQ(label("lblNudge"), "Nudge: 2400 left, 2400 down (dots)");
    EXPECT_FALSE(panel.IsLayoutOpen());

    // The panel lies whole in the window: above the status bar, left of the preview.
    const QRect panelRect(panel.mapTo(&window, QPoint(0, 0)), panel.size());
    EXPECT_LE(panelRect.bottom(), window.statusBar()->geometry().top()) << "the status bar covers the panel";
    EXPECT_LT(window.fraProperties->geometry().right(), window.ucPageLayout1->geometry().left());

    {
        SCOPED_TRACE("Layout closed");
        EXPECT_FALSE(panel.findChild<QScrollArea*>()->verticalScrollBar()->isVisible())
            << "the panel scrolls at the window's first size";
        ExpectWhole(panel, true);
    }
    {
        SCOPED_TRACE("Layout open, five-digit gap and overlap");
        window.ucProperties1->SetSheet({16, 9999, 99999, true, 99999});
        QTest::qWait(300);
        EXPECT_TRUE(panel.IsLayoutOpen());
        EXPECT_EQ(label("lblSheet"), "Too large at 16 dots per pixel");
        ExpectWhole(panel, false);
    }
    {
        SCOPED_TRACE("window lower than its first size");
        window.resize(window.width(), window.height() - 150);
        QTest::qWait(300);
        EXPECT_TRUE(panel.findChild<QScrollArea*>()->verticalScrollBar()->isVisible());
        ExpectWhole(panel, false);
    }
    window.close();
    testcups::Scheduler::Instance().DeleteQueue(kQueue);
}

TEST(FirstSizeWindow, EveryFigureOfThePanelIsWholeClosedAndOpen) {
    if (!qEnvironmentVariableIsEmpty(kChildVariable)) GTEST_SKIP() << "the child runs only the window";
    if (!testcups::Scheduler::Available()) GTEST_SKIP() << "no CUPS scheduler installed";
    testx::VirtualDisplay display;
    if (!display.isRunning()) GTEST_SKIP() << "Xvfb could not be started";
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kChildVariable), QStringLiteral("1"));
    env.insert(QStringLiteral("DISPLAY"), display.display());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=PanelOnScreen.*"), QStringLiteral("--gtest_color=no")});
    ASSERT_TRUE(child.waitForFinished(120000)) << "the window's run did not end";
    const QString out = QString::fromLocal8Bit(child.readAll());
    EXPECT_EQ(child.exitCode(), 0) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("[       OK ] PanelOnScreen.EveryFigureIsWhole"))) << out.toStdString();
}
