#include "preview/ucPageLayout.h"

#include "platform/base/Screen.h"

#include <QPainter>

ucPageLayout::ucPageLayout(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("ucPageLayout1"));
    // paintEvent covers every pixel, background included.
    setAttribute(Qt::WA_OpaquePaintEvent);
    UserControl_Initialize();
}

void ucPageLayout::SetPrinter(const platform::PrinterPtr& MyPrinter) {
    if (!MyPrinter) return;
    gPrinter = MyPrinter;
    // The picture shows as this printer's device will print it.
    mScaledPicture.SetFinish([printer = gPrinter](QImage& shown) { printer->ShowAsDevice(shown); });
    gPrinter->SetScaleMode(platform::kPixels);
    gPrinterPixelsX = gPrinter->ScaleWidth();
    gPrinterPixelsY = gPrinter->ScaleHeight();
    gPrinterDotsPerInch = gPrinter->DotsPerInch();
    UserControl_Resize();
}

void ucPageLayout::DeviceLookChanged() {
    mScaledPicture.Clear();
    update();
}

void ucPageLayout::SetPicture(const platform::PicturePtr& MyPicture) {
    if (!MyPicture) return;
    gPicture = MyPicture;  // the picture element paints gPicture
    gImagePixelsX = platform::ScaleX(float(gPicture->Width()), platform::kHimetric, platform::kPixels);
    gImagePixelsY = platform::ScaleY(float(gPicture->Height()), platform::kHimetric, platform::kPixels);
    UserControl_Resize();
}

void ucPageLayout::SetCutGuidesVisible(const bool& Visible) {
    mModel.lineHorizGuide1.Visible = Visible;
    mModel.lineHorizGuide2.Visible = Visible;
    mModel.lineVertGuide1.Visible = Visible;
    mModel.lineVertGuide2.Visible = Visible;
    update();
}

void ucPageLayout::SetSheet(const platform::SheetOptions& sheet) {
    gSheet = sheet;
    UserControl_Resize();
}

void ucPageLayout::RenderTo(QPainter& painter) {
    preview::RenderPageLayout(painter, mModel, size(), WorkspaceColour(),
                              gPicture ? &gPicture->Image() : nullptr, mScaledPicture);
}

void ucPageLayout::resizeEvent(QResizeEvent*) { UserControl_Resize(); }

void ucPageLayout::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    RenderTo(painter);
}

void ucPageLayout::UserControl_Initialize() { preview::InitializeElements(mModel); }

void ucPageLayout::UserControl_Resize() {
    preview::LayoutInputs in;
    // The control's size in twips; whole pixels times twips per pixel.
    in.cw = float(width() * platform::TwipsPerPixelX());
    in.ch = float(height() * platform::TwipsPerPixelY());
    in.printer = gPrinter.get();
    in.hasPicture = gPicture != nullptr;
    in.imagePixelsX = gImagePixelsX;
    in.imagePixelsY = gImagePixelsY;
    in.printerPixelsX = gPrinterPixelsX;
    in.printerPixelsY = gPrinterPixelsY;
    in.sheet = gSheet;
    in.printerDotsPerInch = gPrinterDotsPerInch;
    preview::LayOutPage(mModel, in);
    update();
}
