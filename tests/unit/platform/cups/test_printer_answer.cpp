// Real printers' own answers (raw Get-Printer-Attributes responses kept
// beside the project) read into the figures the program uses, and the
// margins chosen for a paper.
#include "platform/cups/PrinterAnswer.h"

#include <cups/ipp.h>
#include <gtest/gtest.h>

#include <QDir>
#include <fcntl.h>
#include <unistd.h>

using platform::MarginSource;
using platform::MediaMargins;

namespace {

std::optional<platform::PrinterAnswer> Read(const QString& file) {
    const int fd = ::open(QFile::encodeName(file).constData(), O_RDONLY);
    if (fd < 0) return std::nullopt;
    ipp_t* response = ippNew();
    std::optional<platform::PrinterAnswer> answer;
    if (ippReadFile(fd, response) == IPP_STATE_DATA) answer = platform::ParsePrinterAnswer(response);
    ippDelete(response);
    ::close(fd);
    return answer;
}

ipp_t* Media(int width, int length, MediaMargins m, const char* source) {
    ipp_t* size = ippNew();
    ippAddInteger(size, IPP_TAG_ZERO, IPP_TAG_INTEGER, "x-dimension", width);
    ippAddInteger(size, IPP_TAG_ZERO, IPP_TAG_INTEGER, "y-dimension", length);
    ipp_t* col = ippNew();
    ippAddCollection(col, IPP_TAG_ZERO, "media-size", size);
    ippAddInteger(col, IPP_TAG_ZERO, IPP_TAG_INTEGER, "media-left-margin", m.left);
    ippAddInteger(col, IPP_TAG_ZERO, IPP_TAG_INTEGER, "media-right-margin", m.right);
    ippAddInteger(col, IPP_TAG_ZERO, IPP_TAG_INTEGER, "media-top-margin", m.top);
    ippAddInteger(col, IPP_TAG_ZERO, IPP_TAG_INTEGER, "media-bottom-margin", m.bottom);
    ippAddString(col, IPP_TAG_ZERO, IPP_TAG_KEYWORD, "media-source", nullptr, source);
    ippDelete(size);
    return col;
}

}  // namespace

TEST(PrinterAnswer, RealPrintersGiveTheirPapersTheirOwnMargins) {
    const QString dir = QStringLiteral(OMBRASTELE_REAL_IPP_DIR);
    if (!QDir(dir).exists()) GTEST_SKIP() << "no real printers' answers at " << dir.toStdString();
    struct Row {
        const char* file;
        int width, length;        // the paper asked for
        MediaMargins margins;     // what the printer says of it
        MarginSource source;
        MediaMargins largest;     // what CUPS assumes for every paper
        QList<int> rs;            // Apple raster resolutions
        QStringList types;
    };
    const Row rows[] = {
        {"Canon_MX490_series.res", 21000, 29700, {340, 340, 500, 500}, MarginSource::Ready, {640, 630, 800, 2900},
         {600}, {"SRGB24", "W8"}},
        {"Brother_MFC-J5320DW.bin", 21000, 29700, {300, 300, 300, 300}, MarginSource::Ready, {300, 300, 2200, 2200},
         {200, 300}, {"SRGB24", "W8"}},
        // Letter is its default, A4 what is loaded.
        {"HP_LaserJet_Pro_MFP_M127fw.res", 21590, 27940, {423, 423, 423, 423}, MarginSource::Default,
         {400, 400, 400, 400}, {600}, {"W8"}},
        // A 62 mm roll of any length up to a metre.
        {"Brother_QL-1110NWB.res", 6200, 10000, {154, 154, 303, 303}, MarginSource::Ready, {303, 303, 303, 303},
         {300}, {"W8"}},
        // A size it does not say anything of: the largest of each list.
        {"EPSON_XP-6000.bin", 14800, 21000, {300, 300, 300, 300}, MarginSource::LargestSupported,
         {300, 300, 300, 300}, {360}, {"SRGB24", "W8"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.file);
        const auto answer = Read(dir + QLatin1Char('/') + QLatin1String(row.file));
        ASSERT_TRUE(answer.has_value());
        const auto m = platform::MarginsFor(*answer, row.width, row.length, false);
        ASSERT_TRUE(m.has_value());
        EXPECT_EQ(m->margins, row.margins);
        EXPECT_EQ(int(m->source), int(row.source));
        platform::PrinterAnswer bare = *answer;
        bare.ready.clear();
        bare.byDefault.reset();
        EXPECT_EQ(platform::MarginsFor(bare, row.width, row.length, false)->margins, row.largest);
        EXPECT_EQ(answer->urfResolutions, row.rs);
        EXPECT_EQ(answer->urfTypes, row.types);
    }
}

TEST(PrinterAnswer, DatabaseEntriesChosenByBorderAndSource) {
    ipp_t* response = ippNew();
    ipp_attribute_t* db = ippAddCollection(response, IPP_TAG_PRINTER, "media-col-database",
                                           Media(21000, 29700, {500, 500, 500, 500}, "tray-1"));
    ippSetCollection(response, &db, 1, Media(21000, 29700, {0, 0, 0, 0}, "tray-1"));
    ippSetCollection(response, &db, 2, Media(21000, 29700, {300, 300, 300, 300}, "photo"));
    ippAddCollection(response, IPP_TAG_PRINTER, "media-col-default", Media(21000, 29700, {300, 300, 300, 300}, "photo"));
    const platform::PrinterAnswer answer = platform::ParsePrinterAnswer(response);
    ippDelete(response);
    ASSERT_EQ(answer.database.size(), 3);
    // The default's source first; borderless only when asked for; another size: nothing known.
    EXPECT_EQ(platform::MarginsFor(answer, 21000, 29700, false)->margins, (MediaMargins{300, 300, 300, 300}));
    EXPECT_EQ(platform::MarginsFor(answer, 21001, 29699, true)->margins, MediaMargins{});
    EXPECT_EQ(int(platform::MarginsFor(answer, 21000, 29700, true)->source), int(MarginSource::Database));
    EXPECT_FALSE(platform::MarginsFor(answer, 10000, 15000, false).has_value());
}
