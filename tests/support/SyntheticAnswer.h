#pragma once
// A driverless printer's Get-Printer-Attributes answer made up for a test
// (or a fuzzer's seed), as the bytes a printer sends: the media it lists
// with their margins, its margin lists, its Apple and PWG raster
// resolutions. Lengths in hundredths of a millimetre.
#include <QByteArray>
#include <QList>
#include <QSize>
#include <QStringList>

namespace testcups {

struct SyntheticMedia {
    int width = 21000, length = 29700;
    int left = 300, right = 300, top = 300, bottom = 300;
};

struct AnswerShape {
    QList<SyntheticMedia> database{SyntheticMedia{}};
    int databaseCopies = 1;             // media-col-database: the list above, this many times
    QList<int> marginsSupported{300};   // every media-*-margin-supported list
    QStringList urf{QStringLiteral("W8"), QStringLiteral("RS300-600")};
    QList<QSize> pwgResolutions{QSize(300, 300), QSize(600, 600)};
};

QByteArray SyntheticAnswer(const AnswerShape& shape = {});

}  // namespace testcups
