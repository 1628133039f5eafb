#pragma once
// Scale units: the codes the printer's ScaleMode and ScaleX/ScaleY take.
#include <cstdint>

namespace platform {

enum ScaleUnit : int16_t {
    kTwips = 1,        // 1/1440 inch
    kPixels = 3,       // device dots on a printer, screen pixels on the screen
    kInches = 5,
    kCentimeters = 7,
    kHimetric = 8,     // 1/100 mm
};

inline constexpr double kTwipsPerInch = 1440.0;
inline constexpr double kHimetricPerInch = 2540.0;
inline constexpr double kPointsPerInch = 72.0;
inline constexpr double kCentimetersPerInch = 2.54;

}  // namespace platform
