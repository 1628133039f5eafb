#include "properties/ucProperties.h"

#include "platform/base/Screen.h"
#include "platform/base/Units.h"
#include "properties/Figures.h"
#include "properties/MainFormLink.h"

#include <QCheckBox>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QToolButton>

namespace {
// Design geometry, in twips. Every label is one line of the dialog font high;
// headings and descriptions sit at the left, values in a second column. Rows
// are placed by their index, a row pitch apart.
constexpr double kLabelHeight = 195;
constexpr double kValueLeft = 1920;
constexpr double kFirstRowTop = 120;
constexpr double kRowPitch = 360;
constexpr double RowTop(int row) { return kFirstRowTop + row * kRowPitch; }
// The panel's width in its frame: a printer heading wraps to it.
constexpr double kDesignWidth = 3615;
constexpr double kBoxHeight = 315;
// A check box sits this far above the text row it belongs to; a spin box or
// a button this far.
constexpr double kBoxRaise = 60;
constexpr double kControlRaise = 45;
constexpr double kSpinWidth = 1215;
constexpr double kSpinHeight = 300;

// The figure rows' labels, by the row's index in properties::FigureTable: the
// heading or description at the left, the value in the second column.
struct RowLabels {
    const char* caption;
    const char* value;
};
constexpr RowLabels kFigureLabels[] = {
    {"lblImageHeader", nullptr},
    {"lblPixelsDescription", "lblSize"},
    {nullptr, "lblMegaPixels"},
    {"lblPrinterHeader", nullptr},
    {"lblPaperSizeDescription", "lblPaperSize"},
    {"lblEffectiveAreaDescription", "lblEffectiveAreaCm"},
    {nullptr, "lblEffectiveAreaInches"},
    {"lblDPIDescription", "lblDPI"},
    {"lblOutputHeader", nullptr},
    {"lblPhysicalSizeDescription", "lblPhysicalSizeCm"},
    {nullptr, "lblPhysicalSizeInches"},
};
static_assert(std::size(kFigureLabels) == properties::kFigureRowCount, "labels (or none) for every figure row");

// The Options heading follows the figures; the cut-guides box sits 240 twips
// below it, the dithering box beside it.
constexpr int kOptionsRow = properties::kFigureRowCount;
constexpr QRectF kCutGuidesBox{0, RowTop(kOptionsRow) + 240, 0, kBoxHeight};
constexpr QRectF kDitherBox{kValueLeft, RowTop(kOptionsRow) - kBoxRaise, 0, kBoxHeight};

// The rows below the cut-guides box, in order: the Layout section's heading
// (its summary beside it while it is closed), its body, then the nudge.
enum AddedRow : int { kLayoutRow, kScaleRow, kCopiesRow, kGapRow, kPosterRow, kOverlapRow, kSheetRow, kNudgeRow };
constexpr double AddedRowTop(AddedRow row) { return kCutGuidesBox.top() + (row + 1) * kRowPitch; }
constexpr double kSummaryGap = 90;  // between the heading's button and the summary
constexpr double kLayoutBodyHeight = AddedRowTop(kNudgeRow) - AddedRowTop(kScaleRow);
}  // namespace

ucProperties::ucProperties(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("ucProperties1"));
    // Every control lives on one content widget at its design place; the
    // panel scrolls it when the window is too short to show it all.
    mScroll = new QScrollArea(this);
    mScroll->setFrameShape(QFrame::NoFrame);
    mScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    mScroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mScroll->setWidgetResizable(false);
    mScroll->viewport()->setAutoFillBackground(false);
    mContent = new QWidget;
    mContent->setObjectName(QStringLiteral("ucProperties1Content"));
    mContent->setAutoFillBackground(false);

    MakeFigureLabels();
    MakeOptions();
    MakeLayoutSection();
    UserControl_Initialize();
    mScroll->setWidget(mContent);
    SheetControlChanged();
    SetLayoutOpen(false);
}

