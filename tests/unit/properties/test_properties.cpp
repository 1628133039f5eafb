// The properties panel against a fake printer: figures, failures, layout and
// the cut-guides option. The test screen is 96 dpi (15 twips per pixel).
#include "platform/base/Failure.h"
#include "support/RecordingPrinter.h"
#include "properties/MainFormLink.h"
#include "properties/ucProperties.h"
#include "support/PanelControls.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>
#include <functional>

namespace {
std::string Str(const QString& s) { return s.toStdString(); }  // readable failure output
const QString kInch = QStringLiteral(" \"");

platform::PicturePtr MakePicture(int w, int h) {
    return std::make_shared<const platform::Picture>(QImage(w, h, QImage::Format_RGB32));
}

std::shared_ptr<platform::RecordingPrinter> MakePrinter(int16_t dpi = 600, const char* name = "Test Printer") {
    auto p = std::make_shared<platform::RecordingPrinter>();
    p->printQuality = dpi;
    p->deviceName = QString::fromLatin1(name);
    return p;
}

struct Panel : ucProperties {
    Panel() { setLocale(QLocale::c()); }
    std::string Captions() const {
        QStringList out;
        for (const QLabel* l : findChildren<QLabel*>()) out << l->text();
        return Str(out.join(QLatin1Char('|')));
    }
};

std::string FailureText(const std::function<void()>& f) {
    try {
        f();
    } catch (const platform::Failure& e) {
        return Str(e.message());
    }
    return "(no failure)";
}
}  // namespace

TEST(PropertiesPanel, FiguresInEitherOrder) {
    struct Case {
        int w, h;
        int16_t dpi;
        const char *size, *mega, *cm, *inches;
    };
    const Case cases[] = {
        {640, 480, 600, "640 x 480 pixels", "0.31 megapixels", "2.71 x 2.03 cm", "1.07 x 0.8"},
        {3000, 2000, 600, "3000 x 2000 pixels", "6 megapixels", "12.7 x 8.47 cm", "5 x 3.33"},
        {75, 225, 600, "75 x 225 pixels", "0.02 megapixels", "0.32 x 0.95 cm", "0.12 x 0.38"},
        {640, 480, -4, "640 x 480 pixels", "0.31 megapixels", "0 x 0 cm", "0 x 0"},
        {32767, 2, 1, "32767 x 2 pixels", "0.07 megapixels", "83228.18 x 5.08 cm", "32767 x 2"},
    };
    for (bool printerFirst : {true, false}) {
        for (const Case& c : cases) {
            Panel p;
            if (printerFirst) p.SetPrinter(MakePrinter(c.dpi));
            p.SetImage(MakePicture(c.w, c.h));
            if (!printerFirst) p.SetPrinter(MakePrinter(c.dpi));
            SCOPED_TRACE(std::string(c.size) + (printerFirst ? ", printer first" : ", picture first"));
            EXPECT_EQ(p.gPixelsX, c.w);
            EXPECT_EQ(p.gPixelsY, c.h);
            EXPECT_EQ(Str(PanelLabel(p, "lblSize")->text()), c.size);
            EXPECT_EQ(Str(PanelLabel(p, "lblMegaPixels")->text()), c.mega);
            EXPECT_EQ(Str(PanelLabel(p, "lblPhysicalSizeCm")->text()), c.cm);
            EXPECT_EQ(Str(PanelLabel(p, "lblPhysicalSizeInches")->text()), Str(QString::fromLatin1(c.inches) + kInch));
            EXPECT_EQ(Str(PanelLabel(p, "lblDPI")->text()), Str(QStringLiteral("%1 DPI").arg(c.dpi)));
        }
    }
    Panel noPrinter;
    noPrinter.SetImage(MakePicture(640, 480));
    EXPECT_EQ(Str(PanelLabel(noPrinter, "lblPhysicalSizeCm")->text()), "0 x 0 cm");
}

