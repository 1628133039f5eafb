#pragma once
// Where a printer lands the page, corrected: an offset in whole device dots
// (cells) that moves everything printed, right and down when positive. It is
// measured from the calibration page and stored per print queue.
#include <QPoint>
#include <QString>

namespace platform {

// Offsets beyond this many dots either way are refused: far more than any
// sheet is fed off (2 inches at 1200 dpi), far less than a page.
inline constexpr int kMaxNudgeDots = 2400;

// "X,Y" (whole numbers, signs allowed, spaces around either) into `nudge`.
// False for anything else, or a figure past kMaxNudgeDots.
bool ParseNudge(const QString& text, QPoint* nudge);
// "X,Y", the form ParseNudge reads.
QString FormatNudge(QPoint nudge);

// The nudge stored for `queue`: (0, 0) when none is, or when what is stored
// cannot be read or lies out of ParseNudge's range (said through Warn).
QPoint StoredNudge(const QString& queue);
// Stores it for `queue`; (0, 0) removes nothing but reads as none. Throws
// Failure when the store cannot be written.
void StoreNudge(const QString& queue, QPoint nudge);

}  // namespace platform
