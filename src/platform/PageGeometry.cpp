#include "platform/PageGeometry.h"

#include "platform/Failure.h"

#include <algorithm>
#include <cmath>

namespace platform {

int DotsOf(double points, int dpi) { return int(points * dpi / 72.0 + 0.5); }

double PointsFromHundredthsMm(int hundredths) { return hundredths * 72.0 / 2540.0; }

DotGrid GridOf(const PageGeometry& page) {
    if (page.xdpi <= 0 || page.ydpi <= 0)
        Fail(QStringLiteral("The resolution of the printer is not known."));
    DotGrid g;
    g.dpi = std::min(page.xdpi, page.ydpi);
    if (page.xdpi % g.dpi != 0 || page.ydpi % g.dpi != 0)
        Fail(QStringLiteral("The printer prints %1 x %2 dots per inch; a picture pixel cannot be a whole number "
                            "of dots in both directions. Choose a resolution with equal figures.")
                 .arg(page.xdpi)
                 .arg(page.ydpi));
    g.dotsAcross = page.xdpi / g.dpi;
    g.dotsDown = page.ydpi / g.dpi;
    g.areaDots = QSize(DotsOf(page.right - page.left, page.xdpi), DotsOf(page.top - page.bottom, page.ydpi));
    g.cells = QSize(g.areaDots.width() / g.dotsAcross, g.areaDots.height() / g.dotsDown);
    if (g.cells.width() <= 0 || g.cells.height() <= 0)
        Fail(QStringLiteral("The printer has no printable area."));
    g.originX = page.left;
    g.originY = page.heightPoints - page.top;
    return g;
}

}  // namespace platform
