#pragma once
// The page preview's drawing elements as plain values, and the layout that
// places them. Everything is in twips (1/1440 inch) on the control, single
// precision, never rounded to pixels: the painter converts when it draws.
// No widget is needed, so the arithmetic is tested on its own.
#include "platform/print/Printer.h"
#include "platform/page/SheetLayout.h"

#include <algorithm>

namespace preview {

// A rectangle element (the sheet, the picture element).
struct RectElement {
    float Left = 0, Top = 0, Width = 0, Height = 0;
    bool Visible = true;
};

// A line element between (X1, Y1) and (X2, Y2).
struct LineElement {
    float X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
    bool Visible = false;
};

// Copies on the first sheet where the print job puts them, by formula: copy
// i stands in column i % columns and row i / columns, the first on imgImage.
// Nothing is kept per copy: a sheet of billions of one-dot copies costs what
// four do, and the renderer draws only copies and guides on distinct pixels.
struct CopyLattice {
    qint64 count = 0;  // on the first sheet, the first included; below 2: no further copies
    int columns = 1;
    double left = 0, top = 0;            // the block's top-left, dots
    int stepX = 0, stepY = 0;            // dots
    RectElement sheet;                   // the sheet element the dots map onto
    float areaX = 1, areaY = 1;          // the printable area, dots
    float width = 0, height = 0;         // each copy, twips
    double insetX = 0, insetY = 0;       // the far guide's distance inside a copy's edge, twips
    qint64 size() const { return count > 1 ? count - 1 : 0; }  // copies beyond the first
    int Columns() const { return int(std::min<qint64>(count, columns)); }
    int Rows() const { return count > 0 ? int((count + columns - 1) / columns) : 0; }
    int InRow(int row) const { return int(std::min<qint64>(count - qint64(row) * columns, columns)); }
    float X(int column) const { return float(sheet.Left + (left + double(column) * stepX) / areaX * sheet.Width); }
    float Y(int row) const { return float(sheet.Top + (top + double(row) * stepY) / areaY * sheet.Height); }
};

// A poster's pages on the sheet element, which stands for the whole picture:
// the plan's tiles (the picture's dots) mapped onto twips as they are drawn.
struct PageOutlines {
    platform::TileLattice tiles;
    RectElement sheet;
    float pictureX = 1, pictureY = 1;  // the picture, dots
    qint64 size() const { return tiles.size(); }
    float X(int dots) const { return float(sheet.Left + double(dots) / pictureX * sheet.Width); }
    float Y(int dots) const { return float(sheet.Top + double(dots) / pictureY * sheet.Height); }
};

// The elements at their design geometry, before initialisation.
struct PageLayoutModel {
    // The sheet: the printable area at reduced scale. Left and Top are the
    // preview margin and never change.
    RectElement shpPage{120, 120, 615, 615};
    // The picture, stretched to fill its rectangle.
    RectElement imgImage{240, 240, 375, 375};
    // Cut guides through the picture's outermost rows and columns.
    LineElement lineHorizGuide1{1080, 120, 1560, 120};
    LineElement lineHorizGuide2{1080, 240, 1560, 240};
    LineElement lineVertGuide1{840, 120, 840, 720};
    LineElement lineVertGuide2{960, 120, 960, 720};

    // What the sheet options add; both empty with the default options.
    // Further copies of the picture on the first sheet, each stretched like
    // imgImage, and the guides along their rows and columns (shown with the
    // four guides above).
    CopyLattice copies;
    // A poster: the sheet element then stands for the whole picture, and
    // these are the parts of it each page prints, outlined.
    PageOutlines posterPages;
};

// What one layout run reads besides the elements.
struct LayoutInputs {
    float cw = 0;  // control width, twips
    float ch = 0;  // control height, twips
    platform::Printer* printer = nullptr;  // none: nothing is laid out
    bool hasPicture = false;
    float imagePixelsX = 0, imagePixelsY = 0;      // picture size, screen pixels
    float printerPixelsX = 0, printerPixelsY = 0;  // printable area, printer dots
    platform::SheetOptions sheet;                  // magnification, copies, poster
    double printerDotsPerInch = 0;                 // for the poster's page count
};

// Creation: the picture element at the origin and the four guides parked
// 100 twips outside the top and left edges, so that showing them shows
// nothing until a layout with a picture places them.
void InitializeElements(PageLayoutModel& m);

// Sizes the sheet to the printable area scaled into the control less the
// margin, and the picture at its printed size (one picture pixel per printer
// dot) centred on the sheet, with the guides through its outer pixels.
// Leaves the printer's ScaleMode at twips once it has a printer and a size.
// Each step that fails (printer error, division by zero, overflow) is
// skipped, the element keeping its previous value; nothing escapes.
// With sheet options, the picture is magnified by whole dots, further copies
// are laid out as the print job places them, and a poster shows the whole
// picture with the part each page prints outlined.
void LayOutPage(PageLayoutModel& m, const LayoutInputs& in) noexcept;

}  // namespace preview
