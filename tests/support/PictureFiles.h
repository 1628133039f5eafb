#pragma once
// Picture files of the kinds users open, written by the tests themselves.
#include <QImage>
#include <QString>

namespace testcups {

// A 256-colour GIF of `image` (Indexed8, at most 256 colours) where palette
// entry `transparentIndex` is transparent (-1: none). Qt reads GIF but does
// not write it, so the file is written here (LZW with literal codes only).
bool WriteGif(const QImage& indexed8, int transparentIndex, const QString& path);

// Indexed8 picture with `colours` random palette colours and random indices.
QImage MakePaletteNoise(int width, int height, int colours, quint32 seed);

// The bits-per-pixel field of a BMP file's header (0 when not a BMP).
int BmpBitsPerPixel(const QString& path);

// The number of colour components in a baseline/progressive JPEG's frame header.
int JpegComponents(const QString& path);

}  // namespace testcups
