// File > Print with a layout that is likely a slip: more sheets than the
// limit are printed only after a yes, and an overlap not smaller than the
// tile is shown in the panel and refused in one message, nothing printed.
#include "platform/base/Failure.h"
#include "platform/print/Printer.h"
#include "preview/ucPageLayout.h"
#include "printing/PrintCommand.h"
#include "properties/ucProperties.h"
#include "support/PanelControls.h"
#include "support/RecordingPrinter.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <QSpinBox>

using platform::RecordingPrinter;
using Op = RecordingPrinter::Op;

namespace {

struct Window {
    Window(int w, int h) : printer(std::make_shared<RecordingPrinter>()) {
        platform::SetCurrentPrinter(printer);
        panel.SetPrinter(printer);  // 4661 x 6716 dots
        const auto picture = std::make_shared<const platform::Picture>(QImage(w, h, QImage::Format_RGB32));
        panel.SetImage(picture);
        preview.SetPicture(picture);
        testenv::ClearMessages();
    }
    ~Window() {
        platform::SetCurrentPrinter(nullptr);
        platform::SetQuestionSink(nullptr);
    }
    QSpinBox* Spin(const char* name) { return panel.findChild<QSpinBox*>(QString::fromLatin1(name)); }
    size_t Count(Op::Kind kind) const {
        return size_t(std::count_if(printer->ops.begin(), printer->ops.end(), [&](const Op& op) { return op.kind == kind; }));
    }

    std::shared_ptr<RecordingPrinter> printer;
    ucProperties panel;
    ucPageLayout preview;
};

}  // namespace

TEST(ManySheets, PrintedOnlyAfterAYes) {
    for (const bool yes : {false, true}) {
        SCOPED_TRACE(yes ? "yes" : "no");
        Window window(4000, 4000);  // one a sheet
        QStringList questions;
        platform::SetQuestionSink([&](const QString& text) {
            questions << text;
            return yes;
        });
        window.Spin("spnCopies")->setValue(platform::kSheetsWithoutAsking);
        printing::PrintFromControls(window.panel, window.preview);
        EXPECT_TRUE(questions.isEmpty()) << "asked for exactly the limit";
        EXPECT_EQ(window.Count(Op::EndDoc), 1u);

        window.printer->ops.clear();
        window.Spin("spnCopies")->setValue(platform::kSheetsWithoutAsking + 1);
        const printing::PrintResult result = printing::PrintFromControls(window.panel, window.preview);
        ASSERT_EQ(questions.size(), 1);
        EXPECT_EQ(questions[0], printing::ManySheetsQuestion(101));
        EXPECT_TRUE(questions[0].contains(QStringLiteral("101 sheets")));
        EXPECT_EQ(result.cancelled, !yes);
        EXPECT_EQ(window.Count(Op::Picture), yes ? 101u : 0u);
        EXPECT_EQ(window.Count(Op::NewPage), yes ? 100u : 0u);
        EXPECT_TRUE(testenv::Messages().isEmpty()) << testenv::Messages().join('|').toStdString();
    }
}

TEST(ManySheets, AnOverlapNotSmallerThanTheTileIsShownAndRefused) {
    Window window(9000, 200);
    window.panel.findChild<QCheckBox*>(QStringLiteral("chkPoster"))->setChecked(true);
    window.Spin("spnOverlap")->setValue(4100);
    // The band keeps a quarter inch clear: tiles of 4361 x 6416 dots.
    EXPECT_TRUE(PanelLabel(window.panel, "lblSheet")->text().startsWith(QStringLiteral("Poster of ")));
    window.Spin("spnOverlap")->setValue(4361);
    const QString refusal = QStringLiteral("An overlap of 4361 dots is not smaller than the poster's tile of "
                                           "4361 x 6416 dots.");
    EXPECT_EQ(PanelLabel(window.panel, "lblSheet")->text(), refusal);

    const printing::PrintResult result = printing::PrintFromControls(window.panel, window.preview);
    EXPECT_FALSE(result.failure.isEmpty());
    ASSERT_EQ(testenv::Messages().size(), 1);
    EXPECT_EQ(testenv::Messages()[0], QStringLiteral("The picture could not be printed.\n\n") + refusal);
    EXPECT_EQ(window.Count(Op::Picture), 0u);
    EXPECT_EQ(window.Count(Op::EndDoc), 0u);
}
