// The properties panel against a fake printer: figures, failures, layout and
// the cut-guides option.
#include "platform/Failure.h"
#include "platform/Picture.h"
#include "platform/RecordingPrinter.h"
#include "properties/MainFormLink.h"
#include "properties/ucProperties.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLocale>
#include <QTest>
#include <memory>
#include <vector>

// Readable texts in failure messages (found by argument-dependent lookup).
static void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

using platform::RecordingPrinter;

namespace {

const QString kInch = QStringLiteral(" \"");

platform::PicturePtr MakePicture(int w, int h) {
    return std::make_shared<const platform::Picture>(QImage(w, h, QImage::Format_RGB32));
}

std::shared_ptr<RecordingPrinter> MakePrinter(int16_t dpi = 600) {
    auto p = std::make_shared<RecordingPrinter>();
    p->printQuality = dpi;
    return p;
}

struct PropertiesPanel : ::testing::Test {
    PropertiesPanel() { panel.setLocale(QLocale(QLocale::English, QLocale::UnitedStates)); }
    ucProperties panel;

    QList<QLabel*> Labels() const { return panel.findChildren<QLabel*>(); }
    QStringList Captions() const {
        QStringList out;
        for (QLabel* l : Labels()) out << l->objectName() + QLatin1Char('=') + l->text();
        return out;
    }
};

struct RecordingRelay : MainFormLink {
    std::vector<bool> calls;
    void SetCutGuidesVisible(const bool& Visible) override { calls.push_back(Visible); }
};

QString FailureText(const std::function<void()>& f) {
    try {
        f();
    } catch (const platform::Failure& e) {
        return e.message();
    }
    return QStringLiteral("(no failure)");
}

}  // namespace

TEST_F(PropertiesPanel, StartsWithTheDesignCaptions) {
    EXPECT_EQ(panel.lblSize->text(), QStringLiteral("0 x 0 pixels"));
    EXPECT_EQ(panel.lblMegaPixels->text(), QStringLiteral("0 megapixels"));
    EXPECT_EQ(panel.lblPrinterHeader->text(), QStringLiteral("Printer"));
    EXPECT_EQ(panel.lblPaperSize->text(), QStringLiteral("none"));
    EXPECT_EQ(panel.lblEffectiveAreaInches->text(), QStringLiteral("0 x 0") + kInch);
    EXPECT_EQ(panel.lblDPI->text(), QStringLiteral("0 DPI"));
    EXPECT_EQ(panel.lblPhysicalSizeCm->text(), QStringLiteral("0 x 0 cm"));
    EXPECT_EQ(panel.chkCutGuides->text(), QStringLiteral("Print cut &guides"));
    EXPECT_EQ(panel.gPixelsX, 0);
    EXPECT_EQ(panel.gPixelsY, 0);
    for (QLabel* l : Labels()) {
        const bool heading = l == panel.lblImageHeader || l == panel.lblPrinterHeader ||
                             l == panel.lblOutputHeader || l == panel.lblOptionsHeader;
        EXPECT_EQ(l->font().bold(), heading) << l->objectName().toStdString();
    }
}

TEST_F(PropertiesPanel, PictureAndPrinterFiguresInEitherOrder) {
    struct Case {
        const char* name;
        int w, h;
        int16_t dpi;
        const char *size, *mega, *cm, *inches;
    };
    const Case cases[] = {
        {"640x480", 640, 480, 600, "640 x 480 pixels", "0.31 megapixels", "2.71 x 2.03 cm", "1.07 x 0.8"},
        {"3000x2000", 3000, 2000, 600, "3000 x 2000 pixels", "6 megapixels", "12.7 x 8.47 cm", "5 x 3.33"},
        {"ties to even", 75, 225, 600, "75 x 225 pixels", "0.02 megapixels", "0.32 x 0.95 cm", "0.12 x 0.38"},
        {"quality code", 640, 480, -4, "640 x 480 pixels", "0.31 megapixels", "0 x 0 cm", "0 x 0"},
        {"no resolution", 640, 480, 0, "640 x 480 pixels", "0.31 megapixels", "0 x 0 cm", "0 x 0"},
        {"widest", 32767, 2, 1, "32767 x 2 pixels", "0.07 megapixels", "83228.18 x 5.08 cm", "32767 x 2"},
    };
    for (bool printerFirst : {true, false}) {
        for (const Case& c : cases) {
            ucProperties p;
            p.setLocale(QLocale::c());
            const auto printer = MakePrinter(c.dpi);
            if (printerFirst) p.SetPrinter(printer);
            p.SetImage(MakePicture(c.w, c.h));
            if (!printerFirst) p.SetPrinter(printer);
            const std::string what = std::string(c.name) + (printerFirst ? " printer first" : " picture first");
            EXPECT_EQ(p.gPixelsX, c.w) << what;
            EXPECT_EQ(p.gPixelsY, c.h) << what;
            EXPECT_EQ(p.lblSize->text(), QString::fromLatin1(c.size)) << what;
            EXPECT_EQ(p.lblMegaPixels->text(), QString::fromLatin1(c.mega)) << what;
            EXPECT_EQ(p.lblPhysicalSizeCm->text(), QString::fromLatin1(c.cm)) << what;
            EXPECT_EQ(p.lblPhysicalSizeInches->text(), QString::fromLatin1(c.inches) + kInch) << what;
            EXPECT_EQ(p.lblDPI->text(), QStringLiteral("%1 DPI").arg(c.dpi)) << what;
        }
    }
}

