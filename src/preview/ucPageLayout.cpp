#include "preview/ucPageLayout.h"

// Skeleton: the layout and painting land with the preview's own change.
ucPageLayout::ucPageLayout(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("ucPageLayout1"));
    UserControl_Initialize();
}
void ucPageLayout::SetPrinter(const platform::PrinterPtr& MyPrinter) { if (MyPrinter) gPrinter = MyPrinter; }
void ucPageLayout::SetPicture(const platform::PicturePtr& MyPicture) { if (MyPicture) gPicture = MyPicture; }
void ucPageLayout::SetCutGuidesVisible(const bool&) {}
void ucPageLayout::resizeEvent(QResizeEvent*) { UserControl_Resize(); }
void ucPageLayout::UserControl_Initialize() {}
void ucPageLayout::UserControl_Resize() {}
