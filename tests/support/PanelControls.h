#pragma once
// The properties panel's controls, found by object name as a user's tools
// would find them: the panel keeps them to itself.
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
