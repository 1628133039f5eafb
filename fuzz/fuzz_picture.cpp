// Arbitrary bytes through the whole picture path, as File > Open and File >
// Print take it: decode from memory, the panel's SetImage, the preview's
// SetPicture, the preview painted into an image, and the print job on the
// recording printer; then the same bytes as a file read row by row, as a
// print from the command line reads it. A Failure is a refusal the program reports, and ends the
// input as the Open command does; anything else (a crash, a sanitizer report,
// an exception of another kind, a leak) is a finding.
#include "platform/base/Failure.h"
#include "platform/picture/Picture.h"
#include "platform/picture/PictureRows.h"
#include "support/RecordingPrinter.h"
#include "platform/base/Screen.h"
#include "preview/ucPageLayout.h"
#include "printing/PrintJob.h"
#include "properties/ucProperties.h"

#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

struct Window {
    std::shared_ptr<platform::RecordingPrinter> printer = std::make_shared<platform::RecordingPrinter>();
    ucProperties panel;
    ucPageLayout preview;
    Window() {
        panel.SetPrinter(printer);
        preview.SetPrinter(printer);
        // A typical preview size, in pixels: the sheet is about 300 pixels high.
        preview.resize(320, 400);
    }
};

Window* gWindow = nullptr;
std::string gRowsFile;  // a file of the process's own, removed at exit

// Every row, then the end: what a print of the file asks of it.
void ReadRowByRow(const uint8_t* data, size_t size) {
    const QString path = QString::fromStdString(gRowsFile);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) abort();
    file.write(reinterpret_cast<const char*>(data), qint64(size));
    file.close();
    try {
        const platform::PictureRowsPtr rows = platform::OpenPictureRows(path);
        if (!rows) return;
        for (int y = 0; y < rows->Size().height(); y += 1 + y % 3) rows->Row(y);  // some passed over
        rows->Finish();
    } catch (const platform::Failure&) {
        // Refused or damaged: the print ends with its message.
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // No display: Qt's offscreen platform, fixed 96 dpi screen (15 twips per
    // pixel) so an input behaves the same on every machine.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // The decoders warn about every broken input; writing that out would take
    // most of the fuzzer's time.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    static QApplication app(*argc, *argv);
    platform::SetScreenDpiForTesting(96.0);
    platform::SetMessageSink([](const QString&) {});
    gWindow = new Window;
    gRowsFile = "/tmp/fuzz_picture_rows." + std::to_string(getpid());
    std::atexit([] { unlink(gRowsFile.c_str()); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ReadRowByRow(data, size);
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    platform::PicturePtr picture;
    try {
        picture = platform::LoadPictureFromDevice(buffer, QStringLiteral("fuzz input"));
        gWindow->panel.SetImage(picture);
        gWindow->preview.SetPicture(picture);
    } catch (const platform::Failure&) {
        return 0;  // refused: the Open command ends silently
    }

    QImage shown(gWindow->preview.size(), QImage::Format_RGB32);
    {
        QPainter painter(&shown);
        gWindow->preview.RenderTo(painter);
    }

    platform::RecordingPrinter& printer = *gWindow->printer;
    printer.ops.clear();
    try {
        printing::RunPrintJob(printer, *gWindow->preview.gPicture, gWindow->panel.gPixelsX,
                              gWindow->panel.gPixelsY, gWindow->panel.HasCutGuides());
    } catch (const platform::Failure&) {
        // A job may fail; it must then leave no document open.
    }
    if (printer.documentOpen()) abort();
    return 0;
}
