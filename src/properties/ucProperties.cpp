#include "properties/ucProperties.h"

#include "platform/base/Screen.h"
#include "platform/base/Units.h"
#include "properties/Figures.h"
#include "properties/MainFormLink.h"

#include <QCheckBox>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>

namespace {
// Design geometry, in twips. Every label is one line of the dialog font high;
// headings and descriptions sit at the left, values in a second column.
constexpr double kLabelHeight = 195;
constexpr double kValueLeft = 1920;
constexpr QRectF kCutGuidesBox{0, 4320, 4695, 315};
// Beside the Options heading, so it shows at the window's default size.
constexpr QRectF kDitherBox{1920, 4020, 2775, 315};
// The sheet layout, under the options: a row every 360 twips.
constexpr double kScaleTop = 4680;
constexpr double kCopiesTop = 5040;
constexpr double kGapTop = 5400;
constexpr QRectF kPosterBox{0, 5700, 3615, 315};
constexpr double kOverlapTop = 6120;
constexpr double kSheetTop = 6480;
constexpr double kNudgeTop = 6840;
constexpr double kSpinWidth = 1215;
constexpr double kSpinHeight = 300;
constexpr double kDesignWidth = 4800;
constexpr double kDesignHeight = 7245;

using properties::ZeroPair;
QString Text(const char* caption) { return QString::fromLatin1(caption); }
}  // namespace

