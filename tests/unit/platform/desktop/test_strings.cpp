// The string-table routine on purpose-built windows and on the main window.
#include "platform/desktop/ControlKinds.h"
#include "shell/Module1.h"
#include "shell/frmMain.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTabBar>
#include <QTableView>
#include <QToolBar>

using Module1::ApplyFormStrings;

namespace {

// A user control: a class of its own, with no caption property.
class ucSample : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
};

QString LabelAfter(const QString& tag) {
    QWidget form;
    auto* label = new QLabel(QStringLiteral("design"), &form);
    label->setProperty("Tag", tag);
    ApplyFormStrings(&form);
    return label->text();
}

QString FrameAfter(const QString& tag) {
    QWidget form;
    auto* frame = new QGroupBox(QStringLiteral("design"), &form);
    frame->setProperty("Tag", tag);
    ApplyFormStrings(&form);
    return frame->title();
}

QString ButtonAfter(const QString& tag) {
    QWidget form;
    auto* button = new QPushButton(QStringLiteral("design"), &form);
    button->setProperty("Tag", tag);
    ApplyFormStrings(&form);
    return button->text();
}

}  // namespace

TEST(FormStrings, TagConversionByKind) {
    // Labels convert their Tag strictly; frames and buttons take its leading
    // number and only when it is above 0.
    const QString design = QStringLiteral("design");
    const QString properties = QStringLiteral("Properties");
    struct Case {
        const char* tag;
        QString label, frame, button;
    };
    const Case cases[] = {
        {"1010", properties, properties, properties},
        {" 1010 ", properties, properties, properties},
        {"", design, design, design},
        {"999", design, design, design},          // no text for that id
        {"1010abc", design, properties, properties},
        {"abc1010", design, design, design},
        {"0", design, design, design},
        {"-1010", design, design, design},
        {"40000", design, design, design},        // beyond 16 bits
        {"1009.5", properties, properties, properties},  // halves go to even
        {"1010.5", properties, properties, properties},
    };
    for (const Case& c : cases) {
        const QString tag = QString::fromLatin1(c.tag);
        EXPECT_EQ(LabelAfter(tag), c.label) << "label, Tag \"" << c.tag << '"';
        EXPECT_EQ(FrameAfter(tag), c.frame) << "frame, Tag \"" << c.tag << '"';
        EXPECT_EQ(ButtonAfter(tag), c.button) << "button, Tag \"" << c.tag << '"';
    }
}

TEST(FormStrings, WindowCaptionFromStrictTag) {
    struct Case {
        const char* tag;  // nullptr: the window has no Tag
        const char* caption;
    };
    const Case cases[] = {
        {"1012", "About Ombrastele"}, {nullptr, "design"}, {"1012x", "design"}, {"", "design"}, {"5", "design"}};
    for (const Case& c : cases) {
        QWidget form;
        form.setWindowTitle(QStringLiteral("design"));
        if (c.tag) form.setProperty("Tag", QString::fromLatin1(c.tag));
        ApplyFormStrings(&form);
        EXPECT_EQ(form.windowTitle(), QString::fromLatin1(c.caption)) << (c.tag ? c.tag : "(no Tag)");
    }
}

TEST(FormStrings, TooltipsOfOtherKindsAndUnitsFailAlone) {
    QWidget form;
    auto* button = new QPushButton(QStringLiteral("design"), &form);
    button->setToolTip(QStringLiteral("1011"));
    auto* check = new QCheckBox(QStringLiteral("design"), &form);
    check->setProperty("Tag", QStringLiteral("1009"));
    // A user control has no caption: its Tag unit fails, its tooltip unit
    // still runs.
    auto* user = new ucSample(&form);
    user->setProperty("Tag", QStringLiteral("1010"));
    user->setToolTip(QStringLiteral("1009"));
    // Labels take their text from the Tag only; the tooltip stays.
    auto* label = new QLabel(QStringLiteral("design"), &form);
    label->setToolTip(QStringLiteral("1011"));
    ApplyFormStrings(&form);
    EXPECT_EQ(button->toolTip(), "Print");
    EXPECT_EQ(button->text(), "design");
    EXPECT_EQ(check->text(), "Open");
    EXPECT_EQ(user->toolTip(), "Open");
    EXPECT_FALSE(user->property("text").isValid());
    EXPECT_EQ(label->toolTip(), "1011");
    EXPECT_EQ(label->text(), "design");
}

