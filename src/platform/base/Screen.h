#pragma once
// The screen's resolution and the conversions between twips, screen pixels
// and HIMETRIC that go with it.
#include "platform/base/Units.h"

#include <QRect>
#include <QRectF>
#include <vector>

namespace platform {

// Logical dots per inch of the screen the program shows on (96 on most
// desktops: 15 twips per pixel). Taken from the primary screen once a GUI
// application exists; 96 otherwise.
double ScreenDpiX();
double ScreenDpiY();
// Tests pin the resolution; 0 restores the screen's own.
void SetScreenDpiForTesting(double dpi);

double TwipsPerPixelX();
double TwipsPerPixelY();

// Converts a horizontal (ScaleX) or vertical (ScaleY) length between twips,
// screen pixels, HIMETRIC, inches and centimetres at the screen's resolution.
// Single precision, like the values it serves.
float ScaleX(float value, ScaleUnit from, ScaleUnit to);
float ScaleY(float value, ScaleUnit from, ScaleUnit to);

// Widget geometry in twips <-> pixels (rounded to the nearest pixel).
QRect TwipsToPixels(const QRectF& twips);
QRectF PixelsToTwips(const QRect& pixels);

// The screens' geometries in pixels; none without a GUI application.
std::vector<QRect> ScreenRects();
// Whether a window at `window` (pixels) can be seen and taken hold of: no
// larger than all the screens together, and a piece of it, 64 x 32 pixels
// or the whole window when smaller, on one screen. True when there is no
// screen to measure by.
bool OnSomeScreen(const QRect& window, const std::vector<QRect>& screens);

}  // namespace platform