ucProperties::ucProperties(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("ucProperties1"));
    // Every control lives on one content widget at its design place; the
    // panel scrolls it when the window is too short to show it all.
    mScroll = new QScrollArea(this);
    mScroll->setFrameShape(QFrame::NoFrame);
    mScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    mScroll->setWidgetResizable(false);
    mScroll->viewport()->setAutoFillBackground(false);
    mContent = new QWidget;
    mContent->setObjectName(QStringLiteral("ucProperties1Content"));
    mContent->setAutoFillBackground(false);

    lblImageHeader = MakeLabel("lblImageHeader", Text(properties::kImageHeading), 0, 120);
    lblPixelsDescription = MakeLabel("lblPixelsDescription", Text(properties::kSizeCaption), 0, 480);
    lblSize = MakeLabel("lblSize", QStringLiteral("0 x 0 pixels"), kValueLeft, 480);
    lblMegaPixels = MakeLabel("lblMegaPixels", QStringLiteral("0 megapixels"), kValueLeft, 840);
    lblPrinterHeader = MakeLabel("lblPrinterHeader", Text(properties::kPrinterHeading), 0, 1200);
    lblPaperSizeDescription = MakeLabel("lblPaperSizeDescription", Text(properties::kPaperSizeCaption), 0, 1560);
    lblPaperSize = MakeLabel("lblPaperSize", QStringLiteral("none"), kValueLeft, 1560);
    lblEffectiveAreaDescription =
        MakeLabel("lblEffectiveAreaDescription", Text(properties::kPrintingAreaCaption), 0, 1920);
    lblEffectiveAreaCm = MakeLabel("lblEffectiveAreaCm", ZeroPair(properties::kCmSuffix), kValueLeft, 1920);
    lblEffectiveAreaInches =
        MakeLabel("lblEffectiveAreaInches", ZeroPair(properties::kInchSuffix), kValueLeft, 2280);
    lblDPIDescription = MakeLabel("lblDPIDescription", Text(properties::kResolutionCaption), 0, 2640);
    lblDPI = MakeLabel("lblDPI", QStringLiteral("0 DPI"), kValueLeft, 2640);
    lblOutputHeader = MakeLabel("lblOutputHeader", Text(properties::kOutputHeading), 0, 3000);
    lblPhysicalSizeDescription =
        MakeLabel("lblPhysicalSizeDescription", Text(properties::kPhysicalSizeCaption), 0, 3360);
    lblPhysicalSizeCm = MakeLabel("lblPhysicalSizeCm", ZeroPair(properties::kCmSuffix), kValueLeft, 3360);
    lblPhysicalSizeInches =
        MakeLabel("lblPhysicalSizeInches", ZeroPair(properties::kInchSuffix), kValueLeft, 3720);
    lblOptionsHeader = MakeLabel("lblOptionsHeader", Text(properties::kOptionsHeading), 0, 4080);

    // Made last, so it is last in the tab order. Only the user changes it:
    // `clicked` comes from the mouse, the keyboard and the access key, never
    // from a programmatic setChecked.
    chkCutGuides = new QCheckBox(QStringLiteral("Print cut &guides"), mContent);
    chkCutGuides->setObjectName(QStringLiteral("chkCutGuides"));
    chkCutGuides->setGeometry(platform::TwipsToPixels(kCutGuidesBox));
    connect(chkCutGuides, &QCheckBox::clicked, this, [this] { chkCutGuides_Click(); });
    // Passed to the printer at once (and again when printing): only raster
    // sent to a one-bit device changes, and the preview with it.
    chkDither = new QCheckBox(QStringLiteral("&Dither grey"), mContent);
    chkDither->setObjectName(QStringLiteral("chkDither"));
    chkDither->setGeometry(platform::TwipsToPixels(kDitherBox));
    chkDither->setToolTip(QStringLiteral("On a printer of one bit per colour, show grey as a pattern of dots "
                                         "instead of cutting it at mid-grey"));
    connect(chkDither, &QCheckBox::clicked, this, [this] {
        if (gPrinter) gPrinter->SetDithering(HasDither());
        if (gParentForm) gParentForm->DeviceLookChanged();
    });

    lblScaleDescription = MakeLabel("lblScaleDescription", QStringLiteral("Dots per pixel"), 0, kScaleTop);
    spnScale = MakeSpin("spnScale", 1, platform::kMaxDotsPerPixel, 1, kValueLeft, kScaleTop);
    spnScale->setToolTip(QStringLiteral("Print each picture pixel as a square of this many printer dots across"));
    lblCopiesDescription = MakeLabel("lblCopiesDescription", QStringLiteral("Copies on sheet"), 0, kCopiesTop);
    spnCopies = MakeSpin("spnCopies", platform::kCopiesFill, platform::kMaxCopies, 1, kValueLeft, kCopiesTop);
    spnCopies->setSpecialValueText(QStringLiteral("Fill"));
    spnCopies->setToolTip(QStringLiteral("Copies in a block on each sheet; Fill (below 1) puts as many as fit"));
    lblGapDescription = MakeLabel("lblGapDescription", QStringLiteral("Gap"), 0, kGapTop);
    spnGap = MakeSpin("spnGap", 0, platform::kMaxSpacingDots, 0, kValueLeft, kGapTop);
    spnGap->setSuffix(QStringLiteral(" dots"));
    chkPoster = new QCheckBox(QStringLiteral("Across pages (&poster)"), mContent);
    chkPoster->setObjectName(QStringLiteral("chkPoster"));
    chkPoster->setGeometry(platform::TwipsToPixels(kPosterBox));
    chkPoster->setToolTip(QStringLiteral("Print a picture larger than the printing area on several pages"));
    connect(chkPoster, &QCheckBox::toggled, this, [this] { SheetControlChanged(); });
    lblOverlapDescription = MakeLabel("lblOverlapDescription", QStringLiteral("Overlap"), 0, kOverlapTop);
    spnOverlap = MakeSpin("spnOverlap", 0, platform::kMaxSpacingDots, 0, kValueLeft, kOverlapTop);
    spnOverlap->setSuffix(QStringLiteral(" dots"));
    lblSheet = MakeLabel("lblSheet", QString(), 0, kSheetTop);
    lblNudge = MakeLabel("lblNudge", QString(), 0, kNudgeTop);

    UserControl_Initialize();
    mContent->resize(sizeHint());
    mScroll->setWidget(mContent);
    SheetControlChanged();
}

