#pragma once
// The properties panel's controls, found by object name as a user's tools
// would find them: the panel keeps them to itself.
#include "properties/Figures.h"
#include "properties/ucProperties.h"

#include <QCheckBox>
#include <QLabel>
#include <stdexcept>
#include <string>

inline QLabel* PanelLabel(const ucProperties& panel, const char* name) {
    auto* label = panel.findChild<QLabel*>(QString::fromLatin1(name));
    if (!label) throw std::logic_error(std::string("the panel has no label ") + name);
    return label;
}

inline QCheckBox* CutGuidesBox(const ucProperties& panel) {
    auto* box = panel.findChild<QCheckBox*>(QStringLiteral("chkCutGuides"));
    if (!box) throw std::logic_error("the panel has no cut-guides box");
    return box;
}

// The figures the panel shows, as rows read off its labels in its order (what
// the command line must print for the same picture and printer).
inline std::vector<properties::FigureRow> PanelRows(const ucProperties& panel) {
    const std::pair<const char*, const char*> rows[] = {
        {"lblImageHeader", nullptr},
        {"lblPixelsDescription", "lblSize"},
        {nullptr, "lblMegaPixels"},
        {"lblPrinterHeader", nullptr},
        {"lblPaperSizeDescription", "lblPaperSize"},
        {"lblEffectiveAreaDescription", "lblEffectiveAreaCm"},
        {nullptr, "lblEffectiveAreaInches"},
        {"lblDPIDescription", "lblDPI"},
        {"lblOutputHeader", nullptr},
        {"lblPhysicalSizeDescription", "lblPhysicalSizeCm"},
        {nullptr, "lblPhysicalSizeInches"},
    };
    std::vector<properties::FigureRow> out;
    for (const auto& [caption, value] : rows)
        out.push_back({caption ? PanelLabel(panel, caption)->text() : QString(),
                       value ? PanelLabel(panel, value)->text() : QString()});
    return out;
}
