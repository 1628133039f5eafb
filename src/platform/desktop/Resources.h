#pragma once
// Resources compiled into the program: the string table, the program icon,
// the About box icon and the toolbar images.
#include <QIcon>
#include <QPixmap>
#include <QString>
#include <optional>

// The text of a string-table id; empty when the id has no text.
std::optional<QString> LoadResString(int id);

QIcon ProgramIcon();
QPixmap AboutIcon();
// The toolbar image keyed "Open" or "Print", 16 x 16, with the light grey
// (192, 192, 192) of the bitmap drawn transparent.
QIcon ToolbarImage(const QString& key);