QSpinBox* ucProperties::MakeSpin(const char* name, int low, int high, int value, double leftTwips,
                                 double topTwips) {
    auto* spin = new QSpinBox(mContent);
    spin->setObjectName(QString::fromLatin1(name));
    spin->setRange(low, high);
    spin->setValue(value);
    spin->setGeometry(platform::TwipsToPixels(QRectF(leftTwips, topTwips - 45, kSpinWidth, kSpinHeight)));
    connect(spin, &QSpinBox::valueChanged, this, [this] { SheetControlChanged(); });
    return spin;
}

void ucProperties::resizeEvent(QResizeEvent*) {
    mScroll->setGeometry(rect());
    mContent->resize(std::max(width(), sizeHint().width()), sizeHint().height());
}

platform::SheetOptions ucProperties::Sheet() const {
    platform::SheetOptions sheet;
    sheet.dotsPerPixel = spnScale->value();
    sheet.copies = spnCopies->value();
    sheet.gapDots = spnGap->value();
    sheet.poster = chkPoster->isChecked();
    sheet.overlapDots = spnOverlap->value();
    return sheet;
}

void ucProperties::SheetControlChanged() {
    // Each setting shows only where it does something.
    spnGap->setEnabled(spnCopies->value() != 1);
    spnOverlap->setEnabled(chkPoster->isChecked());
    UpdatePhysicalSize();
    if (gParentForm) gParentForm->SheetChanged();
}

void ucProperties::UpdateSheet() {
    const QPoint nudge = gPrinter ? gPrinter->Nudge() : QPoint();
    const QString nudgeText = properties::NudgeText(nudge);
    SetCaption(lblNudge, nudgeText.isEmpty() ? QString() : QStringLiteral("Nudge: ") + nudgeText);
    lblNudge->setVisible(!nudgeText.isEmpty());
    QString summary;
    if (gImage && !gAreaDots.isEmpty())
        summary = properties::SheetSummary(gAreaDots, gDotsPerInch, gPixelsX, gPixelsY, Sheet());
    SetCaption(lblSheet, summary);
}

QLabel* ucProperties::MakeLabel(const char* name, const QString& caption, double leftTwips, double topTwips) {
    auto* label = new QLabel(mContent);
    label->setObjectName(QString::fromLatin1(name));
    // Device names come from outside; never let one be taken for markup.
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(false);
    label->setGeometry(platform::TwipsToPixels(QRectF(leftTwips, topTwips, 0, kLabelHeight)));
    SetCaption(label, caption);
    return label;
}

void ucProperties::SetCaption(QLabel* label, const QString& caption) {
    label->setText(caption);
    label->resize(label->sizeHint().width(), label->height());
    if (mContent && mScroll && mScroll->widget() == mContent)
        mContent->resize(std::max(width(), sizeHint().width()), sizeHint().height());
    updateGeometry();
}

void ucProperties::UserControl_Initialize() {
    for (QLabel* heading : {lblImageHeader, lblPrinterHeader, lblOutputHeader, lblOptionsHeader}) {
        QFont font = heading->font();
        font.setBold(true);
        heading->setFont(font);
        SetCaption(heading, heading->text());  // a bold caption is wider
    }
}

