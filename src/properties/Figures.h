#pragma once
// The arithmetic and the texts of the properties panel, free of any widget so
// they can be checked on their own. Whole-number figures are signed 16-bit;
// everything shown with decimals goes through FormatRounded.
#include "platform/page/SheetLayout.h"

#include <QLocale>
#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace platform {
class Printer;
}

namespace properties {

// The panel's fixed captions: headings, and descriptions of the rows.
inline constexpr char kImageHeading[] = "Image";
inline constexpr char kSizeCaption[] = "Size";
inline constexpr char kPrinterHeading[] = "Printer";
inline constexpr char kPaperSizeCaption[] = "Paper size";
inline constexpr char kPrintingAreaCaption[] = "Printing area";
inline constexpr char kResolutionCaption[] = "Printing resolution";
inline constexpr char kOutputHeading[] = "Output";
inline constexpr char kPhysicalSizeCaption[] = "Physical image size";
inline constexpr char kOptionsHeading[] = "Options";

// Suffixes of the two measuring systems. The inch mark is the straight
// double quote, after a blank.
inline constexpr char kCmSuffix[] = " cm";
inline constexpr char kInchSuffix[] = " \"";

// The value rounded to two decimals, exact halves to the even neighbour
// (0.125 -> "0.12", 0.375 -> "0.38"), written with at most 15 significant
// digits, never in exponent form, without grouping or trailing zeros, with
// the decimal separator of `locale` and a plain '-' when negative. A value
// that is not finite has no text: throws platform::Failure("Overflow").
QString FormatRounded(double value, const QLocale& locale = QLocale());

// "<w> x <h><suffix>", both figures through FormatRounded.
QString FormatPair(double width, double height, const char* suffix, const QLocale& locale = QLocale());

// Screen pixels of a picture extent given in HIMETRIC, horizontally and
// vertically, at the screen's resolution. Throws Failure("Overflow") when the
// result does not fit a signed 16-bit integer.
int16_t PixelsFromHimetricX(int32_t himetric);
int16_t PixelsFromHimetricY(int32_t himetric);

// "640 x 480 pixels".
QString PixelSizeText(int16_t pixelsX, int16_t pixelsY);

// Millions of pixels. Scaled by 0.001 twice before the product so the
// figure is the same one the panel has always shown (0.3072 for 640 x 480).
double Megapixels(int16_t pixelsX, int16_t pixelsY);
// "0.31 megapixels".
QString MegapixelsText(int16_t pixelsX, int16_t pixelsY, const QLocale& locale = QLocale());

// "Printer <device name>".
QString PrinterHeading(const QString& deviceName);
// "600 DPI"; a quality code (0 or below) shows as it is, e.g. "-4 DPI".
QString ResolutionText(int16_t printQuality);
// The same, except for a device whose dots are not square (`deviceDpi`
// across and down, as drawn): both its figures, "300 x 600 DPI". A picture
// pixel is then a block of dots, printQuality to the inch.
QString ResolutionText(int16_t printQuality, QSize deviceDpi);

// Name of a standard paper size code: "A4", "Letter"... or "Other".
QString PaperName(int16_t paperSize);
// "A4, Portrait"; any orientation other than 1 counts as landscape.
QString PaperText(int16_t paperSize, int16_t orientation);

// Size of the picture on paper at one pixel per printer dot.
struct PhysicalSize {
    double widthInches = 0;
    double heightInches = 0;
    double widthCm = 0;
    double heightCm = 0;
};
// Empty when the resolution is a quality code (0 or below) or a pixel count
// is negative: there is then no size to tell. Each pixel is `dotsPerPixel`
// dots across and down.
std::optional<PhysicalSize> PhysicalSizeOf(int16_t pixelsX, int16_t pixelsY, int16_t resolution,
                                           int dotsPerPixel = 1);

// "0 x 0<suffix>": a size not known yet.
QString ZeroPair(const char* suffix);

// One line of the panel's figures. A heading has a caption and no value; a
// value without a caption continues the row above.
struct FigureRow {
    QString caption;
    QString value;
    bool operator==(const FigureRow&) const = default;
};

// The rows of figures in the panel's order: a row's index is its place in
// FigureTable::Rows and the panel's row from the top.
enum FigureIndex : int {
    kImageRow,
    kPixelSizeRow,
    kMegapixelsRow,
    kPrinterRow,
    kPaperRow,
    kAreaCmRow,
    kAreaInchesRow,
    kResolutionRow,
    kOutputRow,
    kPhysicalCmRow,
    kPhysicalInchesRow,
    kFigureRowCount
};

// The figures the panel shows and the command line prints, one list of rows
// with their very texts, filled in by the steps that read what each row
// depends on. At first the texts shown before any printer or picture. A new
// figure is a row here (its index, its first text, the step that writes it)
// and its labels' names in the panel.
class FigureTable {
public:
    FigureTable();
    const std::vector<FigureRow>& Rows() const { return mRows; }