TEST_F(PropertiesPanel, PictureWithoutPrinterKeepsZeroPhysicalSize) {
    panel.SetImage(MakePicture(640, 480));
    EXPECT_EQ(panel.lblSize->text(), QStringLiteral("640 x 480 pixels"));
    EXPECT_EQ(panel.lblMegaPixels->text(), QStringLiteral("0.31 megapixels"));
    EXPECT_EQ(panel.lblPhysicalSizeCm->text(), QStringLiteral("0 x 0 cm"));
    EXPECT_EQ(panel.lblPhysicalSizeInches->text(), QStringLiteral("0 x 0") + kInch);
}

TEST_F(PropertiesPanel, PrinterFigures) {
    struct Case {
        const char* name;
        int16_t paper, orientation, dpi;
        platform::PrintableArea area;
        const char *paperText, *cm, *inches;
    };
    const Case cases[] = {
        {"A4 default", platform::kPaperA4, 1, 600, {7.7677165, 11.1929134, 4661, 6716}, "A4, Portrait",
         "19.73 x 28.43 cm", "7.77 x 11.19"},
        {"Legal", platform::kPaperLegal, 1, 300, {8.0, 13.5, 2400, 4050}, "Other, Portrait", "20.32 x 34.29 cm",
         "8 x 13.5"},
        {"Letter landscape", platform::kPaperLetter, 2, 600, {10.5, 8.0, 6300, 4800}, "Letter, Landscape",
         "26.67 x 20.32 cm", "10.5 x 8"},
        {"quality code still shows the area", platform::kPaperA3, 1, -4, {11.0, 16.0, 6600, 9600},
         "A3, Portrait", "27.94 x 40.64 cm", "11 x 16"},
    };
    for (const Case& c : cases) {
        ucProperties p;
        p.setLocale(QLocale::c());
        auto printer = MakePrinter(c.dpi);
        printer->deviceName = QStringLiteral("Office <i>Laser</i>");
        printer->paperSize = c.paper;
        printer->orientation = c.orientation;
        printer->area = c.area;
        p.SetPrinter(printer);
        EXPECT_EQ(p.lblPrinterHeader->text(), QStringLiteral("Printer Office <i>Laser</i>")) << c.name;
        EXPECT_TRUE(p.lblPrinterHeader->font().bold()) << c.name;
        EXPECT_EQ(p.lblPaperSize->text(), QString::fromLatin1(c.paperText)) << c.name;
        EXPECT_EQ(p.lblEffectiveAreaCm->text(), QString::fromLatin1(c.cm)) << c.name;
        EXPECT_EQ(p.lblEffectiveAreaInches->text(), QString::fromLatin1(c.inches) + kInch) << c.name;
        EXPECT_EQ(printer->ScaleMode(), platform::kInches) << c.name;
    }
}