TEST(FormStrings, ControlsInFramesAreReachedButNotThoseInsideUserControlsOrOtherWindows) {
    QWidget form;
    auto* frame = new QGroupBox(&form);
    auto* inFrame = new QLabel(QStringLiteral("design"), frame);
    inFrame->setProperty("Tag", QStringLiteral("1014"));
    auto* user = new ucSample(&form);
    auto* inUser = new QLabel(QStringLiteral("design"), user);
    inUser->setProperty("Tag", QStringLiteral("1014"));
    auto* dialog = new QWidget(&form, Qt::Dialog);
    auto* inDialog = new QLabel(QStringLiteral("design"), dialog);
    inDialog->setProperty("Tag", QStringLiteral("1014"));
    ApplyFormStrings(&form);
    EXPECT_EQ(inFrame->text(), "OK");
    EXPECT_EQ(inUser->text(), "design");
    EXPECT_EQ(inDialog->text(), "design");
    EXPECT_EQ(platform::ControlKind(user), "ucSample");
    EXPECT_EQ(platform::ControlKind(frame), "Frame");
}

namespace {
// A window with every carrier of ids: menus, toolbar, tab strip, list view.
struct TestWindow {
    QMainWindow form;
    QMenu* file = nullptr;
    QMenu* sub = nullptr;
    QList<QAction*> items;
    QToolBar* bar = nullptr;
    QList<QAction*> buttons;
    QTabBar* tabs = nullptr;
    QStandardItemModel model{1, 2};
    QTableView* table = nullptr;

    TestWindow() {
        file = form.menuBar()->addMenu(QStringLiteral("1000"));
        items << file->addAction(QStringLiteral("1001"));
        QAction* sep = file->addSeparator();
        sep->setText(QStringLiteral("-"));
        items << sep << file->addAction(QString()) << file->addAction(QStringLiteral("abc"));
        sub = file->addMenu(QStringLiteral("1007"));
        items << sub->addAction(QStringLiteral("1008"));

        bar = new QToolBar(&form);
        form.addToolBar(bar);
        buttons << bar->addAction(QStringLiteral("b1")) << bar->addSeparator() << bar->addAction(QStringLiteral("b3"))
                << bar->addAction(QStringLiteral("b4"));
        buttons[0]->setToolTip(QStringLiteral("1009"));
        buttons[2]->setToolTip(QStringLiteral("1011"));
        buttons[3]->setToolTip(QStringLiteral("1011x"));

        auto* client = new QWidget(&form);
        form.setCentralWidget(client);
        tabs = new QTabBar(client);
        tabs->addTab(QStringLiteral("t0"));
        tabs->setTabData(0, QStringLiteral("1010"));
        tabs->setTabToolTip(0, QStringLiteral("1011"));
        // Caption fails (Tag not a number), tooltip still converts.
        tabs->addTab(QStringLiteral("t1"));
        tabs->setTabData(1, QStringLiteral("x"));
        tabs->setTabToolTip(1, QStringLiteral("1009"));

        table = new QTableView(client);
        table->setModel(&model);
        model.setHeaderData(0, Qt::Horizontal, QStringLiteral("h0"), Qt::DisplayRole);
        model.setHeaderData(0, Qt::Horizontal, QStringLiteral("1003"), Qt::UserRole);
        model.setHeaderData(1, Qt::Horizontal, QStringLiteral("h1"), Qt::DisplayRole);
    }

    QStringList Snapshot() const {
        QStringList s{form.windowTitle(), file->title(), sub->title()};
        for (QAction* a : items) s << a->text();
        for (QAction* b : buttons) s << b->toolTip();
        for (int i = 0; i < tabs->count(); ++i) s << tabs->tabText(i) << tabs->tabToolTip(i);
        for (int c = 0; c < 2; ++c) s << model.headerData(c, Qt::Horizontal).toString();
        return s;
    }
};
}  // namespace

