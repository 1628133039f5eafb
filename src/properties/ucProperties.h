#pragma once
// The properties panel: the figures that tell how the picture will come out
// (size in pixels and megapixels; printer, paper, printable area, resolution;
// physical size), the cut-guides and dithering options, the sheet layout
// (dots per pixel, copies on the sheet, poster, with how many fit) in a
// section that opens and closes, and the printer's nudge. The section is
// closed at first, with its settings summed up on one line, and opens by
// itself when an option is set to anything but its default. A printer
// heading too long for the panel takes more lines. The controls scroll when
// the panel is too short; WidthFor says how wide the panel must then be for
// the scroll bar to cover nothing.
#include "platform/picture/Picture.h"
#include "platform/print/Printer.h"
#include "platform/page/SheetLayout.h"
#include "properties/Figures.h"

#include <QWidget>
#include <array>
#include <cstdint>
#include <vector>

class QLabel;
class QCheckBox;
class QScrollArea;
class QSpinBox;
class QToolButton;
class MainFormLink;

class ucProperties : public QWidget {
    Q_OBJECT
public:
    explicit ucProperties(QWidget* parent = nullptr);

    // Picture size in pixels; 0 until the first SetImage. Read by the print job.
    int16_t gPixelsX = 0;
    int16_t gPixelsY = 0;

    void SetPrinter(const platform::PrinterPtr& MyPrinter);
    void SetImage(const platform::PicturePtr& MyPicture);
    void SetMainForm(MainFormLink* MainForm);
    bool HasCutGuides() const;
    // Whether grey and colour reach a black-and-white printer dithered.
    bool HasDither() const;
    // The sheet layout the controls hold; the defaults until the user
    // changes them.
    platform::SheetOptions Sheet() const;
    // Sets the sheet controls; the Layout section opens when any differs from
    // its default.
    void SetSheet(const platform::SheetOptions& sheet);
    // The figure rows on show, in their order: what `--info` prints for the
    // same printer and picture.
    const std::vector<properties::FigureRow>& Figures() const { return mShown; }
    // The Layout section (the sheet controls and how many fit).
    bool IsLayoutOpen() const { return mLayoutOpen; }
    void SetLayoutOpen(bool open);

    // The width in pixels the panel needs at a height of `heightPixels` so
    // that every control shows whole: the controls' extent, and the
    // vertical scroll bar's width when they are taller than that.
    int WidthFor(int heightPixels) const;

    // Room for every control at its design place; labels grow with their
    // captions, so this follows the texts on show.
    QSize minimumSizeHint() const override;
    // The design area, or more when a caption has grown past it.
    QSize sizeHint() const override;

private:
    // The controls; tests find them by their object names.
    // The figure rows' labels by the row's index (none where a row has no
    // caption or no value), and the rows they show.
    std::array<QLabel*, properties::kFigureRowCount> mCaptionLabels{};
    std::array<QLabel*, properties::kFigureRowCount> mValueLabels{};
    properties::FigureTable mFigures;
    std::vector<properties::FigureRow> mShown;
    // The headings, which are bold.
    QLabel* lblImageHeader = nullptr;
    QLabel* lblPrinterHeader = nullptr;
    QLabel* lblOutputHeader = nullptr;
    QLabel* lblOptionsHeader = nullptr;
    QCheckBox* chkCutGuides = nullptr;
    QCheckBox* chkDither = nullptr;
    QLabel* lblScaleDescription = nullptr;
    QSpinBox* spnScale = nullptr;
    QLabel* lblCopiesDescription = nullptr;
    QSpinBox* spnCopies = nullptr;
    QLabel* lblGapDescription = nullptr;
    QSpinBox* spnGap = nullptr;
    QCheckBox* chkPoster = nullptr;
    QLabel* lblOverlapDescription = nullptr;
    QSpinBox* spnOverlap = nullptr;
    QLabel* lblSheet = nullptr;
    QLabel* lblNudge = nullptr;
    QToolButton* btnLayout = nullptr;
    QLabel* lblLayoutSummary = nullptr;
    QScrollArea* mScroll = nullptr;
    QWidget* mContent = nullptr;  // holds every control, at its design place

    // Where a control goes: its design place in twips and the part of the
    // panel it is in, which decides how it moves (see Relayout).
    enum class Part { Top, BelowPrinterHeading, LayoutBody, BelowLayout };
    struct Placed {
        QWidget* widget;
        QRectF design;  // twips; a control is never narrower than its width hint
        Part part;
    };
    std::vector<Placed> mPlaced;
    bool mLayoutOpen = false;
    QSize mContentSize;  // the extent of the controls on show, in pixels

    void Place(QWidget* widget, const QRectF& designTwips, Part part);
    // The controls, top to bottom: the figure rows' labels and the Options
    // heading; the cut-guides and dithering boxes; the Layout section and the
    // nudge.
    void MakeFigureLabels();
    void MakeOptions();
    void MakeLayoutSection();
    // Every control to its place: below a printer heading of several lines
    // rows move down by the lines added; the Layout body shows only while
    // the section is open, and what comes after it moves up when it is
    // closed. Then the content's size, and the window is told when it changed.
    void Relayout();
    void UserControl_Initialize();
    // The labels of the rows that changed take the figures' new texts.
    void ShowFigures();
    void UpdatePhysicalSize();
    // The sheet summary and the nudge, for the printer and picture on show.
    void UpdateSheet();
    // A sheet control changed: new figures, and the preview follows.
    void SheetControlChanged();
    // A spin box at its design place in twips.
    QSpinBox* MakeSpin(const char* name, int low, int high, int value, double leftTwips, double topTwips,
                       Part part);
    void resizeEvent(QResizeEvent* event) override;
    void chkCutGuides_Click();

    // A label of the panel at its design place in twips, sized to its caption.
    QLabel* MakeLabel(const char* name, const QString& caption, double leftTwips, double topTwips,
                      Part part = Part::Top);
    // New caption; the label keeps its place and grows or shrinks to the
    // text. The printer heading is cut into lines the panel's width holds.
    void SetCaption(QLabel* label, const QString& caption);

    platform::PrinterPtr gPrinter;
    platform::PicturePtr gImage;
    int16_t gResolution = 0;
    QSize gAreaDots;        // the printable area in dots, for the sheet summary
    double gDotsPerInch = 0;
    MainFormLink* gParentForm = nullptr;
};
