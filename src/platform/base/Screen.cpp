#include "platform/base/Screen.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace platform {
namespace {
double gTestDpi = 0.0;

double ScreenDpi(bool horizontal) {
    if (gTestDpi > 0.0) return gTestDpi;
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        if (QScreen* s = app->primaryScreen()) {
            const double dpi = horizontal ? s->logicalDotsPerInchX() : s->logicalDotsPerInchY();
            if (dpi > 0.0) return dpi;
        }
    }
    return 96.0;
}

double UnitsPerInch(ScaleUnit unit, double screenDpi) {
    switch (unit) {
        case kTwips: return kTwipsPerInch;
        case kPixels: return screenDpi;
        case kInches: return 1.0;
        case kCentimeters: return kCentimetersPerInch;
        case kHimetric: return kHimetricPerInch;
    }
    return 1.0;
}

float Convert(float value, ScaleUnit from, ScaleUnit to, double dpi) {
    return static_cast<float>(double(value) * UnitsPerInch(to, dpi) / UnitsPerInch(from, dpi));
}
}  // namespace

double ScreenDpiX() { return ScreenDpi(true); }
double ScreenDpiY() { return ScreenDpi(false); }
void SetScreenDpiForTesting(double dpi) { gTestDpi = dpi; }
double TwipsPerPixelX() { return kTwipsPerInch / ScreenDpiX(); }
double TwipsPerPixelY() { return kTwipsPerInch / ScreenDpiY(); }

float ScaleX(float value, ScaleUnit from, ScaleUnit to) { return Convert(value, from, to, ScreenDpiX()); }
float ScaleY(float value, ScaleUnit from, ScaleUnit to) { return Convert(value, from, to, ScreenDpiY()); }

QRect TwipsToPixels(const QRectF& t) {
    const double kx = TwipsPerPixelX(), ky = TwipsPerPixelY();
    return QRect(int(std::lround(t.left() / kx)), int(std::lround(t.top() / ky)),
                 int(std::lround(t.width() / kx)), int(std::lround(t.height() / ky)));
}

QRectF PixelsToTwips(const QRect& p) {
    const double kx = TwipsPerPixelX(), ky = TwipsPerPixelY();
    return QRectF(p.left() * kx, p.top() * ky, p.width() * kx, p.height() * ky);
}

std::vector<QRect> ScreenRects() {
    std::vector<QRect> rects;
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        for (const QScreen* screen : QGuiApplication::screens()) rects.push_back(screen->geometry());
    return rects;
}

bool OnSomeScreen(const QRect& window, const std::vector<QRect>& screens) {
    if (screens.empty()) return true;
    if (window.isEmpty()) return false;
    QRect all;
    for (const QRect& s : screens) all |= s;
    if (window.width() > all.width() || window.height() > all.height()) return false;
    const int wantX = std::min(window.width(), 64), wantY = std::min(window.height(), 32);
    for (const QRect& s : screens) {
        const QRect seen = window & s;
        if (seen.width() >= wantX && seen.height() >= wantY) return true;
    }
    return false;
}

}  // namespace platform