TEST(FormStrings, MenusToolbarsTabsAndHeaders) {
    TestWindow w;
    ApplyFormStrings(&w.form);
    EXPECT_EQ(w.file->title(), "&File");
    EXPECT_EQ(w.sub->title(), "&Help");
    const QStringList items{"&Open...", "-", "", "abc", "&About "};
    for (int i = 0; i < items.size(); ++i) EXPECT_EQ(w.items[i]->text(), items[i]) << "menu item " << i;
    EXPECT_EQ(w.buttons[0]->toolTip(), "Open");
    EXPECT_EQ(w.buttons[1]->toolTip(), "");
    EXPECT_EQ(w.buttons[2]->toolTip(), "Print");
    EXPECT_EQ(w.buttons[3]->toolTip(), "1011x");
    EXPECT_EQ(w.tabs->tabText(0), "Properties");
    EXPECT_EQ(w.tabs->tabToolTip(0), "Print");
    EXPECT_EQ(w.tabs->tabText(1), "t1");
    EXPECT_EQ(w.tabs->tabToolTip(1), "Open");
    EXPECT_EQ(w.model.headerData(0, Qt::Horizontal).toString(), "Propert&ies");
    EXPECT_EQ(w.model.headerData(1, Qt::Horizontal).toString(), "h1");
}

TEST(FormStrings, SecondApplicationChangesNothingMore) {
    TestWindow w;
    ApplyFormStrings(&w.form);
    const QStringList once = w.Snapshot();
    ApplyFormStrings(&w.form);
    EXPECT_EQ(w.Snapshot(), once);
}

TEST(FormStrings, ControlWithItsOwnFontFollowsTheWindow) {
    QWidget form;
    QFont formFont = form.font();
    formFont.setPointSize(11);
    form.setFont(formFont);
    auto* own = new QLabel(&form);
    QFont big = own->font();
    big.setPointSize(30);
    own->setFont(big);
    auto* inherits = new QLabel(&form);
    ApplyFormStrings(&form);
    EXPECT_EQ(own->font().pointSize(), 11);
    EXPECT_EQ(inherits->font().pointSize(), 11);
    EXPECT_EQ(form.font().pointSize(), 11);  // ids 20 and 21 have no text
}

TEST(FormStrings, MainWindowTakesItsTexts) {
    frmMain w;
    ApplyFormStrings(&w);
    struct Case {
        QAction* action;
        const char* text;
    };
    const Case menu[] = {{w.mnuFile->menuAction(), "&File"},  {w.mnuFileOpen, "&Open..."},
                         {w.mnuFileBar1, "-"},                {w.mnuFilePageSetup, "Page Set&up..."},
                         {w.mnuFileNudge, "&Nudge..."},       {w.mnuFilePrint, "&Print"},
                         {w.mnuFileBar2, "-"},
                         {w.mnuFileExit, "E&xit"},            {w.mnuHelp->menuAction(), "&Help"},
                         {w.mnuHelpAbout, "&About "}};
    for (const Case& c : menu) EXPECT_EQ(c.action->text(), QString::fromLatin1(c.text)) << c.text;
    const QList<QAction*> file = w.mnuFile->actions();
    EXPECT_EQ(file.indexOf(w.mnuFileNudge), file.indexOf(w.mnuFilePageSetup) + 1);
    QStringList tips;
    for (QAction* a : w.tbToolBar->actions())
        if (a->property("Key").isValid()) tips << a->property("Key").toString() + '=' + a->toolTip();
    EXPECT_EQ(tips, QStringList({"Open=Open", "Print=Print"}));
    EXPECT_EQ(w.fraProperties->title(), "Properties");
    EXPECT_EQ(w.windowTitle(), "Ombrastele");

    // Menu captions are texts now and fail the strict conversion.
    ApplyFormStrings(&w);
    EXPECT_EQ(w.mnuFileOpen->text(), "&Open...");
    EXPECT_EQ(w.fraProperties->title(), "Properties");
}

#include "test_strings.moc"
