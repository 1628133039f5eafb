#pragma once
// What the properties panel knows of the main window: the relay that carries
// the cut-guides option on to the preview. The panel never sees the preview.
class MainFormLink {
public:
    virtual ~MainFormLink() = default;
    virtual void SetCutGuidesVisible(const bool& Visible) = 0;
};
