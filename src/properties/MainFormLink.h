#pragma once
// What the properties panel knows of the main window: the relays that carry
// the cut-guides option and the printer's way with grey on to the preview,
// and its own need of room. The panel never sees the preview.
class MainFormLink {
public:
    virtual ~MainFormLink() = default;
    virtual void SetCutGuidesVisible(const bool& Visible) = 0;
    // The printer now prints grey otherwise (the dithering box).
    virtual void DeviceLookChanged() {}
    // The sheet layout changed (dots per pixel, copies, poster).
    virtual void SheetChanged() {}
    // The panel's controls now need another size (a caption grew, the
    // Layout section opened or closed): the window may give it more room.
    virtual void PanelSizeChanged() {}
};
