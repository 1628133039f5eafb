#include "preview/PageLayoutModel.h"

#include "platform/base/Failure.h"
#include "platform/base/Numeric.h"
#include "platform/base/Screen.h"

#include <algorithm>
#include <cmath>

namespace preview {

void InitializeElements(PageLayoutModel& m) {
    m.imgImage.Left = 0;
    m.imgImage.Top = 0;
    for (LineElement* l : {&m.lineHorizGuide1, &m.lineHorizGuide2}) {
        l->Y1 = -100;
        l->Y2 = l->Y1;
    }
    for (LineElement* l : {&m.lineVertGuide1, &m.lineVertGuide2}) {
        l->X1 = -100;
        l->X2 = l->X1;
    }
}

namespace {

// The picture's size in pixels and in dots, as the print job takes them.
QSize PixelsOf(const LayoutInputs& in) {
    return QSize(int(std::lround(in.imagePixelsX)), int(std::lround(in.imagePixelsY)));
}
QSize ScaledDots(const LayoutInputs& in) {
    const QSize pixels = PixelsOf(in);
    return platform::ScaledSize(pixels.width(), pixels.height(), in.sheet.dotsPerPixel);
}

QSize AreaDots(const LayoutInputs& in) {
    return QSize(platform::TruncateChecked(in.printerPixelsX), platform::TruncateChecked(in.printerPixelsY));
}

// A poster: the sheet stands for the whole picture, scaled into the control,
// with each page's part outlined.
void LayOutPoster(PageLayoutModel& m, const LayoutInputs& in, QSize scaled) {
    RectElement& page = m.shpPage;
    const double d = std::max(scaled.width() / (double(in.cw) - 2.0 * page.Left),
                              scaled.height() / (double(in.ch) - 2.0 * page.Top));
    if (!(d > 0)) return;
    page.Width = float(scaled.width() / d);
    page.Height = float(scaled.height() / d);
    m.imgImage = RectElement{page.Left, page.Top, page.Width, page.Height, true};
    for (LineElement* l : {&m.lineHorizGuide1, &m.lineHorizGuide2, &m.lineVertGuide1, &m.lineVertGuide2}) {
        l->X1 = l->X2 = -100;
        l->Y1 = l->Y2 = -100;
    }
    const QSize area = AreaDots(in);
    const int band = platform::PosterBandDots(in.printerDotsPerInch);
    // A refused overlap (the panel says why) has no pages to outline: there
    // could be tens of thousands of them.
    if (!platform::CheckLayout(in.sheet, area, PixelsOf(in), band).refusal.isEmpty()) return;
    m.posterPages = PageOutlines{platform::LayOutPoster(area, scaled, in.sheet.overlapDots, band).tiles, page,
                                 float(scaled.width()), float(scaled.height())};
}

// One step that stands alone: a failing one is dropped and the element it
// would have set keeps its value. Each property is its own step, formed in
// double precision and stored as a single; later steps read back what
// earlier ones stored.
template <class Value>
void Set(float& target, Value value) {
    platform::ContinueOnFailure([&] { target = platform::CSng(value()); });
}

// The guides cross the whole sheet; the second of each pair lies one
// screen pixel inside the picture's far edge, on its last row or column.
void PlaceGuides(PageLayoutModel& m) {
    const RectElement& page = m.shpPage;
    const RectElement& img = m.imgImage;
    const double pixelX = platform::ScaleX(1, platform::kPixels, platform::kTwips);
    const double pixelY = platform::ScaleY(1, platform::kPixels, platform::kTwips);
    LineElement& h1 = m.lineHorizGuide1;
    Set(h1.X1, [&] { return double(page.Left); });
    Set(h1.X2, [&] { return double(page.Left) + page.Width; });
    Set(h1.Y1, [&] { return double(img.Top); });
    Set(h1.Y2, [&] { return double(h1.Y1); });
    LineElement& h2 = m.lineHorizGuide2;
    Set(h2.X1, [&] { return double(page.Left); });
    Set(h2.X2, [&] { return double(page.Left) + page.Width; });
    Set(h2.Y1, [&] { return double(img.Top) + img.Height - pixelY; });
    Set(h2.Y2, [&] { return double(h2.Y1); });
    LineElement& v1 = m.lineVertGuide1;
    Set(v1.X1, [&] { return double(img.Left); });
    Set(v1.X2, [&] { return double(v1.X1); });
    Set(v1.Y1, [&] { return double(page.Top); });
    Set(v1.Y2, [&] { return double(page.Top) + page.Height; });
    LineElement& v2 = m.lineVertGuide2;
    Set(v2.X1, [&] { return double(img.Left) + img.Width - pixelX; });
    Set(v2.X2, [&] { return double(v2.X1); });
    Set(v2.Y1, [&] { return double(page.Top); });
    Set(v2.Y2, [&] { return double(page.Top) + page.Height; });
}

// Copies beyond the first: where the print job puts them on the first sheet,
// the first one moved onto its own place in the block.
void LayOutCopies(PageLayoutModel& m, const LayoutInputs& in, QSize scaled) {
    const platform::CopyGrid g = platform::LayOutCopies(AreaDots(in), scaled, in.sheet.copies, in.sheet.gapDots);
    CopyLattice copies;
    copies.count = g.CopiesOn(0);
    if (copies.count <= 1) return;
    copies.columns = g.columns;
    copies.left = g.left;
    copies.top = g.top;
    copies.stepX = g.stepX;
    copies.stepY = g.stepY;
    copies.sheet = m.shpPage;
    copies.areaX = in.printerPixelsX;
    copies.areaY = in.printerPixelsY;
    copies.width = m.imgImage.Width;
    copies.height = m.imgImage.Height;
    // Guides through every copy's outer rows and columns; the first copy's
    // are the four guide elements, moved with it.
    copies.insetX = platform::ScaleX(1, platform::kPixels, platform::kTwips);
    copies.insetY = platform::ScaleY(1, platform::kPixels, platform::kTwips);
    m.imgImage = RectElement{copies.X(0), copies.Y(0), copies.width, copies.height, true};
    const RectElement& page = m.shpPage;
    const float left = page.Left, right = page.Left + page.Width, top = page.Top, bottom = page.Top + page.Height;
    const float x = copies.X(0), y = copies.Y(0);
    const bool shown = m.lineVertGuide1.Visible;
    const auto place = [shown](LineElement& target, const LineElement& at) {
        target = at;
        target.Visible = shown;
    };
    place(m.lineVertGuide1, {x, top, x, bottom});
    place(m.lineVertGuide2, {float(x + copies.width - copies.insetX), top,
                             float(x + copies.width - copies.insetX), bottom});
    place(m.lineHorizGuide1, {left, y, right, y});
    place(m.lineHorizGuide2, {left, float(y + copies.height - copies.insetY), right,
                              float(y + copies.height - copies.insetY)});
    m.copies = copies;
}

}  // namespace

void LayOutPage(PageLayoutModel& m, const LayoutInputs& in) noexcept {
    m.copies = CopyLattice{};
    m.posterPages = PageOutlines{};
    using platform::ContinueOnFailure;
    using platform::DivideChecked;

    if (!(in.cw > 0 && in.ch > 0)) return;
    if (!in.printer) return;
    platform::Printer& printer = *in.printer;
    RectElement& page = m.shpPage;
    RectElement& img = m.imgImage;

    // From here every step stands alone (see Set).
    ContinueOnFailure([&] { printer.SetScaleMode(platform::kTwips); });

    // Printer twips per preview twip in each direction. A zero divisor (the
    // control exactly twice the margin) is no failure: the ratio becomes
    // infinite, or NaN over a zero dividend, and the choice below copes.
    double rx = 0, ry = 0;
    ContinueOnFailure([&] { rx = double(printer.ScaleWidth()) / (double(in.cw) - 2.0 * page.Left); });
    ContinueOnFailure([&] { ry = double(printer.ScaleHeight()) / (double(in.ch) - 2.0 * page.Top); });
    // The direction needing the stronger reduction wins; ties and NaN take rx.
    const double r = ry > rx ? ry : rx;
    if (!(r > 0)) return;  // negative or NaN: the control is too small to lay out

    Set(page.Width, [&] { return double(printer.ScaleWidth()) / r; });
    Set(page.Height, [&] { return double(printer.ScaleHeight()) / r; });

    if (!in.hasPicture) {
        img.Visible = false;
        return;
    }

    // One picture pixel per printer dot, at the sheet's scale. A printable
    // area of 0 dots fails here and leaves the extent as it was.
    const int n = in.sheet.dotsPerPixel;
    Set(img.Width, [&] { return DivideChecked(in.imagePixelsX * float(n), in.printerPixelsX) * page.Width; });
    Set(img.Height, [&] { return DivideChecked(in.imagePixelsY * float(n), in.printerPixelsY) * page.Height; });
    Set(img.Left, [&] { return (double(page.Width) - img.Width) / 2.0 + page.Left; });
    Set(img.Top, [&] { return (double(page.Height) - img.Height) / 2.0 + page.Top; });
    img.Visible = true;

    PlaceGuides(m);

    if (in.sheet == platform::SheetOptions{} || !(in.printerPixelsX > 0 && in.printerPixelsY > 0)) return;
    const QSize scaled = ScaledDots(in);
    if (scaled.isEmpty()) return;
    // An area past int (a printer's figures gone wrong) lays out nothing more.
    ContinueOnFailure([&] {
        if (platform::NeedsPoster(in.sheet, AreaDots(in), scaled))
            LayOutPoster(m, in, scaled);
        else
            LayOutCopies(m, in, scaled);
    });
}

}  // namespace preview
