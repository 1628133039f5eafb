#pragma once
// A printer on one CUPS queue. The page is built as a PDF at the queue's own
// resolution, one picture pixel per dot, and handed to the queue with
// scaling turned off. The figures come from the queue's description (PPD)
// through Qt's printer support; landscape is drawn by turning the content a
// quarter turn on the portrait page, which is exact for pixels.
#include "platform/PagePrinter.h"

#include <QPageLayout>
#include <QStringList>
#include <memory>

class QPrinter;

namespace platform {

class CupsPrinter final : public PagePrinter {
public:
    // Throws Failure when the queue does not exist or cannot be reached.
    explicit CupsPrinter(const QString& queueName);
    ~CupsPrinter() override;

    QString DeviceName() const override { return mQueue; }
    int16_t PrintQuality() const override { return int16_t(mDotsPerInch); }
    int16_t PaperSize() const override { return mPaper; }
    int16_t Orientation() const override { return mLandscape ? kLandscape : kPortrait; }
    PrintableArea Area() const override;

    // For the printer dialog: Qt's printer, set to this printer's queue,
    // paper and orientation, for the dialog to change...
    QPrinter& DialogPrinter();
    // ...and, after the dialog closed, takes what it holds (queue, paper,
    // orientation, options) as this printer's. Throws Failure.
    void TakeDialogChoice();

protected:
    std::unique_ptr<PageWriter> OpenPage() override;
    void Deliver(const QString& file) override;
    void ApplyOrientation(bool landscape) override { mLandscape = landscape; }

private:
    // Reads queue, resolution, paper and orientation from the QPrinter and
    // puts it back in portrait (landscape is drawn by turning the content).
    void Refresh();

    std::unique_ptr<QPrinter> mPrinter;
    QString mQueue;
    int mDotsPerInch = 0;
    int16_t mPaper = kPaperUser;
    bool mLandscape = false;
    QPageLayout mPortraitLayout;
    PrintableArea mPortraitArea;
    QStringList mDialogOptions;  // name, value, name, value... chosen in the dialog
};

}  // namespace platform
