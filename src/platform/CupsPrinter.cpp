#include "platform/CupsPrinter.h"

#include "platform/Failure.h"
#include "platform/PdfPage.h"

#include <QCoreApplication>
#include <QPrintDialog>
#include <QPrintEngine>
#include <QPrinter>
#include <QPrinterInfo>

#include <cups/cups.h>
#include <cups/ppd.h>
#include <unistd.h>

#include <cmath>
#include <map>

// The PPD interface is the only way to read a queue's default choices from
// its description; CUPS marks it deprecated but keeps it working.
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

namespace platform {
namespace {

// Qt's CUPS print engine keeps the options chosen in its dialog (PPD
// choices, number-up...) under this private key, as name, value pairs.
const auto kCupsOptionsKey = QPrintEngine::PrintEnginePropertyKey(0xfe00);

QString Quoted(const QString& queue) { return QStringLiteral("\"%1\"").arg(queue); }

QString DocumentTitle() {
    const QString name = QCoreApplication::applicationName();
    return name.isEmpty() ? QStringLiteral("Ombrastele") : name;
}

struct Dest {
    cups_dest_t* dest = nullptr;
    explicit Dest(const QString& queue)
        : dest(cupsGetNamedDest(CUPS_HTTP_DEFAULT, queue.toUtf8().constData(), nullptr)) {}
    ~Dest() { if (dest) cupsFreeDests(1, dest); }
    Dest(const Dest&) = delete;
    Dest& operator=(const Dest&) = delete;
    QByteArray Option(const char* name) const {
        return QByteArray(cupsGetOption(name, dest->num_options, dest->options));
    }
};

// Before a page is begun and again before it is handed over: a queue that
// was deleted, stopped or set to refuse jobs, or a scheduler that went away,
// must fail the job rather than let it vanish or wait unseen.
void CheckQueueReady(const QString& queue) {
    const Dest d(queue);
    if (!d.dest) Fail(QStringLiteral("The printer %1 is not available.").arg(Quoted(queue)));
    if (d.Option("printer-state") == "5")
        Fail(QStringLiteral("The printer %1 is stopped.").arg(Quoted(queue)));
    if (d.Option("printer-is-accepting-jobs") == "false")
        Fail(QStringLiteral("The printer %1 does not accept jobs.").arg(Quoted(queue)));
}

int PpdDefaultResolution(const QString& queue) {
    const char* file = cupsGetPPD2(CUPS_HTTP_DEFAULT, queue.toUtf8().constData());
    if (!file) return 0;
    const QByteArray path(file);  // a temporary copy or link; ours to remove
    int dpi = 0;
    if (ppd_file_t* ppd = ppdOpenFile(path.constData())) {
        ppdMarkDefaults(ppd);
        if (const ppd_choice_t* c = ppdFindMarkedChoice(ppd, "Resolution"))
            dpi = ParseResolution(QString::fromLatin1(c->choice));
        if (dpi <= 0)
            if (const ppd_attr_t* a = ppdFindAttr(ppd, "DefaultResolution", nullptr))
                dpi = ParseResolution(QString::fromLatin1(a->value));
        ppdClose(ppd);
    }
    ::unlink(path.constData());
    return dpi;
}

int IppDefaultResolution(const QString& queue) {
    const Dest d(queue);
    if (!d.dest) return 0;
    cups_dinfo_t* info = cupsCopyDestInfo(CUPS_HTTP_DEFAULT, d.dest);
    if (!info) return 0;
    int dpi = 0;
    ipp_attribute_t* a = cupsFindDestDefault(CUPS_HTTP_DEFAULT, d.dest, info, "printer-resolution");
    if (a && ippGetValueTag(a) == IPP_TAG_RESOLUTION) {
        int y = 0;
        ipp_res_t units = IPP_RES_PER_INCH;
        const int x = ippGetResolution(a, 0, &y, &units);
        dpi = units == IPP_RES_PER_CM ? int(std::lround(x * 2.54)) : x;
    }
    cupsFreeDestInfo(info);
    return dpi;
}

// Options that would let a filter scale, place several pages on a sheet or
// turn the page; the job sets its own values for them.
bool IsPlacementOption(const QString& name) {
    static const QStringList names{
        QStringLiteral("scaling"), QStringLiteral("natural-scaling"), QStringLiteral("ppi"),
        QStringLiteral("fitplot"), QStringLiteral("fit-to-page"), QStringLiteral("print-scaling"),
        QStringLiteral("number-up"), QStringLiteral("landscape"), QStringLiteral("orientation-requested"),
        QStringLiteral("position"), QStringLiteral("page-ranges"), QStringLiteral("media")};
    return names.contains(name, Qt::CaseInsensitive);
}

void Submit(const QString& queue, const QString& path, const QString& media,
            const QStringList& dialogOptions, int copies) {
    std::map<QByteArray, QByteArray> options;
    for (int i = 0; i + 1 < dialogOptions.size(); i += 2)
        if (!IsPlacementOption(dialogOptions[i]))
            options[dialogOptions[i].toUtf8()] = dialogOptions[i + 1].toUtf8();
    // The page is already the paper's printable area at the device's dots:
    // nothing may fit, scale or re-place it.
    options["media"] = media.toUtf8();
    options["print-scaling"] = "none";
    options["fit-to-page"] = "false";
    options["number-up"] = "1";
    if (copies > 1) options["copies"] = QByteArray::number(copies);

    int count = 0;
    cups_option_t* list = nullptr;
    for (const auto& [name, value] : options)
        count = cupsAddOption(name.constData(), value.constData(), count, &list);
    const int job = cupsPrintFile2(CUPS_HTTP_DEFAULT, queue.toUtf8().constData(), path.toUtf8().constData(),
                                   DocumentTitle().toUtf8().constData(), count, list);
    cupsFreeOptions(count, list);
    if (job <= 0)
        Fail(QStringLiteral("The printer %1 did not accept the job: %2")
                 .arg(Quoted(queue), QString::fromUtf8(cupsLastErrorString())));
}

}  // namespace

int16_t PaperCodeOf(int id) {
    static const std::map<int, int16_t> codes{
        {QPageSize::Letter, kPaperLetter}, {QPageSize::Tabloid, kPaperTabloid},
        {QPageSize::Ledger, kPaperLedger}, {QPageSize::Legal, kPaperLegal},
        {QPageSize::Statement, kPaperStatement}, {QPageSize::ExecutiveStandard, kPaperExecutive},
        {QPageSize::Executive, kPaperExecutive}, {QPageSize::A3, kPaperA3}, {QPageSize::A4, kPaperA4},
        {QPageSize::A5, kPaperA5}, {QPageSize::JisB4, kPaperB4}, {QPageSize::JisB5, kPaperB5},
        {QPageSize::Quarto, kPaperQuarto}, {QPageSize::Imperial10x14, kPaper10x14},
        {QPageSize::Envelope9, kPaperEnv9}, {QPageSize::Comm10E, kPaperEnv10},
        {QPageSize::Envelope11, kPaperEnv11}, {QPageSize::Envelope12, kPaperEnv12},
        {QPageSize::Envelope14, kPaperEnv14}, {QPageSize::AnsiC, kPaperCSheet},
        {QPageSize::AnsiD, kPaperDSheet}, {QPageSize::AnsiE, kPaperESheet},
        {QPageSize::DLE, kPaperEnvDL}, {QPageSize::C5E, kPaperEnvC5},
        {QPageSize::EnvelopeC3, kPaperEnvC3}, {QPageSize::EnvelopeC4, kPaperEnvC4},
        {QPageSize::EnvelopeC6, kPaperEnvC6}, {QPageSize::EnvelopeC65, kPaperEnvC65},
        {QPageSize::EnvelopeB4, kPaperEnvB4}, {QPageSize::EnvelopeB5, kPaperEnvB5},
        {QPageSize::EnvelopeB6, kPaperEnvB6}, {QPageSize::EnvelopeItalian, kPaperEnvItaly},
        {QPageSize::EnvelopeMonarch, kPaperEnvMonarch}, {QPageSize::EnvelopePersonal, kPaperEnvPersonal},
        {QPageSize::B4, 42 /* ISO B4 */}, {QPageSize::A2, 66}, {QPageSize::A6, 70},
        {QPageSize::JisB6, 88}};
    const auto it = codes.find(id);
    return it == codes.end() ? int16_t(kPaperUser) : it->second;
}

int ParseResolution(const QString& text) {
    const QString t = text.trimmed().toLower();
    const bool perCm = t.endsWith(QLatin1String("dpcm"));
    if (!perCm && !t.endsWith(QLatin1String("dpi"))) return 0;
    QString figures = t.left(t.size() - (perCm ? 4 : 3));
    figures = figures.section(QLatin1Char('x'), 0, 0);  // horizontal dots
    bool ok = false;
    const int value = figures.toInt(&ok);
    if (!ok || value <= 0) return 0;
    const int dpi = perCm ? int(std::lround(value * 2.54)) : value;
    return dpi <= 32767 ? dpi : 0;
}

int QueueResolution(const QString& queue, const QStringList& options) {
    for (int i = 0; i + 1 < options.size(); i += 2)
        if (options[i].compare(QLatin1String("Resolution"), Qt::CaseInsensitive) == 0)
            if (const int dpi = ParseResolution(options[i + 1]); dpi > 0) return dpi;
    if (const int dpi = PpdDefaultResolution(queue); dpi > 0) return dpi;
    return IppDefaultResolution(queue);
}

CupsPrinter::CupsPrinter(const QString& queueName) {
    if (queueName.isEmpty() || !Dest(queueName).dest)
        Fail(QStringLiteral("There is no printer named %1.").arg(Quoted(queueName)));
    const QPrinterInfo info = QPrinterInfo::printerInfo(queueName);
    if (info.isNull()) Fail(QStringLiteral("There is no printer named %1.").arg(Quoted(queueName)));
    mPrinter = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    if (!mPrinter->isValid() || mPrinter->printerName() != queueName)
        Fail(QStringLiteral("The printer %1 is not available.").arg(Quoted(queueName)));
    // Qt starts from the locale's paper and keeps it when the queue lists it;
    // the queue's own default paper is what the user expects.
    const QPageSize paper = info.defaultPageSize();
    if (paper.isValid()) mPrinter->setPageSize(paper);
    Refresh();
}

CupsPrinter::~CupsPrinter() = default;

void CupsPrinter::Refresh() {
    const QString queue = mPrinter->printerName();
    const QStringList options = mPrinter->printEngine()->property(kCupsOptionsKey).toStringList();
    const int dpi = QueueResolution(queue, options);
    if (dpi <= 0) Fail(QStringLiteral("The resolution of the printer %1 is not known.").arg(Quoted(queue)));
    const bool landscape = mPrinter->pageLayout().orientation() == QPageLayout::Landscape;
    // Qt takes a queue's margins without turning them with the page, which
    // would clip a landscape page: the device stays portrait and the content
    // is turned instead.
    mPrinter->setPageOrientation(QPageLayout::Portrait);
    mPrinter->setResolution(dpi);
    const QPageLayout layout = mPrinter->pageLayout();
    const QRectF paint = layout.paintRect(QPageLayout::Point);
    const QSize dots = PaintableDots(layout, dpi);
    if (dots.width() <= 0 || dots.height() <= 0)
        Fail(QStringLiteral("The printer %1 has no printable area.").arg(Quoted(queue)));

    mQueue = queue;
    mDialogOptions = options;
    mDotsPerInch = dpi;
    mLandscape = landscape;
    mPortraitLayout = layout;
    mPaper = PaperCodeOf(layout.pageSize().id());
    mPortraitArea = PrintableArea{paint.width() / 72.0, paint.height() / 72.0, dots.width(), dots.height()};
}

PrintableArea CupsPrinter::Area() const {
    if (!mLandscape) return mPortraitArea;
    const PrintableArea& p = mPortraitArea;
    return PrintableArea{p.heightInches, p.widthInches, p.heightDots, p.widthDots};
}

PdfPage& CupsPrinter::Page() {
    if (!mPage) {
        CheckQueueReady(mQueue);
        mPage = std::make_unique<PdfPage>(PageSetup{mPortraitLayout, mDotsPerInch, mLandscape, DocumentTitle()});
    }
    return *mPage;
}

void CupsPrinter::DrawLineBoxDots(double x1, double y1, double x2, double y2, int width) {
    Page().Painter().Box(x1, y1, x2, y2, width);
}

void CupsPrinter::DrawPictureDots(const Picture& picture, double x, double y, double w, double h) {
    Page().Painter().Picture(picture.Image(), x, y, w, h);
}

void CupsPrinter::FinishDocument() {
    if (!mPage) return;  // nothing was drawn: no document to send
    const std::unique_ptr<PdfPage> page = std::move(mPage);
    const QString path = page->Finish();
    CheckQueueReady(mQueue);
    Submit(mQueue, path, mPortraitLayout.pageSize().key(), mDialogOptions, mPrinter->copyCount());
}

void CupsPrinter::KillDoc() { mPage.reset(); }

void CupsPrinter::SetOrientation(int16_t orientation) {
    if (orientation != kPortrait && orientation != kLandscape) Fail(QStringLiteral("Invalid property value"));
    KillDoc();
    mLandscape = orientation == kLandscape;
}

bool CupsPrinter::ShowPrinterDialog(QWidget* parent, const QString& title) {
    KillDoc();
    mPrinter->setPageOrientation(mLandscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    QPrintDialog dialog(mPrinter.get(), parent);
    dialog.setWindowTitle(title);
    // Queues only: printing to a file is the PDF printer's business.
    dialog.setOption(QAbstractPrintDialog::PrintToFile, false);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    Refresh();
    return accepted;
}

}  // namespace platform