void ucProperties::MakeFigureLabels() {
    using P = Part;
    // Rows below the printer heading move down when it takes more lines.
    const std::vector<properties::FigureRow>& rows = mFigures.Rows();
    for (int row = 0; row < properties::kFigureRowCount; ++row) {
        const Part part = row <= properties::kPrinterRow ? P::Top : P::BelowPrinterHeading;
        if (const char* name = kFigureLabels[row].caption)
            mCaptionLabels[row] = MakeLabel(name, rows[row].caption, 0, RowTop(row), part);
        if (const char* name = kFigureLabels[row].value)
            mValueLabels[row] = MakeLabel(name, rows[row].value, kValueLeft, RowTop(row), part);
    }
    mShown = rows;
    lblImageHeader = mCaptionLabels[properties::kImageRow];
    lblPrinterHeader = mCaptionLabels[properties::kPrinterRow];
    lblOutputHeader = mCaptionLabels[properties::kOutputRow];
    lblOptionsHeader = MakeLabel("lblOptionsHeader", QString::fromLatin1(properties::kOptionsHeading), 0,
                                 RowTop(kOptionsRow), P::BelowPrinterHeading);
}

void ucProperties::MakeOptions() {
    using P = Part;
    // Only the user changes it: `clicked` comes from the mouse, the keyboard
    // and the access key, never from a programmatic setChecked.
    chkCutGuides = new QCheckBox(QStringLiteral("Print cut &guides"), mContent);
    chkCutGuides->setObjectName(QStringLiteral("chkCutGuides"));
    Place(chkCutGuides, kCutGuidesBox, P::BelowPrinterHeading);
    connect(chkCutGuides, &QCheckBox::clicked, this, [this] { chkCutGuides_Click(); });
    // Passed to the printer at once (and again when printing): only raster
    // sent to a one-bit device changes, and the preview with it.
    chkDither = new QCheckBox(QStringLiteral("&Dither grey"), mContent);
    chkDither->setObjectName(QStringLiteral("chkDither"));
    Place(chkDither, kDitherBox, P::BelowPrinterHeading);
    chkDither->setToolTip(QStringLiteral("On a printer of one bit per colour, show grey as a pattern of dots "
                                         "instead of cutting it at mid-grey"));
    connect(chkDither, &QCheckBox::clicked, this, [this] {
        if (gPrinter) gPrinter->SetDithering(HasDither());
        if (gParentForm) gParentForm->DeviceLookChanged();
    });
}

