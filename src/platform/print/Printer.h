#pragma once
// The current printer object: what the panel, the preview and the print job
// measure and draw on. Sizes are of the printable area, origin at its top-left
// corner, in the unit last selected with SetScaleMode. Every member may fail
// (throw platform::Failure), for example when the device has gone away.
#include "platform/page/PagePainter.h"
#include "platform/print/PaperCodes.h"
#include "platform/picture/Picture.h"
#include "platform/print/PrintOutcome.h"
#include "platform/base/Units.h"

#include <QImage>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QRectF>
#include <QStringList>
#include <QSize>
#include <QString>
#include <cstdint>
#include <memory>

namespace platform {

// The printable area as the device reports it. Inches are exact (from the
// device description); dots are what the device really paints, at `dpi`.
struct PrintableArea {
    double widthInches = 0;
    double heightInches = 0;
    int widthDots = 0;
    int heightDots = 0;
};

enum OrientationCode : int16_t { kPortrait = 1, kLandscape = 2 };

// The dialog a printer is set up with (see ShowPrinterDialog): the print
// dialog of a queue (queue, paper, orientation, its options), the page
// dialog of a file printer (paper and orientation), or none.
enum class PrinterDialogKind { None, Queue, Page };

class Printer {
public:
    virtual ~Printer() = default;

    // Unit of ScaleWidth/ScaleHeight and of the drawing coordinates: 1 twips,
    // 3 device dots, 5 inches, 7 centimetres. Stays until the next write.
    void SetScaleMode(int16_t mode);
    int16_t ScaleMode() const { return mScaleMode; }
    float ScaleWidth() const;
    float ScaleHeight() const;

    virtual QString DeviceName() const = 0;
    // Dots per inch the device really prints at (> 0), or a quality code (<= 0).
    virtual int16_t PrintQuality() const = 0;
    virtual int16_t PaperSize() const = 0;
    virtual int16_t Orientation() const = 0;
    // Which dialog sets this printer up; none by default.
    virtual PrinterDialogKind DialogKind() const { return PrinterDialogKind::None; }

    // Drawing. The document begins with the first drawing call; EndDoc ends
    // the page and the document and hands them to the print system.
    // Coordinates are in the current scale unit.
    void SetDrawWidth(int16_t width);
    int16_t DrawWidth() const { return mDrawWidth; }
    // Outline of the rectangle between two corners, black, DrawWidth dots
    // wide, clipped to the printable area.
    void LineBox(float x1, float y1, float x2, float y2);
    // The picture stretched to width x height units with its top-left at (x, y).
    void PaintPicture(const Picture& picture, float x, float y, float width, float height);
    // Copies of the picture as that many PaintPicture calls would put them:
    // the first at (x, y), copy i at (x + (i % columns) * stepX,
    // y + (i / columns) * stepY), steps in the current unit.
    void PaintCopies(const Picture& picture, float x, float y, float width, float height, const CopyBlock& block);
    void EndDoc();
    // What the last EndDoc made: the job's queue and number, or the file
    // written. Empty after a document that failed or was cancelled.
    const PrintOutcome& LastOutcome() const { return mOutcome; }
    // Begins a new page of the same document: what was drawn so far is one
    // page, and marks that follow go on the next. Begins the document (with
    // a blank first page) when nothing was drawn.
    void NewPage();
    // Cancels a document begun and not ended; nothing reaches the printer.
    // Harmless when no document is open.
    virtual void KillDoc() = 0;

    // Whole device dots (cells) by which everything drawn is moved, right and
    // down, to correct where this printer lands the page on the sheet. Marks
    // moved past the printable area's edges are cut off there. (0, 0) by
    // default.
    void SetNudge(QPoint dots) { mNudge = dots; }
    QPoint Nudge() const { return mNudge; }
    // Marks that follow are cut off outside this rectangle (scale units, from
    // the printable area's top-left, corners included, before the nudge), on
    // top of the printable area's own edges; an empty rectangle removes it.
    void SetClip(float x1, float y1, float x2, float y2);
    void ClearClip() { mClipDots = QRect(); }