TEST_F(PropertiesPanel, DecimalCommaLocale) {
    panel.setLocale(QLocale(QLocale::German, QLocale::Germany));
    panel.SetPrinter(MakePrinter(600));
    panel.SetImage(MakePicture(640, 480));
    EXPECT_EQ(panel.lblMegaPixels->text(), QStringLiteral("0,31 megapixels"));
    EXPECT_EQ(panel.lblPhysicalSizeCm->text(), QStringLiteral("2,71 x 2,03 cm"));
    EXPECT_EQ(panel.lblPhysicalSizeInches->text(), QStringLiteral("1,07 x 0,8") + kInch);
    EXPECT_EQ(panel.lblEffectiveAreaCm->text(), QStringLiteral("19,73 x 28,43 cm"));
    EXPECT_EQ(panel.lblSize->text(), QStringLiteral("640 x 480 pixels"));
}

TEST_F(PropertiesPanel, EmptyArgumentsChangeNothingAndKeepTheReferences) {
    const auto printer = MakePrinter(600);
    panel.SetPrinter(printer);
    panel.SetImage(MakePicture(640, 480));
    const QStringList before = Captions();

    panel.SetPrinter(nullptr);
    panel.SetImage(nullptr);
    EXPECT_EQ(Captions(), before);
    EXPECT_EQ(panel.gPixelsX, 640);
    EXPECT_EQ(panel.gPixelsY, 480);

    // The picture and printer are still held: a changed resolution on the
    // kept printer recomputes the physical size from the kept picture.
    printer->printQuality = 300;
    panel.SetPrinter(printer);
    EXPECT_EQ(panel.lblPhysicalSizeInches->text(), QStringLiteral("2.13 x 1.6") + kInch);
}

TEST_F(PropertiesPanel, PictureTooLargeFailsWithOverflowAndKeepsTheOldFigures) {
    struct Case {
        const char* name;
        int w, h;
    };
    // Too tall matters as much as too wide: the print job must never get the
    // width of the new picture with the height of the old one.
    const Case cases[] = {{"too wide", 40000, 10}, {"too tall", 10, 40000}, {"just too wide", 32768, 1}};
    for (const Case& c : cases) {
        ucProperties p;
        p.SetPrinter(MakePrinter(600));
        p.SetImage(MakePicture(640, 480));
        const QString size = p.lblSize->text(), mega = p.lblMegaPixels->text(),
                      cm = p.lblPhysicalSizeCm->text();

        EXPECT_EQ(FailureText([&] { p.SetImage(MakePicture(c.w, c.h)); }), QStringLiteral("Overflow")) << c.name;
        EXPECT_EQ(p.gPixelsX, 640) << c.name;
        EXPECT_EQ(p.gPixelsY, 480) << c.name;
        EXPECT_EQ(p.lblSize->text(), size) << c.name;
        EXPECT_EQ(p.lblMegaPixels->text(), mega) << c.name;
        EXPECT_EQ(p.lblPhysicalSizeCm->text(), cm) << c.name;

        // A later printer change still shows the size of the picture in use.
        p.SetPrinter(MakePrinter(600));
        EXPECT_EQ(p.lblPhysicalSizeCm->text(), QStringLiteral("2.71 x 2.03 cm")) << c.name;
    }
}

TEST_F(PropertiesPanel, PrinterMemberFailingMidwayKeepsWhatWasWritten) {
    // First a working printer, then a different one whose member `fails`
    // throws: captions up to that step show the new printer, the rest the old.
    struct Case {
        const char* fails;
        bool header, dpi, area;
        const char* paper;
    };
    const Case cases[] = {
        {"DeviceName", false, false, false, "Letter, Portrait"},
        {"PrintQuality", true, false, false, "Letter, Portrait"},
        {"Area", true, true, false, "Letter, Portrait"},
        {"PaperSize", true, true, true, "none"},
        {"Orientation", true, true, true, "none"},
    };
    for (const Case& c : cases) {
        ucProperties p;
        p.setLocale(QLocale::c());
        auto first = MakePrinter(300);
        first->deviceName = QStringLiteral("First");
        first->paperSize = platform::kPaperLetter;
        first->area = {8, 10.5, 2400, 3150};
        p.SetPrinter(first);

        auto second = MakePrinter(600);
        second->deviceName = QStringLiteral("Second");
        const std::string failing = c.fails;
        second->failWhen = [failing](const char* member) {
            if (failing == member) platform::Fail(QStringLiteral("Printer is offline"));
        };
        EXPECT_EQ(FailureText([&] { p.SetPrinter(second); }), QStringLiteral("Printer is offline")) << c.fails;

        EXPECT_EQ(p.lblPrinterHeader->text(), c.header ? QStringLiteral("Printer Second") : QStringLiteral("Printer First"))
            << c.fails;
        EXPECT_EQ(p.lblDPI->text(), c.dpi ? QStringLiteral("600 DPI") : QStringLiteral("300 DPI")) << c.fails;
        EXPECT_EQ(p.lblEffectiveAreaCm->text(), c.area ? QStringLiteral("19.73 x 28.43 cm") : QStringLiteral("20.32 x 26.67 cm"))
            << c.fails;
        EXPECT_EQ(p.lblPaperSize->text(), QString::fromLatin1(c.paper)) << c.fails;
        EXPECT_TRUE(p.lblPrinterHeader->font().bold()) << c.fails;
    }
}