void ucProperties::MakeLayoutSection() {
    using P = Part;
    // The Layout section: a heading that opens and closes it, like a
    // disclosure triangle; bold like the other headings.
    btnLayout = new QToolButton(mContent);
    btnLayout->setObjectName(QStringLiteral("btnLayout"));
    btnLayout->setText(QStringLiteral("&Layout"));
    btnLayout->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    btnLayout->setAutoRaise(true);
    btnLayout->setArrowType(Qt::RightArrow);
    btnLayout->setToolTip(QStringLiteral("Dots per pixel, copies on the sheet, poster"));
    {
        QFont font = btnLayout->font();
        font.setBold(true);
        btnLayout->setFont(font);
    }
    Place(btnLayout, QRectF(0, AddedRowTop(kLayoutRow) - kControlRaise, 0, kSpinHeight), P::BelowPrinterHeading);
    connect(btnLayout, &QToolButton::clicked, this, [this] {
        SetLayoutOpen(!mLayoutOpen);
        // Opened by the user: bring its controls into view.
        if (mLayoutOpen) {
            mScroll->ensureWidgetVisible(lblSheet, 0, 0);
            mScroll->ensureWidgetVisible(btnLayout, 0, 0);
        }
    });
    lblLayoutSummary = new QLabel(mContent);  // placed beside the button by Relayout
    lblLayoutSummary->setObjectName(QStringLiteral("lblLayoutSummary"));
    lblLayoutSummary->setTextFormat(Qt::PlainText);

    lblScaleDescription =
        MakeLabel("lblScaleDescription", QStringLiteral("Dots per pixel"), 0, AddedRowTop(kScaleRow), P::LayoutBody);
    spnScale =
        MakeSpin("spnScale", 1, platform::kMaxDotsPerPixel, 1, kValueLeft, AddedRowTop(kScaleRow), P::LayoutBody);
    spnScale->setToolTip(QStringLiteral("Print each picture pixel as a square of this many printer dots across"));
    lblCopiesDescription =
        MakeLabel("lblCopiesDescription", QStringLiteral("Copies on sheet"), 0, AddedRowTop(kCopiesRow), P::LayoutBody);
    spnCopies = MakeSpin("spnCopies", platform::kCopiesFill, platform::kMaxCopies, 1, kValueLeft,
                         AddedRowTop(kCopiesRow), P::LayoutBody);
    spnCopies->setSpecialValueText(QStringLiteral("Fill"));
    spnCopies->setToolTip(QStringLiteral("Copies in a block on each sheet; Fill (below 1) puts as many as fit"));
    lblGapDescription = MakeLabel("lblGapDescription", QStringLiteral("Gap"), 0, AddedRowTop(kGapRow), P::LayoutBody);
    spnGap = MakeSpin("spnGap", 0, platform::kMaxSpacingDots, 0, kValueLeft, AddedRowTop(kGapRow), P::LayoutBody);
    spnGap->setSuffix(QStringLiteral(" dots"));
    chkPoster = new QCheckBox(QStringLiteral("Across pages (&poster)"), mContent);
    chkPoster->setObjectName(QStringLiteral("chkPoster"));
    Place(chkPoster, QRectF(0, AddedRowTop(kPosterRow) - kBoxRaise, 0, kBoxHeight), P::LayoutBody);
    chkPoster->setToolTip(QStringLiteral("Print a picture larger than the printing area on several pages"));
    connect(chkPoster, &QCheckBox::toggled, this, [this] { SheetControlChanged(); });
    lblOverlapDescription =
        MakeLabel("lblOverlapDescription", QStringLiteral("Overlap"), 0, AddedRowTop(kOverlapRow), P::LayoutBody);
    spnOverlap =
        MakeSpin("spnOverlap", 0, platform::kMaxSpacingDots, 0, kValueLeft, AddedRowTop(kOverlapRow), P::LayoutBody);
    spnOverlap->setSuffix(QStringLiteral(" dots"));
    lblSheet = MakeLabel("lblSheet", QString(), 0, AddedRowTop(kSheetRow), P::LayoutBody);
    lblNudge = MakeLabel("lblNudge", QString(), 0, AddedRowTop(kNudgeRow), P::BelowLayout);
}

void ucProperties::Place(QWidget* widget, const QRectF& designTwips, Part part) {
    mPlaced.push_back({widget, designTwips, part});
}

QSpinBox* ucProperties::MakeSpin(const char* name, int low, int high, int value, double leftTwips,
                                 double topTwips, Part part) {
    auto* spin = new QSpinBox(mContent);
    spin->setObjectName(QString::fromLatin1(name));
    spin->setRange(low, high);
    spin->setValue(value);
    Place(spin, QRectF(leftTwips, topTwips - kControlRaise, kSpinWidth, kSpinHeight), part);
    connect(spin, &QSpinBox::valueChanged, this, [this] { SheetControlChanged(); });
    return spin;
}

void ucProperties::resizeEvent(QResizeEvent*) {
    mScroll->setGeometry(rect());
    mContent->resize(mContentSize);
}

int ucProperties::WidthFor(int heightPixels) const {
    const int scrollBar = mContentSize.height() > heightPixels
                              ? mScroll->verticalScrollBar()->sizeHint().width()
                              : 0;
    return sizeHint().width() + scrollBar;
}

void ucProperties::SetLayoutOpen(bool open) {
    mLayoutOpen = open;
    btnLayout->setArrowType(open ? Qt::DownArrow : Qt::RightArrow);
    Relayout();
}