TEST(PropertiesPanel, PrinterFiguresAndLocale) {
    Panel p;
    auto printer = MakePrinter(300, "Office <i>Laser</i>");  // shown as plain text
    printer->paperSize = platform::kPaperLegal;
    printer->orientation = 2;
    printer->area = {8.0, 13.5, 2400, 4050};
    p.SetPrinter(printer);
    EXPECT_EQ(Str(PanelLabel(p, "lblPrinterHeader")->text()), "Printer Office <i>Laser</i>");
    EXPECT_EQ(PanelLabel(p, "lblPrinterHeader")->textFormat(), Qt::PlainText);
    EXPECT_TRUE(PanelLabel(p, "lblPrinterHeader")->font().bold());
    EXPECT_EQ(Str(PanelLabel(p, "lblPaperSize")->text()), "Other, Landscape");
    EXPECT_EQ(Str(PanelLabel(p, "lblEffectiveAreaCm")->text()), "20.32 x 34.29 cm");
    EXPECT_EQ(Str(PanelLabel(p, "lblEffectiveAreaInches")->text()), Str(QStringLiteral("8 x 13.5") + kInch));
    EXPECT_EQ(printer->ScaleMode(), platform::kInches);

    Panel de;
    de.setLocale(QLocale(QLocale::German, QLocale::Germany));
    de.SetPrinter(MakePrinter(600));  // the fake's A4: 7.77 x 11.19 in
    de.SetImage(MakePicture(640, 480));
    EXPECT_EQ(Str(PanelLabel(de, "lblMegaPixels")->text()), "0,31 megapixels");
    EXPECT_EQ(Str(PanelLabel(de, "lblPhysicalSizeCm")->text()), "2,71 x 2,03 cm");
    EXPECT_EQ(Str(PanelLabel(de, "lblEffectiveAreaCm")->text()), "19,73 x 28,43 cm");
    EXPECT_EQ(Str(PanelLabel(de, "lblPaperSize")->text()), "A4, Portrait");
}

TEST(PropertiesPanel, EmptyArgumentsChangeNothingAndKeepTheReferences) {
    Panel p;
    const auto printer = MakePrinter(600);
    p.SetPrinter(printer);
    p.SetImage(MakePicture(640, 480));
    const std::string before = p.Captions();
    p.SetPrinter(nullptr);
    p.SetImage(nullptr);
    EXPECT_EQ(p.Captions(), before);
    EXPECT_EQ(p.gPixelsX, 640);
    // Both are still held: the kept printer at a new resolution, with the kept picture.
    printer->printQuality = 300;
    p.SetPrinter(printer);
    EXPECT_EQ(Str(PanelLabel(p, "lblPhysicalSizeInches")->text()), Str(QStringLiteral("2.13 x 1.6") + kInch));
}

TEST(PropertiesPanel, PictureTooLargeKeepsTheOldSize) {
    // Too tall matters as much as too wide: the print job must never get the
    // width of the new picture with the height of the old one.
    for (QSize size : {QSize(40000, 10), QSize(10, 40000), QSize(32768, 1)}) {
        Panel p;
        p.SetPrinter(MakePrinter(600));
        p.SetImage(MakePicture(640, 480));
        const std::string before = p.Captions();
        EXPECT_EQ(FailureText([&] { p.SetImage(MakePicture(size.width(), size.height())); }), "Overflow");
        EXPECT_EQ(p.gPixelsX, 640) << size.width();
        EXPECT_EQ(p.gPixelsY, 480) << size.width();
        EXPECT_EQ(p.Captions(), before);
    }
}

TEST(PropertiesPanel, PrinterMemberFailingMidwayKeepsWhatWasWritten) {
    // A working printer first, then one whose member `fails` throws: the
    // captions before that step show the second printer, the rest the first.
    struct Case {
        const char* fails;
        const char *header, *dpi, *area, *paper;
    };
    const Case cases[] = {
        {"DeviceName", "Printer First", "300 DPI", "20.32 x 26.67 cm", "Letter, Portrait"},
        {"PrintQuality", "Printer Second", "300 DPI", "20.32 x 26.67 cm", "Letter, Portrait"},
        {"Area", "Printer Second", "600 DPI", "20.32 x 26.67 cm", "Letter, Portrait"},
        {"PaperSize", "Printer Second", "600 DPI", "19.73 x 28.43 cm", "none"},
        {"Orientation", "Printer Second", "600 DPI", "19.73 x 28.43 cm", "none"},
    };
    for (const Case& c : cases) {
        Panel p;
        auto first = MakePrinter(300, "First");
        first->paperSize = platform::kPaperLetter;
        first->area = {8, 10.5, 2400, 3150};
        p.SetPrinter(first);
        auto second = MakePrinter(600, "Second");
        const std::string failing = c.fails;
        second->failWhen = [failing](const char* member) {
            if (failing == member) platform::Fail(QStringLiteral("Printer is offline"));
        };
        SCOPED_TRACE(c.fails);
        EXPECT_EQ(FailureText([&] { p.SetPrinter(second); }), "Printer is offline");
        EXPECT_EQ(Str(PanelLabel(p, "lblPrinterHeader")->text()), c.header);
        EXPECT_EQ(Str(PanelLabel(p, "lblDPI")->text()), c.dpi);
        EXPECT_EQ(Str(PanelLabel(p, "lblEffectiveAreaCm")->text()), c.area);
        EXPECT_EQ(Str(PanelLabel(p, "lblPaperSize")->text()), c.paper);
    }
}

