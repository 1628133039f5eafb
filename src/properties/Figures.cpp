#include "properties/Figures.h"

#include "platform/base/Failure.h"
#include "platform/base/Numeric.h"
#include "platform/print/Printer.h"
#include "platform/base/Screen.h"
#include "platform/base/Units.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace properties {
namespace {

// From 2^52 up a double has no fraction left, so rounding to two decimals
// changes nothing there, and skipping it keeps value * 100 from overflowing.
constexpr double kNoFractionAbove = 4503599627370496.0;

// The double nearest to 1/2.54: the panel divides inches by it to get
// centimetres, which is what its figures have always been computed from.
constexpr double kInchesPerCentimetre = 0.39370078740157477;

// The paper sizes the panel names; every other code shows as "Other".
struct PaperEntry {
    int16_t code;
    const char* name;
};
constexpr PaperEntry kPaperNames[] = {
    {platform::kPaperA3, "A3"},       {platform::kPaperA4, "A4"},
    {platform::kPaperA5, "A5"},       {platform::kPaperLetter, "Letter"},
    {platform::kPaperB4, "B4"},       {platform::kPaperB5, "B5"},
    {platform::kPaperExecutive, "Executive"}, {platform::kPaperTabloid, "Tabloid"},
};

}  // namespace

QString FormatRounded(double value, const QLocale& locale) {
    if (!std::isfinite(value)) platform::Fail(QString::fromLatin1(platform::kOverflow));
    double rounded = value;
    if (std::fabs(value) < kNoFractionAbove) rounded = platform::RoundHalfEven(value * 100.0) / 100.0;
    if (rounded == 0.0) return QStringLiteral("0");  // also keeps "-0" away

    // 15 significant digits, correctly rounded by the C library; the fixed
    // notation is then laid out by hand so no exponent ever shows.
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", std::fabs(rounded));
    const char* e = std::strchr(buf, 'e');
    if (!e) platform::Fail(QString::fromLatin1(platform::kOverflow));  // cannot happen for a finite value
    QString digits;
    for (const char* p = buf; p < e; ++p)
        if (*p >= '0' && *p <= '9') digits.append(QLatin1Char(*p));
    const int exponent = int(std::strtol(e + 1, nullptr, 10));

    QString whole;
    QString fraction;
    if (exponent >= 0) {
        whole = digits.left(exponent + 1);
        if (whole.size() < exponent + 1) whole.append(QString(exponent + 1 - whole.size(), QLatin1Char('0')));
        fraction = digits.mid(exponent + 1);
    } else {
        whole = QStringLiteral("0");
        fraction = QString(-exponent - 1, QLatin1Char('0')) + digits;
    }
    while (fraction.endsWith(QLatin1Char('0'))) fraction.chop(1);

    QString text = rounded < 0 ? QStringLiteral("-") : QString();
    text += whole;
    if (!fraction.isEmpty()) text += locale.decimalPoint() + fraction;
    return text;
}

QString FormatPair(double width, double height, const char* suffix, const QLocale& locale) {
    return FormatRounded(width, locale) + QStringLiteral(" x ") + FormatRounded(height, locale) +
           QString::fromLatin1(suffix);
}

int16_t PixelsFromHimetricX(int32_t himetric) {
    return platform::CInt(platform::ScaleX(float(himetric), platform::kHimetric, platform::kPixels));
}

int16_t PixelsFromHimetricY(int32_t himetric) {
    return platform::CInt(platform::ScaleY(float(himetric), platform::kHimetric, platform::kPixels));
}

QString PixelSizeText(int16_t pixelsX, int16_t pixelsY) {
    return QStringLiteral("%1 x %2 pixels").arg(int(pixelsX)).arg(int(pixelsY));
}

double Megapixels(int16_t pixelsX, int16_t pixelsY) {
    return double(pixelsX) * 0.001 * 0.001 * double(pixelsY);
}

QString MegapixelsText(int16_t pixelsX, int16_t pixelsY, const QLocale& locale) {
    return FormatRounded(Megapixels(pixelsX, pixelsY), locale) + QStringLiteral(" megapixels");
}

QString PrinterHeading(const QString& deviceName) { return QStringLiteral("Printer ") + deviceName; }

QString ResolutionText(int16_t printQuality) { return QStringLiteral("%1 DPI").arg(int(printQuality)); }

QString ResolutionText(int16_t printQuality, QSize deviceDpi) {
    if (deviceDpi.width() <= 0 || deviceDpi.width() == deviceDpi.height()) return ResolutionText(printQuality);
    return QStringLiteral("%1 x %2 DPI").arg(deviceDpi.width()).arg(deviceDpi.height());
}

QString PaperName(int16_t paperSize) {
    for (const PaperEntry& e : kPaperNames)
        if (e.code == paperSize) return QString::fromLatin1(e.name);
    return QStringLiteral("Other");
}