void ucProperties::SetSheet(const platform::SheetOptions& sheet) {
    {
        // One change for all: the values between are no setting of anyone's.
        const QSignalBlocker scale(spnScale), copies(spnCopies), gap(spnGap), poster(chkPoster),
            overlap(spnOverlap);
        spnScale->setValue(sheet.dotsPerPixel);
        spnCopies->setValue(sheet.copies);
        spnGap->setValue(sheet.gapDots);
        chkPoster->setChecked(sheet.poster);
        spnOverlap->setValue(sheet.overlapDots);
    }
    SheetControlChanged();
}

void ucProperties::Relayout() {
    if (!btnLayout) return;  // still being made
    // Lines a printer heading took beyond its first.
    const int lineHeight = platform::TwipsToPixels(QRectF(0, 0, 0, kLabelHeight)).height();
    const int headingExtra = lblPrinterHeader->height() - lineHeight;
    const int bodyHeight = platform::TwipsToPixels(QRectF(0, 0, 0, kLayoutBodyHeight)).height();
    QRect used;
    for (const Placed& p : mPlaced) {
        QRect r = platform::TwipsToPixels(p.design);
        // Never narrower than its text needs ("99999 dots" in a spin box).
        r.setWidth(std::max(r.width(), p.widget->sizeHint().width()));
        if (qobject_cast<QLabel*>(p.widget)) r.setSize(p.widget->size());  // sized to its caption
        if (p.part != Part::Top) r.translate(0, headingExtra);
        if (p.part == Part::BelowLayout && !mLayoutOpen) r.translate(0, -bodyHeight);
        p.widget->setGeometry(r);
        const bool shown = p.part != Part::LayoutBody || mLayoutOpen;
        p.widget->setHidden(!shown || (p.widget == lblNudge && lblNudge->text().isEmpty()));
        if (!p.widget->isHidden()) used |= r;
    }
    // The summary sits beside the Layout button while the section is closed.
    const QRect button = btnLayout->geometry();
    const int gap = platform::TwipsToPixels(QRectF(0, 0, kSummaryGap, 0)).width();
    const int top = platform::TwipsToPixels(QRectF(0, AddedRowTop(kLayoutRow), 0, 0)).y() + headingExtra;
    const QRect summary(button.right() + 1 + gap, top, lblLayoutSummary->sizeHint().width(), lineHeight);
    lblLayoutSummary->setGeometry(summary);
    lblLayoutSummary->setHidden(mLayoutOpen);
    if (!mLayoutOpen) used |= summary;

    const QSize content(used.right() + 1, used.bottom() + 1);
    if (content == mContentSize) return;
    mContentSize = content;
    mContent->resize(mContentSize);
    updateGeometry();
    if (gParentForm) gParentForm->PanelSizeChanged();
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
    // A closed section never hides a setting that is not its default.
    const platform::SheetOptions sheet = Sheet();
    lblLayoutSummary->setText(properties::LayoutSummary(sheet));
    if (!mLayoutOpen && !(sheet == platform::SheetOptions{}))
        SetLayoutOpen(true);
    else
        Relayout();
    UpdatePhysicalSize();
    if (gParentForm) gParentForm->SheetChanged();
}

void ucProperties::UpdateSheet() {
    const QPoint nudge = gPrinter ? gPrinter->Nudge() : QPoint();
    const QString nudgeText = properties::NudgeText(nudge);
    SetCaption(lblNudge, nudgeText.isEmpty() ? QString() : QStringLiteral("Nudge: ") + nudgeText);
    QString summary;
    if (gImage && !gAreaDots.isEmpty())
        summary = properties::SheetSummary(gAreaDots, gDotsPerInch, gPixelsX, gPixelsY, Sheet());
    SetCaption(lblSheet, summary);
}

