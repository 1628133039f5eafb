#pragma once
// A printer on one CUPS queue. The page is built as a PDF at the queue's own
// resolution, one picture pixel per dot, and handed to the queue with
// scaling turned off. The figures come from the queue's description (PPD)
// through Qt's printer support; landscape is drawn by turning the content a
// quarter turn on the portrait page, which is exact for pixels.
#include "platform/Printer.h"

#include <QPageLayout>
#include <QStringList>
#include <memory>

class QPrinter;

namespace platform {

class PdfPage;

class CupsPrinter final : public Printer {
public:
    // Throws Failure when the queue does not exist or cannot be reached.
    explicit CupsPrinter(const QString& queueName);
    ~CupsPrinter() override;

    QString DeviceName() const override { return mQueue; }
    int16_t PrintQuality() const override { return int16_t(mDotsPerInch); }
    int16_t PaperSize() const override { return mPaper; }
    int16_t Orientation() const override { return mLandscape ? kLandscape : kPortrait; }
    PrintableArea Area() const override;
    void KillDoc() override;
    // May switch this very object to another queue, paper or orientation.
    bool ShowPrinterDialog(QWidget* parent, const QString& title) override;
    // What the dialog's orientation choice does, for callers without a dialog.
    void SetOrientation(int16_t orientation);

protected:
    void DrawLineBoxDots(double x1, double y1, double x2, double y2, int width) override;
    void DrawPictureDots(const Picture& picture, double x, double y, double w, double h) override;
    void FinishDocument() override;

private:
    // Reads queue, resolution, paper and orientation from the QPrinter and
    // puts it back in portrait (landscape is drawn by turning the content).
    void Refresh();
    PdfPage& Page();

    std::unique_ptr<QPrinter> mPrinter;
    QString mQueue;
    int mDotsPerInch = 0;
    int16_t mPaper = kPaperUser;
    bool mLandscape = false;
    QPageLayout mPortraitLayout;
    PrintableArea mPortraitArea;
    QStringList mDialogOptions;  // name, value, name, value... chosen in the dialog
    std::unique_ptr<PdfPage> mPage;
};

// The DMPAPER code of a Qt page size; kPaperUser when it has none.
int16_t PaperCodeOf(int qtPageSizeId);

// The dots per inch of a resolution choice as CUPS names it ("600dpi",
// "600x300dpi" gives the horizontal figure, "236dpcm"); 0 when not one.
int ParseResolution(const QString& text);

// The queue's default resolution: the dialog's choice in `options` (name,
// value pairs) if any, else the PPD default, else the IPP default; 0 when
// none is known.
int QueueResolution(const QString& queueName, const QStringList& options);

}  // namespace platform
