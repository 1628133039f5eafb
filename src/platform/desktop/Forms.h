#pragma once
// The program's loaded windows, in the order they were loaded (index 0 first),
// and unloading one of them.
#include <QList>
#include <QPointer>
#include <QWidget>

namespace platform {


// Registry of loaded windows. Windows add themselves when they load and are
// removed when they unload.
QList<QWidget*> Forms();
void RegisterForm(QWidget* form);
void UnregisterForm(QWidget* form);

// Closes and unloads a window (its close handler runs).
void Unload(QWidget* form);

}  // namespace platform