TEST(PropertiesPanel, LabelsKeepTheirPlacesAndFitTheirCaptions) {
    Panel p;
    EXPECT_EQ(CutGuidesBox(p)->geometry().topLeft(), QPoint(0, 288));
    EXPECT_EQ(CutGuidesBox(p)->height(), 21);
    EXPECT_EQ(PanelLabel(p, "lblPhysicalSizeInches")->geometry().topLeft(), QPoint(128, 248));
    const int narrow = PanelLabel(p, "lblSize")->width();
    p.SetImage(MakePicture(3000, 2000));
    EXPECT_GT(PanelLabel(p, "lblSize")->width(), narrow);
    const QSize hint = p.minimumSizeHint();
    for (const QLabel* l : p.findChildren<QLabel*>()) {
        SCOPED_TRACE(l->objectName().toStdString());
        if (l->isHidden()) continue;  // the Layout section's, while it is closed
        EXPECT_EQ(l->height(), 13);
        EXPECT_GE(l->width(), l->fontMetrics().horizontalAdvance(l->text()));
        EXPECT_TRUE(QRect(QPoint(0, 0), hint).contains(l->geometry()));
        EXPECT_EQ(l->font().bold(), l->objectName().endsWith(QStringLiteral("Header")));
    }
}

TEST(PropertiesPanel, ShowsTheFigureRowsEachOnItsRow) {
    // What --info prints for the same printer and picture, row i at 120 +
    // 360 i twips (8 + 24 i pixels): the caption at the left, the value in
    // the second column.
    Panel p;
    p.SetPrinter(MakePrinter(600));
    p.SetImage(MakePicture(640, 480));
    auto printer = MakePrinter(600);
    EXPECT_TRUE(p.Figures() == properties::FigureRows(*printer, true, 640, 480, QLocale::c()));
    ASSERT_EQ(p.Figures().size(), size_t(properties::kFigureRowCount));
    for (int row = 0; row < properties::kFigureRowCount; ++row) {
        QStringList left, right;
        for (const QLabel* l : p.findChildren<QLabel*>())
            if (!l->isHidden() && l->y() == 8 + 24 * row) (l->x() == 0 ? left : right) << l->text();
        const properties::FigureRow& figure = p.Figures()[size_t(row)];
        EXPECT_EQ(Str(left.join(QLatin1Char('|'))), Str(figure.caption)) << row;
        EXPECT_EQ(Str(right.join(QLatin1Char('|'))), Str(figure.value)) << row;
    }
}

TEST(PropertiesPanel, CutGuidesFollowTheBoxAndOnlyUserClicksReachTheRelay) {
    struct Relay : MainFormLink {
        std::vector<bool> calls;
        void SetCutGuidesVisible(const bool& Visible) override { calls.push_back(Visible); }
    } relay;
    Panel alone;  // nobody to tell: still toggles
    CutGuidesBox(alone)->click();
    EXPECT_TRUE(alone.HasCutGuides());

    Panel p;
    p.SetMainForm(&relay);
    EXPECT_FALSE(p.HasCutGuides());
    CutGuidesBox(p)->click();
    CutGuidesBox(p)->click();
    p.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&p));
    QTest::mouseClick(CutGuidesBox(p), Qt::LeftButton, {}, QPoint(6, CutGuidesBox(p)->height() / 2));
    EXPECT_EQ(relay.calls, (std::vector<bool>{true, false, true}));
    EXPECT_TRUE(p.HasCutGuides());

    p.SetImage(MakePicture(640, 480));
    p.SetPrinter(MakePrinter());
    EXPECT_TRUE(p.HasCutGuides());
    CutGuidesBox(p)->setChecked(false);  // not the user: HasCutGuides follows, no relay
    EXPECT_FALSE(p.HasCutGuides());
    EXPECT_EQ(relay.calls.size(), 3u);
}

TEST(PropertiesPanel, SheetControlsReachTheFiguresTheJobAndThePreviewRelay) {
    struct Relay : MainFormLink {
        int sheets = 0;
        void SetCutGuidesVisible(const bool&) override {}
        void SheetChanged() override { ++sheets; }
    } relay;
    Panel p;
    p.SetMainForm(&relay);
    auto printer = MakePrinter(600);  // 4661 x 6716 dots
    printer->SetNudge(QPoint(5, -3));
    p.SetPrinter(printer);
    p.SetImage(MakePicture(600, 300));
    EXPECT_EQ(p.Sheet(), platform::SheetOptions{});
    EXPECT_EQ(Str(PanelLabel(p, "lblPhysicalSizeInches")->text()), "1 x 0.5" + Str(kInch));
    EXPECT_EQ(Str(PanelLabel(p, "lblNudge")->text()), "Nudge: 5 right, 3 up (dots)");

    p.findChild<QSpinBox*>(QStringLiteral("spnScale"))->setValue(3);
    p.findChild<QSpinBox*>(QStringLiteral("spnCopies"))->setValue(platform::kCopiesFill);
    EXPECT_EQ(Str(PanelLabel(p, "lblPhysicalSizeInches")->text()), "3 x 1.5" + Str(kInch));
    // 1800 x 900 dots: 2 across, 7 down.
    EXPECT_EQ(Str(PanelLabel(p, "lblSheet")->text()), "14 copies fit on a sheet");
    EXPECT_EQ(p.Sheet().dotsPerPixel, 3);
    EXPECT_EQ(p.Sheet().copies, platform::kCopiesFill);
    EXPECT_EQ(relay.sheets, 2);
}

