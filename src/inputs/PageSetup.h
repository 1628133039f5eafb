#pragma once
// File > Page Setup...: the platform printer dialog on the current printer,
// then the printer handed to both controls, confirmed or cancelled.
class ucPageLayout;
class ucProperties;

namespace platform {
class CommonDialog;
}

namespace inputs {

// The Page Setup command. Every step runs whatever happened to the one
// before: a cancelled dialog still refreshes both controls.
void PageSetup(platform::CommonDialog& dialog, ucProperties& panel, ucPageLayout& preview);

// Sets the current printer to the resolution and nudge kept for its queue,
// then hands it to the panel, then to the preview; a failure of the panel
// skips the preview and is passed on.
void ApplyPrinter(ucProperties& panel, ucPageLayout& preview);

}  // namespace inputs
