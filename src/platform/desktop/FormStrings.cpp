#include "platform/desktop/FormStrings.h"

#include "platform/desktop/ControlKinds.h"
#include "platform/base/Failure.h"
#include "platform/base/Numeric.h"
#include "platform/desktop/Resources.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QFont>
#include <QHeaderView>
#include <QMenu>
#include <QTabBar>
#include <QToolBar>
#include <QWidget>

// Windows are designed with string ids where their texts go; this routine puts
// the texts of the string table in. Each assignment is a unit of its own: a
// failing one (an id without text, a text that is not a number, a property the
// control does not have) is skipped and the rest still run.

namespace platform {
namespace {

// The three properties the rules speak of, reached by name through Qt's
// property system. "Tag" is a property of the control (usually dynamic);
// "Caption" is whatever the class calls its visible text; "ToolTipText" is
// the tooltip.
enum class Prop { Tag, Caption, ToolTipText };

bool HasProperty(const QObject* o, const char* name) {
    return o->metaObject()->indexOfProperty(name) >= 0 || o->dynamicPropertyNames().contains(name);
}

const char* QtName(const QObject* o, Prop p) {
    switch (p) {
    case Prop::Tag:
        return "Tag";
    case Prop::ToolTipText:
        return "toolTip";
    case Prop::Caption:
        if (const auto* w = qobject_cast<const QWidget*>(o); w && w->isWindow() && !qobject_cast<const QMenu*>(w))
            return "windowTitle";
        for (const char* name : {"text", "title"})
            if (o->metaObject()->indexOfProperty(name) >= 0) return name;
        return nullptr;
    }
    return nullptr;
}

[[noreturn]] void NoSuchProperty() { Fail(QStringLiteral("Object doesn't support this property or method")); }

QString Get(const QObject* o, Prop p) {
    const char* name = QtName(o, p);
    if (!name || !HasProperty(o, name)) NoSuchProperty();
    return o->property(name).toString();
}

void Set(QObject* o, Prop p, const QString& value) {
    const char* name = QtName(o, p);
    // setProperty on an unknown name would create a dynamic property; a
    // control without the property must fail instead.
    if (!name || !HasProperty(o, name)) NoSuchProperty();
    o->setProperty(name, value);
}

// The table's text for an id (the 16-bit value, sign-extended).
QString Text(int16_t id) {
    std::optional<QString> text = LoadResString(id);
    if (!text) Fail(QStringLiteral("Resource with identifier '%1' not found").arg(id));
    return *text;
}

// Strict: the whole text is a number, rounded half to even, within 16 bits.
int16_t Strict(const QString& text) { return platform::StrictInt16(text); }

// Leading number of a text, rounded half to even; fails outside 16 bits.
int16_t Leading(const QString& text) { return platform::CInt(platform::LeadingNumber(text)); }

template <class Step>
void Unit(Step&& step) {
    platform::ContinueOnFailure(std::forward<Step>(step));
}

void ApplyToToolbar(QToolBar* bar) {
    for (QAction* button : bar->actions())
        Unit([&] { Set(button, Prop::ToolTipText, Text(Strict(Get(button, Prop::ToolTipText)))); });
}

void ApplyToTabStrip(QTabBar* tabs) {
    // A tab's Tag is its data.
    for (int i = 0; i < tabs->count(); ++i) {
        Unit([&] {
            const QVariant tag = tabs->tabData(i);
            if (!tag.isValid()) NoSuchProperty();
            tabs->setTabText(i, Text(Strict(tag.toString())));
        });
        Unit([&] { tabs->setTabToolTip(i, Text(Strict(tabs->tabToolTip(i)))); });
    }
}

void ApplyToListView(QHeaderView* header) {
    // A column header's Tag is its header data in the user role, its Text the
    // displayed header data.
    QAbstractItemModel* model = header->model();
    if (!model) NoSuchProperty();
    const Qt::Orientation o = header->orientation();
    const int count = o == Qt::Horizontal ? model->columnCount() : model->rowCount();
    for (int s = 0; s < count; ++s)
        Unit([&] {
            const QVariant tag = model->headerData(s, o, Qt::UserRole);
            if (!tag.isValid()) NoSuchProperty();
            model->setHeaderData(s, o, Text(Strict(tag.toString())), Qt::DisplayRole);
        });
}

void ApplyToOther(QObject* control) {
    // n starts at 0 before each conversion, so a failed conversion (no Tag,
    // no tooltip, out of range) looks up nothing.
    int16_t n = 0;
    Unit([&] { n = Leading(Get(control, Prop::Tag)); });
    if (n > 0) Unit([&] { Set(control, Prop::Caption, Text(n)); });
    n = 0;
    Unit([&] { n = Leading(Get(control, Prop::ToolTipText)); });
    if (n > 0) Unit([&] { Set(control, Prop::ToolTipText, Text(n)); });
}

void ApplyToControl(QWidget* form, QObject* control) {
    // The control follows the window's font. Widgets inherit it unless they
    // set a font of their own; menu entries have no font.
    if (auto* w = qobject_cast<QWidget*>(control); w && w->testAttribute(Qt::WA_SetFont))
        Unit([&] { w->setFont(form->font()); });

    const QString kind = platform::ControlKind(control);
    if (kind == QLatin1String("Label")) {
        Unit([&] { Set(control, Prop::Caption, Text(Strict(Get(control, Prop::Tag)))); });
    } else if (kind == QLatin1String("Menu")) {
        Unit([&] { Set(control, Prop::Caption, Text(Strict(Get(control, Prop::Caption)))); });
    } else if (kind == QLatin1String("TabStrip")) {
        if (auto* tabs = qobject_cast<QTabBar*>(control)) ApplyToTabStrip(tabs);
    } else if (kind == QLatin1String("Toolbar")) {
        if (auto* bar = qobject_cast<QToolBar*>(control)) ApplyToToolbar(bar);
    } else if (kind == QLatin1String("ListView")) {
        if (auto* header = qobject_cast<QHeaderView*>(control)) Unit([&] { ApplyToListView(header); });
    } else {
        ApplyToOther(control);
    }
}

}  // namespace

void ApplyFormStrings(QWidget* form) {
    if (!form) return;
    Unit([&] { Set(form, Prop::Caption, Text(Strict(Get(form, Prop::Tag)))); });

    // Font name and size from ids 20 and 21. The table has neither, so the
    // window keeps its font; the lookups stay so a table that has them works.
    Unit([&] {
        QFont font = form->font();
        font.setFamily(Text(20));
        form->setFont(font);
    });
    Unit([&] {
        const int16_t points = Strict(Text(21));
        if (points <= 0) Fail(QStringLiteral("Invalid property value"));
        QFont font = form->font();
        font.setPointSize(points);
        form->setFont(font);
    });

    for (QObject* control : platform::FormControls(form)) ApplyToControl(form, control);
}

}  // namespace platform
