#pragma once
// The page preview: the printable area as a white sheet at reduced scale, the
// picture on it at its printed size (one picture pixel per printer dot),
// centred, and the four cut guides through its outermost rows and columns.
// The widget holds the state and paints; PageLayoutModel does the geometry.
#include "platform/picture/Picture.h"
#include "platform/print/Printer.h"
#include "preview/PageLayoutModel.h"
#include "preview/PageRender.h"

#include <QWidget>

class ucPageLayout : public QWidget {
    Q_OBJECT
public:
    explicit ucPageLayout(QWidget* parent = nullptr);

    // The opened picture; none until the first SetPicture. Read by the print job.
    platform::PicturePtr gPicture;

    // Measures the printable area in dots and lays out. None changes nothing.
    // A printer failure passes to the caller; the printer is kept by then.
    void SetPrinter(const platform::PrinterPtr& MyPrinter);
    // Keeps the picture, takes its size in screen pixels from its HIMETRIC
    // extent and lays out. None changes nothing.
    void SetPicture(const platform::PicturePtr& MyPicture);
    // The printer's way of printing colours changed (dithering): draws the
    // picture again as the device will print it.
    void DeviceLookChanged();
    // Shows or hides the four guides where they stand; moves nothing.
    void SetCutGuidesVisible(const bool& Visible);
    // Lays out again for the sheet options (magnification, copies, poster).
    void SetSheet(const platform::SheetOptions& sheet);

    // The elements as the last layout left them, in twips.
    const preview::PageLayoutModel& Elements() const { return mModel; }
    // Paints the control as it stands into any painter, at the origin.
    void RenderTo(QPainter& painter);
    // The colour behind the sheet: the application-workspace colour, as
    // behind the main window's controls.
    QColor WorkspaceColour() const { return palette().color(QPalette::Dark); }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void UserControl_Initialize();
    void UserControl_Resize();

    platform::PrinterPtr gPrinter;
    float gPrinterPixelsX = 0;  // printable area, printer dots
    float gPrinterPixelsY = 0;
    float gImagePixelsX = 0;    // picture size, screen pixels, unrounded
    float gImagePixelsY = 0;
    double gPrinterDotsPerInch = 0;
    platform::SheetOptions gSheet;

    preview::PageLayoutModel mModel;
    preview::ScaledPictureCache mScaledPicture;
};