    // The picture's rows: size in pixels and megapixels.
    void SetPixels(int16_t pixelsX, int16_t pixelsY, const QLocale& locale);
    // The printer's rows, each written as soon as its member is read, in this
    // order: the heading (DeviceName), the resolution (PrintQuality, also
    // stored in `resolution` at once), the printing area in centimetres then
    // in inches (the unit is left at inches), the paper ("none" while
    // PaperSize and Orientation are read). A failing member throws, and the
    // rows after it keep their text.
    void ReadPrinter(platform::Printer& printer, int16_t& resolution, const QLocale& locale);
    // The resolution row again, with the device's own dots (Facts) for a
    // device whose dots are not square.
    void ReadDeviceDots(platform::Printer& printer, int16_t resolution);
    // The physical size rows; "0 x 0" without a size to tell.
    void SetPhysicalSize(const std::optional<PhysicalSize>& size, const QLocale& locale);

private:
    std::vector<FigureRow> mRows;
};

// Every figure the panel shows, in its order and with its very texts, for a
// picture of pixelsX x pixelsY on `printer`; without a picture, what the
// panel shows before one is opened. Reads the printer's members in the
// panel's order (leaving its unit at inches), its Facts last; a failing
// member throws.
std::vector<FigureRow> FigureRows(platform::Printer& printer, bool hasPicture, int16_t pixelsX, int16_t pixelsY,
                                  const QLocale& locale = QLocale(), int dotsPerPixel = 1);

// What the sheet options make of a picture of pixelsX x pixelsY on an area
// of `area` dots: "24 copies fit on a sheet", "10 copies on 2 sheets, 8 fit
// on each", "Poster of 2 x 3 pages", "Too large at 16 dots per pixel".
// A poster's pages are counted as printed at `dotsPerInch`.
QString SheetSummary(QSize area, double dotsPerInch, int16_t pixelsX, int16_t pixelsY,
                     const platform::SheetOptions& sheet);
// The sheet options in one line, for the panel's closed Layout section:
// "1 dot per pixel, 1 copy", "3 dots per pixel, as many copies as fit, gap
// 20 dots", "2 dots per pixel, 1 copy, poster, overlap 40 dots". The gap
// shows only where there are copies to part, the overlap only for a poster.
QString LayoutSummary(const platform::SheetOptions& sheet);
// `text` cut into lines no wider than `room` by `widthOf`: each line as long
// as fits, broken after the last blank, '_', '-' or '.' that fits, or
// anywhere when none does (a queue name has no blanks); at least one
// character a line. Blanks at a break are dropped. An empty text is one
// empty line.
QStringList WrapCaption(const QString& text, int room, const std::function<int(const QString&)>& widthOf);
// "5 right, 3 up (dots)"; empty for no nudge.
QString NudgeText(QPoint nudge);
// The sheet options' figures for the command line: dots per pixel, the
// summary, and the nudge when there is one. Reads the printer's area in
// dots (leaving its unit at dots).
std::vector<FigureRow> SheetRows(platform::Printer& printer, int16_t pixelsX, int16_t pixelsY,
                                 const platform::SheetOptions& sheet, QPoint nudge);

}  // namespace properties
