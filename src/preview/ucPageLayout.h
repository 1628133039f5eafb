#pragma once
// The page preview: the printable area as a white sheet at reduced scale, the
// picture on it at its printed size (one picture pixel per printer dot),
// centred, and the four cut guides through its outermost rows and columns.
#include "platform/Picture.h"
#include "platform/Printer.h"

#include <QWidget>

class ucPageLayout : public QWidget {
    Q_OBJECT
public:
    explicit ucPageLayout(QWidget* parent = nullptr);

    // The opened picture; none until the first SetPicture. Read by the print job.
    platform::PicturePtr gPicture;

    void SetPrinter(const platform::PrinterPtr& MyPrinter);
    void SetPicture(const platform::PicturePtr& MyPicture);
    void SetCutGuidesVisible(const bool& Visible);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void UserControl_Initialize();
    void UserControl_Resize();

    platform::PrinterPtr gPrinter;
};