    virtual PrintableArea Area() const = 0;

    // The resolutions the device can be set to, dots per inch across and
    // down as it takes the sheet, coarsest first; empty when it prints at
    // one only (by default).
    virtual QList<QSize> Resolutions() const { return {}; }
    // The one chosen with SetResolution; empty for the device's default.
    virtual QSize ChosenResolution() const { return {}; }
    // What the device prints at when none is chosen. By default PrintQuality
    // on both axes.
    virtual QSize DefaultResolution() const;
    // Prints at `dpi` from now on (an empty size: the default again). Throws
    // Failure, changing nothing, when the device has no such resolution; by
    // default it has only DefaultResolution.
    virtual void SetResolution(QSize dpi);

    // The dots per inch that convert between dots and physical units.
    double DotsPerInch() const;

    // What the device itself prints, for the command line's figures: its
    // resolution on both axes, the printable area in its own dots, and where
    // these came from ("PPD", "IPP", "built-in"; empty when not told).
    struct DeviceFacts {
        int xdpi = 0;
        int ydpi = 0;
        QSize areaDots;
        QString source;
        QString pageFormat;  // what the device is sent: "PDF", "CUPS raster", "PWG raster", "Apple raster"
        // The sheet in units of Area()'s dots, origin at the printable area's
        // top-left corner, as drawn (turned for landscape): where a sheet
        // folded in half creases. Empty when not known; the area is then taken
        // to be centred on the sheet.
        QRectF sheet;
        // What of a network printer's own answer was not used, and why.
        QStringList answerNotes;
    };
    // By default the figures above: one dot per unit of Area(), square.
    virtual DeviceFacts Facts() const;

    // Grey and colour pictures on a device of one bit per colour: a threshold
    // at mid-grey (false, the default) or ordered dithering. Black and white
    // pictures print the same either way. Printers that are sent anything
    // but such raster ignore it.
    virtual void SetDithering(bool /*dither*/) {}
    // Turns `shown` (a picture as the preview shows it, 32-bit RGB, possibly
    // with alpha) into what the device will print of it: grey on a grey
    // device, black and white dots on a one-bit one. Unchanged by default.
    virtual void ShowAsDevice(QImage& /*shown*/) const {}

protected:
    // Backends draw in device dots, origin at the printable area's top-left.
    // `clip` (dots, nudged; null for none) further limits what is marked.
    virtual void DrawLineBoxDots(double x1, double y1, double x2, double y2, int width, const QRect& clip) = 0;
    virtual void DrawPictureDots(const Picture& picture, double x, double y, double w, double h,
                                 const QRect& clip) = 0;
    // Copies in dots, whole-dot steps. By default one DrawPictureDots each.
    virtual void DrawCopiesDots(const Picture& picture, double x, double y, double w, double h,
                                const CopyBlock& block, const QRect& clip);
    virtual void BeginNextPage() = 0;
    virtual void FinishDocument() = 0;
    // Backends say what FinishDocument made.
    void SetOutcome(PrintOutcome outcome) { mOutcome = std::move(outcome); }

private:
    double UnitsPerInch() const;
    double ToDots(float value) const;
    int16_t mScaleMode = kTwips;
    int16_t mDrawWidth = 1;
    QPoint mNudge;
    QRect mClipDots;  // nudged; null for none
    PrintOutcome mOutcome;
};

using PrinterPtr = std::shared_ptr<Printer>;

// The application's one current printer. Made on first use from the system's
// default print queue, or the built-in PDF printer when there is none.
PrinterPtr CurrentPrinter();
// Tests and the command line put a printer of their choice in its place.
void SetCurrentPrinter(PrinterPtr printer);

}  // namespace platform
