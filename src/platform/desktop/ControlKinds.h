#pragma once
// How the string-table routine sees a window: its controls, in the order they
// were created, and the kind of each one ("Label", "Menu", "Frame", ...).
// Every mapping from Qt classes to these kinds lives here.
#include <QList>
#include <QString>

class QObject;
class QWidget;

namespace platform {

// The kind of a control: "Label", "Menu", "TabStrip", "Toolbar", "ListView",
// "Frame", "CommandButton", "CheckBox", or for any other control (a user
// control among them) its class name.
QString ControlKind(const QObject* control);

// The controls of a window in creation order: menu items (the menus' own
// entries included) and child widgets. Frames and plain container widgets are
// looked into; user controls, toolbars and other leaf controls are not, and
// neither are other windows owned by this one. A table or tree view is
// followed by its column header view. The window itself is not in the list.
QList<QObject*> FormControls(QWidget* form);

}  // namespace platform
