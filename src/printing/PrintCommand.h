#pragma once
// File > Print and the toolbar's Print button: the print job on the current
// printer with what the controls hold at that moment.
class ucPageLayout;
class ucProperties;

namespace printing {

// Reads the picture from the preview, its size in pixels and the cut-guides
// option from the panel, and runs the print job. With no picture it says so
// and touches no printer; a failed job is reported in one message.
void PrintFromControls(const ucProperties& panel, const ucPageLayout& preview);

}  // namespace printing