TEST_F(PropertiesPanel, LabelsSitInTwoColumnsAndFitTheirCaptions) {
    // 96 dpi: 15 twips per pixel. Values at 1920 twips, rows 360 twips apart,
    // every label 195 twips high.
    const QLabel* values[] = {panel.lblSize, panel.lblMegaPixels, panel.lblPaperSize, panel.lblEffectiveAreaCm,
                              panel.lblEffectiveAreaInches, panel.lblDPI, panel.lblPhysicalSizeCm,
                              panel.lblPhysicalSizeInches};
    for (const QLabel* l : values) EXPECT_EQ(l->x(), 128) << l->objectName().toStdString();
    EXPECT_EQ(panel.lblImageHeader->geometry().topLeft(), QPoint(0, 8));
    EXPECT_EQ(panel.lblOptionsHeader->geometry().topLeft(), QPoint(0, 272));
    EXPECT_EQ(panel.lblPhysicalSizeInches->y(), 248);
    EXPECT_EQ(panel.chkCutGuides->geometry(), QRect(0, 288, 313, 21));

    panel.SetPrinter(MakePrinter(600));
    panel.SetImage(MakePicture(3000, 2000));
    for (const QLabel* l : Labels()) {
        const std::string name = l->objectName().toStdString();
        EXPECT_EQ(l->height(), 13) << name;
        EXPECT_GE(l->width(), QFontMetrics(l->font()).horizontalAdvance(l->text())) << name;
        if (l->x() == 0 && l != panel.lblPrinterHeader && l != panel.lblImageHeader)
            EXPECT_LT(l->geometry().right(), 128) << name << " runs into the value column";
    }
    // The hint leaves room for every control, including labels that grew.
    const QSize hint = panel.minimumSizeHint();
    for (const QWidget* w : panel.findChildren<QWidget*>()) {
        EXPECT_LE(w->geometry().right(), hint.width() - 1) << w->objectName().toStdString();
        EXPECT_LE(w->geometry().bottom(), hint.height() - 1) << w->objectName().toStdString();
    }
    EXPECT_TRUE(panel.sizeHint().width() >= 320 && panel.sizeHint().height() >= 347);
}

TEST_F(PropertiesPanel, CutGuidesFollowTheBoxAndReachTheRelayInOrder) {
    RecordingRelay relay;
    panel.SetMainForm(&relay);
    EXPECT_FALSE(panel.HasCutGuides());

    panel.chkCutGuides->click();
    EXPECT_TRUE(panel.HasCutGuides());
    panel.chkCutGuides->click();
    EXPECT_FALSE(panel.HasCutGuides());

    panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
    QTest::mouseClick(panel.chkCutGuides, Qt::LeftButton, {}, QPoint(6, panel.chkCutGuides->height() / 2));
    EXPECT_TRUE(panel.HasCutGuides());
    EXPECT_EQ(relay.calls, (std::vector<bool>{true, false, true}));

    // New picture and printer leave the option alone.
    panel.SetImage(MakePicture(640, 480));
    panel.SetPrinter(MakePrinter(600));
    EXPECT_TRUE(panel.HasCutGuides());

    // Only the user's action is relayed.
    panel.chkCutGuides->setChecked(false);
    EXPECT_FALSE(panel.HasCutGuides());
    EXPECT_EQ(relay.calls.size(), 3u);
}

TEST_F(PropertiesPanel, CutGuidesWithoutRelayStillToggle) {
    panel.chkCutGuides->click();
    EXPECT_TRUE(panel.HasCutGuides());
}
