#pragma once
// Geometry of the main window's controls in twips, and the arrangement that
// follows the window's outer size. Plain values so it is tested without a window.
#include <QRectF>
#include <functional>

namespace shell {

struct TwipsRect {
    float Left = 0, Top = 0, Width = 0, Height = 0;
    QRectF toRectF() const { return QRectF(Left, Top, Width, Height); }
};

// The controls ArrangeControls reads and writes, at their design geometry.
struct MainControls {
    TwipsRect tbToolBar{0, 0, 5910, 420};
    TwipsRect fraProperties{0, 410, 3855, 2600};
    TwipsRect ucProperties1{120, 240, 3615, 2200};  // inside the frame
    TwipsRect ucPageLayout1{3960, 480, 1815, 855};
};

// The assignments, in order, each reading the values stored by the ones
// before it. An assignment that would store a negative height or width fails
// and is skipped; the control keeps its value and the next one runs.
// windowWidth and windowHeight are the window's outer size in twips.
// panelWidthFor gives the width the panel needs at a height (both twips):
// the panel, and its frame with it, is never narrower than that nor than its
// design width, so no figure is cut and no scroll bar covers one; the
// preview takes what is left. Without it the panel keeps its design width.
void ArrangeControls(MainControls& c, float windowWidth, float windowHeight,
                     const std::function<float(float panelHeight)>& panelWidthFor = {});

}  // namespace shell