QString PaperText(int16_t paperSize, int16_t orientation) {
    return PaperName(paperSize) +
           (orientation == platform::kPortrait ? QStringLiteral(", Portrait") : QStringLiteral(", Landscape"));
}

std::optional<PhysicalSize> PhysicalSizeOf(int16_t pixelsX, int16_t pixelsY, int16_t resolution,
                                           int dotsPerPixel) {
    if (resolution <= 0 || pixelsX < 0 || pixelsY < 0) return std::nullopt;
    PhysicalSize s;
    s.widthInches = double(pixelsX) * dotsPerPixel / double(resolution);
    s.heightInches = double(pixelsY) * dotsPerPixel / double(resolution);
    s.widthCm = s.widthInches / kInchesPerCentimetre;
    s.heightCm = s.heightInches / kInchesPerCentimetre;
    return s;
}

QString ZeroPair(const char* suffix) { return QStringLiteral("0 x 0") + QString::fromLatin1(suffix); }

FigureTable::FigureTable() : mRows(kFigureRowCount) {
    const auto text = [](const char* caption) { return QString::fromLatin1(caption); };
    mRows[kImageRow] = {text(kImageHeading), {}};
    mRows[kPixelSizeRow] = {text(kSizeCaption), PixelSizeText(0, 0)};
    mRows[kMegapixelsRow] = {{}, QStringLiteral("0 megapixels")};
    mRows[kPrinterRow] = {text(kPrinterHeading), {}};
    mRows[kPaperRow] = {text(kPaperSizeCaption), QStringLiteral("none")};
    mRows[kAreaCmRow] = {text(kPrintingAreaCaption), ZeroPair(kCmSuffix)};
    mRows[kAreaInchesRow] = {{}, ZeroPair(kInchSuffix)};
    mRows[kResolutionRow] = {text(kResolutionCaption), ResolutionText(0)};
    mRows[kOutputRow] = {text(kOutputHeading), {}};
    mRows[kPhysicalCmRow] = {text(kPhysicalSizeCaption), ZeroPair(kCmSuffix)};
    mRows[kPhysicalInchesRow] = {{}, ZeroPair(kInchSuffix)};
}

void FigureTable::SetPixels(int16_t pixelsX, int16_t pixelsY, const QLocale& locale) {
    mRows[kPixelSizeRow].value = PixelSizeText(pixelsX, pixelsY);
    mRows[kMegapixelsRow].value = MegapixelsText(pixelsX, pixelsY, locale);
}

void FigureTable::ReadPrinter(platform::Printer& printer, int16_t& resolution, const QLocale& locale) {
    mRows[kPrinterRow].caption = PrinterHeading(printer.DeviceName());
    resolution = printer.PrintQuality();
    mRows[kResolutionRow].value = ResolutionText(resolution);
    printer.SetScaleMode(platform::kCentimeters);
    {
        const float w = printer.ScaleWidth();
        const float h = printer.ScaleHeight();
        mRows[kAreaCmRow].value = FormatPair(w, h, kCmSuffix, locale);
    }
    printer.SetScaleMode(platform::kInches);
    {
        const float w = printer.ScaleWidth();
        const float h = printer.ScaleHeight();
        mRows[kAreaInchesRow].value = FormatPair(w, h, kInchSuffix, locale);
    }
    mRows[kPaperRow].value = QStringLiteral("none");
    const int16_t paperSize = printer.PaperSize();
    const int16_t orientation = printer.Orientation();
    mRows[kPaperRow].value = PaperText(paperSize, orientation);
}

void FigureTable::ReadDeviceDots(platform::Printer& printer, int16_t resolution) {
    const platform::Printer::DeviceFacts facts = printer.Facts();
    mRows[kResolutionRow].value = ResolutionText(resolution, QSize(facts.xdpi, facts.ydpi));
}

void FigureTable::SetPhysicalSize(const std::optional<PhysicalSize>& size, const QLocale& locale) {
    mRows[kPhysicalCmRow].value =
        size ? FormatPair(size->widthCm, size->heightCm, kCmSuffix, locale) : ZeroPair(kCmSuffix);
    mRows[kPhysicalInchesRow].value =
        size ? FormatPair(size->widthInches, size->heightInches, kInchSuffix, locale) : ZeroPair(kInchSuffix);
}

std::vector<FigureRow> FigureRows(platform::Printer& printer, bool hasPicture, int16_t pixelsX, int16_t pixelsY,
                                  const QLocale& locale, int dotsPerPixel) {
    FigureTable table;
    if (hasPicture) table.SetPixels(pixelsX, pixelsY, locale);
    int16_t resolution = 0;
    table.ReadPrinter(printer, resolution, locale);
    table.ReadDeviceDots(printer, resolution);
    if (hasPicture) table.SetPhysicalSize(PhysicalSizeOf(pixelsX, pixelsY, resolution, dotsPerPixel), locale);
    return table.Rows();
}

