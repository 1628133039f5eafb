#pragma once
// What the properties panel knows of the main window: the relays that carry
// the cut-guides option and the printer's way with grey on to the preview. The panel never sees the preview.
class MainFormLink {
public:
    virtual ~MainFormLink() = default;
    virtual void SetCutGuidesVisible(const bool& Visible) = 0;
    // The printer now prints grey otherwise (the dithering box).
    virtual void DeviceLookChanged() {}
    // The sheet layout changed (dots per pixel, copies, poster).
    virtual void SheetChanged() {}
};
