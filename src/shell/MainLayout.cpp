#include "shell/MainLayout.h"

#include "platform/base/Failure.h"
#include "platform/base/Numeric.h"

#include <algorithm>

namespace shell {
namespace {
// A control refuses a negative extent, like the toolkit the window was made with.
float Extent(double value) {
    if (value < 0) platform::Fail(QStringLiteral("Invalid property value"));
    return platform::CSng(value);
}
}  // namespace

void ArrangeControls(MainControls& c, float windowWidth, float windowHeight,
                     const std::function<float(float panelHeight)>& panelWidthFor) {
    using platform::ContinueOnFailure;
    using platform::CSng;
    const MainControls design;
    ContinueOnFailure([&] { c.fraProperties.Top = CSng(c.tbToolBar.Top + c.tbToolBar.Height); });
    ContinueOnFailure([&] { c.fraProperties.Height = Extent(double(windowHeight) - 1110.0f); });
    ContinueOnFailure([&] { c.ucProperties1.Height = Extent(double(c.fraProperties.Height) - 400.0f); });
    ContinueOnFailure([&] {
        const float needed = panelWidthFor ? panelWidthFor(c.ucProperties1.Height) : 0.0f;
        c.ucProperties1.Width = std::max(design.ucProperties1.Width, needed);
    });
    ContinueOnFailure([&] {
        c.fraProperties.Width =
            CSng(c.ucProperties1.Width + design.fraProperties.Width - design.ucProperties1.Width);
    });
    ContinueOnFailure([&] { c.ucPageLayout1.Top = c.fraProperties.Top; });
    ContinueOnFailure([&] { c.ucPageLayout1.Left = CSng(c.fraProperties.Left + c.fraProperties.Width); });
    ContinueOnFailure([&] { c.ucPageLayout1.Height = Extent(c.fraProperties.Height); });
    ContinueOnFailure([&] {
        c.ucPageLayout1.Width = Extent(double(windowWidth) - c.ucPageLayout1.Left - 120.0f);
    });
}

}  // namespace shell