QLabel* ucProperties::MakeLabel(const char* name, const QString& caption, double leftTwips, double topTwips,
                                Part part) {
    auto* label = new QLabel(mContent);
    label->setObjectName(QString::fromLatin1(name));
    // Device names come from outside; never let one be taken for markup.
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(false);
    const QRectF design(leftTwips, topTwips, 0, kLabelHeight);
    label->setGeometry(platform::TwipsToPixels(design));
    Place(label, design, part);
    SetCaption(label, caption);
    return label;
}

void ucProperties::SetCaption(QLabel* label, const QString& caption) {
    const int lineHeight = platform::TwipsToPixels(QRectF(0, 0, 0, kLabelHeight)).height();
    QString text = caption;
    int extraLines = 0;
    if (label == lblPrinterHeader) {
        // A queue's name may be longer than the panel is wide: more lines.
        const QFontMetrics metrics(label->font());
        const QStringList lines =
            properties::WrapCaption(caption, platform::TwipsToPixels(QRectF(0, 0, kDesignWidth, 0)).width(),
                                    [&](const QString& s) { return metrics.horizontalAdvance(s); });
        text = lines.join(QLatin1Char('\n'));
        extraLines = int(lines.size()) - 1;
        label->setToolTip(lines.size() > 1 ? caption : QString());
    }
    label->setText(text);
    label->resize(label->sizeHint().width(), lineHeight + extraLines * label->fontMetrics().lineSpacing());
    Relayout();
}

void ucProperties::UserControl_Initialize() {
    for (QLabel* heading : {lblImageHeader, lblPrinterHeader, lblOutputHeader, lblOptionsHeader}) {
        QFont font = heading->font();
        font.setBold(true);
        heading->setFont(font);
        SetCaption(heading, heading->text());  // a bold caption is wider
    }
}

void ucProperties::ShowFigures() {
    const std::vector<properties::FigureRow>& rows = mFigures.Rows();
    for (int row = 0; row < properties::kFigureRowCount; ++row) {
        if (mCaptionLabels[row] && rows[row].caption != mShown[row].caption)
            SetCaption(mCaptionLabels[row], rows[row].caption);
        if (mValueLabels[row] && rows[row].value != mShown[row].value) SetCaption(mValueLabels[row], rows[row].value);
    }
    mShown = rows;
}

void ucProperties::SetPrinter(const platform::PrinterPtr& MyPrinter) {
    if (!MyPrinter) return;
    gPrinter = MyPrinter;
    gPrinter->SetDithering(HasDither());
    // Any member of the printer may fail; the failure ends this call and the
    // rows already read show the new printer. The unit stays on the printer;
    // every other user sets its own first.
    try {
        mFigures.ReadPrinter(*gPrinter, gResolution, locale());
    } catch (...) {
        ShowFigures();
        throw;
    }
    ShowFigures();

    // The sheet summary counts in the device's own dots.
    const platform::PrintableArea area = gPrinter->Area();
    gAreaDots = QSize(area.widthDots, area.heightDots);
    gDotsPerInch = gPrinter->DotsPerInch();
    UpdatePhysicalSize();
    // Last, so a device that cannot tell its dots still shows the rest.
    mFigures.ReadDeviceDots(*gPrinter, gResolution);
    ShowFigures();
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

    mFigures.SetPixels(gPixelsX, gPixelsY, locale());
    ShowFigures();
    UpdatePhysicalSize();
}

void ucProperties::UpdatePhysicalSize() {
    mFigures.SetPhysicalSize(std::nullopt, locale());
    ShowFigures();
    UpdateSheet();
    if (!gImage || !gPrinter) return;
    mFigures.SetPhysicalSize(properties::PhysicalSizeOf(gPixelsX, gPixelsY, gResolution, spnScale->value()),
                             locale());
    ShowFigures();
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

QSize ucProperties::minimumSizeHint() const { return mContentSize; }

QSize ucProperties::sizeHint() const {
    const QRect design = platform::TwipsToPixels(QRectF(0, 0, kDesignWidth, 0));
    return QSize(std::max(design.width(), mContentSize.width()), mContentSize.height());
}
