#include "support/RecordingPrinter.h"

namespace platform {

void RecordingPrinter::Check(const char* member) const {
    if (failWhen) failWhen(member);
}

QString RecordingPrinter::DeviceName() const { Check("DeviceName"); return deviceName; }
int16_t RecordingPrinter::PrintQuality() const { Check("PrintQuality"); return printQuality; }
int16_t RecordingPrinter::PaperSize() const { Check("PaperSize"); return paperSize; }
int16_t RecordingPrinter::Orientation() const { Check("Orientation"); return orientation; }
PrintableArea RecordingPrinter::Area() const { Check("Area"); return area; }

void RecordingPrinter::SetResolution(QSize dpi) {
    Check("SetResolution");
    if (!dpi.isEmpty() && !resolutions.contains(dpi)) {
        Printer::SetResolution(dpi);  // fails as a device of one resolution does
        return;
    }
    chosenResolution = dpi;
    ++resolutionsSet;
}

void RecordingPrinter::KillDoc() {
    if (mOpen) {
        ++documentsKilled;
        ops.push_back(Op{Op::KillDoc});
    }
    mOpen = false;
}

void RecordingPrinter::DrawLineBoxDots(double x1, double y1, double x2, double y2, int width, const QRect& clip) {
    Check("LineBox");
    mOpen = true;
    Op op{Op::LineBox, x1, y1, x2, y2};
    op.drawWidth = width;
    op.clip = clip;
    ops.push_back(op);
}

void RecordingPrinter::DrawPictureDots(const platform::Picture& picture, double x, double y, double w, double h,
                                       const QRect& clip) {
    Check("PaintPicture");
    mOpen = true;
    Op op{Op::Picture, x, y, w, h};
    op.picture = &picture;
    op.clip = clip;
    ops.push_back(op);
}

void RecordingPrinter::BeginNextPage() {
    Check("NewPage");
    mOpen = true;
    ops.push_back(Op{Op::NewPage});
}

void RecordingPrinter::FinishDocument() {
    Check("EndDoc");
    ops.push_back(Op{Op::EndDoc});
    ++documentsEnded;
    mOpen = false;
}

}  // namespace platform