TEST(PropertiesPanel, LayoutSectionClosedAtFirstOpensForAnythingButTheDefaults) {
    struct Relay : MainFormLink {
        int resized = 0;
        void SetCutGuidesVisible(const bool&) override {}
        void PanelSizeChanged() override { ++resized; }
    } relay;
    Panel p;
    p.SetMainForm(&relay);
    auto* spin = p.findChild<QSpinBox*>(QStringLiteral("spnScale"));
    const QLabel* summary = PanelLabel(p, "lblLayoutSummary");
    EXPECT_FALSE(p.IsLayoutOpen());
    EXPECT_TRUE(spin->isHidden());
    EXPECT_EQ(Str(summary->text()), "1 dot per pixel, 1 copy");
    const int closedHeight = p.minimumSizeHint().height();
    // Below the cut-guides box, on the panel.
    EXPECT_GE(summary->y(), CutGuidesBox(p)->geometry().bottom());
    EXPECT_LE(summary->geometry().bottom(), closedHeight);

    // Set from outside: opens by itself, the window hears it needs more room.
    p.SetSheet({4, 6, 10, false, 0});
    EXPECT_TRUE(p.IsLayoutOpen());
    EXPECT_FALSE(spin->isHidden());
    EXPECT_TRUE(summary->isHidden());
    EXPECT_GT(p.minimumSizeHint().height(), closedHeight);
    EXPECT_GE(relay.resized, 1);
    EXPECT_EQ(p.Sheet(), (platform::SheetOptions{4, 6, 10, false, 0}));

    // Closed by the user, it stays closed and sums up what is set.
    p.findChild<QToolButton*>(QStringLiteral("btnLayout"))->click();
    EXPECT_FALSE(p.IsLayoutOpen());
    EXPECT_EQ(Str(summary->text()), "4 dots per pixel, 6 copies, gap 10 dots");
    EXPECT_EQ(p.minimumSizeHint().height(), closedHeight);
    p.SetSheet({});
    EXPECT_FALSE(p.IsLayoutOpen());  // back to the defaults: nothing to show
    p.SetSheet({1, 1, 0, true, 0});
    EXPECT_TRUE(p.IsLayoutOpen());
}

TEST(PropertiesPanel, LongPrinterNameTakesMoreLinesAndTheRowsBelowMoveDown) {
    Panel p;
    p.SetPrinter(MakePrinter(600, "Short"));
    const QLabel* heading = PanelLabel(p, "lblPrinterHeader");
    const QLabel* paper = PanelLabel(p, "lblPaperSize");
    const QPoint paperAt = paper->pos();
    const QPoint sizeAt = PanelLabel(p, "lblSize")->pos();
    const int width = p.sizeHint().width();
    p.SetPrinter(MakePrinter(600, "HP_Color_LaserJet_MFP_M281fdw_Office_Second_Floor_3A1B2C"));
    const int lines = int(heading->text().count(QLatin1Char('\n'))) + 1;
    ASSERT_GE(lines, 2);
    EXPECT_EQ(heading->text().remove(QLatin1Char('\n')),
              QStringLiteral("Printer HP_Color_LaserJet_MFP_M281fdw_Office_Second_Floor_3A1B2C"));
    EXPECT_EQ(p.sizeHint().width(), width) << "the heading wraps instead of widening the panel";
    EXPECT_GE(heading->height(), lines * heading->fontMetrics().height() - 2);
    EXPECT_EQ(PanelLabel(p, "lblSize")->pos(), sizeAt);  // above: unmoved
    EXPECT_EQ(paper->x(), paperAt.x());
    EXPECT_GE(paper->y(), heading->geometry().bottom());
    EXPECT_EQ(paper->y() - paperAt.y(), heading->height() - 13);
}

TEST(PropertiesPanel, WidthForAddsTheScrollBarOnlyWhenTooShort) {
    Panel p;
    p.SetImage(MakePicture(32767, 32767));  // "32767 x 32767 pixels": wider than the design
    p.SetPrinter(MakePrinter(600));
    const QSize content = p.minimumSizeHint();
    EXPECT_GT(content.width(), 241);
    EXPECT_EQ(p.WidthFor(content.height()), content.width());
    EXPECT_GT(p.WidthFor(content.height() - 1), content.width());
}
