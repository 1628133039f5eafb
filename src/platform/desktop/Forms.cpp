#include "platform/desktop/Forms.h"

namespace platform {
namespace {
QList<QPointer<QWidget>>& Registry() {
    static QList<QPointer<QWidget>> forms;
    return forms;
}
void Prune() { Registry().removeIf([](const QPointer<QWidget>& p) { return p.isNull(); }); }
}  // namespace

QList<QWidget*> Forms() {
    Prune();
    QList<QWidget*> out;
    for (const auto& p : Registry()) out << p.data();
    return out;
}

void RegisterForm(QWidget* form) {
    Prune();
    for (const auto& p : Registry())
        if (p == form) return;
    Registry().append(form);
}

void UnregisterForm(QWidget* form) {
    Registry().removeIf([form](const QPointer<QWidget>& p) { return p.isNull() || p == form; });
}

void Unload(QWidget* form) {
    if (!form) return;
    form->close();
    UnregisterForm(form);
}

}  // namespace platform
