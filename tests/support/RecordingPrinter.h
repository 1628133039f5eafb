#pragma once
// A printer that prints nothing: it reports the figures it is given and
// records every drawing call, in dots. Tests, benchmarks and the fuzzer use it.
#include "platform/print/Printer.h"

#include <QString>
#include <functional>
#include <vector>

namespace platform {

class RecordingPrinter : public Printer {
public:
    struct Op {
        enum Kind { LineBox, Picture, NewPage, EndDoc, KillDoc } kind;
        double x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // LineBox corners, or Picture x, y, w, h
        int drawWidth = 0;
        const platform::Picture* picture = nullptr;
        QRect clip;  // in dots; null for none
    };

    // Figures reported; defaults are a 600 dpi A4 portrait device with
    // 0.25 inch margins.
    QString deviceName = QStringLiteral("Test Printer");
    int16_t printQuality = 600;
    int16_t paperSize = kPaperA4;
    int16_t orientation = kPortrait;
    PrintableArea area{7.7677165, 11.1929134, 4661, 6716};
    // The resolutions it can be set to (none by default: it prints at
    // printQuality only), and the one set; setting one outside the list fails.
    QList<QSize> resolutions;
    QSize chosenResolution;
    int resolutionsSet = 0;  // SetResolution calls that changed it

    // When set, called at the start of every member with its name; a test
    // throws from it to make that member fail.
    std::function<void(const char* member)> failWhen;

    std::vector<Op> ops;
    int documentsEnded = 0;
    int documentsKilled = 0;
    bool documentOpen() const { return mOpen; }

    QString DeviceName() const override;
    int16_t PrintQuality() const override;
    int16_t PaperSize() const override;
    int16_t Orientation() const override;
    PrintableArea Area() const override;
    QList<QSize> Resolutions() const override { return resolutions; }
    QSize ChosenResolution() const override { return chosenResolution; }
    void SetResolution(QSize dpi) override;
    void KillDoc() override;

protected:
    void DrawLineBoxDots(double x1, double y1, double x2, double y2, int width, const QRect& clip) override;
    void DrawPictureDots(const platform::Picture& picture, double x, double y, double w, double h,
                         const QRect& clip) override;
    void BeginNextPage() override;
    void FinishDocument() override;

private:
    void Check(const char* member) const;
    bool mOpen = false;
};

}  // namespace platform