QString SheetSummary(QSize area, double dotsPerInch, int16_t pixelsX, int16_t pixelsY,
                     const platform::SheetOptions& sheet) {
    const int band = platform::PosterBandDots(dotsPerInch);
    const platform::LayoutCheck check = platform::CheckLayout(sheet, area, QSize(pixelsX, pixelsY), band);
    // The panel's line has no room for a full stop after the size rule's words.
    if (check.tooLarge) return check.RefusalSentence().chopped(1);
    if (!check.refusal.isEmpty()) return check.RefusalSentence();
    const QSize scaled = platform::ScaledSize(pixelsX, pixelsY, sheet.dotsPerPixel);
    if (platform::NeedsPoster(sheet, area, scaled)) {
        const platform::PosterPlan plan = platform::LayOutPoster(area, scaled, sheet.overlapDots, band);
        return QStringLiteral("Poster of %1 x %2 pages").arg(plan.columns).arg(plan.rows);
    }
    const platform::CopyGrid g = platform::LayOutCopies(area, scaled, sheet.copies, sheet.gapDots);
    const auto copies = [](qint64 n) { return n == 1 ? QStringLiteral("1 copy") : QStringLiteral("%1 copies").arg(n); };
    if (g.fit == 0) return QStringLiteral("Larger than the printing area");
    if (g.pages > 1) return QStringLiteral("%1 on %2 sheets, %3 fit on each").arg(copies(g.count)).arg(g.pages).arg(g.fit);
    return QStringLiteral("%1 fit on a sheet").arg(copies(g.fit));
}

QString LayoutSummary(const platform::SheetOptions& sheet) {
    QStringList parts;
    parts << (sheet.dotsPerPixel == 1 ? QStringLiteral("1 dot per pixel")
                                      : QStringLiteral("%1 dots per pixel").arg(sheet.dotsPerPixel));
    if (sheet.copies == platform::kCopiesFill)
        parts << QStringLiteral("as many copies as fit");
    else
        parts << (sheet.copies == 1 ? QStringLiteral("1 copy") : QStringLiteral("%1 copies").arg(sheet.copies));
    if (sheet.copies != 1 && sheet.gapDots > 0) parts << QStringLiteral("gap %1 dots").arg(sheet.gapDots);
    if (sheet.poster) {
        parts << QStringLiteral("poster");
        if (sheet.overlapDots > 0) parts << QStringLiteral("overlap %1 dots").arg(sheet.overlapDots);
    }
    return parts.join(QStringLiteral(", "));
}

QStringList WrapCaption(const QString& text, int room, const std::function<int(const QString&)>& widthOf) {
    QStringList lines;
    QString rest = text;
    while (!rest.isEmpty()) {
        // The longest head that fits (one character at least).
        int fits = 1;
        while (fits < rest.size() && widthOf(rest.left(fits + 1)) <= room) ++fits;
        int cut = fits;
        if (fits < rest.size()) {
            for (int i = fits; i > 0; --i) {
                const QChar c = rest.at(i - 1);
                if (c == QLatin1Char(' ') || c == QLatin1Char('_') || c == QLatin1Char('-') || c == QLatin1Char('.')) {
                    cut = i;
                    break;
                }
            }
        }
        lines << rest.left(cut).trimmed();
        rest = rest.mid(cut).trimmed();
    }
    if (lines.isEmpty()) lines << QString();
    return lines;
}

QString NudgeText(QPoint nudge) {
    if (nudge.isNull()) return {};
    const auto part = [](int dots, const char* plus, const char* minus) {
        return QStringLiteral("%1 %2").arg(std::abs(dots)).arg(QLatin1String(dots < 0 ? minus : plus));
    };
    QStringList parts;
    if (nudge.x()) parts << part(nudge.x(), "right", "left");
    if (nudge.y()) parts << part(nudge.y(), "down", "up");
    return parts.join(QStringLiteral(", ")) + QStringLiteral(" (dots)");
}

std::vector<FigureRow> SheetRows(platform::Printer& printer, int16_t pixelsX, int16_t pixelsY,
                                 const platform::SheetOptions& sheet, QPoint nudge) {
    printer.SetScaleMode(platform::kPixels);
    const QSize area(platform::TruncateChecked(printer.ScaleWidth()), platform::TruncateChecked(printer.ScaleHeight()));
    std::vector<FigureRow> rows{{QStringLiteral("Layout"), {}},
                                {QStringLiteral("Dots per pixel"), QString::number(sheet.dotsPerPixel)},
                                {QStringLiteral("On the sheet"), SheetSummary(area, printer.DotsPerInch(), pixelsX, pixelsY, sheet)}};
    if (!nudge.isNull()) rows.push_back({QStringLiteral("Nudge"), NudgeText(nudge)});
    return rows;
}

}  // namespace properties
