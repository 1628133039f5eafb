#include "preview/PageLayoutModel.h"

#include "platform/Failure.h"
#include "platform/Numeric.h"
#include "platform/Screen.h"

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

void LayOutPage(PageLayoutModel& m, const LayoutInputs& in) noexcept {
    using platform::ContinueOnFailure;
    using platform::CSng;
    using platform::DivideChecked;

    if (!(in.cw > 0 && in.ch > 0)) return;
    if (!in.printer) return;
    platform::Printer& printer = *in.printer;
    RectElement& page = m.shpPage;
    RectElement& img = m.imgImage;

    // From here every step stands alone: a failing one is dropped and the
    // element it would have set keeps its value. Each property is its own
    // step, formed in double precision and stored as a single; later steps
    // read back what earlier ones stored.
    const auto set = [](float& target, auto value) {
        ContinueOnFailure([&] { target = CSng(value()); });
    };
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

    set(page.Width, [&] { return double(printer.ScaleWidth()) / r; });
    set(page.Height, [&] { return double(printer.ScaleHeight()) / r; });

    if (!in.hasPicture) {
        img.Visible = false;
        return;
    }

    // One picture pixel per printer dot, at the sheet's scale. A printable
    // area of 0 dots fails here and leaves the extent as it was.
    set(img.Width, [&] { return DivideChecked(in.imagePixelsX, in.printerPixelsX) * page.Width; });
    set(img.Height, [&] { return DivideChecked(in.imagePixelsY, in.printerPixelsY) * page.Height; });
    set(img.Left, [&] { return (double(page.Width) - img.Width) / 2.0 + page.Left; });
    set(img.Top, [&] { return (double(page.Height) - img.Height) / 2.0 + page.Top; });
    img.Visible = true;

    // The guides cross the whole sheet; the second of each pair lies one
    // screen pixel inside the picture's far edge, on its last row or column.
    const double pixelX = platform::ScaleX(1, platform::kPixels, platform::kTwips);
    const double pixelY = platform::ScaleY(1, platform::kPixels, platform::kTwips);
    LineElement& h1 = m.lineHorizGuide1;
    set(h1.X1, [&] { return double(page.Left); });
    set(h1.X2, [&] { return double(page.Left) + page.Width; });
    set(h1.Y1, [&] { return double(img.Top); });
    set(h1.Y2, [&] { return double(h1.Y1); });
    LineElement& h2 = m.lineHorizGuide2;
    set(h2.X1, [&] { return double(page.Left); });
    set(h2.X2, [&] { return double(page.Left) + page.Width; });
    set(h2.Y1, [&] { return double(img.Top) + img.Height - pixelY; });
    set(h2.Y2, [&] { return double(h2.Y1); });
    LineElement& v1 = m.lineVertGuide1;
    set(v1.X1, [&] { return double(img.Left); });
    set(v1.X2, [&] { return double(v1.X1); });
    set(v1.Y1, [&] { return double(page.Top); });
    set(v1.Y2, [&] { return double(page.Top) + page.Height; });
    LineElement& v2 = m.lineVertGuide2;
    set(v2.X1, [&] { return double(img.Left) + img.Width - pixelX; });
    set(v2.X2, [&] { return double(v2.X1); });
    set(v2.Y1, [&] { return double(page.Top); });
    set(v2.Y2, [&] { return double(page.Top) + page.Height; });
}

}  // namespace preview
