#include "platform/print/PdfPrinter.h"

#include "platform/page/PageGeometry.h"
#include "platform/page/PdfPage.h"

namespace platform {

PdfPrinter::PdfPrinter(const QString& outputPath, FilePathProvider pathProvider)
    : FilePrinter(QStringLiteral("PDF"), outputPath, std::move(pathProvider)) {}

PdfPrinter::~PdfPrinter() = default;

PageGeometry PdfPrinter::Geometry() const {
    // The paper as it is defined (A4 is 210 x 297 mm: 595.2756 x 841.8898
    // points), the whole sheet printable, turned when landscape.
    const QSizeF points = ExactPoints(Layout().pageSize());
    const bool landscape = Layout().orientation() == QPageLayout::Landscape;
    PageGeometry g;
    g.media = Layout().pageSize().key();
    g.widthPoints = landscape ? points.height() : points.width();
    g.heightPoints = landscape ? points.width() : points.height();
    g.right = g.widthPoints;
    g.top = g.heightPoints;
    g.xdpi = g.ydpi = kDotsPerInch;
    g.source = QString::fromLatin1(kSourceBuiltIn);
    SetSheetRaster(g);
    return g;
}

PrintableArea PdfPrinter::Area() const {
    const PageGeometry g = Geometry();
    const DotGrid grid = GridOf(g);
    return PrintableArea{g.widthPoints / 72.0, g.heightPoints / 72.0, grid.cells.width(), grid.cells.height()};
}

Printer::DeviceFacts PdfPrinter::Facts() const {
    const PageGeometry g = Geometry();
    // A landscape page is laid out landscape (see OpenDocument): nothing turned.
    const DotGrid grid = GridOf(g);
    return DeviceFacts{g.xdpi, g.ydpi, grid.areaDots, g.source, QStringLiteral("PDF"), SheetInCells(g, grid, false), {}};
}

std::unique_ptr<PageWriter> PdfPrinter::OpenDocument() {
    // A landscape PDF page is simply a landscape page: no turning needed.
    return std::make_unique<PdfPage>(PageSetup{Geometry(), false, DocumentTitle(), std::nullopt});
}

}  // namespace platform