void ucProperties::SetPrinter(const platform::PrinterPtr& MyPrinter) {
    if (!MyPrinter) return;
    gPrinter = MyPrinter;
    gPrinter->SetDithering(HasDither());
    // Any member of the printer may fail; the failure ends this call and the
    // captions already written keep their new text.
    SetCaption(lblPrinterHeader, properties::PrinterHeading(gPrinter->DeviceName()));
    gResolution = gPrinter->PrintQuality();
    SetCaption(lblDPI, properties::ResolutionText(gResolution));

    // The unit stays on the printer; every other user sets its own first.
    gPrinter->SetScaleMode(platform::kCentimeters);
    {
        const float w = gPrinter->ScaleWidth();
        const float h = gPrinter->ScaleHeight();
        SetCaption(lblEffectiveAreaCm, properties::FormatPair(w, h, properties::kCmSuffix, locale()));
    }
    gPrinter->SetScaleMode(platform::kInches);
    {
        const float w = gPrinter->ScaleWidth();
        const float h = gPrinter->ScaleHeight();
        SetCaption(lblEffectiveAreaInches, properties::FormatPair(w, h, properties::kInchSuffix, locale()));
    }

    // "none" stays on show when the paper cannot be read.
    SetCaption(lblPaperSize, QStringLiteral("none"));
    const int16_t paperSize = gPrinter->PaperSize();
    const int16_t orientation = gPrinter->Orientation();
    SetCaption(lblPaperSize, properties::PaperText(paperSize, orientation));

    // The sheet summary counts in the device's own dots.
    const platform::PrintableArea area = gPrinter->Area();
    gAreaDots = QSize(area.widthDots, area.heightDots);
    gDotsPerInch = gPrinter->DotsPerInch();
    UpdatePhysicalSize();
    // Last, so a device that cannot tell its dots still shows the rest.
    const platform::Printer::DeviceFacts facts = gPrinter->Facts();
    SetCaption(lblDPI, properties::ResolutionText(gResolution, QSize(facts.xdpi, facts.ydpi)));
}

void ucProperties::SetImage(const platform::PicturePtr& MyPicture) {
    if (!MyPicture) return;
    gImage = MyPicture;
    // Both sizes are converted before either is stored: a picture too large
    // in one direction must not leave the print job a width of the new
    // picture with the height of the old one.
    const int16_t pixelsX = properties::PixelsFromHimetricX(MyPicture->Width());
    const int16_t pixelsY = properties::PixelsFromHimetricY(MyPicture->Height());
    gPixelsX = pixelsX;
    gPixelsY = pixelsY;

    SetCaption(lblSize, properties::PixelSizeText(gPixelsX, gPixelsY));
    SetCaption(lblMegaPixels, properties::MegapixelsText(gPixelsX, gPixelsY, locale()));
    UpdatePhysicalSize();
}

void ucProperties::UpdatePhysicalSize() {
    SetCaption(lblPhysicalSizeCm, ZeroPair(properties::kCmSuffix));
    SetCaption(lblPhysicalSizeInches, ZeroPair(properties::kInchSuffix));
    UpdateSheet();
    if (!gImage || !gPrinter) return;
    const auto size = properties::PhysicalSizeOf(gPixelsX, gPixelsY, gResolution, spnScale->value());
    if (!size) return;
    SetCaption(lblPhysicalSizeCm,
               properties::FormatPair(size->widthCm, size->heightCm, properties::kCmSuffix, locale()));
    SetCaption(lblPhysicalSizeInches,
               properties::FormatPair(size->widthInches, size->heightInches, properties::kInchSuffix, locale()));
}

void ucProperties::SetMainForm(MainFormLink* MainForm) { gParentForm = MainForm; }

bool ucProperties::HasCutGuides() const { return chkCutGuides->checkState() != Qt::Unchecked; }

bool ucProperties::HasDither() const { return chkDither->isChecked(); }

void ucProperties::chkCutGuides_Click() {
    const bool Visible = chkCutGuides->checkState() != Qt::Unchecked;
    // The main window hands itself over while loading, before the box can be
    // clicked; a panel used on its own simply has nobody to tell.
    if (gParentForm) gParentForm->SetCutGuidesVisible(Visible);
}

QSize ucProperties::minimumSizeHint() const {
    QRect used;
    for (const QObject* child : mContent->children())
        if (const auto* w = qobject_cast<const QWidget*>(child)) used |= w->geometry();
    return QSize(used.right() + 1, used.bottom() + 1);
}

QSize ucProperties::sizeHint() const {
    const QRect design = platform::TwipsToPixels(QRectF(0, 0, kDesignWidth, kDesignHeight));
    return design.size().expandedTo(minimumSizeHint());
}
