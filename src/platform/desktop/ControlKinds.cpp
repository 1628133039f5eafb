#include "platform/desktop/ControlKinds.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTabBar>
#include <QTableView>
#include <QToolBar>
#include <QTreeView>

namespace platform {
namespace {

// A menu entry: an action shown in a menu or a menu bar, or the action that
// stands for a menu itself.
bool IsMenuItem(const QAction* action) {
    for (const QObject* o : action->associatedObjects())
        if (qobject_cast<const QMenu*>(o) || qobject_cast<const QMenuBar*>(o)) return true;
    const auto* owner = qobject_cast<const QMenu*>(action->parent());
    return owner && owner->menuAction() == action;
}

// A widget of class QWidget itself only groups other widgets (a window's
// client area); it is not a control.
bool IsPlainContainer(const QWidget* w) { return w->metaObject() == &QWidget::staticMetaObject; }

void Collect(QObject* parent, bool menusOnly, QList<QObject*>& out) {
    for (QObject* child : parent->children()) {
        if (auto* action = qobject_cast<QAction*>(child)) {
            if (IsMenuItem(action)) out.append(action);
            continue;
        }
        auto* w = qobject_cast<QWidget*>(child);
        if (!w) continue;
        // Menu bars and menus contribute their entries only; their own
        // widgets (the bar's overflow button) are not controls.
        if (qobject_cast<QMenuBar*>(w) || qobject_cast<QMenu*>(w)) {
            Collect(w, true, out);
            continue;
        }
        if (menusOnly || w->isWindow()) continue;  // another window: not ours
        if (IsPlainContainer(w)) {
            Collect(w, false, out);
            continue;
        }
        out.append(w);
        if (qobject_cast<QGroupBox*>(w)) Collect(w, false, out);
        // A list's column headers are reached through its header view.
        if (auto* table = qobject_cast<QTableView*>(w)) out.append(table->horizontalHeader());
        if (auto* tree = qobject_cast<QTreeView*>(w)) out.append(tree->header());
    }
}

}  // namespace

QString ControlKind(const QObject* control) {
    if (const auto* action = qobject_cast<const QAction*>(control))
        if (IsMenuItem(action)) return QStringLiteral("Menu");
    // Checked most specific first where Qt classes derive from each other.
    if (qobject_cast<const QLabel*>(control)) return QStringLiteral("Label");
    if (qobject_cast<const QCheckBox*>(control)) return QStringLiteral("CheckBox");
    if (qobject_cast<const QPushButton*>(control)) return QStringLiteral("CommandButton");
    if (qobject_cast<const QGroupBox*>(control)) return QStringLiteral("Frame");
    if (qobject_cast<const QToolBar*>(control)) return QStringLiteral("Toolbar");
    if (qobject_cast<const QTabBar*>(control)) return QStringLiteral("TabStrip");
    if (qobject_cast<const QHeaderView*>(control)) return QStringLiteral("ListView");
    return QString::fromLatin1(control->metaObject()->className());
}

QList<QObject*> FormControls(QWidget* form) {
    QList<QObject*> out;
    if (form) Collect(form, false, out);
    return out;
}

}  // namespace platform
